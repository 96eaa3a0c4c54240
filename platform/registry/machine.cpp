// The process's own connection to the registry of the current machine root. It is
// opened on first use and reopened when the process switches to another root.
#include <sys/stat.h>

#include <memory>
#include <mutex>

#include "platform/kernel.h"
#include "platform/registry/error.h"
#include "platform/registry/session.h"
#include "platform/registry/transaction.h"
#include "platform/stand_in.h"

namespace trv::registry {
namespace {

// Which file a path names now: a database removed and made anew under the same
// name is another file.
struct FileId {
  dev_t device = 0;
  ino_t inode = 0;
  bool operator==(const FileId&) const = default;
};

FileId IdOf(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return {};
  return {info.st_dev, info.st_ino};
}

struct MachineConnection {
  std::mutex lock;
  std::unique_ptr<Connection> connection;
  DWORD process = 0;  // the process that opened it
  FileId file;        // the database file it opened
};

MachineConnection& Machine() {
  static auto* machine = new MachineConnection;  // used until the process ends
  return *machine;
}

Connection& CurrentConnection(MachineConnection& machine) {
  // A SQLite connection must not cross a fork: a child process leaves its parent's
  // connection alone (closing it could disturb the parent's locks) and opens its own.
  if (machine.connection && machine.process != GetCurrentProcessId())
    (void)machine.connection.release();
  // A machine whose registry was removed (a test that wiped its root, a user who
  // reset the machine) gets a new database, not the removed file that only this
  // process would still see.
  std::string path = CurrentDatabasePath();
  if (!machine.connection || machine.connection->path() != path || IdOf(path) != machine.file) {
    machine.connection.reset();
    machine.connection = std::make_unique<Connection>(path);
    machine.process = GetCurrentProcessId();
    machine.file = IdOf(path);
  }
  return *machine.connection;
}

void RollbackQuietly(Connection& connection) noexcept {
  try {
    connection.Execute("ROLLBACK");
  } catch (...) {
    // Nothing is left to undo when SQLite already rolled the transaction back.
  }
}

}  // namespace

std::string CurrentDatabasePath() { return trv::MachineRoot() + "/registry.db"; }

void RunOnMachine(Access access, const std::string& path, const Work& work) {
  MachineConnection& machine = Machine();
  std::lock_guard<std::mutex> guard(machine.lock);
  Connection& connection = CurrentConnection(machine);
  if (!path.empty() && path != connection.path()) throw RegistryError(ERROR_INVALID_HANDLE);
  // This thread would wait for its own transaction's lock until the time-out.
  if (access == Access::Write && ThreadHoldsTransactionLock())
    throw RegistryError(ERROR_TRANSACTIONAL_CONFLICT);
  connection.Execute(access == Access::Write ? "BEGIN IMMEDIATE" : "BEGIN");
  try {
    Store store(connection);
    work(store);
    connection.Execute("COMMIT");
  } catch (...) {
    RollbackQuietly(connection);
    throw;
  }
}

void FlushMachine(const std::string& path) {
  MachineConnection& machine = Machine();
  std::lock_guard<std::mutex> guard(machine.lock);
  Connection& connection = CurrentConnection(machine);
  if (!path.empty() && path != connection.path()) throw RegistryError(ERROR_INVALID_HANDLE);
  connection.Execute("PRAGMA wal_checkpoint(FULL)");
}

}  // namespace trv::registry
