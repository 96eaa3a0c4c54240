// EPL soft fonts: a font the printer keeps under one lower-case letter, sent with "ES"
// as bitmaps of its characters, upright, turned by 90 degrees, or both, and removed
// with "EK". Everything is checked before the first byte goes out, and a download
// whose write fails stops there and counts as failed.
#pragma once

#include <functional>
#include <vector>

#include "dcl/fonts/font_download.h"
#include "dcl/fonts/truetype_face.h"
#include "dcl/model/entries.h"
#include "platform/windef.h"

namespace trv::dcl::epl {

// One character's bitmap: `rows` rows of (width + 7) / 8 bytes, leftmost dot in bit 7,
// 1 = black (the printer's sense).
struct SoftGlyph {
  BYTE code = 0;
  DWORD width = 0;
  DWORD rows = 0;
  std::vector<BYTE> bits;
};

enum SoftFontOrientation : BYTE { kUprightOnly = 0, kRotatedOnly = 1, kBothOrientations = 2 };

struct SoftFont {
  char letter = 'a';
  SoftFontOrientation orientation = kUprightOnly;
  // The height every upright character is sent with: the font's height byte and the
  // number of rows of each upright character are this one value.
  DWORD height = 0;
  std::vector<SoftGlyph> upright;  // first..last, when the orientation has them
  // Turned by 90 degrees: each row runs across the character's height, and it has as
  // many rows as the character is wide; that width is sent as rows + 1 and rows.
  std::vector<SoftGlyph> rotated;
};

using WriteFn = std::function<BOOL(const void* bytes, DWORD count)>;

// Whether a font can be sent: a letter a to z, 1 to 255 characters in each form sent,
// a height of 1 to 255 that every upright character fills exactly, widths that fit a
// byte (a turned character's rows + 1 too), and bitmaps of the size their numbers say.
bool CanSendSoftFont(const SoftFont& font);

// Sends the font: LF "N" LF, the deletion of the letter, "ES", the letter, the counts,
// then the characters. FALSE with ERROR_INVALID_PARAMETER (nothing sent) for a font
// that cannot be sent, or with the write's error when a write fails (the rest unsent).
BOOL SendSoftFont(const SoftFont& font, const WriteFn& write);

// Sends the font and, only when all of it went out, enters it in the installed-font
// list: the entry of the same letter is replaced (keeping its id), otherwise a new entry
// with the next free id is added; the entry's key becomes 0xFFFF and its flags get the
// downloaded-font bit. The entry's command macro is the text of the letter.
BOOL DownloadSoftFont(const SoftFont& font, const WriteFn& write, TextFontEntry entry,
                      std::vector<TextFontEntry>& installed);

// A character drawn upright in a bitmap as wide as its advance (A + B + C) and
// `height` rows high, its baseline `ascent` rows down; what falls outside is cut.
SoftGlyph UprightSoftGlyph(BYTE code, const fonts::RasterGlyph& glyph, DWORD height);
// The upright bitmap turned by 90 degrees clockwise, as a font made with escapement
// -900 draws it: `height` dots wide and as many rows as the character's advance.
SoftGlyph TurnedSoftGlyph(const SoftGlyph& upright, DWORD height);

// Draws the request's characters (letter, orientation, range) with an opened face into
// the font, stepping `step` after each character of each form. ERROR_SUCCESS or the
// rasteriser's error.
DWORD RasteriseSoftFont(fonts::GlyphRasteriser& raster, const fonts::FontDownloadRequest& request,
                        SoftFont& font, const std::function<void()>& step);

}  // namespace trv::dcl::epl
