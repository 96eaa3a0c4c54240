// Symbol names that a model definition file may write in place of numbers.
#pragma once

#include <string_view>

#include "platform/windef.h"

namespace trv::dcl {

// The names of the label layer: "PAPER_USER" (the user-defined paper, 0) and
// "IDI_LABEL" (the label icon, 131). Compared without regard to case.
bool LookUpLabelSymbol(std::string_view name, LONG& value);
// The names every definition file may use (flags, limits, resolution classes).
bool LookUpFileSymbol(std::string_view name, LONG& value);

}  // namespace trv::dcl
