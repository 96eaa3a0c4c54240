#include "tools/trvdump/printing_handler.h"

#include <bit>
#include <cstdarg>
#include <string>

#include "spool/record.h"

namespace trv::dump {

namespace {

// Printable ASCII as is, everything else as \xHH, so a line stays one line.
std::string Escaped(const BYTE* bytes, DWORD length) {
  std::string out;
  for (DWORD i = 0; i < length; ++i) {
    const BYTE c = bytes[i];
    if (c >= 0x20 && c < 0x7F && c != '\\' && c != '"') {
      out += static_cast<char>(c);
    } else {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    }
  }
  return out;
}

// Black dots of a 1-bit page: 0 bits within the width of each row.
unsigned long BlackDots(const BYTE* rows, WORD width, WORD height, WORD stride) {
  unsigned long black = 0;
  for (unsigned y = 0; y < height; ++y) {
    const BYTE* row = rows + std::size_t{stride} * y;
    for (unsigned x = 0; x < width; x += 8) {
      const unsigned bits = width - x >= 8 ? 8u : width - x;
      const BYTE mask = static_cast<BYTE>(0xFF00u >> bits);
      black += static_cast<unsigned long>(std::popcount(static_cast<BYTE>(~row[x / 8] & mask)));
    }
  }
  return black;
}

}  // namespace

BOOL PrintingHandler::Line(const char* format, ...) {
  std::fputs("  ", out_);
  va_list args;
  va_start(args, format);
  std::vfprintf(out_, format, args);
  va_end(args);
  std::fputc('\n', out_);
  ++lines_;
  return TRUE;
}

BOOL PrintingHandler::AttachDocProps(spool::OptionBlob blob) {
  const BYTE* b = blob.bytes.data();
  return Line(
      "DocProps header=%u version=0x%08X values=%u model=%u tray=%u paper=%u ribbon=%u "
      "placement=%u",
      spool::ReadU32(b), spool::ReadU32(b + 4), spool::ReadU32(b + 8), spool::ReadU16(b + 12),
      spool::ReadU16(b + 14), spool::ReadU16(b + 16), spool::ReadU16(b + 18),
      spool::ReadU16(b + 20));
}

BOOL PrintingHandler::AttachDevProps(spool::OptionBlob blob) {
  const BYTE* b = blob.bytes.data();
  return Line("DevProps header=%u version=0x%08X values=%u model=%u", spool::ReadU32(b),
              spool::ReadU32(b + 4), spool::ReadU32(b + 8), spool::ReadU16(b + 12));
}

BOOL PrintingHandler::StartDoc(DWORD width, DWORD height, DWORD orientation) {
  return Line("StartDoc width=%u height=%u orientation=%u", width, height, orientation);
}
BOOL PrintingHandler::EndDoc() { return Line("EndDoc"); }
BOOL PrintingHandler::AbortDoc() { return Line("AbortDoc"); }
BOOL PrintingHandler::StartPage(WORD a, WORD b, WORD copies) {
  return Line("StartPage a=%u b=%u copies=%u", a, b, copies);
}
BOOL PrintingHandler::NextPage() { return Line("NextPage"); }
BOOL PrintingHandler::EndPage(WORD copies) { return Line("EndPage copies=%u", copies); }
BOOL PrintingHandler::BeginSection(WORD v1, WORD v2) { return Line("BeginSection %u %u", v1, v2); }
BOOL PrintingHandler::SectionByte(BYTE value) { return Line("SectionByte 0x%02X", value); }
BOOL PrintingHandler::SectionCommand() { return Line("SectionCommand"); }
BOOL PrintingHandler::EndSection() { return Line("EndSection"); }

BOOL PrintingHandler::BeginBitmap(WORD width, WORD height, WORD stride) {
  bitmapWidth_ = width;
  bitmapHeight_ = height;
  bitmapStride_ = stride;
  return Line("BeginBitmap width=%u height=%u stride=%u", width, height, stride);
}

BOOL PrintingHandler::PlaceBitmap(WORD v1, WORD v2, WORD v3, WORD v4, WORD v5) {
  return Line("PlaceBitmap %u %u %u %u %u", v1, v2, v3, v4, v5);
}

BOOL PrintingHandler::BitmapData(std::span<BYTE> record) {
  const DWORD length = static_cast<DWORD>(record.size() - spool::DCLD_HEADER_SIZE);
  const bool matches = bitmapStride_ * 8u >= bitmapWidth_ &&
                       length == std::size_t{bitmapStride_} * bitmapHeight_ && length != 0;
  if (!matches)
    return Line("BitmapData %u bytes, not the size the bitmap header announced", length);
  return Line(
      "BitmapData %u bytes, %lu black dots", length,
      BlackDots(spool::RecordPayload(record.data()), bitmapWidth_, bitmapHeight_, bitmapStride_));
}

BOOL PrintingHandler::EndBitmap() { return Line("EndBitmap"); }
BOOL PrintingHandler::ResetBitmap() { return Line("ResetBitmap"); }
BOOL PrintingHandler::BeginTransfer(WORD id, WORD value) {
  return Line("BeginTransfer id=%u value=%u", id, value);
}
BOOL PrintingHandler::TransferData(WORD id, WORD value, BYTE*, DWORD length) {
  return Line("TransferData id=%u value=%u %u bytes", id, value, length);
}
BOOL PrintingHandler::EndTransfer(WORD id) { return Line("EndTransfer id=%u", id); }
BOOL PrintingHandler::AbortTransfer(WORD id) { return Line("AbortTransfer id=%u", id); }

// The dump shows objects as the graphics driver placed them: no page turning.
void PrintingHandler::TransformItem(DWORD, BYTE*, spool::ItemKind) {}

BOOL PrintingHandler::TextLine(const char* what, WORD id, LONG x, LONG y, LONG direction,
                               LONG charWidth, LONG charHeight, const BYTE* text,
                               DWORD textLength) {
  return Line("%s id=%u x=%d y=%d direction=%d char=%dx%d text=\"%s\"", what, id, x, y, direction,
              charWidth, charHeight, Escaped(text, textLength).c_str());
}

BOOL PrintingHandler::PrintText(WORD id, LONG x, LONG y, LONG direction, LONG charWidth,
                                LONG charHeight, LONG, LONG, const BYTE* text, DWORD textLength,
                                BYTE*) {
  return TextLine("PrintText", id, x, y, direction, charWidth, charHeight, text, textLength);
}

BOOL PrintingHandler::PrintBarcode(WORD id, LONG x, LONG y, LONG direction, LONG charWidth,
                                   LONG charHeight, LONG, LONG, const BYTE* text, DWORD textLength,
                                   BYTE*) {
  return TextLine("PrintBarcode", id, x, y, direction, charWidth, charHeight, text, textLength);
}

BOOL PrintingHandler::ShapeLine(const char* what, LONG x, LONG y, LONG dx, LONG dy, LONG colour,
                                LONG directionBits, LONG width) {
  return Line("%s x=%d y=%d dx=%d dy=%d colour=0x%06X xor=%d width=%d", what, x, y, dx, dy,
              static_cast<unsigned>(colour), directionBits, width);
}

BOOL PrintingHandler::DrawLine(WORD, LONG x, LONG y, LONG dx, LONG dy, LONG colour,
                               LONG directionBits, LONG width, BYTE*) {
  return ShapeLine("DrawLine", x, y, dx, dy, colour, directionBits, width);
}

BOOL PrintingHandler::DrawBox(WORD, LONG x, LONG y, LONG dx, LONG dy, LONG colour,
                              LONG directionBits, LONG width, BYTE*) {
  return ShapeLine("DrawBox", x, y, dx, dy, colour, directionBits, width);
}

BOOL PrintingHandler::PassThrough(WORD value, const BYTE* bytes, DWORD length) {
  return Line("PassThrough value=%u \"%s\"", value, Escaped(bytes, length).c_str());
}

}  // namespace trv::dump
