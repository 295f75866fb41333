#include "tests/support/qt_driver.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWidget>

#include "platform/vcl.h"

namespace qt_driver {

void Wait(int ms) { QTest::qWait(ms); }

bool ShowActive(vcl::TForm *form) {
  form->Show();
  form->Widget()->activateWindow();
  return QTest::qWaitForWindowActive(form->Widget(), 2000);
}

void PressKey(int qtKey) {
  QWidget *target = QApplication::focusWidget();
  if (!target) target = QApplication::activeWindow();
  if (!target) return;
  QTest::keyClick(target, static_cast<Qt::Key>(qtKey));
}

int KeyF6() { return Qt::Key_F6; }

void Focus(vcl::TControl *control) {
  control->Widget()->setFocus(Qt::OtherFocusReason);
  QTest::qWait(1);
}

bool HasFocus(vcl::TControl *control) { return control->Widget()->hasFocus(); }

void CloseButton(vcl::TForm *form) { form->Widget()->close(); }

bool IsShown(vcl::TForm *form) { return form->Widget()->isVisible(); }

std::u16string ShownText(vcl::TControl *control) {
  QWidget *w = control->Widget();
  if (auto *edit = qobject_cast<QLineEdit *>(w)) return edit->text().toStdU16String();
  if (auto *label = qobject_cast<QLabel *>(w)) return label->text().toStdU16String();
  if (auto *button = qobject_cast<QAbstractButton *>(w)) return button->text().toStdU16String();
  if (auto *memo = qobject_cast<QPlainTextEdit *>(w)) return memo->toPlainText().toStdU16String();
  return w->windowTitle().toStdU16String();
}

std::u16string ShownLines(vcl::TControl *memo) { return ShownText(memo); }

std::u16string FontFamily(vcl::TControl *control) { return control->Widget()->font().family().toStdU16String(); }
int FontPixelSize(vcl::TControl *control) { return control->Widget()->font().pixelSize(); }

bool TabReachable(vcl::TControl *control) {
  return (control->Widget()->focusPolicy() & Qt::TabFocus) == Qt::TabFocus;
}

std::string EchoMode(vcl::TControl *edit) {
  auto *line = qobject_cast<QLineEdit *>(edit->Widget());
  return line && line->echoMode() == QLineEdit::Password ? "password" : "normal";
}

bool ReadOnlyWidget(vcl::TControl *control) {
  if (auto *edit = qobject_cast<QLineEdit *>(control->Widget())) return edit->isReadOnly();
  if (auto *memo = qobject_cast<QPlainTextEdit *>(control->Widget())) return memo->isReadOnly();
  return false;
}

void Later(int ms, std::function<void()> fn) { QTimer::singleShot(ms, qApp, std::move(fn)); }

}  // namespace qt_driver
