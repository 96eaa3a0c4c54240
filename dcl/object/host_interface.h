// The library's face to the driver's user-interface host: the exported functions and
// the interface table they fill with the object's 21 entry points.
#pragma once

#include <cstddef>

#include "platform/windef.h"

namespace trv::dcl {

class CDCLBase;

// Each language library supplies its object (CDCLCpcl, CDCLEpl); the framework's
// exports create it through this factory. Null when it cannot be made.
CDCLBase* CreateDclObject();

using DclObject = CDCLBase*;

// The host interface table. On this platform it keeps the 32-bit table's order with
// natural alignment: the texts at 0x008, 0x088 and 0x108, the version number at
// 0x188 and the 21 entry points as pointers from 0x190; `size` must hold
// kDclInterfaceSize (the 32-bit table's 480).
struct DCLInterface {
  DWORD size;
  DWORD version;
  char productName[128];
  char comments[128];
  char helpFileName[128];
  DWORD versionNumber;
  DWORD reserved;
  BOOL(WINAPI* GetDocProps)(DclObject, WORD modelKey, BYTE* buffer, DWORD size, DWORD* needed);
  BOOL(WINAPI* GetDevProps)(DclObject, WORD modelKey, BYTE* buffer, DWORD size, DWORD* needed);
  BOOL(WINAPI* SetDocProps)(DclObject, WORD modelKey, BYTE* buffer, DWORD size);
  BOOL(WINAPI* SetDevProps)(DclObject, WORD modelKey, BYTE* buffer, DWORD size);
  BOOL(WINAPI* GetModelList)(DclObject, BYTE* buffer, DWORD size, DWORD* needed, DWORD* count);
  BOOL(WINAPI* GetMonitorList)
  (DclObject, DWORD key, BYTE* buffer, DWORD size, DWORD* needed, DWORD* count);
  BOOL(WINAPI* GetOptionList)
  (DclObject, DWORD modelKey, BYTE* buffer, DWORD size, DWORD* needed, DWORD* count);
  BOOL(WINAPI* GetTrayList)
  (DclObject, DWORD modelKey, BYTE* buffer, DWORD size, DWORD* needed, DWORD* count);
  BOOL(WINAPI* GetPaperList)
  (DclObject, DWORD trayKey, BYTE* buffer, DWORD size, DWORD* needed, DWORD* count);
  BOOL(WINAPI* GetRibbonList)
  (DclObject, DWORD paperKey, BYTE* buffer, DWORD size, DWORD* needed, DWORD* count);
  BOOL(WINAPI* GetSubRibbonList)
  (DclObject, DWORD ribbonKey, BYTE* buffer, DWORD size, DWORD* needed, DWORD* count);
  BOOL(WINAPI* GetRibbonOptionList)
  (DclObject, DWORD ribbonKey, DWORD category, BYTE* buffer, DWORD size, DWORD* needed,
   DWORD* count);
  BOOL(WINAPI* GetTextFontList)
  (DclObject, DWORD key, BYTE* buffer, DWORD size, DWORD* needed, DWORD* count);
  BOOL(WINAPI* GetBarcodeFontList)
  (DclObject, DWORD key, BYTE* buffer, DWORD size, DWORD* needed, DWORD* count);
  BOOL(WINAPI* GetOptionExList)
  (DclObject, DWORD modelKey, BYTE* buffer, DWORD size, DWORD* needed, DWORD* count);
  LONG_PTR(WINAPI* Configure)
  (DclObject, void* a, void* b, void* c, WORD kind, void* d, void* e, void* f);
  LONG_PTR(WINAPI* OptionCommand)
  (DclObject, BYTE* docProps, BYTE* devProps, WORD optionId, WORD command, LONG_PTR c, LONG_PTR d);
  BOOL(WINAPI* SetHostValues)(DclObject, DWORD a, DWORD b);
  BOOL(WINAPI* OpenPrinter)
  (DclObject, LPWSTR portName, const void* portTable, HWND owner, LPWSTR printerName, DWORD jobId,
   DWORD level, LPBYTE docInfo, void* reserved);
  BOOL(WINAPI* ClosePrinter)(DclObject);
  BOOL(WINAPI* ProcessRecord)(DclObject, BYTE* record);
};

inline constexpr DWORD kDclInterfaceSize = sizeof(DCLInterface);
inline constexpr DWORD kDclInterfaceVersion = 1;
static_assert(offsetof(DCLInterface, productName) == 0x008);
static_assert(offsetof(DCLInterface, comments) == 0x088);
static_assert(offsetof(DCLInterface, helpFileName) == 0x108);
static_assert(offsetof(DCLInterface, versionNumber) == 0x188);
static_assert(offsetof(DCLInterface, GetDocProps) == 0x190);
static_assert(sizeof(DCLInterface) == 568);

// Fills the table for an object: version, the three texts, the version number and the
// entry points. 87 for a missing or wrongly sized table, 31 for an invalid object.
BOOL FillInterface(CDCLBase* object, DCLInterface* table);

}  // namespace trv::dcl

// The exports of a language library.
extern "C" {
TRV_EXPORT trv::dcl::CDCLBase* WINAPI DCLInitializeV2(const char* printerName,
                                                      const char* hostString2,
                                                      const char* configFile,
                                                      const char* languageFile, DWORD unitCode,
                                                      trv::dcl::DCLInterface* table);
TRV_EXPORT BOOL WINAPI DCLTerminateV2(trv::dcl::CDCLBase* object);
TRV_EXPORT void WINAPI DCLCallHelp(HWND control, DWORD helpId, trv::dcl::CDCLBase* object);
}
