#include "dcl/epl/tests/epl_fixture.h"

#include <cstring>

#include "platform/kernel.h"

namespace trv::dcl::epl::testing {

BOOL WINAPI MemoryWrite(HANDLE h, LPBYTE buffer, DWORD size, LPDWORD written) {
  auto* port = static_cast<MemoryPort*>(h);
  *written = 0;
  if (port->writes++ == port->failWrite) {
    SetLastError(ERROR_WRITE_FAULT);
    return FALSE;
  }
  port->count += size;
  if (size == 4 && std::memcmp(buffer, "^ee\n", 4) == 0) {
    ++port->queries;
    port->replyAt = 0;
  }
  if (port->keep) port->bytes.append(reinterpret_cast<char*>(buffer), size);
  *written = size;
  return TRUE;
}

BOOL WINAPI MemoryRead(HANDLE h, LPBYTE buffer, DWORD size, LPDWORD read) {
  auto* port = static_cast<MemoryPort*>(h);
  *read = 0;
  if (size == 0 || port->replyAt >= port->reply.size()) return TRUE;
  buffer[0] = static_cast<BYTE>(port->reply[port->replyAt++]);
  *read = 1;
  return TRUE;
}

void UseMemoryPort(CDCLBase& object, MemoryPort* port) {
  DevicePort& p = object.Port();
  p.handle = port;
  p.writePort = MemoryWrite;
  p.readPort = MemoryRead;
  p.kind = PORT_KIND_NONE;
}

}  // namespace trv::dcl::epl::testing
