// The print spooler's Win32 interface (winspool): printers, printer data, drivers,
// monitors, ports and jobs. Structures keep Windows' field order; pointer fields
// have the platform's pointer size.
#pragma once

#include "platform/windef.h"
#include "platform/wingdi.h"

// ---- device mode -------------------------------------------------------------------
// The public part of a device mode; dmDriverExtra bytes of the driver's private
// part follow the first dmSize bytes. Every field is plain data, so the layout is
// the same as on 32-bit Windows (156 bytes ANSI, 220 bytes wide).
struct DEVMODEA {
  BYTE dmDeviceName[CCHDEVICENAME];
  WORD dmSpecVersion;
  WORD dmDriverVersion;
  WORD dmSize;
  WORD dmDriverExtra;
  DWORD dmFields;
  SHORT dmOrientation;
  SHORT dmPaperSize;
  SHORT dmPaperLength;
  SHORT dmPaperWidth;
  SHORT dmScale;
  SHORT dmCopies;
  SHORT dmDefaultSource;
  SHORT dmPrintQuality;
  SHORT dmColor;
  SHORT dmDuplex;
  SHORT dmYResolution;
  SHORT dmTTOption;
  SHORT dmCollate;
  BYTE dmFormName[CCHFORMNAME];
  WORD dmLogPixels;
  DWORD dmBitsPerPel;
  DWORD dmPelsWidth;
  DWORD dmPelsHeight;
  DWORD dmDisplayFlags;
  DWORD dmDisplayFrequency;
  DWORD dmICMMethod;
  DWORD dmICMIntent;
  DWORD dmMediaType;
  DWORD dmDitherType;
  DWORD dmReserved1;
  DWORD dmReserved2;
  DWORD dmPanningWidth;
  DWORD dmPanningHeight;
};

// DEVMODEW comes from wingdi.h, where Windows declares it.

static_assert(sizeof(DEVMODEA) == 156 && sizeof(DEVMODEW) == 220, "Windows device mode sizes");

using LPDEVMODEA = DEVMODEA*;
using LPDEVMODEW = DEVMODEW*;
using PSECURITY_DESCRIPTOR = void*;
using ACCESS_MASK = DWORD;

// ---- access rights and flags --------------------------------------------------------
#define SERVER_ACCESS_ADMINISTER 0x00000001
#define SERVER_ACCESS_ENUMERATE 0x00000002
#define PRINTER_ACCESS_ADMINISTER 0x00000004
#define PRINTER_ACCESS_USE 0x00000008
#define PRINTER_ALL_ACCESS 0x000F000C

#define PRINTER_ENUM_DEFAULT 0x00000001
#define PRINTER_ENUM_LOCAL 0x00000002
#define PRINTER_ENUM_CONNECTIONS 0x00000004
#define PRINTER_ENUM_NAME 0x00000008

#define PRINTER_ATTRIBUTE_QUEUED 0x00000001
#define PRINTER_ATTRIBUTE_DIRECT 0x00000002
#define PRINTER_ATTRIBUTE_DEFAULT 0x00000004
#define PRINTER_ATTRIBUTE_SHARED 0x00000008
#define PRINTER_ATTRIBUTE_LOCAL 0x00000040
#define PRINTER_ATTRIBUTE_KEEPPRINTEDJOBS 0x00000100
#define PRINTER_ATTRIBUTE_DO_COMPLETE_FIRST 0x00000200
#define PRINTER_ATTRIBUTE_ENABLE_BIDI 0x00000800

#define PORT_TYPE_WRITE 0x0001
#define PORT_TYPE_READ 0x0002
#define PORT_TYPE_REDIRECTED 0x0004
#define PORT_TYPE_NET_ATTACHED 0x0008

#define JOB_CONTROL_PAUSE 1
#define JOB_CONTROL_RESUME 2
#define JOB_CONTROL_CANCEL 3
#define JOB_CONTROL_RESTART 4
#define JOB_CONTROL_DELETE 5
#define JOB_CONTROL_SENT_TO_PRINTER 6
#define JOB_CONTROL_LAST_PAGE_EJECTED 7

#define JOB_STATUS_PAUSED 0x00000001
#define JOB_STATUS_ERROR 0x00000002
#define JOB_STATUS_DELETING 0x00000004
#define JOB_STATUS_SPOOLING 0x00000008
#define JOB_STATUS_PRINTING 0x00000010
#define JOB_STATUS_OFFLINE 0x00000020
#define JOB_STATUS_PAPEROUT 0x00000040
#define JOB_STATUS_PRINTED 0x00000080
#define JOB_STATUS_DELETED 0x00000100
#define JOB_STATUS_BLOCKED_DEVQ 0x00000200
#define JOB_STATUS_USER_INTERVENTION 0x00000400
#define JOB_STATUS_RESTART 0x00000800
#define JOB_STATUS_COMPLETE 0x00001000

// ---- structures ------------------------------------------------------------------------
struct PRINTER_DEFAULTSA {
  LPSTR pDatatype;
  LPDEVMODEA pDevMode;
  ACCESS_MASK DesiredAccess;
};
struct PRINTER_DEFAULTSW {
  LPWSTR pDatatype;
  LPDEVMODEW pDevMode;
  ACCESS_MASK DesiredAccess;
};
using LPPRINTER_DEFAULTSA = PRINTER_DEFAULTSA*;
using LPPRINTER_DEFAULTSW = PRINTER_DEFAULTSW*;

struct PRINTER_INFO_1A {
  DWORD Flags;
  LPSTR pDescription;
  LPSTR pName;
  LPSTR pComment;
};
struct PRINTER_INFO_1W {
  DWORD Flags;
  LPWSTR pDescription;
  LPWSTR pName;
  LPWSTR pComment;
};

struct PRINTER_INFO_2A {
  LPSTR pServerName;
  LPSTR pPrinterName;
  LPSTR pShareName;
  LPSTR pPortName;
  LPSTR pDriverName;
  LPSTR pComment;
  LPSTR pLocation;
  LPDEVMODEA pDevMode;
  LPSTR pSepFile;
  LPSTR pPrintProcessor;
  LPSTR pDatatype;
  LPSTR pParameters;
  PSECURITY_DESCRIPTOR pSecurityDescriptor;
  DWORD Attributes;
  DWORD Priority;
  DWORD DefaultPriority;
  DWORD StartTime;
  DWORD UntilTime;
  DWORD Status;
  DWORD cJobs;
  DWORD AveragePPM;
};
struct PRINTER_INFO_2W {
  LPWSTR pServerName;
  LPWSTR pPrinterName;
  LPWSTR pShareName;
  LPWSTR pPortName;
  LPWSTR pDriverName;
  LPWSTR pComment;
  LPWSTR pLocation;
  LPDEVMODEW pDevMode;
  LPWSTR pSepFile;
  LPWSTR pPrintProcessor;
  LPWSTR pDatatype;
  LPWSTR pParameters;
  PSECURITY_DESCRIPTOR pSecurityDescriptor;
  DWORD Attributes;
  DWORD Priority;
  DWORD DefaultPriority;
  DWORD StartTime;
  DWORD UntilTime;
  DWORD Status;
  DWORD cJobs;
  DWORD AveragePPM;
};

struct DRIVER_INFO_3A {
  DWORD cVersion;
  LPSTR pName;
  LPSTR pEnvironment;
  LPSTR pDriverPath;
  LPSTR pDataFile;
  LPSTR pConfigFile;
  LPSTR pHelpFile;
  LPSTR pDependentFiles;  // zero-terminated names, ended by an empty name
  LPSTR pMonitorName;
  LPSTR pDefaultDataType;
};
struct DRIVER_INFO_3W {
  DWORD cVersion;
  LPWSTR pName;
  LPWSTR pEnvironment;
  LPWSTR pDriverPath;
  LPWSTR pDataFile;
  LPWSTR pConfigFile;
  LPWSTR pHelpFile;
  LPWSTR pDependentFiles;
  LPWSTR pMonitorName;
  LPWSTR pDefaultDataType;
};

struct PORT_INFO_1A {
  LPSTR pName;
};
struct PORT_INFO_1W {
  LPWSTR pName;
};
struct PORT_INFO_2A {
  LPSTR pPortName;
  LPSTR pMonitorName;
  LPSTR pDescription;
  DWORD fPortType;
  DWORD Reserved;
};
struct PORT_INFO_2W {
  LPWSTR pPortName;
  LPWSTR pMonitorName;
  LPWSTR pDescription;
  DWORD fPortType;
  DWORD Reserved;
};

struct MONITOR_INFO_1A {
  LPSTR pName;
};
struct MONITOR_INFO_1W {
  LPWSTR pName;
};
struct MONITOR_INFO_2A {
  LPSTR pName;
  LPSTR pEnvironment;
  LPSTR pDLLName;
};
struct MONITOR_INFO_2W {
  LPWSTR pName;
  LPWSTR pEnvironment;
  LPWSTR pDLLName;
};

struct DOC_INFO_1A {
  LPSTR pDocName;
  LPSTR pOutputFile;
  LPSTR pDatatype;
};
struct DOC_INFO_1W {
  LPWSTR pDocName;
  LPWSTR pOutputFile;
  LPWSTR pDatatype;
};

struct SYSTEMTIME {
  WORD wYear;
  WORD wMonth;
  WORD wDayOfWeek;
  WORD wDay;
  WORD wHour;
  WORD wMinute;
  WORD wSecond;
  WORD wMilliseconds;
};

struct JOB_INFO_1A {
  DWORD JobId;
  LPSTR pPrinterName;
  LPSTR pMachineName;
  LPSTR pUserName;
  LPSTR pDocument;
  LPSTR pDatatype;
  LPSTR pStatus;
  DWORD Status;
  DWORD Priority;
  DWORD Position;
  DWORD TotalPages;
  DWORD PagesPrinted;
  SYSTEMTIME Submitted;
};
struct JOB_INFO_1W {
  DWORD JobId;
  LPWSTR pPrinterName;
  LPWSTR pMachineName;
  LPWSTR pUserName;
  LPWSTR pDocument;
  LPWSTR pDatatype;
  LPWSTR pStatus;
  DWORD Status;
  DWORD Priority;
  DWORD Position;
  DWORD TotalPages;
  DWORD PagesPrinted;
  SYSTEMTIME Submitted;
};

// ---- printers ----------------------------------------------------------------------------
TRVAPI BOOL WINAPI OpenPrinterA(LPSTR printerName, HANDLE* printer, LPPRINTER_DEFAULTSA defaults);
TRVAPI BOOL WINAPI OpenPrinterW(LPWSTR printerName, HANDLE* printer, LPPRINTER_DEFAULTSW defaults);
TRVAPI BOOL WINAPI ClosePrinter(HANDLE printer);
TRVAPI HANDLE WINAPI AddPrinterA(LPSTR server, DWORD level, LPBYTE info);
TRVAPI HANDLE WINAPI AddPrinterW(LPWSTR server, DWORD level, LPBYTE info);
TRVAPI BOOL WINAPI DeletePrinter(HANDLE printer);
TRVAPI BOOL WINAPI GetPrinterA(HANDLE printer, DWORD level, LPBYTE buffer, DWORD size,
                               LPDWORD needed);
TRVAPI BOOL WINAPI GetPrinterW(HANDLE printer, DWORD level, LPBYTE buffer, DWORD size,
                               LPDWORD needed);
TRVAPI BOOL WINAPI SetPrinterA(HANDLE printer, DWORD level, LPBYTE info, DWORD command);
TRVAPI BOOL WINAPI SetPrinterW(HANDLE printer, DWORD level, LPBYTE info, DWORD command);
TRVAPI BOOL WINAPI EnumPrintersA(DWORD flags, LPSTR name, DWORD level, LPBYTE buffer, DWORD size,
                                 LPDWORD needed, LPDWORD returned);
TRVAPI BOOL WINAPI EnumPrintersW(DWORD flags, LPWSTR name, DWORD level, LPBYTE buffer, DWORD size,
                                 LPDWORD needed, LPDWORD returned);

// ---- printer data: the result is a Win32 error code, as on Windows ----------------------------
TRVAPI DWORD WINAPI GetPrinterDataA(HANDLE printer, LPSTR valueName, LPDWORD type, LPBYTE data,
                                    DWORD size, LPDWORD needed);
TRVAPI DWORD WINAPI GetPrinterDataW(HANDLE printer, LPWSTR valueName, LPDWORD type, LPBYTE data,
                                    DWORD size, LPDWORD needed);
TRVAPI DWORD WINAPI SetPrinterDataA(HANDLE printer, LPSTR valueName, DWORD type, LPBYTE data,
                                    DWORD size);
TRVAPI DWORD WINAPI SetPrinterDataW(HANDLE printer, LPWSTR valueName, DWORD type, LPBYTE data,
                                    DWORD size);

// ---- drivers and monitors ----------------------------------------------------------------------
TRVAPI BOOL WINAPI AddPrinterDriverA(LPSTR server, DWORD level, LPBYTE info);
TRVAPI BOOL WINAPI AddPrinterDriverW(LPWSTR server, DWORD level, LPBYTE info);
TRVAPI BOOL WINAPI EnumPrinterDriversA(LPSTR server, LPSTR environment, DWORD level, LPBYTE buffer,
                                       DWORD size, LPDWORD needed, LPDWORD returned);
TRVAPI BOOL WINAPI EnumPrinterDriversW(LPWSTR server, LPWSTR environment, DWORD level,
                                       LPBYTE buffer, DWORD size, LPDWORD needed, LPDWORD returned);
TRVAPI BOOL WINAPI GetPrinterDriverA(HANDLE printer, LPSTR environment, DWORD level, LPBYTE buffer,
                                     DWORD size, LPDWORD needed);
TRVAPI BOOL WINAPI GetPrinterDriverW(HANDLE printer, LPWSTR environment, DWORD level, LPBYTE buffer,
                                     DWORD size, LPDWORD needed);
TRVAPI BOOL WINAPI GetPrinterDriverDirectoryA(LPSTR server, LPSTR environment, DWORD level,
                                              LPBYTE buffer, DWORD size, LPDWORD needed);
TRVAPI BOOL WINAPI GetPrinterDriverDirectoryW(LPWSTR server, LPWSTR environment, DWORD level,
                                              LPBYTE buffer, DWORD size, LPDWORD needed);
TRVAPI BOOL WINAPI AddMonitorA(LPSTR server, DWORD level, LPBYTE info);
TRVAPI BOOL WINAPI AddMonitorW(LPWSTR server, DWORD level, LPBYTE info);
// Levels 1 and 2: the monitors the machine has, the built-in "Local Port" first.
TRVAPI BOOL WINAPI EnumMonitorsA(LPSTR server, DWORD level, LPBYTE buffer, DWORD size,
                                 LPDWORD needed, LPDWORD returned);
TRVAPI BOOL WINAPI EnumMonitorsW(LPWSTR server, DWORD level, LPBYTE buffer, DWORD size,
                                 LPDWORD needed, LPDWORD returned);

// ---- ports
// ----------------------------------------------------------------------------------------
TRVAPI BOOL WINAPI EnumPortsA(LPSTR server, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed,
                              LPDWORD returned);
TRVAPI BOOL WINAPI EnumPortsW(LPWSTR server, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed,
                              LPDWORD returned);

// ---- documents and jobs
// ----------------------------------------------------------------------------- StartDocPrinter
// returns the job id, 0 on failure.
TRVAPI DWORD WINAPI StartDocPrinterA(HANDLE printer, DWORD level, LPBYTE docInfo);
TRVAPI DWORD WINAPI StartDocPrinterW(HANDLE printer, DWORD level, LPBYTE docInfo);
TRVAPI BOOL WINAPI StartPagePrinter(HANDLE printer);
TRVAPI BOOL WINAPI EndPagePrinter(HANDLE printer);
TRVAPI BOOL WINAPI WritePrinter(HANDLE printer, LPVOID buffer, DWORD size, LPDWORD written);
TRVAPI BOOL WINAPI EndDocPrinter(HANDLE printer);
TRVAPI BOOL WINAPI AbortPrinter(HANDLE printer);
TRVAPI BOOL WINAPI SetJobA(HANDLE printer, DWORD jobId, DWORD level, LPBYTE info, DWORD command);
TRVAPI BOOL WINAPI SetJobW(HANDLE printer, DWORD jobId, DWORD level, LPBYTE info, DWORD command);
TRVAPI BOOL WINAPI EnumJobsA(HANDLE printer, DWORD firstJob, DWORD count, DWORD level,
                             LPBYTE buffer, DWORD size, LPDWORD needed, LPDWORD returned);
TRVAPI BOOL WINAPI EnumJobsW(HANDLE printer, DWORD firstJob, DWORD count, DWORD level,
                             LPBYTE buffer, DWORD size, LPDWORD needed, LPDWORD returned);
