// A DCL object for the framework's tests: small in-memory model lists and options,
// and a record of every job operation it is handed. It stands where the model
// database and the printer languages will stand, so that the framework (exports,
// interface table, list scheme, blobs, records, port output, monitor) is tested
// through its real entry points.
#pragma once

#include <string>
#include <vector>

#include "dcl/object/dcl_base.h"

namespace trv::dcl::testing {

// What the test program can see and steer of the objects of the module (exported
// as "TestLayerControl").
struct TestControl {
  std::vector<std::string> calls;  // one line per job operation, in order
  int failBitmapData = 0;          // BitmapData fails this many times (last error 5)
  int cancelAtStartDoc = 0;        // StartDoc fails this many times with last error 0
  bool failInitialize = false;
  int live = 0;  // objects alive in the module
};

class CDCLTestLayer : public CDCLBase {
 public:
  CDCLTestLayer();
  ~CDCLTestLayer() override;

  const char* GetHelpFileName() override { return "TRVTEST.HLP"; }
  BOOL Initialize() override;
  DWORD GetOptionValueSize(WORD optionId) override;
  const BYTE* GetOptionDefault(WORD optionId) override;
  DWORD GetModelCount() override;
  const ModelEntry* GetModel(DWORD index) override;
  DWORD GetMonitorCount(DWORD key) override;
  const MonitorEntry* GetMonitor(DWORD key, DWORD n) override;
  DWORD GetOptionCount(DWORD key) override;
  const OptionEntry* GetOption(DWORD key, DWORD n) override;
  const OptionEntryEx* GetOptionEx(DWORD key, DWORD n) override;
  DWORD GetTrayCount(DWORD key) override;
  const TrayEntry* GetTray(DWORD key, DWORD n) override;
  DWORD GetPaperCount(DWORD key) override;
  const PaperEntry* GetPaper(DWORD key, DWORD n) override;
  DWORD GetRibbonCount(DWORD key) override;
  const RibbonEntry* GetRibbon(DWORD key, DWORD n) override;
  DWORD GetSubRibbonCount(DWORD key) override;
  const SubRibbonEntry* GetSubRibbon(DWORD key, DWORD n) override;
  DWORD GetRibbonOptionCount(DWORD key, DWORD mask) override;
  const RibbonOptionEntry* GetRibbonOption(DWORD key, DWORD mask, DWORD n) override;
  DWORD GetTextFontCount(DWORD key) override;
  const TextFontEntry* GetTextFont(DWORD key, DWORD n) override;
  DWORD GetBarcodeFontCount(DWORD key) override;
  const BarcodeFontEntry* GetBarcodeFont(DWORD key, DWORD n) override;
  LONG_PTR OptionCommand(BYTE* value, WORD optionId, WORD command, LONG_PTR c, LONG_PTR d) override;
  BOOL NotifyOptionChanged(WORD optionId, BYTE* value, DWORD mode) override;

  BOOL StartDoc(DWORD width, DWORD height, DWORD orientation) override;
  BOOL EndDoc() override;
  BOOL AbortDoc() override;
  BOOL StartPage(WORD a, WORD b, WORD copies) override;
  BOOL EndPage(WORD copies) override;
  BOOL NextPage() override;
  BOOL Reserved48() override { return TRUE; }
  BOOL BeginSection(WORD a, WORD b) override;
  BOOL SectionByte(BYTE value) override;
  BOOL SectionCommand() override;
  BOOL EndSection() override;
  BOOL BeginBitmap(WORD width, WORD height, WORD stride) override;
  BOOL PlaceBitmap(WORD a, WORD b, WORD c, WORD d, WORD e) override;
  BOOL BitmapData(std::span<BYTE> record) override;
  BOOL EndBitmap() override;
  BOOL ResetBitmap() override;
  BOOL BeginTransfer(WORD id, WORD value) override;
  BOOL TransferData(WORD id, WORD value, BYTE* data, DWORD length) override;
  BOOL EndTransfer(WORD id) override;
  BOOL AbortTransfer(WORD id) override;
  BOOL PrintText(WORD fontId, LONG x, LONG y, LONG direction, LONG charWidth, LONG charHeight,
                 LONG reserved, LONG directionBits, const BYTE* text, DWORD textLength,
                 BYTE* payload) override;
  BOOL PassThrough(WORD value, const BYTE* bytes, DWORD length) override;

 private:
  BOOL Log(const std::string& line);
  template <typename T>
  const T* Matching(const std::vector<T>& list, DWORD key, DWORD n) const;
  template <typename T>
  DWORD CountMatching(const std::vector<T>& list, DWORD key) const;

  std::vector<ModelEntry> models_;
  std::vector<OptionEntryEx> options_;
  std::vector<TrayEntry> trays_;
  std::vector<PaperEntry> papers_;
  std::vector<RibbonEntry> ribbons_;
  std::vector<SubRibbonEntry> subRibbons_;
  std::vector<RibbonOptionEntry> ribbonOptions_;
  std::vector<TextFontEntry> textFonts_;
  std::vector<BarcodeFontEntry> barcodes_;
  std::vector<DWORD> ownedTexts_;
  BYTE defaultValue_[32] = {};
};

}  // namespace trv::dcl::testing
