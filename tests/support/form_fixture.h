// Builds the real main window for a test, as the program entry does, with its
// own virtual readers, ledger database and command line, and frees it afterwards.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "app/FormCoinloft.h"
#include "platform/dialogs.h"
#include "tests/support/ledger_fixture.h"
#include "tests/support/reader_home.h"

class FormFixture : public ::testing::Test {
 protected:
  void TearDown() override {
    vcl::Application->Reset();
    FormCoinloft = nullptr;
    vcl::boxseam::SetAnswerer([](const vcl::ShownBox &) {});
  }
  // Creates the window with this command line; boxes are recorded from here.
  TFormCoinloft *Start(const std::string &commandLine = "coinloft") {
    vcl::boxseam::Clear();
    vcl::Application->CommandLine = commandLine;
    vcl::Application->CreateForm(FormCoinloft);
    return FormCoinloft;
  }
  std::vector<std::string> Log() const { return FormCoinloft->Memo1->Lines->Items(); }

  ReaderHome home;
  Ledger ledger;  // the shop's ledger the window connects to
};
