// An installed printer the way a host meets it: the language libraries loaded from
// the build output, the driver files in the spooler's driver folder, and the lists
// and blobs read through the exports and the interface table only.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "dcl/object/host_interface.h"
#include "platform/kernel.h"
#include "platform/testing/fixtures.h"
#include "platform/winreg.h"

namespace trv::dcl::testing {

template <class T>
T At(const BYTE* p, size_t offset) {
  T v;
  std::memcpy(&v, p + offset, sizeof v);
  return v;
}

// One list as the list scheme returns it.
struct ListResult {
  std::vector<BYTE> bytes;
  DWORD needed = 0;
  DWORD count = 0;
  // The text a string field of the item at `offset` points at.
  std::string Text(size_t offset) const {
    DWORD at = At<DWORD>(bytes.data(), offset);
    return at < bytes.size() ? reinterpret_cast<const char*>(bytes.data() + at) : "<outside>";
  }
  // A zero-padded character field inside an item.
  std::string Chars(size_t offset, size_t size) const {
    std::string s(reinterpret_cast<const char*>(bytes.data() + offset), size);
    return s.substr(0, s.find('\0'));
  }
};

class Configuration : public trv::testing::FreshMachine {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The driver folder as the libraries compute it ("...\3\").
  const std::string& driverDirectory() const { return driverDirectory_; }
  // The suite's sample model files (the language files are always installed).
  void InstallSamples() const;
  // Copies a file of the build output into the driver folder.
  void Install(const std::string& fileName) const;
  // Writes a file of the test's own into the driver folder.
  void InstallText(const std::string& fileName, const std::string& text) const;
  void Remove(const std::string& fileName) const;

  // Loads TRVCPL.DLL or TRVEPL.DLL; one library per test.
  void UseLibrary(const char* moduleName);
  CDCLBase* Create(const char* printerName, const char* dataFile,
                   const char* languageFile = "C:\\anywhere\\trv_uk.lng");
  BOOL Terminate(CDCLBase* object) { return terminate_(object); }

  // The list of a table entry (GetPaperList, ...) for a key, checked to be complete.
  template <class F>
  ListResult List(F query) {
    ListResult r;
    EXPECT_FALSE(query(nullptr, 0, &r.needed, &r.count));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    // One spare byte, so that an empty list is asked with a buffer too.
    r.bytes.assign(r.needed + 1, 0xEE);
    DWORD count = 0;
    EXPECT_TRUE(query(r.bytes.data(), r.needed, &r.needed, &count));
    EXPECT_EQ(count, r.count);
    r.bytes.resize(r.needed);
    return r;
  }
  ListResult Papers(CDCLBase* o, DWORD key = 1);
  ListResult TextFonts(CDCLBase* o, DWORD key = 1);
  ListResult Barcodes(CDCLBase* o, DWORD key = 1);
  ListResult Models(CDCLBase* o);
  ListResult Options(CDCLBase* o, DWORD key = 1);
  std::vector<BYTE> DocProps(CDCLBase* o);
  std::vector<BYTE> DevProps(CDCLBase* o);
  // The setting of an option in the blobs (OptionCommand 17).
  LONG Setting(CDCLBase* o, std::vector<BYTE>& doc, std::vector<BYTE>& dev, WORD optionId);

  // The printer's key and its lists in the registry.
  static std::string DriverDataPath(const std::string& printerName);
  static DWORD SubkeyCount(const std::string& path);
  static std::vector<std::string> SubkeyNames(const std::string& path);

  DCLInterface table_{};

 private:
  std::string driverDirectory_;
  HMODULE module_ = nullptr;
  decltype(&DCLInitializeV2) initialize_ = nullptr;
  decltype(&DCLTerminateV2) terminate_ = nullptr;
};

}  // namespace trv::dcl::testing
