// Drives one document through a port monitor table the way despooling does, and
// reports the first failure.
#pragma once

#include <string>

#include "platform/kernel.h"
#include "platform/winsplp.h"

namespace trv::testing {

inline std::u16string Wide(const std::string& ascii) {
  return std::u16string(ascii.begin(), ascii.end());
}

// Random-looking but reproducible bytes, every value 0..255 present.
inline std::string PatternBytes(std::size_t n) {
  std::string s(n, '\0');
  unsigned x = 12345;
  for (std::size_t i = 0; i < n; ++i) {
    x = x * 1103515245u + 12345u;
    s[i] = static_cast<char>((x >> 16) & 0xFF);
  }
  return s;
}

struct SessionResult {
  DWORD error = 0;    // 0: the document went through
  std::string stage;  // where it failed
};

// Opens `port`, starts a document (with `outputFile` when given), writes `bytes` in
// pieces of `chunk`, ends and closes.
inline SessionResult SendThroughPort(MONITOR* m, const std::string& port, const std::string& bytes,
                                     std::size_t chunk, const std::string& outputFile = "") {
  SessionResult r;
  std::u16string name = Wide(port), doc = Wide("label"), out = Wide(outputFile), type = Wide("RAW");
  HANDLE h = nullptr;
  if (!m->pfnOpenPort(name.data(), &h)) return {GetLastError(), "OpenPort"};
  DOC_INFO_1W info{doc.data(), outputFile.empty() ? nullptr : out.data(), type.data()};
  std::u16string printer = Wide("Label");
  if (!m->pfnStartDocPort(h, printer.data(), 1, 1, reinterpret_cast<LPBYTE>(&info))) {
    r = {GetLastError(), "StartDocPort"};
    m->pfnClosePort(h);
    return r;
  }
  std::string data = bytes;
  std::size_t at = 0;
  while (at < data.size() && r.error == 0) {
    DWORD n = static_cast<DWORD>(std::min(chunk, data.size() - at)), written = 0;
    if (!m->pfnWritePort(h, reinterpret_cast<LPBYTE>(data.data() + at), n, &written))
      r = {GetLastError(), "WritePort"};
    else if (written == 0)
      r = {ERROR_WRITE_FAULT, "WritePort took nothing"};
    at += written;
  }
  if (!m->pfnEndDocPort(h) && r.error == 0) r = {GetLastError(), "EndDocPort"};
  m->pfnClosePort(h);
  return r;
}

}  // namespace trv::testing
