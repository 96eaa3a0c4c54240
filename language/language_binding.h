// A client's tie to language.dll: loads the library and one language file, hands
// out texts by number (falling back to the client's own string table when nothing
// is loaded) and retitles the controls of a window by their control numbers.
// setup and the DCL differ only in where the library and the file lie, the file's
// kind and how long a control text may be.
#pragma once

#include <string>

#include "language/language_api.h"
#include "platform/windef.h"

namespace trv {

class LanguageBinding {
 public:
  // setup: the library beside the program; the file path as setup made it from
  // the chosen language. The directory ends with its separator.
  static LanguageBinding ForSetup(const std::string& setupDirectory,
                                  const std::string& languageFilePath);
  // The DCL: library and file in the printer-driver directory; of the language
  // file the host named, only the file name and extension count.
  static LanguageBinding ForDcl(const std::string& driverDirectory,
                                const std::string& languageFile);

  LanguageBinding(LanguageBinding&& other) noexcept;
  LanguageBinding& operator=(LanguageBinding&& other) noexcept;
  LanguageBinding(const LanguageBinding&) = delete;
  LanguageBinding& operator=(const LanguageBinding&) = delete;
  ~LanguageBinding();

  // Loads library and file; on any failure the binding stays empty and the result
  // is FALSE with the last error of the failing step.
  BOOL Load();
  // The text's length, copied into the buffer; from the language file when one is
  // loaded, else from the module's string table.
  int GetText(HINSTANCE module, UINT number, LPSTR buffer, int size) const;
  // Gives every direct child of the window whose control number has a text that
  // text; the others keep theirs. Does nothing without a loaded file.
  void TranslateWindow(HWND window) const;
  // Frees the language handle and unloads the library.
  void Release();

  bool IsLoaded() const { return handle_ != nullptr; }
  const std::string& libraryPath() const { return libraryPath_; }
  const std::string& filePath() const { return filePath_; }
  DWORD kind() const { return kind_; }
  int textLimit() const { return textLimit_; }

 private:
  LanguageBinding(std::string libraryPath, std::string filePath, DWORD kind, int textLimit);
  BOOL BindExports();

  std::string libraryPath_;
  std::string filePath_;
  DWORD kind_;
  int textLimit_;  // longest control text TranslateWindow sets, in characters

  HMODULE library_ = nullptr;
  lng::LoadResourcesProc loadResources_ = nullptr;
  lng::GetStringAProc getStringA_ = nullptr;
  lng::GetStringWProc getStringW_ = nullptr;
  lng::FreeResourcesProc freeResources_ = nullptr;
  HANDLE handle_ = nullptr;
};

}  // namespace trv
