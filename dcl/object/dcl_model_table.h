// Layer 2 of the DCL object: the in-memory model database and the option-value
// machinery. Every lookup makes sure the tables are loaded first; loading itself
// (LoadConfiguration, operation 84) belongs to the layers above.
#pragma once

#include "dcl/model/model_callbacks.h"
#include "dcl/model/model_tables.h"
#include "dcl/object/dcl_base.h"

namespace trv::dcl {

class CDCLModelTable : public CDCLBase {
 public:
  CDCLModelTable();
  ~CDCLModelTable() override;

  BOOL Initialize() override;                            // 6
  BOOL Terminate() override;                             // 7
  DWORD GetOptionValueSize(WORD optionId) override;      // 10
  const BYTE* GetOptionDefault(WORD optionId) override;  // 11
  DWORD GetModelCount() override;                        // 13
  const ModelEntry* GetModel(DWORD index) override;      // 14
  DWORD GetMonitorCount(DWORD key) override;             // 15
  const MonitorEntry* GetMonitor(DWORD key, DWORD n) override;
  DWORD GetOptionCount(DWORD key) override;  // 17
  const OptionEntry* GetOption(DWORD key, DWORD n) override;
  const OptionEntryEx* GetOptionEx(DWORD key, DWORD n) override;
  DWORD GetTrayCount(DWORD key) override;  // 20
  const TrayEntry* GetTray(DWORD key, DWORD n) override;
  DWORD GetPaperCount(DWORD key) override;  // 22
  const PaperEntry* GetPaper(DWORD key, DWORD n) override;
  DWORD GetRibbonCount(DWORD key) override;  // 24
  const RibbonEntry* GetRibbon(DWORD key, DWORD n) override;
  DWORD GetSubRibbonCount(DWORD key) override;  // 26
  const SubRibbonEntry* GetSubRibbon(DWORD key, DWORD n) override;
  DWORD GetRibbonOptionCount(DWORD key, DWORD mask) override;  // 28
  const RibbonOptionEntry* GetRibbonOption(DWORD key, DWORD mask, DWORD n) override;
  DWORD GetTextFontCount(DWORD key) override;  // 30
  const TextFontEntry* GetTextFont(DWORD key, DWORD n) override;
  DWORD GetBarcodeFontCount(DWORD key) override;  // 32
  const BarcodeFontEntry* GetBarcodeFont(DWORD key, DWORD n) override;
  LONG_PTR OptionCommand(BYTE* value, WORD optionId, WORD command, LONG_PTR c,
                         LONG_PTR d) override;  // 37

  // Hooks of the table layer: success without effect.
  BOOL NextPage() override { return TRUE; }                                 // 47
  BOOL Reserved48() override { return TRUE; }                               // 48
  BOOL BeginSection(WORD, WORD) override { return TRUE; }                   // 49
  BOOL SectionByte(BYTE) override { return TRUE; }                          // 50
  BOOL SectionCommand() override { return TRUE; }                           // 51
  BOOL EndSection() override { return TRUE; }                               // 52
  BOOL BeginBitmap(WORD, WORD, WORD) override { return TRUE; }              // 53
  BOOL PlaceBitmap(WORD, WORD, WORD, WORD, WORD) override { return TRUE; }  // 54
  BOOL BitmapData(std::span<BYTE>) override { return TRUE; }                // 55
  BOOL EndBitmap() override { return TRUE; }                                // 56
  BOOL ResetBitmap() override { return TRUE; }                              // 57
  BOOL BeginTransfer(WORD, WORD) override { return TRUE; }                  // 58
  BOOL TransferData(WORD, WORD, BYTE*, DWORD) override { return TRUE; }     // 59
  BOOL EndTransfer(WORD) override { return TRUE; }                          // 60
  BOOL AbortTransfer(WORD) override { return TRUE; }                        // 61

  BOOL LoadConfiguration(ModelTables* tables) override = 0;              // 84
  BOOL HasOptionRange(WORD optionId) override;                           // 87
  LONG GetOptionMinimum(WORD optionId) override;                         // 88
  LONG GetOptionMaximum(WORD optionId) override;                         // 89
  BOOL HasOptionChoices(WORD optionId) override;                         // 90
  DWORD GetOptionChoiceCount(WORD optionId) override;                    // 91
  LONG GetOptionChoiceValue(WORD optionId, DWORD index) override;        // 92
  const char* GetOptionChoiceText(WORD optionId, DWORD index) override;  // 93
  BOOL IsOptionFreeText(WORD optionId) override;                         // 96
  DWORD GetOptionHelpId(WORD optionId) override;                         // 97

  bool Loaded() const { return loaded_; }

 protected:
  // Loads the tables when they are not: LoadConfiguration, then the icons.
  bool EnsureLoaded();
  ModelTables& Tables() { return tables_; }
  ModelCallbacks& Callbacks() { return *callbacks_; }

 private:
  class CallbackAdapter;
  ModelTables tables_;
  bool loaded_ = false;
  std::unique_ptr<ModelCallbacks> callbacks_;
};

}  // namespace trv::dcl
