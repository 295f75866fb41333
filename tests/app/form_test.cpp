#include "app/FormCoinloft.h"

#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>

#include "platform/codepage.h"
#include "platform/sysutils.h"
#include "card/cipher.h"
#include "ledger/ledger.h"
#include "tests/support/process.h"
#include "tests/support/form_fixture.h"
#include "tests/support/qt_driver.h"

namespace {

using namespace vcl;

class Window : public FormFixture {};

TEST_F(Window, startUp_showsTheFirstArgumentWholeAndTheStartStamp) {
  const struct {
    const char *commandLine;
    const char *card;
  } cases[] = {
      {"coinloft", ""},
      {"coinloft A123 B456", "A123"},
      {"coinloft \"A 123\"", "A 123"},
      {"coinloft 123456789012345678901234", "123456789012345678901234"},
  };
  home.AddReader("R");
  for (const auto &c : cases) {
    TFormCoinloft *form = Start(c.commandLine);
    EXPECT_EQ(form->Ed_Card->Text(), c.card) << c.commandLine;
    EXPECT_EQ(qt_driver::ShownText(form->Ed_Card), cp950::ToWide(c.card)) << c.commandLine;
    const std::string stamp = form->Label3->Caption();
    EXPECT_EQ(stamp.size(), 14u);
    EXPECT_EQ(StrToIntDef(stamp.substr(0, 4), 0), 1900 + [] { std::time_t t = std::time(nullptr); std::tm tm{}; localtime_r(&t, &tm); return tm.tm_year; }());
    EXPECT_TRUE(boxseam::Shown().empty());
    EXPECT_EQ(CardRead, 0);
    EXPECT_TRUE(form->Timer1->Enabled());
    EXPECT_EQ(form->Timer1->Interval(), 200);
    EXPECT_EQ(KeyTable[0], "R2B7Q5X");
    EXPECT_EQ(KeyTable[9], "D7P2Z6G");
    Application->Reset();
  }
}

TEST_F(Window, readerList_followsTheLibraryOrShowsTheNoReaderBox) {
  const struct {
    const char *name;
    std::vector<std::string> readers;
    const char *fault;
    std::vector<std::string> listed;
  } cases[] = {
      {"several", {"USB 1", "ACS 0", "USB 0"}, "", {"ACS 0", "USB 0", "USB 1"}},
      {"library raises", {"R"}, "GetReaderOnSystem raise no service\n", {}},
      {"empty array", {}, "", {}},
      {"empty array planned", {"R"}, "GetReaderOnSystem empty\n", {}},
      {"not an array", {"R"}, "GetReaderOnSystem nonarray\n", {}},
  };
  for (const auto &c : cases) {
    ReaderHome own;
    for (const std::string &r : c.readers) own.AddReader(r);
    own.PlanFaults("", c.fault);
    bool windowShownUnderBox = true;
    boxseam::SetAnswerer([&](const ShownBox &) { windowShownUnderBox = qt_driver::IsShown(FormCoinloft); });
    TFormCoinloft *form = Start();
    EXPECT_EQ(form->ComboReaderName->Items->Items(), c.listed) << c.name;
    if (c.listed.empty()) {
      EXPECT_EQ(boxseam::Shown(), (std::vector<ShownBox>{{BoxKind::Error, "Error", "找不到卡機！"}})) << c.name;
      EXPECT_FALSE(windowShownUnderBox) << c.name;
      EXPECT_EQ(form->ComboReaderName->ItemIndex(), -1) << c.name;
      EXPECT_EQ(form->ComboReaderName->Text(), "") << c.name;
    } else {
      EXPECT_TRUE(boxseam::Shown().empty()) << c.name;
      EXPECT_EQ(form->ComboReaderName->ItemIndex(), 0) << c.name;
      EXPECT_EQ(form->ComboReaderName->Text(), c.listed[0]) << c.name;
    }
    EXPECT_EQ(form->Label3->Caption().size(), 14u) << c.name;
    Application->Reset();
  }
}

TEST_F(Window, noReaderBox_letsThePollTimerReadBehindItBeforeTheStamp) {
  home.PlanFaults("", "GetReaderOnSystem raise no service\n");
  std::string stampUnderBox;
  std::time_t closedAt = 0;
  boxseam::SetAnswerer([&](const ShownBox &) {
    qt_driver::Wait(1100);
    stampUnderBox = FormCoinloft->Label3->Caption();
    closedAt = std::time(nullptr);
  });
  TFormCoinloft *form = Start();
  EXPECT_EQ(stampUnderBox, "Label3");
  EXPECT_EQ(form->Label3->Caption(), FormatDateTime("yyyymmddhhnnss", closedAt)) << "stamp taken once the box closed";
  ASSERT_GE(Log().size(), 3u);  // read attempts with an empty reader name, one per tick
  for (const std::string &line : Log()) EXPECT_EQ(line, "無法讀取卡片資料");
}

TEST_F(Window, tickWhileACardIsHeld_switchesTheTimerOffAndReadsNothing) {
  home.AddReader("R");
  TFormCoinloft *form = Start();
  CardRead = 1;
  qt_driver::Wait(300);
  EXPECT_FALSE(form->Timer1->Enabled());
  EXPECT_TRUE(Log().empty());
}

TEST_F(Window, layout_matchesTheStoredSettings) {
  home.AddReader("R");
  TFormCoinloft *form = Start();
  EXPECT_EQ(form->Caption(), "卡片儲值");
  EXPECT_EQ(form->ClientWidth(), 453);
  EXPECT_EQ(form->ClientHeight(), 336);
  EXPECT_EQ(form->Left(), 279);
  EXPECT_EQ(form->Top(), 193);
  EXPECT_EQ(form->Width(), 461);
  EXPECT_EQ(form->Height(), 370);
  EXPECT_EQ(form->Font().Name, "細明體");
  EXPECT_EQ(form->Font().Height, -13);
  EXPECT_EQ(form->Font().Charset, CHINESEBIG5_CHARSET);
  ASSERT_TRUE(qt_driver::ShowActive(form));
  EXPECT_EQ(qt_driver::FontFamily(form->Memo1), u"AR PL UMing TW");
  EXPECT_EQ(qt_driver::FontPixelSize(form->Edit1), 13);

  struct Edit {
    const char *name;
    TEdit *edit;
    int left, top, width, maxLength, tabOrder;
    const char *text;
  } edits[] = {
      {"Edit7", form->Edit7, 90, 8, 106, 8, 0, ""},       {"Ed_Card", form->Ed_Card, 90, 32, 209, 20, 1, ""},
      {"EditA", form->EditA, 86, 56, 64, 0, 2, "0000000"}, {"EditB", form->EditB, 151, 56, 64, 7, 3, "0000000"},
      {"EditC", form->EditC, 214, 56, 64, 7, 4, "0000000"}, {"EditD", form->EditD, 279, 56, 64, 7, 5, "0000000"},
      {"Ed_Sum", form->Ed_Sum, 86, 80, 121, 0, 6, "0"},     {"Edit1", form->Edit1, 86, 104, 64, 0, 7, "0000000"},
      {"Edit2", form->Edit2, 151, 104, 64, 7, 8, "0000000"}, {"Edit3", form->Edit3, 214, 104, 64, 7, 9, "0000000"},
      {"Edit4", form->Edit4, 279, 104, 64, 7, 10, "0000000"},
  };
  for (const Edit &e : edits) {
    EXPECT_EQ(e.edit->Parent(), form->Panel2) << e.name;
    EXPECT_EQ(e.edit->Left(), e.left) << e.name;
    EXPECT_EQ(e.edit->Top(), e.top) << e.name;
    EXPECT_EQ(e.edit->Width(), e.width) << e.name;
    EXPECT_EQ(e.edit->Height(), 21) << e.name;
    EXPECT_EQ(e.edit->MaxLength(), e.maxLength) << e.name;
    EXPECT_EQ(e.edit->TabOrder(), e.tabOrder) << e.name;
    EXPECT_EQ(e.edit->Text(), e.text) << e.name;
    EXPECT_TRUE(e.edit->ReadOnly() && qt_driver::ReadOnlyWidget(e.edit)) << e.name;
    EXPECT_FALSE(qt_driver::TabReachable(e.edit)) << e.name;
  }
  EXPECT_EQ(form->Edit7->PasswordChar(), '*');
  EXPECT_EQ(qt_driver::EchoMode(form->Edit7), "password");

  // Panels stacked top to bottom; the grid and the log inside their bevels.
  struct Box {
    const char *name;
    TControl *control;
    int left, top, width, height;
  } boxes[] = {
      {"Panel1", form->Panel1, 0, 0, 453, 65},   {"Panel2", form->Panel2, 0, 65, 453, 196},
      {"Panel3", form->Panel3, 0, 261, 453, 75}, {"Memo1", form->Memo1, 1, 1, 451, 73},
      {"DBGrid1", form->DBGrid1, 1, 128, 451, 67}, {"ComboReaderName", form->ComboReaderName, 99, 20, 185, 22},
      {"Button1", form->Button1, 288, 19, 105, 25}, {"SpeedButton1", form->SpeedButton1, 343, 42, 94, 81},
      {"Label9", form->Label9, 24, 13, 65, 17},   {"Label2", form->Label2, 24, 37, 65, 17},
  };
  for (const Box &b : boxes) {
    EXPECT_EQ(b.control->Left(), b.left) << b.name;
    EXPECT_EQ(b.control->Top(), b.top) << b.name;
    EXPECT_EQ(b.control->Width(), b.width) << b.name;
    EXPECT_EQ(b.control->Height(), b.height) << b.name;
  }
  const struct {
    TLabel *label;
    const char *caption;
  } labels[] = {{form->Label1, "卡機選擇"}, {form->Label9, "密碼："}, {form->Label2, "卡號："},
                {form->Label4, "可用餘額"}, {form->Label5, "本次儲值"}, {form->Label6, "可用餘額"}};
  for (const auto &l : labels) EXPECT_EQ(l.label->Caption(), l.caption);

  EXPECT_EQ(form->Button1->Caption(), "Connect");
  EXPECT_EQ(form->SpeedButton1->Caption(), "自動儲值");
  EXPECT_TRUE(form->SpeedButton1->Flat());
  EXPECT_TRUE(form->SpeedButton1->HasGlyph());
  EXPECT_EQ(form->SpeedButton1->Layout(), TButtonLayout::blGlyphTop);
  EXPECT_FALSE(qt_driver::TabReachable(form->SpeedButton1));
  EXPECT_TRUE(qt_driver::TabReachable(form->ComboReaderName));
  EXPECT_TRUE(qt_driver::TabReachable(form->Button1));
  EXPECT_FALSE(qt_driver::TabReachable(form->Memo1));
  EXPECT_FALSE(qt_driver::TabReachable(form->DBGrid1));
  EXPECT_TRUE(form->Memo1->ReadOnly() && qt_driver::ReadOnlyWidget(form->Memo1));
  EXPECT_EQ(form->ComboReaderName->Style(), TComboBoxStyle::csOwnerDrawFixed);
  EXPECT_EQ(form->ComboReaderName->ItemHeight(), 16);
  EXPECT_EQ(form->DBGrid1->ColumnCount(), 2);
  EXPECT_EQ(form->DBGrid1->RowCount(), 0);
  EXPECT_EQ(form->DBGrid1->DataSource(), form->DataSource1);
  EXPECT_EQ(form->DataSource1->DataSet(), form->ClientDataSet1);
  EXPECT_EQ(form->Action1->ShortCut(), 117);
  EXPECT_EQ(form->SQLConnection1->ConnectionName, "Tarnix");
  // Connected while the window was built, with the entry's values in place
  // of the stored ones.
  EXPECT_TRUE(form->SQLConnection1->Connected());
  EXPECT_EQ(form->SQLConnection1->Param("Database"), ledger.Database());
  EXPECT_EQ(form->SQLConnection1->VendorLib, "libfbclient.so.2");
  EXPECT_FALSE(form->SQLConnection1->LoginPrompt);
}

TEST_F(Window, f6_closesTheWindowWhicheverControlHasTheFocus) {
  const struct {
    const char *name;
    bool cardHeld;
    int focus;  // 0 reader list, 1 Connect, 2 log pane
  } cases[] = {{"polling, reader list", false, 0}, {"polling, Connect", false, 1},
               {"card held, log pane", true, 2},   {"card held, Connect", true, 1}};
  home.AddReader("R");
  for (const auto &c : cases) {
    TFormCoinloft *form = Start();
    if (c.cardHeld) CardRead = 1;
    ASSERT_TRUE(qt_driver::ShowActive(form)) << c.name;
    TControl *targets[] = {form->ComboReaderName, form->Button1, form->Memo1};
    qt_driver::Focus(targets[c.focus]);
    EXPECT_TRUE(qt_driver::HasFocus(targets[c.focus])) << c.name;
    qt_driver::Later(50, [] { qt_driver::PressKey(qt_driver::KeyF6()); });
    Application->Run();  // returns once the main window has closed (a hang fails by time-out)
    EXPECT_TRUE(form->Closed()) << c.name;
    Application->Reset();
  }
}

TEST_F(Window, closeButton_closesTheWindow) {
  home.AddReader("R");
  TFormCoinloft *form = Start();
  ASSERT_TRUE(qt_driver::ShowActive(form));
  qt_driver::Later(20, [form] { qt_driver::CloseButton(form); });
  Application->Run();
  EXPECT_TRUE(form->Closed());
}

}  // namespace

namespace {

using namespace vcl;

// Start-up failures of the ledger connection, as the program entry meets them.
class StartUpFailure : public ::testing::Test {
 protected:
  void TearDown() override {
    Application->Reset();
    FormCoinloft = nullptr;
  }
  // Creates the window as main() does; returns the box the failure showed.
  std::vector<ShownBox> StartExpectingFailure() {
    boxseam::Clear();
    try {
      Application->CreateForm(FormCoinloft);
      ADD_FAILURE() << "the window was built";
    } catch (const EDatabaseError &e) {
      Application->ShowFatalException(e);
    }
    return boxseam::Shown();
  }
  ReaderHome home;  // no readers: a FormCreate that ran would show its box
};

TEST_F(StartUpFailure, connectionThatCannotOpen_stopsTheWindowBeforeItsCreationHandler) {
  const struct {
    const char *name;
    std::function<void(Ledger &)> breakIt;
    const char *message;
  } cases[] = {
      {"no definitions file", [](Ledger &l) { std::filesystem::remove(l.Dir() + "/dbxconnections.ini"); },
       "Unable to open the connection definitions file"},
      {"no entry Tarnix",
       [](Ledger &l) { std::ofstream(l.Dir() + "/dbxconnections.ini", std::ios::trunc) << "[Other]\nDatabase=x\n"; },
       "Connection 'Tarnix' not found"},
      {"vendor library missing", [](Ledger &l) { l.WriteDrivers("libnosuchclient.so.9"); },
       "Unable to load the vendor library 'libnosuchclient.so.9'"},
      {"server unreachable", [](Ledger &l) { l.Define({{"Database", "127.0.0.1/1:/nowhere/POSDATA.FDB"}}); },
       "Unable to complete network request"},
  };
  for (const auto &c : cases) {
    Ledger ledger;
    c.breakIt(ledger);
    const std::vector<ShownBox> boxes = StartExpectingFailure();
    ASSERT_EQ(boxes.size(), 1u) << c.name;
    EXPECT_EQ(boxes[0].kind, BoxKind::ApplicationError) << c.name;
    EXPECT_EQ(boxes[0].caption, "Application Error") << c.name;
    const std::string &text = boxes[0].text;
    EXPECT_EQ(text.rfind("Exception EDatabaseError in module coinloft at ", 0), 0u) << c.name << ": " << text;
    const size_t lineBreak = text.find('\n');
    ASSERT_NE(lineBreak, std::string::npos) << c.name;
    EXPECT_EQ(text[lineBreak - 1], '.') << c.name;
    EXPECT_NE(text.find(c.message, lineBreak), std::string::npos) << c.name << ": " << text;
    EXPECT_EQ(FormCoinloft, nullptr) << c.name;
  }
}

TEST_F(StartUpFailure, refusedLogin_stopsTheWindow) {
  FirebirdServer server;
  ASSERT_NE(server.Port(), 0) << server.Error();
  Ledger ledger(server.Path("POSDATA.FDB"));
  ledger.Define({{"Password", "not-the-password"}});
  const std::vector<ShownBox> boxes = StartExpectingFailure();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].text.find("user name and password are not defined"), std::string::npos) << boxes[0].text;
}

class WindowLedger : public FormFixture {};

TEST_F(WindowLedger, lineAddedByAnotherProgramWhileTheWindowRuns_isToppedUpAtTheNextRead) {
  card::FillKeyTable(KeyTable);
  home.LaySealedCard("R", "A123", 1200, 1000, 300, 100);
  TFormCoinloft *form = Start("coinloft A123");
  form->Timer1->SetEnabled(false);
  form->Button1->Click();  // nothing pending yet
  EXPECT_EQ(Log().back(), "無儲值資料..!");

  // The shop's programs open the same ledger file while the window holds it.
  const process::Result add = process::Run({process::BuildDir() + "/coinloft-ledger", "add", "A123", "300"}, {}, 20000);
  ASSERT_EQ(add.exitStatus, 0) << add.stdErr;
  form->Button1->Click();
  EXPECT_EQ(ledger.Flags("A123"), std::vector<std::string>{"Y"});
  EXPECT_EQ(form->Edit1->Text(), "0001500");
  EXPECT_EQ(form->DBGrid1->RowCount(), 1);
  EXPECT_EQ(boxseam::Shown().back().text, "寫入成功");
}

}  // namespace
