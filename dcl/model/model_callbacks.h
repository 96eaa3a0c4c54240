// What the model database asks of the DCL object that owns it: symbol names of
// the definition file, texts of the string table and the options the printer
// supports. The object answers through its own virtual operations; the database
// stays free of the object itself.
#pragma once

#include <string_view>

#include "platform/windef.h"

namespace trv::dcl {

class ModelCallbacks {
 public:
  virtual ~ModelCallbacks() = default;
  // The value of a symbol name written in a definition file ("DCLDEFAULT");
  // false when the name is not a symbol.
  virtual bool LookUpSymbol(std::string_view name, LONG& value) = 0;
  // A text of the string table into buffer (terminated within size); returns its
  // length, 0 when the text is missing or empty.
  virtual int LoadText(UINT id, char* buffer, int size) = 0;
  // Whether the printer supports the option with this identifier.
  virtual bool SupportsOption(WORD optionId) = 0;
};

}  // namespace trv::dcl
