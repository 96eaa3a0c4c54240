#include "platform/registry/connection.h"

#include <sqlite3.h>

#include "platform/registry/error.h"
#include "platform/registry/names.h"

namespace trv::registry {
namespace {

// A writer that finds the database locked waits this long before giving up; every
// write call holds the lock only for the length of one SQLite transaction.
constexpr int kBusyTimeoutMs = 10000;

LONG ErrorOf(int result) {
  switch (result & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED: return ERROR_BUSY;
    case SQLITE_NOMEM:
    case SQLITE_TOOBIG: return ERROR_NOT_ENOUGH_MEMORY;
    case SQLITE_FULL: return ERROR_DISK_FULL;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB: return ERROR_REGISTRY_CORRUPT;
    case SQLITE_READONLY:
    case SQLITE_PERM: return ERROR_ACCESS_DENIED;
    default: return ERROR_REGISTRY_IO_FAILED;
  }
}

// Keys: names as written (little-endian UTF-16) and in their folded form, which
// carries uniqueness and order. Ids are never reused, so a handle to a deleted key
// can tell that its key is gone even after a key of the same name is made again.
// Values: `seq` keeps the order in which each value was first set.
constexpr std::int64_t kSchemaVersion = 1;
constexpr const char* kSchema = R"sql(
CREATE TABLE IF NOT EXISTS keys(
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  parent INTEGER NOT NULL,
  name BLOB NOT NULL,
  folded BLOB NOT NULL,
  class BLOB NOT NULL,
  written INTEGER NOT NULL,
  UNIQUE(parent, folded));
CREATE TABLE IF NOT EXISTS vals(
  key INTEGER NOT NULL,
  folded BLOB NOT NULL,
  seq INTEGER NOT NULL,
  name BLOB NOT NULL,
  type INTEGER NOT NULL,
  data BLOB NOT NULL,
  PRIMARY KEY(key, folded)) WITHOUT ROWID;
CREATE INDEX IF NOT EXISTS vals_order ON vals(key, seq);
)sql";

}  // namespace

// ---- Statement ---------------------------------------------------------------------

Statement::~Statement() {
  sqlite3_reset(stmt_);
  sqlite3_clear_bindings(stmt_);
}

Statement& Statement::Bind(int index, std::int64_t value) {
  connection_.Check(sqlite3_bind_int64(stmt_, index, value));
  return *this;
}

Statement& Statement::Bind(int index, std::string_view bytes) {
  // An empty BLOB must stay a BLOB: binding a null pointer would store NULL.
  if (bytes.empty())
    connection_.Check(sqlite3_bind_zeroblob(stmt_, index, 0));
  else
    connection_.Check(
        sqlite3_bind_blob64(stmt_, index, bytes.data(), bytes.size(), SQLITE_TRANSIENT));
  return *this;
}

bool Statement::Step() {
  int result = sqlite3_step(stmt_);
  if (result == SQLITE_ROW) return true;
  if (result == SQLITE_DONE) return false;
  connection_.Check(result);
  return false;
}

void Statement::Run() {
  while (Step()) {
  }
}

std::int64_t Statement::Int(int column) const { return sqlite3_column_int64(stmt_, column); }

std::string Statement::Bytes(int column) const {
  const void* p = sqlite3_column_blob(stmt_, column);
  int n = sqlite3_column_bytes(stmt_, column);
  if (p == nullptr || n <= 0) return {};
  return std::string(static_cast<const char*>(p), static_cast<size_t>(n));
}

bool Statement::IsNull(int column) const {
  return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

// ---- Connection --------------------------------------------------------------------

Connection::Connection(std::string path) : path_(std::move(path)) {
  int result =
      sqlite3_open_v2(path_.c_str(), &db_,
                      SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
  if (result != SQLITE_OK) {
    LONG code = db_ == nullptr ? ERROR_NOT_ENOUGH_MEMORY : ERROR_REGISTRY_IO_FAILED;
    sqlite3_close(db_);
    throw RegistryError(code);
  }
  try {
    Configure();
    CreateSchema();
  } catch (...) {
    for (auto& [sql, stmt] : statements_) sqlite3_finalize(stmt);
    sqlite3_close(db_);
    throw;
  }
}

Connection::~Connection() {
  for (auto& [sql, stmt] : statements_) sqlite3_finalize(stmt);
  sqlite3_close(db_);
}

void Connection::Configure() {
  Check(sqlite3_busy_timeout(db_, kBusyTimeoutMs));
  // WAL lets readers of every process go on while one writer commits. NORMAL
  // synchronisation keeps each commit atomic; RegFlushKey makes it durable.
  Execute("PRAGMA journal_mode=WAL");
  Execute("PRAGMA synchronous=NORMAL");
}

std::int64_t Connection::SchemaVersion() {
  auto s = Prepare("PRAGMA user_version");
  return s.Step() ? s.Int(0) : 0;
}

void Connection::CreateSchema() {
  // Only a new database takes the write lock here: a process that joins a machine
  // while another one holds a long transaction must not wait for it.
  if (SchemaVersion() == kSchemaVersion) return;
  Execute("BEGIN IMMEDIATE");
  try {
    std::int64_t version = SchemaVersion();
    if (version != 0 && version != kSchemaVersion) throw RegistryError(ERROR_REGISTRY_CORRUPT);
    Execute(kSchema);
    // The two predefined keys are rows 1 and 2, the roots of everything else.
    static constexpr struct {
      std::int64_t id;
      const char16_t* name;
    } kRoots[] = {{1, u"HKEY_LOCAL_MACHINE"}, {2, u"HKEY_CURRENT_USER"}};
    for (const auto& root : kRoots) {
      Prepare(
          "INSERT OR IGNORE INTO keys(id, parent, name, folded, class, written) "
          "VALUES(?1, 0, ?2, ?3, x'', 0)")
          .Bind(1, root.id)
          .Bind(2, NameBytes(root.name))
          .Bind(3, FoldedName(root.name))
          .Run();
    }
    Execute("PRAGMA user_version = 1");
    Execute("COMMIT");
  } catch (...) {
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    throw;
  }
}

Statement Connection::Prepare(const char* sql) {
  auto it = statements_.find(sql);
  if (it == statements_.end()) {
    sqlite3_stmt* stmt = nullptr;
    Check(sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt, nullptr));
    it = statements_.emplace(sql, stmt).first;
  }
  return Statement(*this, it->second);
}

void Connection::Execute(const char* sql) {
  Check(sqlite3_exec(db_, sql, nullptr, nullptr, nullptr));
}

std::int64_t Connection::LastInsertId() const { return sqlite3_last_insert_rowid(db_); }

void Connection::Check(int result) const {
  if (result != SQLITE_OK && result != SQLITE_ROW && result != SQLITE_DONE)
    throw RegistryError(ErrorOf(result));
}

}  // namespace trv::registry
