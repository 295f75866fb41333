// qvcard: manages virtual card readers and the cards lying in them.
//   qvcard readers                         list the readers
//   qvcard add-reader NAME                 create a reader
//   qvcard insert NAME FILE                lay the card file FILE in the reader
//   qvcard remove NAME                     take the card out
//   qvcard show NAME                       print the card, raw and decoded
//   qvcard issue NAME NUMBER [A B C D [STAMP]]
//                                          lay a newly opened card in the reader,
//                                          amounts encoded under STAMP (default now)
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/FormCoinloft.h"
#include "card/cipher.h"
#include "card/record.h"
#include "platform/sysutils.h"
#include "qv_card/virtual_reader.h"

namespace {

int Usage() {
  std::fputs(
      "usage: qvcard readers\n"
      "       qvcard add-reader NAME\n"
      "       qvcard insert NAME FILE\n"
      "       qvcard remove NAME\n"
      "       qvcard show NAME\n"
      "       qvcard issue NAME NUMBER [A B C D [STAMP]]\n"
      "readers live in $QV_CARD_HOME (now: ",
      stderr);
  std::fprintf(stderr, "%s)\n", qvcard::HomeDir().c_str());
  return 2;
}

bool Printable(const std::string &bytes) {
  for (unsigned char c : bytes) {
    if (c < 0x20 || c > 0x7E) return false;
  }
  return true;
}

std::string Shown(const std::string &bytes) {
  if (Printable(bytes)) return "\"" + bytes + "\"";
  return "hex " + qvcard::ToHex(bytes);
}

int32_t Amount(const std::string &text) {
  int32_t value;
  if (!vcl::TryStrToInt(text, value) || value < 0 || value > 9999999) {
    throw std::runtime_error("amount '" + text + "' is not a whole number from 0 to 9999999");
  }
  return value;
}

void ShowDecoded(const std::vector<std::string> &fields) {
  if (fields.size() < 3) {
    std::printf("decoded: record has %zu fields, fewer than 3\n", fields.size());
    return;
  }
  std::printf("number: %s\n", Shown(fields[0]).c_str());
  try {
    const std::string seal = fields[2];
    std::printf("seal: %s\n", TFormCoinloft::Date_Rtn_Pass(seal).c_str());
    const std::string stamp = card::Copy(seal, 1, 14);
    std::printf("key stamp: %s\n", Shown(stamp).c_str());
    const std::string &block = fields[1];
    if (block.size() < 28) {
      std::printf("amounts: block of %zu characters, fewer than 28\n", block.size());
      return;
    }
    const char *names[4] = {"A", "B", "C", "D"};
    const std::array<std::string, 4> plain = card::DecodeAmounts(block, stamp);
    for (size_t i = 0; i < 4; ++i) {
      std::printf("%s=%s\n", names[i], Printable(plain[i]) ? plain[i].c_str() : Shown(plain[i]).c_str());
    }
  } catch (const std::exception &e) {
    std::printf("decoding failed: %s\n", e.what());
  }
}

int Run(const std::vector<std::string> &args) {
  if (args.empty()) return Usage();
  const std::string &command = args[0];
  if (command == "readers" && args.size() == 1) {
    for (const std::string &name : qvcard::Readers()) std::printf("%s\n", name.c_str());
    return 0;
  }
  if (args.size() < 2) return Usage();
  const std::string &reader = args[1];
  if (command == "add-reader" && args.size() == 2) {
    qvcard::AddReader(reader);
    return 0;
  }
  if (command == "insert" && args.size() == 3) {
    std::ifstream in(args[2], std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + args[2]);
    std::ostringstream text;
    text << in.rdbuf();
    qvcard::WriteCard(reader, qvcard::ParseCard(text.str()));
    return 0;
  }
  if (command == "remove" && args.size() == 2) {
    qvcard::RemoveCard(reader);
    return 0;
  }
  if (command == "show" && args.size() == 2) {
    const qvcard::Card card = qvcard::ReadCard(reader);
    std::printf("password: %s\n", Shown(card.password).c_str());
    for (size_t i = 0; i < card.fields.size(); ++i) std::printf("field %zu: %s\n", i, Shown(card.fields[i]).c_str());
    ShowDecoded(card.fields);
    return 0;
  }
  if (command == "issue" && (args.size() == 3 || args.size() == 7 || args.size() == 8)) {
    int32_t a = 0, b = 0, c = 0, d = 0;
    if (args.size() >= 7) {
      a = Amount(args[3]);
      b = Amount(args[4]);
      c = Amount(args[5]);
      d = Amount(args[6]);
    }
    const std::string stamp = args.size() == 8 ? args[7] : vcl::FormatDateTime("yyyymmddhhnnss");
    qvcard::Card issued{qvcard::kOpenedCardPassword, card::SealedRecord(args[2], a, b, c, d, stamp)};
    qvcard::WriteCard(reader, issued);
    return 0;
  }
  return Usage();
}

}  // namespace

int main(int argc, char **argv) {
  card::FillKeyTable(KeyTable);
  try {
    return Run(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const std::exception &e) {
    std::fprintf(stderr, "qvcard: %s\n", e.what());
    return 1;
  }
}
