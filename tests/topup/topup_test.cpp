// The top-up run against a real virtual reader and a real Firebird ledger.
#include <gtest/gtest.h>

#include <array>
#include <functional>

#include "app/FormCoinloft.h"
#include "card/cipher.h"
#include "card/record.h"
#include "platform/sysutils.h"
#include "tests/support/form_fixture.h"
#include "topup/journal.h"

namespace {

using namespace vcl;

const std::string kDash = "--------------";
const std::vector<std::string> kReadLines = {kDash, "日期檢查成功", "卡片資料檢查成功"};

std::array<int, 4> Amounts(const qvcard::Card &card) {
  const std::array<std::string, 4> plain = card::DecodeAmounts(card.fields[1], card.fields[2].substr(0, 14));
  return {StrToIntDef(plain[0], -1), StrToIntDef(plain[1], -1), StrToIntDef(plain[2], -1), StrToIntDef(plain[3], -1)};
}

class TopUp : public FormFixture {
 protected:
  void SetUp() override { card::FillKeyTable(KeyTable); }
  // The typical card: 1200 available; lines of 300 and 200 wait for it.
  TFormCoinloft *StartWithCard(const std::string &number = "A123", int a = 1200, int b = 1000, int c = 300,
                               int d = 100) {
    home.LaySealedCard("R", number, a, b, c, d);
    TFormCoinloft *form = Start("coinloft " + number);
    form->Timer1->SetEnabled(false);
    return form;
  }
  std::vector<std::string> Boxes() const {
    std::vector<std::string> texts;
    for (const ShownBox &box : boxseam::Shown()) texts.push_back(box.caption + ": " + box.text);
    return texts;
  }
};

TEST_F(TopUp, typicalCard_isWrittenAndItsLinesConfirmed) {
  ledger.AddLine("A123", "N", 300);
  ledger.AddLine("A123", "N", 200);
  ledger.AddLine("B456", "N", 999);
  TFormCoinloft *form = StartWithCard();
  std::vector<std::string> linesUnderBox;
  boxseam::SetAnswerer([&](const ShownBox &) { linesUnderBox = ledger.Flags("A123"); });
  form->Button1->Click();

  EXPECT_EQ(Boxes(), std::vector<std::string>{"Information: 寫入成功"});
  EXPECT_EQ(form->Ed_Sum->Text(), "    500");
  EXPECT_EQ(form->Edit1->Text(), "0001700");
  EXPECT_EQ(form->Edit2->Text(), "0001200");
  EXPECT_EQ(form->Edit3->Text(), "0000500");
  EXPECT_EQ(form->Edit4->Text(), "0000000");
  const qvcard::Card card = home.CardIn("R");
  ASSERT_EQ(card.fields.size(), 6u);
  EXPECT_EQ(Amounts(card), (std::array<int, 4>{1700, 1200, 500, 0}));
  EXPECT_EQ(card.fields[2].substr(0, 14), form->Label3->Caption());
  EXPECT_EQ(TFormCoinloft::Date_Rtn_Pass(card.fields[2]), "OK");
  EXPECT_EQ(card.fields[3], "ABC");
  EXPECT_EQ(card.fields[4], "");
  EXPECT_EQ(Log(), (std::vector<std::string>{"A123", card.fields[1], card.fields[2], "ABC"}));
  EXPECT_EQ(ledger.Flags("A123"), (std::vector<std::string>{"Y", "Y"}));
  EXPECT_EQ(linesUnderBox, (std::vector<std::string>{"Y", "Y"})) << "confirmed before the operator closes the box";
  EXPECT_EQ(ledger.Flags("B456"), std::vector<std::string>{"N"});
  EXPECT_EQ(LastWriteResult, 0);
  EXPECT_FALSE(topup::FindJournalEntry("A123"));
  EXPECT_EQ(form->DBGrid1->RowCount(), 2);

  // Read again: the card passes its checks and nothing is pending any more.
  boxseam::Clear();
  form->Button1->Click();
  std::vector<std::string> expected = kReadLines;
  expected.push_back("無儲值資料..!");
  const std::vector<std::string> log = Log();
  EXPECT_EQ(std::vector<std::string>(log.end() - 4, log.end()), expected);
  EXPECT_EQ(form->EditA->Text(), "0001700");
  EXPECT_EQ(form->Ed_Sum->Text(), "      0");
  EXPECT_TRUE(Boxes().empty());
  EXPECT_EQ(home.CardIn("R"), card);
}

TEST_F(TopUp, writeOutcomes_followTheLibrarysResult) {
  const struct {
    const char *name;
    const char *fault;
    std::vector<std::string> boxes;
    int32_t result;  // LastWriteResult afterwards (99: left as it was)
    bool written;
  } cases[] = {
      {"length refused", "SetCardData return -1201\n", {"Error: 傳入資料長度錯誤！！"}, -1201, false},
      {"write failed", "SetCardData return -1111\n", {"Error: 資料寫入錯誤"}, -1111, false},
      {"password refused", "SetCardData return -1110\n", {"Error: 卡片密碼錯誤，請勿再試以免卡片毀損！"}, -1110, false},
      {"another result", "SetCardData return 7\n", {}, 7, false},
      {"library raises", "SetCardData raise\n", {"Error: 無法寫入卡片資料"}, 99, false},
  };
  for (const auto &c : cases) {
    Ledger own;
    own.AddLine("A123", "N", 300);
    own.AddLine("A123", "N", 200);
    TFormCoinloft *form = StartWithCard();
    const qvcard::Card before = home.CardIn("R");
    home.PlanFaults("R", c.fault);
    LastWriteResult = 99;
    form->Button1->Click();
    EXPECT_EQ(Boxes(), c.boxes) << c.name;
    EXPECT_EQ(LastWriteResult, c.result) << c.name;
    EXPECT_EQ(home.CardIn("R") == before, !c.written) << c.name;
    EXPECT_EQ(own.Flags("A123"), (std::vector<std::string>{"W", "W"})) << c.name;
    ASSERT_EQ(Log().size(), 4u) << c.name;
    EXPECT_EQ(Log()[0], "A123") << c.name;

    // The next run lists the lines again and, with the card willing, writes them.
    boxseam::Clear();
    form->Button1->Click();
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Information: 寫入成功"}) << c.name;
    EXPECT_EQ(Amounts(home.CardIn("R")), (std::array<int, 4>{1700, 1200, 500, 0})) << c.name;
    EXPECT_EQ(own.Flags("A123"), (std::vector<std::string>{"Y", "Y"})) << c.name;
    Application->Reset();
  }
}

TEST_F(TopUp, nothingToWrite_logsAndLeavesTheCard) {
  const struct {
    const char *name;
    std::vector<double> amounts;
    std::vector<std::string> flagsAfter;
  } cases[] = {
      {"no line", {}, {}},
      {"500 and -500", {500, -500}, {"W", "W"}},
  };
  for (const auto &c : cases) {
    Ledger own;
    for (double amount : c.amounts) own.AddLine("A123", "N", amount);
    TFormCoinloft *form = StartWithCard();
    const qvcard::Card before = home.CardIn("R");
    form->Button1->Click();
    std::vector<std::string> expected = kReadLines;
    expected.push_back("無儲值資料..!");
    EXPECT_EQ(Log(), expected) << c.name;
    EXPECT_EQ(form->Ed_Sum->Text(), "      0") << c.name;
    EXPECT_EQ(form->Edit1->Text(), "0000000") << c.name;
    EXPECT_TRUE(Boxes().empty()) << c.name;
    EXPECT_EQ(home.CardIn("R"), before) << c.name;
    EXPECT_EQ(own.Flags("A123"), c.flagsAfter) << c.name;
    Application->Reset();
  }
}

TEST_F(TopUp, nullAmount_endsInTheStandardErrorBoxWithoutWriting) {
  ledger.AddLine("A123", "N", 300);
  ledger.AddLine("A123", "N", std::nullopt);
  TFormCoinloft *form = StartWithCard();
  const qvcard::Card before = home.CardIn("R");
  form->Button1->Click();
  // The message ends in ')', which sorts before '.': no full stop is added.
  EXPECT_EQ(Boxes(), std::vector<std::string>{"coinloft: Could not convert variant of type (Null) into type (Double)"});
  EXPECT_EQ(form->Ed_Sum->Text(), "0");
  EXPECT_EQ(Log(), kReadLines);
  EXPECT_EQ(home.CardIn("R"), before);
  EXPECT_EQ(ledger.Flags("A123"), (std::vector<std::string>{"W", "W"}));
}

TEST_F(TopUp, blanksAroundTheCardNumber_reachTheLedgerButNotTheCard) {
  ledger.AddLine(" A123 ", "N", 300);
  ledger.AddLine("A123", "N", 50);
  const std::string stamp = "20261211093000";
  home.LayCard("R", {" A123 ", card::AmountBlock(1200, 1000, 300, 100, stamp), TFormCoinloft::Date_Chg_Pass(stamp), "ABC"});
  TFormCoinloft *form = Start("coinloft A123");
  form->Timer1->SetEnabled(false);
  form->Button1->Click();
  EXPECT_EQ(form->Ed_Card->Text(), " A123 ");
  EXPECT_EQ(home.CardIn("R").fields[0], "A123");
  EXPECT_EQ(Log()[0], "A123");
  EXPECT_EQ(Amounts(home.CardIn("R"))[0], 1500);
  EXPECT_EQ(ledger.Flags(" A123 "), std::vector<std::string>{"Y"});
  EXPECT_EQ(ledger.Flags("A123"), std::vector<std::string>{"N"});
}

TEST_F(TopUp, amountsThatCannotBeWritten_areRefusedBeforeEncoding) {
  const struct {
    const char *name;
    int balance;
    std::vector<double> amounts;
    const char *refusal;
  } cases[] = {
      {"fractional total", 1200, {300.5}, "儲值金額不是整數，無法寫入卡片"},
      {"negative total", 1200, {-300}, "儲值金額為負數，無法寫入卡片"},
      {"balance past seven digits", 9999900, {200}, "儲值後餘額超過 9999999，無法寫入卡片"},
      {"total past 32 bits", 0, {3e9}, "儲值後餘額超過 9999999，無法寫入卡片"},
  };
  for (const auto &c : cases) {
    Ledger own;
    for (double amount : c.amounts) own.AddLine("A123", "N", amount);
    TFormCoinloft *form = StartWithCard("A123", c.balance, c.balance, 0, 0);
    const qvcard::Card before = home.CardIn("R");
    form->Button1->Click();
    EXPECT_EQ(Boxes(), std::vector<std::string>{std::string("Error: ") + c.refusal}) << c.name;
    EXPECT_EQ(Log().back(), c.refusal) << c.name;
    EXPECT_EQ(home.CardIn("R"), before) << c.name;
    EXPECT_EQ(own.Flags("A123"), std::vector<std::string>{"W"}) << c.name;
    EXPECT_EQ(form->Edit1->Text(), "0000000") << c.name;
    Application->Reset();
  }
}

TEST_F(TopUp, buttonWithoutAVerifiedCard_refusesAndClaimsNothing) {
  ledger.AddLine("A123", "N", 300);
  const struct {
    const char *name;
    std::function<void(ReaderHome &)> card;
  } cases[] = {
      {"before any read", [](ReaderHome &h) { h.LaySealedCard("R", "A123", 1200, 1000, 300, 100); }},
      {"after a failed read", [](ReaderHome &) {}},
      {"after a failed check", [](ReaderHome &h) { h.LaySealedCard("R", "A123", 1200, 1000, 300, 99); }},
  };
  for (const auto &c : cases) {
    home.AddReader("R");
    qvcard::RemoveCard("R");
    c.card(home);
    TFormCoinloft *form = Start("coinloft A123");
    form->Timer1->SetEnabled(false);
    if (std::string(c.name) != "before any read") form->Button1->Click();
    boxseam::Clear();
    form->SpeedButton1->Click();
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Error: 請先讀取並通過檢查卡片，才能儲值"}) << c.name;
    EXPECT_EQ(ledger.Flags("A123"), std::vector<std::string>{"N"}) << c.name;
    Application->Reset();
  }
}

TEST_F(TopUp, buttonAfterTheCardWasSwapped_refusesToWriteTheOtherCard) {
  TFormCoinloft *form = StartWithCard();
  form->Button1->Click();  // verified; nothing pending yet
  ledger.AddLine("A123", "N", 300);
  home.LaySealedCard("R", "B456", 50, 50, 0, 0);
  const qvcard::Card other = home.CardIn("R");
  boxseam::Clear();
  form->SpeedButton1->Click();
  EXPECT_EQ(Boxes(), std::vector<std::string>{"Error: 讀卡機中的卡片已不是剛才檢查的卡片，請重新讀取"});
  EXPECT_EQ(home.CardIn("R"), other);
  EXPECT_EQ(ledger.Flags("A123"), std::vector<std::string>{"W"});

  // With the verified card back in the reader the button writes it.
  home.LaySealedCard("R", "A123", 1200, 1000, 300, 100);
  boxseam::Clear();
  form->SpeedButton1->Click();
  EXPECT_EQ(Boxes(), std::vector<std::string>{"Information: 寫入成功"});
  EXPECT_EQ(Amounts(home.CardIn("R"))[0], 1500);
  EXPECT_EQ(ledger.Flags("A123"), std::vector<std::string>{"Y"});
}

TEST_F(TopUp, failedConfirmation_isSettledByTheCardWithoutCreditingTwice) {
  ledger.AddLine("A123", "N", 300);
  ledger.AddLine("A123", "N", 200);
  ledger.Exec("CREATE EXCEPTION NO_CONFIRM 'confirmation refused'");
  ledger.Exec("CREATE TRIGGER ADDCASH_NO_Y FOR ADDCASH_SUB BEFORE UPDATE AS BEGIN "
              "IF (NEW.WR_FLAG = 'Y') THEN EXCEPTION NO_CONFIRM; END");
  TFormCoinloft *form = StartWithCard();
  form->Button1->Click();
  EXPECT_EQ(Boxes(), (std::vector<std::string>{"Information: 寫入成功", "Error: 無法寫入卡片資料"}));
  EXPECT_EQ(LastWriteResult, 0);
  EXPECT_EQ(ledger.Flags("A123"), (std::vector<std::string>{"W", "W"}));
  const qvcard::Card written = home.CardIn("R");
  EXPECT_EQ(Amounts(written)[0], 1700);
  ASSERT_TRUE(topup::FindJournalEntry("A123"));

  // The ledger accepts confirmations again; a line arrives meanwhile. The
  // next read finds the journaled record on the card: the two lines are
  // confirmed without crediting them again, and only the new one is added.
  ledger.Exec("DROP TRIGGER ADDCASH_NO_Y");
  ledger.AddLine("A123", "N", 40);
  boxseam::Clear();
  form->Button1->Click();
  EXPECT_EQ(Boxes(), std::vector<std::string>{"Information: 寫入成功"});
  EXPECT_EQ(ledger.Flags("A123"), (std::vector<std::string>{"Y", "Y", "Y"}));
  EXPECT_EQ(Amounts(home.CardIn("R")), (std::array<int, 4>{1740, 1700, 40, 0}));
  EXPECT_FALSE(topup::FindJournalEntry("A123"));
}

TEST_F(TopUp, journalEntryTheCardDoesNotMatch_isKeptForAPerson) {
  ledger.AddLine("A123", "N", 300);
  home.LaySealedCard("R", "A123", 1200, 1000, 300, 100);
  const topup::JournalEntry stale{"A123", {"A123", "x", "y"}, {"A123", "p", "q"}};
  topup::WriteJournalEntry(stale);
  TFormCoinloft *form = Start("coinloft A123");
  form->Timer1->SetEnabled(false);
  const qvcard::Card before = home.CardIn("R");
  form->Button1->Click();
  EXPECT_EQ(Boxes(), std::vector<std::string>{"Error: 此卡有未完成的寫入紀錄，與卡片內容不符，請人工核對"});
  EXPECT_EQ(home.CardIn("R"), before);
  EXPECT_EQ(ledger.Flags("A123"), std::vector<std::string>{"N"});
  EXPECT_EQ(topup::FindJournalEntry("A123"), stale);
}

TEST_F(TopUp, twoWritesInOneRun_carryTheSameStartStamp) {
  ledger.AddLine("A123", "N", 300);
  TFormCoinloft *form = StartWithCard();
  form->Button1->Click();
  const std::string first = home.CardIn("R").fields[2];
  ledger.AddLine("A123", "N", 100);
  form->Button1->Click();
  EXPECT_EQ(home.CardIn("R").fields[2], first);
  EXPECT_EQ(Amounts(home.CardIn("R")), (std::array<int, 4>{1600, 1500, 100, 0}));
}

}  // namespace
