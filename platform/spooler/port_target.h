// Where a port of the "Local Port" monitor leads, from its name and its settings.
//
// Settings (the port's value in the registry) name the target explicitly:
//   "file:C:\path\out.prn"   a file (FILE: ports configured with a fixed file)
//   "device:/dev/usb/lp0"    a device node of the host
//   "tcp:HOST[:PORT]"        a raw TCP printer port, 9100 unless given
// Anything else (empty, or serial line parameters such as "9600,n,8,1") leaves the
// target to the name: FILE: writes the document's output file; IP_HOST[:PORT] is a
// TCP port; LPTn:, COMn: and USBnnn are the host's /dev/lp(n-1), /dev/ttyS(n-1) and
// /dev/usb/lp(n-1); a name that is a path ("C:\out\label.prn") is that file.
#pragma once

#include <string>

#include "platform/windef.h"
#include "platform/winerror.h"

namespace trv::spooler {

enum class TargetKind { DocumentFile, File, Device, Tcp };

struct PortTarget {
  TargetKind kind = TargetKind::File;
  std::string path;  // File: Windows path; Device: host path
  std::string host;  // Tcp
  unsigned port = 9100;
};

inline constexpr unsigned kRawPrinterPort = 9100;

// Returns 0 and fills `target`, or ERROR_UNKNOWN_PORT for a name that leads nowhere.
DWORD ResolvePortTarget(const std::string& name, const std::string& settings, PortTarget* target);

}  // namespace trv::spooler
