// The three ledger statements and the listing against real Firebird
// databases: an embedded file per test, and a private server.
#include "ledger/ledger.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <thread>

#include "platform/variants.h"
#include "tests/support/ledger_fixture.h"

namespace {

using namespace vcl;

// The window's chain of data components, connected through "Tarnix".
struct Chain {
  TComponent root{nullptr};
  TSQLConnection *connection = Create<TSQLConnection>(&root);
  TSQLDataSet *dataSet = Create<TSQLDataSet>(&root);
  TDataSetProvider *provider = Create<TDataSetProvider>(&root);
  TClientDataSet *lines = Create<TClientDataSet>(&root);
  TSQLQuery *query = Create<TSQLQuery>(&root);

  Chain() {
    connection->ConnectionName = "Tarnix";
    connection->DriverName = "Interbase";
    connection->LoadParamsOnConnect = true;
    connection->LoginPrompt = false;
    connection->Open();
    dataSet->SQLConnection = connection;
    provider->Name = "DataSetProvider1";
    provider->DataSet = dataSet;
    provider->Options = poAllowCommandText;
    lines->ProviderName = "DataSetProvider1";
    query->SQLConnection = connection;
  }
  std::vector<double> Listed(const std::string &card) {
    ledger::List(lines, card);
    std::vector<double> amounts;
    for (; !lines->Eof(); lines->Next()) amounts.push_back(lines->FieldByName("add_cash")->Value().Raw().dblVal);
    return amounts;
  }
};

class LedgerStatements : public ::testing::Test {
 protected:
  Ledger ledger;
};

TEST_F(LedgerStatements, markingClaimsPendingLinesAndTheListingReturnsTheClaimed) {
  ledger.AddLine("A123", "N", 300);
  ledger.AddLine("A123", "W", 200);
  ledger.AddLine("A123", "Y", 100);
  ledger.AddLine("A123", std::nullopt, 50);  // never claimed
  ledger.AddLine("B456", "N", 70);
  Chain chain;
  ledger::Mark(chain.query, "A123");
  EXPECT_EQ(ledger.Flags("A123"), (std::vector<std::string>{"W", "W", "Y", "null"}));
  EXPECT_EQ(chain.Listed("A123"), (std::vector<double>{300, 200}));
  EXPECT_EQ(ledger.Flags("B456"), std::vector<std::string>{"N"});

  ledger.AddLine("A123", "N", 25);  // entered after the claim
  ledger::Confirm(chain.query, "A123");
  EXPECT_EQ(ledger.Flags("A123"), (std::vector<std::string>{"Y", "Y", "Y", "null", "N"}));
  EXPECT_TRUE(chain.Listed("A123").empty());
  EXPECT_EQ(ledger.Flags("B456"), std::vector<std::string>{"N"});
}

TEST_F(LedgerStatements, statementTexts_areTheLinesEachEndedByCrLf) {
  Chain chain;
  ledger::Mark(chain.query, "A123");
  EXPECT_EQ(chain.query->Text(),
            "UPDATE ADDCASH_SUB SET WR_FLAG = 'W' \r\n WHERE SUBCARD_ID = 'A123'\r\n AND WR_FLAG <> 'Y' \r\n");
  ledger::Confirm(chain.query, " A123");
  EXPECT_EQ(chain.query->Text(),
            "UPDATE ADDCASH_SUB SET WR_FLAG = 'Y' \r\n WHERE SUBCARD_ID = ' A123'\r\n AND WR_FLAG = 'W' \r\n");
  ledger::List(chain.lines, "A123");
  EXPECT_EQ(chain.lines->CommandText, "SELECT * FROM ADDCASH_SUB WHERE WR_FLAG = 'W' AND SUBCARD_ID = 'A123'");
}

TEST_F(LedgerStatements, cardNumbersAreComparedAsTheyStand) {
  ledger.AddLine(" A123", "N", 10);
  ledger.AddLine("A123", "N", 20);
  const std::string injection = "X' OR '1'='1";
  ledger.AddLine(injection, "N", 30);
  Chain chain;
  ledger::Mark(chain.query, " A123");
  EXPECT_EQ(chain.Listed(" A123"), std::vector<double>{10});
  EXPECT_EQ(ledger.Flags("A123"), std::vector<std::string>{"N"});

  ledger::Mark(chain.query, injection);  // a quote stays inside its literal
  EXPECT_EQ(chain.Listed(injection), std::vector<double>{30});
  ledger::Confirm(chain.query, injection);
  EXPECT_EQ(ledger.Flags(injection), std::vector<std::string>{"Y"});
  EXPECT_EQ(ledger.Flags("A123"), std::vector<std::string>{"N"});
  EXPECT_EQ(ledger.Flags(" A123"), std::vector<std::string>{"W"});
  EXPECT_EQ(ledger::Quoted("it's"), "it''s");
  EXPECT_EQ(ledger::Quoted("A123"), "A123");
}

TEST_F(LedgerStatements, amountColumnIsFoundWithoutRegardToCaseAndNullsStayNull) {
  ledger.AddLine("A123", "W", std::nullopt);
  Chain chain;
  ledger::List(chain.lines, "A123");
  ASSERT_FALSE(chain.lines->Eof());
  EXPECT_EQ(chain.lines->FieldByName("add_cash")->FieldName(), "ADD_CASH");
  EXPECT_TRUE(chain.lines->FieldByName("Add_Cash")->IsNull());
  try {
    chain.lines->FieldByName("bonus");
    FAIL();
  } catch (const EDatabaseError &e) {
    EXPECT_EQ(e.Message(), "Field 'bonus' not found");
  }
  EXPECT_EQ(chain.lines->RecordCount(), 1);
}

TEST_F(LedgerStatements, errorsCarryFirebirdsMessageAndCode) {
  Chain chain;
  chain.query->SQL->Clear();
  chain.query->SQL->Add("UPDATE NO_SUCH_TABLE SET X = 1");
  try {
    chain.query->ExecSQL();
    FAIL();
  } catch (const EDatabaseErrorCode &e) {
    EXPECT_NE(e.Message().find("Table unknown"), std::string::npos) << e.Message();
    EXPECT_NE(e.ErrorCode(), 0);
  }
}

TEST_F(LedgerStatements, markingWaitsForAnotherConnectionsUncommittedUpdate) {
  ledger.AddLine("A123", "N", 300);
  Chain chain;
  // Another process (isql-fb, embedded on the same file) holds the line locked.
  const std::string command = "FIREBIRD=" COINLOFT_BUILD_DIR "/firebird isql-fb -q " + ledger.Database() + " > /dev/null";
  FILE *other = popen(command.c_str(), "w");
  ASSERT_NE(other, nullptr);
  std::fputs("SET TRANSACTION READ COMMITTED WAIT;\nUPDATE ADDCASH_SUB SET ADD_CASH = 400;\n", other);
  std::fflush(other);
  std::this_thread::sleep_for(std::chrono::milliseconds(800));
  std::thread committer([other] {
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    std::fputs("COMMIT;\nEXIT;\n", other);
    std::fflush(other);
  });
  const auto start = std::chrono::steady_clock::now();
  try {
    ledger::Mark(chain.query, "A123");
  } catch (const std::exception &e) {
    ADD_FAILURE() << e.what();
  }
  const auto waited = std::chrono::steady_clock::now() - start;
  committer.join();
  pclose(other);
  EXPECT_GE(waited, std::chrono::milliseconds(700));
  EXPECT_EQ(chain.Listed("A123"), std::vector<double>{400});
}

TEST(LedgerServer, statementsRunTheSameOnAServer) {
  FirebirdServer server;
  ASSERT_NE(server.Port(), 0) << server.Error();
  Ledger ledger(server.Path("ledger.fdb"));
  ledger.AddLine("A123", "N", 300);
  ledger.AddLine("A123", "Y", 100);
  Chain chain;
  ledger::Mark(chain.query, "A123");
  EXPECT_EQ(chain.Listed("A123"), std::vector<double>{300});
  ledger::Confirm(chain.query, "A123");
  EXPECT_EQ(ledger.Flags("A123"), (std::vector<std::string>{"Y", "Y"}));
}

TEST(LedgerServer, refusedLoginAndUnreachableServerRaise) {
  FirebirdServer server;
  ASSERT_NE(server.Port(), 0) << server.Error();
  Ledger ledger(server.Path("ledger.fdb"));
  const struct {
    const char *name;
    std::vector<std::pair<std::string, std::string>> overrides;
  } cases[] = {
      {"wrong password", {{"Password", "wrong"}}},
      {"unknown user", {{"User_Name", "nobody"}}},
      {"nothing listening", {{"Database", "127.0.0.1/1:/nowhere.fdb"}}},
  };
  for (const auto &c : cases) {
    ledger.Define(c.overrides);
    EXPECT_THROW(Chain(), EDatabaseError) << c.name;
  }
}

}  // namespace
