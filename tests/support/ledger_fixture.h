// Real Firebird ledgers for tests: a private embedded database file in a
// temporary folder with its connection definitions (COINLOFT_DBX_DIR points
// at them while the fixture lives), and a private Firebird server on a
// loopback port of its own with user sysdba / "plowfinch".
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/db.h"

class Ledger {
 public:
  // database: empty for a new embedded file in the fixture's folder, or a
  // server path ("127.0.0.1/PORT:/path/ledger.fdb") to create there.
  explicit Ledger(const std::string &database = std::string());
  ~Ledger();
  Ledger(const Ledger &) = delete;
  Ledger &operator=(const Ledger &) = delete;

  const std::string &Dir() const { return dir_; }
  const std::string &Database() const { return database_; }
  // Rewrites the definitions: Tarnix with these values over the stored ones.
  void Define(const std::vector<std::pair<std::string, std::string>> &overrides) const;
  void WriteDrivers(const std::string &vendorLib) const;

  void Exec(const std::string &sql) const;
  vcl::TRowSet Query(const std::string &sql) const;
  // Adds a line; a null flag or amount when not given.
  void AddLine(const std::string &card, std::optional<std::string> flag, std::optional<double> amount) const;
  // The flags of the card's lines in the order they were added ("null" for null).
  std::vector<std::string> Flags(const std::string &card) const;
  void Disconnect();  // the fixture's own attachment, so a test can own the file

 private:
  std::string dir_;
  std::string database_;
  std::string previousDbxDir_;
  std::unique_ptr<vcl::TSQLConnection> admin_;
};

class FirebirdServer {
 public:
  FirebirdServer();  // starts the server; Port() is 0 when it could not start
  ~FirebirdServer();  // stops it (SIGTERM, then SIGKILL after a few seconds)
  FirebirdServer(const FirebirdServer &) = delete;
  FirebirdServer &operator=(const FirebirdServer &) = delete;
  int Port() const { return port_; }
  std::string Path(const std::string &file) const;  // "127.0.0.1/PORT:DIR/file"
  const std::string &Error() const { return error_; }

 private:
  std::string dir_;
  int port_ = 0;
  int pid_ = -1;
  std::string error_;
};
