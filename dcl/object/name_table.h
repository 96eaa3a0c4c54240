// The name tables of a printer language: for each text or bar-code direction the
// command word the printer knows it by and how an item's position moves by its box
// so that the printer, which turns an item about its own corner, puts it where the
// page had it. Both back-ends serve their tables through operations 108 and 109;
// the label layer applies them to text and bar codes.
#pragma once

#include "platform/windef.h"

namespace trv::dcl {

// Directions of text and bar codes.
inline constexpr DWORD kDirection0 = 0;
inline constexpr DWORD kDirection270 = 0x1000;
inline constexpr DWORD kDirection180 = 0x2000;
inline constexpr DWORD kDirection90 = 0x4000;

// Placement bits written by the orientation transform into an item; a line's XOR
// flag shares the field.
inline constexpr DWORD kPlacementXor = 0x01;
inline constexpr DWORD kPlacementTurned = 0x02;      // landscape, box wider than high
inline constexpr DWORD kPlacementUpright = 0x04;     // portrait, box higher than wide
inline constexpr DWORD kPlacementTurnedHigh = 0x08;  // landscape, box higher than wide

// Position moves of a placement mask.
inline constexpr DWORD kMoveXPlusH = 0x01;
inline constexpr DWORD kMoveXPlusW = 0x02;
inline constexpr DWORD kMoveXMinusH = 0x04;
inline constexpr DWORD kMoveXMinusW = 0x08;
inline constexpr DWORD kMoveYPlusH = 0x10;
inline constexpr DWORD kMoveYPlusW = 0x20;
inline constexpr DWORD kMoveYMinusH = 0x40;
inline constexpr DWORD kMoveYMinusW = 0x80;

struct NameTableEntry {
  const char* name;
  DWORD direction;
  // Placement masks for the cases 0, 2, 4 and 8 (PlacementCase), in that order.
  DWORD masks[4];
};

// The mask index an item's placement bits select: bit 8 before bit 2 before bit 4.
int PlacementCase(DWORD placementBits);

// The first entry of the table with this direction, or null.
const NameTableEntry* FindNameEntry(const NameTableEntry* table, DWORD count, DWORD direction);
// The first entry of the table with this name, or null.
const NameTableEntry* FindNameEntry(const NameTableEntry* table, DWORD count, const char* name);

// Moves (x, y) by the item's box (w, h) as the mask says.
void ApplyPlacementMask(LONG& x, LONG& y, LONG w, LONG h, DWORD mask);

}  // namespace trv::dcl
