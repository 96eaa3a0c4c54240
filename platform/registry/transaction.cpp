#include "platform/registry/transaction.h"

#include <set>

#include "platform/kernel.h"
#include "platform/registry/error.h"
#include "platform/winreg.h"

namespace trv::registry {
namespace {

// The threads on which a transaction of this process holds the write lock.
struct LockHolders {
  std::mutex lock;
  std::multiset<std::thread::id> threads;
};

LockHolders& Holders() {
  static auto* holders = new LockHolders;  // used until the process ends
  return *holders;
}

void AddHolder(std::thread::id thread) {
  std::lock_guard<std::mutex> guard(Holders().lock);
  Holders().threads.insert(thread);
}

void RemoveHolder(std::thread::id thread) {
  std::lock_guard<std::mutex> guard(Holders().lock);
  auto it = Holders().threads.find(thread);
  if (it != Holders().threads.end()) Holders().threads.erase(it);
}

void ExecuteQuietly(Connection& connection, const char* sql) noexcept {
  try {
    connection.Execute(sql);
  } catch (...) {
    // Used only to undo; SQLite may already have rolled back on its own.
  }
}

}  // namespace

bool ThreadHoldsTransactionLock() {
  std::lock_guard<std::mutex> guard(Holders().lock);
  return Holders().threads.count(std::this_thread::get_id()) != 0;
}

Transaction::Transaction()
    : path_(CurrentDatabasePath()), connection_(std::make_unique<Connection>(path_)) {}

Transaction::~Transaction() {
  if (state_ == State::Active) Finish(State::RolledBack);
}

DWORD Transaction::Close() {
  std::lock_guard<std::mutex> guard(lock_);
  if (state_ == State::Active) Finish(State::RolledBack);
  return ERROR_SUCCESS;
}

DWORD Transaction::Commit() {
  std::lock_guard<std::mutex> guard(lock_);
  if (state_ == State::Committed) return ERROR_TRANSACTION_ALREADY_COMMITTED;
  if (state_ == State::RolledBack) return ERROR_TRANSACTION_ALREADY_ABORTED;
  if (writing_) {
    try {
      connection_->Execute("COMMIT");
    } catch (const RegistryError& e) {
      Finish(State::RolledBack);
      return static_cast<DWORD>(e.code);
    }
    writing_ = false;
    RemoveHolder(writer_);
  }
  Finish(State::Committed);
  return ERROR_SUCCESS;
}

DWORD Transaction::Rollback() {
  std::lock_guard<std::mutex> guard(lock_);
  if (state_ == State::Committed) return ERROR_TRANSACTION_ALREADY_COMMITTED;
  if (state_ == State::RolledBack) return ERROR_TRANSACTION_ALREADY_ABORTED;
  Finish(State::RolledBack);
  return ERROR_SUCCESS;
}

void Transaction::Finish(State state) {
  if (writing_) {
    ExecuteQuietly(*connection_, "ROLLBACK");
    writing_ = false;
    RemoveHolder(writer_);
  }
  connection_.reset();
  state_ = state;
}

void Transaction::BeginWriting() {
  // A second transaction on this thread would wait for the first one's lock.
  if (ThreadHoldsTransactionLock()) throw RegistryError(ERROR_TRANSACTIONAL_CONFLICT);
  connection_->Execute("BEGIN IMMEDIATE");
  writing_ = true;
  writer_ = std::this_thread::get_id();
  AddHolder(writer_);
}

void Transaction::Run(Access access, const Work& work) {
  std::lock_guard<std::mutex> guard(lock_);
  if (state_ != State::Active) throw RegistryError(ERROR_TRANSACTION_NOT_ACTIVE);
  Store store(*connection_);
  if (access == Access::Write) {
    if (!writing_) BeginWriting();
    connection_->Execute("SAVEPOINT call");
    try {
      work(store);
    } catch (...) {
      ExecuteQuietly(*connection_, "ROLLBACK TO call");
      ExecuteQuietly(*connection_, "RELEASE call");
      throw;
    }
    connection_->Execute("RELEASE call");
  } else if (writing_) {
    work(store);
  } else {
    connection_->Execute("BEGIN");
    try {
      work(store);
    } catch (...) {
      ExecuteQuietly(*connection_, "ROLLBACK");
      throw;
    }
    connection_->Execute("COMMIT");
  }
}

}  // namespace trv::registry

// ---- ktmw32 ------------------------------------------------------------------------

using trv::registry::Transaction;

TRVAPI HANDLE WINAPI CreateTransaction(void*, void*, DWORD, DWORD, DWORD, DWORD, LPWSTR) {
  try {
    HANDLE handle = trv::kernel::AddHandle(std::make_shared<Transaction>());
    if (handle == nullptr) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return INVALID_HANDLE_VALUE;
    }
    return handle;
  } catch (const trv::registry::RegistryError& e) {
    SetLastError(static_cast<DWORD>(e.code));
  } catch (const std::bad_alloc&) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  }
  return INVALID_HANDLE_VALUE;
}

namespace {

BOOL Finish(HANDLE handle, DWORD (Transaction::*finish)()) {
  auto transaction = trv::kernel::FindHandleAs<Transaction>(handle);
  if (!transaction) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  DWORD error = ((*transaction).*finish)();
  if (error != ERROR_SUCCESS) {
    SetLastError(error);
    return FALSE;
  }
  return TRUE;
}

}  // namespace

TRVAPI BOOL WINAPI CommitTransaction(HANDLE transaction) {
  return Finish(transaction, &Transaction::Commit);
}

TRVAPI BOOL WINAPI RollbackTransaction(HANDLE transaction) {
  return Finish(transaction, &Transaction::Rollback);
}
