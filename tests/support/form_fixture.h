// Builds the real main window for a test, as the program entry does, with its
// own virtual readers, ledger database and command line, and frees it afterwards.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>

#include "app/FormCoinloft.h"
#include "platform/dialogs.h"
#include "tests/support/ledger_fixture.h"
#include "tests/support/reader_home.h"

class FormFixture : public ::testing::Test {
 protected:
  FormFixture() : stateDir_(std::filesystem::temp_directory_path() / ("coinloft-state-" + std::to_string(::getpid()))) {
    std::filesystem::remove_all(stateDir_);
    setenv("COINLOFT_STATE_DIR", stateDir_.c_str(), 1);
  }
  ~FormFixture() override {
    std::filesystem::remove_all(stateDir_);
    unsetenv("COINLOFT_STATE_DIR");
  }
  void TearDown() override {
    vcl::Application->Reset();
    FormCoinloft = nullptr;
    vcl::boxseam::SetAnswerer([](const vcl::ShownBox &) {});
  }
  // Creates the window with this command line; boxes are recorded from here.
  TFormCoinloft *Start(const std::string &commandLine = "coinloft") {
    vcl::boxseam::Clear();
    // Module-level state as a fresh program has it.
    ReaderName.clear();
    LastWriteResult = 0;
    CardRead = 0;
    CardFields.clear();
    VerifiedRecord.clear();
    vcl::Application->CommandLine = commandLine;
    vcl::Application->CreateForm(FormCoinloft);
    return FormCoinloft;
  }
  std::vector<std::string> Log() const { return FormCoinloft->Memo1->Lines->Items(); }

  std::filesystem::path stateDir_;  // the write journal's folder
  ReaderHome home;
  Ledger ledger;  // the shop's ledger the window connects to
};
