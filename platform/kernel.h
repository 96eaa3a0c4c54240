// The kernel part of the Windows stand-in: last error, code pages, strings,
// files and paths, modules and resources, platform identity, clock, debugger
// output, atoms, registered messages, a minimal window model and WinHelp.
// Names, signatures and error semantics follow Win32.
#pragma once

#include "platform/windef.h"
#include "platform/winerror.h"

// ---- last error ------------------------------------------------------------
TRVAPI DWORD WINAPI GetLastError(void);
TRVAPI void WINAPI SetLastError(DWORD code);

// ---- code pages and strings ------------------------------------------------
#define CP_ACP 0
#define CP_OEMCP 1
#define CP_UTF8 65001
#define MB_PRECOMPOSED 0x00000001
#define MB_ERR_INVALID_CHARS 0x00000008
#define WC_NO_BEST_FIT_CHARS 0x00000400

// The ANSI code page of this platform is Windows-1252.
TRVAPI UINT WINAPI GetACP(void);
TRVAPI int WINAPI MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR src, int srcLen,
                                      LPWSTR dst, int dstLen);
TRVAPI int WINAPI WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR src, int srcLen,
                                      LPSTR dst, int dstLen, LPCSTR defaultChar,
                                      LPBOOL usedDefaultChar);
TRVAPI int WINAPI lstrlenA(LPCSTR s);
TRVAPI int WINAPI lstrlenW(LPCWSTR s);
TRVAPI int WINAPI lstrcmpiA(LPCSTR a, LPCSTR b);
TRVAPI int WINAPI lstrcmpiW(LPCWSTR a, LPCWSTR b);
TRVAPI LPSTR WINAPI lstrcpynA(LPSTR dst, LPCSTR src, int max);
TRVAPI LPSTR WINAPI CharUpperA(LPSTR s);
TRVAPI LPSTR WINAPI CharLowerA(LPSTR s);
TRVAPI DWORD WINAPI CharUpperBuffA(LPSTR s, DWORD len);
TRVAPI LPWSTR WINAPI CharUpperW(LPWSTR s);
TRVAPI int WINAPI MulDiv(int number, int numerator, int denominator);

// ---- files and paths ---------------------------------------------------------
#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u
#define FILE_SHARE_READ 0x00000001
#define FILE_SHARE_WRITE 0x00000002
#define FILE_SHARE_DELETE 0x00000004
#define CREATE_NEW 1
#define CREATE_ALWAYS 2
#define OPEN_EXISTING 3
#define OPEN_ALWAYS 4
#define TRUNCATE_EXISTING 5
#define FILE_ATTRIBUTE_READONLY 0x00000001
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010
#define FILE_ATTRIBUTE_NORMAL 0x00000080
#define INVALID_FILE_ATTRIBUTES 0xFFFFFFFFu
#define INVALID_FILE_SIZE 0xFFFFFFFFu
#define INVALID_SET_FILE_POINTER 0xFFFFFFFFu
#define FILE_BEGIN 0
#define FILE_CURRENT 1
#define FILE_END 2

struct FILETIME {
  DWORD dwLowDateTime;
  DWORD dwHighDateTime;
};

struct WIN32_FIND_DATAA {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  DWORD dwReserved0;
  DWORD dwReserved1;
  CHAR cFileName[MAX_PATH];
  CHAR cAlternateFileName[14];
};

TRVAPI HANDLE WINAPI CreateFileA(LPCSTR name, DWORD access, DWORD share, void* security,
                                 DWORD disposition, DWORD flags, HANDLE templ);
TRVAPI HANDLE WINAPI CreateFileW(LPCWSTR name, DWORD access, DWORD share, void* security,
                                 DWORD disposition, DWORD flags, HANDLE templ);
TRVAPI BOOL WINAPI ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read,
                            void* overlapped);
TRVAPI BOOL WINAPI WriteFile(HANDLE file, LPCVOID buffer, DWORD toWrite, LPDWORD written,
                             void* overlapped);
TRVAPI DWORD WINAPI SetFilePointer(HANDLE file, LONG distance, LONG* distanceHigh, DWORD method);
TRVAPI DWORD WINAPI GetFileSize(HANDLE file, LPDWORD sizeHigh);
TRVAPI BOOL WINAPI SetEndOfFile(HANDLE file);
TRVAPI BOOL WINAPI FlushFileBuffers(HANDLE file);
TRVAPI BOOL WINAPI CloseHandle(HANDLE handle);
TRVAPI BOOL WINAPI DeleteFileA(LPCSTR name);
TRVAPI BOOL WINAPI CopyFileA(LPCSTR from, LPCSTR to, BOOL failIfExists);
TRVAPI BOOL WINAPI MoveFileA(LPCSTR from, LPCSTR to);
#define MOVEFILE_REPLACE_EXISTING 0x00000001
TRVAPI BOOL WINAPI MoveFileExA(LPCSTR from, LPCSTR to, DWORD flags);
// The 8.3 form of an existing path: each component that is no valid 8.3 name gets
// the short name its folder gives it (see FindFirstFileA's cAlternateFileName).
// Returns the length without terminator, or the size needed (with terminator) when
// the buffer is too small; 0 + last error when the path does not exist.
TRVAPI DWORD WINAPI GetShortPathNameA(LPCSTR longPath, LPSTR shortPath, DWORD size);
TRVAPI BOOL WINAPI CreateDirectoryA(LPCSTR name, void* security);
TRVAPI BOOL WINAPI RemoveDirectoryA(LPCSTR name);
TRVAPI DWORD WINAPI GetFileAttributesA(LPCSTR name);
TRVAPI HANDLE WINAPI FindFirstFileA(LPCSTR pattern, WIN32_FIND_DATAA* data);
TRVAPI BOOL WINAPI FindNextFileA(HANDLE find, WIN32_FIND_DATAA* data);
TRVAPI BOOL WINAPI FindClose(HANDLE find);
TRVAPI UINT WINAPI GetWindowsDirectoryA(LPSTR buffer, UINT size);
TRVAPI UINT WINAPI GetWindowsDirectoryW(LPWSTR buffer, UINT size);
TRVAPI UINT WINAPI GetSystemDirectoryA(LPSTR buffer, UINT size);
TRVAPI UINT WINAPI GetSystemDirectoryW(LPWSTR buffer, UINT size);
TRVAPI DWORD WINAPI GetTempPathA(DWORD size, LPSTR buffer);
TRVAPI UINT WINAPI GetTempFileNameA(LPCSTR path, LPCSTR prefix, UINT unique, LPSTR buffer);
TRVAPI DWORD WINAPI GetEnvironmentVariableA(LPCSTR name, LPSTR buffer, DWORD size);

// ---- modules and resources ---------------------------------------------------
#define GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT 0x00000002
#define GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS 0x00000004
#define RT_STRING MAKEINTRESOURCEA(6)
#define RT_VERSION MAKEINTRESOURCEA(16)
struct HRSRC__;
using HRSRC = HRSRC__*;
using HGLOBAL = HANDLE;

TRVAPI HMODULE WINAPI LoadLibraryA(LPCSTR name);
TRVAPI HMODULE WINAPI LoadLibraryW(LPCWSTR name);
TRVAPI BOOL WINAPI FreeLibrary(HMODULE module);
TRVAPI FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR name);
TRVAPI DWORD WINAPI GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size);
TRVAPI HMODULE WINAPI GetModuleHandleA(LPCSTR name);
TRVAPI BOOL WINAPI GetModuleHandleExA(DWORD flags, LPCSTR nameOrAddress, HMODULE* module);
TRVAPI HRSRC WINAPI FindResourceA(HMODULE module, LPCSTR name, LPCSTR type);
TRVAPI HGLOBAL WINAPI LoadResource(HMODULE module, HRSRC resource);
TRVAPI LPVOID WINAPI LockResource(HGLOBAL data);
TRVAPI DWORD WINAPI SizeofResource(HMODULE module, HRSRC resource);
TRVAPI int WINAPI LoadStringA(HINSTANCE instance, UINT id, LPSTR buffer, int size);
TRVAPI int WINAPI LoadStringW(HINSTANCE instance, UINT id, LPWSTR buffer, int size);
TRVAPI DWORD WINAPI GetFileVersionInfoSizeA(LPCSTR file, LPDWORD handle);
TRVAPI BOOL WINAPI GetFileVersionInfoA(LPCSTR file, DWORD handle, DWORD size, LPVOID data);
TRVAPI BOOL WINAPI VerQueryValueA(LPCVOID block, LPCSTR subBlock, LPVOID* value, UINT* length);
TRVAPI LANGID WINAPI GetUserDefaultLangID(void);
TRVAPI LANGID WINAPI GetSystemDefaultLangID(void);

// ---- platform identity ---------------------------------------------------------
#define VER_PLATFORM_WIN32s 0
#define VER_PLATFORM_WIN32_WINDOWS 1
#define VER_PLATFORM_WIN32_NT 2

struct OSVERSIONINFOA {
  DWORD dwOSVersionInfoSize;
  DWORD dwMajorVersion;
  DWORD dwMinorVersion;
  DWORD dwBuildNumber;
  DWORD dwPlatformId;
  CHAR szCSDVersion[128];
};

TRVAPI BOOL WINAPI GetVersionExA(OSVERSIONINFOA* info);
TRVAPI DWORD WINAPI GetVersion(void);

// ---- clock, processes, synchronisation -------------------------------------------
TRVAPI DWORD WINAPI GetTickCount(void);
TRVAPI void WINAPI Sleep(DWORD milliseconds);
TRVAPI DWORD WINAPI GetCurrentProcessId(void);
TRVAPI DWORD WINAPI GetCurrentThreadId(void);

// Storage for a recursive lock; the platform keeps its own object inside.
struct CRITICAL_SECTION {
  alignas(16) unsigned char opaque[64];
};
TRVAPI void WINAPI InitializeCriticalSection(CRITICAL_SECTION* cs);
TRVAPI void WINAPI EnterCriticalSection(CRITICAL_SECTION* cs);
TRVAPI void WINAPI LeaveCriticalSection(CRITICAL_SECTION* cs);
TRVAPI void WINAPI DeleteCriticalSection(CRITICAL_SECTION* cs);

// ---- debugger output, atoms and broadcast messages -----------------------------------
TRVAPI void WINAPI OutputDebugStringA(LPCSTR text);
TRVAPI void WINAPI OutputDebugStringW(LPCWSTR text);
TRVAPI ATOM WINAPI GlobalAddAtomA(LPCSTR text);
TRVAPI ATOM WINAPI GlobalFindAtomA(LPCSTR text);
TRVAPI UINT WINAPI GlobalGetAtomNameA(ATOM atom, LPSTR buffer, int size);
TRVAPI ATOM WINAPI GlobalDeleteAtom(ATOM atom);
TRVAPI UINT WINAPI RegisterWindowMessageA(LPCSTR name);

// ---- windows: the part of the window model that the kernel already needs --------------
#define HWND_BROADCAST (reinterpret_cast<HWND>(static_cast<ULONG_PTR>(0xffff)))
#define GW_HWNDFIRST 0
#define GW_HWNDLAST 1
#define GW_HWNDNEXT 2
#define GW_HWNDPREV 3
#define GW_OWNER 4
#define GW_CHILD 5
#define WS_CHILD 0x40000000u
#define WS_VISIBLE 0x10000000u
#define WS_POPUP 0x80000000u
#define WM_NULL 0x0000
#define WM_SETTEXT 0x000C
#define WM_USER 0x0400

struct HMENU__;
using HMENU = HMENU__*;

TRVAPI HWND WINAPI CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style,
                                   int x, int y, int width, int height, HWND parent, HMENU menuOrId,
                                   HINSTANCE instance, LPVOID param);
TRVAPI BOOL WINAPI DestroyWindow(HWND window);
TRVAPI BOOL WINAPI IsWindow(HWND window);
TRVAPI HWND WINAPI GetWindow(HWND window, UINT command);
TRVAPI HWND WINAPI GetParent(HWND window);
TRVAPI HWND WINAPI GetDesktopWindow(void);
TRVAPI HWND WINAPI GetDlgItem(HWND dialog, int id);
TRVAPI int WINAPI GetDlgCtrlID(HWND window);
TRVAPI BOOL WINAPI SetWindowTextA(HWND window, LPCSTR text);
TRVAPI int WINAPI GetWindowTextA(HWND window, LPSTR buffer, int size);
TRVAPI int WINAPI GetWindowTextLengthA(HWND window);
TRVAPI BOOL WINAPI SetDlgItemTextA(HWND dialog, int id, LPCSTR text);
TRVAPI UINT WINAPI GetDlgItemTextA(HWND dialog, int id, LPSTR buffer, int size);
// Posting to HWND_BROADCAST reaches every listener of the broadcast channel (top-level
// windows and whatever the stand-in's users attached); posting to one window queues
// the message for that window's listeners.
TRVAPI BOOL WINAPI PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// ---- keyboard -------------------------------------------------------------------------
#define VK_SHIFT 0x10
#define VK_CONTROL 0x11
#define VK_MENU 0x12
#define VK_LSHIFT 0xA0
#define VK_RSHIFT 0xA1
#define VK_LCONTROL 0xA2
#define VK_RCONTROL 0xA3
#define VK_LMENU 0xA4
#define VK_RMENU 0xA5
// The high bit (0x8000) is set while the key is held down.
TRVAPI SHORT WINAPI GetAsyncKeyState(int key);
TRVAPI SHORT WINAPI GetKeyState(int key);

// ---- message boxes and system messages ------------------------------------------------
#define MB_OK 0x00000000u
#define MB_OKCANCEL 0x00000001u
#define MB_ABORTRETRYIGNORE 0x00000002u
#define MB_YESNOCANCEL 0x00000003u
#define MB_YESNO 0x00000004u
#define MB_RETRYCANCEL 0x00000005u
#define MB_TYPEMASK 0x0000000Fu
#define MB_ICONHAND 0x00000010u
#define MB_ICONSTOP MB_ICONHAND
#define MB_ICONERROR MB_ICONHAND
#define MB_ICONQUESTION 0x00000020u
#define MB_ICONEXCLAMATION 0x00000030u
#define MB_ICONWARNING MB_ICONEXCLAMATION
#define MB_ICONINFORMATION 0x00000040u
#define MB_DEFBUTTON1 0x00000000u
#define MB_DEFBUTTON2 0x00000100u
#define MB_DEFBUTTON3 0x00000200u
#define MB_SETFOREGROUND 0x00010000u
#define MB_TOPMOST 0x00040000u
#define IDOK 1
#define IDCANCEL 2
#define IDABORT 3
#define IDRETRY 4
#define IDIGNORE 5
#define IDYES 6
#define IDNO 7

// The user of this platform is scripted (stand_in.h): MessageBoxA asks the script.
TRVAPI int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);

#define FORMAT_MESSAGE_ALLOCATE_BUFFER 0x00000100u
#define FORMAT_MESSAGE_IGNORE_INSERTS 0x00000200u
#define FORMAT_MESSAGE_FROM_SYSTEM 0x00001000u
#define FORMAT_MESSAGE_MAX_WIDTH_MASK 0x000000FFu
// Only system messages are offered: the text of a Windows error code, ending in CR LF.
TRVAPI DWORD WINAPI FormatMessageA(DWORD flags, LPCVOID source, DWORD messageId, DWORD languageId,
                                   LPSTR buffer, DWORD size, void* arguments);

// ---- WinHelp -------------------------------------------------------------------------
#define HELP_CONTEXT 0x0001
#define HELP_QUIT 0x0002
#define HELP_INDEX 0x0003
#define HELP_CONTENTS 0x0003
#define HELP_HELPONHELP 0x0004
#define HELP_SETINDEX 0x0005
#define HELP_CONTEXTPOPUP 0x0008
#define HELP_FORCEFILE 0x0009
#define HELP_CONTEXTMENU 0x000a
#define HELP_FINDER 0x000b
#define HELP_WM_HELP 0x000c
#define HELP_KEY 0x0101
#define HELP_PARTIALKEY 0x0105

TRVAPI BOOL WINAPI WinHelpA(HWND window, LPCSTR helpFile, UINT command, ULONG_PTR data);
