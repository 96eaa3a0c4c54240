#include "dcl/object/name_table.h"

#include <cstring>

#include "dcl/object/coordinates.h"

namespace trv::dcl {

int PlacementCase(DWORD placementBits) {
  if (placementBits & 0x08) return 3;
  if (placementBits & 0x02) return 1;
  if (placementBits & 0x04) return 2;
  return 0;
}

const NameTableEntry* FindNameEntry(const NameTableEntry* table, DWORD count, DWORD direction) {
  for (DWORD i = 0; table != nullptr && i < count; ++i)
    if (table[i].direction == direction) return &table[i];
  return nullptr;
}

const NameTableEntry* FindNameEntry(const NameTableEntry* table, DWORD count, const char* name) {
  if (name == nullptr) return nullptr;
  for (DWORD i = 0; table != nullptr && i < count; ++i)
    if (std::strcmp(table[i].name, name) == 0) return &table[i];
  return nullptr;
}

void ApplyPlacementMask(LONG& x, LONG& y, LONG w, LONG h, DWORD mask) {
  long long nx = x, ny = y;
  if (mask & kMoveXPlusH) nx += h;
  if (mask & kMoveXPlusW) nx += w;
  if (mask & kMoveXMinusH) nx -= h;
  if (mask & kMoveXMinusW) nx -= w;
  if (mask & kMoveYPlusH) ny += h;
  if (mask & kMoveYPlusW) ny += w;
  if (mask & kMoveYMinusH) ny -= h;
  if (mask & kMoveYMinusW) ny -= w;
  x = Saturated(nx);
  y = Saturated(ny);
}

}  // namespace trv::dcl
