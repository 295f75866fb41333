#include "tests/support/reader_home.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app/FormCoinloft.h"
#include "card/cipher.h"
#include "card/record.h"

ReaderHome::ReaderHome() {
  if (const char *old = std::getenv("QV_CARD_HOME")) {
    previous_ = old;
    hadPrevious_ = true;
  }
  std::string pattern = (std::filesystem::temp_directory_path() / "qv_card_home.XXXXXX").string();
  path_ = mkdtemp(pattern.data());
  setenv("QV_CARD_HOME", path_.c_str(), 1);
}

ReaderHome::~ReaderHome() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
  if (hadPrevious_) setenv("QV_CARD_HOME", previous_.c_str(), 1);
  else unsetenv("QV_CARD_HOME");
}

void ReaderHome::AddReader(const std::string &name) const { qvcard::AddReader(name); }

void ReaderHome::LayCard(const std::string &reader, const std::vector<std::string> &fields,
                         const std::string &password) const {
  qvcard::AddReader(reader);
  qvcard::WriteCard(reader, qvcard::Card{password, fields});
}

void ReaderHome::LaySealedCard(const std::string &reader, const std::string &number, int a, int b, int c, int d,
                               const std::string &stamp) const {
  card::FillKeyTable(KeyTable);
  LayCard(reader, card::SealedRecord(number, a, b, c, d, stamp));
}

qvcard::Card ReaderHome::CardIn(const std::string &reader) const { return qvcard::ReadCard(reader); }

void ReaderHome::PlanFaults(const std::string &reader, const std::string &lines) const {
  WriteFile(reader.empty() ? "faults" : reader + "/faults", lines);
}

void ReaderHome::WriteFile(const std::string &relative, const std::string &content) const {
  std::ofstream out(path_ + "/" + relative, std::ios::binary | std::ios::app);
  out << content;
}
