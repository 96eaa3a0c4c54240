// One option value of the job as the back-ends read it: the value found in the
// attached DocProps or DevProps blob, read field by field without ever leaving the
// value's own size. An absent value reads as absent, its fields as 0.
#pragma once

#include <string>

#include "platform/windef.h"

namespace trv::dcl {

// Option identifiers the label layer and the back-ends send commands for.
inline constexpr WORD OPTION_ORIENTATION = 0x1004;
inline constexpr WORD OPTION_PREFEED = 0x1008;
inline constexpr WORD OPTION_DISPENSE = 0x2001;
inline constexpr WORD OPTION_MEDIA_TRACKING = 0x3005;
inline constexpr WORD OPTION_PRINT_SPEED = 0x3008;
inline constexpr WORD OPTION_DARKNESS = 0x3012;
inline constexpr WORD OPTION_STATUS_QUERIES = 0x3018;
inline constexpr WORD OPTION_REGION_GRAPHICS = 0x3021;
inline constexpr WORD OPTION_COMMAND_JOB_START = 0x3041;
inline constexpr WORD OPTION_COMMAND_JOB_END = 0x3042;
inline constexpr WORD OPTION_COMMAND_PAGE_START = 0x3044;
inline constexpr WORD OPTION_COMMAND_PAGE_END = 0x3045;

// Fields of the values (offsets within a value).
inline constexpr DWORD kOptionSetting = 8;
inline constexpr DWORD kDispenseDelay = 16;     // seconds
inline constexpr DWORD kDispenseDistance = 20;  // dots
inline constexpr DWORD kDispenseSwitches = 28;
inline constexpr DWORD kTrackingSensorValue = 16;
inline constexpr DWORD kUserCommandEnabled = 8;
inline constexpr DWORD kUserCommandText = 12;

class JobOptionValue {
 public:
  explicit JobOptionValue(const BYTE* value);

  bool present() const { return value_ != nullptr; }
  // The 32-bit field at `offset`; 0 when the value is absent or too short for it.
  LONG Field(DWORD offset) const;
  LONG Setting() const { return Field(kOptionSetting); }
  // The zero-terminated text at `offset`, cut at the value's end.
  std::string Text(DWORD offset) const;

 private:
  const BYTE* value_;
  DWORD size_ = 0;
};

}  // namespace trv::dcl
