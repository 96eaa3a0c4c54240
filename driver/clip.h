// How much of a box a clip leaves visible. A printer object cannot be cut by a clip:
// what the printer draws, it draws whole, so the drawing hooks ask this before they
// queue an object instead of drawing it into the page.
#pragma once

#include "platform/winddi.h"

namespace trv::driver {

enum class ClipCover {
  kWhole,  // every dot of the box is visible
  kPart,   // some dots are visible, maybe all of them under several rectangles
  kNone,   // no dot is visible
};

// The box has inclusive corners (left <= right, top <= bottom). No clip or a trivial
// one shows everything; a rectangle clip shows its bounds; a complex clip shows the
// box whole only when one of its rectangles holds all of it, so that a box spread over
// several rectangles counts as cut (the safe answer for an object that cannot be cut).
ClipCover CoverOf(CLIPOBJ* clip, LONG left, LONG top, LONG right, LONG bottom);

}  // namespace trv::driver
