// The framework's port operations of the DCL object: opening and closing the device
// port through the port monitor's functions, the port output loop with its status
// polling and the user's decision, and the default status handling that the
// back-ends refine.
#include <cstring>
#include <string>

#include "dcl/object/dcl_base.h"
#include "dcl/windows_version.h"
#include "platform/kernel.h"
#include "platform/last_error.h"

namespace trv::dcl {
namespace {

// Walks name and pattern together: '#' takes any one character, '*' or the end of
// the pattern takes the rest, and a name that ends first matches.
bool MatchesPortPattern(const std::string& name, const char* pattern) {
  size_t i = 0;
  for (const char* p = pattern; *p != 0; ++p, ++i) {
    if (*p == '*') return true;
    if (i >= name.size()) return true;
    if (*p != '#' && *p != name[i]) return false;
  }
  return true;
}

// The document that StartDocPort gets when the caller gave none: three empty texts.
WCHAR emptyText[1] = {0};
struct EmptyDocInfo {
  LPWSTR name = emptyText;
  LPWSTR output = emptyText;
  LPWSTR dataType = emptyText;
} emptyDocInfo;

constexpr const char* kPrinterNotReady = "Printer not Ready";

}  // namespace

std::string AnsiOfSpoolerText(LPWSTR text) {
  if (text == nullptr) return "";
  if (!IsWindowsNT()) return reinterpret_cast<const char*>(text);
  int n = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return "";
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, text, -1, out.data(), n, nullptr, nullptr);
  out.resize(static_cast<size_t>(n - 1));
  return out;
}

DWORD PortKindOf(const char* portName) {
  static const struct {
    const char* pattern;
    DWORD kind;
  } kPatterns[] = {{"LPT#:", PORT_KIND_LPT},  {"LABELLPT#:", PORT_KIND_LPT},
                   {"COM#:", PORT_KIND_COM},  {"USB*", PORT_KIND_USB},
                   {"SCSI*", PORT_KIND_SCSI}, {"FILE*", PORT_KIND_FILE}};
  std::string name = portName != nullptr ? portName : "";
  CharUpperBuffA(name.data(), static_cast<DWORD>(name.size()));
  for (const auto& p : kPatterns)
    if (MatchesPortPattern(name, p.pattern)) return p.kind;
  return PORT_KIND_NONE;
}

BOOL CDCLBase::OpenDevicePort(DevicePort* port, LPWSTR portName, const PortAccessTable* table,
                              HWND owner, LPWSTR printerName, DWORD jobId, DWORD level,
                              LPBYTE docInfo) {
  if (port == nullptr || port->IsOpen() || table == nullptr ||
      table->size != kPortAccessTableSize || table->openPort == nullptr ||
      table->writePort == nullptr || table->closePort == nullptr) {
    return Fail(ERROR_INVALID_PARAMETER);
  }
  HANDLE handle = INVALID_HANDLE_VALUE;
  if (!table->openPort(portName, &handle) || handle == INVALID_HANDLE_VALUE) return FALSE;
  if (table->startDocPort != nullptr) {
    LPBYTE info = docInfo != nullptr ? docInfo : reinterpret_cast<LPBYTE>(&emptyDocInfo);
    if (!table->startDocPort(handle, printerName, jobId, level, info)) {
      KeepLastError keep;
      table->closePort(handle);
      return FALSE;
    }
  }
  *port = DevicePort{};
  port->owner = owner;
  port->handle = handle;
  port->timeout = kDefaultWriteTimeout;
  port->kind = PortKindOf(AnsiOfSpoolerText(portName).c_str());
  port->state = 1;
  port->openPort = table->openPort;
  port->writePort = table->writePort;
  port->readPort = table->readPort;
  port->closePort = table->closePort;
  port->startDocPort = table->startDocPort;
  port->endDocPort = table->endDocPort;
  if (IsValid(this)) OnPortOpened(port);
  statusCaption_ = GetProductName();
  return TRUE;
}

BOOL CDCLBase::CloseDevicePort(DevicePort* port) {
  if (port == nullptr || !port->IsOpen()) return Fail(ERROR_INVALID_PARAMETER);
  BOOL ok = TRUE;
  DWORD error = ERROR_SUCCESS;
  if (port->endDocPort != nullptr && !port->endDocPort(port->handle)) {
    ok = FALSE;
    error = GetLastError();
  }
  if (!port->closePort(port->handle) && ok) {
    ok = FALSE;
    error = GetLastError();
  }
  port->handle = INVALID_HANDLE_VALUE;
  port->state = 0;
  // The port is closed either way; a failure of its end or close is still reported.
  if (!ok) SetLastError(error);
  return ok;
}

int CDCLBase::ShowErrorMessage(DevicePort* port, DeviceStatus* status, DWORD error, BOOL question) {
  char text[512] = "";
  FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                 text, sizeof text, nullptr);
  return ShowStatusDialog(port, status, text, question);
}

int CDCLBase::ShowStatusDialog(DevicePort* port, DeviceStatus*, const char* text, BOOL question) {
  HWND owner = port != nullptr ? port->owner : nullptr;
  if (!question) {
    MessageBoxA(owner, text, statusCaption_.c_str(), MB_OK | MB_ICONSTOP);
    return STATUS_ANSWER_CANCEL;
  }
  int answer = MessageBoxA(owner, text, statusCaption_.c_str(),
                           MB_ABORTRETRYIGNORE | MB_ICONSTOP | MB_DEFBUTTON2);
  if (answer == IDRETRY) return STATUS_ANSWER_WRITE_AGAIN;
  if (answer == IDIGNORE) return STATUS_ANSWER_IGNORE;
  return STATUS_ANSWER_CANCEL;
}

int CDCLBase::HandleDeviceStatus(DevicePort* port, DeviceStatus* status) {
  if (!DescribeDeviceStatus(port, status)) return 0;
  if (status->message == 0) return STATUS_ANSWER_RETRY;
  std::string text;
  if (status->message == STATUS_TEXT_IN_POINTER) {
    text = status->text != nullptr ? status->text : "";
  } else {
    char loaded[1024] = "";
    LoadString(nullptr, status->message, loaded, sizeof loaded);
    text = loaded;
  }
  int result;
  if (status->kind == STATUS_NOTICE) {
    ShowStatusDialog(port, status, text.c_str(), FALSE);
    result = ShowStatusDialog(port, status, text.c_str(), TRUE);
  } else if (status->kind == STATUS_QUESTION) {
    result = ShowStatusDialog(port, status, text.c_str(), TRUE);
  } else {
    ShowStatusDialog(port, status, text.c_str(), FALSE);
    result = STATUS_ANSWER_CANCEL;
  }
  SetLastError(ERROR_SUCCESS);
  return result;
}

BOOL CDCLBase::ResetDevice(DevicePort*) { return TRUE; }

namespace {

// Reads exactly `size` bytes of a status block through the port monitor; the block's
// first word holds its size.
BOOL ReadExactly(DevicePort* port, BYTE* block, DWORD size) {
  if (port == nullptr || block == nullptr || !port->IsOpen() || port->readPort == nullptr)
    return Fail(ERROR_NOT_READY);
  std::memcpy(block, &size, sizeof size);
  DWORD read = 0;
  if (!port->readPort(port->handle, block, size, &read) || read != size)
    return Fail(ERROR_NOT_READY);
  return TRUE;
}

}  // namespace

BOOL CDCLBase::ReadBlock524(DevicePort* port, BYTE* block) { return ReadExactly(port, block, 524); }
BOOL CDCLBase::Reserved75(DevicePort*) { return TRUE; }
BOOL CDCLBase::ReadBlock268(DevicePort* port, BYTE* block) { return ReadExactly(port, block, 268); }
BOOL CDCLBase::Reserved77(DevicePort*) { return TRUE; }

BOOL CDCLBase::WriteDevicePort(DevicePort* port, const BYTE* bytes, DWORD count, DWORD* written,
                               DWORD) {
  *written = 0;
  return port->writePort(port->handle, const_cast<LPBYTE>(bytes), count, written);
}

BOOL CDCLBase::BeginDeviceWrite(DevicePort*, DeviceStatus*, DWORD) { return TRUE; }
BOOL CDCLBase::EndDeviceWrite(DevicePort*, DeviceStatus*, DWORD) { return TRUE; }

BOOL CDCLBase::QueryDeviceStatus(DevicePort* port, DeviceStatus* status) {
  BYTE wire[kDeviceStatusWireSize] = {};
  if (!ReadExactly(port, wire, kDeviceStatusWireSize)) return FALSE;
  auto word = [&](size_t at) {
    DWORD v;
    std::memcpy(&v, wire + at, 4);
    return v;
  };
  status->size = kDeviceStatusWireSize;
  status->state = word(4);
  status->kind = word(8);
  status->message = word(12);
  status->zero1 = 0;
  // A text pointer that crossed the port means nothing in this process.
  status->text = nullptr;
  if (status->message == STATUS_TEXT_IN_POINTER) status->message = 0;
  status->zero2 = 0;
  return TRUE;
}

BOOL CDCLBase::DescribeDeviceStatus(DevicePort*, DeviceStatus*) { return TRUE; }

namespace {

// One call of WriteToPort: what is left to write and the status of the last look.
struct PortWrite {
  const BYTE* bytes;
  DWORD count;
  const BYTE* position;
  DWORD remaining;
  DWORD flags;
  DeviceStatus status;

  void Advance(DWORD written) {
    written = written < remaining ? written : remaining;
    position += written;
    remaining -= written;
  }
};

enum class StepResult { kWritten, kWait, kFailed };

// The write step: hands the port as much as it takes. kWait sends the loop to the
// status wait; kFailed has set the last error.
StepResult WriteStep(CDCLBase& o, DevicePort* port, PortWrite& w) {
  if (!o.BeginDeviceWrite(port, &w.status, w.flags)) return StepResult::kWait;
  DWORD written = 0;
  if (o.WriteDevicePort(port, w.position, w.remaining, &written, w.flags) && written > 0) {
    w.Advance(written);
    const DWORD endFlags = w.remaining > 0 ? (w.flags & ~PORT_WRITE_LAST) : w.flags;
    if (!o.EndDeviceWrite(port, &w.status, endFlags)) return StepResult::kWait;
    w.flags &= ~PORT_WRITE_FIRST;
    return StepResult::kWritten;
  }
  // A write that took nothing without an error is treated as a failed one, so that a
  // port that stops taking bytes reaches the status wait instead of spinning here.
  DWORD error = GetLastError();
  if (error == ERROR_SUCCESS) error = ERROR_TIMEOUT;
  w.Advance(written);
  if (!o.QueryDeviceStatus(port, &w.status)) {
    SetLastError(error);
    return StepResult::kFailed;
  }
  return StepResult::kWait;
}

// The wait step: polls the status while the printer is busy; a printer busy for
// longer than the port's timeout is reported as not ready. FALSE with the last error
// set when the status cannot be read.
BOOL WaitWhileBusy(CDCLBase& o, DevicePort* port, DeviceStatus& status) {
  const DWORD waitStart = GetTickCount();
  while (status.state == STATUS_BUSY) {
    if (GetTickCount() - waitStart > port->timeout) {
      status.state = STATUS_ERROR;
      status.kind = STATUS_QUESTION;
      status.message = STATUS_TEXT_IN_POINTER;
      status.text = kPrinterNotReady;
      return TRUE;
    }
    Sleep(100);
    if (!o.QueryDeviceStatus(port, &status)) return Fail(ERROR_WRITE_FAULT);
  }
  return TRUE;
}

enum class Decision { kGoOn, kDone, kStop };

// The ask step: the printer is in trouble; the object (and through it the user)
// decides whether to go on, start again, give up or ignore the rest.
Decision AskStep(CDCLBase& o, DevicePort* port, PortWrite& w) {
  switch (o.HandleDeviceStatus(port, &w.status)) {
    case STATUS_ANSWER_RETRY: break;
    case STATUS_ANSWER_WRITE_AGAIN:
      o.ResetDevice(port);
      w.position = w.bytes;
      w.remaining = w.count;
      break;
    case STATUS_ANSWER_CANCEL:
      SetLastError(ERROR_SUCCESS);  // the user cancelled
      return Decision::kStop;
    case STATUS_ANSWER_IGNORE: return Decision::kDone;
    default: return Decision::kStop;
  }
  w.status.state = STATUS_READY;
  return Decision::kGoOn;
}

}  // namespace

BOOL CDCLBase::WriteToPort(DevicePort* port, const BYTE* bytes, DWORD count, DWORD flags) {
  if (!IsValid(this) || port == nullptr || !port->IsOpen()) return Fail(ERROR_INVALID_PARAMETER);
  PortWrite w{bytes, count, bytes, count, flags, DeviceStatus{}};
  w.status.size = kDeviceStatusWireSize;
  while (w.remaining > 0) {
    const StepResult step = WriteStep(*this, port, w);
    if (step == StepResult::kWritten) continue;
    if (step == StepResult::kFailed) return FALSE;
    if (!WaitWhileBusy(*this, port, w.status)) return FALSE;
    if (w.status.state == STATUS_READY) continue;
    const Decision decision = AskStep(*this, port, w);
    if (decision == Decision::kDone) return TRUE;
    if (decision == Decision::kStop) return FALSE;
  }
  return TRUE;
}

}  // namespace trv::dcl
