#include "dcl/object/dcl_label_printer.h"

#include <cstring>

#include "dcl/model/symbols.h"
#include "dcl/page_help.h"
#include "language/language_binding.h"
#include "platform/kernel.h"

namespace trv::dcl {
namespace {

// The configuration limit until a configuration sets it.
constexpr LONG kDefaultConfigLimit = 99;

BOOL NotYetOffered() {
  SetLastError(ERROR_INVALID_FUNCTION);
  return FALSE;
}

}  // namespace

CDCLLabelPrinter::CDCLLabelPrinter() = default;
CDCLLabelPrinter::~CDCLLabelPrinter() = default;

BOOL CDCLLabelPrinter::ShowHelp(HWND, DWORD helpId, HWND control, DWORD) {
  // The host's property pages 1 to 6 open the help file at their keyword.
  ShowPageHelp(control, static_cast<int>(helpId));
  return TRUE;
}

BOOL CDCLLabelPrinter::Terminate() {
  // The attached blobs stay with whoever attached them; the configuration goes.
  FreeConfiguration(&Tables());
  if (language_) language_->Release();
  language_.reset();
  CDCLModelTable::Terminate();
  return TRUE;
}

DWORD CDCLLabelPrinter::GetOptionValueSize(WORD optionId) {
  switch (optionId) {
    case 0x2001: return 32;
    case 0x3005: return 24;
    case 0x3041:
    case 0x3042:
    case 0x3044:
    case 0x3045: return 80;
    default: return 12;
  }
}

LONG CDCLLabelPrinter::GetConfigLimit() { return kDefaultConfigLimit; }

LONG_PTR CDCLLabelPrinter::Configure(void*, void*, void*, WORD kind, void* d, void*, void*) {
  switch (kind) {
    case 1: return 1;
    case 17:
    case 18:
      if (d == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
      }
      // The paper limits come with the printer's configuration.
      return NotYetOffered();
    case 2: return NotYetOffered();  // the papers dialog
    default: return 0;
  }
}

BOOL CDCLLabelPrinter::OpenDirect(void*, DWORD a, DWORD b, HWND, WORD optionId, DWORD) {
  // The font and tools dialogs name the pair the printer is reached with; the status
  // dialog reuses it.
  if (optionId == 0x3001 || optionId == 0x3017) {
    directA_ = a;
    directB_ = b;
    return TRUE;
  }
  if (optionId == 0x3019) return CDCLModelFile::OpenDirect(nullptr, directA_, directB_, nullptr, optionId, 1);
  return TRUE;
}

BOOL CDCLLabelPrinter::OnPortOpened(DevicePort* port) {
  if (port != nullptr) port->flags &= ~1u;
  statusQueries_ = false;  // until the next document starts
  return CDCLModelFile::OnPortOpened(port);
}

BOOL CDCLLabelPrinter::StartDoc(DWORD, DWORD, DWORD) { return NotYetOffered(); }
BOOL CDCLLabelPrinter::EndDoc() { return NotYetOffered(); }
BOOL CDCLLabelPrinter::AbortDoc() { return NotYetOffered(); }
BOOL CDCLLabelPrinter::StartPage(WORD, WORD, WORD) { return NotYetOffered(); }
BOOL CDCLLabelPrinter::EndPage(WORD) { return NotYetOffered(); }

int CDCLLabelPrinter::LoadString(HMODULE module, UINT id, char* buffer, int size) {
  if (language_ && language_->IsLoaded())
    return language_->GetText(reinterpret_cast<HINSTANCE>(module), id, buffer, size);
  return CDCLModelFile::LoadString(module, id, buffer, size);
}

BOOL CDCLLabelPrinter::LookUpResourceName(const char* name, LONG* value) {
  if (name != nullptr && value != nullptr && LookUpLabelSymbol(name, *value)) return TRUE;
  return CDCLModelFile::LookUpResourceName(name, value);
}

LONG_PTR CDCLLabelPrinter::MapOptionValue(WORD, LONG_PTR value) { return value; }
LONG CDCLLabelPrinter::ClassifyDirectCommand(const char*) { return 0; }

BOOL CDCLLabelPrinter::WriteCommand(const void* bytes, DWORD count) {
  return WriteToPort(&Port(), static_cast<const BYTE*>(bytes), count, 0);
}

void CDCLLabelPrinter::SetLanguage(std::unique_ptr<LanguageBinding> binding) {
  if (language_) language_->Release();
  language_ = std::move(binding);
}

}  // namespace trv::dcl
