#include "dcl/model/symbols.h"

#include <array>
#include <cctype>

namespace trv::dcl {
namespace {

struct Symbol {
  std::string_view name;
  LONG value;
};

constexpr std::array<Symbol, 2> kLabelSymbols{{
    {"PAPER_USER", 0},
    {"IDI_LABEL", 131},
}};

constexpr std::array<Symbol, 18> kFileSymbols{{
    {"DCLDEFAULT", 0x4000},
    {"DCL_SUBOPTIONEDIT", 0x0001},
    {"DCL_SUBOPTIONLIST", 0x0002},
    {"DCLLIMIT_LO", 0x0010},
    {"DCLLIMIT_HI", 0x0020},
    {"DCLNAME", 0x0040},
    {"DCLDATATYPECHAR", 0x0080},
    {"DCLCANDISABLE", 0x8000},
    {"DCLBARHEIGHT", 0x0100},
    {"DCLBARORIENTATION", 0x0800},
    {"DCLBARHUMANREAD", 0x0200},
    {"DCLSETCHILDSTODEFAULT", 0x0200},
    {"DCLSETCHILDSTONULL", 0x0400},
    {"ENUMUSEFORALL", 0xFFFF},
    {"ENUMUSEFOR150DPIS", 0xFFF1},
    {"ENUMUSEFOR200DPIS", 0xFFF2},
    {"ENUMUSEFOR300DPIS", 0xFFF3},
    {"ENUMUSEFOR600DPIS", 0xFFF4},
}};

// Symbol names are plain ASCII, so an ASCII comparison is exact here.
bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(a[i])) !=
        std::toupper(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

template <size_t N>
bool Find(const std::array<Symbol, N>& table, std::string_view name, LONG& value) {
  for (const Symbol& s : table) {
    if (SameName(s.name, name)) {
      value = s.value;
      return true;
    }
  }
  return false;
}

}  // namespace

bool LookUpLabelSymbol(std::string_view name, LONG& value) {
  return Find(kLabelSymbols, name, value);
}

bool LookUpFileSymbol(std::string_view name, LONG& value) {
  return Find(kFileSymbols, name, value);
}

}  // namespace trv::dcl
