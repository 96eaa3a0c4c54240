// Raw TCP printer ports (the "port 9100" protocol): the job's bytes go down one
// connection and whatever the printer sends back is there to read.
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>

#include "platform/spooler/endpoint.h"
#include "platform/spooler/fd_io.h"

namespace trv::spooler {
namespace {

class TcpEndpoint : public Endpoint {
 public:
  explicit TcpEndpoint(Fd fd) : fd_(std::move(fd)) {}

  DWORD Write(const BYTE* data, DWORD size, DWORD* written, DWORD timeoutMs) override {
    *written = 0;
    if (size == 0) return ERROR_SUCCESS;
    bool ready = false;
    if (DWORD e = WaitFd(fd_.get(), POLLOUT, timeoutMs, &ready)) return e;
    if (!ready) return ERROR_TIMEOUT;
    for (;;) {
      // MSG_NOSIGNAL: a printer that hangs up must give an error, not kill the process.
      ssize_t n = ::send(fd_.get(), data, size, MSG_NOSIGNAL | MSG_DONTWAIT);
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
    if (size == 0) return ERROR_SUCCESS;
    bool ready = false;
    if (DWORD e = WaitFd(fd_.get(), POLLIN, timeoutMs, &ready)) return e;
    if (!ready) return ERROR_SUCCESS;
    for (;;) {
      ssize_t n = ::recv(fd_.get(), data, size, MSG_DONTWAIT);
      if (n > 0) {
        *read = static_cast<DWORD>(n);
        return ERROR_SUCCESS;
      }
      if (n == 0) return ERROR_NETNAME_DELETED;  // the printer closed the connection
      if (errno == EINTR) continue;
      if (errno == EAGAIN) return ERROR_SUCCESS;
      return PortErrorFromErrno(errno);
    }
  }

  // Bytes accepted by send() may still be lost if the printer resets the connection.
  // So the job ends with a half close and a wait for the printer's own close: a
  // reset instead means the printer did not take the job.
  DWORD Finish(DWORD timeoutMs) override {
    DWORD result = ERROR_SUCCESS;
    if (::shutdown(fd_.get(), SHUT_WR) != 0) result = PortErrorFromErrno(errno);
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (result == ERROR_SUCCESS) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
      if (left.count() <= 0) break;  // a printer that keeps the line open has the data
      bool ready = false;
      result = WaitFd(fd_.get(), POLLIN, static_cast<DWORD>(left.count()), &ready);
      if (result != ERROR_SUCCESS || !ready) break;
      BYTE sink[512];
      ssize_t n = ::recv(fd_.get(), sink, sizeof sink, MSG_DONTWAIT);
      if (n == 0) break;
      if (n < 0 && errno != EINTR && errno != EAGAIN) result = PortErrorFromErrno(errno);
    }
    Fd closing = std::move(fd_);
    return result;
  }

 private:
  Fd fd_;
};

DWORD ConnectOne(const addrinfo* a, DWORD timeoutMs, Fd* out) {
  Fd fd(::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol));
  if (!fd.valid()) return PortErrorFromErrno(errno);
  int flags = ::fcntl(fd.get(), F_GETFL);
  ::fcntl(fd.get(), F_SETFL, flags | O_NONBLOCK);
  if (::connect(fd.get(), a->ai_addr, a->ai_addrlen) != 0) {
    if (errno != EINPROGRESS) return PortErrorFromErrno(errno);
    bool ready = false;
    if (DWORD e = WaitFd(fd.get(), POLLOUT, timeoutMs, &ready)) return e;
    if (!ready) return ERROR_TIMEOUT;
    int soError = 0;
    socklen_t len = sizeof soError;
    ::getsockopt(fd.get(), SOL_SOCKET, SO_ERROR, &soError, &len);
    if (soError != 0) return PortErrorFromErrno(soError);
  }
  int one = 1;
  ::setsockopt(fd.get(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  *out = std::move(fd);
  return ERROR_SUCCESS;
}

}  // namespace

std::unique_ptr<Endpoint> ConnectTcpEndpoint(const std::string& host, unsigned port,
                                             DWORD timeoutMs, DWORD* error) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  char service[16];
  std::snprintf(service, sizeof service, "%u", port);
  addrinfo* list = nullptr;
  if (::getaddrinfo(host.c_str(), service, &hints, &list) != 0 || list == nullptr) {
    *error = ERROR_NOT_READY;  // no such printer host
    return nullptr;
  }
  DWORD result = ERROR_NOT_READY;
  Fd fd;
  for (const addrinfo* a = list; a != nullptr; a = a->ai_next) {
    result = ConnectOne(a, timeoutMs, &fd);
    if (result == ERROR_SUCCESS) break;
  }
  ::freeaddrinfo(list);
  *error = result;
  if (result != ERROR_SUCCESS) return nullptr;
  return std::make_unique<TcpEndpoint>(std::move(fd));
}

}  // namespace trv::spooler
