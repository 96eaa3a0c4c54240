// The options every printer of the suite may offer: the built-in extended option
// entries, all keyed ANY_KEY. Which of them a printer offers follows its
// configuration.
#pragma once

#include <span>

#include "dcl/model/entries.h"

namespace trv::dcl {

std::span<const OptionEntryEx> OptionTable();

}  // namespace trv::dcl
