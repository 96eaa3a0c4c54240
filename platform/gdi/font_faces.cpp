#include "platform/gdi/font_faces.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SFNT_NAMES_H
#include FT_TRUETYPE_IDS_H
#include FT_TRUETYPE_TABLES_H

#include <memory>

#include "platform/kernel/text.h"

namespace trv::gdi {
namespace {

struct LibraryCloser {
  void operator()(FT_Library library) const { FT_Done_FreeType(library); }
};
struct FaceCloser {
  void operator()(FT_Face face) const { FT_Done_Face(face); }
};
using Library = std::unique_ptr<FT_LibraryRec_, LibraryCloser>;
using Face = std::unique_ptr<FT_FaceRec_, FaceCloser>;

// The Windows full name (name id 4) in its UTF-16 form, or "" when the face has none.
std::string FullName(FT_Face face) {
  FT_UInt count = FT_Get_Sfnt_Name_Count(face);
  for (FT_UInt i = 0; i < count; ++i) {
    FT_SfntName name;
    if (FT_Get_Sfnt_Name(face, i, &name) != 0) continue;
    if (name.name_id != TT_NAME_ID_FULL_NAME || name.platform_id != TT_PLATFORM_MICROSOFT) continue;
    std::u16string wide;
    for (FT_UInt n = 0; n + 1 < name.string_len; n += 2)
      wide += static_cast<char16_t>((name.string[n] << 8) | name.string[n + 1]);
    return trv::kernel::WideToAnsi(wide);
  }
  return "";
}

FontFace Describe(FT_Face face) {
  FontFace f;
  f.family = trv::kernel::Utf8ToAnsi(face->family_name ? face->family_name : "");
  f.style = trv::kernel::Utf8ToAnsi(face->style_name ? face->style_name : "");
  f.fullName = FullName(face);
  if (f.fullName.empty()) f.fullName = f.style.empty() ? f.family : f.family + " " + f.style;
  f.italic = (face->style_flags & FT_STYLE_FLAG_ITALIC) != 0;
  f.fixedPitch = FT_IS_FIXED_WIDTH(face);
  f.trueType = FT_IS_SFNT(face) && FT_IS_SCALABLE(face);
  f.unitsPerEm = face->units_per_EM;
  f.ascender = face->ascender;
  f.descender = -face->descender;
  f.lineGap = face->height - face->ascender + face->descender;
  f.maxWidth = face->max_advance_width;
  f.weight = (face->style_flags & FT_STYLE_FLAG_BOLD) ? 700 : 400;
  if (auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2))) {
    if (os2->usWeightClass != 0) f.weight = os2->usWeightClass;
    f.ascender = os2->usWinAscent;
    f.descender = os2->usWinDescent;
    f.averageWidth = os2->xAvgCharWidth;
    f.firstChar = os2->usFirstCharIndex;
    f.lastChar = os2->usLastCharIndex;
    f.panoseFamily = os2->panose[0];
  }
  return f;
}

}  // namespace

std::vector<FontFace> ReadFontFaces(const std::string& hostPath) {
  std::vector<FontFace> faces;
  FT_Library raw = nullptr;
  if (FT_Init_FreeType(&raw) != 0) return faces;
  Library library(raw);
  for (FT_Long index = 0;; ++index) {
    FT_Face rawFace = nullptr;
    if (FT_New_Face(library.get(), hostPath.c_str(), index, &rawFace) != 0) break;
    Face face(rawFace);
    faces.push_back(Describe(face.get()));
    if (index + 1 >= face->num_faces) break;
  }
  return faces;
}

}  // namespace trv::gdi
