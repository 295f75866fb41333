#include "platform/inifile.h"

#include <fstream>

#include "platform/sysutils.h"

namespace vcl {

bool SameText(const std::string &a, const std::string &b) { return UpperCase(a) == UpperCase(b); }

TIniFile::TIniFile(std::string path) : path_(std::move(path)) {
  std::ifstream in(path_, std::ios::binary);
  exists_ = static_cast<bool>(in);
  std::string line, section;
  while (std::getline(in, line)) {
    line = Trim(line);
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line.front() == '[' && line.back() == ']') {
      section = Trim(line.substr(1, line.size() - 2));
      sections_.push_back(section);
      continue;
    }
    const size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    entries_.push_back({section, Trim(line.substr(0, eq)), Trim(line.substr(eq + 1))});
  }
}

bool TIniFile::SectionExists(const std::string &section) const {
  for (const std::string &s : sections_) {
    if (SameText(s, section)) return true;
  }
  return false;
}

std::vector<std::pair<std::string, std::string>> TIniFile::Section(const std::string &section) const {
  std::vector<std::pair<std::string, std::string>> values;
  for (const Entry &e : entries_) {
    if (SameText(e.section, section)) values.emplace_back(e.key, e.value);
  }
  return values;
}

std::optional<std::string> TIniFile::Read(const std::string &section, const std::string &key) const {
  for (const Entry &e : entries_) {
    if (SameText(e.section, section) && SameText(e.key, key)) return e.value;
  }
  return std::nullopt;
}

}  // namespace vcl
