#include "dcl/object/host_interface.h"

#include <cstring>
#include <new>
#include <string>

#include "dcl/help.h"
#include "dcl/help_location.h"
#include "dcl/object/dcl_base.h"
#include "dcl/object/list_scheme.h"
#include "dcl/object/option_blobs.h"
#include "dcl/own_module.h"
#include "platform/kernel.h"
#include "platform/last_error.h"
#include "spool/record.h"

namespace trv::dcl {
namespace {

bool Invalid(CDCLBase* o) {
  if (CDCLBase::IsValid(o)) return false;
  SetLastError(ERROR_INVALID_PARAMETER);
  return true;
}

// Copies at most 128 bytes; a text of 128 bytes or more has no terminator.
void CopyText(char (&field)[128], const char* text) {
  std::memset(field, 0, sizeof field);
  if (text == nullptr) return;
  size_t n = std::strlen(text);
  std::memcpy(field, text, n < sizeof field ? n : sizeof field);
}

// ---- entry points of the interface table ----------------------------------------------

BOOL WINAPI GetDocPropsEntry(DclObject o, WORD model, BYTE* buffer, DWORD size, DWORD* needed) {
  return GetOptionBlob(o, false, model, buffer, size, needed);
}
BOOL WINAPI GetDevPropsEntry(DclObject o, WORD model, BYTE* buffer, DWORD size, DWORD* needed) {
  return GetOptionBlob(o, true, model, buffer, size, needed);
}
BOOL WINAPI SetDocPropsEntry(DclObject o, WORD model, BYTE* buffer, DWORD size) {
  return SetOptionBlob(o, false, model, buffer, size);
}
BOOL WINAPI SetDevPropsEntry(DclObject o, WORD model, BYTE* buffer, DWORD size) {
  return SetOptionBlob(o, true, model, buffer, size);
}

BOOL WINAPI GetModelListEntry(DclObject o, BYTE* b, DWORD s, DWORD* needed, DWORD* count) {
  return QueryList(o, ListKind::kModels, 0, 0, b, s, needed, count);
}

template <ListKind Kind>
BOOL WINAPI KeyedList(DclObject o, DWORD key, BYTE* b, DWORD s, DWORD* needed, DWORD* count) {
  return QueryList(o, Kind, key, 0, b, s, needed, count);
}

BOOL WINAPI GetRibbonOptionListEntry(DclObject o, DWORD key, DWORD category, BYTE* b, DWORD s,
                                     DWORD* needed, DWORD* count) {
  return QueryList(o, ListKind::kRibbonOptions, key, category, b, s, needed, count);
}

LONG_PTR WINAPI ConfigureEntry(DclObject o, void* a, void* b, void* c, WORD kind, void* d, void* e,
                               void* f) {
  if (Invalid(o)) return 0;
  if (kind != 17 && kind != 18 && (a == nullptr || b == nullptr)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  return o->Configure(a, b, c, kind, d, e, f);
}

LONG_PTR WINAPI OptionCommandEntry(DclObject o, BYTE* docProps, BYTE* devProps, WORD optionId,
                                   WORD command, LONG_PTR c, LONG_PTR d) {
  if (Invalid(o)) return 0;
  if (command == kCommandShowHelp && optionId == 0) {
    if (LOWORD(d) != 0) ShowHelpTopic(reinterpret_cast<HWND>(c), LOWORD(d));
    return 1;
  }
  // The option's scope decides which blob holds its value; the model is the one the
  // document blob was built for.
  WORD model = BlobModelKey(docProps);
  WORD scope = OptionScope(o, model, optionId);
  auto valueOf = [&]() -> BYTE* {
    // The host's blobs come with no size: their headers vouch for them.
    if (scope & OPTION_SCOPE_DOCUMENT)
      return FindOptionValue(docProps, kBlobSizeFromHeader, false, optionId);
    if (scope & OPTION_SCOPE_DEVICE)
      return FindOptionValue(devProps, kBlobSizeFromHeader, true, optionId);
    return nullptr;
  };
  if (command == kCommandValueAddress) {
    if (docProps == nullptr || devProps == nullptr) return 0;
    return reinterpret_cast<LONG_PTR>(valueOf());
  }
  BYTE* value = docProps != nullptr ? valueOf() : nullptr;
  if (value == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  return o->OptionCommand(value, optionId, command, c, d);
}

BOOL WINAPI SetHostValuesEntry(DclObject o, DWORD a, DWORD b) {
  if (Invalid(o)) return FALSE;
  o->SetHostValues(a, b);
  return TRUE;
}

BOOL WINAPI OpenPrinterEntry(DclObject o, LPWSTR portName, const void* table, HWND owner,
                             LPWSTR printerName, DWORD jobId, DWORD level, LPBYTE docInfo, void*) {
  if (Invalid(o)) return FALSE;
  return o->OpenDevicePort(&o->Port(), portName, static_cast<const PortAccessTable*>(table), owner,
                           printerName, jobId, level, docInfo);
}

BOOL WINAPI ClosePrinterEntry(DclObject o) {
  if (Invalid(o)) return FALSE;
  return o->CloseDevicePort(&o->Port());
}

BOOL WINAPI ProcessRecordEntry(DclObject o, BYTE* record) {
  if (Invalid(o)) return FALSE;
  if (record == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  DWORD payload;
  std::memcpy(&payload, record + spool::DCLD_OFFSET_LENGTH, sizeof payload);
  return o->ProcessRecord(
      std::span<BYTE>(record, spool::DCLD_HEADER_SIZE + static_cast<size_t>(payload)));
}

std::string DirectoryOf(const std::string& path) {
  size_t cut = path.find_last_of("\\/");
  return cut == std::string::npos ? "" : path.substr(0, cut + 1);
}

}  // namespace

BOOL FillInterface(CDCLBase* object, DCLInterface* table) {
  if (table == nullptr || table->size != kDclInterfaceSize) return Fail(ERROR_INVALID_PARAMETER);
  if (!CDCLBase::IsValid(object)) return Fail(ERROR_GEN_FAILURE);
  table->version = kDclInterfaceVersion;
  CopyText(table->productName, object->GetProductName());
  CopyText(table->comments, object->GetComments());
  CopyText(table->helpFileName, object->GetHelpFileName());
  table->versionNumber = object->GetVersionNumber();
  table->reserved = 0;
  table->GetDocProps = GetDocPropsEntry;
  table->GetDevProps = GetDevPropsEntry;
  table->SetDocProps = SetDocPropsEntry;
  table->SetDevProps = SetDevPropsEntry;
  table->GetModelList = GetModelListEntry;
  table->GetMonitorList = KeyedList<ListKind::kMonitors>;
  table->GetOptionList = KeyedList<ListKind::kOptions>;
  table->GetTrayList = KeyedList<ListKind::kTrays>;
  table->GetPaperList = KeyedList<ListKind::kPapers>;
  table->GetRibbonList = KeyedList<ListKind::kRibbons>;
  table->GetSubRibbonList = KeyedList<ListKind::kSubRibbons>;
  table->GetRibbonOptionList = GetRibbonOptionListEntry;
  table->GetTextFontList = KeyedList<ListKind::kTextFonts>;
  table->GetBarcodeFontList = KeyedList<ListKind::kBarcodeFonts>;
  table->GetOptionExList = KeyedList<ListKind::kOptionsEx>;
  table->Configure = ConfigureEntry;
  table->OptionCommand = OptionCommandEntry;
  table->SetHostValues = SetHostValuesEntry;
  table->OpenPrinter = OpenPrinterEntry;
  table->ClosePrinter = ClosePrinterEntry;
  table->ProcessRecord = ProcessRecordEntry;
  return TRUE;
}

}  // namespace trv::dcl

using trv::dcl::CDCLBase;

extern "C" TRV_EXPORT CDCLBase* WINAPI DCLInitializeV2(const char* printerName,
                                                       const char* hostString2,
                                                       const char* configFile,
                                                       const char* languageFile, DWORD unitCode,
                                                       trv::dcl::DCLInterface* table) {
  try {
    CDCLBase* object = trv::dcl::CreateDclObject();
    if (!CDCLBase::IsValid(object)) {
      delete object;
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
    }
    // Help requests look beside the library until a configuration names the driver folder.
    char modulePath[MAX_PATH] = "";
    HMODULE module = trv::dcl::OwnModule();
    GetModuleFileNameA(module, modulePath, MAX_PATH);
    trv::dcl::SetHelpLocation(module, reinterpret_cast<HINSTANCE>(module),
                              trv::dcl::DirectoryOf(modulePath).c_str(), object->GetHelpFileName());
    if (table == nullptr || table->size != trv::dcl::kDclInterfaceSize) {
      delete object;
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
    }
    object->SetHostStrings(printerName, hostString2, configFile, languageFile);
    object->SetUnitCode(unitCode);
    if (!trv::dcl::FillInterface(object, table)) {
      DWORD error = GetLastError();
      delete object;
      SetLastError(error);
      return nullptr;
    }
    if (!object->Initialize()) {
      DWORD error = GetLastError();
      delete object;
      SetLastError(error);
      return nullptr;
    }
    return object;
  } catch (const std::bad_alloc&) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
}

extern "C" TRV_EXPORT BOOL WINAPI DCLTerminateV2(CDCLBase* object) {
  if (!CDCLBase::IsValid(object)) return trv::Fail(ERROR_INVALID_PARAMETER);
  if (!object->Terminate()) return FALSE;  // the object stays alive
  delete object;
  return TRUE;
}

extern "C" TRV_EXPORT void WINAPI DCLCallHelp(HWND control, DWORD helpId, CDCLBase* object) {
  if (!CDCLBase::IsValid(object) || control == nullptr) return;
  object->ShowHelp(GetParent(control), helpId, control, helpId);
}
