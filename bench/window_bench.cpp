// Start-up of the window and the cost of idle polling, against real virtual
// readers. Targets: window shown within 300 ms; polling with no card under
// 1% of one core.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>
#include <QTest>

#include <cstdlib>
#include <filesystem>

#include "app/FormCoinloft.h"
#include "bench/bench_ledger.h"
#include "platform/dialogs.h"
#include "qv_card/virtual_reader.h"

namespace {

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void BM_StartUpToWindowShown(benchmark::State &state) {
  for (auto _ : state) {
    vcl::Application->CreateForm(FormCoinloft);
    FormCoinloft->Show();
    if (!QTest::qWaitForWindowExposed(FormCoinloft->Widget(), 5000)) state.SkipWithError("window not shown");
    state.PauseTiming();
    vcl::Application->Reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_StartUpToWindowShown)->Unit(benchmark::kMillisecond)->Iterations(20)->UseRealTime();

// A whole program start: a fresh process loads Qt, libqv_card and the fonts,
// builds the window, shows it and ends (the child is this program with --cold).
std::string selfPath;

void BM_ColdProcessToWindowShown(benchmark::State &state) {
  for (auto _ : state) {
    QProcess child;
    child.start(QString::fromStdString(selfPath), {"--cold"});
    if (!child.waitForFinished(10000) || child.exitCode() != 0) state.SkipWithError("cold start failed");
  }
}
BENCHMARK(BM_ColdProcessToWindowShown)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();

void BM_IdlePollingWithoutCard(benchmark::State &state) {
  vcl::Application->CreateForm(FormCoinloft);
  FormCoinloft->Show();
  if (!QTest::qWaitForWindowExposed(FormCoinloft->Widget(), 5000)) state.SkipWithError("window not shown");
  QTest::qWait(1000);  // past the first paint
  for (auto _ : state) {
    const double cpu0 = CpuSeconds();
    QElapsedTimer wall;
    wall.start();
    QEventLoop loop;  // the real event loop, as the program runs it (qWait would poll)
    QTimer::singleShot(static_cast<int>(state.range(0)), &loop, &QEventLoop::quit);
    loop.exec();
    state.counters["cpu_percent_of_one_core"] = 100.0 * (CpuSeconds() - cpu0) / (wall.elapsed() / 1000.0);
    state.counters["log_lines"] = FormCoinloft->Memo1->Lines->Count();
  }
  vcl::Application->Reset();
}
BENCHMARK(BM_IdlePollingWithoutCard)->Arg(10000)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char **argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  const std::string home = (std::filesystem::temp_directory_path() / "coinloft-bench-readers").string();
  setenv("QV_CARD_HOME", home.c_str(), 1);
  qvcard::AddReader("Virtual Reader 1");  // a reader with no card in it
  const bool cold = argc > 1 && std::string(argv[1]) == "--cold";
  // The window connects to this ledger while it is built; a cold child uses
  // its parent's (COINLOFT_DBX_DIR is inherited).
  std::unique_ptr<BenchLedger> ledger;
  if (!cold) ledger = std::make_unique<BenchLedger>();
  vcl::Application->Initialize(argc, argv);
  vcl::boxseam::SetAnswerer([](const vcl::ShownBox &) {});
  if (argc > 1 && std::string(argv[1]) == "--cold") {
    vcl::Application->CreateForm(FormCoinloft);
    FormCoinloft->Show();
    const bool shown = QTest::qWaitForWindowExposed(FormCoinloft->Widget(), 5000);
    vcl::Application->Finalize();
    return shown ? 0 : 1;
  }
  selfPath = argv[0];
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  vcl::Application->Finalize();
  ledger.reset();
  if (!cold) std::filesystem::remove_all(home);
  return 0;
}
