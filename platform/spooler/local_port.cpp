// The "Local Port" port monitor: every port of the machine, whatever it leads to.
// A port is opened by name; the real endpoint (file, device node, TCP connection)
// is opened per document at StartDocPort and released at EndDocPort, so a printer
// that is off between jobs costs nothing and its error reaches the job that met it.
#include <cstdlib>
#include <memory>
#include <mutex>

#include "platform/kernel.h"
#include "platform/kernel/handles.h"
#include "platform/kernel/paths.h"
#include "platform/spooler/endpoint.h"
#include "platform/spooler/monitor_text.h"
#include "platform/spooler/port_store.h"
#include "platform/spooler/port_target.h"
#include "platform/spooler/reg.h"
#include "platform/spooler_stand_in.h"
#include "platform/stand_in.h"

namespace trv::spooler {
namespace {

// A write waits this long for a printer to take any byte; a read this long for the
// first byte of a reply (status replies come within milliseconds).
constexpr DWORD kDefaultWriteTimeoutMs = 60000;
constexpr DWORD kDefaultReadTimeoutMs = 1000;

// The machine's transmission retry time-out ("TransmissionRetryTimeout" under the
// Windows key, in seconds, as a text or a number), which an administrator sets for
// printers that are slow to take data; the built-in time-out when it is absent or 0.
DWORD MachineWriteTimeoutMs() {
  RegKey key;
  if (key.Open(kWindowsKey) != ERROR_SUCCESS) return kDefaultWriteTimeoutMs;
  DWORD seconds = 0;
  std::string text;
  if (!key.ReadDword(kTransmissionRetryTimeout, &seconds) &&
      key.ReadString(kTransmissionRetryTimeout, &text)) {
    char* end = nullptr;
    const unsigned long n = std::strtoul(text.c_str(), &end, 10);
    if (end != text.c_str() && *end == 0 && n <= 0xFFFFFFFFul / 1000) seconds = n;
  }
  if (seconds == 0 || seconds > 0xFFFFFFFFu / 1000) return kDefaultWriteTimeoutMs;
  return seconds * 1000;
}

class LocalPort : public kernel::HandleObject {
 public:
  LocalPort(std::string name, PortTarget target)
      : name_(std::move(name)), target_(std::move(target)) {}

  DWORD StartDoc(const std::string& outputFile) {
    std::lock_guard<std::mutex> guard(lock_);
    if (endpoint_) return ERROR_INVALID_FUNCTION;  // a document is already open
    if (!timeoutsSet_) writeTimeoutMs_ = MachineWriteTimeoutMs();
    DWORD error = ERROR_SUCCESS;
    switch (target_.kind) {
      case TargetKind::DocumentFile:
        if (outputFile.empty()) return ERROR_INVALID_PARAMETER;  // nowhere to write
        endpoint_ = OpenFileEndpoint(kernel::HostPathOfAnsi(outputFile), &error);
        break;
      case TargetKind::File:
        endpoint_ = OpenFileEndpoint(kernel::HostPathOfAnsi(target_.path), &error);
        break;
      case TargetKind::Device: endpoint_ = OpenDeviceEndpoint(target_.path, &error); break;
      case TargetKind::Tcp:
        endpoint_ = ConnectTcpEndpoint(target_.host, target_.port, writeTimeoutMs_, &error);
        break;
    }
    return error;
  }

  DWORD Write(const BYTE* data, DWORD size, DWORD* written) {
    std::lock_guard<std::mutex> guard(lock_);
    *written = 0;
    if (!endpoint_) return ERROR_SPL_NO_STARTDOC;
    return endpoint_->Write(data, size, written, writeTimeoutMs_);
  }

  DWORD Read(BYTE* data, DWORD size, DWORD* read) {
    std::lock_guard<std::mutex> guard(lock_);
    *read = 0;
    if (!endpoint_) return ERROR_SPL_NO_STARTDOC;
    return endpoint_->Read(data, size, read, readTimeoutMs_);
  }

  DWORD EndDoc() {
    std::lock_guard<std::mutex> guard(lock_);
    if (!endpoint_) return ERROR_SUCCESS;
    DWORD result = endpoint_->Finish(readTimeoutMs_);
    endpoint_.reset();
    return result;
  }

  void SetTimeouts(const COMMTIMEOUTS& t) {
    std::lock_guard<std::mutex> guard(lock_);
    writeTimeoutMs_ = t.WriteTotalTimeoutConstant;
    readTimeoutMs_ = t.ReadTotalTimeoutConstant;
    timeoutsSet_ = true;
  }

  DWORD Close() override { return EndDoc(); }

 private:
  std::mutex lock_;
  std::string name_;
  PortTarget target_;
  DWORD writeTimeoutMs_ = kDefaultWriteTimeoutMs;
  DWORD readTimeoutMs_ = kDefaultReadTimeoutMs;
  bool timeoutsSet_ = false;  // by the port's user, which the machine's value must not undo
  std::unique_ptr<Endpoint> endpoint_;
};

BOOL Result(DWORD error) {
  if (error == ERROR_SUCCESS) return TRUE;
  SetLastError(error);
  return FALSE;
}

std::shared_ptr<LocalPort> PortOf(HANDLE handle) { return kernel::FindHandleAs<LocalPort>(handle); }

BOOL WINAPI LpOpenPort(LPWSTR name, PHANDLE handle) {
  if (name == nullptr || handle == nullptr) return Result(ERROR_INVALID_PARAMETER);
  try {
    std::string ansi = AnsiOfMonitorText(name);
    std::string settings;
    LookupPortSettings(ansi, &settings);
    PortTarget target;
    if (DWORD e = ResolvePortTarget(ansi, settings, &target)) return Result(e);
    HANDLE h = kernel::AddHandle(std::make_shared<LocalPort>(ansi, target));
    if (h == nullptr) return Result(ERROR_NOT_ENOUGH_MEMORY);
    *handle = h;
    return TRUE;
  } catch (const std::bad_alloc&) {
    return Result(ERROR_NOT_ENOUGH_MEMORY);
  }
}

BOOL WINAPI LpStartDocPort(HANDLE port, LPWSTR, DWORD, DWORD level, LPBYTE docInfo) {
  auto p = PortOf(port);
  if (!p) return Result(ERROR_INVALID_HANDLE);
  try {
    return Result(p->StartDoc(OutputFileOfDocInfo(level, docInfo)));
  } catch (const std::bad_alloc&) {
    return Result(ERROR_NOT_ENOUGH_MEMORY);
  }
}

BOOL WINAPI LpWritePort(HANDLE port, LPBYTE buffer, DWORD size, LPDWORD written) {
  if (written == nullptr || (buffer == nullptr && size != 0))
    return Result(ERROR_INVALID_PARAMETER);
  *written = 0;
  auto p = PortOf(port);
  if (!p) return Result(ERROR_INVALID_HANDLE);
  return Result(p->Write(buffer, size, written));
}

BOOL WINAPI LpReadPort(HANDLE port, LPBYTE buffer, DWORD size, LPDWORD read) {
  if (read == nullptr || (buffer == nullptr && size != 0)) return Result(ERROR_INVALID_PARAMETER);
  *read = 0;
  auto p = PortOf(port);
  if (!p) return Result(ERROR_INVALID_HANDLE);
  return Result(p->Read(buffer, size, read));
}

BOOL WINAPI LpEndDocPort(HANDLE port) {
  auto p = PortOf(port);
  if (!p) return Result(ERROR_INVALID_HANDLE);
  return Result(p->EndDoc());
}

BOOL WINAPI LpClosePort(HANDLE port) {
  auto p = PortOf(port);
  if (!p || !kernel::RemoveHandle(port)) return Result(ERROR_INVALID_HANDLE);
  return Result(p->Close());
}

BOOL WINAPI LpSetPortTimeOuts(HANDLE port, LPCOMMTIMEOUTS timeouts, DWORD) {
  if (timeouts == nullptr) return Result(ERROR_INVALID_PARAMETER);
  auto p = PortOf(port);
  if (!p) return Result(ERROR_INVALID_HANDLE);
  p->SetTimeouts(*timeouts);
  return TRUE;
}

}  // namespace
}  // namespace trv::spooler

namespace trv {

MONITOR* LocalPortMonitor() {
  using namespace trv::spooler;
  static MONITOR table = [] {
    MONITOR t{};
    t.pfnOpenPort = LpOpenPort;
    t.pfnStartDocPort = LpStartDocPort;
    t.pfnWritePort = LpWritePort;
    t.pfnReadPort = LpReadPort;
    t.pfnEndDocPort = LpEndDocPort;
    t.pfnClosePort = LpClosePort;
    t.pfnSetPortTimeOuts = LpSetPortTimeOuts;
    return t;
  }();
  return &table;
}

}  // namespace trv
