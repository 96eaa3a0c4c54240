// language.dll's four exports, called on language files written by each test.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "language/language_api.h"
#include "language/lng_format.h"
#include "platform/kernel.h"
#include "platform/testing/fixtures.h"

namespace {

using trv::lng::Entry;

class LanguageExports : public trv::testing::FreshMachine {
 protected:
  static constexpr const char* kPath = "C:\\lang\\test.lng";

  void writeLng(const std::vector<BYTE>& bytes, const char* path = kPath) {
    writeFile(path, std::string(bytes.begin(), bytes.end()));
  }
  void writeLng(DWORD kind, std::vector<Entry> entries) {
    writeLng(trv::lng::Encode(trv::lng::File{kind, std::move(entries)}));
  }
  // Loads kPath and keeps the handle for the test's end.
  HANDLE load(DWORD kind) {
    handle_ = LoadResources(kPath, kind);
    return handle_;
  }
  void TearDown() override {
    if (handle_ != nullptr) {
      EXPECT_TRUE(FreeResources(handle_));
    }
    FreshMachine::TearDown();
  }

 private:
  HANDLE handle_ = nullptr;
};

// A file assembled byte by byte: kind 256, two entries out of number order.
const std::vector<BYTE> kTwoEntries = {
    0x00, 0x01, 0x00, 0x00,                       // kind 256
    0x02, 0x00, 0x00, 0x00,                       // 2 entries
    0xF4, 0x03, 0x00, 0x00, 0x02, 'O', 'K',       // 1012 "OK"
    0xD0, 0x07, 0x00, 0x00, 0x03, 'a', 'b', 'c',  // 2000 "abc"
};

TEST_F(LanguageExports, ReadsTheFileLayoutAndEncodeWritesIt) {
  writeLng(kTwoEntries);
  HANDLE h = load(256);
  ASSERT_NE(h, nullptr);
  char text[16];
  EXPECT_EQ(GetStringA(h, 2000, text, sizeof text), 3);
  EXPECT_STREQ(text, "abc");
  EXPECT_EQ(GetStringA(h, 1012, text, sizeof text), 2);
  EXPECT_STREQ(text, "OK");
  EXPECT_EQ(trv::lng::Encode({256, {{1012, "OK"}, {2000, "abc"}}}), kTwoEntries);
}

struct KindCase {
  DWORD fileKind;
  DWORD askedKind;
  bool loads;
};

TEST_F(LanguageExports, OnlyAFileOfTheAskedKindLoads) {
  const KindCase cases[] = {{256, 0, false}, {256, 256, true}, {0, 0, true}, {0, 256, false}};
  for (const KindCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "file kind " << c.fileKind << ", asked " << c.askedKind);
    writeLng(c.fileKind, {{1, "x"}});
    SetLastError(0xdeadbeef);
    HANDLE h = LoadResources(kPath, c.askedKind);
    EXPECT_EQ(h != nullptr, c.loads);
    if (h != nullptr) {
      EXPECT_TRUE(FreeResources(h));
    } else {
      EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_FORMAT));
    }
  }
}

TEST_F(LanguageExports, AMissingFileGivesNoHandle) {
  writeLng(0, {});  // the folder exists, the file asked for does not
  SetLastError(0xdeadbeef);
  EXPECT_EQ(LoadResources("C:\\lang\\other.lng", 0), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(LanguageExports, AFileCutShortIsRefusedWhole) {
  // Every cut of kTwoEntries before its last byte: inside the header, after the
  // count, inside a number, after a length byte, inside a text.
  for (std::size_t size = 0; size < kTwoEntries.size(); ++size) {
    SCOPED_TRACE(testing::Message() << size << " bytes");
    writeLng(std::vector<BYTE>(kTwoEntries.begin(), kTwoEntries.begin() + size));
    SetLastError(0xdeadbeef);
    EXPECT_EQ(LoadResources(kPath, 256), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_HANDLE_EOF));
  }
}

TEST_F(LanguageExports, BytesAfterTheLastEntryAreIgnored) {
  std::vector<BYTE> bytes = kTwoEntries;
  bytes.insert(bytes.end(), {0xFF, 0xFF, 0xFF});
  writeLng(bytes);
  HANDLE h = load(256);
  ASSERT_NE(h, nullptr);
  char text[8];
  EXPECT_EQ(GetStringA(h, 2000, text, sizeof text), 3);
}

TEST_F(LanguageExports, AnEmptyFileAnswersNothing) {
  writeLng(0, {});
  HANDLE h = load(0);
  ASSERT_NE(h, nullptr);
  char text[4] = "xyz";
  SetLastError(0xdeadbeef);
  EXPECT_EQ(GetStringA(h, 1012, text, sizeof text), 0);
  EXPECT_EQ(text[0], 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
  WCHAR wide[4] = u"xyz";
  EXPECT_EQ(GetStringW(h, 1012, wide, 4), 0);
  EXPECT_EQ(wide[0], 0);
}

TEST_F(LanguageExports, BackslashNBecomesALineFeedWithinTheStoredSize) {
  writeLng(256, {{7, "Line1\\nL2"}});  // nine characters stored
  HANDLE h = load(256);
  ASSERT_NE(h, nullptr);
  std::array<char, 16> text;
  text.fill('#');
  EXPECT_EQ(GetStringA(h, 7, text.data(), static_cast<int>(text.size())), 8);
  EXPECT_EQ(std::string(text.data()), "Line1\nL2");
  // The copy covers the stored size (9 + 1): the two places freed by the
  // replacement are zero, nothing beyond is touched.
  EXPECT_EQ(text[9], 0);
  EXPECT_EQ(text[10], '#');

  std::array<WCHAR, 16> wide;
  wide.fill(u'#');
  EXPECT_EQ(GetStringW(h, 7, wide.data(), static_cast<int>(wide.size())), 8);
  EXPECT_EQ(std::u16string(wide.data()), u"Line1\nL2");
  EXPECT_EQ(wide[10], u'#');
}

TEST_F(LanguageExports, TheFirstOfTwoEntriesWithOneNumberCounts) {
  writeLng(0, {{5, "first"}, {6, "other"}, {5, "second"}});
  HANDLE h = load(0);
  ASSERT_NE(h, nullptr);
  char text[16];
  EXPECT_EQ(GetStringA(h, 5, text, sizeof text), 5);
  EXPECT_STREQ(text, "first");
}

// A text fits a buffer one larger than it; a longer one is cut and terminated.
// Both exports write within the size given and say how many characters they wrote.
TEST_F(LanguageExports, ATextIsCutToTheBufferAndTerminated) {
  const std::string longest(trv::lng::kMaxTextBytes, 'L');
  writeLng(0, {{1, longest}, {3, "Hello"}});
  HANDLE h = load(0);
  ASSERT_NE(h, nullptr);
  struct BufferCase {
    UINT number;
    int size;
    std::string expected;
  };
  const BufferCase cases[] = {
      {3, 1, ""},
      {3, 2, "H"},
      {3, 5, "Hell"},
      {3, 6, "Hello"},
      {3, 7, "Hello"},
      {1, 256, longest},
      {1, 255, longest.substr(0, 254)},
  };
  for (const BufferCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "text " << c.number << ", size " << c.size);
    const std::size_t size = static_cast<std::size_t>(c.size);
    const int length = static_cast<int>(c.expected.size());
    std::vector<char> text(size + 1, '#');
    EXPECT_EQ(GetStringA(h, c.number, text.data(), c.size), length);
    EXPECT_EQ(std::string(text.data()), c.expected);
    EXPECT_EQ(text[size], '#');
    std::vector<WCHAR> wide(size + 1, u'#');
    EXPECT_EQ(GetStringW(h, c.number, wide.data(), c.size), length);
    EXPECT_EQ(std::u16string(wide.data()), std::u16string(c.expected.begin(), c.expected.end()));
    EXPECT_EQ(wide[size], u'#');
  }
}

TEST_F(LanguageExports, ASizeOfZeroWritesNothing) {
  writeLng(0, {{3, "Hello"}});
  HANDLE h = load(0);
  ASSERT_NE(h, nullptr);
  char text[2] = {'#', '#'};
  WCHAR wide[2] = {u'#', u'#'};
  SetLastError(0xdeadbeef);
  EXPECT_EQ(GetStringA(h, 3, text, 0), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(GetStringW(h, 3, wide, 0), 0);
  EXPECT_EQ(GetStringA(nullptr, 3, text, 0), 0);
  EXPECT_EQ(text[0], '#');
  EXPECT_EQ(wide[0], u'#');
  EXPECT_EQ(GetStringA(h, 3, nullptr, 8), 0);
}

TEST_F(LanguageExports, TextsAreConvertedFromTheAnsiCodePage) {
  writeLng(0, {{9, "\x80 caf\xE9"}});  // euro sign, "café" in Windows-1252
  HANDLE h = load(0);
  ASSERT_NE(h, nullptr);
  WCHAR wide[16];
  EXPECT_EQ(GetStringW(h, 9, wide, 16), 6);
  EXPECT_EQ(std::u16string(wide), u"\u20AC caf\u00E9");
}

TEST_F(LanguageExports, ANullHandleGivesNothing) {
  char text[4] = "xyz";
  SetLastError(0xdeadbeef);
  EXPECT_EQ(GetStringA(nullptr, 1, text, sizeof text), 0);
  EXPECT_EQ(text[0], 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(FreeResources(nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

}  // namespace
