// Images read from PBM (P1, P4), PGM (P2, P5) and PNG files: in grey levels (what
// trvprint draws), or as page bitmaps for trvjob --image, PBM as it stands and grey
// reduced to black and white at half grey.
#pragma once

#include <string>
#include <vector>

#include "platform/windef.h"

namespace trv::samples {

// A 1-bit page as the graphics driver writes it: rows padded to 32 bits, a 1 bit
// white, a 0 bit black, bits past the width white.
struct ImagePage {
  DWORD width = 0;
  DWORD height = 0;
  DWORD stride = 0;
  std::vector<BYTE> rows;
};

// An image in grey levels, 0 black to 255 white, row after row without padding.
struct GreyImage {
  DWORD width = 0;
  DWORD height = 0;
  std::vector<BYTE> grey;
};

// Both throw std::runtime_error naming the file and the problem.
GreyImage ReadGreyImage(const std::string& path);
ImagePage ReadImagePage(const std::string& path);

}  // namespace trv::samples
