// The top-up run: claims the card's pending ledger lines, totals them, writes
// the new amounts and a new date seal onto the card, and confirms the lines
// once the card reports the write. A durable write journal covers the time
// between the write and the confirmation, so that no line is credited twice
// or lost whatever ends the program there.
#include <cmath>

#include "app/FormCoinloft.h"
#include "card/reader_library.h"
#include "card/record.h"
#include "ledger/ledger.h"
#include "platform/dialogs.h"
#include "platform/sysutils.h"
#include "platform/variants.h"
#include "topup/journal.h"

using namespace vcl;

namespace {

constexpr int64_t kMaxAmount = 9999999;

void ErrorBox(const std::string &text) { MessageDlg(text, TMsgDlgType::mtError, mbOK, 0); }

// Logs a refusal and shows it; the run then ends without writing the card.
void Refuse(TMemo *log, const std::string &text) {
  log->Lines->Add(text);
  ErrorBox(text);
}

std::vector<std::string> FirstThree(const std::vector<std::string> &fields) {
  return std::vector<std::string>(fields.begin(), fields.begin() + std::min<size_t>(3, fields.size()));
}

}  // namespace

void TFormCoinloft::SpeedButton1Click(TObject *Sender) {
  // Only the card that the last read attempt verified may be written: before
  // any read, or after a failed read or check, the boxes hold another card's
  // values or none.
  if (VerifiedRecord.size() != 3) {
    Refuse(Memo1, "請先讀取並通過檢查卡片，才能儲值");
    return;
  }
  const std::string c = Ed_Card->Text();

  // A journal entry left by an earlier run: the card says whether that write
  // happened.
  if (std::optional<topup::JournalEntry> open = topup::FindJournalEntry(c)) {
    if (VerifiedRecord == open->newRecord) {
      ledger::Confirm(SQLQuery1, c);  // on the card already: credit nothing again
      topup::RemoveJournalEntry(c);
    } else if (VerifiedRecord == open->readRecord) {
      topup::RemoveJournalEntry(c);  // the write never reached the card
    } else {
      Refuse(Memo1, "此卡有未完成的寫入紀錄，與卡片內容不符，請人工核對");
      return;
    }
  }

  ledger::Mark(SQLQuery1, c);
  ledger::List(ClientDataSet1, Ed_Card->Text());

  double total = 0;
  int64_t cents = 0;  // the same total, exact, for the checks below
  for (ClientDataSet1->First(); !ClientDataSet1->Eof(); ClientDataSet1->Next()) {
    const double amount = VarToDouble(ClientDataSet1->FieldByName("add_cash")->Value().Raw());
    total += amount;
    cents += std::llround(amount * 100);
  }
  Ed_Sum->SetText(Format("%7.0f", total));
  if (cents == 0) {
    Memo1->Lines->Add("無儲值資料..!");
    return;
  }

  // A total that is not a whole positive number of units, or a balance past
  // seven digits, cannot be written correctly: refuse before encoding.
  const int64_t A = StrToIntDef(EditA->Text(), 0);
  if (cents % 100 != 0) return Refuse(Memo1, "儲值金額不是整數，無法寫入卡片");
  if (cents < 0) return Refuse(Memo1, "儲值金額為負數，無法寫入卡片");
  if (A + cents / 100 > kMaxAmount) return Refuse(Memo1, "儲值後餘額超過 9999999，無法寫入卡片");
  const int32_t T = StrToIntDef(Ed_Sum->Text(), 0);  // the whole total just shown

  Edit4->SetText(Format("%.7d", 0));
  Edit3->SetText(Format("%.7d", StrToIntDef(Ed_Sum->Text(), 0)));
  Edit2->SetText(Format("%.7d", static_cast<int32_t>(A)));
  Edit1->SetText(Format("%.7d", StrToIntDef(EditA->Text(), 0) + T));

  ReaderName = ComboReaderName->Text();
  const std::string keyStamp = Label3->Caption();
  const std::string cardNumber = Trim(Ed_Card->Text());
  const std::string amountBlock =
      card::AmountBlock(StrToIntDef(Edit1->Text(), 0), StrToIntDef(Edit2->Text(), 0), StrToIntDef(Edit3->Text(), 0),
                        StrToIntDef(Edit4->Text(), 0), keyStamp);
  const std::string dateSeal = Date_Chg_Pass(keyStamp);
  const std::string marker = card::kMarker;

  Memo1->Lines->Clear();
  Memo1->Lines->Add(cardNumber);
  Memo1->Lines->Add(amountBlock);
  Memo1->Lines->Add(dateSeal);
  Memo1->Lines->Add(marker);

  // A run started from the button may find another card in the reader than
  // the one verified: make sure right before writing.
  if (Sender == SpeedButton1) {
    bool same = false;
    try {
      same = FirstThree(card::TakeApart(card::GetCardData(ReaderName))) == VerifiedRecord;
    } catch (const std::exception &) {
      same = false;
    }
    if (!same) return Refuse(Memo1, "讀卡機中的卡片已不是剛才檢查的卡片，請重新讀取");
  }

  try {
    const std::vector<std::string> fields = card::RecordFields(cardNumber, amountBlock, dateSeal);
    topup::WriteJournalEntry({c, VerifiedRecord, FirstThree(fields)});
    LastWriteResult = card::SetCardData(ReaderName, card::RecordVariant(fields));
    switch (LastWriteResult) {
      case -1201: ErrorBox("傳入資料長度錯誤！！"); break;
      case -1111: ErrorBox("資料寫入錯誤"); break;
      case -1110: ErrorBox("卡片密碼錯誤，請勿再試以免卡片毀損！"); break;
      case 0: {
        // Confirm at once, before the operator closes the box; the journal
        // entry goes only once the confirmation is in the ledger.
        bool confirmed = true;
        try {
          ledger::Confirm(SQLQuery1, c);
          topup::RemoveJournalEntry(c);
        } catch (const std::exception &) {
          confirmed = false;
        }
        MessageDlg("寫入成功", TMsgDlgType::mtInformation, mbOK, 0);
        if (!confirmed) ErrorBox("無法寫入卡片資料");
        break;
      }
      default: break;
    }
  } catch (const std::exception &) {
    ErrorBox("無法寫入卡片資料");
  }
}
