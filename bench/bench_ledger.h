// A throw-away embedded ledger for benchmarks: a new database file with the
// ledger table in a temporary folder, defined as "Tarnix" there
// (COINLOFT_DBX_DIR points at it). Removed when the object goes.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "ledger/ledger.h"
#include "platform/db.h"

class BenchLedger {
 public:
  BenchLedger() {
    std::string pattern = (std::filesystem::temp_directory_path() / "coinloft-bench-ledger.XXXXXX").string();
    dir_ = mkdtemp(pattern.data());
    setenv("COINLOFT_DBX_DIR", dir_.c_str(), 1);
    setenv("FIREBIRD", COINLOFT_BUILD_DIR "/firebird", 0);
    std::ofstream(dir_ + "/dbxdrivers.ini") << "[Interbase]\nGetDriverFunc=getSQLDriverINTERBASE\n"
                                               "LibraryName=libcoinloft_db\nVendorLib=libfbclient.so.2\n";
    ledger::WriteConnectionDefinition(dir_, dir_ + "/POSDATA.FDB");
    admin.Params = ledger::StoredParams();
    for (auto &[key, value] : admin.Params) {
      if (key == "Database") value = dir_ + "/POSDATA.FDB";
    }
    admin.VendorLib = "libfbclient.so.2";
    admin.CreateDatabase();
    admin.ExecuteDirect(ledger::kCreateTable);
    admin.ExecuteDirect(ledger::kCreateIndex);
  }
  ~BenchLedger() {
    admin.Close();
    std::filesystem::remove_all(dir_);
  }
  vcl::TSQLConnection admin{nullptr};

 private:
  std::string dir_;
};
