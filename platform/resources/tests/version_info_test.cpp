#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/kernel.h"
#include "platform/resources.h"

namespace {

constexpr DWORD kSentinel = 0xdeadbeef;

trv::VersionDescription Sample() {
  trv::VersionDescription d;
  d.fileVersionMS = 0x00030001;
  d.fileVersionLS = 0x00020007;
  d.productVersionMS = 0x00030000;
  d.productVersionLS = 0x00000009;
  d.fileFlags = VS_FF_PRERELEASE;
  d.fileType = VFT_DRV;
  d.fileSubtype = VFT2_DRV_PRINTER;
  d.stringTables = {
      {u"040904B0",
       {{u"Comments", u""}, {u"ProductName", u"Label Driver"}, {u"FileVersion", u"3.1.2.7"}}},
      {u"040704E4", {{u"ProductName", u"Etikettendrucker f\u00fcr Gr\u00f6\u00dfen"}}},
  };
  d.translations = std::vector<trv::VersionTranslation>{{0x0409, 1200}, {0x0407, 1252}};
  return d;
}

// What the caller sees after a query: the call's result, the value and length it
// wrote (sentinels when it wrote nothing) and the last error.
struct Answer {
  BOOL ok;
  LPVOID value;
  UINT length;
  DWORD error;
};

Answer Query(const trv::Bytes& buffer, const char* path) {
  Answer a{FALSE, reinterpret_cast<LPVOID>(static_cast<ULONG_PTR>(kSentinel)), kSentinel,
           kSentinel};
  SetLastError(kSentinel);
  a.ok = VerQueryValueA(buffer.data(), path, &a.value, &a.length);
  a.error = GetLastError();
  return a;
}

std::string Text(const Answer& a) {
  return a.ok ? std::string(static_cast<const char*>(a.value)) : "<failed>";
}

bool InsideBuffer(const trv::Bytes& buffer, const Answer& a) {
  auto* p = static_cast<const BYTE*>(a.value);
  return p >= buffer.data() && p + a.length <= buffer.data() + buffer.size();
}

TEST(VersionInfo, FixedInfoHasTheDescribedFields) {
  trv::Bytes buffer = trv::FileVersionInfoBuffer(trv::BuildVersionResource(Sample()));
  Answer a = Query(buffer, "\\");
  ASSERT_TRUE(a.ok);
  ASSERT_EQ(a.length, sizeof(VS_FIXEDFILEINFO));
  ASSERT_TRUE(InsideBuffer(buffer, a));
  VS_FIXEDFILEINFO fixed;
  std::memcpy(&fixed, a.value, sizeof fixed);
  EXPECT_EQ(fixed.dwSignature, VS_FFI_SIGNATURE);
  EXPECT_EQ(fixed.dwStrucVersion, VS_FFI_STRUCVERSION);
  EXPECT_EQ(fixed.dwFileVersionMS, 0x00030001u);
  EXPECT_EQ(fixed.dwFileVersionLS, 0x00020007u);
  EXPECT_EQ(fixed.dwProductVersionMS, 0x00030000u);
  EXPECT_EQ(fixed.dwProductVersionLS, 0x00000009u);
  EXPECT_EQ(fixed.dwFileFlagsMask, VS_FFI_FILEFLAGSMASK);
  EXPECT_EQ(fixed.dwFileFlags, VS_FF_PRERELEASE);
  EXPECT_EQ(fixed.dwFileOS, VOS_NT_WINDOWS32);
  EXPECT_EQ(fixed.dwFileType, VFT_DRV);
  EXPECT_EQ(fixed.dwFileSubtype, VFT2_DRV_PRINTER);
}

TEST(VersionInfo, TextsComeBackAsAnsiWithTheirTerminatorCounted) {
  trv::Bytes buffer = trv::FileVersionInfoBuffer(trv::BuildVersionResource(Sample()));
  struct Case {
    const char* path;
    std::string text;
  } cases[] = {
      {"\\StringFileInfo\\040904B0\\ProductName", "Label Driver"},
      {"\\stringfileinfo\\040904b0\\PRODUCTNAME", "Label Driver"},
      {"StringFileInfo\\040904B0\\FileVersion", "3.1.2.7"},
      {"\\StringFileInfo\\040904B0\\Comments", ""},
      {"\\StringFileInfo\\040704E4\\ProductName",
       "Etikettendrucker f\xfcr Gr\xf6\xdf"
       "en"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    Answer a = Query(buffer, c.path);
    ASSERT_TRUE(a.ok);
    EXPECT_TRUE(InsideBuffer(buffer, a) || a.length <= 1);
    EXPECT_EQ(Text(a), c.text);
    EXPECT_EQ(a.length, c.text.size() + 1);
  }
}

TEST(VersionInfo, EveryTextKeepsItsOwnPlace) {
  trv::Bytes buffer = trv::FileVersionInfoBuffer(trv::BuildVersionResource(Sample()));
  Answer name = Query(buffer, "\\StringFileInfo\\040904B0\\ProductName");
  Answer version = Query(buffer, "\\StringFileInfo\\040904B0\\FileVersion");
  Answer again = Query(buffer, "\\StringFileInfo\\040904B0\\ProductName");
  EXPECT_EQ(name.value, again.value);
  EXPECT_EQ(Text(name), "Label Driver");
  EXPECT_EQ(Text(version), "3.1.2.7");
  // Converted copies live in the spare room behind the block, not over it.
  Answer fixed = Query(buffer, "\\");
  EXPECT_GT(static_cast<BYTE*>(name.value), static_cast<BYTE*>(fixed.value) + buffer.size() / 2);
}

TEST(VersionInfo, MissingValuesFailWithResourceTypeNotFound) {
  trv::Bytes buffer = trv::FileVersionInfoBuffer(trv::BuildVersionResource(Sample()));
  for (const char* path : {"\\StringFileInfo\\040904B0\\LegalCopyright",
                           "\\StringFileInfo\\041104B0\\ProductName", "\\VarFileInfo\\Translations",
                           "\\NoSuchBlock", "\\StringFileInfo\\040904B0\\ProductName\\x"}) {
    SCOPED_TRACE(path);
    Answer a = Query(buffer, path);
    EXPECT_FALSE(a.ok);
    EXPECT_EQ(a.error, static_cast<DWORD>(ERROR_RESOURCE_TYPE_NOT_FOUND));
    EXPECT_EQ(a.value, nullptr);
    EXPECT_EQ(a.length, 0u);
  }
}

TEST(VersionInfo, TranslationTableHoldsTheListedEntries) {
  using List = std::vector<trv::VersionTranslation>;
  struct Case {
    const char* name;
    std::optional<List> translations;
  } cases[] = {
      {"absent", std::nullopt},
      {"empty", List{}},
      {"one", List{{0x0409, 0x04B0}}},
      {"two", List{{0x0409, 0x04B0}, {0x0407, 0x04E4}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    trv::VersionDescription d = Sample();
    d.translations = c.translations;
    trv::Bytes buffer = trv::FileVersionInfoBuffer(trv::BuildVersionResource(d));
    Answer a = Query(buffer, "\\VarFileInfo\\Translation");
    if (!c.translations) {
      EXPECT_FALSE(a.ok);
      EXPECT_EQ(a.error, static_cast<DWORD>(ERROR_RESOURCE_TYPE_NOT_FOUND));
      continue;
    }
    ASSERT_TRUE(a.ok);
    ASSERT_EQ(a.length, 4 * c.translations->size());
    ASSERT_TRUE(InsideBuffer(buffer, a));
    auto* words = static_cast<const BYTE*>(a.value);
    for (size_t i = 0; i < c.translations->size(); ++i) {
      EXPECT_EQ(words[4 * i] | words[4 * i + 1] << 8, (*c.translations)[i].language);
      EXPECT_EQ(words[4 * i + 2] | words[4 * i + 3] << 8, (*c.translations)[i].codePage);
    }
    // The texts are unaffected by the translation list.
    EXPECT_EQ(Text(Query(buffer, "\\StringFileInfo\\040904B0\\ProductName")), "Label Driver");
  }
}

// The layout is the platform's: the lengths below are those every Windows module
// with a VarFileInfo block of one translation carries.
TEST(VersionInfo, BlockLayoutMatchesThePlatform) {
  trv::VersionDescription d;
  d.translations = std::vector<trv::VersionTranslation>{{0x0409, 1200}};
  trv::Bytes block = trv::BuildVersionResource(d);
  auto word = [&](size_t at) { return block.at(at) | block.at(at + 1) << 8; };
  ASSERT_EQ(block.size(), 160u);
  EXPECT_EQ(word(0), 160);  // VS_VERSIONINFO
  EXPECT_EQ(word(2), 52);
  EXPECT_EQ(word(4), 0);
  EXPECT_EQ(word(40) | word(42) << 16, static_cast<int>(VS_FFI_SIGNATURE));
  EXPECT_EQ(word(92), 68);  // VarFileInfo
  EXPECT_EQ(word(96), 1);
  EXPECT_EQ(word(124), 36);  // Var "Translation"
  EXPECT_EQ(word(126), 4);
  EXPECT_EQ(word(128), 0);
  EXPECT_EQ(word(156), 0x0409);
  EXPECT_EQ(word(158), 1200);
  std::u16string key;
  for (size_t at = 130; word(at) != 0; at += 2) key.push_back(static_cast<char16_t>(word(at)));
  EXPECT_EQ(key, u"Translation");
}

TEST(VersionInfo, ValuesKeepTheirOrder) {
  trv::Bytes block = trv::BuildVersionResource(Sample());
  auto find = [&](std::u16string_view key) {
    std::string bytes(block.begin(), block.end());
    std::string needle(reinterpret_cast<const char*>(key.data()), key.size() * 2);
    return bytes.find(needle);
  };
  EXPECT_LT(find(u"Comments"), find(u"ProductName"));
  EXPECT_LT(find(u"ProductName"), find(u"FileVersion"));
  EXPECT_LT(find(u"040904B0"), find(u"040704E4"));
}

TEST(VersionInfo, DescriptionsThatCannotBeStoredAreRefused) {
  trv::VersionDescription tooLong;
  tooLong.stringTables = {{u"040904B0", {{u"Comments", std::u16string(40000, u'x')}}}};
  EXPECT_THROW(trv::BuildVersionResource(tooLong), std::invalid_argument);
  trv::VersionDescription badKey;
  badKey.stringTables = {{std::u16string(u"0409\0x", 6), {}}};
  EXPECT_THROW(trv::BuildVersionResource(badKey), std::invalid_argument);
}

TEST(VersionInfo, QueriesNeedABlockAPathAndAPlaceForTheValue) {
  trv::Bytes buffer = trv::FileVersionInfoBuffer(trv::BuildVersionResource(Sample()));
  LPVOID value = nullptr;
  UINT length = 0;
  SetLastError(kSentinel);
  EXPECT_FALSE(VerQueryValueA(nullptr, "\\", &value, &length));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_FALSE(VerQueryValueA(buffer.data(), nullptr, &value, &length));
  EXPECT_FALSE(VerQueryValueA(buffer.data(), "\\", nullptr, &length));
  // The length is optional.
  EXPECT_TRUE(VerQueryValueA(buffer.data(), "\\", &value, nullptr));
}

// A buffer whose block was not made by GetFileVersionInfoA has no spare room to
// convert texts into: a text query is refused instead of writing past it, while
// values that need no conversion are still answered.
TEST(VersionInfo, TextQueriesNeedTheSpareRoom) {
  trv::Bytes block = trv::BuildVersionResource(Sample());
  trv::Bytes buffer(block.size() * 2 + 4, 0);  // room enough to read, but no signature
  std::copy(block.begin(), block.end(), buffer.begin());
  Answer text = Query(buffer, "\\StringFileInfo\\040904B0\\ProductName");
  EXPECT_FALSE(text.ok);
  EXPECT_EQ(text.error, static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_TRUE(Query(buffer, "\\VarFileInfo\\Translation").ok);
}

// Only the root's length says how many bytes the caller owns: a signature and
// room behind a block held in exactly its own length are not the caller's to use,
// and a block held alone is never read past its end.
TEST(VersionInfo, NothingBeyondTheRootsLengthIsTrusted) {
  trv::Bytes block = trv::BuildVersionResource(Sample());
  trv::Bytes behind = block;
  behind.insert(behind.end(), {'F', 'E', '2', 'X'});
  behind.resize(2 * block.size() + 4, 0);
  trv::Bytes alone = block;  // exactly its length, as a copy of the resource is
  for (trv::Bytes* buffer : {&behind, &alone}) {
    Answer text = Query(*buffer, "\\StringFileInfo\\040904B0\\ProductName");
    EXPECT_FALSE(text.ok);
    EXPECT_EQ(text.error, static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(Query(*buffer, "\\VarFileInfo\\Translation").ok);
  }
  // GetFileVersionInfoA's buffer vouches for its spare room through the root.
  trv::Bytes filled = trv::FileVersionInfoBuffer(block);
  EXPECT_EQ(filled[0] | filled[1] << 8, static_cast<int>(filled.size()));
  EXPECT_EQ(Text(Query(filled, "\\StringFileInfo\\040904B0\\ProductName")), "Label Driver");
}

// Lengths damaged anywhere in the block must never lead a query outside it.
TEST(VersionInfo, DamagedBlocksAreNeverReadOutOfBounds) {
  const trv::Bytes block = trv::BuildVersionResource(Sample());
  const char* paths[] = {
      "\\", "\\VarFileInfo\\Translation", "\\StringFileInfo\\040904B0\\ProductName",
      "\\StringFileInfo\\040704E4\\ProductName", "\\StringFileInfo\\040904B0\\Comments"};
  for (size_t at = 0; at + 2 <= block.size(); at += 2) {
    for (WORD damage : {WORD{0}, WORD{1}, WORD{7}, WORD{0x7FFF}, WORD{0xFFFF}}) {
      trv::Bytes damaged = block;
      damaged[at] = static_cast<BYTE>(damage);
      damaged[at + 1] = static_cast<BYTE>(damage >> 8);
      trv::Bytes buffer = trv::FileVersionInfoBuffer(damaged);
      if (buffer.empty()) continue;  // refused as a whole
      for (const char* path : paths) {
        Answer a = Query(buffer, path);
        if (a.ok && a.length > 1) {
          EXPECT_TRUE(InsideBuffer(buffer, a))
              << "word at " << at << " = " << damage << ", " << path;
        }
      }
    }
  }
}

TEST(VersionInfo, BufferIsRefusedForWhatIsNoVersionBlock) {
  trv::Bytes block = trv::BuildVersionResource(Sample());
  EXPECT_TRUE(trv::FileVersionInfoBuffer(trv::Bytes(block.begin(), block.begin() + 100)).empty());
  trv::Bytes otherKey = block;
  otherKey[6] = 'W';  // "WS_VERSION_INFO"
  EXPECT_TRUE(trv::FileVersionInfoBuffer(otherKey).empty());
  EXPECT_TRUE(trv::FileVersionInfoBuffer({}).empty());
  EXPECT_EQ(trv::FileVersionInfoBuffer(block).size(), 2 * block.size() + 4);
}

}  // namespace
