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

#include "app/FormCoinloft.h"
#include "bench/bench_window.h"

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
  // A cold child uses its parent's ledger (COINLOFT_DBX_DIR is inherited).
  const bool cold = argc > 1 && std::string(argv[1]) == "--cold";
  BenchWindow window(argc, argv, "window", !cold);
  if (cold) {
    vcl::Application->CreateForm(FormCoinloft);
    FormCoinloft->Show();
    return QTest::qWaitForWindowExposed(FormCoinloft->Widget(), 5000) ? 0 : 1;
  }
  selfPath = argv[0];
  BenchWindow::RunBenchmarks(argc, argv);
  return 0;
}
