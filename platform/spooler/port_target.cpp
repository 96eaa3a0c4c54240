#include "platform/spooler/port_target.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

namespace trv::spooler {
namespace {

bool StartsWithNoCase(const std::string& s, const char* prefix) {
  for (std::size_t i = 0; prefix[i] != '\0'; ++i) {
    if (i >= s.size()) return false;
    if (std::toupper(static_cast<unsigned char>(s[i])) !=
        std::toupper(static_cast<unsigned char>(prefix[i])))
      return false;
  }
  return true;
}

// "HOST" or "HOST:PORT"; a bracketed IPv6 address keeps its colons.
bool ParseHostPort(const std::string& text, PortTarget* target) {
  std::string host = text;
  unsigned port = kRawPrinterPort;
  std::size_t colon = text.rfind(':');
  bool bracketed = !text.empty() && text[0] == '[';
  if (colon != std::string::npos && (!bracketed || text[colon - 1] == ']')) {
    char* end = nullptr;
    unsigned long value = std::strtoul(text.c_str() + colon + 1, &end, 10);
    if (end == text.c_str() + colon + 1 || *end != '\0' || value == 0 || value > 65535)
      return false;
    port = static_cast<unsigned>(value);
    host = text.substr(0, colon);
  }
  if (bracketed && host.size() >= 2 && host.back() == ']') host = host.substr(1, host.size() - 2);
  if (host.empty()) return false;
  target->kind = TargetKind::Tcp;
  target->host = host;
  target->port = port;
  return true;
}

// The number after a prefix that makes up the rest of the name (with an optional
// trailing colon), e.g. 1 in "LPT1:"; 0 when the name is not of that form.
unsigned long NumberAfter(const std::string& name, std::size_t prefixLength, bool colon) {
  std::string rest = name.substr(prefixLength);
  if (colon) {
    if (rest.empty() || rest.back() != ':') return 0;
    rest.pop_back();
  }
  if (rest.empty() || rest.size() > 4) return 0;
  for (char c : rest)
    if (!std::isdigit(static_cast<unsigned char>(c))) return 0;
  return std::strtoul(rest.c_str(), nullptr, 10);
}

bool DeviceByName(const std::string& name, PortTarget* target) {
  struct Family {
    const char* prefix;
    bool colon;
    const char* deviceFormat;
  };
  static constexpr Family kFamilies[] = {
      {"LPT", true, "/dev/lp%lu"},
      {"COM", true, "/dev/ttyS%lu"},
      {"USB", false, "/dev/usb/lp%lu"},
  };
  for (const Family& f : kFamilies) {
    if (!StartsWithNoCase(name, f.prefix)) continue;
    unsigned long n = NumberAfter(name, std::char_traits<char>::length(f.prefix), f.colon);
    if (n == 0) return false;
    char path[64];
    std::snprintf(path, sizeof path, f.deviceFormat, n - 1);
    target->kind = TargetKind::Device;
    target->path = path;
    return true;
  }
  return false;
}

bool LooksLikePath(const std::string& name) {
  if (name.find('\\') != std::string::npos || name.find('/') != std::string::npos) return true;
  return name.size() > 2 && std::isalpha(static_cast<unsigned char>(name[0])) && name[1] == ':';
}

}  // namespace

DWORD ResolvePortTarget(const std::string& name, const std::string& settings, PortTarget* target) {
  *target = PortTarget{};
  if (StartsWithNoCase(settings, "file:") && settings.size() > 5) {
    target->kind = TargetKind::File;
    target->path = settings.substr(5);
    return ERROR_SUCCESS;
  }
  if (StartsWithNoCase(settings, "device:") && settings.size() > 7) {
    target->kind = TargetKind::Device;
    target->path = settings.substr(7);
    return ERROR_SUCCESS;
  }
  if (StartsWithNoCase(settings, "tcp:"))
    return ParseHostPort(settings.substr(4), target) ? ERROR_SUCCESS : ERROR_UNKNOWN_PORT;

  if (StartsWithNoCase(name, "FILE:") && name.size() == 5) {
    target->kind = TargetKind::DocumentFile;
    return ERROR_SUCCESS;
  }
  if (StartsWithNoCase(name, "IP_"))
    return ParseHostPort(name.substr(3), target) ? ERROR_SUCCESS : ERROR_UNKNOWN_PORT;
  if (DeviceByName(name, target)) return ERROR_SUCCESS;
  if (LooksLikePath(name)) {
    target->kind = TargetKind::File;
    target->path = name;
    return ERROR_SUCCESS;
  }
  return ERROR_UNKNOWN_PORT;
}

}  // namespace trv::spooler
