#include "platform/vcl.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <clocale>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

#include "platform/codepage.h"
#include "platform/dialogs.h"
#include "platform/sysutils.h"

namespace vcl {

COINLOFT_DECLARE_EXCEPTION(EStringListError, Exception);

namespace {

QString Screen(const std::string &text) { return QString::fromStdU16String(cp950::ToScreen(text)); }

constexpr int kMemoScreenLines = 5000;

// Lays out a control's aligned children whenever its widget changes size.
class AlignFilter : public QObject {
 public:
  AlignFilter(QObject *parent, TWinControl *control) : QObject(parent), control_(control) {}
  bool eventFilter(QObject *, QEvent *event) override {
    if (event->type() == QEvent::Resize) control_->AlignControls();
    return false;
  }

 private:
  TWinControl *control_;
};

Qt::Key KeyOf(TShortCut shortCut) {
  const int vk = shortCut & 0xFF;
  if (vk >= 112 && vk <= 123) return static_cast<Qt::Key>(Qt::Key_F1 + (vk - 112));
  if ((vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z')) return static_cast<Qt::Key>(vk);
  return Qt::Key_unknown;
}

}  // namespace

// The form's client area; closing it closes the form.
class FormWidget : public QWidget {
 public:
  explicit FormWidget(TForm *form) : form_(form) {}
  void closeEvent(QCloseEvent *event) override {
    event->accept();
    form_->Closing();
  }

 private:
  TForm *form_;
};

// ---- components -----------------------------------------------------------

TComponent::TComponent(TComponent *owner) : owner_(owner) {
  if (owner_) owner_->owned_.emplace_back(this);
}

void TComponent::DestroyComponents() {
  while (!owned_.empty()) {
    std::unique_ptr<TComponent> last = std::move(owned_.back());
    owned_.pop_back();
    last.reset();
  }
}

TComponent::~TComponent() {
  DestroyComponents();
  if (owner_) {
    // Freed by someone other than the owner (the owner releases its pointer).
    for (auto &entry : owner_->owned_) {
      if (entry.get() == this) {
        (void)entry.release();
        owner_->owned_.erase(std::find_if(owner_->owned_.begin(), owner_->owned_.end(),
                                          [](const auto &p) { return !p; }));
        break;
      }
    }
  }
}

void TStrings::Add(const std::string &text) {
  items_.push_back(text);
  if (onAdded) onAdded(text);
}

void TStrings::Clear() {
  items_.clear();
  if (onCleared) onCleared();
}

const std::string &TStrings::Strings(int index) const {
  if (index < 0 || index >= Count()) throw EStringListError(Format("List index out of bounds (%d)", index));
  return items_[static_cast<size_t>(index)];
}

// ---- controls -------------------------------------------------------------

TControl::TControl(TComponent *owner, QWidget *widget) : TComponent(owner), widget_(widget) {}

TControl::~TControl() {
  DestroyComponents();
  if (parent_) {
    auto &siblings = parent_->controls_;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
  }
  delete widget_;
}

void TControl::SetParent(TWinControl *parent) {
  if (parent_ == parent) return;
  if (parent_) {
    auto &siblings = parent_->controls_;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
  }
  parent_ = parent;
  widget_->setParent(parent_ ? parent_->widget_ : nullptr);
  widget_->setGeometry(left_, top_, width_, height_);
  widget_->setVisible(visible_ && parent_);
  if (parent_) {
    parent_->controls_.push_back(this);
    parent_->AlignControls();
    parent_->ApplyTabOrder();
  }
  ApplyFocusPolicy();
}

void TControl::SetBounds(int left, int top, int width, int height) {
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  if (!parent_ && dynamic_cast<TForm *>(this)) return;  // a form places its own window when shown
  widget_->setGeometry(left, top, width, height);
  if (auto *self = dynamic_cast<TWinControl *>(this)) self->AlignControls();
  if (parent_ && align_ != TAlign::alNone) parent_->AlignControls();
}

void TControl::SetAlign(TAlign align) {
  align_ = align;
  if (parent_) parent_->AlignControls();
}

void TControl::SetVisible(bool visible) {
  visible_ = visible;
  if (parent_) widget_->setVisible(visible);
}

void TControl::SetTabOrder(int order) {
  tabOrder_ = order;
  if (parent_) parent_->ApplyTabOrder();
}

void TControl::SetTabStop(bool tabStop) {
  tabStop_ = tabStop;
  ApplyFocusPolicy();
}

void TControl::ApplyFocusPolicy() { widget_->setFocusPolicy(Qt::NoFocus); }

TWinControl::TWinControl(TComponent *owner, QWidget *widget)
    : TControl(owner, widget), filter_(new AlignFilter(widget, this)) {
  widget->installEventFilter(filter_);
  tabStop_ = true;
  ApplyFocusPolicy();
}

void TWinControl::ApplyFocusPolicy() { widget_->setFocusPolicy(tabStop_ ? Qt::StrongFocus : Qt::ClickFocus); }

TWinControl::~TWinControl() {
  // Children freed later must not find their widget already freed with ours.
  for (TControl *child : controls_) {
    child->parent_ = nullptr;
    child->widget_->setParent(nullptr);
  }
  controls_.clear();
}

void TWinControl::AlignControls() {
  const int inset = ClientInset();
  int left = inset, top = inset;
  int right = widget_->width() - inset, bottom = widget_->height() - inset;
  auto place = [](TControl *c, int l, int t, int w, int h) {
    c->left_ = l;
    c->top_ = t;
    c->width_ = std::max(w, 0);
    c->height_ = std::max(h, 0);
    c->widget_->setGeometry(c->left_, c->top_, c->width_, c->height_);
  };
  for (TAlign pass : {TAlign::alTop, TAlign::alBottom, TAlign::alLeft, TAlign::alRight, TAlign::alClient}) {
    for (TControl *c : controls_) {
      if (c->align_ != pass || !c->visible_) continue;
      switch (pass) {
        case TAlign::alTop:
          place(c, left, top, right - left, c->height_);
          top += c->height_;
          break;
        case TAlign::alBottom:
          place(c, left, bottom - c->height_, right - left, c->height_);
          bottom -= c->height_;
          break;
        case TAlign::alLeft:
          place(c, left, top, c->width_, bottom - top);
          left += c->width_;
          break;
        case TAlign::alRight:
          place(c, right - c->width_, top, c->width_, bottom - top);
          right -= c->width_;
          break;
        default:
          place(c, left, top, right - left, bottom - top);
          break;
      }
    }
  }
}

void TWinControl::ApplyTabOrder() {
  std::vector<TControl *> order;
  for (TControl *c : controls_) {
    if (c->tabStop_ && dynamic_cast<TWinControl *>(c)) order.push_back(c);
  }
  std::stable_sort(order.begin(), order.end(), [](TControl *a, TControl *b) { return a->tabOrder_ < b->tabOrder_; });
  for (size_t i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1]->widget_, order[i]->widget_);
}

TPanel::TPanel(TComponent *owner) : TWinControl(owner, new QFrame) {
  auto *frame = static_cast<QFrame *>(widget_);
  frame->setFrameStyle(QFrame::Panel | QFrame::Raised);
  frame->setLineWidth(1);
  ApplyFocusPolicy();
}

void TPanel::ApplyFocusPolicy() { widget_->setFocusPolicy(Qt::NoFocus); }

TLabel::TLabel(TComponent *owner) : TControl(owner, new QLabel) {}

void TLabel::SetCaption(const std::string &caption) {
  caption_ = caption;
  static_cast<QLabel *>(widget_)->setText(Screen(caption));
  Resize();
}

void TLabel::SetAutoSize(bool autoSize) {
  autoSize_ = autoSize;
  Resize();
}

void TLabel::Resize() {
  if (!autoSize_) return;
  const QSize hint = static_cast<QLabel *>(widget_)->sizeHint();
  SetBounds(Left(), Top(), hint.width(), hint.height());
}

TComboBox::TComboBox(TComponent *owner)
    : TWinControl(owner, new QComboBox), Items(new TStrings), items_(Items) {
  auto *combo = static_cast<QComboBox *>(widget_);
  Items->onAdded = [combo](const std::string &text) { combo->addItem(Screen(text)); };
  Items->onCleared = [this, combo] {
    combo->clear();
    itemIndex_ = -1;
  };
  QObject::connect(combo, &QComboBox::currentIndexChanged, combo, [this](int index) { itemIndex_ = index; });
}

TComboBox::~TComboBox() = default;

void TComboBox::SetItemIndex(int index) {
  if (index < -1 || index >= Items->Count()) index = -1;
  itemIndex_ = index;
  static_cast<QComboBox *>(widget_)->setCurrentIndex(index);
}

std::string TComboBox::Text() const { return itemIndex_ >= 0 ? Items->Strings(itemIndex_) : std::string(); }

void TComboBox::SetItemHeight(int height) {
  itemHeight_ = height;
  static_cast<QComboBox *>(widget_)->setStyleSheet(QString("QComboBox QAbstractItemView::item { height: %1px; }").arg(height));
}

TButton::TButton(TComponent *owner) : TWinControl(owner, new QPushButton) {
  QObject::connect(static_cast<QPushButton *>(widget_), &QPushButton::clicked, widget_, [this] { Click(); });
}

void TButton::SetCaption(const std::string &caption) {
  caption_ = caption;
  static_cast<QPushButton *>(widget_)->setText(Screen(caption));
}

void TButton::Click() {
  Application->Dispatch([this] {
    if (OnClick) OnClick(this);
  });
}

TSpeedButton::TSpeedButton(TComponent *owner) : TControl(owner, new QToolButton) {
  QObject::connect(static_cast<QToolButton *>(widget_), &QToolButton::clicked, widget_, [this] { Click(); });
  ApplyFocusPolicy();
}

void TSpeedButton::ApplyFocusPolicy() { widget_->setFocusPolicy(Qt::NoFocus); }

void TSpeedButton::SetCaption(const std::string &caption) {
  caption_ = caption;
  static_cast<QToolButton *>(widget_)->setText(Screen(caption));
}

void TSpeedButton::SetFlat(bool flat) {
  flat_ = flat;
  static_cast<QToolButton *>(widget_)->setAutoRaise(flat);
}

void TSpeedButton::SetLayout(TButtonLayout layout) {
  layout_ = layout;
  static_cast<QToolButton *>(widget_)->setToolButtonStyle(layout == TButtonLayout::blGlyphTop ||
                                                                  layout == TButtonLayout::blGlyphBottom
                                                              ? Qt::ToolButtonTextUnderIcon
                                                              : Qt::ToolButtonTextBesideIcon);
}

void TSpeedButton::SetGlyph(const char *const *xpm) {
  QPixmap picture(xpm);
  hasGlyph_ = !picture.isNull();
  auto *button = static_cast<QToolButton *>(widget_);
  button->setIcon(QIcon(picture));
  button->setIconSize(picture.size());
}

void TSpeedButton::Click() {
  Application->Dispatch([this] {
    if (OnClick) OnClick(this);
  });
}

TEdit::TEdit(TComponent *owner) : TWinControl(owner, new QLineEdit) {}

void TEdit::SetText(const std::string &text) {
  text_ = text;
  static_cast<QLineEdit *>(widget_)->setText(Screen(text));
}

void TEdit::SetReadOnly(bool readOnly) {
  readOnly_ = readOnly;
  static_cast<QLineEdit *>(widget_)->setReadOnly(readOnly);
}

void TEdit::SetPasswordChar(char c) {
  passwordChar_ = c;
  auto *edit = static_cast<QLineEdit *>(widget_);
  edit->setEchoMode(c ? QLineEdit::Password : QLineEdit::Normal);
  if (c) edit->setStyleSheet(QString("lineedit-password-character: %1").arg(static_cast<int>(static_cast<unsigned char>(c))));
}

TMemo::TMemo(TComponent *owner) : TWinControl(owner, new QPlainTextEdit), Lines(new TStrings), lines_(Lines) {
  auto *edit = static_cast<QPlainTextEdit *>(widget_);
  edit->setLineWrapMode(QPlainTextEdit::NoWrap);
  // Polling logs a line five times a second while no card lies in the
  // reader; the screen keeps the newest lines so that a day at the counter
  // does not grow the display without end. Lines keeps every line.
  edit->setMaximumBlockCount(kMemoScreenLines);
  Lines->onAdded = [edit](const std::string &line) { edit->appendPlainText(Screen(line)); };
  Lines->onCleared = [edit] { edit->clear(); };
}

TMemo::~TMemo() = default;

void TMemo::SetReadOnly(bool readOnly) {
  readOnly_ = readOnly;
  static_cast<QPlainTextEdit *>(widget_)->setReadOnly(readOnly);
}

TDBGrid::TDBGrid(TComponent *owner) : TWinControl(owner, new QTableWidget) {
  auto *table = static_cast<QTableWidget *>(widget_);
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->verticalHeader()->setDefaultSectionSize(18);
  SetColumnCount(2);
}

TDBGrid::~TDBGrid() { SetDataSource(nullptr); }

void TDBGrid::SetDataSource(TDataSource *source) {
  if (dataSource_ && dataSource_->DataSet() && listener_ >= 0) dataSource_->DataSet()->RemoveListener(listener_);
  listener_ = -1;
  dataSource_ = source;
  if (dataSource_ && dataSource_->DataSet()) listener_ = dataSource_->DataSet()->AddListener([this] { Refresh(); });
  Refresh();
}

void TDBGrid::SetColumnCount(int count) {
  auto *table = static_cast<QTableWidget *>(widget_);
  table->setColumnCount(count);
  QStringList blank;
  for (int i = 0; i < count; ++i) blank << QString();
  table->setHorizontalHeaderLabels(blank);
}

int TDBGrid::ColumnCount() const { return static_cast<QTableWidget *>(widget_)->columnCount(); }
int TDBGrid::RowCount() const { return static_cast<QTableWidget *>(widget_)->rowCount(); }

void TDBGrid::Refresh() {
  auto *table = static_cast<QTableWidget *>(widget_);
  const int rows = dataSource_ && dataSource_->DataSet() ? dataSource_->DataSet()->RecordCount() : 0;
  table->setRowCount(rows);
  QStringList blank;
  for (int i = 0; i < rows; ++i) blank << QString();
  table->setVerticalHeaderLabels(blank);
}

int TDataSet::AddListener(std::function<void()> listener) {
  listeners_.emplace_back(nextListener_, std::move(listener));
  return nextListener_++;
}

void TDataSet::RemoveListener(int id) {
  listeners_.erase(std::remove_if(listeners_.begin(), listeners_.end(), [id](const auto &l) { return l.first == id; }),
                   listeners_.end());
}

void TDataSet::DataChanged() {
  for (auto &[id, listener] : listeners_) listener();
}

// ---- non-visual components ------------------------------------------------

TTimer::TTimer(TComponent *owner) : TComponent(owner), timer_(new QTimer) {
  timer_->setInterval(interval_);
  QObject::connect(timer_, &QTimer::timeout, timer_, [this] {
    Application->Dispatch([this] {
      if (OnTimer) OnTimer(this);
    });
  });
  timer_->start();
}

TTimer::~TTimer() { delete timer_; }

void TTimer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  if (enabled) timer_->start(interval_);
  else timer_->stop();
}

void TTimer::SetInterval(int ms) {
  if (ms == interval_) return;
  interval_ = ms;
  timer_->setInterval(ms);
  if (enabled_) timer_->start(ms);
}

TAction::TAction(TComponent *owner) : TComponent(owner), action_(new QAction) {
  action_->setShortcutContext(Qt::WindowShortcut);
  QObject::connect(action_, &QAction::triggered, action_, [this] { Execute(); });
  if (auto *form = dynamic_cast<TForm *>(owner)) form->Widget()->addAction(action_);
}

TAction::~TAction() { delete action_; }

void TAction::SetShortCut(TShortCut key) {
  shortCut_ = key;
  Qt::KeyboardModifiers modifiers;
  if (key & 0x2000) modifiers |= Qt::ShiftModifier;
  if (key & 0x4000) modifiers |= Qt::ControlModifier;
  if (key & 0x8000) modifiers |= Qt::AltModifier;
  action_->setShortcut(QKeySequence(QKeyCombination(modifiers, KeyOf(key))));
}

void TAction::Execute() {
  Application->Dispatch([this] {
    if (OnExecute) OnExecute(this);
  });
}

// ---- the form -------------------------------------------------------------

TForm::TForm(TComponent *owner) : TWinControl(owner, new FormWidget(this)) { ApplyFocusPolicy(); }

void TForm::ApplyFocusPolicy() { widget_->setFocusPolicy(Qt::NoFocus); }

TForm::~TForm() {
  DestroyComponents();
}

void TForm::SetCaption(const std::string &caption) {
  caption_ = caption;
  widget_->setWindowTitle(QString::fromStdU16String(cp950::ToWide(caption)));
}

void TForm::SetClientSize(int width, int height) {
  clientWidth_ = width;
  clientHeight_ = height;
  widget_->resize(width, height);
}

void TForm::SetFont(const TFont &font) {
  font_ = font;
  QFont screenFont(QString::fromStdU16String(ScreenFontFamily(font.Name)));
  if (font.Height < 0) screenFont.setPixelSize(-font.Height);
  widget_->setFont(screenFont);
}

void TForm::DoCreate() {
  Application->Dispatch([this] {
    if (OnCreate) OnCreate(this);
  });
}

void TForm::Show() {
  widget_->move(Left(), Top());
  widget_->resize(clientWidth_, clientHeight_);
  widget_->show();
  AlignControls();
}

void TForm::Close() { widget_->close(); }

void TForm::Closing() {
  closed_ = true;
  if (Application->MainForm() == this) Application->Terminate();
}

// ---- the application ------------------------------------------------------

static TApplication theApplication;
TApplication *Application = &theApplication;

void TApplication::Initialize(int &argc, char **argv) {
  qt_ = std::make_unique<QApplication>(argc, argv);
  qt_->setQuitOnLastWindowClosed(false);
  // Numbers are formatted and read with a full stop whatever the desktop's locale.
  std::setlocale(LC_NUMERIC, "C");
  std::vector<std::string> args;
  for (const QString &arg : QCoreApplication::arguments()) args.push_back(cp950::FromWide(arg.toStdU16String()));
  CommandLine = JoinCommandLine(args);
}

void TApplication::AdoptForm(std::unique_ptr<TForm> form) {
  if (!mainForm_) mainForm_ = form.get();
  forms_.push_back(std::move(form));
}

void TApplication::Run() {
  if (!mainForm_ || mainForm_->Closed()) return;
  mainForm_->Show();
  qt_->exec();
}

void TApplication::Terminate() { QCoreApplication::quit(); }

namespace {
int signalPipe[2] = {-1, -1};
void OnTerminationSignal(int) {
  const char byte = 1;
  (void)::write(signalPipe[1], &byte, 1);
}
}  // namespace

void TApplication::HandleTerminationSignals() {
  if (signalPipe[0] < 0) {
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    auto *notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, qt_.get());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [this] {
      char byte;
      while (::read(signalPipe[0], &byte, 1) > 0) {
      }
      if (mainForm_ && !mainForm_->Closed()) mainForm_->Close();
      else Terminate();
    });
  }
  struct sigaction action {};
  action.sa_handler = OnTerminationSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int sig : {SIGTERM, SIGINT, SIGHUP}) sigaction(sig, &action, nullptr);
}

void TApplication::Reset() {
  while (!forms_.empty()) forms_.pop_back();
  mainForm_ = nullptr;
}

void TApplication::Finalize() {
  Reset();
  qt_.reset();
}

TApplication::~TApplication() {
  // At exit the Qt application may outlive what it refers to; a program that
  // did not finalize leaves it to the system.
  for (auto &form : forms_) (void)form.release();
  (void)qt_.release();
}

void TApplication::Dispatch(const std::function<void()> &fn) noexcept {
  try {
    fn();
  } catch (const EAbort &) {
    // the silent abort: the handler simply ends
  } catch (const std::exception &e) {
    ShowException(e);
  } catch (...) {
    ShowException(Exception("Unknown error"));
  }
}

void TApplication::ShowException(const std::exception &e) {
  const auto *error = dynamic_cast<const Exception *>(&e);
  try {
    ShowBox(BoxKind::StandardError, Title, WithFullStop(error ? error->Message() : std::string(e.what())));
  } catch (...) {
    std::fprintf(stderr, "%s: %s\n", Title.c_str(), e.what());
  }
}

void TApplication::ShowFatalException(const std::exception &e) {
  const auto *error = dynamic_cast<const Exception *>(&e);
  const std::string text = Format("Exception %s in module %s at %016" PRIXPTR ".\n%s",
                                  error ? error->ClassName() : "Exception", Title.c_str(),
                                  reinterpret_cast<uintptr_t>(error ? error->Address() : nullptr),
                                  error ? error->Message().c_str() : e.what());
  std::fprintf(stderr, "%s\n", text.c_str());
  if (qt_) ShowBox(BoxKind::ApplicationError, "Application Error", text);
}

bool HaveDisplay() {
  for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
    const char *value = std::getenv(name);
    if (value && *value) return true;
  }
  return false;
}

// ---- message boxes --------------------------------------------------------

namespace {
boxseam::Answerer answerer;
std::vector<ShownBox> shown;
}  // namespace

void ShowBox(BoxKind kind, const std::string &caption, const std::string &text) {
  const ShownBox record{kind, caption, text};
  shown.push_back(record);
  QStringList lines;
  size_t start = 0;
  for (;;) {  // line breaks break lines here; other control characters show
    const size_t end = text.find('\n', start);
    lines << Screen(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  QMessageBox::Icon icon = QMessageBox::Critical;
  if (kind == BoxKind::Information) icon = QMessageBox::Information;
  if (kind == BoxKind::Plain) icon = QMessageBox::NoIcon;
  QMessageBox box(icon, QString::fromStdU16String(cp950::ToWide(caption)), lines.join('\n'), QMessageBox::Ok);
  box.setWindowModality(Qt::ApplicationModal);
  if (answerer) {
    boxseam::Answerer answer = answerer;
    QTimer::singleShot(0, &box, [&box, answer, record] {
      answer(record);
      box.done(QMessageBox::Ok);
    });
  }
  box.exec();
}

int MessageDlg(const std::string &msg, TMsgDlgType type, TMsgDlgButtons, int) {
  switch (type) {
    case TMsgDlgType::mtError: ShowBox(BoxKind::Error, "Error", msg); break;
    case TMsgDlgType::mtInformation: ShowBox(BoxKind::Information, "Information", msg); break;
    case TMsgDlgType::mtWarning: ShowBox(BoxKind::Error, "Warning", msg); break;
    case TMsgDlgType::mtConfirmation: ShowBox(BoxKind::Information, "Confirm", msg); break;
    default: ShowBox(BoxKind::Plain, Application->Title, msg); break;
  }
  return mbOK;
}

void ShowMessage(const std::string &msg) { ShowBox(BoxKind::Plain, Application->Title, msg); }

namespace boxseam {
void SetAnswerer(Answerer a) { answerer = std::move(a); }
const std::vector<ShownBox> &Shown() { return shown; }
void Clear() { shown.clear(); }
}  // namespace boxseam

}  // namespace vcl
