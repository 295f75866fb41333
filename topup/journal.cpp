#include "topup/journal.h"

#include <cstdlib>
#include <sstream>

#include "platform/files.h"
#include "platform/sysutils.h"

namespace topup {
namespace {

std::string EntryPath(const std::string &card) { return JournalDir() + "/card-" + vcl::ToHex(card) + ".entry"; }

std::string RecordLine(const char *name, const std::vector<std::string> &record) {
  std::string line = name;
  for (const std::string &field : record) line += " " + (field.empty() ? std::string("-") : vcl::ToHex(field));
  return line + "\n";
}

}  // namespace

std::string JournalDir() {
  if (const char *dir = std::getenv("COINLOFT_STATE_DIR"); dir && *dir) return std::string(dir) + "/journal";
  if (const char *state = std::getenv("XDG_STATE_HOME"); state && *state) return std::string(state) + "/coinloft/journal";
  const char *home = std::getenv("HOME");
  return std::string(home && *home ? home : "/tmp") + "/.local/state/coinloft/journal";
}

std::optional<JournalEntry> FindJournalEntry(const std::string &card) {
  const std::string path = EntryPath(card);
  std::string text;
  if (!vcl::ReadWholeFile(path, text)) return std::nullopt;
  JournalEntry entry;
  std::istringstream lines(text);
  std::string line, header;
  std::getline(lines, header);
  bool haveCard = false, haveRead = false, haveNew = false;
  while (std::getline(lines, line)) {
    std::istringstream words(line);
    std::string key, word;
    words >> key;
    std::vector<std::string> values;
    while (words >> word) {
      std::string bytes;
      if (word != "-" && !vcl::FromHex(word, bytes)) throw vcl::Exception("damaged write journal entry " + path);
      values.push_back(bytes);
    }
    if (key == "card" && values.size() == 1) {
      entry.card = values[0];
      haveCard = true;
    } else if (key == "read") {
      entry.readRecord = values;
      haveRead = true;
    } else if (key == "new") {
      entry.newRecord = values;
      haveNew = true;
    }
  }
  if (header != "COINLOFT-JOURNAL 1" || !haveCard || !haveRead || !haveNew || entry.card != card) {
    throw vcl::Exception("damaged write journal entry " + path);
  }
  return entry;
}

void WriteJournalEntry(const JournalEntry &entry) {
  vcl::ForceDirectories(JournalDir());
  vcl::ReplaceFileDurably(EntryPath(entry.card), "COINLOFT-JOURNAL 1\ncard " + vcl::ToHex(entry.card) + "\n" +
                                                     RecordLine("read", entry.readRecord) +
                                                     RecordLine("new", entry.newRecord));
}

// The removal need not reach the disk before the run goes on: an entry that
// comes back after a crash names a write the card holds and lines already
// confirmed, so the next run confirms nothing twice and drops it again.
void RemoveJournalEntry(const std::string &card) { vcl::RemoveFile(EntryPath(card)); }

}  // namespace topup
