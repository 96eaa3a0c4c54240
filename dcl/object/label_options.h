// The printer options as the installed printer offers them: which exist, their
// value sizes and defaults, ranges, choices and the texts of their values. All of it
// follows the printer's configuration; the language file's texts and the attached
// option values come in through two callbacks, so the rules stand without the
// object.
#pragma once

#include <functional>

#include "dcl/model/printer_config.h"
#include "dcl/object/option_value.h"
#include "platform/windef.h"

namespace trv::dcl {

// Loads text `id` of the language file into buffer; returns its length (0: none).
using OptionTextLoader = std::function<int(UINT id, char* buffer, int size)>;
// The current value of an option in the attached blobs, or null.
using OptionValueFinder = std::function<BYTE*(WORD optionId)>;

class LabelOptions {
 public:
  LabelOptions(const PrinterConfig& config, OptionTextLoader loadText, OptionValueFinder findValue);

  BOOL IsSupported(WORD optionId) const;
  DWORD ValueSize(WORD optionId) const;
  // A default value in a library-wide buffer, valid until the next call.
  const BYTE* Default(WORD optionId) const;
  BOOL IsEnabled(WORD optionId) const;

  BOOL HasRange(WORD optionId) const;
  LONG Minimum(WORD optionId) const;
  LONG Maximum(WORD optionId) const;
  BOOL IsFreeText(WORD optionId) const;

  BOOL HasChoices(WORD optionId) const;
  DWORD ChoiceCount(WORD optionId) const;
  LONG ChoiceValue(WORD optionId, DWORD n) const;
  // Texts live in a library-wide buffer, valid until the next call.
  const char* ChoiceText(WORD optionId, DWORD n) const;
  const char* ValueText(WORD optionId, LONG value) const;

  // What a change written as a default or by a command implies: the dispense and
  // tracking words follow the chosen mode, the two printer events stay coupled.
  void ApplyChange(WORD optionId, BYTE* value, DWORD mode) const;

  // Whether an option's dialog can be opened for this value: ERROR_SUCCESS, or
  // ERROR_INVALID_PARAMETER for a missing value or a mode the dialog has no group
  // for. Options without a dialog answer ERROR_SUCCESS too.
  DWORD CheckDialogValue(WORD optionId, const BYTE* value) const;
  // Whether the option has a dialog in this layer.
  static bool HasDialog(WORD optionId);

 private:
  const char* LoadedText(UINT id) const;
  const char* UserCommandText(WORD optionId) const;
  void CoupleEvents(WORD optionId, OptionValueView value) const;

  const PrinterConfig& config_;
  OptionTextLoader loadText_;
  OptionValueFinder findValue_;
};

// The n-th (0-based) set bit among the low 16 bits of set, 0 when there are fewer.
DWORD NthSetBit(DWORD set, DWORD n);

}  // namespace trv::dcl
