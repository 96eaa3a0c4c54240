#include "dcl/object/dcl_model_table.h"

#include <string>

#include "dcl/help.h"
#include "dcl/model/lookups.h"
#include "dcl/object/option_value.h"
#include "platform/kernel.h"

namespace trv::dcl {

// The database asks the object through its own virtual operations.
class CDCLModelTable::CallbackAdapter : public ModelCallbacks {
 public:
  explicit CallbackAdapter(CDCLModelTable& o) : o_(o) {}
  bool LookUpSymbol(std::string_view name, LONG& value) override {
    return o_.LookUpResourceName(std::string(name).c_str(), &value) != FALSE;
  }
  int LoadText(UINT id, char* buffer, int size) override {
    return o_.LoadString(nullptr, id, buffer, size);
  }
  bool SupportsOption(WORD optionId) override { return o_.IsOptionSupported(optionId) != FALSE; }

 private:
  CDCLModelTable& o_;
};

CDCLModelTable::CDCLModelTable() : callbacks_(std::make_unique<CallbackAdapter>(*this)) {}
CDCLModelTable::~CDCLModelTable() = default;

bool CDCLModelTable::EnsureLoaded() {
  if (loaded_) return true;
  if (!LoadConfiguration(&tables_)) return false;
  // The library carries no icon resources on this platform: icon fields become null,
  // as a failed icon load leaves them.
  ResolveIcons(tables_, [](WORD) { return DWORD{0}; });
  loaded_ = true;
  return true;
}

BOOL CDCLModelTable::Initialize() {
  loaded_ = false;
  return EnsureLoaded() ? TRUE : FALSE;
}

BOOL CDCLModelTable::Terminate() {
  CDCLBase::Terminate();
  loaded_ = false;
  return TRUE;
}

DWORD CDCLModelTable::GetOptionValueSize(WORD) { return kPlainValueSize; }

namespace {
BYTE defaultValue[kPlainValueSize];  // library-wide, valid until the next call
}

const BYTE* CDCLModelTable::GetOptionDefault(WORD optionId) {
  OptionValueEdit::Start(defaultValue, sizeof defaultValue, optionId, 0);
  return defaultValue;
}

DWORD CDCLModelTable::GetModelCount() { return EnsureLoaded() ? dcl::GetModelCount(tables_) : 0; }
const ModelEntry* CDCLModelTable::GetModel(DWORD i) {
  return EnsureLoaded() ? dcl::GetModel(tables_, i) : nullptr;
}
DWORD CDCLModelTable::GetMonitorCount(DWORD k) {
  return EnsureLoaded() ? dcl::GetMonitorCount(tables_, k, RunningPlatformBit()) : 0;
}
const MonitorEntry* CDCLModelTable::GetMonitor(DWORD k, DWORD n) {
  return EnsureLoaded() ? dcl::GetMonitor(tables_, k, n, RunningPlatformBit()) : nullptr;
}
DWORD CDCLModelTable::GetOptionCount(DWORD k) {
  return EnsureLoaded() ? dcl::GetOptionCount(tables_, k, *callbacks_) : 0;
}
const OptionEntry* CDCLModelTable::GetOption(DWORD k, DWORD n) {
  return EnsureLoaded() ? dcl::GetOption(tables_, k, n, *callbacks_) : nullptr;
}
const OptionEntryEx* CDCLModelTable::GetOptionEx(DWORD k, DWORD n) {
  return EnsureLoaded() ? dcl::GetOptionEx(tables_, k, n, *callbacks_) : nullptr;
}
DWORD CDCLModelTable::GetTrayCount(DWORD k) {
  return EnsureLoaded() ? dcl::GetTrayCount(tables_, k) : 0;
}
const TrayEntry* CDCLModelTable::GetTray(DWORD k, DWORD n) {
  return EnsureLoaded() ? dcl::GetTray(tables_, k, n) : nullptr;
}
DWORD CDCLModelTable::GetPaperCount(DWORD k) {
  return EnsureLoaded() ? dcl::GetPaperCount(tables_, k) : 0;
}
const PaperEntry* CDCLModelTable::GetPaper(DWORD k, DWORD n) {
  return EnsureLoaded() ? dcl::GetPaper(tables_, k, n) : nullptr;
}
DWORD CDCLModelTable::GetRibbonCount(DWORD k) {
  return EnsureLoaded() ? dcl::GetRibbonCount(tables_, k) : 0;
}
const RibbonEntry* CDCLModelTable::GetRibbon(DWORD k, DWORD n) {
  return EnsureLoaded() ? dcl::GetRibbon(tables_, k, n) : nullptr;
}
DWORD CDCLModelTable::GetSubRibbonCount(DWORD k) {
  return EnsureLoaded() ? dcl::GetSubRibbonCount(tables_, k) : 0;
}
const SubRibbonEntry* CDCLModelTable::GetSubRibbon(DWORD k, DWORD n) {
  return EnsureLoaded() ? dcl::GetSubRibbon(tables_, k, n) : nullptr;
}
DWORD CDCLModelTable::GetRibbonOptionCount(DWORD k, DWORD mask) {
  return EnsureLoaded() ? dcl::GetRibbonOptionCount(tables_, k, mask) : 0;
}
const RibbonOptionEntry* CDCLModelTable::GetRibbonOption(DWORD k, DWORD mask, DWORD n) {
  return EnsureLoaded() ? dcl::GetRibbonOption(tables_, k, mask, n) : nullptr;
}
DWORD CDCLModelTable::GetTextFontCount(DWORD k) {
  return EnsureLoaded() ? dcl::GetTextFontCount(tables_, k) : 0;
}
const TextFontEntry* CDCLModelTable::GetTextFont(DWORD k, DWORD n) {
  return EnsureLoaded() ? dcl::GetTextFont(tables_, k, n) : nullptr;
}
DWORD CDCLModelTable::GetBarcodeFontCount(DWORD k) {
  return EnsureLoaded() ? dcl::GetBarcodeFontCount(tables_, k) : 0;
}
const BarcodeFontEntry* CDCLModelTable::GetBarcodeFont(DWORD k, DWORD n) {
  return EnsureLoaded() ? dcl::GetBarcodeFont(tables_, k, n) : nullptr;
}

BOOL CDCLModelTable::HasOptionRange(WORD o) {
  return EnsureLoaded() ? dcl::HasOptionRange(tables_, o) : FALSE;
}
LONG CDCLModelTable::GetOptionMinimum(WORD o) {
  return EnsureLoaded() ? dcl::GetOptionMinimum(tables_, o) : 0;
}
LONG CDCLModelTable::GetOptionMaximum(WORD o) {
  return EnsureLoaded() ? dcl::GetOptionMaximum(tables_, o) : -1;
}
BOOL CDCLModelTable::HasOptionChoices(WORD o) {
  return EnsureLoaded() ? dcl::HasOptionChoices(tables_, o) : FALSE;
}
DWORD CDCLModelTable::GetOptionChoiceCount(WORD o) {
  return EnsureLoaded() ? dcl::GetOptionChoiceCount(tables_, o) : 0;
}
LONG CDCLModelTable::GetOptionChoiceValue(WORD o, DWORD n) {
  return EnsureLoaded() ? dcl::GetOptionChoiceValue(tables_, o, n) : 0;
}

namespace {
char choiceText[1024];  // library-wide, valid until the next call
}

const char* CDCLModelTable::GetOptionChoiceText(WORD o, DWORD n) {
  std::string text = EnsureLoaded() ? dcl::GetOptionChoiceText(tables_, o, n, *callbacks_) : "";
  lstrcpynA(choiceText, text.c_str(), sizeof choiceText);
  return choiceText;
}

BOOL CDCLModelTable::IsOptionFreeText(WORD o) {
  return EnsureLoaded() ? dcl::IsOptionFreeText(tables_, o) : FALSE;
}
DWORD CDCLModelTable::GetOptionHelpId(WORD o) {
  return EnsureLoaded() ? dcl::GetOptionHelpId(tables_, o) : 0;
}

LONG_PTR CDCLModelTable::OptionCommand(BYTE* value, WORD optionId, WORD command, LONG_PTR c,
                                       LONG_PTR) {
  OptionValueEdit v(value);
  if (v.IsNull() || v.Size() < kPlainValueSize || v.Id() != optionId) return 0;
  switch (command) {
    case kCommandSetSwitchedOn:
      v.SetFlags(c != 0 ? static_cast<WORD>(v.Flags() | kValueSwitchedOn)
                        : static_cast<WORD>(v.Flags() & ~kValueSwitchedOn));
      return 1;
    case kCommandIsSwitchedOn: return IsOptionSupported(optionId) && v.IsSwitchedOn() ? 1 : 0;
    case kCommandGetSetting: return v.Setting();
    case kCommandSetSetting:
      v.SetSetting(static_cast<LONG>(c));
      NotifyOptionChanged(optionId, value, OPTION_SET_BY_COMMAND);
      return 1;
    case kCommandHasRange: return HasOptionRange(optionId);
    case kCommandMinimum: return GetOptionMinimum(optionId);
    case kCommandMaximum: return GetOptionMaximum(optionId);
    case kCommandHasChoices: return HasOptionChoices(optionId);
    case kCommandChoiceCount: return GetOptionChoiceCount(optionId);
    case kCommandChoiceValue: return GetOptionChoiceValue(optionId, static_cast<DWORD>(c));
    case kCommandChoiceText:
      return reinterpret_cast<LONG_PTR>(GetOptionChoiceText(optionId, static_cast<DWORD>(c)));
    case kCommandReservedQuery: return ReservedOptionQuery94(optionId, static_cast<DWORD>(c));
    case kCommandIsSupported: return IsOptionSupported(optionId);
    case kCommandIsEnabled: return IsOptionEnabled(optionId);
    case kCommandIsFreeText: return IsOptionFreeText(optionId);
    case kCommandConfigLimit: return GetConfigLimit();
    case kCommandShowHelp:
      ShowHelpTopic(reinterpret_cast<HWND>(c), static_cast<int>(GetOptionHelpId(optionId)));
      return 1;
    default: return 0;
  }
}

}  // namespace trv::dcl
