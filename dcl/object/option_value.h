// One option value: the unit of the DocProps and DevProps blobs, read and written only
// through the views below.
//
// Every value is little-endian and starts with the same 8-byte head:
//   0  u32  size of the whole value, head included
//   4  u16  option identifier
//   6  u16  flags; 0x1000: the option is switched on
// What follows depends on the option:
//   plain value (12 bytes, every option not named below)
//     8  i32  the setting
//   dispense mode (kOptionDispenseMode, 32 bytes)
//     8  i32  the mode bit (0x01, 0x02, 0x04, 0x08, 0x10 or 0x20)
//     12 i32  choice number
//     16 i32  delay, seconds
//     20 i32  mode offset, dots
//     24 i32  backfeed number
//     28 u32  switches (the DispenseGroup's switch bits)
//   media tracking (kOptionMediaTracking, 24 bytes)
//     8  i32  the tracking bit (0x01, 0x04 or 0x08)
//     12 i32  label height, dots
//     16 i32  second value (gap or mark), dots; 0 for none
//   user command (the four kOptionCommandAt* options, 80 bytes)
//     8  i32  text-set word: non-zero when a command text is set
//     12 char[68]  the command text, zero-terminated
//
// Values sit at any byte offset of a blob, so every field is copied out and in with
// memcpy; nothing here dereferences a cast pointer. A view never reads or writes past
// the value's size field (nor past the byte count its owner vouches for): a field
// outside reads as zero and a write to it is dropped.
#pragma once

#include <algorithm>
#include <cstring>
#include <string_view>
#include <type_traits>

#include "platform/windef.h"

namespace trv::dcl {

inline constexpr DWORD kValueOffsetSize = 0;
inline constexpr DWORD kValueOffsetId = 4;
inline constexpr DWORD kValueOffsetFlags = 6;
inline constexpr DWORD kValueOffsetSetting = 8;
inline constexpr DWORD kValueHeadSize = 8;
// The smallest size a blob walk accepts: the size field and the identifier.
inline constexpr DWORD kValueMinimumSize = 6;
inline constexpr WORD kValueSwitchedOn = 0x1000;

inline constexpr DWORD kPlainValueSize = 12;

inline constexpr DWORD kDispenseValueSize = 32;
inline constexpr DWORD kDispenseOffsetMode = kValueOffsetSetting;
inline constexpr DWORD kDispenseOffsetChoice = 12;
inline constexpr DWORD kDispenseOffsetDelay = 16;
inline constexpr DWORD kDispenseOffsetModeOffset = 20;
inline constexpr DWORD kDispenseOffsetBackfeed = 24;
inline constexpr DWORD kDispenseOffsetSwitches = 28;

inline constexpr DWORD kTrackingValueSize = 24;
inline constexpr DWORD kTrackingOffsetMode = kValueOffsetSetting;
inline constexpr DWORD kTrackingOffsetHeight = 12;
inline constexpr DWORD kTrackingOffsetSecond = 16;

inline constexpr DWORD kUserCommandValueSize = 80;
inline constexpr DWORD kUserCommandOffsetTextSet = kValueOffsetSetting;
inline constexpr DWORD kUserCommandOffsetText = 12;
// The longest command text the user-command dialog accepts.
inline constexpr DWORD kUserCommandDialogLength = 66;

// A read-only view of one value. A null view reads as all zeros.
class OptionValueView {
 public:
  OptionValueView() = default;
  // A value whose bytes its owner vouches for up to its own size field.
  explicit OptionValueView(const BYTE* bytes) : bytes_(bytes), limit_(SizeField(bytes)) {}
  // A value of which at most `available` bytes may be read, whatever its size says.
  OptionValueView(const BYTE* bytes, DWORD available)
      : bytes_(bytes), limit_(bytes == nullptr ? 0 : std::min(SizeField(bytes), available)) {}

  // A value of which the caller knows `length` bytes are readable, whatever its size
  // field says: the host hands its dialogs values whose size it has not filled in.
  static OptionValueView Unsized(const BYTE* bytes, DWORD length) {
    OptionValueView v;
    v.bytes_ = bytes;
    v.limit_ = bytes == nullptr ? 0 : length;
    return v;
  }

  bool IsNull() const { return bytes_ == nullptr; }
  const BYTE* Bytes() const { return bytes_; }
  // The size field as written (0 for a null view).
  DWORD Size() const { return SizeField(bytes_); }
  WORD Id() const { return Field<WORD>(kValueOffsetId); }
  WORD Flags() const { return Field<WORD>(kValueOffsetFlags); }
  bool IsSwitchedOn() const { return (Flags() & kValueSwitchedOn) != 0; }
  LONG Setting() const { return Field<LONG>(kValueOffsetSetting); }

  // Whether a field of `length` bytes at `offset` lies within the value.
  bool Holds(DWORD offset, DWORD length) const {
    return bytes_ != nullptr && offset <= limit_ && length <= limit_ - offset;
  }
  // A field of the value; zero when the value is too short to hold it.
  template <typename T>
  T Field(DWORD offset) const {
    static_assert(std::is_trivially_copyable_v<T>);
    T field{};
    if (Holds(offset, sizeof(T))) std::memcpy(&field, bytes_ + offset, sizeof(T));
    return field;
  }
  // The zero-terminated text at `offset`, cut at the value's end when unterminated.
  std::string_view Text(DWORD offset) const {
    if (!Holds(offset, 0)) return {};
    const char* text = reinterpret_cast<const char*>(bytes_ + offset);
    return std::string_view(text, strnlen(text, limit_ - offset));
  }

 protected:
  static DWORD SizeField(const BYTE* bytes) {
    DWORD size = 0;
    if (bytes != nullptr) std::memcpy(&size, bytes + kValueOffsetSize, sizeof size);
    return size;
  }

  const BYTE* bytes_ = nullptr;
  DWORD limit_ = 0;
};

// A view that may also change the value in place.
class OptionValueEdit : public OptionValueView {
 public:
  OptionValueEdit() = default;
  explicit OptionValueEdit(BYTE* bytes) : OptionValueView(bytes) {}
  OptionValueEdit(BYTE* bytes, DWORD available) : OptionValueView(bytes, available) {}

  BYTE* Bytes() const { return const_cast<BYTE*>(bytes_); }
  void SetFlags(WORD flags) { SetField<WORD>(kValueOffsetFlags, flags); }
  void SetSetting(LONG setting) { SetField<LONG>(kValueOffsetSetting, setting); }
  template <typename T>
  void SetField(DWORD offset, T field) {
    static_assert(std::is_trivially_copyable_v<T>);
    if (Holds(offset, sizeof(T))) std::memcpy(Bytes() + offset, &field, sizeof(T));
  }
  // Writes a text zero-terminated at `offset`, cut to the room the value has.
  void SetText(DWORD offset, std::string_view text) {
    if (!Holds(offset, 1)) return;
    const size_t room = limit_ - offset - 1;
    const size_t n = std::min(text.size(), room);
    std::memcpy(Bytes() + offset, text.data(), n);
    std::memset(Bytes() + offset + n, 0, limit_ - offset - n);
  }

  // Starts a value of `size` bytes at `bytes`: the head written, everything after it
  // zero. The caller owns at least `size` bytes there, and `size` holds the head.
  static OptionValueEdit Start(BYTE* bytes, DWORD size, WORD optionId, WORD flags) {
    std::memset(bytes, 0, size);
    std::memcpy(bytes + kValueOffsetSize, &size, sizeof size);
    std::memcpy(bytes + kValueOffsetId, &optionId, sizeof optionId);
    std::memcpy(bytes + kValueOffsetFlags, &flags, sizeof flags);
    return OptionValueEdit(bytes, size);
  }
};

}  // namespace trv::dcl
