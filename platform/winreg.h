// The registry of the Windows stand-in: a persistent, typed, hierarchical store
// shared by every process of one machine. Names, signatures and error semantics
// follow Win32: registry calls return their error code (ERROR_SUCCESS or a Windows
// error) and leave the thread's last error alone; the transaction calls of ktmw32
// are BOOL + last error.
#pragma once

#include "platform/kernel.h"
#include "platform/windef.h"
#include "platform/winerror.h"

using REGSAM = DWORD;
using ACCESS_MASK = DWORD;
using PHKEY = HKEY*;
using LSTATUS = LONG;

// ---- predefined keys ---------------------------------------------------------------
// The values Windows gives them (sign-extended 32-bit numbers); only these two are
// kept by the stand-in.
#define HKEY_CURRENT_USER \
  (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(0x80000001))))
#define HKEY_LOCAL_MACHINE \
  (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(0x80000002))))

// ---- value types -------------------------------------------------------------------
#define REG_NONE 0
#define REG_SZ 1
#define REG_EXPAND_SZ 2
#define REG_BINARY 3
#define REG_DWORD 4
#define REG_DWORD_LITTLE_ENDIAN 4
#define REG_DWORD_BIG_ENDIAN 5
#define REG_LINK 6
#define REG_MULTI_SZ 7
#define REG_QWORD 11
#define REG_QWORD_LITTLE_ENDIAN 11

// ---- access rights -----------------------------------------------------------------
#define DELETE 0x00010000u
#define READ_CONTROL 0x00020000u
#define WRITE_DAC 0x00040000u
#define WRITE_OWNER 0x00080000u
#define SYNCHRONIZE 0x00100000u
#define STANDARD_RIGHTS_READ READ_CONTROL
#define STANDARD_RIGHTS_WRITE READ_CONTROL
#define STANDARD_RIGHTS_EXECUTE READ_CONTROL
#define STANDARD_RIGHTS_ALL 0x001F0000u
#define STANDARD_RIGHTS_REQUIRED 0x000F0000u
#define MAXIMUM_ALLOWED 0x02000000u
#define GENERIC_EXECUTE 0x20000000u
#define GENERIC_ALL 0x10000000u

#define KEY_QUERY_VALUE 0x0001u
#define KEY_SET_VALUE 0x0002u
#define KEY_CREATE_SUB_KEY 0x0004u
#define KEY_ENUMERATE_SUB_KEYS 0x0008u
#define KEY_NOTIFY 0x0010u
#define KEY_CREATE_LINK 0x0020u
#define KEY_WOW64_64KEY 0x0100u
#define KEY_WOW64_32KEY 0x0200u
#define KEY_READ \
  ((STANDARD_RIGHTS_READ | KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS | KEY_NOTIFY) & ~SYNCHRONIZE)
#define KEY_WRITE ((STANDARD_RIGHTS_WRITE | KEY_SET_VALUE | KEY_CREATE_SUB_KEY) & ~SYNCHRONIZE)
#define KEY_EXECUTE (KEY_READ & ~SYNCHRONIZE)
#define KEY_ALL_ACCESS                                                           \
  ((STANDARD_RIGHTS_ALL | KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_CREATE_SUB_KEY | \
    KEY_ENUMERATE_SUB_KEYS | KEY_NOTIFY | KEY_CREATE_LINK) &                     \
   ~SYNCHRONIZE)

// ---- options and dispositions --------------------------------------------------------
#define REG_OPTION_RESERVED 0x00000000u
#define REG_OPTION_NON_VOLATILE 0x00000000u
#define REG_OPTION_VOLATILE 0x00000001u
#define REG_OPTION_CREATE_LINK 0x00000002u
#define REG_OPTION_BACKUP_RESTORE 0x00000004u
#define REG_OPTION_OPEN_LINK 0x00000008u
#define REG_CREATED_NEW_KEY 0x00000001u
#define REG_OPENED_EXISTING_KEY 0x00000002u

// ---- keys ------------------------------------------------------------------------------
// A sub-key path is a list of names separated by "\" (a single trailing "\" is
// allowed); names are compared without regard to case and kept as first written.
TRVAPI LONG WINAPI RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD reserved, LPSTR keyClass,
                                   DWORD options, REGSAM desired, void* security, PHKEY result,
                                   LPDWORD disposition);
TRVAPI LONG WINAPI RegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD reserved, LPWSTR keyClass,
                                   DWORD options, REGSAM desired, void* security, PHKEY result,
                                   LPDWORD disposition);
TRVAPI LONG WINAPI RegCreateKeyA(HKEY key, LPCSTR subKey, PHKEY result);
TRVAPI LONG WINAPI RegCreateKeyW(HKEY key, LPCWSTR subKey, PHKEY result);
TRVAPI LONG WINAPI RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM desired,
                                 PHKEY result);
TRVAPI LONG WINAPI RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD options, REGSAM desired,
                                 PHKEY result);
// The 16-bit era form: full access; a null or empty sub-key returns `key` itself.
TRVAPI LONG WINAPI RegOpenKeyA(HKEY key, LPCSTR subKey, PHKEY result);
TRVAPI LONG WINAPI RegOpenKeyW(HKEY key, LPCWSTR subKey, PHKEY result);
TRVAPI LONG WINAPI RegCloseKey(HKEY key);
TRVAPI LONG WINAPI RegFlushKey(HKEY key);
// Refuses a key that has sub-keys (ERROR_ACCESS_DENIED, as Windows does).
TRVAPI LONG WINAPI RegDeleteKeyA(HKEY key, LPCSTR subKey);
TRVAPI LONG WINAPI RegDeleteKeyW(HKEY key, LPCWSTR subKey);
// Deletes a sub-key with everything below it; a null sub-key empties `key` itself.
TRVAPI LONG WINAPI RegDeleteTreeA(HKEY key, LPCSTR subKey);
TRVAPI LONG WINAPI RegDeleteTreeW(HKEY key, LPCWSTR subKey);
// Sub-keys come in the order of their upper-case names.
TRVAPI LONG WINAPI RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD nameLength,
                                 LPDWORD reserved, LPSTR keyClass, LPDWORD classLength,
                                 FILETIME* lastWriteTime);
TRVAPI LONG WINAPI RegEnumKeyExW(HKEY key, DWORD index, LPWSTR name, LPDWORD nameLength,
                                 LPDWORD reserved, LPWSTR keyClass, LPDWORD classLength,
                                 FILETIME* lastWriteTime);
TRVAPI LONG WINAPI RegQueryInfoKeyA(HKEY key, LPSTR keyClass, LPDWORD classLength, LPDWORD reserved,
                                    LPDWORD subKeys, LPDWORD maxSubKeyLength,
                                    LPDWORD maxClassLength, LPDWORD values,
                                    LPDWORD maxValueNameLength, LPDWORD maxValueLength,
                                    LPDWORD securityDescriptorSize, FILETIME* lastWriteTime);
TRVAPI LONG WINAPI RegQueryInfoKeyW(HKEY key, LPWSTR keyClass, LPDWORD classLength,
                                    LPDWORD reserved, LPDWORD subKeys, LPDWORD maxSubKeyLength,
                                    LPDWORD maxClassLength, LPDWORD values,
                                    LPDWORD maxValueNameLength, LPDWORD maxValueLength,
                                    LPDWORD securityDescriptorSize, FILETIME* lastWriteTime);

// ---- values ------------------------------------------------------------------------------
// A null or empty value name is the key's unnamed default value.
TRVAPI LONG WINAPI RegQueryValueExA(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type,
                                    LPBYTE data, LPDWORD dataSize);
TRVAPI LONG WINAPI RegQueryValueExW(HKEY key, LPCWSTR name, LPDWORD reserved, LPDWORD type,
                                    LPBYTE data, LPDWORD dataSize);
TRVAPI LONG WINAPI RegSetValueExA(HKEY key, LPCSTR name, DWORD reserved, DWORD type,
                                  const BYTE* data, DWORD dataSize);
TRVAPI LONG WINAPI RegSetValueExW(HKEY key, LPCWSTR name, DWORD reserved, DWORD type,
                                  const BYTE* data, DWORD dataSize);
TRVAPI LONG WINAPI RegDeleteValueA(HKEY key, LPCSTR name);
TRVAPI LONG WINAPI RegDeleteValueW(HKEY key, LPCWSTR name);
// Values come in the order in which they were first set.
TRVAPI LONG WINAPI RegEnumValueA(HKEY key, DWORD index, LPSTR name, LPDWORD nameLength,
                                 LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD dataSize);
TRVAPI LONG WINAPI RegEnumValueW(HKEY key, DWORD index, LPWSTR name, LPDWORD nameLength,
                                 LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD dataSize);

// ---- transactions ------------------------------------------------------------------------
// A key opened or created with a transaction, and every key opened below it, works
// inside that transaction: its reads see the transaction's own writes, other handles
// see none of them until CommitTransaction. From its first write until commit or
// rollback the transaction holds the machine's registry write lock, so other writers
// wait for it; keep transactions short. A write through a plain handle on the thread
// that holds such a lock fails at once with ERROR_TRANSACTIONAL_CONFLICT instead of
// waiting for itself. Closing an uncommitted transaction rolls it back.
TRVAPI LONG WINAPI RegCreateKeyTransactedA(HKEY key, LPCSTR subKey, DWORD reserved, LPSTR keyClass,
                                           DWORD options, REGSAM desired, void* security,
                                           PHKEY result, LPDWORD disposition, HANDLE transaction,
                                           LPVOID extended);
TRVAPI LONG WINAPI RegCreateKeyTransactedW(HKEY key, LPCWSTR subKey, DWORD reserved,
                                           LPWSTR keyClass, DWORD options, REGSAM desired,
                                           void* security, PHKEY result, LPDWORD disposition,
                                           HANDLE transaction, LPVOID extended);
TRVAPI LONG WINAPI RegOpenKeyTransactedA(HKEY key, LPCSTR subKey, DWORD options, REGSAM desired,
                                         PHKEY result, HANDLE transaction, LPVOID extended);
TRVAPI LONG WINAPI RegOpenKeyTransactedW(HKEY key, LPCWSTR subKey, DWORD options, REGSAM desired,
                                         PHKEY result, HANDLE transaction, LPVOID extended);

// ktmw32. The time-out is not enforced; INVALID_HANDLE_VALUE on failure.
TRVAPI HANDLE WINAPI CreateTransaction(void* security, void* unitOfWork, DWORD createOptions,
                                       DWORD isolationLevel, DWORD isolationFlags, DWORD timeout,
                                       LPWSTR description);
TRVAPI BOOL WINAPI CommitTransaction(HANDLE transaction);
TRVAPI BOOL WINAPI RollbackTransaction(HANDLE transaction);
