// The version block of the module that holds this library, kept for the whole time
// the module is attached to a process.
#pragma once

#include "platform/windef.h"

namespace trv::dcl {

// Reads the version block from the module's own file; false (and no block) when the
// module has none. Called when the module is attached; a second call reloads.
bool LoadLibraryVersionBlock();
// Releases the block; called when the module is detached.
void FreeLibraryVersionBlock();
// The loaded block, or null when it is absent.
LPCVOID LibraryVersionBlock();

}  // namespace trv::dcl
