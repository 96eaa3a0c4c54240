#include "dcl/cpcl/cisdf.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace trv::dcl {

namespace {

constexpr int kMaxGlyphExtent = 254;
constexpr size_t kMaxRunBytes = 200;
constexpr int kMaxPairs = 127;
constexpr int kLongRun = 254;

void Text(std::vector<BYTE>& out, const std::string& line) {
  out.insert(out.end(), line.begin(), line.end());
}
void Line(std::vector<BYTE>& out, const std::string& line) {
  Text(out, line);
  out.push_back('\r');
  out.push_back('\n');
}
void Put32BigEndian(std::vector<BYTE>& out, size_t at, DWORD v) {
  out[at] = static_cast<BYTE>(v >> 24);
  out[at + 1] = static_cast<BYTE>(v >> 16);
  out[at + 2] = static_cast<BYTE>(v >> 8);
  out[at + 3] = static_cast<BYTE>(v);
}

bool Black(const CisdfGlyph& g, int row, int x) {
  return (g.bits[static_cast<size_t>(row) * g.bytesPerRow + x / 8] & (0x80 >> (x % 8))) != 0;
}

// The run list of a row: white, black, white ... from a white run; runs of 255 or
// more split as 254, an empty run of the other colour, and the rest; the trailing
// white run left out.
std::vector<BYTE> RunList(const CisdfGlyph& g, int row) {
  std::vector<int> runs;
  const int width = g.bytesPerRow * 8;
  bool colour = false;  // white
  int run = 0;
  for (int x = 0; x < width; ++x) {
    if (Black(g, row, x) == colour) {
      ++run;
      continue;
    }
    runs.push_back(run);
    colour = !colour;
    run = 1;
  }
  if (colour) runs.push_back(run);  // a black run at the end; white at the end is dropped
  std::vector<BYTE> out;
  for (size_t i = 0; i < runs.size(); ++i) {
    int r = runs[i];
    while (r > kLongRun) {
      out.push_back(kLongRun);
      out.push_back(0);
      r -= kLongRun;
    }
    out.push_back(static_cast<BYTE>(r));
  }
  return out;
}

}  // namespace

bool CompressGlyphRows(const CisdfGlyph& g, std::vector<BYTE>& out) {
  std::vector<BYTE> result;
  int row = 0;
  while (row < g.rows) {
    const std::vector<BYTE> runs = RunList(g, row);
    if (runs.size() > kMaxRunBytes || runs.size() / 2 > kMaxPairs) return false;
    int repeat = 1;
    while (row + repeat < g.rows && repeat < 255 && RunList(g, row + repeat) == runs) ++repeat;
    const BYTE pairs = static_cast<BYTE>(runs.size() / 2);
    // A blank row always carries its count.
    const bool counted = repeat > 1 || pairs == 0;
    result.push_back(static_cast<BYTE>((counted ? 0x80 : 0) | pairs));
    if (counted) result.push_back(static_cast<BYTE>(repeat));
    result.insert(result.end(), runs.begin(), runs.end());
    row += repeat;
  }
  out.insert(out.end(), result.begin(), result.end());
  return true;
}

std::string CisdfFontName(int number) {
  char name[16];
  std::snprintf(name, sizeof name, "%08d", number);
  return name;
}

std::vector<BYTE> BuildCisdfFile(const CisdfFont& font, bool& allFitted) {
  allFitted = true;
  std::vector<BYTE> out;
  Line(out, "CISBF");
  Line(out, "-DESC TAG");
  if (font.number > 0) Line(out, "-NUMBER " + std::to_string(font.number));
  Line(out, "-SIZES 1");
  Line(out, "1 1 " + std::to_string(font.cellHeight));
  Line(out, "-END-FONT-INFO");

  const size_t binary = out.size();
  out.push_back(static_cast<BYTE>(font.first));
  out.push_back(static_cast<BYTE>(font.last));
  const int count = font.last - font.first + 1;
  const size_t table = out.size();
  out.resize(table + 4 * static_cast<size_t>(count), 0);
  for (int i = 0; i < count; ++i) {
    if (static_cast<size_t>(i) >= font.glyphs.size() || !font.glyphs[i]) continue;
    const CisdfGlyph& g = *font.glyphs[i];
    if (g.bytesPerRow > kMaxGlyphExtent || g.rows > kMaxGlyphExtent) {
      allFitted = false;
      continue;
    }
    std::vector<BYTE> body;
    bool compressed = font.compress && CompressGlyphRows(g, body);
    if (!compressed) {
      body.assign(g.bits.begin(),
                  g.bits.begin() + static_cast<long>(static_cast<size_t>(g.rows) * g.bytesPerRow));
    }
    Put32BigEndian(out, table + 4 * static_cast<size_t>(i),
                   static_cast<DWORD>(out.size() - binary));
    out.push_back(compressed ? 1 : 0);
    out.push_back(static_cast<BYTE>(g.bytesPerRow));
    out.push_back(static_cast<BYTE>(g.top));
    out.push_back(static_cast<BYTE>(g.rows));
    out.push_back(static_cast<BYTE>(-g.a));
    out.push_back(static_cast<BYTE>(8 * g.bytesPerRow - g.b - g.c));
    out.insert(out.end(), body.begin(), body.end());
  }

  const size_t trailer = out.size();
  const std::string range = std::to_string(font.first) + "-" + std::to_string(font.last);
  Text(out, "RNG");
  out.push_back(static_cast<BYTE>(range.size()));
  Text(out, range);
  Text(out, "LOG");
  out.push_back(static_cast<BYTE>(font.logFont.size()));
  out.insert(out.end(), font.logFont.begin(), font.logFont.end());
  Text(out, "CEN");
  out.push_back(1);
  out.push_back('0');
  Text(out, "ENDCISTD");
  const size_t length = out.size() - trailer + 2 + 5;
  out.push_back(static_cast<BYTE>(length >> 8));
  out.push_back(static_cast<BYTE>(length));
  out.insert(out.end(), 5, 0);
  return out;
}

WORD CisdfCheckValue(const std::vector<BYTE>& file) {
  DWORD sum = 0;
  for (BYTE b : file) sum += b;
  return static_cast<WORD>(0x10000 - (sum & 0xFFFF));
}

}  // namespace trv::dcl

namespace trv::dcl {

namespace {
constexpr int kCompressAbove = 29;  // dots of font height above which glyphs are compressed
constexpr size_t kLogFontNumbers = 28;
constexpr size_t kFaceNameLimit = 31;  // a LOGFONT's face name holds 32 with its terminator
constexpr int kSpace = 32;

void PutLe32(std::vector<BYTE>& out, LONG v) {
  const DWORD u = static_cast<DWORD>(v);
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<BYTE>(u >> (8 * i)));
}
}  // namespace

CisdfCell CisdfCellOf(const fonts::RasterMetrics& m) {
  return {m.maxCharWidth * 3 / 2, m.height * 11 / 10};
}

std::optional<CisdfGlyph> CisdfGlyphOf(int code, const fonts::RasterGlyph& glyph,
                                       const CisdfCell& cell) {
  // Drawn at x = -A when A is negative, so the black box starts at column max(A, 0);
  // what falls outside the cell is cut as drawing into the cell's bitmap cuts it.
  const int start = std::max(glyph.a, 0);
  const int columns = std::max(0, std::min(glyph.b, cell.width - start));
  int first = -1, last = -1;
  for (int r = 0; r < glyph.rows && columns > 0; ++r) {
    const int y = glyph.top + r;
    if (y < 0 || y >= cell.height) continue;
    bool black = false;
    for (int x = 0; x < columns && !black; ++x) black = glyph.Black(r, x);
    if (!black) continue;
    if (first < 0) first = r;
    last = r;
  }
  CisdfGlyph g;
  g.a = glyph.a;
  if (first < 0) {
    if (code != kSpace) return std::nullopt;
    g.c = glyph.Advance() - glyph.a;
    return g;
  }
  g.b = columns;
  g.c = glyph.Advance() - glyph.a - columns;
  g.top = glyph.top + first;
  g.rows = last - first + 1;
  g.bytesPerRow = (columns + 7) / 8;
  g.bits.assign(static_cast<size_t>(g.rows) * g.bytesPerRow, 0);
  for (int r = 0; r < g.rows; ++r)
    for (int x = 0; x < columns; ++x)
      if (glyph.Black(first + r, x))
        g.bits[static_cast<size_t>(r) * g.bytesPerRow + x / 8] |=
            static_cast<BYTE>(0x80 >> (x % 8));
  return g;
}

std::vector<BYTE> CisdfLogFont(const fonts::FontDownloadRequest& request, LONG height, LONG width) {
  std::vector<BYTE> out;
  PutLe32(out, height);
  PutLe32(out, width);
  PutLe32(out, 0);  // escapement
  PutLe32(out, 0);  // orientation
  PutLe32(out, fonts::StyleWeight(request.style));
  out.push_back((request.style & fonts::kStyleItalic) ? 1 : 0);
  out.push_back((request.effects & fonts::kEffectUnderline) ? 1 : 0);
  out.push_back((request.effects & fonts::kEffectStrikeOut) ? 1 : 0);
  out.insert(out.end(), 5, 0);  // Western character set, default precisions, quality, pitch
  const std::string face = request.faceName.substr(0, kFaceNameLimit);
  out.insert(out.end(), face.begin(), face.end());
  static_assert(kLogFontNumbers == 28);
  return out;
}

DWORD RasteriseCisdfFont(fonts::GlyphRasteriser& raster, const fonts::FontDownloadRequest& request,
                         LONG height, LONG width, CisdfFont& font,
                         const std::function<void()>& step) {
  const fonts::RasterMetrics& metrics = raster.Metrics();
  const CisdfCell cell = CisdfCellOf(metrics);
  font = CisdfFont{};
  font.number = request.number;
  font.cellHeight = cell.height;
  fonts::CharacterRange(request.characters, font.first, font.last);
  font.compress = metrics.height > kCompressAbove;
  font.logFont = CisdfLogFont(request, height, width);
  for (int code = font.first; code <= font.last; ++code) {
    fonts::RasterGlyph glyph;
    if (DWORD rc = raster.Render(static_cast<BYTE>(code), glyph); rc != ERROR_SUCCESS) return rc;
    font.glyphs.push_back(CisdfGlyphOf(code, glyph, cell));
    if (font.glyphs.back() && step) step();
  }
  return ERROR_SUCCESS;
}

}  // namespace trv::dcl
