// The window framework: a form with its controls and components, shaped after
// the classic component model (owner frees what it owns, properties as
// getter/setter pairs, events as handlers taking the sender) and shown through
// Qt 6 Widgets. Every control keeps its texts as exact Big5 byte strings; the
// Qt widget only displays them. Qt itself stays inside vcl.cpp.
// Everything here belongs to the one GUI thread.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QWidget;
class QObject;
class QTimer;
class QAction;
class QApplication;

namespace vcl {

class Exception;
class TWinControl;
class TForm;

class TObject {
 public:
  TObject() = default;
  TObject(const TObject &) = delete;
  TObject &operator=(const TObject &) = delete;
  virtual ~TObject() = default;
};

using TNotifyEvent = std::function<void(TObject *Sender)>;

// A component is owned by its owner, which frees it (newest first) when the
// owner itself is freed.
class TComponent : public TObject {
 public:
  explicit TComponent(TComponent *owner);
  ~TComponent() override;

  std::string Name;
  TComponent *Owner() const { return owner_; }
  int ComponentCount() const { return static_cast<int>(owned_.size()); }
  TComponent *Components(int index) const { return owned_.at(static_cast<size_t>(index)).get(); }

 protected:
  // Frees the owned components, newest first. Controls call it before they
  // free their own widget, since Qt frees child widgets with their parent.
  void DestroyComponents();

 private:
  TComponent *owner_;
  std::vector<std::unique_ptr<TComponent>> owned_;
};

// Creates a component owned by owner and returns a borrowed pointer to it.
template <class T, class... Args>
T *Create(TComponent *owner, Args &&...args) {
  return new T(owner, std::forward<Args>(args)...);  // registers itself with owner
}

// A list of 8-bit texts that a control shows (memo lines, combo box items).
class TStrings {
 public:
  void Add(const std::string &text);
  void Clear();
  int Count() const { return static_cast<int>(items_.size()); }
  // Raises EStringListError "List index out of bounds (%d)".
  const std::string &Strings(int index) const;
  const std::vector<std::string> &Items() const { return items_; }

  std::function<void(const std::string &)> onAdded;  // for the owning control
  std::function<void()> onCleared;

 private:
  std::vector<std::string> items_;
};

enum class TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };

enum TColor : int32_t {
  clBtnFace = -16777201,   // system colour: face of buttons and dialogs
  clWindowText = -16777208,
  clWindow = -16777211,
};

enum TFontCharset : uint8_t { DEFAULT_CHARSET = 1, CHINESEBIG5_CHARSET = 136 };

struct TFont {
  std::string Name;     // Big5 bytes
  int Height = -11;     // negative: character height in pixels
  TFontCharset Charset = DEFAULT_CHARSET;
  TColor Color = clWindowText;
};

// The screen family (UTF-16) that stands in for a Windows font name (Big5).
std::u16string ScreenFontFamily(const std::string &name);

class TControl : public TComponent {
 public:
  ~TControl() override;

  TWinControl *Parent() const { return parent_; }
  void SetParent(TWinControl *parent);
  void SetBounds(int left, int top, int width, int height);
  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  TAlign Align() const { return align_; }
  void SetAlign(TAlign align);
  bool Visible() const { return visible_; }
  void SetVisible(bool visible);
  int TabOrder() const { return tabOrder_; }
  void SetTabOrder(int order);
  bool TabStop() const { return tabStop_; }
  void SetTabStop(bool tabStop);

  QWidget *Widget() const { return widget_; }  // for the framework and tests

 protected:
  TControl(TComponent *owner, QWidget *widget);
  virtual void ApplyFocusPolicy();
  QWidget *widget_;  // owned; parented into the parent's widget

 private:
  friend class TWinControl;
  TWinControl *parent_ = nullptr;
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  TAlign align_ = TAlign::alNone;
  bool visible_ = true;
  int tabOrder_ = -1;

 protected:
  bool tabStop_ = false;
};

// A control that holds other controls and lays out their alignment.
class TWinControl : public TControl {
 public:
  ~TWinControl() override;
  const std::vector<TControl *> &Controls() const { return controls_; }
  // Places the aligned children into the client rectangle.
  void AlignControls();
  // The client rectangle children align into (inside a panel's bevel).
  virtual int ClientInset() const { return 0; }

 protected:
  TWinControl(TComponent *owner, QWidget *widget);
  void ApplyFocusPolicy() override;
  void ApplyTabOrder();

 private:
  friend class TControl;
  std::vector<TControl *> controls_;
  QObject *filter_;
};

class TPanel : public TWinControl {
 public:
  explicit TPanel(TComponent *owner);
  int ClientInset() const override { return 1; }  // raised bevel, one pixel

 protected:
  void ApplyFocusPolicy() override;
};

class TLabel : public TControl {
 public:
  explicit TLabel(TComponent *owner);
  const std::string &Caption() const { return caption_; }
  void SetCaption(const std::string &caption);
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool autoSize);

 private:
  void Resize();
  std::string caption_;
  bool autoSize_ = true;
};

enum class TComboBoxStyle { csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };

class TComboBox : public TWinControl {
 public:
  explicit TComboBox(TComponent *owner);
  TStrings *const Items;
  int ItemIndex() const { return itemIndex_; }
  void SetItemIndex(int index);  // -1 selects nothing; out of range selects nothing
  // The selected item's text; empty when nothing is selected.
  std::string Text() const;
  TComboBoxStyle Style() const { return style_; }
  void SetStyle(TComboBoxStyle style) { style_ = style; }
  int ItemHeight() const { return itemHeight_; }
  void SetItemHeight(int height);
  ~TComboBox() override;

 private:
  std::unique_ptr<TStrings> items_;
  int itemIndex_ = -1;
  TComboBoxStyle style_ = TComboBoxStyle::csDropDown;
  int itemHeight_ = 16;
};

class TButton : public TWinControl {
 public:
  explicit TButton(TComponent *owner);
  const std::string &Caption() const { return caption_; }
  void SetCaption(const std::string &caption);
  TNotifyEvent OnClick;
  void Click();  // as a mouse click: runs OnClick through the event dispatch

 private:
  std::string caption_;
};

enum class TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };

// A flat button drawn without a window of its own: it never takes the focus.
class TSpeedButton : public TControl {
 public:
  explicit TSpeedButton(TComponent *owner);
  const std::string &Caption() const { return caption_; }
  void SetCaption(const std::string &caption);
  bool Flat() const { return flat_; }
  void SetFlat(bool flat);
  TButtonLayout Layout() const { return layout_; }
  void SetLayout(TButtonLayout layout);
  // The picture as XPM lines; the colour named "None" is transparent.
  void SetGlyph(const char *const *xpm);
  bool HasGlyph() const { return hasGlyph_; }
  TNotifyEvent OnClick;
  void Click();

 protected:
  void ApplyFocusPolicy() override;

 private:
  std::string caption_;
  bool flat_ = false;
  bool hasGlyph_ = false;
  TButtonLayout layout_ = TButtonLayout::blGlyphLeft;
};

class TEdit : public TWinControl {
 public:
  explicit TEdit(TComponent *owner);
  const std::string &Text() const { return text_; }
  void SetText(const std::string &text);  // shown whole, whatever MaxLength says
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool readOnly);
  int MaxLength() const { return maxLength_; }  // binds typing only; 0: no limit
  void SetMaxLength(int maxLength) { maxLength_ = maxLength; }
  char PasswordChar() const { return passwordChar_; }
  void SetPasswordChar(char c);

 private:
  std::string text_;
  bool readOnly_ = false;
  int maxLength_ = 0;
  char passwordChar_ = 0;
};

class TMemo : public TWinControl {
 public:
  explicit TMemo(TComponent *owner);
  ~TMemo() override;
  // One entry per line as added; a line holding CR, LF or other control
  // characters stays one line and is shown with them made visible.
  TStrings *const Lines;
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool readOnly);

 private:
  std::unique_ptr<TStrings> lines_;
  bool readOnly_ = false;
};

class TDataSource;

// A grid showing one row for each record of its data source's data set; its
// columns name no field, so cells and titles stay blank.
class TDBGrid : public TWinControl {
 public:
  explicit TDBGrid(TComponent *owner);
  ~TDBGrid() override;
  TDataSource *DataSource() const { return dataSource_; }
  void SetDataSource(TDataSource *source);
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }
  void SetColumnCount(int count);
  int ColumnCount() const;
  int RowCount() const;  // rows shown
  void Refresh();        // follows the data set

 private:
  TDataSource *dataSource_ = nullptr;
  bool readOnly_ = false;
  int listener_ = -1;
};

// Data sets as the grid sees them; the database layer derives from this.
class TDataSet : public TComponent {
 public:
  using TComponent::TComponent;
  virtual int RecordCount() const { return 0; }
  int AddListener(std::function<void()> listener);
  void RemoveListener(int id);

 protected:
  void DataChanged();  // tells every listener (grids) to refresh

 private:
  std::vector<std::pair<int, std::function<void()>>> listeners_;
  int nextListener_ = 0;
};

class TDataSource : public TComponent {
 public:
  using TComponent::TComponent;
  TDataSet *DataSet() const { return dataSet_; }
  void SetDataSet(TDataSet *dataSet) { dataSet_ = dataSet; }

 private:
  TDataSet *dataSet_ = nullptr;
};

// A timer whose ticks are delivered by whichever event loop runs, modal
// boxes included. Enabling a running timer changes nothing; enabling a
// stopped one starts a fresh period.
class TTimer : public TComponent {
 public:
  explicit TTimer(TComponent *owner);
  ~TTimer() override;
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  int Interval() const { return interval_; }
  void SetInterval(int ms);
  TNotifyEvent OnTimer;

 private:
  QTimer *timer_;
  bool enabled_ = true;
  int interval_ = 1000;
};

class TActionList : public TComponent {
 public:
  using TComponent::TComponent;
};

using TShortCut = uint16_t;  // virtual key code, modifier bits above

// An action with a shortcut that runs whichever control of the form has the focus.
class TAction : public TComponent {
 public:
  explicit TAction(TComponent *owner);
  ~TAction() override;
  void SetActionList(TActionList *list) { actionList_ = list; }
  TActionList *ActionList() const { return actionList_; }
  TShortCut ShortCut() const { return shortCut_; }
  void SetShortCut(TShortCut key);
  TNotifyEvent OnExecute;
  void Execute();

 private:
  TActionList *actionList_ = nullptr;
  TShortCut shortCut_ = 0;
  QAction *action_;
};

inline constexpr TShortCut VK_F6 = 117;

class TForm : public TWinControl {
 public:
  explicit TForm(TComponent *owner);
  ~TForm() override;
  const std::string &Caption() const { return caption_; }
  void SetCaption(const std::string &caption);
  void SetClientSize(int width, int height);
  int ClientWidth() const { return clientWidth_; }
  int ClientHeight() const { return clientHeight_; }
  void SetFont(const TFont &font);
  const TFont &Font() const { return font_; }
  TColor Color() const { return color_; }
  void SetColor(TColor color) { color_ = color; }
  int PixelsPerInch() const { return 96; }

  TNotifyEvent OnCreate;
  // Runs OnCreate; an error escaping it is shown as the standard error box.
  void DoCreate();
  void Show();
  void Close();  // closing the main form ends the application's event loop
  bool Closed() const { return closed_; }

 protected:
  void ApplyFocusPolicy() override;

 private:
  friend class FormWidget;
  void Closing();
  std::string caption_;
  TFont font_;
  TColor color_ = clBtnFace;
  int clientWidth_ = 0, clientHeight_ = 0;
  bool closed_ = false;
};

// The application object: the Qt application, the main form, the event
// dispatch that shows escaping errors, and the event loop.
class TApplication {
 public:
  std::string Title = "coinloft";

  // Creates the Qt application. Call once; argv must outlive the application.
  void Initialize(int &argc, char **argv);
  bool Initialized() const { return qt_ != nullptr; }

  // Creates a form; the first one created becomes the main form. The form
  // stays owned by the application until Run returns or Reset is called.
  template <class T>
  void CreateForm(T *&ref) {
    auto form = std::make_unique<T>(nullptr);
    ref = form.get();
    AdoptForm(std::move(form));
    ref->DoCreate();
  }
  TForm *MainForm() const { return mainForm_; }

  // Shows the main form and runs the event loop until it closes.
  void Run();
  void Terminate();
  // SIGTERM, SIGINT and SIGHUP close the main form as its close button does.
  // Call after the database client is loaded: its engine installs handlers
  // of its own that would leave the window running.
  void HandleTerminationSignals();

  // Frees every form (for tests that build a window more than once).
  void Reset();
  // Frees the forms and the Qt application; call before argv goes away.
  void Finalize();
  ~TApplication();

  // Runs fn as the framework runs an event handler: EAbort ends it silently,
  // any other error is shown in the standard error box; nothing escapes.
  void Dispatch(const std::function<void()> &fn) noexcept;
  void ShowException(const std::exception &e);
  // The top-level box for an error that ends the program: "Application
  // Error", also written to stderr.
  void ShowFatalException(const std::exception &e);

  // The raw command line, as the system hands it to a program.
  std::string CommandLine;

 private:
  void AdoptForm(std::unique_ptr<TForm> form);
  std::unique_ptr<QApplication> qt_;
  std::vector<std::unique_ptr<TForm>> forms_;
  TForm *mainForm_ = nullptr;
};

extern TApplication *Application;

// True when a screen can be opened: a platform is forced (QT_QPA_PLATFORM)
// or an X11 or Wayland display is named in the environment.
bool HaveDisplay();

}  // namespace vcl
