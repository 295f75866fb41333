// The read attempt: reads the card in the selected reader, checks its
// password, date seal and balance rule, shows its number and amounts, and
// hands a card that passes to the top-up. Every step reports to the log pane.
#include "app/FormCoinloft.h"
#include "card/cipher.h"
#include "card/reader_library.h"
#include "card/record.h"
#include "platform/sysutils.h"

using namespace vcl;

namespace {

constexpr const char *kOpenedCardPassword = "8093572";

}  // namespace

void TFormCoinloft::Button1Click(TObject *Sender) {
  ReaderName = ComboReaderName->Text();
  VerifiedRecord.clear();

  // Read step: any error in the library calls, in converting their result or
  // in taking the fields, and a password mismatch, is a failed read.
  std::string amountBlock, dateSeal;
  bool readOk = false;
  try {
    Edit7->SetText(card::GetCardPwd(ReaderName));
    CardFields = card::TakeApart(card::GetCardData(ReaderName));
    CardRead = 1;
    Timer1->SetEnabled(false);
    Ed_Card->SetText(card::Field(CardFields, 0));
    amountBlock = card::Field(CardFields, 1);
    dateSeal = card::Field(CardFields, 2);
    if (Edit7->Text() != kOpenedCardPassword) {
      Memo1->Lines->Add("卡片位開卡不可使用");
    } else {
      Memo1->Lines->Add("--------------");
      readOk = true;
    }
  } catch (const std::exception &) {
    readOk = false;
  }
  if (!readOk) {
    Memo1->Lines->Add("無法讀取卡片資料");
    CardRead = 0;
    Timer1->SetEnabled(true);
    return;
  }

  if (UpperCase(Date_Rtn_Pass(dateSeal)) != "OK") {
    Memo1->Lines->Add(dateSeal + ">日期檢查失敗");
    Abort();
  }
  Memo1->Lines->Add("日期檢查成功");

  const std::string keyStamp = card::Copy(dateSeal, 1, 14);
  // A block too short for four groups cannot be decoded without reading past
  // its end: the card data is abnormal.
  if (amountBlock.size() < 28) {
    Memo1->Lines->Add("卡片資料異常");
    Abort();
  }
  const std::array<std::string, 4> plain = card::DecodeAmounts(amountBlock, keyStamp);
  TEdit *boxes[4] = {EditA, EditB, EditC, EditD};
  for (int i = 0; i < 4; ++i) boxes[i]->SetText(plain[static_cast<size_t>(i)]);

  const int64_t a = StrToIntDef(EditA->Text(), 0), b = StrToIntDef(EditB->Text(), 0);
  const int64_t c = StrToIntDef(EditC->Text(), 0), d = StrToIntDef(EditD->Text(), 0);
  if (a + d != b + c) {
    Memo1->Lines->Add("卡片資料異常");
    Abort();
  }
  Memo1->Lines->Add("卡片資料檢查成功");
  VerifiedRecord.assign(CardFields.begin(), CardFields.begin() + 3);

  SpeedButton1Click(Sender);
}
