// Small helpers over host file descriptors, shared by the port endpoints.
#pragma once

#include "platform/windef.h"
#include "platform/winerror.h"

namespace trv::spooler {

// Owns a descriptor and closes it once.
class Fd {
 public:
  Fd() = default;
  explicit Fd(int fd) : fd_(fd) {}
  Fd(Fd&& other) noexcept : fd_(other.release()) {}
  Fd& operator=(Fd&& other) noexcept;
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd();
  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  int release();

 private:
  int fd_ = -1;
};

// Waits until `fd` is ready for `events` (poll flags) or `timeoutMs` passed.
// Returns 0 with *ready set accordingly, or a Win32 error code.
DWORD WaitFd(int fd, short events, DWORD timeoutMs, bool* ready);

}  // namespace trv::spooler
