// EPL soft fonts: the "ES" bytes, the checks made before anything is sent, the
// installed-font list that only a whole download changes, and a font sent to the
// virtual printer and deleted again.
#include "dcl/epl/epl_soft_font.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "dcl/epl/epl_commands.h"
#include "dcl/model/text_heap.h"
#include "platform/kernel.h"
#include "platform/spooler_stand_in.h"
#include "platform/testing/fixtures.h"
#include "platform/testing/virtual_printer.h"
#include "platform/winsplp.h"

namespace trv::dcl::epl {
namespace {

// A glyph of `rows` rows whose every dot is black in row r when bit r of the code is set.
SoftGlyph Glyph(BYTE code, DWORD width, DWORD rows) {
  SoftGlyph g;
  g.code = code;
  g.width = width;
  g.rows = rows;
  const DWORD rb = (width + 7) / 8;
  g.bits.assign(static_cast<size_t>(rows) * rb, 0);
  for (DWORD r = 0; r < rows; ++r)
    if (code & (1u << (r % 8))) std::fill_n(g.bits.begin() + r * rb, rb, BYTE{0xFF});
  return g;
}

SoftFont TwoCharacters() {
  SoftFont f;
  f.letter = 'c';
  f.orientation = kUprightOnly;
  f.height = 3;
  f.upright = {Glyph('A', 10, 3), Glyph('B', 5, 3)};
  return f;
}

std::string Collect(const SoftFont& font, BOOL* ok, int failAt = -1) {
  std::string out;
  int writes = 0;
  *ok = SendSoftFont(font, [&](const void* b, DWORD n) {
    if (writes++ == failAt) return FALSE;
    out.append(static_cast<const char*>(b), n);
    return TRUE;
  });
  return out;
}

TEST(EplSoftFont, UprightBytes) {
  BOOL ok;
  std::string out = Collect(TwoCharacters(), &ok);
  ASSERT_TRUE(ok);
  // 'A' = 0x41: rows 0 and 6 black -> row 0 black only among three rows.
  std::string expected = std::string("\nN\nEK\"c\"\nES\"c\"") + '\x02' + '\x00' + '\x03';
  expected += std::string("A") + '\x0A' + '\x02' + std::string("\xFF\xFF\0\0\0\0", 6);
  expected += std::string("B") + '\x05' + '\x01' + std::string("\0\xFF\0", 3);
  EXPECT_EQ(out, expected);
}

TEST(EplSoftFont, RotatedBytesCarryRowsPlusOneAndRows) {
  SoftFont f = TwoCharacters();
  f.orientation = kBothOrientations;
  f.rotated = {Glyph('A', 3, 10), Glyph('B', 3, 5)};
  BOOL ok;
  std::string out = Collect(f, &ok);
  ASSERT_TRUE(ok);
  std::string tail = std::string("A") + '\x0B' + '\x0A';
  EXPECT_NE(out.find(tail), std::string::npos);
  EXPECT_EQ(out[15], '\x02');  // orientation code
}

TEST(EplSoftFont, FontsThatCannotBeSentSendNothing) {
  struct Case {
    const char* what;
    void (*spoil)(SoftFont&);
  } cases[] = {
      {"upper-case letter", [](SoftFont& f) { f.letter = 'C'; }},
      {"width byte overflow", [](SoftFont& f) { f.upright[0] = Glyph('A', 256, 3); }},
      {"rows differ from the height byte", [](SoftFont& f) { f.upright[1] = Glyph('B', 5, 4); }},
      {"height beyond a byte",
       [](SoftFont& f) {
         f.height = 300;
         f.upright = {Glyph('A', 8, 300)};
       }},
      {"no characters", [](SoftFont& f) { f.upright.clear(); }},
      {"short bitmap", [](SoftFont& f) { f.upright[0].bits.pop_back(); }},
      {"turned character too wide",
       [](SoftFont& f) {
         f.orientation = kRotatedOnly;
         f.rotated = {Glyph('A', 3, 255), Glyph('B', 3, 5)};
       }},
  };
  for (const auto& c : cases) {
    SoftFont f = TwoCharacters();
    c.spoil(f);
    BOOL ok;
    SetLastError(0);
    EXPECT_EQ(Collect(f, &ok), "") << c.what;
    EXPECT_FALSE(ok) << c.what;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER)) << c.what;
  }
}

TEST(EplSoftFont, FailedWriteStopsTheDownloadAndInstallsNothing) {
  TextHandle other("b");
  TextHandle letter("c");
  std::vector<TextFontEntry> installed(1);
  installed[0].id = 4;
  installed[0].commandMacro = other.get();
  TextFontEntry entry{};
  entry.commandMacro = letter.get();
  for (int failAt = 0; failAt < 7; ++failAt) {
    int writes = 0;
    auto write = [&](const void*, DWORD) { return writes++ == failAt ? FALSE : TRUE; };
    EXPECT_FALSE(DownloadSoftFont(TwoCharacters(), write, entry, installed)) << failAt;
    EXPECT_EQ(writes, failAt + 1) << "nothing is written after the failed write";
    ASSERT_EQ(installed.size(), 1u);
    EXPECT_EQ(installed[0].id, 4);
  }
  auto good = [](const void*, DWORD) { return TRUE; };
  ASSERT_TRUE(DownloadSoftFont(TwoCharacters(), good, entry, installed));
  ASSERT_EQ(installed.size(), 2u);
  EXPECT_EQ(installed[1].id, 5);
  EXPECT_EQ(installed[1].key, 0xFFFFu);
  EXPECT_EQ(installed[1].flags & kDownloadedFontFlag, kDownloadedFontFlag);
  // The same letter again replaces its entry and keeps the id.
  ASSERT_TRUE(DownloadSoftFont(TwoCharacters(), good, entry, installed));
  ASSERT_EQ(installed.size(), 2u);
  EXPECT_EQ(installed[1].id, 5);
}

class EplSoftFontPrinter : public trv::testing::FreshMachine {};

TEST_F(EplSoftFontPrinter, DownloadedThenDeletedOnTheVirtualPrinter) {
  VirtualPrinter printer(root() + "/jobs", PrinterLanguage::Epl);
  std::string error;
  ASSERT_TRUE(printer.Start(0, &error)) << error;
  const std::string portName = "IP_127.0.0.1:" + std::to_string(printer.Port());
  std::u16string wide(portName.begin(), portName.end());
  MONITOR* monitor = LocalPortMonitor();
  auto job = [&](const std::function<BOOL(const WriteFn&)>& body) {
    HANDLE port = nullptr;
    ASSERT_TRUE(monitor->pfnOpenPort(reinterpret_cast<LPWSTR>(wide.data()), &port));
    ASSERT_TRUE(monitor->pfnStartDocPort(port, nullptr, 1, 1, nullptr));
    WriteFn write = [&](const void* b, DWORD n) {
      DWORD written = 0;
      return monitor->pfnWritePort(port, static_cast<LPBYTE>(const_cast<void*>(b)), n, &written) &&
             written == n;
    };
    EXPECT_TRUE(body(write));
    EXPECT_TRUE(monitor->pfnEndDocPort(port));
    EXPECT_TRUE(monitor->pfnClosePort(port));
  };
  TextHandle letter("c");
  TextFontEntry entry{};
  entry.commandMacro = letter.get();
  std::vector<TextFontEntry> installed;
  job([&](const WriteFn& w) { return DownloadSoftFont(TwoCharacters(), w, entry, installed); });
  job([&](const WriteFn& w) {
    std::string del = DeleteFontLine('c');
    return w(del.data(), static_cast<DWORD>(del.size()));
  });
  std::vector<std::string> jobs;
  for (int i = 0; i < 50 && jobs.size() < 2; ++i) {
    jobs = printer.Jobs();
    if (jobs.size() < 2) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  printer.Stop();
  ASSERT_EQ(jobs.size(), 2u);
  BOOL ok;
  EXPECT_EQ(trv::testing::ReadHostFile(jobs[0]), Collect(TwoCharacters(), &ok));
  EXPECT_EQ(trv::testing::ReadHostFile(jobs[1]), "EK\"c\"\n");
  EXPECT_EQ(installed.size(), 1u);
}

}  // namespace
}  // namespace trv::dcl::epl
