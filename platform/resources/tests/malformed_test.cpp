#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "platform/kernel.h"
#include "platform/resources.h"
#include "platform/resources/directory.h"
#include "platform/resources/elf_section.h"
#include "platform/resources/string_table.h"
#include "platform/resources/tests/elf_image.h"
#include "platform/testing/fixtures.h"

namespace {

using trv::ResourceId;
using trv::resources::BundleString;
using trv::resources::DirectoryEntry;
using trv::resources::ParseDirectory;
using trv::resources::ReadElfSection;
using trv::resources::SectionStatus;
using trv::testing::ElfImage;
using trv::testing::MakeElfImage;

constexpr DWORD kSentinel = 0xdeadbeef;
constexpr DWORD kFine = ERROR_SUCCESS;

trv::Bytes FixtureDirectory(bool withVersion = true) {
  trv::VersionDescription d;
  d.stringTables = {{u"040904B0", {{u"ProductName", u"Fixture"}}}};
  d.translations = std::vector<trv::VersionTranslation>{{0x0409, 1200}};
  std::vector<trv::Resource> resources;
  if (withVersion) resources.push_back({WORD{16}, WORD{1}, 0x0409, trv::BuildVersionResource(d)});
  for (trv::Resource& r : trv::BuildStringTable({{1, u"one"}}, 0x0409))
    resources.push_back(std::move(r));
  return trv::BuildResourceDirectory(resources);
}

class Malformed : public trv::testing::FreshMachine {
 protected:
  // Writes the image under a name of its own (a rewritten file of the same size
  // may keep its time stamp) and returns that name.
  std::string Store(const std::string& bytes) {
    std::string path = "C:\\images\\" + std::to_string(next_++) + ".dll";
    writeFile(path, bytes);
    return path;
  }

  // The error GetFileVersionInfoSizeA reports for the image, kFine when it answers
  // a size; then, for an image it accepts, every query must stay in the buffer.
  DWORD Check(const std::string& bytes) {
    std::string path = Store(bytes);
    SetLastError(kSentinel);
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), nullptr);
    if (size == 0) return GetLastError();
    std::vector<BYTE> info(size);
    EXPECT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, info.data()));
    for (const char* query :
         {"\\", "\\VarFileInfo\\Translation", "\\StringFileInfo\\040904B0\\ProductName"}) {
      LPVOID value = nullptr;
      UINT length = 0;
      if (VerQueryValueA(info.data(), query, &value, &length) && length > 1) {
        auto* p = static_cast<BYTE*>(value);
        EXPECT_TRUE(p >= info.data() && p + length <= info.data() + info.size()) << query;
      }
    }
    return kFine;
  }

  std::string ProductName(const std::string& bytes) {
    std::string path = Store(bytes);
    std::vector<BYTE> info(GetFileVersionInfoSizeA(path.c_str(), nullptr));
    LPVOID value = nullptr;
    UINT length = 0;
    if (info.empty() ||
        !GetFileVersionInfoA(path.c_str(), 0, static_cast<DWORD>(info.size()), info.data()) ||
        !VerQueryValueA(info.data(), "\\StringFileInfo\\040904B0\\ProductName", &value, &length))
      return "<none>";
    return static_cast<const char*>(value);
  }

 private:
  int next_ = 0;
};

TEST_F(Malformed, TheFixtureItselfIsSound) {
  EXPECT_EQ(ProductName(MakeElfImage("trv_rsrc", FixtureDirectory()).bytes), "Fixture");
}

TEST_F(Malformed, DamagedModulesAreRefusedCleanly) {
  const trv::Bytes directory = FixtureDirectory();
  const size_t firstEntry = 16;
  const size_t versionOffset = directory[firstEntry + 12] | directory[firstEntry + 13] << 8;
  struct Case {
    const char* name;
    std::function<void(ElfImage&)> damage;
    DWORD error;
  } cases[] = {
      {"32-bit class", [](ElfImage& e) { e.put(4, 1, 1); }, ERROR_BAD_FORMAT},
      {"big-endian", [](ElfImage& e) { e.put(5, 2, 1); }, ERROR_BAD_FORMAT},
      {"no section headers", [](ElfImage& e) { e.put(0x28, 0, 8); }, ERROR_RESOURCE_DATA_NOT_FOUND},
      {"headers past the end", [](ElfImage& e) { e.put(0x28, e.bytes.size() - 8, 8); },
       ERROR_BAD_FORMAT},
      {"headers at a wrapping offset", [](ElfImage& e) { e.put(0x28, ~0ull - 10, 8); },
       ERROR_BAD_FORMAT},
      {"header size", [](ElfImage& e) { e.put(0x3A, 40, 2); }, ERROR_BAD_FORMAT},
      {"section count", [](ElfImage& e) { e.put(0x3C, 0xFFFE, 2); }, ERROR_BAD_FORMAT},
      {"name table index", [](ElfImage& e) { e.put(0x3E, 3, 2); }, ERROR_BAD_FORMAT},
      {"name table past the end",
       [](ElfImage& e) { e.put(e.sectionHeader(2) + 32, 1ull << 40, 8); }, ERROR_BAD_FORMAT},
      {"section past the end",
       [](ElfImage& e) { e.put(e.sectionHeader(1) + 24, e.bytes.size() - 4, 8); },
       ERROR_BAD_FORMAT},
      {"section size wraps", [](ElfImage& e) { e.put(e.sectionHeader(1) + 32, ~0ull, 8); },
       ERROR_BAD_FORMAT},
      {"section without file bytes", [](ElfImage& e) { e.put(e.sectionHeader(1) + 4, 8, 4); },
       ERROR_BAD_FORMAT},
      {"section name outside the table", [](ElfImage& e) { e.put(e.sectionHeader(1), 5000, 4); },
       ERROR_RESOURCE_DATA_NOT_FOUND},
      {"directory magic", [](ElfImage& e) { e.put(e.contentsOffset, 0, 4); }, ERROR_BAD_FORMAT},
      {"directory version", [](ElfImage& e) { e.put(e.contentsOffset + 4, 2, 2); },
       ERROR_BAD_FORMAT},
      {"entry count", [](ElfImage& e) { e.put(e.contentsOffset + 8, 0x10000000, 4); },
       ERROR_BAD_FORMAT},
      {"directory size",
       [&](ElfImage& e) { e.put(e.contentsOffset + 12, directory.size() + 1, 4); },
       ERROR_BAD_FORMAT},
      {"zero type", [](ElfImage& e) { e.put(e.contentsOffset + firstEntry, 0, 4); },
       ERROR_BAD_FORMAT},
      {"type text outside",
       [&](ElfImage& e) {
         e.put(e.contentsOffset + firstEntry, 0x80000000u | directory.size(), 4);
       },
       ERROR_BAD_FORMAT},
      {"data outside",
       [&](ElfImage& e) { e.put(e.contentsOffset + firstEntry + 12, directory.size() - 2, 4); },
       ERROR_BAD_FORMAT},
      {"data size wraps",
       [](ElfImage& e) { e.put(e.contentsOffset + firstEntry + 16, 0xFFFFFFF0u, 4); },
       ERROR_BAD_FORMAT},
      {"version block longer than its resource",
       [&](ElfImage& e) { e.put(e.contentsOffset + versionOffset, 0xFFFF, 2); },
       ERROR_INVALID_DATA},
      {"version block under another key",
       [&](ElfImage& e) { e.put(e.contentsOffset + versionOffset + 6, 'W', 2); },
       ERROR_INVALID_DATA},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ElfImage image = MakeElfImage("trv_rsrc", directory);
    c.damage(image);
    EXPECT_EQ(Check(image.bytes), c.error);
  }
}

TEST_F(Malformed, ModulesWithoutTheSectionOrTheVersion) {
  EXPECT_EQ(Check(MakeElfImage("trv_rsrc_other", FixtureDirectory()).bytes),
            ERROR_RESOURCE_DATA_NOT_FOUND);
  EXPECT_EQ(Check(MakeElfImage("trv_rsr", FixtureDirectory()).bytes),
            ERROR_RESOURCE_DATA_NOT_FOUND);
  EXPECT_EQ(Check(MakeElfImage("trv_rsrc", FixtureDirectory(false)).bytes),
            ERROR_RESOURCE_TYPE_NOT_FOUND);
  EXPECT_EQ(Check(std::string("\x7f"
                              "ELF",
                              4)),
            ERROR_RESOURCE_DATA_NOT_FOUND);
  EXPECT_EQ(Check(""), ERROR_RESOURCE_DATA_NOT_FOUND);
}

// A few cuts of a real module, through the calls: each is refused.
TEST_F(Malformed, CutModulesAreRefused) {
  std::ifstream in(TRV_RESTEST_MODULE, std::ios::binary);
  std::string module((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_GT(module.size(), 4096u);
  for (size_t length : {size_t{63}, size_t{64}, module.size() / 2, module.size() - 1}) {
    SCOPED_TRACE(length);
    DWORD error = Check(module.substr(0, length));
    EXPECT_TRUE(error == ERROR_BAD_FORMAT || error == ERROR_RESOURCE_DATA_NOT_FOUND) << error;
  }
}

// What the platform makes of a module image, read from memory the way it reads a
// file. Every part it hands on must lie within what it was given, and it must
// never ask to read beyond the image.
class Examiner {
 public:
  explicit Examiner(std::string image) : image_(std::move(image)) {}

  void run() {
    std::vector<BYTE> section;
    auto read = [this](std::uint64_t offset, size_t size, BYTE* out) {
      if (offset > image_.size() || size > image_.size() - offset) {
        ++outOfRange;
        return false;
      }
      std::memcpy(out, image_.data() + offset, size);
      return true;
    };
    if (ReadElfSection(image_.size(), read, "trv_rsrc", section) != SectionStatus::Found) return;
    auto entries = ParseDirectory(section);
    if (!entries) return;
    ++directoriesRead;
    for (const DirectoryEntry& e : *entries) {
      EXPECT_TRUE(e.data.empty() ||
                  (e.data.data() >= section.data() &&
                   e.data.data() + e.data.size() <= section.data() + section.size()));
      if (e.type == ResourceId(WORD{16})) queryVersion(e.data);
      if (e.type == ResourceId(WORD{6})) readBundle(e.data);
    }
  }

  int outOfRange = 0;
  int directoriesRead = 0;

 private:
  static void queryVersion(std::span<const BYTE> resource) {
    trv::Bytes buffer = trv::FileVersionInfoBuffer(resource);
    if (buffer.empty()) return;
    for (const char* query :
         {"\\", "\\VarFileInfo\\Translation", "\\StringFileInfo\\040904B0\\ProductName"}) {
      LPVOID value = nullptr;
      UINT length = 0;
      if (VerQueryValueA(buffer.data(), query, &value, &length) && length > 1) {
        auto* p = static_cast<BYTE*>(value);
        EXPECT_TRUE(p >= buffer.data() && p + length <= buffer.data() + buffer.size()) << query;
      }
    }
  }

  static void readBundle(std::span<const BYTE> bundle) {
    for (UINT slot = 0; slot < 16; ++slot) {
      auto text = BundleString(bundle, slot);
      if (!text) continue;
      auto* start = reinterpret_cast<const BYTE*>(text->data());
      EXPECT_TRUE(start >= bundle.data() &&
                  start + text->size() * 2 <= bundle.data() + bundle.size());
    }
  }

  const std::string image_;
};

// Every cut and every damaged byte of a module image: refused or answered, but
// never read or written out of bounds (the sanitizer build watches the memory).
TEST(DamagedImages, NoCutOrDamagedByteLeadsOutOfBounds) {
  const std::string image = MakeElfImage("trv_rsrc", FixtureDirectory()).bytes;
  Examiner whole(image);
  whole.run();
  ASSERT_EQ(whole.directoriesRead, 1);  // the examiner does see a sound image
  int outOfRange = 0;
  for (size_t length = 0; length < image.size(); ++length) {
    Examiner cut(image.substr(0, length));
    cut.run();
    outOfRange += cut.outOfRange;
    EXPECT_EQ(cut.directoriesRead, 0);  // the section headers come last
  }
  for (size_t at = 0; at < image.size(); ++at) {
    for (int value : {0x00, 0x01, 0x7F, 0x80, 0xFF, image[at] ^ 0x01, image[at] ^ 0x80}) {
      std::string damaged = image;
      damaged[at] = static_cast<char>(value);
      Examiner examiner(damaged);
      examiner.run();
      outOfRange += examiner.outOfRange;
    }
  }
  EXPECT_EQ(outOfRange, 0);
}

}  // namespace
