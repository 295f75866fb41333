#include "ledger/ledger.h"

#include <fstream>
#include <sstream>

#include "platform/inifile.h"

namespace ledger {

void WriteConnectionDefinition(const std::string &dir, const std::string &database) {
  const std::string path = dir + "/dbxconnections.ini";
  std::string kept;
  {
    std::ifstream in(path, std::ios::binary);
    std::string line;
    bool inTarnix = false;
    while (std::getline(in, line)) {
      const std::string trimmed = vcl::Trim(line);
      if (!trimmed.empty() && trimmed.front() == '[') inTarnix = vcl::SameText(trimmed, "[Tarnix]");
      if (!inTarnix) kept += line + "\n";
    }
  }
  std::ostringstream text;
  text << kept;
  if (!kept.empty() && kept.substr(kept.size() - 2) != "\n\n") text << "\n";
  text << "[Tarnix]\n";
  for (const auto &[key, value] : StoredParams()) text << key << "=" << (key == "Database" ? database : value) << "\n";
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text.str();
  if (!out.flush()) throw vcl::Exception("Cannot write " + path);
}

std::string Quoted(const std::string &cardNumber) {
  std::string quoted;
  for (char c : cardNumber) {
    quoted += c;
    if (c == '\'') quoted += '\'';
  }
  return quoted;
}

namespace {

// The card's lines matching the flag condition get the new flag.
void SetFlag(vcl::TSQLQuery *query, const char *set, const std::string &cardNumber, const char *condition) {
  query->Close();
  query->SQL->Clear();
  query->SQL->Add(set);
  query->SQL->Add(" WHERE SUBCARD_ID = '" + Quoted(cardNumber) + "'");
  query->SQL->Add(condition);
  query->ExecSQL();
}

}  // namespace

void Mark(vcl::TSQLQuery *query, const std::string &cardNumber) {
  SetFlag(query, "UPDATE ADDCASH_SUB SET WR_FLAG = 'W' ", cardNumber, " AND WR_FLAG <> 'Y' ");
}

void List(vcl::TClientDataSet *lines, const std::string &cardNumber) {
  lines->Close();
  lines->CommandText = "SELECT * FROM ADDCASH_SUB WHERE WR_FLAG = 'W' AND SUBCARD_ID = '" + Quoted(cardNumber) + "'";
  lines->Open();
}

void Confirm(vcl::TSQLQuery *query, const std::string &cardNumber) {
  SetFlag(query, "UPDATE ADDCASH_SUB SET WR_FLAG = 'Y' ", cardNumber, " AND WR_FLAG = 'W' ");
}

}  // namespace ledger
