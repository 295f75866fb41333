// coinloft-ledger: sets up and feeds the top-up ledger, as the shop's other
// programs do. It connects through the same connection definition "Tarnix"
// as the window ($COINLOFT_DBX_DIR, else the program's folder).
//   coinloft-ledger create DATABASE      new ledger file (embedded) + definition
//   coinloft-ledger define DATABASE      definition only (a file, or host:path)
//   coinloft-ledger demo                 the demo ledger, created once
//   coinloft-ledger add CARD AMOUNT [FLAG]   a line waiting for CARD (flag N)
//   coinloft-ledger list [CARD]          the lines, with their states
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "ledger/ledger.h"
#include "platform/db.h"
#include "platform/files.h"
#include "platform/inifile.h"
#include "platform/sysutils.h"

namespace {

using vcl::TSQLConnection;

int Usage() {
  std::fputs(
      "usage: coinloft-ledger create DATABASE\n"
      "       coinloft-ledger define DATABASE\n"
      "       coinloft-ledger demo\n"
      "       coinloft-ledger add CARD AMOUNT [FLAG]\n"
      "       coinloft-ledger list [CARD]\n",
      stderr);
  return 2;
}

std::string DemoDatabase() {
  const char *data = std::getenv("XDG_DATA_HOME");
  const char *home = std::getenv("HOME");
  const std::string base = data && *data ? data : std::string(home ? home : "/tmp") + "/.local/share";
  return base + "/coinloft/POSDATA.FDB";
}

bool Exists(const std::string &path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

void Connect(TSQLConnection &db) {
  db.ConnectionName = "Tarnix";
  db.DriverName = "Interbase";
  db.LoadParamsOnConnect = true;
  db.LoginPrompt = false;
  db.Open();
}

void Create(const std::string &database) {
  TSQLConnection db(nullptr);
  db.Params = ledger::StoredParams();
  for (auto &[key, value] : db.Params) {
    if (key == "Database") value = database;
  }
  db.VendorLib = "libfbclient.so.2";
  if (database.find('/') != std::string::npos && database.find(':') == std::string::npos) {
    vcl::ForceDirectories(database.substr(0, database.rfind('/')));
  }
  db.CreateDatabase();
  db.ExecuteDirect(ledger::kCreateTable);
  db.ExecuteDirect(ledger::kCreateIndex);
  ledger::WriteConnectionDefinition(vcl::ConnectionDefinitionsDir(), database);
}

void Add(const std::string &card, const std::string &amount, const std::string &flag) {
  char *end = nullptr;
  std::strtod(amount.c_str(), &end);
  if (amount.empty() || *end) throw std::runtime_error("amount '" + amount + "' is not a number");
  if (flag.size() != 1 || flag == "'") throw std::runtime_error("flag '" + flag + "' is not one letter");
  TSQLConnection db(nullptr);
  Connect(db);
  db.ExecuteDirect("INSERT INTO ADDCASH_SUB (SUBCARD_ID, WR_FLAG, ADD_CASH) VALUES ('" + ledger::Quoted(card) +
                   "', '" + flag + "', " + amount + ")");
}

void List(const std::string &card) {
  TSQLConnection db(nullptr);
  Connect(db);
  const vcl::TRowSet rows = db.Fetch(
      "SELECT SUBCARD_ID, WR_FLAG, ADD_CASH FROM ADDCASH_SUB" +
      (card.empty() ? std::string() : " WHERE SUBCARD_ID = '" + ledger::Quoted(card) + "'") + " ORDER BY 1");
  for (const auto &row : rows.rows) {
    std::printf("%s\t%s\t%s\n", vcl::VarToAnsi(row[0].Raw()).c_str(),
                row[1].Type() == VT_NULL ? "(null)" : vcl::VarToAnsi(row[1].Raw()).c_str(),
                row[2].Type() == VT_NULL ? "(null)" : vcl::VarToAnsi(row[2].Raw()).c_str());
  }
}

int Run(const std::vector<std::string> &args) {
  if (args.empty()) return Usage();
  const std::string &command = args[0];
  if (command == "create" && args.size() == 2) {
    Create(args[1]);
  } else if (command == "define" && args.size() == 2) {
    ledger::WriteConnectionDefinition(vcl::ConnectionDefinitionsDir(), args[1]);
  } else if (command == "demo" && args.size() == 1) {
    const std::string database = DemoDatabase();
    if (!Exists(database)) {
      Create(database);
      Add("A123", "300", "N");
      Add("A123", "200", "N");
      Add("B456", "1000", "N");
      std::printf("demo ledger %s: lines of 300 and 200 wait for card A123\n", database.c_str());
    } else if (!vcl::TIniFile(vcl::ConnectionDefinitionsDir() + "/dbxconnections.ini").SectionExists("Tarnix")) {
      ledger::WriteConnectionDefinition(vcl::ConnectionDefinitionsDir(), database);
    }
  } else if (command == "add" && (args.size() == 3 || args.size() == 4)) {
    Add(args[1], args[2], args.size() == 4 ? args[3] : "N");
  } else if (command == "list" && args.size() <= 2) {
    List(args.size() == 2 ? args[1] : std::string());
  } else {
    return Usage();
  }
  return 0;
}

}  // namespace

int main(int argc, char **argv) {
  int status;
  try {
    status = Run(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const std::exception &e) {
    std::fprintf(stderr, "coinloft-ledger: %s\n", e.what());
    status = 1;
  }
  vcl::ShutdownDatabaseClient();
  return status;
}
