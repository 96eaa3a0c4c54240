// Controls of the Windows stand-in itself: the machine root, path mapping, the
// platform identity, the virtual clock and the listeners that stand in for the
// debugger, broadcast receivers and WinHelp. Tests, tools and viewers use these;
// the suite's own code uses only the Win32 calls of kernel.h.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/windef.h"

namespace trv {

// ---- machine root --------------------------------------------------------------
// The folder that holds everything a Windows machine would: drive_c/ (with
// windows/, windows/system32/, the spool and driver folders, windows/Fonts/) and the
// registry database. TRV_ROOT names it; default $XDG_DATA_HOME/trv (or
// ~/.local/share/trv). The folders are created on first use.
TRV_EXPORT std::string MachineRoot();
// Switches the process to another root (tests make a fresh one per test).
TRV_EXPORT void SetMachineRoot(const std::string& hostPath);

// Windows path -> host path. "C:\x\y" lives under <root>/drive_c/x/y, "Z:\x" is
// the host's "/x" (as Wine does), other drives under <root>/drive_<letter>/;
// a path without drive is relative to the current directory; "\" and "/" both
// separate. A component that does not exist under its exact name is looked up
// without regard to case. Returns "" for a name that cannot be mapped.
TRV_EXPORT std::string HostPath(const std::string& windowsPath);
// Host path -> Windows path: under the machine root's drive_c as "C:\...",
// everything else as "Z:\...".
TRV_EXPORT std::string WindowsPath(const std::string& hostPath);

// ---- fonts -------------------------------------------------------------------------
// The machine's fonts folder ("C:\\WINDOWS\\Fonts") and the key of HKEY_LOCAL_MACHINE
// that names its registered fonts (the NT family's or 95/98/Me's, by identity).
TRV_EXPORT std::string FontsFolder();
TRV_EXPORT const char* FontsKeyPath();
// The Windows paths of the font files in this process's GDI font table.
TRV_EXPORT std::vector<std::string> LoadedFontFiles();

// ---- platform identity -----------------------------------------------------------
enum class Platform { Win95, Win98, WinMe, NT4, Win2000OrLater };
TRV_EXPORT void SetPlatform(Platform platform);
TRV_EXPORT Platform CurrentPlatform();
TRV_EXPORT bool IsWindowsNT();
TRV_EXPORT void SetUserDefaultLangID(LANGID lang);

// ---- clock -------------------------------------------------------------------------
// With the virtual clock on, Sleep advances GetTickCount at once and returns: a
// wait of ten seconds costs nothing in a test.
TRV_EXPORT void UseVirtualClock(bool on, DWORD startTicks = 1000);
TRV_EXPORT bool VirtualClockInUse();
TRV_EXPORT void AdvanceClock(DWORD milliseconds);
// Called on every virtual Sleep (with the milliseconds slept), so a test can change
// the world while code waits; null removes it.
TRV_EXPORT void SetSleepHook(std::function<void(DWORD)> hook);

// ---- listeners ------------------------------------------------------------------------
// Each Add* returns a cookie for Remove*. Listeners run on the calling thread.
using DebugListener = std::function<void(const std::string& text)>;
TRV_EXPORT int AddDebugListener(DebugListener listener);
TRV_EXPORT void RemoveDebugListener(int cookie);

struct PostedMessage {
  HWND window;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};
using MessageListener = std::function<void(const PostedMessage&)>;
// Receives every message posted to HWND_BROADCAST.
TRV_EXPORT int AddBroadcastListener(MessageListener listener);
TRV_EXPORT void RemoveBroadcastListener(int cookie);
// Messages posted to one window are queued for it; this takes them out in order.
TRV_EXPORT std::vector<PostedMessage> TakePostedMessages(HWND window);

struct HelpRequest {
  HWND window;
  std::string file;
  UINT command;
  ULONG_PTR data;              // as passed
  std::string keyword;         // HELP_KEY / HELP_PARTIALKEY: the text data points at
  std::vector<DWORD> idPairs;  // HELP_WM_HELP / HELP_CONTEXTMENU: the id array, up to its 0 pair
};
using HelpListener = std::function<void(const HelpRequest&)>;
TRV_EXPORT int AddHelpListener(HelpListener listener);
TRV_EXPORT void RemoveHelpListener(int cookie);

// ---- the scripted user ------------------------------------------------------------------
struct MessageBoxRequest {
  HWND owner;
  std::string text;
  std::string caption;
  UINT type;
};
// Answers every MessageBoxA (IDOK, IDRETRY, ...); null restores the default user, who
// is not there: it answers the safe way out of each box (OK, Cancel, Abort or No),
// or what TRV_MESSAGEBOX_ANSWER names (OK, CANCEL, ABORT, RETRY, IGNORE, YES, NO)
// when that answer is one of the box's buttons.
using MessageBoxAnswerer = std::function<int(const MessageBoxRequest&)>;
TRV_EXPORT void SetMessageBoxAnswerer(MessageBoxAnswerer answerer);

// ---- keyboard ---------------------------------------------------------------------------
// Holds a virtual key (VK_LCONTROL, ...) down or releases it, for every thread.
TRV_EXPORT void SetKeyDown(int key, bool down);

}  // namespace trv
