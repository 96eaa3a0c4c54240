// The CPCL back-end: the fifth layer of the DCL object in TRVCPL.DLL. One CPCL label
// per page: a "! " header line and the page's settings, text, bar codes, lines,
// boxes and PCX graphics, then the media commands and "PRINT".
#pragma once

#include <span>
#include <string>
#include <vector>

#include "dcl/object/dcl_label_printer.h"
#include "dcl/object/page_bitmap.h"

namespace trv::dcl {

class CDCLCpcl : public CDCLLabelPrinter {
 public:
  const char* GetHelpFileName() override;                                // 3
  BOOL StartDoc(DWORD width, DWORD height, DWORD orientation) override;  // 42
  BOOL EndDoc() override;                                                // 43
  BOOL StartPage(WORD valueA, WORD valueB, WORD copies) override;        // 45
  BOOL EndPage(WORD copies) override;                                    // 46
  BOOL BeginBitmap(WORD width, WORD height, WORD stride) override;       // 53
  BOOL PlaceBitmap(WORD kind, WORD x, WORD y, WORD a, WORD b) override;  // 54
  BOOL BitmapData(std::span<BYTE> record) override;                      // 55
  BOOL ResetBitmap() override;                                           // 57
  BOOL DrawLine(WORD value0, LONG x, LONG y, LONG dx, LONG dy, LONG colour, LONG placement,
                LONG width, BYTE* payload) override;  // 65
  BOOL DrawBox(WORD value0, LONG x, LONG y, LONG dx, LONG dy, LONG colour, LONG placement,
               LONG width, BYTE* payload) override;                            // 66
  BOOL QueryDeviceStatus(DevicePort* port, DeviceStatus* status) override;     // 81
  BOOL DescribeDeviceStatus(DevicePort* port, DeviceStatus* status) override;  // 82
  BOOL LoadConfiguration(ModelTables* tables) override;                        // 84
  const char* GetDefFileName() override;                                       // 98
  BOOL AddDownloadFont(void* installedList, ModelTables* tables, WORD* id, HWND window,
                       void* portBlock) override;                           // 102
  BOOL DeleteDownloadFont(const char* fontName, void* portBlock) override;  // 103
  BOOL WriteTextCommand(LONG x, LONG y, LONG charWidth, LONG charHeight, LONG multX, LONG multY,
                        LONG direction, DWORD placement, const TextFontEntry* font,
                        const BYTE* text, DWORD textLength, BYTE* payload) override;  // 106
  LONG ClassifyDirectCommand(const char* text) override;                              // 107
  const NameTableEntry* GetNameTable(spool::ItemKind kind) override;                  // 108
  DWORD GetNameTableCount(spool::ItemKind kind) override;                             // 109
  DWORD NextRotation(DWORD* direction) override;                                      // 110
  void AdjustExtent(LONG* coordinate, LONG amount, DWORD placement,
                    LONG direction) override;  // 111

  // Announces a CISDF font file ("! CISDF", its name, size and check value, each
  // line in a write of its own) and sends it; a failed write stops the rest.
  BOOL SendDownloadFont(const std::string& name, const std::vector<BYTE>& file, DevicePort* port);

  // Whether graphics go as regions (document option) in this job.
  bool GraphicsRegions() const { return graphicsRegions_; }

 protected:
  // One command line: the formatted text and CR LF, in one write.
  BOOL SendLine(const char* format, ...) __attribute__((format(printf, 2, 3)));

 private:
  BOOL SendPageHeader(WORD copies);
  BOOL SendMediaSensing();
  BOOL SendMediaCommands();
  BOOL SendRectangle(const ByteRect& rect);
  bool Allows(DWORD capability) const { return (Config().capabilities & capability) != 0; }

  bool docOpen_ = false;
  bool pageOpen_ = false;
  LONG offsetX_ = 0;
  LONG offsetY_ = 0;
  LONG lastMagX_ = 0;
  LONG lastMagY_ = 0;
  bool graphicsRegions_ = false;
  PageBitmap bitmap_;
  char statusBuffer_[260] = "";
};

}  // namespace trv::dcl
