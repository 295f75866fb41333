// What the window benchmarks share: the off-screen Qt application with boxes
// answered at once, virtual readers ("Virtual Reader 1", empty) and the write
// journal in temporary folders, a throw-away ledger, and the run of the
// registered benchmarks. One object per benchmark program, in main().
#pragma once

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "app/FormCoinloft.h"
#include "bench/bench_ledger.h"
#include "card/cipher.h"
#include "card/record.h"
#include "platform/dialogs.h"
#include "qv_card/virtual_reader.h"

class BenchWindow {
 public:
  // withLedger false: the ledger is the one COINLOFT_DBX_DIR already names.
  BenchWindow(int &argc, char **argv, const std::string &name, bool withLedger = true)
      : home_((std::filesystem::temp_directory_path() / ("coinloft-bench-" + name)).string()), owner_(withLedger) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("QV_CARD_HOME", (home_ + "/readers").c_str(), 1);
    setenv("COINLOFT_STATE_DIR", (home_ + "/state").c_str(), 1);
    qvcard::AddReader(kReader);
    card::FillKeyTable(KeyTable);
    if (withLedger) ledger = std::make_unique<BenchLedger>();
    vcl::Application->Initialize(argc, argv);
    vcl::boxseam::SetAnswerer([](const vcl::ShownBox &) {});
  }
  ~BenchWindow() {
    vcl::Application->Finalize();
    ledger.reset();
    if (owner_) std::filesystem::remove_all(home_);
  }
  BenchWindow(const BenchWindow &) = delete;
  BenchWindow &operator=(const BenchWindow &) = delete;

  // An opened card with these amounts, sealed under a fixed stamp.
  static void LayCard(int a, int b, int c, int d) {
    qvcard::WriteCard(kReader, qvcard::Card{qvcard::kOpenedCardPassword,
                                            card::SealedRecord("A123", a, b, c, d, "20261211093015")});
  }
  static void RunBenchmarks(int &argc, char **argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
  }

  static constexpr const char *kReader = "Virtual Reader 1";
  std::unique_ptr<BenchLedger> ledger;

 private:
  std::string home_;
  const bool owner_;  // a cold child shares its parent's folders
};
