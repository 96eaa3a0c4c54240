// The module (shared library or program) whose code is running this library.
#pragma once

#include "platform/windef.h"

namespace trv::dcl {

// The handle of the module that holds this code, or null when it cannot be found.
// The module's reference count is not raised, so asking does not pin the module.
HMODULE OwnModule();

}  // namespace trv::dcl
