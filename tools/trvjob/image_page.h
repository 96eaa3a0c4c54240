// Images read from PBM (P1, P4), PGM (P2, P5) and PNG files: in grey levels (what
// trvprint draws), or as page bitmaps for trvjob --image, reduced to black and white
// by the graphics driver's own reductions, so that a job made here carries the page a
// printer would get from the driver (PBM comes out as it stands with any of them).
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

// The driver's reductions of a grey page: threshold (white above half grey), ordered
// dither, error diffusion.
enum class Reduction { kThreshold, kOrderedDither, kErrorDiffusion };

// Both throw std::runtime_error naming the file and the problem.
GreyImage ReadGreyImage(const std::string& path);
ImagePage ReadImagePage(const std::string& path, Reduction reduction = Reduction::kThreshold);

// The grey image as the driver reduces a page of those greys (std::bad_alloc when the
// page cannot be had).
ImagePage ReduceImage(const GreyImage& image, Reduction reduction);

// Writes a page as a 1-bit greyscale PNG: a dot is black (0) or white (1) as in the
// page, the bits past the width are no part of it. Pages with the same dots give the
// same file. Throws std::runtime_error naming the file and the problem; ReadImagePage
// reads the file back to the same page.
void WritePagePng(const std::string& path, const ImagePage& page);

// The file of page `number` (from 1) of a run of pages written under one name: the
// name itself for page 1, then "-2", "-3" ... before a ".png" ending (or at the end):
// OUT.png, OUT-2.png, OUT-3.png.
std::string NumberedPagePath(const std::string& path, size_t number);

}  // namespace trv::samples
