#include "platform/kernel.h"
#include "tools/trvreg/regfile.h"
#include "tools/trvreg/text.h"

namespace trvreg {
namespace {

// Owns a transaction handle; an unfinished transaction rolls back when closed.
class Transaction {
 public:
  Transaction() : handle_(CreateTransaction(nullptr, nullptr, 0, 0, 0, 0, nullptr)) {}
  ~Transaction() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

LONG Apply(const RegOperation& op, HANDLE transaction, Key& current) {
  switch (op.kind) {
    case RegOperation::CreateKey:
      return RegCreateKeyTransactedW(op.key.root, op.key.subKey.c_str(), 0, nullptr, 0,
                                     KEY_ALL_ACCESS, nullptr, current.out(), nullptr, transaction,
                                     nullptr);
    case RegOperation::DeleteKey: {
      current.Reset();  // values under a removed key have nowhere to go
      if (op.key.subKey.empty()) return ERROR_ACCESS_DENIED;
      Key root;
      LONG result = RegOpenKeyTransactedW(op.key.root, u"", 0, KEY_ALL_ACCESS, root.out(),
                                          transaction, nullptr);
      if (result == ERROR_SUCCESS) result = RegDeleteTreeW(root.get(), op.key.subKey.c_str());
      return result == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : result;
    }
    case RegOperation::SetValue:
      if (current.get() == nullptr) return ERROR_SUCCESS;
      return RegSetValueExW(current.get(), op.name.c_str(), 0, op.type,
                            reinterpret_cast<const BYTE*>(op.data.data()),
                            static_cast<DWORD>(op.data.size()));
    case RegOperation::DeleteValue: {
      if (current.get() == nullptr) return ERROR_SUCCESS;
      LONG result = RegDeleteValueW(current.get(), op.name.c_str());
      return result == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : result;
    }
  }
  return ERROR_INVALID_PARAMETER;
}

}  // namespace

LONG ApplyRegFile(const std::vector<RegOperation>& operations, std::string& problem) {
  Transaction transaction;
  if (transaction.get() == INVALID_HANDLE_VALUE) {
    problem = "cannot start a transaction";
    return static_cast<LONG>(GetLastError());
  }
  Key current;
  for (const RegOperation& op : operations) {
    LONG result = Apply(op, transaction.get(), current);
    if (result != ERROR_SUCCESS) {
      problem = ToUtf8(op.key.Full());
      if (op.kind == RegOperation::SetValue || op.kind == RegOperation::DeleteValue)
        problem += op.name.empty() ? " (default value)" : " value " + ToUtf8(op.name);
      return result;  // the transaction rolls back as it closes
    }
  }
  current.Reset();
  if (!CommitTransaction(transaction.get())) {
    problem = "the changes could not be committed";
    return static_cast<LONG>(GetLastError());
  }
  return ERROR_SUCCESS;
}

}  // namespace trvreg
