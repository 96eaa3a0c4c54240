#include "dcl/version_info.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/kernel.h"

namespace trv::dcl {

namespace {

constexpr size_t kTextBufferSize = 260;
constexpr size_t kPathBufferSize = 260;

// The texts of the version block live here until the next request, as callers of the
// library expect; a value too long for it is cut and still terminated.
char g_text[kTextBufferSize];

LPCSTR KeepText(const std::string& text) {
  size_t n = std::min(text.size(), kTextBufferSize - 1);
  std::memcpy(g_text, text.data(), n);
  g_text[n] = '\0';
  return g_text;
}

// Builds the "\StringFileInfo\<table>\<key>" path for the block's translations.
bool StringPath(LPCVOID block, const char* key, char (&path)[kPathBufferSize]) {
  LPVOID table = nullptr;
  UINT bytes = 0;
  if (!VerQueryValueA(block, "\\VarFileInfo\\Translation", &table, &bytes)) return false;
  if (bytes == 4 && table != nullptr) {
    WORD entry[2];
    std::memcpy(entry, table, sizeof entry);
    WORD language = entry[0];
    WORD codePage = entry[1];
    std::snprintf(path, sizeof path, "\\StringFileInfo\\%02X%02X%02X%02X\\%s", HIBYTE(language),
                  LOBYTE(language), HIBYTE(codePage), LOBYTE(codePage), key);
  } else {
    // No single translation to go by: the user's language, in Unicode.
    std::snprintf(path, sizeof path, "\\StringFileInfo\\%04X04B0\\%s", GetUserDefaultLangID(), key);
  }
  return true;
}

bool IsSpace(char c) { return c == ' '; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::string LookupVersionText(LPCVOID block, const char* key) {
  if (block == nullptr || key == nullptr) return {};
  char path[kPathBufferSize];
  if (!StringPath(block, key, path)) return {};
  LPVOID value = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(block, path, &value, &length) || value == nullptr) return {};
  // The length counts characters with the terminator; never read past it.
  const char* text = static_cast<const char*>(value);
  return std::string(text, strnlen(text, length));
}

LPCSTR GetProductName(LPCVOID block) { return KeepText(LookupVersionText(block, "ProductName")); }

LPCSTR GetComments(LPCVOID block) { return KeepText(LookupVersionText(block, "Comments")); }

LPCSTR GetHelpFileName(LPCVOID block) {
  std::string original = LookupVersionText(block, "OriginalFilename");
  return KeepText(original.empty() ? original : HelpFileNameFor(original));
}

DWORD GetVersionNumber(LPCVOID block) {
  return PackVersionNumber(LookupVersionText(block, "FileVersion").c_str());
}

DWORD PackVersionNumber(const char* text) {
  if (text == nullptr) return 0;
  const char* p = text;
  while (IsSpace(*p)) ++p;
  DWORD packed = 0;
  for (int index = 0; index < 4 && IsDigit(*p); ++index) {
    // Only the low eight bits of each number are kept, and they survive any overflow
    // of the running value.
    DWORD number = 0;
    while (IsDigit(*p)) number = number * 10 + static_cast<DWORD>(*p++ - '0');
    packed |= (number & 0xFF) << (8 * index);
    while (IsSpace(*p)) ++p;
    if (*p != '.' && *p != ',') break;
    ++p;
    while (IsSpace(*p)) ++p;
  }
  return packed;
}

std::string HelpFileNameFor(const std::string& fileName) {
  size_t nameStart = fileName.find_last_of("\\/:");
  nameStart = nameStart == std::string::npos ? 0 : nameStart + 1;
  size_t dot = fileName.rfind('.');
  size_t stem = dot != std::string::npos && dot >= nameStart ? dot : fileName.size();
  return fileName.substr(0, stem) + ".HLP";
}

}  // namespace trv::dcl
