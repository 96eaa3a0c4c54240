// The EPL back-end: the fifth layer of the DCL object in TRVEPL.DLL.
#pragma once

#include "dcl/object/dcl_label_printer.h"

namespace trv::dcl {

class CDCLEpl : public CDCLLabelPrinter {
 public:
  const char* GetHelpFileName() override;                // 3
  BOOL LoadConfiguration(ModelTables* tables) override;  // 84
  const char* GetDefFileName() override;                 // 98
  BOOL AddDownloadFont(void* installedList, ModelTables* tables, WORD* id, HWND window,
                       void* portBlock) override;                           // 102
  BOOL DeleteDownloadFont(const char* fontName, void* portBlock) override;  // 103
  BOOL WriteTextCommand(LONG x, LONG y, LONG charWidth, LONG charHeight, LONG multX, LONG multY,
                        LONG direction, DWORD placement, const TextFontEntry* font,
                        const BYTE* text, DWORD textLength, BYTE* payload) override;  // 106
  const NameTableEntry* GetNameTable(spool::ItemKind kind) override;                             // 108
  DWORD GetNameTableCount(spool::ItemKind kind) override;                                        // 109
};

}  // namespace trv::dcl
