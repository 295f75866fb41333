// Start-up of the window and the cost of idle polling, against real virtual
// readers. Targets: window shown within 300 ms; polling with no card under
// 1% of one core.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>

#include <cstdlib>
#include <filesystem>

#include "app/FormCoinloft.h"
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

void BM_IdlePollingWithoutCard(benchmark::State &state) {
  vcl::Application->CreateForm(FormCoinloft);
  FormCoinloft->Show();
  if (!QTest::qWaitForWindowExposed(FormCoinloft->Widget(), 5000)) state.SkipWithError("window not shown");
  for (auto _ : state) {
    const double cpu0 = CpuSeconds();
    QElapsedTimer wall;
    wall.start();
    QTest::qWait(static_cast<int>(state.range(0)));
    state.counters["cpu_percent_of_one_core"] = 100.0 * (CpuSeconds() - cpu0) / (wall.elapsed() / 1000.0);
    state.counters["log_lines"] = FormCoinloft->Memo1->Lines->Count();
  }
  vcl::Application->Reset();
}
BENCHMARK(BM_IdlePollingWithoutCard)->Arg(5000)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char **argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  const std::string home = (std::filesystem::temp_directory_path() / "coinloft-bench-readers").string();
  setenv("QV_CARD_HOME", home.c_str(), 1);
  qvcard::AddReader("Virtual Reader 1");  // a reader with no card in it
  vcl::Application->Initialize(argc, argv);
  vcl::boxseam::SetAnswerer([](const vcl::ShownBox &) {});
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  vcl::Application->Finalize();
  std::filesystem::remove_all(home);
  return 0;
}
