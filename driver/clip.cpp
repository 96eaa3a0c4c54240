#include "driver/clip.h"

#include <algorithm>

namespace trv::driver {

ClipCover CoverOf(CLIPOBJ* clip, LONG left, LONG top, LONG right, LONG bottom) {
  if (clip == nullptr || clip->iDComplexity == DC_TRIVIAL) return ClipCover::kWhole;
  // Clip rectangles exclude their right and bottom edges.
  auto holds = [&](const RECTL& r) {
    return r.left <= left && right < r.right && r.top <= top && bottom < r.bottom;
  };
  auto meets = [&](const RECTL& r) {
    return r.left <= right && left < r.right && r.top <= bottom && top < r.bottom;
  };
  if (clip->iDComplexity != DC_COMPLEX) {
    if (holds(clip->rclBounds)) return ClipCover::kWhole;
    return meets(clip->rclBounds) ? ClipCover::kPart : ClipCover::kNone;
  }
  struct {
    ULONG c;
    RECTL arcl[16];
  } rects;
  bool seen = false;
  CLIPOBJ_cEnumStart(clip, FALSE, CT_RECTANGLES, CD_ANY, 0);
  for (bool more = true; more;) {
    rects.c = 0;
    more = CLIPOBJ_bEnum(clip, sizeof rects, reinterpret_cast<ULONG*>(&rects)) != FALSE;
    for (ULONG i = 0; i < std::min<ULONG>(rects.c, 16); ++i) {
      if (holds(rects.arcl[i])) return ClipCover::kWhole;
      seen = seen || meets(rects.arcl[i]);
    }
  }
  return seen ? ClipCover::kPart : ClipCover::kNone;
}

}  // namespace trv::driver
