#include "dcl/cpcl/pcx.h"

#include <algorithm>
#include <cstring>

namespace trv::dcl {

namespace {

constexpr BYTE kMaxRun = 63;
constexpr WORD kPcxResolution = 200;

void PutWord(BYTE* p, size_t at, DWORD value) {
  p[at] = static_cast<BYTE>(value);
  p[at + 1] = static_cast<BYTE>(value >> 8);
}

}  // namespace

DWORD PcxWidth(const ByteRect& rect) { return 8 * (rect.right - rect.left + 1); }

void EncodePcxLine(const BYTE* bytes, size_t count, std::vector<BYTE>& out) {
  size_t i = 0;
  while (i < count) {
    const BYTE v = bytes[i];
    size_t run = 1;
    while (i + run < count && bytes[i + run] == v) ++run;
    i += run;
    // A byte that stands alone and cannot be mistaken for a count goes as itself;
    // everything else as runs of at most 63, the rest of a cut run as a run too.
    if (run == 1 && (v & 0xC0) != 0xC0) {
      out.push_back(v);
      continue;
    }
    while (run > 0) {
      const size_t n = run < kMaxRun ? run : kMaxRun;
      out.push_back(static_cast<BYTE>(0xC0 + n));
      out.push_back(v);
      run -= n;
    }
  }
}

void EncodePcxImage(const PageBitmap& page, const ByteRect& rect, std::vector<BYTE>& out) {
  const DWORD width = PcxWidth(rect);
  const DWORD rows = rect.bottom - rect.top + 1;
  const DWORD lineBytes = (width + 31) / 32 * 4;
  const size_t start = out.size();
  // The worst case of the encoding is two bytes per byte: one block, one allocation.
  out.reserve(start + kPcxHeaderSize + size_t{2} * lineBytes * rows);
  out.resize(start + kPcxHeaderSize, 0);
  BYTE* h = out.data() + start;
  h[0] = 0x0A;
  h[1] = 5;
  h[2] = 1;
  h[3] = 1;
  PutWord(h, 8, width - 1);
  PutWord(h, 10, rows - 1);
  PutWord(h, 12, kPcxResolution);
  PutWord(h, 14, kPcxResolution);
  // Palette: entry 0 black, entry 1 white.
  h[19] = h[20] = h[21] = 0xFF;
  h[65] = 1;
  PutWord(h, 66, lineBytes);
  PutWord(h, 68, 1);
  PutWord(h, 70, width - 1);
  PutWord(h, 72, rows - 1);

  const DWORD inside = rect.right - rect.left + 1;  // byte columns of the rectangle
  std::vector<BYTE> line(lineBytes, 0xFF);
  for (DWORD row = rect.top; row <= rect.bottom; ++row) {
    // Columns past the rectangle, or past the page's stride, are white.
    const DWORD fromPage =
        rect.left < page.stride() ? std::min(inside, page.stride() - rect.left) : 0;
    if (fromPage > 0) std::memcpy(line.data(), page.Row(row) + rect.left, fromPage);
    EncodePcxLine(line.data(), lineBytes, out);
  }
}

}  // namespace trv::dcl
