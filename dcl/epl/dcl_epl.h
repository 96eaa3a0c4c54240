// The EPL back-end: the fifth layer of the DCL object in TRVEPL.DLL. It turns a job's
// records into EPL: the printer set-up once per job, "N" and "P" around each page,
// "A" text, lines and boxes, "GW" graphics, and it reads the printer's "^ee" status.
#pragma once

#include <string>

#include "dcl/epl/epl_commands.h"
#include "dcl/epl/epl_graphics.h"
#include "dcl/epl/epl_status.h"
#include "dcl/object/dcl_label_printer.h"

namespace trv::dcl {

class CDCLEpl : public CDCLLabelPrinter {
 public:
  const char* GetHelpFileName() override;                                        // 3
  BOOL StartDoc(DWORD width, DWORD height, DWORD orientation) override;          // 42
  BOOL EndDoc() override;                                                        // 43
  BOOL AbortDoc() override;                                                      // 44
  BOOL StartPage(WORD valueA, WORD valueB, WORD copies) override;                // 45
  BOOL EndPage(WORD copies) override;                                            // 46
  BOOL BeginBitmap(WORD width, WORD height, WORD stride) override;               // 53
  BOOL PlaceBitmap(WORD kind, WORD x, WORD y, WORD c, WORD d) override;          // 54
  BOOL BitmapData(std::span<BYTE> record) override;                              // 55
  BOOL EndBitmap() override;                                                     // 56
  void TransformItem(DWORD type, BYTE* payload, spool::ItemKind kind) override;  // 62
  BOOL DrawLine(WORD id, LONG x, LONG y, LONG dx, LONG dy, LONG colour, LONG placement, LONG width,
                BYTE* payload) override;  // 65
  BOOL DrawBox(WORD id, LONG x, LONG y, LONG dx, LONG dy, LONG colour, LONG placement, LONG width,
               BYTE* payload) override;                                               // 66
  BOOL PassThrough(WORD value, const BYTE* bytes, DWORD length) override;             // 67
  BOOL EndDeviceWrite(DevicePort* port, DeviceStatus* status, DWORD flags) override;  // 80
  BOOL QueryDeviceStatus(DevicePort* port, DeviceStatus* status) override;            // 81
  BOOL DescribeDeviceStatus(DevicePort* port, DeviceStatus* status) override;         // 82
  BOOL LoadConfiguration(ModelTables* tables) override;                               // 84
  const char* GetDefFileName() override;                                              // 98
  BOOL AddDownloadFont(void* installedList, ModelTables* tables, WORD* id, HWND window,
                       void* portBlock) override;                           // 102
  BOOL DeleteDownloadFont(const char* fontName, void* portBlock) override;  // 103
  BOOL WriteTextCommand(LONG x, LONG y, LONG charWidth, LONG charHeight, LONG multX, LONG multY,
                        LONG direction, DWORD placement, const TextFontEntry* font,
                        const BYTE* text, DWORD textLength, BYTE* payload) override;  // 106
  LONG ClassifyDirectCommand(const char* text) override;                              // 107
  const NameTableEntry* GetNameTable(spool::ItemKind kind) override;                  // 108
  DWORD GetNameTableCount(spool::ItemKind kind) override;                             // 109

  bool DocumentOpen() const { return docOpen_; }

 protected:
  epl::JobOptions ReadJobOptions();

 private:
  BOOL Send(const std::string& line);

  bool docOpen_ = false;
  LONG offsetX_ = 0;
  LONG offsetY_ = 0;
  bool graphicsRegions_ = false;
  // Set while binary data (graphics rows) is on its way: a status request would land
  // inside it.
  bool binaryData_ = false;
  bool haveBitmapHeader_ = false;
  epl::PageGeometry bitmap_;
  epl::GraphicsWork graphicsWork_;
  char statusBuffer_[520] = {};
};

}  // namespace trv::dcl
