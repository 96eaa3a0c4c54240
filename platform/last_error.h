// The last error as code written for Windows handles it: a failing call sets it
// and returns its failure value; clean-up after a failure must not change it.
#pragma once

#include "platform/kernel.h"

namespace trv {

// Fails a BOOL call: sets `error` as the calling thread's last error, returns FALSE.
inline BOOL Fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

// The last error of a call that failed, or `fallback` when it failed without one.
inline DWORD LastErrorOr(DWORD fallback) {
  const DWORD error = GetLastError();
  return error != ERROR_SUCCESS ? error : fallback;
}

// Keeps the last error across the clean-up that follows a failure, so the caller
// sees why the call failed, not what the clean-up did:
//   { KeepLastError keep; CloseHandle(handle); }
class KeepLastError {
 public:
  KeepLastError() : error_(GetLastError()) {}
  ~KeepLastError() { SetLastError(error_); }
  KeepLastError(const KeepLastError&) = delete;
  KeepLastError& operator=(const KeepLastError&) = delete;

 private:
  DWORD error_;
};

}  // namespace trv
