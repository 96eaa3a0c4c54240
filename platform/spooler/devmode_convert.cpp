// The ANSI device mode is the wide one with its two name fields halved: 32 bytes
// of device name instead of 64 at the start, and 32 bytes of form name instead of
// 64 after dmCollate. Everything else, and the private part, is copied unchanged.
#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>

#include "platform/spooler/api_common.h"

namespace trv::spooler {
namespace {

constexpr std::size_t kWideNameEnd = offsetof(DEVMODEW, dmSpecVersion);  // 64
constexpr std::size_t kWideFormStart = offsetof(DEVMODEW, dmFormName);   // 102
constexpr std::size_t kWideFormEnd = offsetof(DEVMODEW, dmLogPixels);    // 166
constexpr std::size_t kAnsiNameEnd = offsetof(DEVMODEA, dmSpecVersion);  // 32
constexpr std::size_t kAnsiFormStart = offsetof(DEVMODEA, dmFormName);   // 70
constexpr std::size_t kAnsiFormEnd = offsetof(DEVMODEA, dmLogPixels);    // 102

template <typename Devmode>
std::vector<BYTE> Whole(const Devmode* d) {
  const BYTE* p = reinterpret_cast<const BYTE*>(d);
  return std::vector<BYTE>(p, p + d->dmSize + d->dmDriverExtra);
}

// Converts a name field of `count` characters (at most 32); the result is always
// terminated inside its field.
void NameToAnsi(const WCHAR* from, BYTE* to, std::size_t count) {
  std::u16string name(from, std::min<std::size_t>(count, 32));
  name.resize(std::char_traits<char16_t>::length(name.c_str()));
  const std::string ansi = AnsiOfWide(name.c_str());
  std::memset(to, 0, count);
  std::copy_n(ansi.begin(), std::min(ansi.size(), count - 1), to);
}

void NameToWide(const BYTE* from, WCHAR* to, std::size_t count) {
  std::string ansi(reinterpret_cast<const char*>(from),
                   strnlen(reinterpret_cast<const char*>(from), count));
  std::u16string wide = WideOfAnsi(ansi);
  std::memset(to, 0, count * sizeof(WCHAR));
  std::copy_n(wide.begin(), std::min(wide.size(), count - 1), to);
}

}  // namespace

std::vector<BYTE> DevmodeBytes(const DEVMODEW* devmode) {
  if (devmode->dmSize < kWideFormEnd) return {};
  return Whole(devmode);
}

std::vector<BYTE> DevmodeBytes(const DEVMODEA* a) {
  if (a->dmSize < kAnsiFormEnd) return {};
  std::vector<BYTE> in = Whole(a);
  std::size_t publicA = std::min<std::size_t>(a->dmSize, sizeof(DEVMODEA));
  std::size_t publicW = publicA + (publicA > kAnsiFormStart ? 64 : 32);
  std::vector<BYTE> out(publicW + a->dmDriverExtra, 0);
  NameToWide(in.data(), reinterpret_cast<WCHAR*>(out.data()), CCHDEVICENAME);
  std::memcpy(out.data() + kWideNameEnd, in.data() + kAnsiNameEnd,
              std::min(publicA, kAnsiFormStart) - kAnsiNameEnd);
  if (publicA > kAnsiFormStart) {
    NameToWide(in.data() + kAnsiFormStart, reinterpret_cast<WCHAR*>(out.data() + kWideFormStart),
               CCHFORMNAME);
    if (publicA > kAnsiFormEnd)
      std::memcpy(out.data() + kWideFormEnd, in.data() + kAnsiFormEnd, publicA - kAnsiFormEnd);
  }
  std::memcpy(out.data() + publicW, in.data() + a->dmSize, a->dmDriverExtra);
  auto* w = reinterpret_cast<DEVMODEW*>(out.data());
  w->dmSize = static_cast<WORD>(publicW);
  return out;
}

std::vector<BYTE> DevmodeFor(const std::vector<BYTE>& wide, WCHAR) { return wide; }

std::vector<BYTE> DevmodeFor(const std::vector<BYTE>& wide, char) {
  if (wide.size() < kWideFormEnd) return {};
  const auto* w = reinterpret_cast<const DEVMODEW*>(wide.data());
  if (w->dmSize < kWideFormEnd || wide.size() < std::size_t{w->dmSize} + w->dmDriverExtra)
    return {};
  std::size_t publicW = std::min<std::size_t>(w->dmSize, sizeof(DEVMODEW));
  std::size_t publicA = publicW - (publicW > kWideFormStart ? 64 : 32);
  std::vector<BYTE> out(publicA + w->dmDriverExtra, 0);
  NameToAnsi(w->dmDeviceName, out.data(), CCHDEVICENAME);
  std::memcpy(out.data() + kAnsiNameEnd, wide.data() + kWideNameEnd,
              std::min(publicW, kWideFormStart) - kWideNameEnd);
  if (publicW > kWideFormStart) {
    NameToAnsi(w->dmFormName, out.data() + kAnsiFormStart, CCHFORMNAME);
    if (publicW > kWideFormEnd)
      std::memcpy(out.data() + kAnsiFormEnd, wide.data() + kWideFormEnd, publicW - kWideFormEnd);
  }
  std::memcpy(out.data() + publicA, wide.data() + w->dmSize, w->dmDriverExtra);
  reinterpret_cast<DEVMODEA*>(out.data())->dmSize = static_cast<WORD>(publicA);
  return out;
}

}  // namespace trv::spooler
