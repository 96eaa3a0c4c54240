// LoadStringA and LoadStringW over the modules' string tables.
#include <cstring>
#include <new>
#include <optional>

#include "platform/kernel.h"
#include "platform/resources/module_resources.h"
#include "platform/resources/string_table.h"

namespace {

constexpr WORD kStringType = 6;  // RT_STRING

// The text of a string id, empty when its slot is; nothing with the last error
// set when the module has no such bundle or the bundle is corrupt.
std::optional<std::u16string_view> FindString(HINSTANCE instance, UINT id) {
  using namespace trv::resources;
  auto found = ResourcesOfModule(instance);
  if (!found.resources) {
    SetLastError(found.error);
    return std::nullopt;
  }
  const DirectoryEntry* bundle = FindEntry(*found.resources, kStringType, BundleOf(id));
  if (bundle == nullptr) return std::nullopt;
  auto text = BundleString(bundle->data, SlotOf(id));
  if (!text) SetLastError(ERROR_BAD_FORMAT);
  return text;
}

// An empty slot reads like a missing string: Windows answers 0 for both.
int Missing() {
  SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
  return 0;
}

int LoadA(HINSTANCE instance, UINT id, LPSTR buffer, int size) {
  if (buffer == nullptr || size <= 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  buffer[0] = '\0';
  auto text = FindString(instance, id);
  if (!text) return 0;
  if (text->empty()) return Missing();
  // A text too long for the buffer is cut to size - 1 characters (one byte each in
  // the ANSI code page) and still terminated.
  int n = static_cast<int>(std::min(text->size(), static_cast<size_t>(size - 1)));
  if (n > 0) n = WideCharToMultiByte(CP_ACP, 0, text->data(), n, buffer, n, nullptr, nullptr);
  buffer[n] = '\0';
  return n;
}

int LoadW(HINSTANCE instance, UINT id, LPWSTR buffer, int size) {
  if (buffer == nullptr || size < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (size > 0) buffer[0] = u'\0';
  auto text = FindString(instance, id);
  if (!text) return 0;
  if (size == 0) {
    // The caller gets the address of the text itself: read-only, not terminated,
    // and valid while the module is loaded.
    const WCHAR* address = text->data();
    std::memcpy(buffer, &address, sizeof address);
    return text->empty() ? Missing() : static_cast<int>(text->size());
  }
  if (text->empty()) return Missing();
  size_t n = std::min(text->size(), static_cast<size_t>(size - 1));
  std::memcpy(buffer, text->data(), n * sizeof(WCHAR));
  buffer[n] = u'\0';
  return static_cast<int>(n);
}

template <typename Load, typename Char>
int Guarded(Load load, HINSTANCE instance, UINT id, Char* buffer, int size) {
  try {
    return load(instance, id, buffer, size);
  } catch (const std::bad_alloc&) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return 0;
  }
}

}  // namespace

TRVAPI int WINAPI LoadStringA(HINSTANCE instance, UINT id, LPSTR buffer, int size) {
  return Guarded(LoadA, instance, id, buffer, size);
}

TRVAPI int WINAPI LoadStringW(HINSTANCE instance, UINT id, LPWSTR buffer, int size) {
  return Guarded(LoadW, instance, id, buffer, size);
}
