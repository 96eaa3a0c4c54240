// The texts shown for the choices of a speed, in the user's unit.
#pragma once

#include <string>

#include "dcl/model/printer_config.h"

namespace trv::dcl {

// A length in the unit's spaced format: "101.6 mm", "10.16 cm", "4.00 in"; any
// other unit code writes the plain number of hundredths ("%f").
std::string FormatSpacedLength(LONG hundredths, int unit);

// Rewrites a speed's display list for the unit. A list that contains a letter is
// kept; otherwise each comma-separated item is read as inches per second (digits
// and decimal points only) and becomes "<length>/Sec". Without a list, one is made
// from every whole speed from the minimum to the maximum. A speed of 0 or less, or
// an item of more than 39 characters, leaves the list as it was read; so does a
// range too wide to be offered as a list of choices.
void RewriteSpeedDisplay(RangeSetting& speed, int unit);

}  // namespace trv::dcl
