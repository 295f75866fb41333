#include "platform/sysutils.h"

#include <cstdarg>
#include <cstdio>
#include <limits>

namespace vcl {

Exception::Exception(std::string message)
    : message_(std::move(message)), address_(__builtin_return_address(0)) {}

void Abort() { throw EAbort("Operation aborted"); }

std::string Format(const char *fmt, ...) {
  va_list args;
  va_start(args, fmt);
  va_list copy;
  va_copy(copy, args);
  const int needed = std::vsnprintf(nullptr, 0, fmt, copy);
  va_end(copy);
  std::string out(needed > 0 ? static_cast<size_t>(needed) : 0, '\0');
  if (needed > 0) std::vsnprintf(out.data(), out.size() + 1, fmt, args);
  va_end(args);
  return out;
}

std::string FormatDateTime(std::string_view pattern, std::time_t when) {
  std::tm tm{};
  localtime_r(&when, &tm);
  std::string out;
  bool afterHour = false;
  size_t i = 0;
  auto starts = [&](std::string_view token) { return pattern.substr(i, token.size()) == token; };
  while (i < pattern.size()) {
    if (starts("yyyy")) {
      out += Format("%04d", tm.tm_year + 1900);
      i += 4;
    } else if (starts("mm")) {
      out += Format("%02d", afterHour ? tm.tm_min : tm.tm_mon + 1);
      i += 2;
    } else if (starts("dd")) {
      out += Format("%02d", tm.tm_mday);
      i += 2;
    } else if (starts("hh")) {
      out += Format("%02d", tm.tm_hour);
      afterHour = true;
      i += 2;
    } else if (starts("nn")) {
      out += Format("%02d", tm.tm_min);
      i += 2;
    } else if (starts("ss")) {
      out += Format("%02d", tm.tm_sec);
      i += 2;
    } else {
      out += pattern[i++];
    }
  }
  return out;
}

std::string FormatDateTime(std::string_view pattern) { return FormatDateTime(pattern, std::time(nullptr)); }

bool TryStrToInt(std::string_view text, int32_t &value) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i == text.size()) return false;
  int64_t magnitude = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') return false;
    magnitude = magnitude * 10 + (c - '0');
    if (magnitude > static_cast<int64_t>(std::numeric_limits<int32_t>::max()) + 1) return false;
  }
  const int64_t signedValue = negative ? -magnitude : magnitude;
  if (signedValue > std::numeric_limits<int32_t>::max()) return false;
  value = static_cast<int32_t>(signedValue);
  return true;
}

int32_t StrToIntDef(std::string_view text, int32_t fallback) {
  int32_t value;
  return TryStrToInt(text, value) ? value : fallback;
}

int32_t StrToInt(std::string_view text) {
  int32_t value;
  if (!TryStrToInt(text, value)) {
    throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
  }
  return value;
}

std::string ToHex(std::string_view bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(bytes.size() * 2);
  for (unsigned char b : bytes) {
    hex += digits[b >> 4];
    hex += digits[b & 15];
  }
  return hex;
}

bool FromHex(std::string_view hex, std::string &bytes) {
  if (hex.size() % 2) return false;
  auto nibble = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  std::string out;
  out.reserve(hex.size() / 2);
  for (size_t i = 0; i < hex.size(); i += 2) {
    const int hi = nibble(hex[i]), lo = nibble(hex[i + 1]);
    if (hi < 0 || lo < 0) return false;
    out += static_cast<char>(hi << 4 | lo);
  }
  bytes = std::move(out);
  return true;
}

std::string UpperCase(std::string_view text) {
  std::string out(text);
  for (char &c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

std::string Trim(std::string_view text) {
  size_t first = 0, last = text.size();
  while (first < last && static_cast<unsigned char>(text[first]) <= ' ') ++first;
  while (last > first && static_cast<unsigned char>(text[last - 1]) <= ' ') --last;
  return std::string(text.substr(first, last - first));
}

std::string WithFullStop(const std::string &message) {
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') return message + ".";
  return message;
}

std::vector<std::string> SplitCommandLine(std::string_view line) {
  std::vector<std::string> args;
  size_t i = 0;
  for (;;) {
    while (i < line.size() && static_cast<unsigned char>(line[i]) <= ' ') ++i;
    if (i >= line.size()) break;
    std::string arg;
    bool quoted = false;
    while (i < line.size() && (quoted || static_cast<unsigned char>(line[i]) > ' ')) {
      if (line[i] == '"') quoted = !quoted;
      else arg += line[i];
      ++i;
    }
    args.push_back(std::move(arg));
  }
  return args;
}

std::string JoinCommandLine(const std::vector<std::string> &argv) {
  std::string line;
  for (size_t i = 0; i < argv.size(); ++i) {
    if (i) line += ' ';
    bool blank = argv[i].empty();
    for (unsigned char c : argv[i]) blank = blank || c <= ' ';
    line += blank ? "\"" + argv[i] + "\"" : argv[i];
  }
  return line;
}

std::string ParamStr(std::string_view commandLine, size_t index) {
  std::vector<std::string> args = SplitCommandLine(commandLine);
  return index < args.size() ? args[index] : std::string();
}

}  // namespace vcl
