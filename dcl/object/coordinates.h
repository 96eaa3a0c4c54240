// Page items' coordinates and sizes come from the spool file as its writer put them.
// Sums of them are taken in 64 bits and saturated back to 32, so an item far off the
// page lands far off the label instead of wrapping around onto it.
#pragma once

#include <algorithm>
#include <limits>

#include "platform/windef.h"

namespace trv::dcl {

inline LONG Saturated(long long v) {
  return static_cast<LONG>(
      std::clamp<long long>(v, std::numeric_limits<LONG>::min(), std::numeric_limits<LONG>::max()));
}

}  // namespace trv::dcl
