#include "platform/spooler/fd_io.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

#include "platform/spooler/endpoint.h"

namespace trv::spooler {

Fd& Fd::operator=(Fd&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = other.release();
  }
  return *this;
}

Fd::~Fd() {
  if (fd_ >= 0) ::close(fd_);
}

int Fd::release() {
  int fd = fd_;
  fd_ = -1;
  return fd;
}

DWORD WaitFd(int fd, short events, DWORD timeoutMs, bool* ready) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    pollfd p{fd, events, 0};
    int n = ::poll(&p, 1, left.count() > 0 ? static_cast<int>(left.count()) : 0);
    if (n < 0) {
      if (errno == EINTR) continue;
      return PortErrorFromErrno(errno);
    }
    // Errors and hang-ups count as ready: the following call reports them.
    *ready = n > 0;
    return ERROR_SUCCESS;
  }
}

DWORD PortErrorFromErrno(int error) {
  switch (error) {
    case 0: return ERROR_SUCCESS;
    case ENOENT:
    case ENXIO:
    case ENODEV: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS: return ERROR_ACCESS_DENIED;
    case EBUSY: return ERROR_SHARING_VIOLATION;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case ENOSPC: return ERROR_DISK_FULL;
    case EISDIR:
    case EINVAL: return ERROR_INVALID_PARAMETER;
    case ECONNREFUSED: return ERROR_CONNECTION_REFUSED;
    case ECONNRESET:
    case EPIPE:
    case ENOTCONN: return ERROR_NETNAME_DELETED;
    case ECONNABORTED: return ERROR_CONNECTION_ABORTED;
    case ETIMEDOUT:
    case EAGAIN: return ERROR_TIMEOUT;
    case EHOSTUNREACH:
    case ENETUNREACH:
    case ENETDOWN:
    case EADDRNOTAVAIL: return ERROR_NOT_READY;
    case EIO:
    default: return ERROR_GEN_FAILURE;
  }
}

}  // namespace trv::spooler
