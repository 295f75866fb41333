// The real program killed with SIGKILL at each point of a top-up run, then
// started again and left to finish: the card's balance has grown by exactly
// the sum of the lines now written, whatever point the kill hit.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <functional>

#include "app/FormCoinloft.h"
#include "card/cipher.h"
#include "card/record.h"
#include "platform/sysutils.h"
#include "tests/support/form_fixture.h"
#include "tests/support/process.h"
#include "topup/journal.h"

namespace {

using namespace vcl;

class Crash : public FormFixture {
 public:
  void SetUp() override { card::FillKeyTable(KeyTable); }

  std::unique_ptr<process::Child> StartProgram() {
    return std::make_unique<process::Child>(std::vector<std::string>{process::BuildDir() + "/coinloft", "A123"},
                                            std::vector<std::string>{"QT_QPA_PLATFORM=offscreen"});
  }
  // Polls until the condition holds (true) or about ms have passed (false).
  static bool WaitFor(const std::function<bool()> &condition, int ms) {
    for (int waited = 0; waited < ms; waited += 10) {
      if (condition()) return true;
      usleep(10000);
    }
    return condition();
  }
  int Balance() {
    const qvcard::Card card = home.CardIn("R");
    return StrToIntDef(card::DecodeAmounts(card.fields[1], card.fields[2].substr(0, 14))[0], -1);
  }
  bool Has(const std::string &flag) {
    for (const std::string &f : ledger.Flags("A123")) {
      if (f == flag) return true;
    }
    return false;
  }
  bool JournalOpen() { return static_cast<bool>(topup::FindJournalEntry("A123")); }
  int WrittenSum() {
    int sum = 0;
    for (const auto &row :
         ledger.Query("SELECT ADD_CASH FROM ADDCASH_SUB WHERE SUBCARD_ID = 'A123' AND WR_FLAG = 'Y'").rows) {
      sum += static_cast<int>(VarToDouble(row[0].Raw()));
    }
    return sum;
  }
};

struct KillPoint {
  const char *name;
  const char *fault;  // planned in the reader before the first run
  bool slowListing;   // the test database makes the listing take seconds
  bool (*reached)(Crash &);
};

void PrintTo(const KillPoint &point, std::ostream *out) { *out << point.name; }

class CrashAt : public Crash, public ::testing::WithParamInterface<KillPoint> {};

TEST_P(CrashAt, killedThereAndStartedAgain_neitherCreditsTwiceNorLosesALine) {
  const KillPoint &c = GetParam();
  ledger.AddLine("A123", "N", 300);
  ledger.AddLine("A123", "N", 200);
  home.LaySealedCard("R", "A123", 1200, 1000, 300, 100);
  home.PlanFaults("R", c.fault);
  if (c.slowListing) {
    ledger.Exec("CREATE FUNCTION SLOW_VALUE RETURNS INTEGER AS DECLARE i INTEGER = 0; BEGIN "
                "WHILE (i < 1500000) DO i = i + 1; RETURN 0; END");
    ledger.Exec("ALTER TABLE ADDCASH_SUB ADD SLOW_COLUMN COMPUTED BY (SLOW_VALUE())");
  }

  auto first = StartProgram();
  ASSERT_TRUE(WaitFor([&] { return c.reached(*this); }, 20000)) << "the run never got there";
  kill(first->Pid(), SIGKILL);
  first->Wait(5000);

  if (c.slowListing) ledger.Exec("ALTER TABLE ADDCASH_SUB DROP SLOW_COLUMN");
  std::filesystem::remove(home.Path() + "/R/faults");
  auto second = StartProgram();
  EXPECT_TRUE(WaitFor([&] { return !Has("W") && !Has("N") && !JournalOpen(); }, 20000));
  usleep(1000000);  // let it finish whatever it does after that
  kill(second->Pid(), SIGKILL);
  const process::Result r = second->Wait(5000);

  EXPECT_EQ(WrittenSum(), 500);
  EXPECT_EQ(Balance(), 1200 + WrittenSum()) << r.stdErr;
  EXPECT_EQ(TFormCoinloft::Date_Rtn_Pass(home.CardIn("R").fields[2]), "OK");
  EXPECT_FALSE(JournalOpen());
}

INSTANTIATE_TEST_SUITE_P(
    Points, CrashAt,
    ::testing::Values(
        KillPoint{"afterClaiming", "", true, [](Crash &t) { return t.Has("W"); }},
        KillPoint{"justBeforeTheWrite", "SetCardData wait 3000\n", false, [](Crash &t) { return t.JournalOpen(); }},
        KillPoint{"justAfterTheWrite", "SetCardData write-wait 3000\n", false,
                  [](Crash &t) { return t.Balance() == 1700; }},
        KillPoint{"whileTheSuccessBoxIsOpen", "", false,
                  [](Crash &t) { return !t.Has("W") && !t.Has("N") && (usleep(300000), true); }},
        KillPoint{"afterConfirming", "", false, [](Crash &t) { return !t.Has("W") && !t.Has("N"); }}),
    [](const ::testing::TestParamInfo<KillPoint> &info) { return std::string(info.param.name); });

}  // namespace
