// Database components of the window over the Firebird 3 client library:
// the connection, the statement query, the listing chain (query data set ->
// provider -> client data set), fields of a fetched record, and the data
// source of the grid. Each statement runs in a transaction of its own (read
// committed, waiting on locks) that is committed as the statement completes.
// Failures raise EDatabaseError with Firebird's own message and error code.
// GUI thread only; the Firebird headers stay in db.cpp.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/sysutils.h"
#include "platform/variants.h"
#include "platform/vcl.h"

namespace vcl {

// A database error: Firebird's message, and its ISC error code (0 when the
// error comes from this layer).
class EDatabaseErrorCode : public EDatabaseError {
 public:
  EDatabaseErrorCode(std::string message, long code) : EDatabaseError(std::move(message)), code_(code) {}
  const char *ClassName() const override { return "EDatabaseError"; }
  long ErrorCode() const { return code_; }

 private:
  long code_;
};

using TParams = std::vector<std::pair<std::string, std::string>>;  // key, value in order

// The value of a key, matched without regard to case; empty when absent.
std::string ParamValue(const TParams &params, const std::string &key);

// Rows fetched by a query: column names, then one value per column.
struct TRowSet {
  std::vector<std::string> names;
  std::vector<std::vector<OleVariant>> rows;
};

class TSQLConnection : public TComponent {
 public:
  explicit TSQLConnection(TComponent *owner);
  ~TSQLConnection() override;

  std::string ConnectionName;
  std::string DriverName;
  std::string GetDriverFunc;
  std::string LibraryName;
  std::string VendorLib;
  bool LoadParamsOnConnect = false;
  bool LoginPrompt = true;
  TParams Params;

  bool Connected() const;
  // Opening looks up the definitions first when LoadParamsOnConnect is on
  // (ConnectionDefinitionsDir()), loads the vendor library and attaches.
  void SetConnected(bool connected);
  void Open() { SetConnected(true); }
  void Close() { SetConnected(false); }
  std::string Param(const std::string &key) const;  // empty when absent

  // Creates the database that the parameters name (it must not exist yet)
  // and stays attached to it. Uses Params and VendorLib as they stand.
  void CreateDatabase();

  // One statement that returns no rows, committed when it completes.
  void ExecuteDirect(const std::string &sql);
  // One query, every row fetched, committed when the last row is in.
  TRowSet Fetch(const std::string &sql);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Where "dbxconnections.ini" and "dbxdrivers.ini" are: $COINLOFT_DBX_DIR,
// else the folder of the running program.
std::string ConnectionDefinitionsDir();
std::string ProgramDir();

// Shuts the loaded Firebird client (and its embedded engine) down: its
// threads end and its files are closed. Call once every connection is
// closed, before the program ends.
void ShutdownDatabaseClient();

// Points FIREBIRD at the client configuration folder beside the program
// ("firebird"), unless the environment already names one.
void UseProgramFirebirdConfig();

class TSQLQuery : public TDataSet {
 public:
  explicit TSQLQuery(TComponent *owner);
  ~TSQLQuery() override;
  TSQLConnection *SQLConnection = nullptr;
  int MaxBlobSize = 0;
  TStrings *const SQL;
  // The statement text: the lines, each followed by CR LF.
  std::string Text() const;
  void Close() {}  // a statement query never holds an open result
  void ExecSQL();

 private:
  std::unique_ptr<TStrings> sql_;
};

class TSQLDataSet : public TDataSet {
 public:
  using TDataSet::TDataSet;
  TSQLConnection *SQLConnection = nullptr;
  int MaxBlobSize = 0;
  std::string CommandText;
  TRowSet FetchAll();
};

enum TProviderOption : unsigned { poAllowCommandText = 1u << 0 };

class TDataSetProvider : public TComponent {
 public:
  using TComponent::TComponent;
  TDataSet *DataSet = nullptr;
  unsigned Options = 0;
  // Runs the client's command text on the provider's data set.
  TRowSet Provide(const std::string &commandText);
};

class TClientDataSet;

class TField {
 public:
  TField(const TClientDataSet *owner, int index, std::string name);
  const std::string &FieldName() const { return name_; }
  const OleVariant &Value() const;  // of the current record; VT_NULL for a null
  bool IsNull() const { return Value().Type() == VT_NULL; }

 private:
  const TClientDataSet *owner_;
  int index_;
  std::string name_;
};

class TClientDataSet : public TDataSet {
 public:
  using TDataSet::TDataSet;
  ~TClientDataSet() override;
  std::string ProviderName;
  std::string CommandText;

  // Fetches through the provider named ProviderName (a sibling component)
  // every row the command text selects, and stands on the first.
  void Open();
  void Close();
  bool Active() const { return active_; }
  int RecordCount() const override { return static_cast<int>(data_.rows.size()); }
  bool Eof() const { return !active_ || record_ >= data_.rows.size(); }
  void First() { record_ = 0; }
  void Next();
  // The field of that name, without regard to letter case; raises
  // EDatabaseError "Field '%s' not found".
  TField *FieldByName(const std::string &name);

 private:
  friend class TField;
  bool active_ = false;
  TRowSet data_;
  size_t record_ = 0;
  std::vector<std::unique_ptr<TField>> fields_;
};


}  // namespace vcl
