// Fonts downloaded to a CPCL printer: the CISDF font file built from rasterised
// glyphs, and its announcement ("! CISDF", name, size, check value) on the port.
#pragma once

#include <optional>
#include <string>
#include <vector>

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

}  // namespace trv::dcl
