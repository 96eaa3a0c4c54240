// The process's GDI font table: files added and removed by reference, the fonts of
// the machine's fonts key present from the first call, and the enumeration of
// families and faces with what FreeType reads from them.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "platform/stand_in.h"
#include "platform/testing/fixtures.h"
#include "platform/wingdi.h"
#include "platform/winreg.h"

namespace {

const std::string kDejaVu = "/usr/share/fonts/truetype/dejavu/";

class GdiFonts : public trv::testing::FreshMachine {
 protected:
  void Copy(const std::string& face, const std::string& name) {
    std::ofstream out(host(trv::FontsFolder() + "\\" + name), std::ios::binary);
    std::string bytes = trv::testing::ReadHostFile(kDejaVu + face);
    ASSERT_FALSE(bytes.empty()) << face;
    out << bytes;
  }
  struct Seen {
    std::string face, full, style;
    LONG weight;
    BYTE italic, pitch;
    DWORD type;
    UINT em;
  };
  static int CALLBACK Collect(const LOGFONTA* lf, const NEWTEXTMETRICA* tm, DWORD type, LPARAM p) {
    auto* elf = reinterpret_cast<const ENUMLOGFONTEXA*>(lf);
    reinterpret_cast<std::vector<Seen>*>(p)->push_back(
        {lf->lfFaceName, reinterpret_cast<const char*>(elf->elfFullName),
         reinterpret_cast<const char*>(elf->elfStyle), lf->lfWeight, lf->lfItalic,
         lf->lfPitchAndFamily, type, tm->ntmSizeEM});
    return 1;
  }
  std::vector<Seen> Enumerate(const char* face) {
    HDC dc = CreateCompatibleDC(nullptr);
    EXPECT_NE(dc, nullptr);
    LOGFONTA lf{};
    lf.lfCharSet = DEFAULT_CHARSET;
    std::strcpy(lf.lfFaceName, face);
    std::vector<Seen> seen;
    EnumFontFamiliesExA(dc, &lf, Collect, reinterpret_cast<LPARAM>(&seen), 0);
    EXPECT_TRUE(DeleteDC(dc));
    return seen;
  }
};

TEST_F(GdiFonts, AddedFacesAreEnumeratedWithTheirNamesStylesAndFlags) {
  Copy("DejaVuSans.ttf", "DejaVuSans.ttf");
  Copy("DejaVuSans-BoldOblique.ttf", "DejaVuSans-BoldOblique.ttf");
  Copy("DejaVuSansMono.ttf", "DejaVuSansMono.ttf");
  EXPECT_EQ(AddFontResourceA("DejaVuSans.ttf"), 1);
  EXPECT_EQ(AddFontResourceA((trv::FontsFolder() + "\\DejaVuSans-BoldOblique.ttf").c_str()), 1);
  EXPECT_EQ(AddFontResourceW(u"DejaVuSansMono.ttf"), 1);

  std::vector<Seen> sans = Enumerate("dejavu sans");
  ASSERT_EQ(sans.size(), 2u);
  EXPECT_EQ(sans[0].face, "DejaVu Sans");
  EXPECT_EQ(sans[0].full, "DejaVu Sans");
  EXPECT_EQ(sans[0].style, "Book");
  EXPECT_EQ(sans[0].weight, 400);
  EXPECT_EQ(sans[0].italic, 0);
  EXPECT_EQ(sans[0].type, static_cast<DWORD>(TRUETYPE_FONTTYPE));
  EXPECT_EQ(sans[0].em, 2048u);
  EXPECT_EQ(sans[1].full, "DejaVu Sans Bold Oblique");
  EXPECT_EQ(sans[1].weight, 700);
  EXPECT_EQ(sans[1].italic, 1);
  std::vector<Seen> mono = Enumerate("DejaVu Sans Mono");
  ASSERT_EQ(mono.size(), 1u);
  EXPECT_EQ(mono[0].pitch & 3, FIXED_PITCH);
  // An empty name gives one face per family.
  EXPECT_EQ(Enumerate("").size(), 2u);
  EXPECT_TRUE(Enumerate("Nothing").empty());
}

TEST_F(GdiFonts, RemovalCountsReferencesAndUnknownFilesFail) {
  Copy("DejaVuSans.ttf", "a.ttf");
  ASSERT_EQ(AddFontResourceA("a.ttf"), 1);
  ASSERT_EQ(AddFontResourceA("A.TTF"), 1);  // the same file
  EXPECT_TRUE(RemoveFontResourceA("a.ttf"));
  EXPECT_EQ(Enumerate("DejaVu Sans").size(), 1u);
  EXPECT_TRUE(RemoveFontResourceW(u"a.ttf"));
  EXPECT_TRUE(Enumerate("DejaVu Sans").empty());
  SetLastError(0);
  EXPECT_FALSE(RemoveFontResourceA("a.ttf"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(AddFontResourceA("missing.ttf"), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  writeFile(trv::FontsFolder() + "\\junk.ttf", "junk");
  EXPECT_EQ(AddFontResourceA("junk.ttf"), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_FORMAT));
  EXPECT_FALSE(DeleteDC(nullptr));
}

TEST_F(GdiFonts, TheFontsKeyIsLoadedOnTheFirstCallAsAtLogon) {
  Copy("DejaVuSerif.ttf", "DejaVuSerif.ttf");
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, trv::FontsKeyPath(), 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &key, nullptr),
            ERROR_SUCCESS);
  const char file[] = "DEJAVUSERIF.TTF";
  ASSERT_EQ(RegSetValueExA(key, "DejaVu Serif (TrueType)", 0, REG_SZ,
                           reinterpret_cast<const BYTE*>(file), sizeof file),
            ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_EQ(trv::FontsKeyPath(),
            std::string("Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts"));
  ASSERT_EQ(Enumerate("DejaVu Serif").size(), 1u);
  EXPECT_EQ(trv::LoadedFontFiles().size(), 1u);
}

TEST(GdiFontsKey, TheKeyFollowsThePlatformFamily) {
  trv::SetPlatform(trv::Platform::WinMe);
  EXPECT_EQ(trv::FontsKeyPath(),
            std::string("Software\\Microsoft\\Windows\\CurrentVersion\\Fonts"));
  trv::SetPlatform(trv::Platform::Win2000OrLater);
}

}  // namespace
