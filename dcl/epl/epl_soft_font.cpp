#include "dcl/epl/epl_soft_font.h"

#include <algorithm>
#include <string>

#include "dcl/epl/epl_commands.h"
#include "dcl/model/text_heap.h"
#include "platform/kernel.h"

namespace trv::dcl::epl {
namespace {

DWORD RowBytes(DWORD width) { return (width + 7) / 8; }

bool GlyphFits(const SoftGlyph& g, DWORD rows) {
  return g.width <= 255 && g.rows == rows &&
         g.bits.size() == static_cast<size_t>(rows) * RowBytes(g.width);
}

bool SendsUpright(const SoftFont& f) { return f.orientation != kRotatedOnly; }
bool SendsRotated(const SoftFont& f) { return f.orientation != kUprightOnly; }

}  // namespace

bool CanSendSoftFont(const SoftFont& font) {
  if (!IsSoftFontLetter(font.letter) || font.orientation > kBothOrientations) return false;
  const size_t count = SendsUpright(font) ? font.upright.size() : font.rotated.size();
  if (count == 0 || count > 255 || font.height == 0 || font.height > 255) return false;
  if (SendsUpright(font)) {
    if (font.upright.size() != count) return false;
    for (const SoftGlyph& g : font.upright)
      if (!GlyphFits(g, font.height)) return false;
  }
  if (SendsRotated(font)) {
    if (font.rotated.size() != count) return false;
    // The width byte of a turned character is its row count + 1.
    for (const SoftGlyph& g : font.rotated)
      if (g.rows == 0 || g.rows >= 255 || !GlyphFits(g, g.rows)) return false;
  }
  return true;
}

BOOL SendSoftFont(const SoftFont& font, const WriteFn& write) {
  if (!CanSendSoftFont(font)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  auto send = [&write](const std::string& s) {
    return write(s.data(), static_cast<DWORD>(s.size()));
  };
  const size_t count = SendsUpright(font) ? font.upright.size() : font.rotated.size();
  std::string head = "ES\"";
  head += font.letter;
  head += '"';
  head += static_cast<char>(count);
  head += static_cast<char>(font.orientation);
  head += static_cast<char>(font.height);
  if (!send("\nN\n") || !send(DeleteFontLine(font.letter)) || !send(head)) return FALSE;
  if (SendsUpright(font)) {
    for (const SoftGlyph& g : font.upright) {
      const char cell[3] = {static_cast<char>(g.code), static_cast<char>(g.width),
                            static_cast<char>(RowBytes(g.width))};
      if (!write(cell, 3)) return FALSE;
      if (!g.bits.empty() && !write(g.bits.data(), static_cast<DWORD>(g.bits.size()))) return FALSE;
    }
  }
  if (SendsRotated(font)) {
    for (const SoftGlyph& g : font.rotated) {
      const char cell[3] = {static_cast<char>(g.code), static_cast<char>(g.rows + 1),
                            static_cast<char>(g.rows)};
      if (!write(cell, 3)) return FALSE;
      if (!g.bits.empty() && !write(g.bits.data(), static_cast<DWORD>(g.bits.size()))) return FALSE;
    }
  }
  return TRUE;
}

BOOL DownloadSoftFont(const SoftFont& font, const WriteFn& write, TextFontEntry entry,
                      std::vector<TextFontEntry>& installed) {
  if (!SendSoftFont(font, write)) return FALSE;
  entry.key = 0xFFFF;
  entry.flags |= kDownloadedFontFlag;
  const char letter[2] = {font.letter, 0};
  for (TextFontEntry& e : installed) {
    if (std::string_view(TextHeapText(e.commandMacro)) == letter) {
      entry.id = e.id;
      e = entry;
      return TRUE;
    }
  }
  WORD next = 0;
  for (const TextFontEntry& e : installed) next = std::max<WORD>(next, e.id + 1);
  entry.id = next;
  installed.push_back(entry);
  return TRUE;
}

}  // namespace trv::dcl::epl
