// Modal message boxes, and the seam through which tests see and answer them.
// Every box is shown through ShowBox, recorded, and runs its own event loop,
// in which timer ticks go on. GUI thread only.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace vcl {

enum class TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn : unsigned { mbOK = 1 };
using TMsgDlgButtons = unsigned;

enum class BoxKind {
  Error,             // MessageDlg(mtError): title "Error"
  Information,       // MessageDlg(mtInformation): title "Information"
  Plain,             // ShowMessage: the application's title
  StandardError,     // an error escaping an event handler
  ApplicationError,  // an error that ends the program
};

struct ShownBox {
  BoxKind kind;
  std::string caption;  // Big5
  std::string text;     // Big5
  bool operator==(const ShownBox &) const = default;
};

// Shows a modal box with one OK button; returns when it is closed.
void ShowBox(BoxKind kind, const std::string &caption, const std::string &text);

// The framework's message dialog; returns the button pressed (mbOK).
int MessageDlg(const std::string &msg, TMsgDlgType type, TMsgDlgButtons buttons, int helpContext);
void ShowMessage(const std::string &msg);

namespace boxseam {

// Called inside the box's own modal loop once the box is up; the box closes
// when the answerer returns. Without an answerer the box waits for a person.
using Answerer = std::function<void(const ShownBox &)>;
void SetAnswerer(Answerer answerer);
const std::vector<ShownBox> &Shown();  // every box since the last Clear, in order
void Clear();

}  // namespace boxseam
}  // namespace vcl
