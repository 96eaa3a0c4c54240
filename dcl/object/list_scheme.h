// The one routine that answers every list query of the host: it copies the items of
// one list into the caller's buffer as an array, followed by the texts the items'
// string fields name.
#pragma once

#include "platform/windef.h"

namespace trv::dcl {

class CDCLBase;

// The lists of the host interface; the letters are the kinds' historical names.
enum class ListKind : char {
  kModels = 'M',
  kMonitors = 'm',
  kOptions = 'o',
  kOptionsEx = 'O',
  kTrays = 'T',
  kPapers = 'P',
  kRibbons = 'R',
  kSubRibbons = 'S',
  kRibbonOptions = 'r',
  kTextFonts = 'F',
  kBarcodeFonts = 'B',
};

// Stores the needed size and the count through the pointers that are not null; a
// null buffer or one below the needed size fails with 122. In the copies, the first
// 32-bit field holds the item size, a 16-bit key 0xFFFF at offset 4 is replaced by the
// queried key for the kinds that ask for it, and each string field holds the offset
// of its text from the start of the buffer (the texts follow the array, in item
// order). A string field below 0x10000 names a text of the language file.
BOOL QueryList(CDCLBase* object, ListKind kind, DWORD key, DWORD category, BYTE* buffer, DWORD size,
               DWORD* needed, DWORD* count);

}  // namespace trv::dcl
