// The one window of the tool, TFormCoinloft, and the module-level state that
// its handlers share. The window owns every component for its whole life.
// All handlers run on the GUI thread; the cipher members are static and touch
// no window state, so they may be used without a window.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/db.h"
#include "platform/vcl.h"

class TFormCoinloft : public vcl::TForm {
 public:
  // Builds the window and all its components with their stored settings.
  explicit TFormCoinloft(vcl::TComponent *Owner);

  vcl::TPanel *Panel1;
  vcl::TLabel *Label1;
  vcl::TComboBox *ComboReaderName;
  vcl::TButton *Button1;
  vcl::TPanel *Panel2;
  vcl::TLabel *Label9;
  vcl::TLabel *Label2;
  vcl::TLabel *Label3;
  vcl::TEdit *Edit7;
  vcl::TEdit *Ed_Card;
  vcl::TEdit *EditA;
  vcl::TEdit *EditB;
  vcl::TEdit *EditC;
  vcl::TEdit *EditD;
  vcl::TPanel *Panel3;
  vcl::TMemo *Memo1;
  vcl::TLabel *Label4;
  vcl::TLabel *Label5;
  vcl::TEdit *Ed_Sum;
  vcl::TEdit *Edit1;
  vcl::TEdit *Edit2;
  vcl::TEdit *Edit3;
  vcl::TEdit *Edit4;
  vcl::TLabel *Label6;
  vcl::TSQLConnection *SQLConnection1;
  vcl::TSQLDataSet *SQLDataSet1;
  vcl::TDataSetProvider *DataSetProvider1;
  vcl::TClientDataSet *ClientDataSet1;
  vcl::TSQLQuery *SQLQuery1;
  vcl::TDataSource *DataSource1;
  vcl::TDBGrid *DBGrid1;
  vcl::TSpeedButton *SpeedButton1;
  vcl::TTimer *Timer1;
  vcl::TActionList *ActionList1;
  vcl::TAction *Action1;

  void FormCreate(vcl::TObject *Sender);
  // Card field cipher (card/cipher.cpp).
  static std::string Amt_Chg_Pass(int32_t amount, int fieldOffset, const std::string &keyStamp);
  static std::string Amt_Rtn_Pass(const std::string &group, int fieldOffset, const std::string &keyStamp);
  static std::string Date_Chg_Pass(const std::string &stamp);
  static std::string Date_Rtn_Pass(const std::string &seal);
  void Button1Click(vcl::TObject *Sender);       // read attempt (topup/read_attempt.cpp)
  void SpeedButton1Click(vcl::TObject *Sender);  // top-up (topup/topup.cpp)
  void Timer1Timer(vcl::TObject *Sender);
  void Action1Execute(vcl::TObject *Sender);
};

extern TFormCoinloft *FormCoinloft;

// Module-level state: one each, zero or empty at program start.
extern std::array<std::string, 10> KeyTable;  // the cipher's key rows, filled by FormCreate
extern std::string ReaderName;                // reader of the current attempt or write
extern int32_t LastWriteResult;               // result of the last SetCardData
extern uint8_t CardRead;                      // 1 once a read step has succeeded
extern std::vector<std::string> CardFields;   // fields of the last card read
// Fields 0 to 2 of the card that the last read attempt verified (password,
// seal and balances passed); empty when the last attempt verified none.
// The top-up writes only onto this card.
extern std::vector<std::string> VerifiedRecord;
