// A grouped transaction (CreateTransaction): a HANDLE whose object owns its own
// connection and, from its first write until commit or rollback, one SQLite write
// transaction. Keys opened with it read through that connection, so they see the
// transaction's writes; every other handle sees the last committed state.
// Internal to the platform library.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/kernel/handles.h"
#include "platform/registry/session.h"

namespace trv::registry {

class Transaction : public kernel::HandleObject {
 public:
  // Opens the transaction's connection to the current machine's database.
  Transaction();
  ~Transaction() override;

  // Closing the last handle of an unfinished transaction rolls it back.
  DWORD Close() override;
  DWORD Commit();
  DWORD Rollback();

  // Runs one call's work inside the transaction; a failed call leaves nothing of
  // itself behind. Throws ERROR_TRANSACTION_NOT_ACTIVE after commit or rollback.
  void Run(Access access, const Work& work);
  const std::string& path() const { return path_; }

 private:
  enum class State { Active, Committed, RolledBack };
  void BeginWriting();
  void Finish(State state);

  std::mutex lock_;
  std::string path_;
  std::unique_ptr<Connection> connection_;
  State state_ = State::Active;
  bool writing_ = false;
  std::thread::id writer_;
};

// True when a transaction of this process took the write lock on this thread.
bool ThreadHoldsTransactionLock();

}  // namespace trv::registry
