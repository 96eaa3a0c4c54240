// Metrics of printer-resident fonts and bar codes, made from their description: a
// line "metrics file, face name, cell width, cell height, first, last, pitch".
#pragma once

#include <string>
#include <vector>

#include "dcl/fonts/ufm.h"

namespace trv::tools {

struct ResidentFont {
  std::string metricsFile;
  std::string faceName;
  int cellWidth = 0, cellHeight = 0;
  unsigned firstChar = 0x20, lastChar = 0xFF;
  bool fixedPitch = true;
};

// Parses the description file's lines (comments start with '#'); false with a
// message naming the line on a malformed one.
bool ParseResidentFonts(const std::string& text, std::vector<ResidentFont>& fonts,
                        std::string& error);
dcl::fonts::FaceMetrics ResidentFaceMetrics(const ResidentFont& font);

}  // namespace trv::tools
