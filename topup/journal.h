// The write journal: before a card is written, the card number, the record
// about to be written and the record that was read (fields 0 to 2, exact
// bytes) are recorded durably; the entry goes once the ledger lines are
// confirmed. An entry left behind by a crash, a power cut or a failed
// confirmation lets the next run ask the card whether the write happened, so
// a top-up is never credited twice nor lost. One file per card number in
// the folder $COINLOFT_STATE_DIR/journal (default: the per-user state folder).
// GUI thread only.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace topup {

struct JournalEntry {
  std::string card;                      // the card number of the ledger statements
  std::vector<std::string> readRecord;   // fields 0-2 of the card as it was read
  std::vector<std::string> newRecord;    // fields 0-2 about to be written
  bool operator==(const JournalEntry &) const = default;
};

std::string JournalDir();  // $COINLOFT_STATE_DIR/journal, else $XDG_STATE_HOME/coinloft/journal, else ~/.local/state/coinloft/journal

// The open entry for this card number, if any. Raises when it cannot be read
// or is damaged (the entry stays for a person to look at).
std::optional<JournalEntry> FindJournalEntry(const std::string &card);
// Records the entry durably (written, fsynced, renamed). Raises on failure.
void WriteJournalEntry(const JournalEntry &entry);
// Removes the card's entry durably. Raises on failure.
void RemoveJournalEntry(const std::string &card);

}  // namespace topup
