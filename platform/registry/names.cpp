#include "platform/registry/names.h"

#include "platform/kernel/text.h"
#include "platform/registry/error.h"

namespace trv::registry {

std::vector<std::u16string> SplitKeyPath(std::u16string_view path) {
  std::vector<std::u16string> names;
  if (path.empty()) return names;
  if (path.front() == u'\\') throw RegistryError(ERROR_BAD_PATHNAME);
  // Callers write "Key\Sub\" as often as "Key\Sub"; Windows accepts both.
  if (path.back() == u'\\') path.remove_suffix(1);
  size_t start = 0;
  while (true) {
    size_t end = path.find(u'\\', start);
    std::u16string_view name =
        path.substr(start, end == std::u16string_view::npos ? end : end - start);
    if (name.empty()) throw RegistryError(ERROR_BAD_PATHNAME);
    if (name.size() > kMaxKeyNameLength) throw RegistryError(ERROR_INVALID_PARAMETER);
    names.emplace_back(name);
    if (end == std::u16string_view::npos) break;
    start = end + 1;
  }
  return names;
}

void CheckValueName(std::u16string_view name) {
  if (name.size() > kMaxValueNameLength) throw RegistryError(ERROR_INVALID_PARAMETER);
}

std::string FoldedName(std::u16string_view name) {
  std::string bytes;
  bytes.reserve(name.size() * 2);
  for (char16_t c : name) {
    char16_t u = kernel::UpperW(c);
    bytes.push_back(static_cast<char>(u >> 8));
    bytes.push_back(static_cast<char>(u & 0xFF));
  }
  return bytes;
}

std::string NameBytes(std::u16string_view name) {
  std::string bytes;
  bytes.reserve(name.size() * 2);
  for (char16_t c : name) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>(c >> 8));
  }
  return bytes;
}

std::u16string NameFromBytes(const void* bytes, size_t size) {
  const auto* p = static_cast<const unsigned char*>(bytes);
  std::u16string name;
  name.reserve(size / 2);
  for (size_t i = 0; i + 1 < size; i += 2)
    name.push_back(static_cast<char16_t>(p[i] | (p[i + 1] << 8)));
  return name;
}

}  // namespace trv::registry
