// The faces of one font file as GDI describes them, read with FreeType.
#pragma once

#include <string>
#include <vector>

namespace trv::gdi {

struct FontFace {
  std::string family;    // ANSI
  std::string style;     // ANSI
  std::string fullName;  // ANSI
  int weight = 400;
  bool italic = false;
  bool fixedPitch = false;
  bool trueType = false;
  int unitsPerEm = 0;
  int ascender = 0;   // positive, font units
  int descender = 0;  // positive, font units
  int lineGap = 0;
  int averageWidth = 0;
  int maxWidth = 0;
  unsigned firstChar = 0x20;
  unsigned lastChar = 0xFF;
  unsigned defaultChar = 0x1F;
  unsigned breakChar = 0x20;
  int panoseFamily = 0;
};

// Every face of the file at the host path (one for a .ttf, each face of a .ttc);
// empty when FreeType cannot open it.
std::vector<FontFace> ReadFontFaces(const std::string& hostPath);

}  // namespace trv::gdi
