// The ledger: connecting as the window does at start-up, and the marking
// statement on a ledger of 1,000,000 lines with the card index.
// Targets: connecting under 100 ms embedded; marking under 5 ms.
#include <benchmark/benchmark.h>

#include <time.h>

#include "bench/bench_ledger.h"
#include "ledger/ledger.h"
#include "platform/db.h"

namespace {

double Now() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec + ts.tv_nsec / 1e9;
}

void OpenTarnix(vcl::TSQLConnection &c) {
  c.ConnectionName = "Tarnix";
  c.DriverName = "Interbase";
  c.LoadParamsOnConnect = true;
  c.LoginPrompt = false;
  c.Open();
}

double firstConnectMs = 0;

void BM_ConnectEmbedded(benchmark::State &state) {
  for (auto _ : state) {
    vcl::TSQLConnection c(nullptr);
    OpenTarnix(c);
    benchmark::DoNotOptimize(c.Connected());
  }
  state.counters["first_connect_in_process_ms"] = firstConnectMs;
}
BENCHMARK(BM_ConnectEmbedded)->Unit(benchmark::kMillisecond);

constexpr int kCards = 100000;

void BM_MarkingOnAMillionLines(benchmark::State &state) {
  vcl::TComponent root(nullptr);
  auto *connection = vcl::Create<vcl::TSQLConnection>(&root);
  OpenTarnix(*connection);
  auto *query = vcl::Create<vcl::TSQLQuery>(&root);
  query->SQLConnection = connection;
  int card = 0;
  for (auto _ : state) {
    ledger::Mark(query, "C" + std::to_string(card));
    card = (card + 7919) % kCards;
  }
}
BENCHMARK(BM_MarkingOnAMillionLines)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char **argv) {
  BenchLedger ledger;
  {
    const double start = Now();
    vcl::TSQLConnection first(nullptr);
    OpenTarnix(first);
    firstConnectMs = (Now() - start) * 1000;
  }
  // 100,000 cards with ten lines each: nine written, one pending.
  ledger.admin.ExecuteDirect(
      "EXECUTE BLOCK AS DECLARE i INTEGER = 0; BEGIN "
      "WHILE (i < 1000000) DO BEGIN "
      "INSERT INTO ADDCASH_SUB (SUBCARD_ID, WR_FLAG, ADD_CASH) "
      "VALUES ('C' || MOD(:i, 100000), IIF(:i < 900000, 'Y', 'N'), 100); i = i + 1; END END");
  ledger.admin.ExecuteDirect("SET STATISTICS INDEX ADDCASH_SUB_CARD");
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
