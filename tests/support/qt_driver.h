// Drives the real Qt widgets behind the framework for tests: waiting while
// the event loop runs, pressing keys on the focused widget, reading what the
// screen shows. Keeps Qt headers out of the tests, whose texts are Big5.
#pragma once

#include <functional>
#include <string>

namespace vcl {
class TControl;
class TForm;
}  // namespace vcl

namespace qt_driver {

// Runs the event loop (timers included) for about ms milliseconds.
void Wait(int ms);
// Shows the form and waits until it is the active window.
bool ShowActive(vcl::TForm *form);
// Sends a key press and release (Qt::Key code) to the focused widget of the
// active window, as the keyboard would.
void PressKey(int qtKey);
int KeyF6();
// Moves the keyboard focus to a control.
void Focus(vcl::TControl *control);
bool HasFocus(vcl::TControl *control);
// Presses the window's close button.
void CloseButton(vcl::TForm *form);
bool IsShown(vcl::TForm *form);
// The text that a control shows on the screen.
std::u16string ShownText(vcl::TControl *control);
// The lines a memo shows, joined with '\n'.
std::u16string ShownLines(vcl::TControl *memo);
std::u16string FontFamily(vcl::TControl *control);
int FontPixelSize(vcl::TControl *control);
// Whether the Tab key can reach the control.
bool TabReachable(vcl::TControl *control);
std::string EchoMode(vcl::TControl *edit);  // "normal" or "password"
bool ReadOnlyWidget(vcl::TControl *control);
// Runs fn from the event loop after ms milliseconds.
void Later(int ms, std::function<void()> fn);

}  // namespace qt_driver
