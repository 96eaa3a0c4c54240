#include "dcl/object/orientation.h"

#include <cstring>

#include "dcl/object/coordinates.h"
#include "dcl/object/name_table.h"

namespace trv::dcl {

namespace {

LONG Get(const BYTE* p, size_t at) {
  LONG v;
  std::memcpy(&v, p + at, sizeof v);
  return v;
}
void Put(BYTE* p, size_t at, long long v) {
  const LONG s = Saturated(v);
  std::memcpy(p + at, &s, sizeof s);
}

}  // namespace

void TransformItemPayload(BYTE* p, spool::ItemKind kind, const ItemFrame& frame) {
  const long long x = Get(p, 4), y = Get(p, 8), w = Get(p, 12), h = Get(p, 16);
  DWORD placement = static_cast<DWORD>(Get(p, 24));
  // The box's proportions are compared as the unsigned fields they are stored as.
  const bool higherThanWide = static_cast<DWORD>(w) < static_cast<DWORD>(h);
  if (frame.orientation == kOrientationPortrait) {
    Put(p, 4, x + frame.offsetX);
    Put(p, 8, y + frame.offsetY);
    // A line keeps its XOR bit whichever way it runs.
    placement = higherThanWide ? placement | kPlacementUpright : placement & kPlacementXor;
  } else if (kind == spool::ItemKind::kLine && w != 0 && h != 0) {
    // A slanted line's end points are turned as points: (x, y) goes to (y, H - x)
    // and the extent (dx, dy) to (dy, -dx). Choosing the ends by comparing the
    // extents would mirror a line that runs up or to the left.
    Put(p, 4, y + frame.offsetX);
    Put(p, 8, frame.pageHeight - x + frame.offsetY);
    Put(p, 12, h);
    Put(p, 16, -w);
    placement |= kPlacementTurnedHigh;
  } else {
    const bool object = kind == spool::ItemKind::kLine || kind == spool::ItemKind::kBox;
    const long long g = object ? frame.pageHeight - w : frame.pageHeight;
    Put(p, 4, y + frame.offsetX);
    Put(p, 8, g - x + frame.offsetY);
    Put(p, 12, h);
    Put(p, 16, w);
    placement |= higherThanWide ? kPlacementTurnedHigh : kPlacementTurned;
  }
  std::memcpy(p + 24, &placement, sizeof placement);
}

}  // namespace trv::dcl
