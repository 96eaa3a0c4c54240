#include "dcl/help_location.h"

#include <cstdio>
#include <mutex>
#include <vector>

namespace trv::dcl {

namespace {

struct Location {
  HMODULE module = nullptr;
  HINSTANCE instance = nullptr;
  std::string path;
};

// The location is set while a printer is being set up and read by help requests,
// which may come from another thread of the host.
std::mutex g_mutex;
Location g_location;

void AppendBounded(std::string& path, const char* text) {
  if (text == nullptr) return;
  for (; *text != '\0' && path.size() < kMaxHelpPath; ++text) path += *text;
}

// Where the file name starts: after the last separator, or after a drive's colon.
size_t NameStart(const std::string& path) {
  size_t separator = path.find_last_of("\\/:");
  return separator == std::string::npos ? 0 : separator + 1;
}

}  // namespace

void SetHelpLocation(HMODULE module, HINSTANCE instance, const char* directory,
                     const char* helpFileName) {
  std::string path;
  AppendBounded(path, directory);
  AppendBounded(path, helpFileName);
  std::lock_guard lock(g_mutex);
  g_location.module = module;
  g_location.instance = instance;
  g_location.path = std::move(path);
}

HMODULE HelpModule() {
  std::lock_guard lock(g_mutex);
  return g_location.module;
}

HINSTANCE HelpInstance() {
  std::lock_guard lock(g_mutex);
  return g_location.instance;
}

std::string HelpPath() {
  std::lock_guard lock(g_mutex);
  return g_location.path;
}

std::string HelpDirectory() {
  std::string path = HelpPath();
  return path.substr(0, NameStart(path));
}

std::string HelpBaseName() {
  std::string path = HelpPath();
  std::string name = path.substr(NameStart(path));
  return name.substr(0, name.rfind('.'));
}

std::string HelpFileOf(const std::string& baseName, const char* extension) {
  std::string directory = HelpDirectory();
  int length = std::snprintf(nullptr, 0, "%s%s.%s", directory.c_str(), baseName.c_str(), extension);
  std::vector<char> file(static_cast<size_t>(length) + 1);
  std::snprintf(file.data(), file.size(), "%s%s.%s", directory.c_str(), baseName.c_str(),
                extension);
  return file.data();
}

std::string HelpFileOf(const char* extension) { return HelpFileOf(HelpBaseName(), extension); }

}  // namespace trv::dcl
