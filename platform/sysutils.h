// The runtime's error model and the small text helpers the window code uses.
// Errors are exceptions derived from Exception; EAbort is the silent abort that
// the event dispatch swallows. Every text is an 8-bit Big5 byte string.
// No state: safe on any thread.
#pragma once

#include <cstdint>
#include <ctime>
#include <exception>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vcl {

class Exception : public std::exception {
 public:
  explicit Exception(std::string message);
  const std::string &Message() const { return message_; }
  const char *what() const noexcept override { return message_.c_str(); }
  // The error's class name, as the top-level error box names it.
  virtual const char *ClassName() const { return "Exception"; }
  // Code address of the place that raised the error (for the top-level box).
  const void *Address() const { return address_; }

 private:
  std::string message_;
  const void *address_;
};

#define COINLOFT_DECLARE_EXCEPTION(Name, Base)                        \
  class Name : public Base {                                          \
   public:                                                            \
    explicit Name(std::string message) : Base(std::move(message)) {} \
    const char *ClassName() const override { return #Name; }          \
  }

COINLOFT_DECLARE_EXCEPTION(EAbort, Exception);
COINLOFT_DECLARE_EXCEPTION(EConvertError, Exception);
COINLOFT_DECLARE_EXCEPTION(EVariantError, Exception);
COINLOFT_DECLARE_EXCEPTION(EVariantTypeCastError, EVariantError);
COINLOFT_DECLARE_EXCEPTION(EOleError, Exception);
COINLOFT_DECLARE_EXCEPTION(EDatabaseError, Exception);

// Ends the current event handler silently.
[[noreturn]] void Abort();

// printf-style formatting into an 8-bit text.
std::string Format(const char *fmt, ...) __attribute__((format(printf, 1, 2)));

// Date and time by pattern: yyyy, mm (month, or minute after hh), dd, hh
// (00-23), nn, ss; other characters stand as they are.
std::string FormatDateTime(std::string_view pattern, std::time_t when);
std::string FormatDateTime(std::string_view pattern);  // now, local time

// Whole-number conversion: optional leading blanks, an optional sign, decimal
// digits, nothing after them, within signed 32 bits.
bool TryStrToInt(std::string_view text, int32_t &value);
int32_t StrToIntDef(std::string_view text, int32_t fallback);
// Raises EConvertError "'%s' is not a valid integer value".
int32_t StrToInt(std::string_view text);

// Lowercase hex of the exact bytes, and back (either case; nullopt-like
// false for anything that is not pairs of hex digits).
std::string ToHex(std::string_view bytes);
bool FromHex(std::string_view hex, std::string &bytes);

// Letters a to z turned to upper case; every other byte as it is.
std::string UpperCase(std::string_view text);

// Removes leading and trailing characters of code 32 or less.
std::string Trim(std::string_view text);

// True when the text's last byte sorts after '.': the standard error box
// then adds a full stop.
std::string WithFullStop(const std::string &message);

// Arguments of a command line: blanks separate them, double quotes join
// blanks into one argument and are dropped. Index 0 is the program.
std::vector<std::string> SplitCommandLine(std::string_view commandLine);
// The command line as the system would have received it for these argv
// entries: entries holding a blank are quoted.
std::string JoinCommandLine(const std::vector<std::string> &argv);
// ParamStr(index) over a command line; empty when there is no such argument.
std::string ParamStr(std::string_view commandLine, size_t index);

}  // namespace vcl
