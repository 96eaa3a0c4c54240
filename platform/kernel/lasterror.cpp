// The thread's last error. It lives in the platform library, so every module of a
// process reads the same value after calling another module's export.
#include "platform/kernel.h"

namespace {
thread_local DWORD lastError = ERROR_SUCCESS;
}

TRVAPI DWORD WINAPI GetLastError(void) { return lastError; }
TRVAPI void WINAPI SetLastError(DWORD code) { lastError = code; }
