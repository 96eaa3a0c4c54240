#include "dcl/object/tests/configuration_fixture.h"

#include "platform/stand_in.h"
#include "platform/winspool.h"

namespace trv::dcl::testing {

void Configuration::SetUp() {
  FreshMachine::SetUp();
  char folder[1024] = "";
  DWORD needed = 0;
  ASSERT_TRUE(GetPrinterDriverDirectoryA(nullptr, nullptr, 1, reinterpret_cast<LPBYTE>(folder),
                                         sizeof folder, &needed));
  driverDirectory_ = std::string(folder) + "\\3\\";
  ASSERT_TRUE(CreateDirectoryA(driverDirectory_.c_str(), nullptr) ||
              GetLastError() == ERROR_ALREADY_EXISTS);
  for (const char* f : {"language.dll", "trv_uk.lng"}) Install(f);
}

void Configuration::InstallSamples() const {
  for (const char* f : {"TRVCPL.DEF", "TRVEPL.DEF", "trvprd.cfg", "TRVCP2.DAT", "TRVCP4.DAT",
                        "TRVEP2.DAT", "TRVEP3.DAT"})
    Install(f);
  // The metrics of the resident fonts and bar codes go with the model files, and
  // the bar-code TrueType font (under both of its names) into the machine's fonts folder, as setup
  // puts them.
  WIN32_FIND_DATAA found;
  std::string out = trv::WindowsPath(trv::testing::OutDir());
  HANDLE find = FindFirstFileA((out + "\\*.UFM").c_str(), &found);
  ASSERT_NE(find, INVALID_HANDLE_VALUE) << "no metrics files in the build output";
  do {
    Install(found.cFileName);
  } while (FindNextFileA(find, &found));
  FindClose(find);
  for (const char* file : {"TRVBAR.TTF", "TRVBARNT.TTF"}) {
    std::string font = trv::FontsFolder() + "\\" + file;
    ASSERT_TRUE(CopyFileA((out + "\\" + file).c_str(), font.c_str(), FALSE)) << font;
  }
}

void Configuration::TearDown() {
  if (module_ != nullptr) FreeLibrary(module_);
  FreshMachine::TearDown();
}

void Configuration::Install(const std::string& fileName) const {
  std::string from = trv::WindowsPath(trv::testing::OutDir() + "/" + fileName);
  ASSERT_TRUE(CopyFileA(from.c_str(), (driverDirectory_ + fileName).c_str(), FALSE)) << from;
}

void Configuration::InstallText(const std::string& fileName, const std::string& text) const {
  writeFile(driverDirectory_ + fileName, text);
}

void Configuration::Remove(const std::string& fileName) const {
  ASSERT_TRUE(DeleteFileA((driverDirectory_ + fileName).c_str())) << fileName;
}

void Configuration::UseLibrary(const char* moduleName) {
  std::string path = trv::WindowsPath(trv::testing::OutDir() + "/" + moduleName);
  module_ = LoadLibraryA(path.c_str());
  ASSERT_NE(module_, nullptr) << path;
  initialize_ = reinterpret_cast<decltype(initialize_)>(GetProcAddress(module_, "DCLInitializeV2"));
  terminate_ = reinterpret_cast<decltype(terminate_)>(GetProcAddress(module_, "DCLTerminateV2"));
  ASSERT_TRUE(initialize_ && terminate_);
}

CDCLBase* Configuration::Create(const char* printerName, const char* dataFile,
                                const char* languageFile) {
  std::memset(&table_, 0, sizeof table_);
  table_.size = kDclInterfaceSize;
  return initialize_(printerName, nullptr, dataFile, languageFile, 0, &table_);
}

ListResult Configuration::Papers(CDCLBase* o, DWORD key) {
  return List([&](BYTE* b, DWORD s, DWORD* n, DWORD* c) {
    return table_.GetPaperList(o, key, b, s, n, c);
  });
}
ListResult Configuration::TextFonts(CDCLBase* o, DWORD key) {
  return List([&](BYTE* b, DWORD s, DWORD* n, DWORD* c) {
    return table_.GetTextFontList(o, key, b, s, n, c);
  });
}
ListResult Configuration::Barcodes(CDCLBase* o, DWORD key) {
  return List([&](BYTE* b, DWORD s, DWORD* n, DWORD* c) {
    return table_.GetBarcodeFontList(o, key, b, s, n, c);
  });
}
ListResult Configuration::Models(CDCLBase* o) {
  return List(
      [&](BYTE* b, DWORD s, DWORD* n, DWORD* c) { return table_.GetModelList(o, b, s, n, c); });
}
ListResult Configuration::Options(CDCLBase* o, DWORD key) {
  return List([&](BYTE* b, DWORD s, DWORD* n, DWORD* c) {
    return table_.GetOptionList(o, key, b, s, n, c);
  });
}

namespace {

// A blob of model 1 as GetDocProps or GetDevProps builds it.
template <class Get>
std::vector<BYTE> Blob(Get get, CDCLBase* o) {
  DWORD needed = 0;
  get(o, 1, nullptr, 0, &needed);
  std::vector<BYTE> blob(needed);
  EXPECT_TRUE(get(o, 1, blob.data(), needed, &needed));
  return blob;
}

}  // namespace

std::vector<BYTE> Configuration::DocProps(CDCLBase* o) { return Blob(table_.GetDocProps, o); }
std::vector<BYTE> Configuration::DevProps(CDCLBase* o) { return Blob(table_.GetDevProps, o); }

LONG Configuration::Setting(CDCLBase* o, std::vector<BYTE>& doc, std::vector<BYTE>& dev,
                            WORD optionId) {
  return static_cast<LONG>(table_.OptionCommand(o, doc.data(), dev.data(), optionId, 17, 0, 0));
}

std::string Configuration::DriverDataPath(const std::string& printerName) {
  return "System\\CurrentControlSet\\Control\\Print\\Printers\\" + printerName +
         "\\PrinterDriverData";
}

DWORD Configuration::SubkeyCount(const std::string& path) {
  return static_cast<DWORD>(SubkeyNames(path).size());
}

std::vector<std::string> Configuration::SubkeyNames(const std::string& path) {
  std::vector<std::string> names;
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return names;
  char name[256];
  for (DWORD i = 0;; ++i) {
    DWORD length = sizeof name;
    if (RegEnumKeyExA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      break;
    names.emplace_back(name);
  }
  RegCloseKey(key);
  return names;
}

}  // namespace trv::dcl::testing
