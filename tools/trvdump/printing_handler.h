// Prints each record's decoded fields, one line each starting with two blanks.
// Stands where the DCL object would, so the dump shows exactly what it would
// be handed.
#pragma once

#include <cstdio>

#include "spool/record_handler.h"

namespace trv::dump {

class PrintingHandler : public spool::RecordHandler {
 public:
  explicit PrintingHandler(std::FILE* out) : out_(out) {}

  // Lines printed so far; lets the caller see whether a record reached any operation.
  unsigned lines() const { return lines_; }

  BOOL AttachDocProps(spool::OptionBlob blob) override;
  BOOL AttachDevProps(spool::OptionBlob blob) override;
  BOOL StartDoc(DWORD width, DWORD height, DWORD orientation) override;
  BOOL EndDoc() override;
  BOOL AbortDoc() override;
  BOOL StartPage(WORD valueA, WORD valueB, WORD copies) override;
  BOOL NextPage() override;
  BOOL EndPage(WORD copies) override;
  BOOL BeginSection(WORD value1, WORD value2) override;
  BOOL SectionByte(BYTE value) override;
  BOOL SectionCommand() override;
  BOOL EndSection() override;
  BOOL BeginBitmap(WORD width, WORD height, WORD stride) override;
  BOOL PlaceBitmap(WORD v1, WORD v2, WORD v3, WORD v4, WORD v5) override;
  BOOL BitmapData(std::span<BYTE> record) override;
  BOOL EndBitmap() override;
  BOOL ResetBitmap() override;
  BOOL BeginTransfer(WORD id, WORD value) override;
  BOOL TransferData(WORD id, WORD value, BYTE* data, DWORD length) override;
  BOOL EndTransfer(WORD id) override;
  BOOL AbortTransfer(WORD id) override;
  void TransformItem(DWORD type, BYTE* payload, spool::ItemKind kind) override;
  BOOL PrintText(WORD fontId, LONG x, LONG y, LONG direction, LONG charWidth, LONG charHeight,
                 LONG reserved, LONG directionBits, const BYTE* text, DWORD textLength,
                 BYTE* payload) override;
  BOOL PrintBarcode(WORD barcodeId, LONG x, LONG y, LONG direction, LONG charWidth, LONG charHeight,
                    LONG reserved, LONG directionBits, const BYTE* text, DWORD textLength,
                    BYTE* payload) override;
  BOOL DrawLine(WORD reserved, LONG x, LONG y, LONG dx, LONG dy, LONG colour, LONG directionBits,
                LONG width, BYTE* payload) override;
  BOOL DrawBox(WORD reserved, LONG x, LONG y, LONG dx, LONG dy, LONG colour, LONG directionBits,
               LONG width, BYTE* payload) override;
  BOOL PassThrough(WORD value, const BYTE* bytes, DWORD length) override;

 private:
  BOOL Line(const char* format, ...) __attribute__((format(printf, 2, 3)));
  BOOL TextLine(const char* what, WORD id, LONG x, LONG y, LONG direction, LONG charWidth,
                LONG charHeight, const BYTE* text, DWORD textLength);
  BOOL ShapeLine(const char* what, LONG x, LONG y, LONG dx, LONG dy, LONG colour,
                 LONG directionBits, LONG width);

  std::FILE* out_;
  unsigned lines_ = 0;
  // From the last bitmap header, to describe the rows that follow it.
  WORD bitmapWidth_ = 0, bitmapHeight_ = 0, bitmapStride_ = 0;
};

}  // namespace trv::dump
