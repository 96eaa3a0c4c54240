// The real things behind a port: a file, a device node or a TCP connection to a
// printer. Each one fills the same small set of operations; every result is a
// Win32 error code (0 for success) that the port monitor hands on unchanged.
#pragma once

#include <memory>
#include <string>

#include "platform/windef.h"
#include "platform/winerror.h"

namespace trv::spooler {

class Endpoint {
 public:
  virtual ~Endpoint() = default;
  // Writes up to `size` bytes, waiting at most `timeoutMs` for the other side to take
  // any; `written` tells how many went out. Nothing taken within the time-out is
  // ERROR_TIMEOUT.
  virtual DWORD Write(const BYTE* data, DWORD size, DWORD* written, DWORD timeoutMs) = 0;
  // Reads what the other side has sent, waiting at most `timeoutMs` for the first
  // byte; nothing within the time-out is success with `read` 0.
  virtual DWORD Read(BYTE* data, DWORD size, DWORD* read, DWORD timeoutMs) = 0;
  // Ends the job: flushes what is buffered and, for a connection, makes sure the
  // printer took everything (a reset connection is reported, not swallowed).
  virtual DWORD Finish(DWORD timeoutMs) = 0;
};

// A file, created or truncated (FILE: and ports named by a path). `hostPath` is a
// host path.
std::unique_ptr<Endpoint> OpenFileEndpoint(const std::string& hostPath, DWORD* error);
// An existing device node (a parallel, serial or USB printer line), never created.
std::unique_ptr<Endpoint> OpenDeviceEndpoint(const std::string& hostPath, DWORD* error);
// A raw TCP printer port; the connect waits at most `timeoutMs`.
std::unique_ptr<Endpoint> ConnectTcpEndpoint(const std::string& host, unsigned port,
                                             DWORD timeoutMs, DWORD* error);

// The Win32 code for a host errno value met on a port.
DWORD PortErrorFromErrno(int error);

}  // namespace trv::spooler
