#include "tools/trvjob/job_settings.h"

#include <cstddef>
#include <cstdlib>

namespace trv::samples {

namespace {

// Options --set knows by name, with the blob that holds them.
struct NamedOption {
  const char* name;
  unsigned id;
  bool device;
};
constexpr NamedOption kNamedOptions[] = {
    {"rotate", 0x1004, false},  {"copies", 0x1005, false},   {"prefeed", 0x1008, false},
    {"speed", 0x3008, false},   {"darkness", 0x3012, false}, {"status", 0x3018, true},
    {"regions", 0x3021, false},
};

unsigned Get32(const std::vector<unsigned char>& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<unsigned>(b[at + 3]) << 24;
}
void Put32(std::vector<unsigned char>& b, size_t at, unsigned v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<unsigned char>(v >> (8 * i));
}

constexpr unsigned kMagic = 0x444C4344;  // "DCLD"
constexpr unsigned kDevProps = 0xF001, kDocProps = 0xF002;

}  // namespace

bool ParseSetting(const std::string& text, Setting& out) {
  const size_t eq = text.find('=');
  if (eq == std::string::npos || eq == 0 || eq + 1 == text.size()) return false;
  const std::string name = text.substr(0, eq), value = text.substr(eq + 1);
  char* end = nullptr;
  out.value = std::strtol(value.c_str(), &end, 0);
  if (*end != '\0') return false;
  for (const NamedOption& o : kNamedOptions)
    if (name == o.name) {
      out.id = o.id;
      out.device = o.device;
      return true;
    }
  const unsigned long id = std::strtoul(name.c_str(), &end, 0);
  if (*end != '\0' || id == 0 || id > 0xFFFF) return false;
  out.id = static_cast<unsigned>(id);
  // The device options of a label printer are those of the tools group.
  out.device = id == 0x3018 || id == 0x3014 || id == 0x3015;
  return true;
}

bool ApplySetting(std::vector<unsigned char>& job, const Setting& s) {
  size_t at = 0;
  while (at + 48 <= job.size()) {
    if (Get32(job, at) != 48 || Get32(job, at + 44) != kMagic) {
      ++at;  // raw printer data between records
      continue;
    }
    const unsigned type = Get32(job, at + 4), length = Get32(job, at + 8);
    if (at + 48 + length > job.size()) return false;
    const size_t payload = at + 48, header = s.device ? 20 : 32;
    if (type == (s.device ? kDevProps : kDocProps) && length >= header) {
      const unsigned values = Get32(job, payload + 8);
      for (size_t v = payload + header; v + 12 <= payload + header + values;) {
        const unsigned size = Get32(job, v);
        if (size < 6) break;
        if (static_cast<unsigned>(job[v + 4] | job[v + 5] << 8) == s.id && size >= 12) {
          Put32(job, v + 8, static_cast<unsigned>(s.value));
          return true;
        }
        v += size;
      }
      // Not in the blob: a plain value at its end.
      std::vector<unsigned char> value(12, 0);
      Put32(value, 0, 12);
      value[4] = static_cast<unsigned char>(s.id);
      value[5] = static_cast<unsigned char>(s.id >> 8);
      value[7] = 0x10;  // switched on
      Put32(value, 8, static_cast<unsigned>(s.value));
      job.insert(job.begin() + static_cast<long>(payload + header + values), value.begin(),
                 value.end());
      Put32(job, payload + 8, values + 12);
      Put32(job, at + 8, length + 12);
      return true;
    }
    at += 48 + length;
  }
  return false;
}

}  // namespace trv::samples
