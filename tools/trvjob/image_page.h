// Page bitmaps read from image files for trvjob --image: PBM (P1, P4) as it stands,
// PGM (P2, P5) and PNG reduced to black and white at half grey.
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

// Throws std::runtime_error naming the file and the problem.
ImagePage ReadImagePage(const std::string& path);

}  // namespace trv::samples
