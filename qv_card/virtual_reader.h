// Virtual card readers: the backend of libqv_card and of the qvcard tool.
// A folder (QV_CARD_HOME) holds one subfolder per reader; a card lies in a
// reader as the text file "card" in its folder. Card files are replaced
// atomically. A "faults" file in a reader's folder (or in the home folder, for
// the reader list) plans faults for the next calls. Errors are CardError.
// No shared state: safe wherever the files are not raced by another writer.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace qvcard {

class CardError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct Card {
  std::string password;             // exact bytes
  std::vector<std::string> fields;  // exact bytes, record order
  bool operator==(const Card &) const = default;
};

// The password that an opened card carries and that the library writes with
// unless QV_CARD_WRITE_PASSWORD says otherwise.
inline constexpr const char *kOpenedCardPassword = "8093572";

std::string HomeDir();             // QV_CARD_HOME, else $XDG_DATA_HOME/qv_card, else ~/.local/share/qv_card
std::string WritePassword();       // QV_CARD_WRITE_PASSWORD, else kOpenedCardPassword
std::vector<std::string> Readers();  // names in byte order; none when the home folder is missing

// The folder of a reader; raises when the name is empty, not a plain folder
// name, or no such reader exists.
std::string ReaderDir(const std::string &reader);
void AddReader(const std::string &reader);     // creates the folder (and the home folder)
bool HasCard(const std::string &reader);

// The card in the reader; raises when there is none or its file is corrupt.
Card ReadCard(const std::string &reader);
// Lays the card in the reader, replacing any card (temporary file, fsync, rename).
void WriteCard(const std::string &reader, const Card &card);
void RemoveCard(const std::string &reader);    // no card is fine

std::string FormatCard(const Card &card);
Card ParseCard(const std::string &text);       // raises CardError naming the line

std::string ToHex(const std::string &bytes);
std::optional<std::string> FromHex(const std::string &hex);

// One planned fault: the first line of the faults file naming the function is
// taken out of the file and returned. Lines: "FUNCTION ACTION [ARGUMENT]".
struct Fault {
  std::string action;    // raise, return, write-return, empty, nonarray, null
  std::string argument;  // the message to raise or the code to return
};
// folder: a reader's folder, or HomeDir() for GetReaderOnSystem.
std::optional<Fault> TakeFault(const std::string &folder, const std::string &function);

// Writes a file atomically: temporary file in the same folder, fsync, rename,
// fsync of the folder. Raises CardError when any step fails.
void ReplaceFile(const std::string &path, const std::string &content);

}  // namespace qvcard
