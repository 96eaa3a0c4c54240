#include "dcl/trace.h"

#include <cstdarg>
#include <cstdio>

#include "dcl/trace_log.h"
#include "platform/kernel.h"

namespace trv::dcl {

namespace {

constexpr size_t kTraceBufferSize = 1024;

// A viewer that is running receives the text as a global atom; it reads and deletes
// the atom. A text the atom table refuses still announces itself with atom 0.
void Broadcast(const char* text) {
  ATOM atom = GlobalAddAtomA(text);
  UINT message = RegisterWindowMessageA("TVTRACE");
  if (message != 0) PostMessageA(HWND_BROADCAST, message, 0, atom);
}

}  // namespace

void Trace(const char* format, ...) {
  if (format == nullptr) return;
  char text[kTraceBufferSize];
  va_list args;
  va_start(args, format);
  int length = std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  if (length < 0) return;
  OutputDebugStringA(text);
  ProcessTraceLog().Append(text);
  Broadcast(text);
}

}  // namespace trv::dcl
