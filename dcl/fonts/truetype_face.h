// TrueType faces read with FreeType from a file reached by its Windows path (the
// file is read through the platform's file calls, so it may live anywhere the
// platform maps). FreeType is set up and released around each use.
#pragma once

#include <functional>
#include <string>

#include "dcl/fonts/ufm.h"

namespace trv::dcl::fonts {

// Calls `visit(index, family, style)` for each face of the file (one for a .ttf, each
// face of a collection) until it returns true; ERROR_SUCCESS when a visit accepted a
// face, ERROR_FILE_NOT_FOUND when none did, or the error of opening the file.
DWORD VisitFaces(const std::string& windowsPath,
                 const std::function<bool(long index, const std::string& family,
                                          const std::string& style)>& visit);

// The metrics of face `index`: ERROR_SUCCESS; ERROR_GEN_FAILURE when FreeType cannot
// open it; ERROR_BAD_FORMAT when the face lacks the OS/2, hhea or post table or its
// names. A glyph whose advance cannot be loaded gets width 0 and sets `glyphFailed`.
DWORD ReadFaceMetrics(const std::string& windowsPath, long index, FaceMetrics& face,
                      bool& glyphFailed);

}  // namespace trv::dcl::fonts

#include <memory>
#include <vector>

namespace trv::dcl::fonts {

// The sizes of a face made at a cell height, as Windows reports them for a font
// created with a positive height: ascent and descent from the face's Windows
// metrics, their sum the height.
struct RasterMetrics {
  int height = 0;
  int ascent = 0;
  int descent = 0;
  int maxCharWidth = 0;
  int averageCharWidth = 0;
  int externalLeading = 0;
};

// One character drawn in black on white: its ABC widths (a the left bearing, b the
// width of its black box, c what is left of the advance), and the rows of the black
// box that hold black pixels: `rows` rows from `top` (counted from the top of the
// cell, whose baseline lies `ascent` rows down), `(b + 7) / 8` bytes each, bit 7 of
// a row's first byte the box's leftmost column, 1 black. A blank character has no
// rows.
struct RasterGlyph {
  int a = 0, b = 0, c = 0;
  int top = 0;
  int rows = 0;
  std::vector<BYTE> bits;
  int Advance() const { return a + b + c; }
  int BytesPerRow() const { return (b + 7) / 8; }
  bool Black(int row, int column) const {
    return (bits[static_cast<size_t>(row) * BytesPerRow() + column / 8] & (0x80 >> (column % 8))) !=
           0;
  }
};

// Draws the characters of one face at one size into 1-bit glyphs with FreeType's
// monochrome renderer. Character codes are those of the Windows Western code page.
class GlyphRasteriser {
 public:
  GlyphRasteriser();
  ~GlyphRasteriser();
  GlyphRasteriser(const GlyphRasteriser&) = delete;
  GlyphRasteriser& operator=(const GlyphRasteriser&) = delete;

  // Opens face `index` of the file at the cell height `height` in dots (ascent plus
  // descent) and, when `averageWidth` is not 0, that average character width.
  // ERROR_SUCCESS; the file's error; ERROR_GEN_FAILURE when FreeType refuses the face;
  // ERROR_BAD_FORMAT without Windows metrics; ERROR_INVALID_PARAMETER for a height
  // below 1.
  DWORD Open(const std::string& windowsPath, long index, int height, int averageWidth);
  const RasterMetrics& Metrics() const { return metrics_; }
  // ERROR_SUCCESS with the glyph (a character the face lacks draws its missing-glyph
  // box, as Windows does), or ERROR_GEN_FAILURE when FreeType cannot draw it.
  DWORD Render(BYTE code, RasterGlyph& glyph);

 private:
  struct State;
  std::unique_ptr<State> state_;
  RasterMetrics metrics_;
};

// The Unicode character of a code of the Windows Western code page (1252); the five
// unassigned codes map to themselves.
char16_t WesternCharacter(BYTE code);

}  // namespace trv::dcl::fonts
