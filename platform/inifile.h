// INI files as the connection layer keeps its definitions: [Section] lines
// and Key=Value lines; keys and section names match without regard to case;
// ';' and '#' start a comment line. Values are 8-bit texts, trimmed.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vcl {

class TIniFile {
 public:
  // Reads the file; a missing file reads as empty (Exists() tells).
  explicit TIniFile(std::string path);
  bool Exists() const { return exists_; }
  const std::string &FileName() const { return path_; }
  bool SectionExists(const std::string &section) const;
  // The section's keys and values in file order.
  std::vector<std::pair<std::string, std::string>> Section(const std::string &section) const;
  std::optional<std::string> Read(const std::string &section, const std::string &key) const;

 private:
  struct Entry {
    std::string section, key, value;
  };
  std::string path_;
  bool exists_ = false;
  std::vector<std::string> sections_;
  std::vector<Entry> entries_;
};

bool SameText(const std::string &a, const std::string &b);  // ASCII letters without regard to case

}  // namespace vcl
