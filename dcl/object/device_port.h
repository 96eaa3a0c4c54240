// What the DCL object knows of the printer's port while a job or a dialog talks to
// the printer: the port monitor's functions, the port handle, the status block the
// port output loop hands to the object's status operations.
#pragma once

#include <cstddef>
#include <string>

#include "platform/windef.h"

namespace trv::dcl {

// The port monitor's functions, with the signatures of the spooler's monitor table.
using PortOpenFn = BOOL(WINAPI*)(LPWSTR name, HANDLE* handle);
using PortWriteFn = BOOL(WINAPI*)(HANDLE port, LPBYTE buffer, DWORD size, LPDWORD written);
using PortReadFn = BOOL(WINAPI*)(HANDLE port, LPBYTE buffer, DWORD size, LPDWORD read);
using PortCloseFn = BOOL(WINAPI*)(HANDLE port);
using PortStartDocFn = BOOL(WINAPI*)(HANDLE port, LPWSTR printerName, DWORD jobId, DWORD level,
                                     LPBYTE docInfo);
using PortEndDocFn = BOOL(WINAPI*)(HANDLE port);

// Built by the monitor at StartDocPort and handed to OpenDevicePort. The layout keeps
// the order of the 32-bit table (size, 0xFFFF, name, ten zero bytes, six functions)
// with natural alignment; `size` must equal kPortAccessTableSize.
struct PortAccessTable {
  DWORD size;
  WORD marker;  // 0xFFFF
  WORD reserved;
  const char* name;  // "SPOOLER Internal Monitor"
  BYTE unused[16];
  PortOpenFn openPort;
  PortWriteFn writePort;
  PortReadFn readPort;
  PortCloseFn closePort;
  PortStartDocFn startDocPort;
  PortEndDocFn endDocPort;
};
inline constexpr DWORD kPortAccessTableSize = sizeof(PortAccessTable);
static_assert(offsetof(PortAccessTable, openPort) == 32);

inline constexpr DWORD kDefaultWriteTimeout = 10000;

// Flags of WriteToPort, handed on to BeginDeviceWrite, WriteDevicePort and
// EndDeviceWrite.
// The first write of a sequence; cleared once a write has gone through.
inline constexpr DWORD PORT_WRITE_FIRST = 0x01;
// The end of a sequence; EndDeviceWrite sees it only with the last bytes.
inline constexpr DWORD PORT_WRITE_LAST = 0x02;

// Port kinds by name pattern.
inline constexpr DWORD PORT_KIND_NONE = 0;
inline constexpr DWORD PORT_KIND_LPT = 16;
inline constexpr DWORD PORT_KIND_COM = 32;
inline constexpr DWORD PORT_KIND_USB = 48;
inline constexpr DWORD PORT_KIND_SCSI = 128;
inline constexpr DWORD PORT_KIND_FILE = 256;

// The device port record of a DCL object.
struct DevicePort {
  HWND owner = nullptr;
  HANDLE handle = INVALID_HANDLE_VALUE;  // INVALID_HANDLE_VALUE while closed
  DWORD kind = PORT_KIND_NONE;
  DWORD timeout = kDefaultWriteTimeout;
  DWORD state = 0;
  DWORD flags = 0;  // bit 0: status queries pending until the next document
  PortOpenFn openPort = nullptr;
  PortWriteFn writePort = nullptr;
  PortReadFn readPort = nullptr;
  PortCloseFn closePort = nullptr;
  PortStartDocFn startDocPort = nullptr;
  PortEndDocFn endDocPort = nullptr;

  bool IsOpen() const { return handle != INVALID_HANDLE_VALUE; }
};

// Device status states and message kinds.
inline constexpr DWORD STATUS_READY = 0;
inline constexpr DWORD STATUS_BUSY = 1;
inline constexpr DWORD STATUS_ERROR = 2;
inline constexpr DWORD STATUS_NOTICE = 0x10;
inline constexpr DWORD STATUS_QUESTION = 0x20;
inline constexpr DWORD STATUS_TEXT_IN_POINTER = 0xFFFF;

// The status block of the port output loop. On the wire (a status read through the
// port) it is 28 bytes; here the text field is a pointer of the platform's width.
struct DeviceStatus {
  DWORD size;     // 28
  DWORD state;    // STATUS_READY, STATUS_BUSY, STATUS_ERROR
  DWORD kind;     // STATUS_NOTICE or STATUS_QUESTION
  DWORD message;  // 0 none, STATUS_TEXT_IN_POINTER: `text` holds it, else a string id
  DWORD zero1;
  const char* text;
  DWORD zero2;
};
inline constexpr DWORD kDeviceStatusWireSize = 28;

// Answers of HandleDeviceStatus and of the status dialog.
inline constexpr int STATUS_ANSWER_RETRY = 1;
inline constexpr int STATUS_ANSWER_WRITE_AGAIN = 2;
inline constexpr int STATUS_ANSWER_CANCEL = 3;
inline constexpr int STATUS_ANSWER_IGNORE = 4;

// Text the spooler passes through a port-name pointer (UTF-16 on Windows NT, ANSI on
// 95/98/Me) as ANSI.
std::string AnsiOfSpoolerText(LPWSTR text);

// Port kind of a port name: "LPT#:", "LABELLPT#:", "COM#:", "USB*", "SCSI*", "FILE*".
DWORD PortKindOf(const char* portName);

}  // namespace trv::dcl
