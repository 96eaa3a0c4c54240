#include "dcl/page_help.h"

#include <iterator>

#include "dcl/help.h"

namespace trv::dcl {

namespace {

// Index i holds the keyword of help id i + 1.
constexpr const char* kPageKeywords[] = {"Options",  "Contrast", "Macros",
                                         "Document", "Device",   "About"};

}  // namespace

const char* PageHelpKeyword(int helpId) {
  constexpr int count = static_cast<int>(std::size(kPageKeywords));
  return helpId >= 1 && helpId <= count ? kPageKeywords[helpId - 1] : nullptr;
}

void ShowPageHelp(HWND control, int helpId) {
  const char* keyword = PageHelpKeyword(helpId);
  if (keyword != nullptr) ShowHelpKeyword(control, keyword);
}

}  // namespace trv::dcl
