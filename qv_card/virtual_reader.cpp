#include "qv_card/virtual_reader.h"

#include "platform/files.h"
#include "platform/sysutils.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sstream>

namespace qvcard {
namespace {

std::string EnvOr(const char *name, const std::string &fallback) {
  const char *value = std::getenv(name);
  return value && *value ? std::string(value) : fallback;
}

bool IsDir(const std::string &path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsPlainName(const std::string &name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
         name.find('\0') == std::string::npos;
}

std::string ReadWholeFile(const std::string &path, bool &exists) {
  std::string text;
  try {
    exists = vcl::ReadWholeFile(path, text);
  } catch (const vcl::Exception &e) {
    throw CardError(e.Message());
  }
  return text;
}

}  // namespace

std::string HomeDir() {
  if (const char *home = std::getenv("QV_CARD_HOME"); home && *home) return home;
  std::string data = EnvOr("XDG_DATA_HOME", EnvOr("HOME", "/tmp") + "/.local/share");
  return data + "/qv_card";
}

std::string WritePassword() { return EnvOr("QV_CARD_WRITE_PASSWORD", kOpenedCardPassword); }

std::vector<std::string> Readers() {
  std::vector<std::string> names;
  const std::string home = HomeDir();
  DIR *dir = ::opendir(home.c_str());
  if (!dir) return names;
  while (dirent *entry = ::readdir(dir)) {
    std::string name = entry->d_name;
    if (IsPlainName(name) && name[0] != '.' && IsDir(home + "/" + name)) names.push_back(name);
  }
  ::closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

std::string ReaderDir(const std::string &reader) {
  if (reader.empty()) throw CardError("no card reader selected");
  if (!IsPlainName(reader)) throw CardError("invalid card reader name '" + reader + "'");
  std::string dir = HomeDir() + "/" + reader;
  if (!IsDir(dir)) throw CardError("no card reader named '" + reader + "'");
  return dir;
}

void AddReader(const std::string &reader) {
  if (!IsPlainName(reader) || reader[0] == '.') throw CardError("invalid card reader name '" + reader + "'");
  try {
    vcl::ForceDirectories(HomeDir() + "/" + reader);
  } catch (const vcl::Exception &e) {
    throw CardError(e.Message());
  }
}

bool HasCard(const std::string &reader) {
  struct stat st;
  return ::stat((ReaderDir(reader) + "/card").c_str(), &st) == 0;
}

Card ReadCard(const std::string &reader) {
  const std::string path = ReaderDir(reader) + "/card";
  bool exists = false;
  std::string text = ReadWholeFile(path, exists);
  if (!exists) throw CardError("no card in reader '" + reader + "'");
  return ParseCard(text);
}

void WriteCard(const std::string &reader, const Card &card) { ReplaceFile(ReaderDir(reader) + "/card", FormatCard(card)); }

void RemoveCard(const std::string &reader) {
  const std::string path = ReaderDir(reader) + "/card";
  if (::unlink(path.c_str()) != 0 && errno != ENOENT) throw CardError("cannot remove " + path + ": " + std::strerror(errno));
}

std::string ToHex(const std::string &bytes) { return vcl::ToHex(bytes); }

std::optional<std::string> FromHex(const std::string &hex) {
  std::string bytes;
  if (!vcl::FromHex(hex, bytes)) return std::nullopt;
  return bytes;
}

std::string FormatCard(const Card &card) {
  std::string text = "QVCARD 1\npassword " + ToHex(card.password) + "\n";
  for (const std::string &field : card.fields) text += field.empty() ? "field\n" : "field " + ToHex(field) + "\n";
  return text;
}

Card ParseCard(const std::string &text) {
  Card card;
  bool havePassword = false;
  size_t start = 0;
  int lineNo = 0;
  auto corrupt = [&](const std::string &why) -> CardError {
    return CardError("corrupt card file, line " + std::to_string(lineNo) + ": " + why);
  };
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    ++lineNo;
    if (lineNo == 1) {
      if (line != "QVCARD 1") throw corrupt("expected \"QVCARD 1\"");
      continue;
    }
    const size_t blank = line.find(' ');
    const std::string key = line.substr(0, blank);
    const std::string value = blank == std::string::npos ? std::string() : line.substr(blank + 1);
    if (blank != std::string::npos && value.empty()) throw corrupt("trailing blank");
    std::optional<std::string> bytes = FromHex(value);
    if (!bytes) throw corrupt("value is not hex");
    if (key == "password") {
      if (havePassword) throw corrupt("second password");
      card.password = *bytes;
      havePassword = true;
    } else if (key == "field") {
      card.fields.push_back(*bytes);
    } else {
      throw corrupt("unknown item \"" + key + "\"");
    }
  }
  if (lineNo == 0) throw CardError("corrupt card file: empty");
  if (!havePassword) throw CardError("corrupt card file: no password");
  return card;
}

std::optional<Fault> TakeFault(const std::string &folder, const std::string &function) {
  const std::string path = folder + "/faults";
  bool exists = false;
  std::string text = ReadWholeFile(path, exists);
  if (!exists) return std::nullopt;
  std::istringstream lines(text);
  std::string line, rest;
  std::optional<Fault> taken;
  while (std::getline(lines, line)) {
    if (!taken) {
      std::istringstream words(line);
      std::string name, action;
      words >> name >> action;
      if (name == function && !action.empty()) {
        std::string argument;
        std::getline(words >> std::ws, argument);
        taken = Fault{action, argument};
        continue;
      }
    }
    rest += line + "\n";
  }
  if (taken) {
    if (rest.empty()) ::unlink(path.c_str());
    else ReplaceFile(path, rest);
  }
  return taken;
}

void ReplaceFile(const std::string &path, const std::string &content) {
  try {
    vcl::ReplaceFileDurably(path, content);
  } catch (const vcl::Exception &e) {
    throw CardError(e.Message());
  }
}

}  // namespace qvcard
