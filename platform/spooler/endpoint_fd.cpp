// Files and device nodes. A file takes every byte at once; a device node may
// push back (a printer line that is off or out of paper), so writes wait for room
// within the port's time-out instead of blocking the spooler forever.
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>

#include "platform/spooler/endpoint.h"
#include "platform/spooler/fd_io.h"

namespace trv::spooler {
namespace {

class FdEndpoint : public Endpoint {
 public:
  FdEndpoint(Fd fd, bool isDevice) : fd_(std::move(fd)), isDevice_(isDevice) {}

  DWORD Write(const BYTE* data, DWORD size, DWORD* written, DWORD timeoutMs) override {
    *written = 0;
    if (size == 0) return ERROR_SUCCESS;
    bool ready = true;
    if (isDevice_) {
      if (DWORD e = WaitFd(fd_.get(), POLLOUT, timeoutMs, &ready)) return e;
      if (!ready) return ERROR_TIMEOUT;
    }
    for (;;) {
      ssize_t n = ::write(fd_.get(), data, size);
      if (n >= 0) {
        *written = static_cast<DWORD>(n);
        return ERROR_SUCCESS;
      }
      if (errno == EINTR) continue;
      return PortErrorFromErrno(errno);
    }
  }

  DWORD Read(BYTE* data, DWORD size, DWORD* read, DWORD timeoutMs) override {
    *read = 0;
    // A plain file has nothing to say back.
    if (!isDevice_ || size == 0) return ERROR_SUCCESS;
    bool ready = false;
    if (DWORD e = WaitFd(fd_.get(), POLLIN, timeoutMs, &ready)) return e;
    if (!ready) return ERROR_SUCCESS;
    for (;;) {
      ssize_t n = ::read(fd_.get(), data, size);
      if (n >= 0) {
        *read = static_cast<DWORD>(n);
        return ERROR_SUCCESS;
      }
      if (errno == EINTR) continue;
      if (errno == EAGAIN) return ERROR_SUCCESS;
      return PortErrorFromErrno(errno);
    }
  }

  DWORD Finish(DWORD) override {
    if (!isDevice_ && ::fsync(fd_.get()) != 0) return PortErrorFromErrno(errno);
    int fd = fd_.release();
    return ::close(fd) == 0 ? ERROR_SUCCESS : PortErrorFromErrno(errno);
  }

 private:
  Fd fd_;
  bool isDevice_;
};

}  // namespace

std::unique_ptr<Endpoint> OpenFileEndpoint(const std::string& hostPath, DWORD* error) {
  Fd fd(::open(hostPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
  if (!fd.valid()) {
    // Creating a file fails with ENOENT only when its folder is missing.
    *error = errno == ENOENT ? ERROR_PATH_NOT_FOUND : PortErrorFromErrno(errno);
    return nullptr;
  }
  *error = ERROR_SUCCESS;
  return std::make_unique<FdEndpoint>(std::move(fd), false);
}

std::unique_ptr<Endpoint> OpenDeviceEndpoint(const std::string& hostPath, DWORD* error) {
  // Printer lines are often write-only for users; reading back status is a bonus.
  Fd fd(::open(hostPath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
  if (!fd.valid() && (errno == EACCES || errno == EPERM || errno == EINVAL))
    fd = Fd(::open(hostPath.c_str(), O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
  if (!fd.valid()) {
    *error = PortErrorFromErrno(errno);
    return nullptr;
  }
  *error = ERROR_SUCCESS;
  return std::make_unique<FdEndpoint>(std::move(fd), true);
}

}  // namespace trv::spooler
