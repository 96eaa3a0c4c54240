#include "dcl/object/user_commands.h"

#include <cstring>

namespace trv::dcl {

std::string_view UserCommandText(const BYTE* value) {
  if (value == nullptr) return {};
  DWORD size, enabled;
  std::memcpy(&size, value, sizeof size);
  if (size < 12) return {};
  std::memcpy(&enabled, value + 8, sizeof enabled);
  if (enabled == 0) return {};
  const char* text = reinterpret_cast<const char*>(value + 12);
  const size_t room = size - 12;
  const void* end = std::memchr(text, 0, room);
  return {text, end != nullptr ? static_cast<size_t>(static_cast<const char*>(end) - text) : room};
}

BOOL SendUserCommand(const BYTE* value, const std::function<BOOL(const void*, DWORD)>& write) {
  std::string_view text = UserCommandText(value);
  if (text.empty()) return TRUE;
  return write(text.data(), static_cast<DWORD>(text.size()));
}

}  // namespace trv::dcl
