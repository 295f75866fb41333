// One top-up run (claim, list, total, encode, journal, write, confirm, the
// success box answered at once) against an embedded ledger, beside the same
// three statements and the listing run bare through the Firebird client.
// Target: the run within 1.3 times the bare statements.
#include <benchmark/benchmark.h>
#include <firebird/Interface.h>

#include <QApplication>

#include <cstdlib>

#include "app/FormCoinloft.h"
#include "bench/bench_window.h"

namespace {

BenchLedger *theLedger = nullptr;
std::string databasePath;

void AddPendingLine(const char *card) {
  theLedger->admin.ExecuteDirect(std::string("INSERT INTO ADDCASH_SUB (SUBCARD_ID, WR_FLAG, ADD_CASH) VALUES ('") +
                                 card + "', 'N', 1)");
}

void BM_TopUpRun(benchmark::State &state) {
  vcl::Application->CreateForm(FormCoinloft);
  FormCoinloft->Timer1->SetEnabled(false);
  FormCoinloft->Button1Click(nullptr);  // read and verify the card once
  for (auto _ : state) {
    state.PauseTiming();
    AddPendingLine("A123");
    const qvcard::Card card = qvcard::ReadCard("Virtual Reader 1");
    VerifiedRecord.assign(card.fields.begin(), card.fields.begin() + 3);
    FormCoinloft->EditA->SetText(card::DecodeAmounts(card.fields[1], card.fields[2].substr(0, 14))[0]);
    state.ResumeTiming();
    FormCoinloft->SpeedButton1Click(FormCoinloft->Button1);
  }
  if (LastWriteResult != 0) state.SkipWithError("the card was not written");
  vcl::Application->Reset();
}
BENCHMARK(BM_TopUpRun)->Unit(benchmark::kMillisecond)->Iterations(300);

// The same statements through the client's own interfaces, nothing around them.
void BM_BareStatements(benchmark::State &state) {
  using namespace Firebird;
  IMaster *master = fb_get_master_interface();
  ThrowStatusWrapper status(master->getStatus());
  IUtil *util = master->getUtilInterface();
  IXpbBuilder *dpb = util->getXpbBuilder(&status, IXpbBuilder::DPB, nullptr, 0);
  dpb->insertString(&status, isc_dpb_user_name, "sysdba");
  dpb->insertString(&status, isc_dpb_password, "plowfinch");
  IProvider *provider = master->getDispatcher();
  IAttachment *att = provider->attachDatabase(&status, databasePath.c_str(), dpb->getBufferLength(&status),
                                              dpb->getBuffer(&status));
  IXpbBuilder *tpb = util->getXpbBuilder(&status, IXpbBuilder::TPB, nullptr, 0);
  tpb->insertTag(&status, isc_tpb_write);
  tpb->insertTag(&status, isc_tpb_read_committed);
  tpb->insertTag(&status, isc_tpb_rec_version);
  tpb->insertTag(&status, isc_tpb_wait);
  auto execute = [&](const char *sql) {
    ITransaction *tra = att->startTransaction(&status, tpb->getBufferLength(&status), tpb->getBuffer(&status));
    att->execute(&status, tra, 0, sql, 3, nullptr, nullptr, nullptr, nullptr);
    tra->commit(&status);
  };
  for (auto _ : state) {
    state.PauseTiming();
    AddPendingLine("B789");
    state.ResumeTiming();
    execute("UPDATE ADDCASH_SUB SET WR_FLAG = 'W' \r\n WHERE SUBCARD_ID = 'B789'\r\n AND WR_FLAG <> 'Y' \r\n");
    ITransaction *tra = att->startTransaction(&status, tpb->getBufferLength(&status), tpb->getBuffer(&status));
    IStatement *stmt = att->prepare(&status, tra, 0,
                                    "SELECT * FROM ADDCASH_SUB WHERE WR_FLAG = 'W' AND SUBCARD_ID = 'B789'", 3,
                                    IStatement::PREPARE_PREFETCH_METADATA);
    IMessageMetadata *meta = stmt->getOutputMetadata(&status);
    IResultSet *rows = stmt->openCursor(&status, tra, nullptr, nullptr, meta, 0);
    std::vector<unsigned char> buffer(meta->getMessageLength(&status));
    while (rows->fetchNext(&status, buffer.data()) == IStatus::RESULT_OK) {
    }
    rows->close(&status);
    meta->release();
    stmt->free(&status);
    tra->commit(&status);
    execute("UPDATE ADDCASH_SUB SET WR_FLAG = 'Y' \r\n WHERE SUBCARD_ID = 'B789'\r\n AND WR_FLAG = 'W' \r\n");
  }
  tpb->dispose();
  dpb->dispose();
  att->detach(&status);
  provider->release();
  status.dispose();
}
BENCHMARK(BM_BareStatements)->Unit(benchmark::kMillisecond)->Iterations(300);

}  // namespace

int main(int argc, char **argv) {
  BenchWindow window(argc, argv, "topup");
  BenchWindow::LayCard(0, 0, 0, 0);
  theLedger = window.ledger.get();
  databasePath = std::string(std::getenv("COINLOFT_DBX_DIR")) + "/POSDATA.FDB";
  BenchWindow::RunBenchmarks(argc, argv);
  return 0;
}
