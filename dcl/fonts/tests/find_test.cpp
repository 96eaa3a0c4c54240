// Finding a face's TrueType file: through GDI and the fonts key, then by the scan of
// the fonts folder through every face of every file, collections included.
#include <cstring>
#include <string>

#include "dcl/fonts/tests/fonts_fixture.h"
#include "platform/stand_in.h"
#include "platform/wingdi.h"
#include "platform/winreg.h"

namespace trv::dcl::fonts::testing {
namespace {

class Find : public FontMachine {
 protected:
  void SetFontsValue(const char* name, const char* file) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, WindowsFontsKeyName(), 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(file),
                             static_cast<DWORD>(std::strlen(file) + 1)),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }
};

// Face 1 of a collection is the only place of DejaVu Sans Mono on this machine.
TEST_F(Find, TheFolderScanFindsFaceOneOfACollectionByItsShortName) {
  WriteHostFile(fontsHostFolder() + "/DejaVu Pair Collection.ttc",
                BuildCollection({DejaVu("DejaVuSerif.ttf"), DejaVu("DejaVuSansMono.ttf")}));
  AddToFontsFolder(DejaVu("DejaVuSans.ttf"), "DejaVuSans.ttf");

  char file[32];
  std::memset(file, 0x55, sizeof file);
  ASSERT_TRUE(FindTrueTypeFile("DejaVu Sans Mono", 0, file, sizeof file)) << GetLastError();
  EXPECT_STREQ(file, "DEJAVU~1.TTC");
  std::string found;
  long faceIndex = -1;
  ASSERT_EQ(FindTrueTypeFace("dejavu sans mono", 0, found, faceIndex), ERROR_SUCCESS);
  EXPECT_EQ(faceIndex, 1);
  // Family and style joined also name the face.
  ASSERT_EQ(FindTrueTypeFace("DejaVu Serif Book", 0, found, faceIndex), ERROR_SUCCESS);
  EXPECT_EQ(faceIndex, 0);
  char metrics[16];
  ASSERT_TRUE(MetricsFileNameFor("DejaVu Sans Mono", 0, metrics, sizeof metrics));
  EXPECT_STREQ(metrics, "DEJAVU~1.ufm");

  // The metrics are those of face 1, not of face 0 of the same file.
  ASSERT_TRUE(GenerateMetrics(place, driverData, "UFM:X", "DejaVu Sans Mono", 0)) << GetLastError();
  std::vector<BYTE> stored = HostBytes(host(place.driverDirectory + "DEJAVU~1.ufm"));
  ASSERT_GT(stored.size(), 44u);
  std::span<const BYTE> in(stored);
  EXPECT_EQ(ReadIfiString(in, 44, ifi::kFamilyName), u"DejaVu Sans Mono");
  EXPECT_EQ(ReadAt<DWORD>(in, 44 + ifi::kInfo), kInfoFixedPitch);
  FreeTypeFace mono(DejaVu("DejaVuSansMono.ttf"));
  EXPECT_EQ(ReadAt<LONG>(in, 44 + ifi::kFontBoxRight), mono->bbox.xMax);
  // The value holds the file's bytes; no temporary file is left behind.
  DWORD size = 0;
  ASSERT_EQ(RegQueryValueExA(driverData, "UFM:X", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, stored.size());
  EXPECT_EQ(GetFileAttributesA((place.driverDirectory + "DEJAVU~1.ufm.new").c_str()),
            INVALID_FILE_ATTRIBUTES);
}

TEST_F(Find, GdiAndTheFontsKeyComeBeforeTheFolderScan) {
  AddToFontsFolder(DejaVu("DejaVuSans.ttf"), "DejaVuSans.ttf");
  AddToFontsFolder(DejaVu("DejaVuSans-Bold.ttf"), "DejaVuSans-Bold.ttf");
  AddToFontsFolder(DejaVu("DejaVuSans.ttf"), "copy.ttf");
  ASSERT_GT(AddFontResourceA("copy.ttf"), 0);
  ASSERT_GT(AddFontResourceA("DejaVuSans-Bold.ttf"), 0);
  SetFontsValue("DejaVu Sans (TrueType)", "copy.ttf");
  SetFontsValue("DejaVu Sans Bold (TrueType)", "DejaVuSans-Bold.ttf");
  char file[MAX_PATH];
  // The face name comes first: the copy, not the file of the same face in the folder.
  ASSERT_TRUE(FindTrueTypeFile("DejaVu Sans", 0, file, sizeof file));
  EXPECT_STREQ(file, "copy.ttf");
  // GDI's face name of the bold face is the family's; without a value of that name
  // its full name finds the bold face's file.
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, WindowsFontsKeyName(), 0, KEY_ALL_ACCESS, &key),
            ERROR_SUCCESS);
  ASSERT_EQ(RegDeleteValueA(key, "DejaVu Sans (TrueType)"), ERROR_SUCCESS);
  RegCloseKey(key);
  ASSERT_TRUE(FindTrueTypeFile("DejaVu Sans", 2, file, sizeof file));
  EXPECT_STREQ(file, "DejaVuSans-Bold.ttf");
}

TEST_F(Find, AFaceRegisteredFromACollectionKeepsItsFaceIndex) {
  WriteHostFile(fontsHostFolder() + "/pair.ttc",
                BuildCollection({DejaVu("DejaVuSerif.ttf"), DejaVu("DejaVuSansMono.ttf")}));
  ASSERT_EQ(AddFontResourceA("pair.ttc"), 2);
  SetFontsValue("DejaVu Sans Mono (TrueType)", "pair.ttc");
  std::string file;
  long faceIndex = -1;
  ASSERT_EQ(FindTrueTypeFace("DejaVu Sans Mono", 0, file, faceIndex), ERROR_SUCCESS);
  EXPECT_EQ(file, "pair.ttc");
  EXPECT_EQ(faceIndex, 1);
}

TEST_F(Find, AResultThatDoesNotFitFailsWithInsufficientBuffer) {
  AddToFontsFolder(DejaVu("DejaVuSans.ttf"), "DejaVuSans.ttf");
  // The folder scan gives the short name of DejaVuSans.ttf.
  const std::string name = "DEJAVU~1.TTF", metrics = "DEJAVU~1.ufm";
  struct Case {
    DWORD size;
    bool ok;
  };
  for (Case c : {Case{static_cast<DWORD>(name.size()), false},
                 {static_cast<DWORD>(name.size() + 1), true}}) {
    char out[64];
    std::memset(out, 'x', sizeof out);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(FindTrueTypeFile("DejaVu Sans", 0, out, c.size), c.ok ? TRUE : FALSE) << c.size;
    if (c.ok)
      EXPECT_STREQ(out, name.c_str());
    else
      EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  }
  for (Case c : {Case{static_cast<DWORD>(metrics.size()), false},
                 {static_cast<DWORD>(metrics.size() + 1), true}}) {
    char out[64];
    SetLastError(0xdeadbeef);
    EXPECT_EQ(MetricsFileNameFor("DejaVu Sans", 0, out, c.size), c.ok ? TRUE : FALSE) << c.size;
    if (c.ok)
      EXPECT_STREQ(out, metrics.c_str());
    else
      EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  }
  EXPECT_TRUE(HasTrueTypeFile("DejaVu Sans", 0));
  EXPECT_FALSE(HasTrueTypeFile("No Such Face", 0));
  char out[64] = "old";
  EXPECT_FALSE(MetricsFileNameFor("No Such Face", 0, out, sizeof out));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_STREQ(out, "");
}

TEST_F(Find, AFileWithoutExtensionGetsUfmAppendedAndCannotBeGenerated) {
  AddToFontsFolder(DejaVu("DejaVuSans.ttf"), "plain");
  SetFontsValue("DejaVu Sans (TrueType)", "plain");
  ASSERT_GT(AddFontResourceA("plain"), 0);
  char out[32];
  ASSERT_TRUE(MetricsFileNameFor("DejaVu Sans", 0, out, sizeof out));
  EXPECT_STREQ(out, "plain.ufm");
  EXPECT_FALSE(GenerateMetrics(place, driverData, "UFM:P", "DejaVu Sans", 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_FORMAT));
}

}  // namespace
}  // namespace trv::dcl::fonts::testing
