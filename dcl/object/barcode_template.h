// Bar-code command templates: the command macro of an installed bar code, with the
// bar code's parameters, the data and the position filled in. The templates are data
// of the model definition and the printer's configuration, so the same expansion
// serves every printer language.
//
//   %(n)        text of parameter n (nothing when there is none)
//   %(n[a,b])   that text from its a-th character (a > 0), at most b characters (b > 0)
//   %ddd        one byte of that decimal value (0 to 255)
//   %D %d       the data bytes       %X %x  x     %Y %y  y
//   %n %r       LF and CR            %c     c, for any other character c
#pragma once

#include <functional>
#include <string>

#include "platform/windef.h"

namespace trv::dcl {

// The largest command a template may produce, in bytes.
inline constexpr size_t kBarcodeCommandLimit = 511;

struct BarcodeTemplateInput {
  // The text of parameter `id`, or null when the bar code has none.
  std::function<const char*(DWORD id)> parameter;
  const BYTE* data = nullptr;
  DWORD dataLength = 0;
  LONG x = 0;
  LONG y = 0;
};

// Expands `macro` into `out`. FALSE with ERROR_INSUFFICIENT_BUFFER when the command
// would pass the limit, ERROR_INVALID_PARAMETER for a byte value above 255 or a
// parameter number beyond 16 bits; `out` is then empty.
BOOL ExpandBarcodeTemplate(const char* macro, const BarcodeTemplateInput& in, std::string& out);

}  // namespace trv::dcl
