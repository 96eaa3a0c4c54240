// The language files and list that the build makes from data/lang: they load
// for their clients and hold every text number the clients ask for, with the
// format conversions those clients pass.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "language/language_binding.h"
#include "language/language_list.h"
#include "language/lng_format.h"
#include "platform/kernel.h"
#include "platform/stand_in.h"
#include "platform/testing/fixtures.h"

namespace fs = std::filesystem;

namespace {

std::optional<trv::lng::File> ReadOut(const std::string& name) {
  std::ifstream in(trv::testing::OutDir() + "/" + name, std::ios::binary);
  const std::vector<BYTE> bytes((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
  return trv::lng::Decode(bytes);
}

// The printf conversions of a text, in order ("%s%s" for two texts); "%%" is none.
std::string Conversions(const std::string& text) {
  std::string found;
  for (std::size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != '%') continue;
    if (text[i + 1] != '%') found += text.substr(i, 2);
    ++i;
  }
  return found;
}

// Texts used as formats, and what the code hands them.
const std::map<DWORD, std::string> kSetupFormats = {{1017, "%s"}, {1055, "%s%s"}};
const std::map<DWORD, std::string> kDclFormats = {{10517, "%c%c"}};

void ExpectFormats(const trv::lng::File& file, const std::map<DWORD, std::string>& formats) {
  for (const trv::lng::Entry& entry : file.entries) {
    const auto format = formats.find(entry.number);
    EXPECT_EQ(Conversions(entry.text), format == formats.end() ? "" : format->second)
        << "text " << entry.number;
  }
}

void ExpectNumbers(const trv::lng::File& file, const std::vector<DWORD>& numbers) {
  for (DWORD number : numbers) {
    bool present = false;
    for (const trv::lng::Entry& entry : file.entries)
      present |= entry.number == number && !entry.text.empty();
    EXPECT_TRUE(present) << "text " << number;
  }
}

class ShippedLanguageFiles : public trv::testing::FreshMachine {
 protected:
  void copyOut(const std::string& name, const std::string& windowsDir) {
    fs::create_directories(host(windowsDir));
    fs::copy_file(trv::testing::OutDir() + "/" + name, host(windowsDir + name));
  }
};

TEST_F(ShippedLanguageFiles, SetupFindsItsLanguageThroughTheList) {
  const std::string dir = "C:\\Setup\\";
  for (const char* name : {"lang.csv", "language.dll", "inst_UK.lng"}) copyOut(name, dir);
  std::vector<trv::LanguageListEntry> list;
  ASSERT_TRUE(trv::ReadLanguageList(dir, list));
  ASSERT_FALSE(list.empty());
  for (const trv::LanguageListEntry& language : list) {
    SCOPED_TRACE(language.text);
    // setup names the file after the first two characters of the entry.
    char file[MAX_PATH];
    std::snprintf(file, sizeof file, "inst_%s.lng", language.text.substr(0, 2).c_str());
    trv::LanguageBinding binding = trv::LanguageBinding::ForSetup(dir, dir + file);
    ASSERT_TRUE(binding.Load()) << GetLastError();
    char title[520];
    EXPECT_GT(binding.GetText(nullptr, 1012, title, sizeof title), 0);
  }
  EXPECT_EQ(list[0].text, "UK - English");
  EXPECT_EQ(list[0].identifier, 0x0409);
}

TEST_F(ShippedLanguageFiles, SetupTextsAreAllThere) {
  const std::optional<trv::lng::File> file = ReadOut("inst_UK.lng");
  ASSERT_TRUE(file.has_value());
  EXPECT_EQ(file->kind, 0u);
  ExpectNumbers(*file, {1012, 1015, 1017, 1023, 1052, 1053, 1054, 1055, 1057});
  ExpectFormats(*file, kSetupFormats);
}

TEST_F(ShippedLanguageFiles, TheDclFileLoadsFromTheDriverDirectory) {
  const std::string dir = "C:\\WINDOWS\\system32\\spool\\drivers\\w32x86\\3\\";
  for (const char* name : {"language.dll", "trv_uk.lng"}) copyOut(name, dir);
  trv::LanguageBinding binding =
      trv::LanguageBinding::ForDcl(dir, "C:\\WINDOWS\\system32\\trv_uk.lng");
  ASSERT_TRUE(binding.Load()) << GetLastError();
  char text[260];
  EXPECT_GT(binding.GetText(nullptr, 2000, text, sizeof text), 0);

  const std::optional<trv::lng::File> file = ReadOut("trv_uk.lng");
  ASSERT_TRUE(file.has_value());
  EXPECT_EQ(file->kind, 256u);
  // Status messages of both printer languages and the model database's names.
  std::vector<DWORD> numbers = {2000, 10000, 10001, 12248, 12368};
  for (DWORD n = 10500; n <= 10523; ++n) {
    if (n != 10511) numbers.push_back(n);
  }
  ExpectNumbers(*file, numbers);
  ExpectFormats(*file, kDclFormats);
}

}  // namespace
