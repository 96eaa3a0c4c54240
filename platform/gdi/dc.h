// Device contexts and the GDI objects selected into them. Internal to the platform
// library.
#pragma once

#include <memory>
#include <string>

#include "platform/wingdi.h"

namespace trv::gdi {

// True for a device context of this process (printer or memory).
bool IsDc(HDC dc);

// The face the font mapper picks for a request.
struct FontChoice {
  std::string hostPath;
  int index = 0;
  std::string family;
};
bool FindFontFile(const std::string& family, int weight, bool italic, FontChoice* choice);

}  // namespace trv::gdi
