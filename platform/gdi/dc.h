// Device contexts and the GDI objects selected into them. Internal to the platform
// library.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/wingdi.h"

namespace trv::gdi {

// True for a device context of this process (printer or memory).
bool IsDc(HDC dc);

// The printer's own faces of a printer DC at their design size, in the DC's logical
// units, in the driver's order; empty for any other DC.
struct DeviceFaceDescription {
  std::u16string family;
  TEXTMETRICW metrics{};
  UINT emHeight = 0;
};
std::vector<DeviceFaceDescription> DescribeDeviceFaces(HDC dc);

// The face the font mapper picks for a request.
struct FontChoice {
  std::string hostPath;
  int index = 0;
  std::string family;
};
bool FindFontFile(const std::string& family, int weight, bool italic, FontChoice* choice);

}  // namespace trv::gdi
