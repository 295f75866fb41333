#include "app/FormCoinloft.h"

#include "app/glyph.h"
#include "card/cipher.h"
#include "card/reader_library.h"
#include "ledger/ledger.h"
#include "platform/dialogs.h"
#include "platform/sysutils.h"
#include "platform/variants.h"

using namespace vcl;

TFormCoinloft *FormCoinloft = nullptr;

std::string ReaderName;
int32_t LastWriteResult = 0;
uint8_t CardRead = 0;
std::vector<std::string> CardFields;
std::vector<std::string> VerifiedRecord;

namespace {

TEdit *MakeEdit(TComponent *owner, TWinControl *parent, int left, int top, int width, int height,
                const std::string &text, int maxLength, int tabOrder) {
  TEdit *edit = Create<TEdit>(owner);
  edit->SetBounds(left, top, width, height);
  edit->SetParent(parent);
  edit->SetText(text);
  edit->SetMaxLength(maxLength);
  edit->SetReadOnly(true);
  edit->SetTabStop(false);
  edit->SetTabOrder(tabOrder);
  return edit;
}

TLabel *MakeLabel(TComponent *owner, TWinControl *parent, int left, int top, int width, int height,
                  const std::string &caption, bool autoSize) {
  TLabel *label = Create<TLabel>(owner);
  label->SetBounds(left, top, width, height);
  label->SetParent(parent);
  label->SetAutoSize(autoSize);
  label->SetCaption(caption);
  return label;
}

}  // namespace

TFormCoinloft::TFormCoinloft(TComponent *Owner) : TForm(Owner) {
  Name = "FormCoinloft";
  SetCaption("卡片儲值");
  SetBounds(279, 193, 461, 370);
  SetClientSize(453, 336);
  SetColor(clBtnFace);
  SetFont(TFont{"細明體", -13, CHINESEBIG5_CHARSET, clWindowText});

  Panel1 = Create<TPanel>(this);
  Panel1->SetBounds(0, 0, 453, 65);
  Panel1->SetParent(this);
  Panel1->SetAlign(TAlign::alTop);
  Panel1->SetTabOrder(0);

  Label1 = MakeLabel(this, Panel1, 24, 24, 56, 13, "卡機選擇", true);

  ComboReaderName = Create<TComboBox>(this);
  ComboReaderName->SetBounds(99, 20, 185, 22);
  ComboReaderName->SetParent(Panel1);
  ComboReaderName->SetStyle(TComboBoxStyle::csOwnerDrawFixed);
  ComboReaderName->SetItemHeight(16);
  ComboReaderName->SetTabOrder(0);

  Button1 = Create<TButton>(this);
  Button1->SetBounds(288, 19, 105, 25);
  Button1->SetParent(Panel1);
  Button1->SetCaption("Connect");
  Button1->SetTabOrder(1);
  Button1->OnClick = [this](TObject *Sender) { Button1Click(Sender); };

  Panel2 = Create<TPanel>(this);
  Panel2->SetBounds(0, 65, 453, 196);
  Panel2->SetParent(this);
  Panel2->SetAlign(TAlign::alClient);
  Panel2->SetTabOrder(1);

  Label9 = MakeLabel(this, Panel2, 24, 13, 65, 17, "密碼：", false);
  Label2 = MakeLabel(this, Panel2, 24, 37, 65, 17, "卡號：", false);
  Label3 = MakeLabel(this, Panel2, 217, 11, 42, 13, "Label3", true);

  Edit7 = MakeEdit(this, Panel2, 90, 8, 106, 21, "", 8, 0);
  Edit7->SetPasswordChar('*');
  Ed_Card = MakeEdit(this, Panel2, 90, 32, 209, 21, "", 20, 1);
  EditA = MakeEdit(this, Panel2, 86, 56, 64, 21, "0000000", 0, 2);
  EditB = MakeEdit(this, Panel2, 151, 56, 64, 21, "0000000", 7, 3);
  EditC = MakeEdit(this, Panel2, 214, 56, 64, 21, "0000000", 7, 4);
  EditD = MakeEdit(this, Panel2, 279, 56, 64, 21, "0000000", 7, 5);

  Panel3 = Create<TPanel>(this);
  Panel3->SetBounds(0, 261, 453, 75);
  Panel3->SetParent(this);
  Panel3->SetAlign(TAlign::alBottom);
  Panel3->SetTabOrder(2);

  Memo1 = Create<TMemo>(this);
  Memo1->SetBounds(1, 1, 451, 73);
  Memo1->SetParent(Panel3);
  Memo1->SetAlign(TAlign::alClient);
  Memo1->SetReadOnly(true);
  Memo1->SetTabStop(false);
  Memo1->SetTabOrder(0);

  Label4 = MakeLabel(this, Panel2, 24, 59, 56, 13, "可用餘額", true);
  Label5 = MakeLabel(this, Panel2, 24, 84, 56, 13, "本次儲值", true);
  Ed_Sum = MakeEdit(this, Panel2, 86, 80, 121, 21, "0", 0, 6);
  Edit1 = MakeEdit(this, Panel2, 86, 104, 64, 21, "0000000", 0, 7);
  Edit2 = MakeEdit(this, Panel2, 151, 104, 64, 21, "0000000", 7, 8);
  Edit3 = MakeEdit(this, Panel2, 214, 104, 64, 21, "0000000", 7, 9);
  Edit4 = MakeEdit(this, Panel2, 279, 104, 64, 21, "0000000", 7, 10);
  Label6 = MakeLabel(this, Panel2, 24, 107, 56, 13, "可用餘額", true);

  SQLConnection1 = Create<TSQLConnection>(this);
  SQLConnection1->ConnectionName = "Tarnix";
  SQLConnection1->DriverName = "Interbase";
  SQLConnection1->GetDriverFunc = "getSQLDriverINTERBASE";
  SQLConnection1->LibraryName = "dbexpint.dll";
  SQLConnection1->VendorLib = "gds32.dll";
  SQLConnection1->LoadParamsOnConnect = true;
  SQLConnection1->LoginPrompt = false;
  SQLConnection1->Params = ledger::StoredParams();


  SQLDataSet1 = Create<TSQLDataSet>(this);
  SQLDataSet1->SQLConnection = SQLConnection1;
  SQLDataSet1->MaxBlobSize = -1;

  DataSetProvider1 = Create<TDataSetProvider>(this);
  DataSetProvider1->Name = "DataSetProvider1";
  DataSetProvider1->DataSet = SQLDataSet1;
  DataSetProvider1->Options = poAllowCommandText;

  ClientDataSet1 = Create<TClientDataSet>(this);
  ClientDataSet1->ProviderName = "DataSetProvider1";

  SQLQuery1 = Create<TSQLQuery>(this);
  SQLQuery1->SQLConnection = SQLConnection1;
  SQLQuery1->MaxBlobSize = -1;

  // Stored as connected: the ledger is opened while the window is built, and
  // a connection that cannot be opened stops the window here.
  SQLConnection1->SetConnected(true);

  DataSource1 = Create<TDataSource>(this);
  DataSource1->SetDataSet(ClientDataSet1);

  DBGrid1 = Create<TDBGrid>(this);
  DBGrid1->SetBounds(1, 128, 451, 67);
  DBGrid1->SetParent(Panel2);
  DBGrid1->SetAlign(TAlign::alBottom);
  DBGrid1->SetReadOnly(true);
  DBGrid1->SetTabStop(false);
  DBGrid1->SetTabOrder(11);
  DBGrid1->SetColumnCount(2);
  DBGrid1->SetDataSource(DataSource1);

  SpeedButton1 = Create<TSpeedButton>(this);
  SpeedButton1->SetBounds(343, 42, 94, 81);
  SpeedButton1->SetParent(Panel2);
  SpeedButton1->SetCaption("自動儲值");
  SpeedButton1->SetFlat(true);
  SpeedButton1->SetLayout(TButtonLayout::blGlyphTop);
  SpeedButton1->SetGlyph(kFolderGlyph);
  SpeedButton1->OnClick = [this](TObject *Sender) { SpeedButton1Click(Sender); };

  Timer1 = Create<TTimer>(this);
  Timer1->SetInterval(200);
  Timer1->OnTimer = [this](TObject *Sender) { Timer1Timer(Sender); };
  Timer1->SetEnabled(true);

  ActionList1 = Create<TActionList>(this);
  Action1 = Create<TAction>(this);
  Action1->SetActionList(ActionList1);
  Action1->SetShortCut(VK_F6);
  Action1->OnExecute = [this](TObject *Sender) { Action1Execute(Sender); };

  OnCreate = [this](TObject *Sender) { FormCreate(Sender); };
}

void TFormCoinloft::FormCreate(TObject *) {
  CardRead = 0;
  card::FillKeyTable(KeyTable);
  try {
    OleVariant readers = card::GetReaderOnSystem();
    const std::vector<std::string> names = VarArrayToTexts(readers.Raw());
    for (const std::string &name : names) ComboReaderName->Items->Add(name);
  } catch (const std::exception &) {
    MessageDlg("找不到卡機！", TMsgDlgType::mtError, mbOK, 0);
  }
  Label3->SetCaption(FormatDateTime("yyyymmddhhnnss"));
  ComboReaderName->SetItemIndex(0);
  Ed_Card->SetText(ParamStr(Application->CommandLine, 1));
}

void TFormCoinloft::Timer1Timer(TObject *Sender) {
  if (CardRead == 1) {
    Timer1->SetEnabled(false);
    return;
  }
  Button1Click(Sender);
}

void TFormCoinloft::Action1Execute(TObject *) { Close(); }
