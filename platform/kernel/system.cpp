// Platform identity, clock, process and thread ids, critical sections.
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <thread>

#include "platform/kernel.h"
#include "platform/stand_in.h"

namespace trv {
namespace {

Platform InitialPlatform() {
  const char* p = std::getenv("TRV_PLATFORM");
  if (p == nullptr) return Platform::Win2000OrLater;
  std::string v = p;
  if (v == "95") return Platform::Win95;
  if (v == "98") return Platform::Win98;
  if (v == "me" || v == "ME" || v == "Me") return Platform::WinMe;
  if (v == "nt4" || v == "NT4") return Platform::NT4;
  return Platform::Win2000OrLater;
}

std::atomic<Platform> platform{InitialPlatform()};
std::atomic<LANGID> userLang{0x0409};

std::atomic<bool> virtualClock{false};
std::atomic<DWORD> virtualTicks{0};
std::mutex hookLock;
std::function<void(DWORD)> sleepHook;

}  // namespace

void SetPlatform(Platform p) { platform = p; }
Platform CurrentPlatform() { return platform; }
bool IsWindowsNT() {
  Platform p = platform;
  return p == Platform::NT4 || p == Platform::Win2000OrLater;
}
void SetUserDefaultLangID(LANGID lang) { userLang = lang; }

void UseVirtualClock(bool on, DWORD startTicks) {
  virtualTicks = startTicks;
  virtualClock = on;
}
bool VirtualClockInUse() { return virtualClock; }
void AdvanceClock(DWORD milliseconds) { virtualTicks += milliseconds; }
void SetSleepHook(std::function<void(DWORD)> hook) {
  std::lock_guard<std::mutex> guard(hookLock);
  sleepHook = std::move(hook);
}

}  // namespace trv

TRVAPI LANGID WINAPI GetUserDefaultLangID(void) { return trv::userLang; }
TRVAPI LANGID WINAPI GetSystemDefaultLangID(void) { return trv::userLang; }

TRVAPI BOOL WINAPI GetVersionExA(OSVERSIONINFOA* info) {
  if (info == nullptr || info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  struct Identity {
    DWORD major, minor, build, platformId;
    const char* csd;
  };
  Identity id{};
  switch (trv::CurrentPlatform()) {
    case trv::Platform::Win95: id = {4, 0, 950, VER_PLATFORM_WIN32_WINDOWS, ""}; break;
    case trv::Platform::Win98: id = {4, 10, 2222, VER_PLATFORM_WIN32_WINDOWS, " A "}; break;
    case trv::Platform::WinMe: id = {4, 90, 3000, VER_PLATFORM_WIN32_WINDOWS, " "}; break;
    case trv::Platform::NT4: id = {4, 0, 1381, VER_PLATFORM_WIN32_NT, "Service Pack 6"}; break;
    case trv::Platform::Win2000OrLater:
      id = {5, 0, 2195, VER_PLATFORM_WIN32_NT, "Service Pack 4"};
      break;
  }
  info->dwMajorVersion = id.major;
  info->dwMinorVersion = id.minor;
  // Windows 95/98/Me keep the version in the high word of the build number.
  info->dwBuildNumber = id.platformId == VER_PLATFORM_WIN32_WINDOWS
                            ? (id.major << 24) | (id.minor << 16) | id.build
                            : id.build;
  info->dwPlatformId = id.platformId;
  std::memset(info->szCSDVersion, 0, sizeof info->szCSDVersion);
  std::strncpy(info->szCSDVersion, id.csd, sizeof info->szCSDVersion - 1);
  return TRUE;
}

TRVAPI DWORD WINAPI GetVersion(void) {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof info;
  GetVersionExA(&info);
  DWORD v = info.dwMajorVersion | (info.dwMinorVersion << 8);
  if (info.dwPlatformId == VER_PLATFORM_WIN32_NT)
    v |= (info.dwBuildNumber & 0x7FFF) << 16;
  else
    v |= 0x80000000u;
  return v;
}

TRVAPI DWORD WINAPI GetTickCount(void) {
  if (trv::virtualClock) return trv::virtualTicks;
  using namespace std::chrono;
  auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
  return static_cast<DWORD>(ms);
}

TRVAPI void WINAPI Sleep(DWORD milliseconds) {
  if (trv::virtualClock) {
    trv::virtualTicks += milliseconds;
    std::function<void(DWORD)> hook;
    {
      std::lock_guard<std::mutex> guard(trv::hookLock);
      hook = trv::sleepHook;
    }
    if (hook) hook(milliseconds);
    return;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

TRVAPI DWORD WINAPI GetCurrentProcessId(void) { return static_cast<DWORD>(::getpid()); }
TRVAPI DWORD WINAPI GetCurrentThreadId(void) { return static_cast<DWORD>(::syscall(SYS_gettid)); }

static_assert(sizeof(std::recursive_mutex) <= sizeof(CRITICAL_SECTION::opaque));
static_assert(alignof(std::recursive_mutex) <= 16);

namespace {
std::recursive_mutex* MutexOf(CRITICAL_SECTION* cs) {
  return std::launder(reinterpret_cast<std::recursive_mutex*>(cs->opaque));
}
}  // namespace

TRVAPI void WINAPI InitializeCriticalSection(CRITICAL_SECTION* cs) {
  new (cs->opaque) std::recursive_mutex();
}
TRVAPI void WINAPI EnterCriticalSection(CRITICAL_SECTION* cs) { MutexOf(cs)->lock(); }
TRVAPI void WINAPI LeaveCriticalSection(CRITICAL_SECTION* cs) { MutexOf(cs)->unlock(); }
TRVAPI void WINAPI DeleteCriticalSection(CRITICAL_SECTION* cs) {
  MutexOf(cs)->~recursive_mutex();
  std::memset(cs->opaque, 0, sizeof cs->opaque);
}
