#include "platform/vcl.h"

#include <gtest/gtest.h>

#include "platform/dialogs.h"
#include "platform/sysutils.h"
#include "tests/support/qt_driver.h"

namespace {

using namespace vcl;

class Framework : public ::testing::Test {
 protected:
  void SetUp() override { boxseam::Clear(); }
  void TearDown() override { boxseam::SetAnswerer([](const ShownBox &) {}); }
};

TEST_F(Framework, timerTicks_goOnInsideAModalBox) {
  TForm form(nullptr);
  TTimer *timer = Create<TTimer>(&form);
  int ticks = 0;
  timer->SetInterval(20);
  timer->OnTimer = [&](TObject *) { ++ticks; };
  int ticksWhileOpen = -1;
  boxseam::SetAnswerer([&](const ShownBox &) {
    const int before = ticks;
    qt_driver::Wait(200);
    ticksWhileOpen = ticks - before;
  });
  MessageDlg("x", TMsgDlgType::mtInformation, mbOK, 0);
  EXPECT_GE(ticksWhileOpen, 3);
}

TEST_F(Framework, enablingARunningTimer_keepsItsPace) {
  TForm form(nullptr);
  TTimer *timer = Create<TTimer>(&form);
  int ticks = 0;
  timer->SetInterval(100);
  timer->OnTimer = [&](TObject *) { ++ticks; };
  for (int i = 0; i < 15; ++i) {  // re-enabling every 20 ms must not postpone the tick
    qt_driver::Wait(20);
    timer->SetEnabled(true);
  }
  EXPECT_GE(ticks, 2);
  timer->SetEnabled(false);
  const int stopped = ticks;
  qt_driver::Wait(250);
  EXPECT_EQ(ticks, stopped);
  EXPECT_FALSE(timer->Enabled());
}

TEST_F(Framework, boxes_areRecordedWithKindCaptionAndText) {
  MessageDlg("找不到卡機！", TMsgDlgType::mtError, mbOK, 0);
  MessageDlg("寫入成功", TMsgDlgType::mtInformation, mbOK, 0);
  ShowMessage("hello");
  const std::vector<ShownBox> expected = {
      {BoxKind::Error, "Error", "找不到卡機！"},
      {BoxKind::Information, "Information", "寫入成功"},
      {BoxKind::Plain, Application->Title, "hello"},
  };
  EXPECT_EQ(boxseam::Shown(), expected);
}

TEST_F(Framework, dispatch_swallowsTheSilentAbortAndShowsOtherErrors) {
  Application->Dispatch([] { Abort(); });
  EXPECT_TRUE(boxseam::Shown().empty());
  Application->Dispatch([] { StrToInt("q"); });
  Application->Dispatch([] { throw Exception("done."); });
  const std::vector<ShownBox> expected = {
      {BoxKind::StandardError, Application->Title, "'q' is not a valid integer value."},
      {BoxKind::StandardError, Application->Title, "done."},
  };
  EXPECT_EQ(boxseam::Shown(), expected);
}

TEST_F(Framework, fatalError_namesClassModuleAndMessage) {
  Application->ShowFatalException(EDatabaseError("unavailable database"));
  ASSERT_EQ(boxseam::Shown().size(), 1u);
  const ShownBox &box = boxseam::Shown()[0];
  EXPECT_EQ(box.kind, BoxKind::ApplicationError);
  EXPECT_EQ(box.caption, "Application Error");
  EXPECT_EQ(box.text.rfind("Exception EDatabaseError in module coinloft at ", 0), 0u) << box.text;
  EXPECT_EQ(box.text.substr(box.text.size() - 22), ".\nunavailable database");
}

TEST_F(Framework, memoLineWithControlCharacters_staysOneLine) {
  TForm form(nullptr);
  TMemo *memo = Create<TMemo>(&form);
  memo->SetParent(&form);
  const std::string seal = std::string("2026121109\t\n\r\x01\x80", 15) + ">x";
  memo->Lines->Add("first");
  memo->Lines->Add(seal);
  ASSERT_EQ(memo->Lines->Count(), 2);
  EXPECT_EQ(memo->Lines->Strings(1), seal);
  EXPECT_EQ(qt_driver::ShownLines(memo), u"first\n2026121109\u2409\u240a\u240d\u2401<80>>x");
  EXPECT_THROW(memo->Lines->Strings(2), Exception);
  memo->Lines->Clear();
  EXPECT_EQ(memo->Lines->Count(), 0);
  EXPECT_EQ(qt_driver::ShownLines(memo), u"");
}

TEST_F(Framework, editText_isShownWholeWhateverItsLimit) {
  TForm form(nullptr);
  TEdit *edit = Create<TEdit>(&form);
  edit->SetParent(&form);
  edit->SetMaxLength(20);
  edit->SetText("123456789012345678901234567890");
  EXPECT_EQ(qt_driver::ShownText(edit), u"123456789012345678901234567890");
}

TEST_F(Framework, comboBox_textIsTheSelectedItem) {
  TForm form(nullptr);
  TComboBox *combo = Create<TComboBox>(&form);
  combo->SetParent(&form);
  combo->SetItemIndex(0);
  EXPECT_EQ(combo->ItemIndex(), -1);
  EXPECT_EQ(combo->Text(), "");
  combo->Items->Add("卡機一");
  combo->Items->Add("Reader B");
  combo->SetItemIndex(1);
  EXPECT_EQ(combo->Text(), "Reader B");
}

}  // namespace
