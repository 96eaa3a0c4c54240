// What a font download is asked for: the face, its style and size, the characters
// and the name the printer keeps it under. The font-download dialog fills it; tools
// that download without the dialog fill it themselves.
#pragma once

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "dcl/fonts/font_management.h"
#include "dcl/fonts/truetype_face.h"
#include "dcl/model/entries.h"
#include "dcl/model/text_heap.h"
#include "platform/windef.h"

namespace trv::dcl::fonts {

// Style words and character sets as the dialog records them.
inline constexpr DWORD kStyleRegular = 0x01;
inline constexpr DWORD kStyleBold = 0x02;
inline constexpr DWORD kStyleItalic = 0x04;
inline constexpr DWORD kEffectStrikeOut = 0x01;
inline constexpr DWORD kEffectUnderline = 0x02;
inline constexpr DWORD kCharactersStandard = 0x01;
inline constexpr DWORD kCharactersExtended = 0x02;
inline constexpr DWORD kCharactersLowerCase = 0x04;
inline constexpr DWORD kCharactersUpperCase = 0x08;
inline constexpr DWORD kCharactersNumeric = 0x10;

// Orientations of an EPL soft font (the codes the printer is sent).
inline constexpr BYTE kOrientationUpright = 0;
inline constexpr BYTE kOrientationTurned = 1;
inline constexpr BYTE kOrientationBoth = 2;

struct FontDownloadRequest {
  std::string faceName;
  DWORD style = kStyleRegular;
  DWORD effects = 0;
  DWORD characters = kCharactersStandard;
  int points = 0;                          // size in points
  int widthPoints = 0;                     // 0: the face's own width
  int number = 0;                          // CPCL: the font number, 9 to 20
  char letter = 0;                         // EPL: the soft font's letter, a to z
  BYTE orientation = kOrientationUpright;  // EPL
  // Called after each step with the steps done and their total.
  std::function<void(int done, int total)> progress;
};

// The first and last character code of a character-set selection; Extended wins over
// Standard, and a selection of none starts at 32.
inline void CharacterRange(DWORD characters, int& first, int& last) {
  first = 32;
  last = 127;
  if (characters & kCharactersExtended) {
    last = 255;
  } else if (characters & kCharactersStandard) {
  } else if (characters & kCharactersLowerCase) {
    first = 97, last = 122;
  } else if (characters & kCharactersUpperCase) {
    first = 65, last = 90;
  } else if (characters & kCharactersNumeric) {
    first = 48, last = 57;
  }
}

// The Windows weight of a style word.
inline LONG StyleWeight(DWORD style) { return (style & kStyleBold) ? 700 : 400; }

// Finds the TrueType file of the request's face and style and opens it at the given
// cell height and average width in dots: ERROR_SUCCESS, ERROR_FILE_NOT_FOUND when
// the machine has no file for the face, or the rasteriser's error.
inline DWORD OpenDownloadFace(const FontDownloadRequest& request, LONG height, LONG width,
                              GlyphRasteriser& raster) {
  std::string file;
  long faceIndex = 0;
  if (DWORD rc = FindTrueTypeFace(request.faceName, request.style, file, faceIndex)) return rc;
  // The fonts key names a file of the fonts folder or, now and then, a whole path.
  if (file.find_first_of("\\/:") == std::string::npos) file = WindowsFontsDirectory() + file;
  return raster.Open(file, faceIndex, height, width);
}

// The installed-list entry of a font the printer now keeps under `macro`. It is a
// TrueType font of the system: applications print with the face itself, and text in
// that face at the downloaded size and in the downloaded characters goes to the
// printer's copy. Saving the list generates its metrics from the face, under the name
// of the face's file (or, for a name too long for the entry, one made from the face).
inline TextFontEntry DownloadedFontEntry(const FontDownloadRequest& request,
                                         const std::string& macro, WORD flags) {
  TextFontEntry entry{};
  entry.key = ANY_KEY;
  entry.name = TextHeapAdd(request.faceName);
  entry.commandMacro = TextHeapAdd(macro);
  entry.flags = flags;
  FontInfo& info = entry.info;
  std::snprintf(info.faceName, sizeof info.faceName, "%s", request.faceName.c_str());
  info.flags = kFontInfoTrueType;
  info.pointSize = request.points;
  info.characterClasses = request.characters;
  info.styleMask = request.style;
  const char* face = info.faceName;
  if (!FindTrueTypeFile(face, request.style, info.trueTypeFile, sizeof info.trueTypeFile))
    info.trueTypeFile[0] = 0;
  if (!MetricsFileNameFor(face, request.style, info.metricsFile, sizeof info.metricsFile)) {
    DWORD hash = 2166136261u;  // FNV-1a over the face and style
    for (unsigned char c : request.faceName + static_cast<char>('0' + (request.style & 7)))
      hash = (hash ^ c) * 16777619u;
    std::snprintf(info.metricsFile, sizeof info.metricsFile, "DL%08X.UFM", hash);
  }
  return entry;
}

// Enters a downloaded font in the installed text-font list: the entry with the same
// command macro is replaced and keeps its id, otherwise the entry is added with the
// next free id. Returns the entry's id.
inline WORD EnterDownloadedFont(TextFontEntry entry, std::vector<TextFontEntry>& installed) {
  const std::string_view macro = TextHeapText(entry.commandMacro);
  for (TextFontEntry& e : installed) {
    if (TextHeapText(e.commandMacro) == macro) {
      entry.id = e.id;
      e = entry;
      return entry.id;
    }
  }
  WORD next = 0;
  for (const TextFontEntry& e : installed) next = std::max<WORD>(next, e.id + 1);
  entry.id = next;
  installed.push_back(entry);
  return entry.id;
}

}  // namespace trv::dcl::fonts
