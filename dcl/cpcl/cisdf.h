// Fonts downloaded to a CPCL printer: the CISDF font file built from rasterised
// glyphs, and its announcement ("! CISDF", name, size, check value) on the port.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "dcl/fonts/font_download.h"
#include "dcl/fonts/truetype_face.h"
#include "platform/windef.h"

namespace trv::dcl {

// One rasterised glyph: `rows` rows of `bytesPerRow` bytes from `top` of the cell,
// bit 7 of a row's first byte its leftmost pixel, 1 black; the ABC widths of the
// character.
struct CisdfGlyph {
  int top = 0;
  int rows = 0;
  int bytesPerRow = 0;
  int a = 0, b = 0, c = 0;
  std::vector<BYTE> bits;
};

struct CisdfFont {
  int number = 0;      // the font number N (its file is named "%08d.CPF")
  int cellHeight = 0;  // H
  int first = 32, last = 127;
  bool compress = false;      // fonts above 29 dots high
  std::vector<BYTE> logFont;  // the LOGFONT's 28 numeric bytes and the face name
  std::vector<std::optional<CisdfGlyph>> glyphs;  // first..last; empty: no record
};

// The run lists of one glyph's rows, compressed; false when a row cannot be
// compressed (more than 127 run pairs or 200 run bytes), so the glyph goes plain.
bool CompressGlyphRows(const CisdfGlyph& glyph, std::vector<BYTE>& out);

// The whole file. Glyphs with more than 254 bytes per row or rows get no record and
// make `allFitted` false.
std::vector<BYTE> BuildCisdfFile(const CisdfFont& font, bool& allFitted);

// The check value of a file: the two's complement of the low 16 bits of its byte sum.
WORD CisdfCheckValue(const std::vector<BYTE>& file);

// The file name of font number n: eight digits.
std::string CisdfFontName(int number);

// The cell a font is drawn in: 1.5 times its widest character by 1.1 times its height.
struct CisdfCell {
  int width = 0;
  int height = 0;
};
CisdfCell CisdfCellOf(const fonts::RasterMetrics& metrics);

// The glyph record of one character drawn in the cell: the rows of the cell that hold
// black, from the column where its black box starts; nothing for a blank character
// other than the space, which gets a record without rows.
std::optional<CisdfGlyph> CisdfGlyphOf(int code, const fonts::RasterGlyph& glyph,
                                       const CisdfCell& cell);

// The LOGFONT a download is made with, as the file's trailer keeps it: its 28 bytes of
// numbers (little-endian) and the face name without terminator.
std::vector<BYTE> CisdfLogFont(const fonts::FontDownloadRequest& request, LONG height, LONG width);

// Draws the request's characters with an opened face into the font (number, cell
// height, range, compression, glyphs, LOGFONT), stepping `step` after each character
// that gets a record. ERROR_SUCCESS or the rasteriser's error.
DWORD RasteriseCisdfFont(fonts::GlyphRasteriser& raster, const fonts::FontDownloadRequest& request,
                         LONG height, LONG width, CisdfFont& font,
                         const std::function<void()>& step);

}  // namespace trv::dcl
