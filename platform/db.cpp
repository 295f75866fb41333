#include "platform/db.h"

#include <dlfcn.h>
#include <firebird/Interface.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "platform/codepage.h"
#include "platform/inifile.h"

namespace vcl {
namespace {

using Firebird::CheckStatusWrapper;
using Firebird::IAttachment;
using Firebird::IMaster;
using Firebird::IMessageMetadata;
using Firebird::IMetadataBuilder;
using Firebird::IProvider;
using Firebird::IResultSet;
using Firebird::IStatement;
using Firebird::IStatus;
using Firebird::ITransaction;
using Firebird::IUtil;
using Firebird::IXpbBuilder;

[[noreturn]] void Fail(const std::string &message) { throw EDatabaseErrorCode(message, 0); }

// The client libraries loaded so far (normally one), for the shutdown.
std::vector<void *> &LoadedClients() {
  static std::vector<void *> clients;
  return clients;
}

}  // namespace

void ShutdownDatabaseClient() {
  using Shutdown = int (*)(unsigned int, int);
  for (void *library : LoadedClients()) {
    if (auto shutdown = reinterpret_cast<Shutdown>(::dlsym(library, "fb_shutdown"))) shutdown(0, fb_shutrsn_app_stopped);
  }
}

std::string ProgramDir() {
  char path[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return ".";
  std::string exe(path, static_cast<size_t>(n));
  return exe.substr(0, exe.rfind('/'));
}

void UseProgramFirebirdConfig() {
  const char *current = std::getenv("FIREBIRD");
  if (current && *current) return;
  const std::string dir = ProgramDir() + "/firebird";
  if (::access((dir + "/firebird.conf").c_str(), R_OK) == 0) ::setenv("FIREBIRD", dir.c_str(), 1);
}

std::string ConnectionDefinitionsDir() {
  const char *dir = std::getenv("COINLOFT_DBX_DIR");
  return dir && *dir ? std::string(dir) : ProgramDir();
}

// The Firebird client, loaded by name, and one attachment through it.
struct TSQLConnection::Impl {
  void *library = nullptr;
  IMaster *master = nullptr;
  IProvider *provider = nullptr;
  IUtil *util = nullptr;
  IAttachment *attachment = nullptr;
  unsigned dialect = 3;
  bool waitOnLocks = true;

  ~Impl() { Detach(); }

  // Turns a failed status into EDatabaseError with Firebird's text and code.
  void Check(CheckStatusWrapper &status) {
    if (!(status.getState() & IStatus::STATE_ERRORS)) return;
    char text[2048] = {};
    util->formatStatus(text, sizeof text - 1, &status);
    const intptr_t *errors = status.getErrors();
    const long code = errors && errors[0] == 1 /* isc_arg_gds */ ? static_cast<long>(errors[1]) : 0;
    throw EDatabaseErrorCode(text, code);
  }

  void Load(const std::string &vendorLib) {
    library = ::dlopen(vendorLib.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) Fail("Unable to load the vendor library '" + vendorLib + "': " + ::dlerror());
    auto &clients = LoadedClients();
    if (std::find(clients.begin(), clients.end(), library) == clients.end()) clients.push_back(library);
    using GetMaster = IMaster *(*)();
    auto getMaster = reinterpret_cast<GetMaster>(::dlsym(library, "fb_get_master_interface"));
    if (!getMaster) Fail("'" + vendorLib + "' is not a Firebird client library (no fb_get_master_interface)");
    master = getMaster();
    util = master->getUtilInterface();
    provider = master->getDispatcher();
  }

  void Attach(const TParams &params, const std::string &database, bool create = false) {
    CheckStatusWrapper status(master->getStatus());
    auto param = [&](const char *key) { return ParamValue(params, key); };
    IXpbBuilder *dpb = util->getXpbBuilder(&status, IXpbBuilder::DPB, nullptr, 0);
    Check(status);
    dialect = static_cast<unsigned>(StrToIntDef(param("SQLDialect"), 3));
    waitOnLocks = !SameText(param("WaitOnLocks"), "False");
    if (!param("User_Name").empty()) dpb->insertString(&status, isc_dpb_user_name, param("User_Name").c_str());
    if (!param("Password").empty()) dpb->insertString(&status, isc_dpb_password, param("Password").c_str());
    if (!param("RoleName").empty()) dpb->insertString(&status, isc_dpb_sql_role_name, param("RoleName").c_str());
    if (!param("ServerCharSet").empty()) dpb->insertString(&status, isc_dpb_lc_ctype, param("ServerCharSet").c_str());
    dpb->insertInt(&status, isc_dpb_sql_dialect, static_cast<int>(dialect));
    if (create) dpb->insertInt(&status, isc_dpb_page_size, 8192);
    attachment = create ? provider->createDatabase(&status, database.c_str(), dpb->getBufferLength(&status),
                                                   dpb->getBuffer(&status))
                        : provider->attachDatabase(&status, database.c_str(), dpb->getBufferLength(&status),
                                                   dpb->getBuffer(&status));
    dpb->dispose();
    struct StatusGuard {
      CheckStatusWrapper &s;
      ~StatusGuard() { s.dispose(); }
    } guard{status};
    Check(status);
  }

  void Detach() {
    if (attachment) {
      CheckStatusWrapper status(master->getStatus());
      attachment->detach(&status);
      if (status.getState() & IStatus::STATE_ERRORS) attachment->release();
      status.dispose();
      attachment = nullptr;
    }
    if (provider) provider->release();
    provider = nullptr;
    // The client library stays loaded: Firebird does not support unloading.
  }

  // Runs work inside a transaction of its own and commits it; rolls back
  // when work raises.
  template <class Work>
  void InTransaction(Work &&work) {
    if (!attachment) Fail("Database is not connected");
    CheckStatusWrapper status(master->getStatus());
    struct StatusGuard {
      CheckStatusWrapper &s;
      ~StatusGuard() { s.dispose(); }
    } guard{status};
    IXpbBuilder *tpb = util->getXpbBuilder(&status, IXpbBuilder::TPB, nullptr, 0);
    Check(status);
    tpb->insertTag(&status, isc_tpb_write);
    tpb->insertTag(&status, isc_tpb_read_committed);
    tpb->insertTag(&status, isc_tpb_rec_version);
    tpb->insertTag(&status, waitOnLocks ? isc_tpb_wait : isc_tpb_nowait);
    ITransaction *tra = attachment->startTransaction(&status, tpb->getBufferLength(&status), tpb->getBuffer(&status));
    tpb->dispose();
    Check(status);
    try {
      work(status, tra);
    } catch (...) {
      CheckStatusWrapper rollback(master->getStatus());
      tra->rollback(&rollback);
      if (rollback.getState() & IStatus::STATE_ERRORS) tra->release();
      rollback.dispose();
      throw;
    }
    tra->commit(&status);
    if (status.getState() & IStatus::STATE_ERRORS) {
      tra->release();
      Check(status);
    }
  }
};

namespace {

OleVariant Text(const char *bytes, size_t length) { return OleVariant::FromText(std::string(bytes, length)); }

OleVariant Real(double value) {
  OleVariant v;
  VARIANT *raw = v.Out();
  raw->vt = VT_R8;
  raw->dblVal = value;
  return v;
}

OleVariant Whole(int64_t value) {
  if (value >= INT32_MIN && value <= INT32_MAX) return OleVariant::FromInt(static_cast<int32_t>(value));
  OleVariant v;
  VARIANT *raw = v.Out();
  raw->vt = VT_I8;
  raw->llVal = value;
  return v;
}

// A value of the message buffer, which need not be aligned for its type.
template <class T>
T Load(const unsigned char *data) {
  T value;
  std::memcpy(&value, data, sizeof value);
  return value;
}

// One column of a fetched row as a variant.
OleVariant ColumnValue(unsigned type, int scale, unsigned length, const unsigned char *data) {
  auto scaled = [scale](int64_t raw) { return scale == 0 ? Whole(raw) : Real(raw * std::pow(10.0, scale)); };
  switch (type) {
    case SQL_TEXT: return Text(reinterpret_cast<const char *>(data), length);
    case SQL_VARYING: return Text(reinterpret_cast<const char *>(data + 2), Load<uint16_t>(data));
    case SQL_SHORT: return scaled(Load<int16_t>(data));
    case SQL_LONG: return scaled(Load<int32_t>(data));
    case SQL_INT64: return scaled(Load<int64_t>(data));
    case SQL_FLOAT: return Real(Load<float>(data));
    case SQL_DOUBLE:
    case SQL_D_FLOAT: return Real(Load<double>(data));
    case SQL_BOOLEAN: {
      OleVariant v;
      VARIANT *raw = v.Out();
      raw->vt = VT_BOOL;
      raw->boolVal = data[0] ? -1 : 0;
      return v;
    }
    default: return OleVariant::FromText("(BLOB)");
  }
}

}  // namespace

TSQLConnection::TSQLConnection(TComponent *owner) : TComponent(owner) {}
TSQLConnection::~TSQLConnection() = default;

bool TSQLConnection::Connected() const { return impl_ && impl_->attachment; }

std::string ParamValue(const TParams &params, const std::string &key) {
  for (const auto &[k, v] : params) {
    if (SameText(k, key)) return v;
  }
  return std::string();
}

std::string TSQLConnection::Param(const std::string &key) const { return ParamValue(Params, key); }

void TSQLConnection::SetConnected(bool connected) {
  if (connected == Connected()) return;
  if (!connected) {
    impl_.reset();
    return;
  }
  std::string vendorLib = VendorLib;
  if (LoadParamsOnConnect) {
    const std::string dir = ConnectionDefinitionsDir();
    const TIniFile connections(dir + "/dbxconnections.ini");
    if (!connections.Exists()) Fail("Unable to open the connection definitions file " + connections.FileName());
    if (!connections.SectionExists(ConnectionName)) {
      Fail("Connection '" + ConnectionName + "' not found in " + connections.FileName());
    }
    Params = connections.Section(ConnectionName);
    if (!Param("DriverName").empty()) DriverName = Param("DriverName");
    const TIniFile drivers(dir + "/dbxdrivers.ini");
    if (!drivers.Exists()) Fail("Unable to open the driver definitions file " + drivers.FileName());
    if (!drivers.SectionExists(DriverName)) Fail("Driver '" + DriverName + "' not found in " + drivers.FileName());
    LibraryName = drivers.Read(DriverName, "LibraryName").value_or(LibraryName);
    VendorLib = vendorLib = drivers.Read(DriverName, "VendorLib").value_or(VendorLib);
    GetDriverFunc = drivers.Read(DriverName, "GetDriverFunc").value_or(GetDriverFunc);
  }
  const std::string database = Param("Database");
  if (database.empty()) Fail("No database is named for connection '" + ConnectionName + "'");
  UseProgramFirebirdConfig();
  auto impl = std::make_unique<Impl>();
  impl->Load(vendorLib);
  impl->Attach(Params, database);
  impl_ = std::move(impl);
}

void TSQLConnection::CreateDatabase() {
  if (Connected()) Fail("Database is already connected");
  UseProgramFirebirdConfig();
  auto impl = std::make_unique<Impl>();
  impl->Load(VendorLib);
  impl->Attach(Params, Param("Database"), true);
  impl_ = std::move(impl);
}

void TSQLConnection::ExecuteDirect(const std::string &sql) {
  if (!Connected()) Fail("Database is not connected");
  Impl &db = *impl_;
  // A statement that waited for another transaction's lock fails with an
  // update conflict when that transaction commits; its own transaction is
  // rolled back, so running it again on the committed rows is what waiting
  // on locks means.
  for (int attempt = 1;; ++attempt) {
    try {
      db.InTransaction([&](CheckStatusWrapper &status, ITransaction *tra) {
        db.attachment->execute(&status, tra, 0, sql.c_str(), db.dialect, nullptr, nullptr, nullptr, nullptr);
        db.Check(status);
      });
      return;
    } catch (const EDatabaseErrorCode &e) {
      if (e.ErrorCode() != isc_deadlock || attempt == 5) throw;
    }
  }
}

TRowSet TSQLConnection::Fetch(const std::string &sql) {
  if (!Connected()) Fail("Database is not connected");
  Impl &db = *impl_;
  TRowSet result;
  db.InTransaction([&](CheckStatusWrapper &status, ITransaction *tra) {
    IStatement *stmt = db.attachment->prepare(&status, tra, 0, sql.c_str(), db.dialect,
                                              IStatement::PREPARE_PREFETCH_METADATA);
    db.Check(status);
    struct StatementGuard {
      IStatement *s;
      ~StatementGuard() { s->release(); }
    } stmtGuard{stmt};
    IMessageMetadata *described = stmt->getOutputMetadata(&status);
    db.Check(status);
    // Values without a form of their own here (dates, times) come as text.
    IMetadataBuilder *builder = described->getBuilder(&status);
    db.Check(status);
    const unsigned columns = described->getCount(&status);
    for (unsigned i = 0; i < columns; ++i) {
      const unsigned type = described->getType(&status, i) & ~1u;
      if (type == SQL_TIMESTAMP || type == SQL_TYPE_DATE || type == SQL_TYPE_TIME) {
        builder->setType(&status, i, SQL_VARYING);
        builder->setLength(&status, i, 64);
      }
      result.names.emplace_back(described->getAlias(&status, i));
    }
    IMessageMetadata *meta = builder->getMetadata(&status);
    builder->release();
    described->release();
    db.Check(status);
    struct MetaGuard {
      IMessageMetadata *m;
      ~MetaGuard() { m->release(); }
    } metaGuard{meta};
    IResultSet *rows = stmt->openCursor(&status, tra, nullptr, nullptr, meta, 0);
    db.Check(status);
    std::vector<unsigned char> buffer(meta->getMessageLength(&status));
    int fetched;
    while ((fetched = rows->fetchNext(&status, buffer.data())) == IStatus::RESULT_OK) {
      std::vector<OleVariant> row;
      for (unsigned i = 0; i < columns; ++i) {
        int16_t isNull;
        std::memcpy(&isNull, &buffer[meta->getNullOffset(&status, i)], sizeof isNull);
        if (isNull) {
          row.push_back(OleVariant::Null());
          continue;
        }
        row.push_back(ColumnValue(meta->getType(&status, i) & ~1u, meta->getScale(&status, i),
                                  meta->getLength(&status, i), &buffer[meta->getOffset(&status, i)]));
      }
      result.rows.push_back(std::move(row));
    }
    if (fetched == IStatus::RESULT_ERROR) {
      rows->release();
      db.Check(status);
    }
    rows->close(&status);
    if (status.getState() & IStatus::STATE_ERRORS) {
      rows->release();
      db.Check(status);
    }
  });
  return result;
}

TSQLQuery::TSQLQuery(TComponent *owner) : TDataSet(owner), SQL(new TStrings), sql_(SQL) {}
TSQLQuery::~TSQLQuery() = default;

std::string TSQLQuery::Text() const {
  std::string text;
  for (const std::string &line : SQL->Items()) text += line + "\r\n";
  return text;
}

void TSQLQuery::ExecSQL() {
  if (!SQLConnection) Fail("Missing SQLConnection property");
  SQLConnection->ExecuteDirect(Text());
}

TRowSet TSQLDataSet::FetchAll() {
  if (!SQLConnection) Fail("Missing SQLConnection property");
  return SQLConnection->Fetch(CommandText);
}

TRowSet TDataSetProvider::Provide(const std::string &commandText) {
  auto *source = dynamic_cast<TSQLDataSet *>(DataSet);
  if (!source) Fail("Missing data provider or data packet");
  if (!commandText.empty()) {
    if (!(Options & poAllowCommandText)) Fail("Dynamic SQL not allowed");
    source->CommandText = commandText;
  }
  return source->FetchAll();
}

TField::TField(const TClientDataSet *owner, int index, std::string name)
    : owner_(owner), index_(index), name_(std::move(name)) {}

const OleVariant &TField::Value() const {
  if (owner_->Eof()) Fail("Cannot perform this operation on a closed dataset or at the end of it");
  return owner_->data_.rows[owner_->record_][static_cast<size_t>(index_)];
}

TClientDataSet::~TClientDataSet() = default;

void TClientDataSet::Open() {
  if (active_) return;
  TDataSetProvider *provider = nullptr;
  if (TComponent *owner = Owner()) {
    for (int i = 0; i < owner->ComponentCount(); ++i) {
      auto *candidate = dynamic_cast<TDataSetProvider *>(owner->Components(i));
      if (candidate && SameText(candidate->Name, ProviderName)) provider = candidate;
    }
  }
  if (!provider) Fail("Missing data provider or data packet");
  data_ = provider->Provide(CommandText);
  fields_.clear();
  for (size_t i = 0; i < data_.names.size(); ++i) {
    fields_.push_back(std::make_unique<TField>(this, static_cast<int>(i), data_.names[i]));
  }
  record_ = 0;
  active_ = true;
  DataChanged();
}

void TClientDataSet::Close() {
  if (!active_) return;
  active_ = false;
  data_ = TRowSet();
  fields_.clear();
  record_ = 0;
  DataChanged();
}

void TClientDataSet::Next() {
  if (record_ < data_.rows.size()) ++record_;
}

TField *TClientDataSet::FieldByName(const std::string &name) {
  for (const auto &field : fields_) {
    if (SameText(field->FieldName(), name)) return field.get();
  }
  throw EDatabaseError("Field '" + name + "' not found");
}

}  // namespace vcl
