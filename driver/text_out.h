// Text on the page: text in one of the printer's fonts or bar codes becomes a text
// object record in the page object queue instead of dots, raw printer commands
// embedded in text between their delimiters become raw-command records, and
// bar-code data may be collected across text calls between its own delimiters.
// Everything else is drawn into the page by the engine.
#pragma once

#include <string>
#include <string_view>

#include "driver/device.h"
#include "platform/winddi.h"

namespace trv::driver {

// A pair of delimiters from the private devmode (5 bytes each). A delimiter that is
// empty or fills its field without a terminator cannot be searched for; the pair is
// then not used at all.
struct Delimiters {
  std::string start, end;
  bool usable = false;
};
Delimiters DelimitersOf(const DriverDevmode& dm, std::size_t startAt, std::size_t endAt);

// Takes the raw commands out of `text` (bytes in the printer's code page) into the
// queue, replacing each, with its delimiters, by blanks; a command left open at the
// end of the text continues in the next call. True when anything other than blanks
// remains.
bool ExtractRawCommands(TextState& state, std::vector<QueuedObject>& queue,
                        const Delimiters& delimiters, std::string& text);

struct Collected {
  bool collected = false;
  bool closed = false;
};
// Collects bar-code data between the bar-code delimiters, across calls.
Collected CollectBarcodeText(TextState& state, const Delimiters& delimiters,
                             const std::string& text, LONG x, LONG y);

// The direction code of a text from its glyph positions: 1 left to right, 4 right
// to left, 8 top to bottom, 2 bottom to top, 0 otherwise.
DWORD DirectionOf(const POINTL* positions, ULONG count);

// DrvTextOut on a live device. The printer draws its objects whole: text the clip
// hides entirely is left out (its raw commands still go), text it cuts is drawn cut
// by the engine when the engine holds its glyph images and queued whole otherwise,
// and a bar code is never cut. An object that cannot be queued is drawn by the
// engine, or, when the engine cannot draw it, the call fails with
// ERROR_NOT_ENOUGH_MEMORY.
BOOL DeviceTextOut(Device& device, SURFOBJ* surface, STROBJ* str, FONTOBJ* font, CLIPOBJ* clip,
                   RECTL* extra, RECTL* opaque, BRUSHOBJ* fore, BRUSHOBJ* opaqueBrush,
                   POINTL* origin, MIX mix);

}  // namespace trv::driver
