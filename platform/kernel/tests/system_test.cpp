#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/kernel.h"
#include "platform/stand_in.h"
#include "platform/testing/fixtures.h"

namespace {

class System : public trv::testing::FreshMachine {};

TEST_F(System, PlatformIdentityIsASetting) {
  struct Case {
    trv::Platform platform;
    DWORD major, minor, id;
    bool nt;
  } cases[] = {
      {trv::Platform::Win95, 4, 0, VER_PLATFORM_WIN32_WINDOWS, false},
      {trv::Platform::Win98, 4, 10, VER_PLATFORM_WIN32_WINDOWS, false},
      {trv::Platform::WinMe, 4, 90, VER_PLATFORM_WIN32_WINDOWS, false},
      {trv::Platform::NT4, 4, 0, VER_PLATFORM_WIN32_NT, true},
      {trv::Platform::Win2000OrLater, 5, 0, VER_PLATFORM_WIN32_NT, true},
  };
  for (const Case& c : cases) {
    trv::SetPlatform(c.platform);
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    ASSERT_TRUE(GetVersionExA(&info));
    EXPECT_EQ(info.dwMajorVersion, c.major);
    EXPECT_EQ(info.dwMinorVersion, c.minor);
    EXPECT_EQ(info.dwPlatformId, c.id);
    EXPECT_EQ(trv::IsWindowsNT(), c.nt);
    EXPECT_EQ((GetVersion() & 0x80000000u) == 0, c.nt);
  }
  OSVERSIONINFOA wrong{};
  wrong.dwOSVersionInfoSize = 20;
  EXPECT_FALSE(GetVersionExA(&wrong));
}

TEST_F(System, VirtualClockMakesLongWaitsFree) {
  DWORD start = GetTickCount();
  std::vector<DWORD> slept;
  trv::SetSleepHook([&](DWORD ms) { slept.push_back(ms); });
  for (int i = 0; i < 100; ++i) Sleep(100);
  EXPECT_EQ(GetTickCount() - start, 10000u);
  EXPECT_EQ(slept.size(), 100u);
  trv::AdvanceClock(5);
  EXPECT_EQ(GetTickCount() - start, 10005u);
}

TEST_F(System, LastErrorBelongsToTheThread) {
  SetLastError(1234);
  DWORD seen = 99;
  std::thread([&] {
    seen = GetLastError();
    SetLastError(5);
  }).join();
  EXPECT_EQ(seen, 0u);
  EXPECT_EQ(GetLastError(), 1234u);
}

TEST_F(System, CriticalSectionIsRecursiveAndExcludesOtherThreads) {
  CRITICAL_SECTION cs;
  InitializeCriticalSection(&cs);
  int counter = 0;
  auto work = [&] {
    for (int i = 0; i < 10000; ++i) {
      EnterCriticalSection(&cs);
      EnterCriticalSection(&cs);
      ++counter;
      LeaveCriticalSection(&cs);
      LeaveCriticalSection(&cs);
    }
  };
  std::thread a(work), b(work);
  a.join();
  b.join();
  EXPECT_EQ(counter, 20000);
  DeleteCriticalSection(&cs);
}

}  // namespace
