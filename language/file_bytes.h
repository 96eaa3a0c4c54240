// Reading a whole file through the platform's file calls.
#pragma once

#include <vector>

#include "platform/windef.h"

namespace trv::lng {

// Fills `bytes` with the file's contents; FALSE with the last error of the failing
// call when the file cannot be opened or read.
BOOL ReadFileBytes(LPCSTR path, std::vector<BYTE>& bytes);

}  // namespace trv::lng
