// The text `trvufm show` prints for a UFM image; false with a message when the image
// is damaged (nothing of it is followed then).
#pragma once

#include <span>
#include <string>

#include "platform/windef.h"

namespace trv::tools {

bool DescribeUfm(std::span<const BYTE> image, std::string& text, std::string& error);

}  // namespace trv::tools
