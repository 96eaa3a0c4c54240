// The orientation transform of page items (text, bar codes, lines, boxes): a page
// drawn in landscape is turned onto the label as the printer feeds it, and every
// item is moved by the label offsets. The transform rewrites the item's fixed part
// (x, y, w, h at 4..16, placement bits at 24); the dispatcher hands it a copy of
// the record, so a record offered again after a failed write is turned once only.
#pragma once

#include "platform/windef.h"
#include "spool/record_handler.h"

namespace trv::dcl {

inline constexpr DWORD kOrientationPortrait = 1;
inline constexpr DWORD kOrientationLandscape = 2;

struct ItemFrame {
  DWORD orientation = kOrientationPortrait;
  LONG offsetX = 0;
  LONG offsetY = 0;
  LONG pageHeight = 0;
};

void TransformItemPayload(BYTE* payload, spool::ItemKind kind, const ItemFrame& frame);

}  // namespace trv::dcl
