// The process's own connection to the registry of the current machine root. It is
// opened on first use and reopened when the process switches to another root.
#include <memory>
#include <mutex>

#include "platform/registry/error.h"
#include "platform/registry/session.h"
#include "platform/registry/transaction.h"
#include "platform/stand_in.h"

namespace trv::registry {
namespace {

struct MachineConnection {
  std::mutex lock;
  std::unique_ptr<Connection> connection;
};

MachineConnection& Machine() {
  static auto* machine = new MachineConnection;  // used until the process ends
  return *machine;
}

Connection& CurrentConnection(MachineConnection& machine) {
  std::string path = CurrentDatabasePath();
  if (!machine.connection || machine.connection->path() != path) {
    machine.connection.reset();
    machine.connection = std::make_unique<Connection>(path);
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
  if (access == Access::Write && ThreadHoldsTransactionLock()) throw RegistryError(ERROR_TRANSACTIONAL_CONFLICT);
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
