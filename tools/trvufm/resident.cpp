#include "tools/trvufm/resident.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>

namespace trv::tools {
namespace {

std::string Trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r");
  size_t e = s.find_last_not_of(" \t\r");
  return b == std::string::npos ? "" : s.substr(b, e - b + 1);
}

bool Number(const std::string& s, unsigned long max, unsigned long& out) {
  char* end = nullptr;
  out = std::strtoul(s.c_str(), &end, 0);
  return !s.empty() && *end == 0 && out <= max;
}

}  // namespace

bool ParseResidentFonts(const std::string& text, std::vector<ResidentFont>& fonts,
                        std::string& error) {
  std::istringstream in(text);
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    line = Trim(line);
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> fields;
    std::istringstream parts(line);
    for (std::string f; std::getline(parts, f, ',');) fields.push_back(Trim(f));
    ResidentFont font;
    unsigned long w = 0, h = 0, first = 0, last = 0;
    bool ok = fields.size() == 7 && !fields[0].empty() && fields[0].size() < 16 &&
              !fields[1].empty() && Number(fields[2], 0x7FFF, w) && w > 0 &&
              Number(fields[3], 0x7FFF, h) && h > 1 && Number(fields[4], 0xFFFF, first) &&
              Number(fields[5], 0xFFFF, last) && first <= last &&
              (fields[6] == "fixed" || fields[6] == "variable");
    if (!ok) {
      error = "line " + std::to_string(number) +
              ": expected metrics file, face name, cell width, "
              "cell height, first, last, fixed|variable";
      return false;
    }
    font.metricsFile = fields[0];
    font.faceName = fields[1];
    font.cellWidth = static_cast<int>(w);
    font.cellHeight = static_cast<int>(h);
    font.firstChar = static_cast<unsigned>(first);
    font.lastChar = static_cast<unsigned>(last);
    font.fixedPitch = fields[6] == "fixed";
    fonts.push_back(font);
  }
  return true;
}

dcl::fonts::FaceMetrics ResidentFaceMetrics(const ResidentFont& font) {
  dcl::fonts::FaceMetrics f;
  f.family.assign(font.faceName.begin(), font.faceName.end());
  f.style = u"Regular";
  f.fixedPitch = font.fixedPitch;
  f.panose[0] = 2;  // Latin text
  f.panose[3] = font.fixedPitch ? 9 : 3;
  f.weight = 400;
  // Font units are dots: the em is the cell's height, four fifths above the baseline.
  auto h = static_cast<SHORT>(font.cellHeight);
  auto w = static_cast<SHORT>(font.cellWidth);
  auto ascent = static_cast<SHORT>(font.cellHeight * 4 / 5);
  auto descent = static_cast<SHORT>(h - ascent);
  f.unitsPerEm = h;
  f.lowestPPEm = h;
  f.winAscender = ascent;
  f.winDescender = descent;
  f.typoAscender = ascent;
  f.typoDescender = static_cast<SHORT>(-descent);
  f.aveCharWidth = w;
  f.maxCharInc = w;
  f.capHeight = static_cast<SHORT>(ascent * 7 / 8);
  f.xHeight = static_cast<SHORT>(ascent * 5 / 8);
  f.underscoreSize = static_cast<SHORT>(h / 12 > 0 ? h / 12 : 1);
  f.underscorePosition = static_cast<SHORT>(-descent / 2);
  f.strikeoutSize = f.underscoreSize;
  f.strikeoutPosition = static_cast<SHORT>(ascent / 3);
  f.firstChar = static_cast<USHORT>(font.firstChar);
  f.lastChar = static_cast<USHORT>(font.lastChar);
  f.defaultChar = 0;
  f.breakChar = static_cast<USHORT>(font.firstChar <= 0x20 ? 0x20 - font.firstChar : 0);
  f.fontBox[0] = 0;
  f.fontBox[1] = -descent;
  f.fontBox[2] = w;
  f.fontBox[3] = ascent;
  std::copy_n("TRV ", 4, f.vendId);
  if (!font.fixedPitch) f.widths.assign(font.lastChar - font.firstChar + 1, static_cast<USHORT>(w));
  return f;
}

}  // namespace trv::tools
