#include "tests/support/ledger_fixture.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "ledger/ledger.h"
#include "platform/sysutils.h"

extern char **environ;

namespace {

std::string TempDir(const char *prefix) {
  std::string pattern = (std::filesystem::temp_directory_path() / (std::string(prefix) + ".XXXXXX")).string();
  return mkdtemp(pattern.data());
}

// The client configuration the program would use, from the build.
void UseBuildFirebird() { setenv("FIREBIRD", COINLOFT_BUILD_DIR "/firebird", 1); }

}  // namespace

Ledger::Ledger(const std::string &database) : dir_(TempDir("coinloft-ledger")) {
  UseBuildFirebird();
  if (const char *old = std::getenv("COINLOFT_DBX_DIR")) previousDbxDir_ = old;
  setenv("COINLOFT_DBX_DIR", dir_.c_str(), 1);
  database_ = database.empty() ? dir_ + "/POSDATA.FDB" : database;
  WriteDrivers("libfbclient.so.2");
  Define({});
  admin_ = std::make_unique<vcl::TSQLConnection>(nullptr);
  admin_->Params = ledger::StoredParams();
  for (auto &[key, value] : admin_->Params) {
    if (key == "Database") value = database_;
  }
  admin_->VendorLib = "libfbclient.so.2";
  admin_->CreateDatabase();
  admin_->ExecuteDirect(ledger::kCreateTable);
  admin_->ExecuteDirect(ledger::kCreateIndex);
}

Ledger::~Ledger() {
  admin_.reset();
  if (previousDbxDir_.empty()) unsetenv("COINLOFT_DBX_DIR");
  else setenv("COINLOFT_DBX_DIR", previousDbxDir_.c_str(), 1);
  std::error_code ignored;
  std::filesystem::remove_all(dir_, ignored);
}

void Ledger::Define(const std::vector<std::pair<std::string, std::string>> &overrides) const {
  ledger::WriteConnectionDefinition(dir_, database_);
  if (overrides.empty()) return;
  std::ofstream out(dir_ + "/dbxconnections.ini", std::ios::trunc);
  out << "[Tarnix]\n";
  for (auto [key, value] : ledger::StoredParams()) {
    if (key == "Database") value = database_;
    for (const auto &[k, v] : overrides) {
      if (k == key) value = v;
    }
    out << key << "=" << value << "\n";
  }
}

void Ledger::WriteDrivers(const std::string &vendorLib) const {
  std::ofstream out(dir_ + "/dbxdrivers.ini", std::ios::trunc);
  out << "[Interbase]\nGetDriverFunc=getSQLDriverINTERBASE\nLibraryName=libcoinloft_db\nVendorLib=" << vendorLib << "\n";
}

void Ledger::Exec(const std::string &sql) const { admin_->ExecuteDirect(sql); }
vcl::TRowSet Ledger::Query(const std::string &sql) const { return admin_->Fetch(sql); }

void Ledger::AddLine(const std::string &card, std::optional<std::string> flag, std::optional<double> amount) const {
  Exec("INSERT INTO ADDCASH_SUB (SUBCARD_ID, WR_FLAG, ADD_CASH) VALUES ('" + ledger::Quoted(card) + "', " +
       (flag ? "'" + *flag + "'" : std::string("NULL")) + ", " +
       (amount ? vcl::Format("%.2f", *amount) : std::string("NULL")) + ")");
}

std::vector<std::string> Ledger::Flags(const std::string &card) const {
  std::vector<std::string> flags;
  for (const auto &row : Query("SELECT WR_FLAG FROM ADDCASH_SUB WHERE SUBCARD_ID = '" + ledger::Quoted(card) +
                               "' ORDER BY LINE_ID")
                             .rows) {
    flags.push_back(row[0].Type() == VT_NULL ? "null" : vcl::VarToAnsi(row[0].Raw()));
  }
  return flags;
}

void Ledger::Disconnect() { admin_.reset(); }

FirebirdServer::FirebirdServer() : dir_(TempDir("coinloft-fbserver")) {
  // A free loopback port: bind to 0, read it back, release it.
  const int probe = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  bind(probe, reinterpret_cast<sockaddr *>(&addr), sizeof addr);
  getsockname(probe, reinterpret_cast<sockaddr *>(&addr), &len);
  const int port = ntohs(addr.sin_port);
  close(probe);

  const std::string system = "/usr/lib/x86_64-linux-gnu/firebird/3.0";
  {
    std::ofstream conf(dir_ + "/firebird.conf");
    conf << "RemoteServicePort = " << port << "\nRemoteBindAddress = 127.0.0.1\n"
         << "SecurityDatabase = " << dir_ << "/security3.fdb\n"
         << "AuthServer = Srp\nAuthClient = Srp\nUserManager = Srp\nServerMode = Super\nWireCrypt = Enabled\n";
    std::ofstream databases(dir_ + "/databases.conf");
    databases << "security.db = " << dir_ << "/security3.fdb\n";
  }
  std::filesystem::copy_file(system + "/plugins.conf", dir_ + "/plugins.conf");
  std::filesystem::create_directory_symlink(system + "/intl", dir_ + "/intl");
  std::filesystem::create_directory(dir_ + "/lock");
  std::filesystem::create_directory(dir_ + "/tmp");
  const std::string env = "FIREBIRD=" + dir_ + " FIREBIRD_LOCK=" + dir_ + "/lock FIREBIRD_TMP=" + dir_ + "/tmp";
  const std::string make = "printf \"create database '" + dir_ +
                           "/security3.fdb';\\ncreate user SYSDBA password 'plowfinch' using plugin Srp;\\ncommit;\\n\" | " +
                           env + " isql-fb -q -user SYSDBA > " + dir_ + "/isql.log 2>&1";
  if (std::system(make.c_str()) != 0) {
    error_ = "cannot create the security database";
    return;
  }
  std::vector<std::string> environment;
  for (char **e = environ; *e; ++e) {
    std::string entry = *e;
    if (entry.rfind("FIREBIRD", 0) != 0) environment.push_back(entry);
  }
  environment.push_back("FIREBIRD=" + dir_);
  environment.push_back("FIREBIRD_LOCK=" + dir_ + "/lock");
  environment.push_back("FIREBIRD_TMP=" + dir_ + "/tmp");
  std::vector<char *> envp;
  for (std::string &e : environment) envp.push_back(e.data());
  envp.push_back(nullptr);
  char program[] = "/usr/sbin/firebird";
  char *argv[] = {program, nullptr};
  if (posix_spawn(&pid_, program, nullptr, nullptr, argv, envp.data()) != 0) {
    error_ = "cannot start /usr/sbin/firebird";
    pid_ = -1;
    return;
  }
  for (int i = 0; i < 200; ++i) {  // listening within a fraction of a second
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(static_cast<uint16_t>(port));
    target.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool up = connect(s, reinterpret_cast<sockaddr *>(&target), sizeof target) == 0;
    close(s);
    if (up) {
      port_ = port;
      return;
    }
    usleep(25000);
  }
  error_ = "the server did not listen on port " + std::to_string(port);
}

FirebirdServer::~FirebirdServer() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    int status;
    bool gone = false;
    for (int i = 0; i < 60 && !gone; ++i) {
      gone = waitpid(pid_, &status, WNOHANG) == pid_;
      if (!gone) usleep(50000);
    }
    if (!gone) {  // now and then it lingers after SIGTERM
      kill(pid_, SIGKILL);
      waitpid(pid_, &status, 0);
    }
  }
  std::error_code ignored;
  std::filesystem::remove_all(dir_, ignored);
}

std::string FirebirdServer::Path(const std::string &file) const {
  return "127.0.0.1/" + std::to_string(port_) + ":" + dir_ + "/" + file;
}
