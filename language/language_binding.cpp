#include "language/language_binding.h"

#include <cstdio>
#include <utility>
#include <vector>

#include "language/lng_format.h"
#include "platform/kernel.h"
#include "platform/last_error.h"

namespace trv {
namespace {

// setup may show texts of up to 519 characters on its controls, the DCL 259.
constexpr int kSetupTextLimit = 519;
constexpr int kDclTextLimit = 259;

template <typename... Args>
std::string Printf(const char* format, const Args&... args) {
  const int length = std::snprintf(nullptr, 0, format, args...);
  std::string text(static_cast<std::size_t>(length), '\0');
  std::snprintf(text.data(), text.size() + 1, format, args...);
  return text;
}

struct NameAndExtension {
  std::string name;
  std::string extension;  // with its dot, or empty
};

// The file name and extension of a path; its directory (everything up to the last
// separator, or a drive letter and colon) does not count.
NameAndExtension SplitFileName(const std::string& path) {
  std::string::size_type start = path.find_last_of("\\/");
  if (start != std::string::npos) {
    ++start;
  } else {
    start = (path.size() >= 2 && path[1] == ':') ? 2 : 0;
  }
  const std::string file = path.substr(start);
  const std::string::size_type dot = file.rfind('.');
  if (dot == std::string::npos) return {file, ""};
  return {file.substr(0, dot), file.substr(dot)};
}

template <typename Proc>
bool Bind(HMODULE library, const char* name, Proc& proc) {
  // Through the generic function type, as every export address is handed out.
  proc = reinterpret_cast<Proc>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
  return proc != nullptr;
}

}  // namespace

LanguageBinding LanguageBinding::ForSetup(const std::string& setupDirectory,
                                          const std::string& languageFilePath) {
  return LanguageBinding(setupDirectory + "language.dll", languageFilePath, lng::kSetupKind,
                         kSetupTextLimit);
}

LanguageBinding LanguageBinding::ForDcl(const std::string& driverDirectory,
                                        const std::string& languageFile) {
  const NameAndExtension file = SplitFileName(languageFile);
  return LanguageBinding(
      Printf("%s\\language.dll", driverDirectory.c_str()),
      Printf("%s\\%s%s", driverDirectory.c_str(), file.name.c_str(), file.extension.c_str()),
      lng::kDclKind, kDclTextLimit);
}

LanguageBinding::LanguageBinding(std::string libraryPath, std::string filePath, DWORD kind,
                                 int textLimit)
    : libraryPath_(std::move(libraryPath)),
      filePath_(std::move(filePath)),
      kind_(kind),
      textLimit_(textLimit) {}

LanguageBinding::LanguageBinding(LanguageBinding&& other) noexcept
    : libraryPath_(std::move(other.libraryPath_)),
      filePath_(std::move(other.filePath_)),
      kind_(other.kind_),
      textLimit_(other.textLimit_),
      library_(std::exchange(other.library_, nullptr)),
      loadResources_(std::exchange(other.loadResources_, nullptr)),
      getStringA_(std::exchange(other.getStringA_, nullptr)),
      getStringW_(std::exchange(other.getStringW_, nullptr)),
      freeResources_(std::exchange(other.freeResources_, nullptr)),
      handle_(std::exchange(other.handle_, nullptr)) {}

LanguageBinding& LanguageBinding::operator=(LanguageBinding&& other) noexcept {
  if (this != &other) {
    Release();
    libraryPath_ = std::move(other.libraryPath_);
    filePath_ = std::move(other.filePath_);
    kind_ = other.kind_;
    textLimit_ = other.textLimit_;
    library_ = std::exchange(other.library_, nullptr);
    loadResources_ = std::exchange(other.loadResources_, nullptr);
    getStringA_ = std::exchange(other.getStringA_, nullptr);
    getStringW_ = std::exchange(other.getStringW_, nullptr);
    freeResources_ = std::exchange(other.freeResources_, nullptr);
    handle_ = std::exchange(other.handle_, nullptr);
  }
  return *this;
}

LanguageBinding::~LanguageBinding() { Release(); }

BOOL LanguageBinding::Load() {
  Release();
  library_ = LoadLibraryA(libraryPath_.c_str());
  if (library_ == nullptr) return FALSE;
  if (BindExports()) handle_ = loadResources_(filePath_.c_str(), kind_);
  if (handle_ != nullptr) return TRUE;
  // Unloading must not hide why the load failed.
  KeepLastError keep;
  Release();
  return FALSE;
}

BOOL LanguageBinding::BindExports() {
  // All four or none: a library without one of them is not used at all.
  return Bind(library_, "GetStringA", getStringA_) && Bind(library_, "GetStringW", getStringW_) &&
         Bind(library_, "FreeResources", freeResources_) &&
         Bind(library_, "LoadResources", loadResources_);
}

int LanguageBinding::GetText(HINSTANCE module, UINT number, LPSTR buffer, int size) const {
  if (handle_ != nullptr) return getStringA_(handle_, number, buffer, size);
  return LoadStringA(module, number, buffer, size);
}

void LanguageBinding::TranslateWindow(HWND window) const {
  if (handle_ == nullptr) return;
  std::vector<char> text(static_cast<std::size_t>(textLimit_) + 1);
  for (HWND child = GetWindow(window, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    const UINT number = static_cast<UINT>(GetDlgCtrlID(child));
    if (getStringA_(handle_, number, text.data(), static_cast<int>(text.size())) != 0) {
      SetWindowTextA(child, text.data());
    }
  }
}

void LanguageBinding::Release() {
  if (handle_ != nullptr) freeResources_(handle_);
  if (library_ != nullptr) FreeLibrary(library_);
  handle_ = nullptr;
  library_ = nullptr;
  loadResources_ = nullptr;
  getStringA_ = nullptr;
  getStringW_ = nullptr;
  freeResources_ = nullptr;
}

}  // namespace trv
