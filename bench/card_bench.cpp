// The card field cipher and a whole read attempt against a virtual reader.
// Targets: one amount group encoded or decoded well under 1 us; a read
// attempt of a sound card (its checks passing) under 1 ms.
#include <benchmark/benchmark.h>

#include <QApplication>

#include <cstdlib>

#include "app/FormCoinloft.h"
#include "bench/bench_window.h"
#include "card/cipher.h"
#include "card/record.h"

namespace {

const std::string kStamp = "20261211093015";

void BM_EncodeAmountGroup(benchmark::State &state) {
  int32_t amount = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(TFormCoinloft::Amt_Chg_Pass(amount, 5, kStamp));
    amount = (amount + 7919) % 10000000;
  }
}
BENCHMARK(BM_EncodeAmountGroup);

void BM_DecodeAmountGroup(benchmark::State &state) {
  const std::string group = TFormCoinloft::Amt_Chg_Pass(1234567, 5, kStamp);
  for (auto _ : state) benchmark::DoNotOptimize(TFormCoinloft::Amt_Rtn_Pass(group, 5, kStamp));
}
BENCHMARK(BM_DecodeAmountGroup);

// Every step of a read attempt: both library calls, the password, the seal,
// the four decodings and the balance check. The card's D is one off, so the
// attempt ends at the balance comparison instead of handing over to the
// top-up, which is measured on its own (topup_bench).
void BM_ReadAttemptWithoutTopUp(benchmark::State &state) {
  BenchWindow::LayCard(150, 100, 80, 29);
  vcl::Application->CreateForm(FormCoinloft);
  FormCoinloft->Timer1->SetEnabled(false);
  for (auto _ : state) {
    vcl::Application->Dispatch([] { FormCoinloft->Button1Click(nullptr); });  // ends in the silent abort
    state.PauseTiming();
    if (FormCoinloft->EditD->Text() != "0000029") state.SkipWithError("the card was not decoded");
    FormCoinloft->Memo1->Lines->Clear();
    state.ResumeTiming();
  }
  vcl::Application->Reset();
}
BENCHMARK(BM_ReadAttemptWithoutTopUp)->Unit(benchmark::kMicrosecond);

// The same with a sound card: the top-up then claims and lists (nothing is pending).
void BM_ReadAttemptOfASoundCardNothingPending(benchmark::State &state) {
  BenchWindow::LayCard(150, 100, 80, 30);
  vcl::Application->CreateForm(FormCoinloft);
  FormCoinloft->Timer1->SetEnabled(false);
  for (auto _ : state) {
    FormCoinloft->Button1Click(nullptr);
    state.PauseTiming();
    FormCoinloft->Memo1->Lines->Clear();
    state.ResumeTiming();
  }
  vcl::Application->Reset();
}
BENCHMARK(BM_ReadAttemptOfASoundCardNothingPending)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char **argv) {
  BenchWindow window(argc, argv, "card");
  BenchWindow::RunBenchmarks(argc, argv);
  return 0;
}
