#include <gtest/gtest.h>

#include <algorithm>

#include "app/FormCoinloft.h"
#include "card/cipher.h"
#include "card/record.h"
#include "platform/sysutils.h"
#include "tests/support/form_fixture.h"
#include "tests/support/qt_driver.h"

namespace {

using namespace vcl;

const std::string kStamp = "20261211093015";
const std::string kDash = "--------------";

std::string Seal(const std::string &stamp = kStamp) { return TFormCoinloft::Date_Chg_Pass(stamp); }
std::string Block(int a, int b, int c, int d) { return card::AmountBlock(a, b, c, d, kStamp); }

// The group that the cipher would make for these seven plain characters,
// digits or not: for cards that no sound writer produces.
std::string Scramble(const std::string &plain, int offset, const std::string &stamp) {
  const std::string digits = stamp.substr(4, 10) + stamp.substr(4, 10) + stamp.substr(4, 10);
  const std::string window = digits.substr(static_cast<size_t>(offset + (stamp[13] - '0') - 1), 7);
  std::string group;
  for (size_t i = 0; i < 7; ++i) {
    int sum = static_cast<unsigned char>(plain[i]) + KeyTable[static_cast<size_t>(window[i] - '0')][6 - i];
    if (sum > 128) sum -= 128;
    group += static_cast<char>(sum);
  }
  return group;
}

class ReadAttempt : public FormFixture {
 protected:
  void SetUp() override { card::FillKeyTable(KeyTable); }
  // Starts the window with the poll timer stopped, so that only the click reads.
  TFormCoinloft *StartStill(const std::string &commandLine = "coinloft") {
    home.AddReader("R");
    TFormCoinloft *form = Start(commandLine);
    form->Timer1->SetEnabled(false);
    return form;
  }
};

TEST_F(ReadAttempt, outcomes_logChangeStateAndShowTheCard) {
  std::string notANumber = Block(9999999, 100, 0, 100);
  notANumber[0] = static_cast<char>(notANumber[0] + 1);  // A decodes to a non-digit first character
  std::string wrongSeal = Seal();
  wrongSeal[9] = wrongSeal[9] == '1' ? '2' : '1';
  const std::string letterSeal = Seal().substr(0, 13) + "X" + Seal().substr(14);
  // A stamp with '/' as character 8, which only the amount windows meet: its
  // check groups are made with the key windows of the all-digit stamp (the
  // same for offsets 6 and 7) and carry the '/', so the seal checks OK.
  const std::string digitStamp = "20261210093010", oddStamp = "2026121/093010";
  const std::string oddSeal = oddStamp + Scramble("1121/06", 6, digitStamp) + Scramble("2930107", 7, digitStamp);
  struct Case {
    const char *name;
    std::vector<std::string> fields;  // empty: no card
    std::string password;
    std::string faults;
    std::vector<std::string> log;
    uint8_t cardRead;
    std::vector<ShownBox> boxes;
    const char *cardBox;
    std::array<const char *, 4> amounts;
  } cases[] = {
      {"no card", {}, "8093572", "", {"無法讀取卡片資料"}, 0, {}, "CMD1", {"0000000", "0000000", "0000000", "0000000"}},
      {"library raises", {"A123", Block(1, 1, 1, 1), Seal(), "ABC"}, "8093572", "GetCardData raise\n",
       {"無法讀取卡片資料"}, 0, {}, "CMD1", {"0000000", "0000000", "0000000", "0000000"}},
      {"not an array", {"A123", Block(1, 1, 1, 1), Seal(), "ABC"}, "8093572", "GetCardData nonarray\n",
       {"無法讀取卡片資料"}, 0, {}, "CMD1", {"0000000", "0000000", "0000000", "0000000"}},
      {"wrong password", {"A123", Block(150, 100, 80, 30), Seal(), "ABC"}, "1234567", "",
       {"卡片位開卡不可使用", "無法讀取卡片資料"}, 0, {}, "A123", {"0000000", "0000000", "0000000", "0000000"}},
      {"short record", {"A123", Block(150, 100, 80, 30)}, "8093572", "", {"無法讀取卡片資料"}, 0, {}, "A123",
       {"0000000", "0000000", "0000000", "0000000"}},
      {"bad seal", {"A123", Block(150, 100, 80, 30), wrongSeal, "ABC"}, "8093572", "",
       {kDash, wrongSeal + ">日期檢查失敗"}, 1, {}, "A123", {"0000000", "0000000", "0000000", "0000000"}},
      {"empty seal", {"A123", Block(150, 100, 80, 30), "", "ABC"}, "8093572", "", {kDash, ">日期檢查失敗"}, 1, {},
       "A123", {"0000000", "0000000", "0000000", "0000000"}},
      {"letter in the stamp", {"A123", Block(150, 100, 80, 30), letterSeal, "ABC"}, "8093572", "", {kDash}, 1,
       {{BoxKind::StandardError, "coinloft", "'X' is not a valid integer value."}}, "A123",
       {"0000000", "0000000", "0000000", "0000000"}},
      {"letter only the decoding meets", {"A123", Block(150, 100, 80, 30), oddSeal, "ABC"}, "8093572", "",
       {kDash, "日期檢查成功"}, 1, {{BoxKind::StandardError, "coinloft", "'/' is not a valid integer value."}}, "A123",
       {"0000000", "0000000", "0000000", "0000000"}},
      {"short block", {"A123", Block(150, 100, 80, 30).substr(0, 27), Seal(), "ABC"}, "8093572", "",
       {kDash, "日期檢查成功", "卡片資料異常"}, 1, {}, "A123", {"0000000", "0000000", "0000000", "0000000"}},
      {"broken balance", {"A123", Block(150, 100, 80, 29), Seal(), "ABC"}, "8093572", "",
       {kDash, "日期檢查成功", "卡片資料異常"}, 1, {}, "A123", {"0000150", "0000100", "0000080", "0000029"}},
      {"sound card", {"A123", Block(150, 100, 80, 30), Seal(), "ABC", "", ""}, "8093572", "",
       {kDash, "日期檢查成功", "卡片資料檢查成功", "無儲值資料..!"}, 1, {}, "A123", {"0000150", "0000100", "0000080", "0000030"}},
      {"sound card of four fields", {"B7", Block(0, 0, 0, 0), Seal(), "XYZ"}, "8093572", "",
       {kDash, "日期檢查成功", "卡片資料檢查成功", "無儲值資料..!"}, 1, {}, "B7", {"0000000", "0000000", "0000000", "0000000"}},
      {"non-numeric amount counts as 0", {"A123", notANumber, Seal(), "ABC"}, "8093572", "",
       {kDash, "日期檢查成功", "卡片資料檢查成功", "無儲值資料..!"}, 1, {}, "A123", {":999999", "0000100", "0000000", "0000100"}},
  };
  for (const Case &c : cases) {
    TFormCoinloft *form = StartStill("coinloft CMD1");
    if (!c.fields.empty()) home.LayCard("R", c.fields, c.password);
    home.PlanFaults("R", c.faults);
    form->Button1->Click();
    EXPECT_EQ(Log(), c.log) << c.name;
    EXPECT_EQ(CardRead, c.cardRead) << c.name;
    EXPECT_EQ(form->Timer1->Enabled(), c.cardRead == 0) << c.name;
    EXPECT_EQ(boxseam::Shown(), c.boxes) << c.name;
    EXPECT_EQ(form->Ed_Card->Text(), c.cardBox) << c.name;
    EXPECT_EQ(form->EditA->Text(), c.amounts[0]) << c.name;
    EXPECT_EQ(form->EditB->Text(), c.amounts[1]) << c.name;
    EXPECT_EQ(form->EditC->Text(), c.amounts[2]) << c.name;
    EXPECT_EQ(form->EditD->Text(), c.amounts[3]) << c.name;
    if (c.fields.size() >= 3 && c.cardRead) {
      EXPECT_EQ(CardFields, c.fields) << c.name;
    }
    Application->Reset();
    qvcard::RemoveCard("R");
  }
}

TEST_F(ReadAttempt, polling_goesOnUntilACardArrivesThenStops) {
  home.AddReader("R");
  TFormCoinloft *form = Start("coinloft");
  qt_driver::Wait(700);
  const size_t empty = Log().size();
  EXPECT_GE(empty, 2u);
  for (const std::string &line : Log()) EXPECT_EQ(line, "無法讀取卡片資料");
  home.LaySealedCard("R", "A123", 150, 100, 80, 29);  // read, then held: its balance fails
  qt_driver::Wait(500);
  EXPECT_EQ(CardRead, 1);
  EXPECT_FALSE(form->Timer1->Enabled());
  const std::vector<std::string> held = Log();
  EXPECT_EQ(std::vector<std::string>(held.end() - 3, held.end()),
            (std::vector<std::string>{kDash, "日期檢查成功", "卡片資料異常"}));
  qt_driver::Wait(500);
  EXPECT_EQ(Log().size(), held.size()) << "no attempt while a card is held";

  // Connect reads again; with the card gone polling resumes.
  qvcard::RemoveCard("R");
  form->Button1->Click();
  EXPECT_EQ(Log().back(), "無法讀取卡片資料");
  EXPECT_EQ(CardRead, 0);
  EXPECT_TRUE(form->Timer1->Enabled());
  qt_driver::Wait(500);
  EXPECT_GT(Log().size(), held.size() + 1);
}

TEST_F(ReadAttempt, logPane_keepsControlCharactersOfTheSealInOneLine) {
  TFormCoinloft *form = StartStill();
  // Find a stamp whose seal holds a control character, and break its check.
  std::string seal;
  for (int s = 0; s < 60 && seal.empty(); ++s) {
    const std::string candidate = TFormCoinloft::Date_Chg_Pass(Format("202612110930%02d", s));
    for (size_t i = 14; i < 28; ++i) {
      if (candidate[i] == '\t' || candidate[i] == '\n' || candidate[i] == '\r') seal = candidate;
    }
  }
  ASSERT_FALSE(seal.empty());
  std::string broken = seal;
  broken[5] = broken[5] == '1' ? '2' : '1';
  home.LayCard("R", {"A123", Block(1, 1, 1, 1), broken, "ABC"});
  form->Button1->Click();
  ASSERT_EQ(form->Memo1->Lines->Count(), 2);
  EXPECT_EQ(form->Memo1->Lines->Strings(1), broken + ">日期檢查失敗");
  const std::u16string shown = qt_driver::ShownLines(form->Memo1);
  EXPECT_EQ(std::count(shown.begin(), shown.end(), u'\n'), 1) << "two lines on the screen";
}

}  // namespace
