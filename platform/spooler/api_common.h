// Helpers shared by the spooler's exported calls: errors become BOOL + last error
// once, here; texts of both character sets become the spooler's ANSI form.
#pragma once

#include <new>
#include <string>
#include <vector>

#include "platform/kernel.h"
#include "platform/last_error.h"
#include "platform/spooler/monitor_text.h"
#include "platform/spooler/pack.h"
#include "platform/winspool.h"

namespace trv::spooler {

using trv::Fail;

inline BOOL Result(DWORD error) { return error == ERROR_SUCCESS ? TRUE : Fail(error); }

inline std::string In(const char* s) { return s != nullptr ? s : ""; }
inline std::string In(const WCHAR* s) { return AnsiOfWide(s); }

// Only this machine is served: a server name must be absent or empty.
template <typename Char>
bool IsLocalServer(const Char* server) {
  return server == nullptr || server[0] == Char{};
}

// The structure types of each character set.
template <typename Char>
struct Spool;
template <>
struct Spool<char> {
  using PrinterInfo1 = PRINTER_INFO_1A;
  using PrinterInfo2 = PRINTER_INFO_2A;
  using DriverInfo3 = DRIVER_INFO_3A;
  using PortInfo1 = PORT_INFO_1A;
  using PortInfo2 = PORT_INFO_2A;
  using MonitorInfo1 = MONITOR_INFO_1A;
  using MonitorInfo2 = MONITOR_INFO_2A;
  using DocInfo1 = DOC_INFO_1A;
  using JobInfo1 = JOB_INFO_1A;
  using Defaults = PRINTER_DEFAULTSA;
  using Devmode = DEVMODEA;
};
template <>
struct Spool<WCHAR> {
  using PrinterInfo1 = PRINTER_INFO_1W;
  using PrinterInfo2 = PRINTER_INFO_2W;
  using DriverInfo3 = DRIVER_INFO_3W;
  using PortInfo1 = PORT_INFO_1W;
  using PortInfo2 = PORT_INFO_2W;
  using MonitorInfo1 = MONITOR_INFO_1W;
  using MonitorInfo2 = MONITOR_INFO_2W;
  using DocInfo1 = DOC_INFO_1W;
  using JobInfo1 = JOB_INFO_1W;
  using Defaults = PRINTER_DEFAULTSW;
  using Devmode = DEVMODEW;
};

// Runs an export's body and turns an allocation failure into its Win32 error.
template <typename Body>
auto Guarded(Body body) -> decltype(body()) {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return {};
  }
}

// Device modes are stored in their wide form; these convert and copy them whole
// (public part of dmSize bytes, then dmDriverExtra private bytes).
std::vector<BYTE> DevmodeBytes(const DEVMODEW* devmode);
std::vector<BYTE> DevmodeBytes(const DEVMODEA* devmode);
// The stored wide form as the caller's character set wants it.
std::vector<BYTE> DevmodeFor(const std::vector<BYTE>& wide, char);
std::vector<BYTE> DevmodeFor(const std::vector<BYTE>& wide, WCHAR);

}  // namespace trv::spooler
