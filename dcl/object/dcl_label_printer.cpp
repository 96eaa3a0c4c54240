#include "dcl/object/dcl_label_printer.h"

#include <cstring>

#include "dcl/model/symbols.h"
#include "dcl/object/option_blobs.h"
#include "dcl/object/option_table.h"
#include "dcl/page_help.h"
#include "language/language_binding.h"
#include "platform/kernel.h"

namespace trv::dcl {
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
  registry_.Close();
  ReleaseConfigTexts();
  if (language_) language_->Release();
  language_.reset();
  CDCLModelTable::Terminate();
  return TRUE;
}

DWORD CDCLLabelPrinter::GetOptionValueSize(WORD optionId) { return Options().ValueSize(optionId); }

// The printer's own defaults replace the model table's.
const BYTE* CDCLLabelPrinter::GetOptionDefault(WORD optionId) {
  return Options().Default(optionId);
}

BOOL CDCLLabelPrinter::OpenDirect(void*, DWORD a, DWORD b, HWND, WORD optionId, DWORD) {
  // The font and tools dialogs name the pair the printer is reached with; sending a
  // font to the printer reuses it.
  if (optionId == kOptionTextFonts || optionId == kOptionTools) {
    directA_ = a;
    directB_ = b;
    return TRUE;
  }
  if (optionId == kOptionFontDownload)
    return CDCLModelFile::OpenDirect(nullptr, directA_, directB_, nullptr, optionId, 1);
  return TRUE;
}

LONG_PTR CDCLLabelPrinter::OptionDialog(BYTE* value, HWND, WORD optionId, void*) {
  if (!LabelOptions::HasDialog(optionId)) return 0;
  if (DWORD error = Options().CheckDialogValue(optionId, value)) {
    SetLastError(error);
    return 0;
  }
  return NotYetOffered();
}

BOOL CDCLLabelPrinter::NotifyOptionChanged(WORD optionId, BYTE* value, DWORD mode) {
  Options().ApplyChange(optionId, value, mode);
  return CDCLModelFile::NotifyOptionChanged(optionId, value, mode);
}

BOOL CDCLLabelPrinter::OnPortOpened(DevicePort* port) {
  if (port != nullptr) port->flags &= ~1u;
  statusQueries_ = false;  // until the next document starts
  return CDCLModelFile::OnPortOpened(port);
}

BOOL CDCLLabelPrinter::StartPage(WORD, WORD, WORD) { return NotYetOffered(); }
BOOL CDCLLabelPrinter::EndPage(WORD) { return NotYetOffered(); }

int CDCLLabelPrinter::LoadString(HMODULE module, UINT id, char* buffer, int size) {
  if (language_ && language_->IsLoaded())
    return language_->GetText(reinterpret_cast<HINSTANCE>(module), id, buffer, size);
  return CDCLModelFile::LoadString(module, id, buffer, size);
}

BOOL CDCLLabelPrinter::IsOptionSupported(WORD o) { return Options().IsSupported(o); }
BOOL CDCLLabelPrinter::IsOptionEnabled(WORD o) { return Options().IsEnabled(o); }
BOOL CDCLLabelPrinter::HasOptionRange(WORD o) { return Options().HasRange(o); }
LONG CDCLLabelPrinter::GetOptionMinimum(WORD o) { return Options().Minimum(o); }
LONG CDCLLabelPrinter::GetOptionMaximum(WORD o) { return Options().Maximum(o); }
BOOL CDCLLabelPrinter::HasOptionChoices(WORD o) { return Options().HasChoices(o); }
DWORD CDCLLabelPrinter::GetOptionChoiceCount(WORD o) { return Options().ChoiceCount(o); }
LONG CDCLLabelPrinter::GetOptionChoiceValue(WORD o, DWORD n) { return Options().ChoiceValue(o, n); }
const char* CDCLLabelPrinter::GetOptionChoiceText(WORD o, DWORD n) {
  return Options().ChoiceText(o, n);
}
LONG_PTR CDCLLabelPrinter::ReservedOptionQuery94(WORD, DWORD) { return 0; }
LONG_PTR CDCLLabelPrinter::ReservedOptionQuery95(WORD, DWORD) { return 0; }
BOOL CDCLLabelPrinter::IsOptionFreeText(WORD o) { return Options().IsFreeText(o); }

BOOL CDCLLabelPrinter::LookUpResourceName(const char* name, LONG* value) {
  if (name != nullptr && value != nullptr && LookUpLabelSymbol(name, *value)) return TRUE;
  return CDCLModelFile::LookUpResourceName(name, value);
}

LONG_PTR CDCLLabelPrinter::MapOptionValue(WORD, LONG_PTR value) { return value; }
LONG CDCLLabelPrinter::ClassifyDirectCommand(const char*) { return 0; }

BOOL CDCLLabelPrinter::WriteCommand(const void* bytes, DWORD count) {
  return WriteToPort(&Port(), static_cast<const BYTE*>(bytes), count, 0);
}

LabelOptions CDCLLabelPrinter::Options() {
  auto loadText = [this](UINT id, char* buffer, int size) {
    return LoadString(nullptr, id, buffer, size);
  };
  // The built-in options table says which blob holds an option's value.
  auto findValue = [this](WORD id) -> BYTE* {
    for (const OptionEntryEx& e : OptionTable()) {
      if (e.base.optionId != id) continue;
      if (e.base.flags & OPTION_SCOPE_DOCUMENT)
        return FindOptionValue(AttachedDocProps(), AttachedBlobSize(AttachedDocProps()), false, id);
      if (e.base.flags & OPTION_SCOPE_DEVICE)
        return FindOptionValue(AttachedDevProps(), AttachedBlobSize(AttachedDevProps()), true, id);
      return nullptr;
    }
    return nullptr;
  };
  return LabelOptions(config_, loadText, findValue);
}

void CDCLLabelPrinter::SetLanguage(std::unique_ptr<LanguageBinding> binding) {
  if (language_) language_->Release();
  language_ = std::move(binding);
}

}  // namespace trv::dcl
