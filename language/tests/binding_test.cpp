// LanguageBinding for setup and for the DCL, against the built language.dll.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "language/language_binding.h"
#include "language/lng_format.h"
#include "platform/kernel.h"
#include "platform/stand_in.h"
#include "platform/testing/fixtures.h"

namespace fs = std::filesystem;

namespace {

using trv::LanguageBinding;
using trv::lng::Entry;

constexpr const char* kSetupDir = "C:\\Setup\\";
constexpr const char* kSetupFile = "C:\\Setup\\inst_UK.lng";
constexpr const char* kDriverDir = "C:\\WINDOWS\\system32\\spool\\drivers\\w32x86\\3\\";

enum class Client { Setup, Dcl };

class Binding : public trv::testing::FreshMachine {
 protected:
  static std::string ClientName(Client client) { return client == Client::Setup ? "setup" : "DCL"; }

  // The client's binding; for the DCL the host names the file with a directory
  // of its own, which does not count.
  static LanguageBinding Make(Client client) {
    if (client == Client::Setup) return LanguageBinding::ForSetup(kSetupDir, kSetupFile);
    return LanguageBinding::ForDcl(kDriverDir, "D:\\host\\files\\trv_uk.lng");
  }
  static std::string Directory(Client client) {
    return client == Client::Setup ? kSetupDir : kDriverDir;
  }
  static DWORD Kind(Client client) { return client == Client::Setup ? 0 : 256; }

  void installLibrary(const std::string& directory,
                      const std::string& hostFile = trv::testing::OutDir() + "/language.dll") {
    fs::create_directories(host(directory));
    fs::copy_file(hostFile, host(directory + "language.dll"));
  }
  void writeLng(const std::string& path, DWORD kind, std::vector<Entry> entries) {
    const std::vector<BYTE> bytes = trv::lng::Encode({kind, std::move(entries)});
    writeFile(path, std::string(bytes.begin(), bytes.end()));
  }
  // Library and a file of the given kind where the client looks for them.
  void install(Client client, DWORD kind, std::vector<Entry> entries) {
    installLibrary(Directory(client));
    writeLng(
        client == Client::Setup ? std::string(kSetupFile) : std::string(kDriverDir) + "trv_uk.lng",
        kind, std::move(entries));
  }

  static std::string Text(const LanguageBinding& binding, UINT number) {
    char text[520];
    const int length = binding.GetText(GetModuleHandleA(nullptr), number, text, sizeof text);
    EXPECT_EQ(length, static_cast<int>(std::string(text).size()));
    return text;
  }

  static HWND Control(HWND parent, int id, const char* text) {
    return CreateWindowExA(0, "STATIC", text, WS_CHILD, 0, 0, 0, 0, parent,
                           reinterpret_cast<HMENU>(static_cast<LONG_PTR>(id)), nullptr, nullptr);
  }
  static std::string WindowText(HWND window) {
    char text[520];
    GetWindowTextA(window, text, sizeof text);
    return text;
  }
};

const Client kClients[] = {Client::Setup, Client::Dcl};

TEST_F(Binding, EachClientLoadsItsLibraryAndFile) {
  EXPECT_EQ(Make(Client::Setup).libraryPath(), "C:\\Setup\\language.dll");
  EXPECT_EQ(Make(Client::Setup).filePath(), kSetupFile);
  EXPECT_EQ(Make(Client::Dcl).libraryPath(), std::string(kDriverDir) + "\\language.dll");
  EXPECT_EQ(Make(Client::Dcl).filePath(), std::string(kDriverDir) + "\\trv_uk.lng");
  for (Client client : kClients) {
    SCOPED_TRACE(ClientName(client));
    install(client, Kind(client), {{1012, "Printer Setup Wizard"}});
    LanguageBinding binding = Make(client);
    ASSERT_TRUE(binding.Load()) << GetLastError();
    EXPECT_TRUE(binding.IsLoaded());
    EXPECT_EQ(Text(binding, 1012), "Printer Setup Wizard");
    EXPECT_EQ(Text(binding, 4711), "");
  }
}

TEST_F(Binding, TheDclTakesOnlyTheFileNameOfItsLanguageFile) {
  struct Case {
    const char* given;
    const char* file;
  };
  const Case cases[] = {{"trv_uk.lng", "trv_uk.lng"},
                        {"D:\\a\\b\\trv_fr.lng", "trv_fr.lng"},
                        {"C:trv_de.lng", "trv_de.lng"},
                        {"x/dir.d/plain", "plain"},
                        {"\\\\server\\share\\t.v.lng", "t.v.lng"}};
  for (const Case& c : cases) {
    EXPECT_EQ(LanguageBinding::ForDcl("C:\\drv", c.given).filePath(),
              std::string("C:\\drv\\") + c.file)
        << c.given;
  }
}

TEST_F(Binding, EachClientRefusesTheOtherClientsFiles) {
  for (Client client : kClients) {
    SCOPED_TRACE(ClientName(client));
    install(client, Kind(client) == 0 ? 256 : 0, {{1012, "from the file"}});
    LanguageBinding binding = Make(client);
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(binding.Load());
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_FORMAT));
    EXPECT_FALSE(binding.IsLoaded());
    EXPECT_EQ(Text(binding, 1012), "Built-in title");
    fs::remove_all(host(Directory(client)));
  }
}

TEST_F(Binding, WithoutTheLibraryTextsComeFromTheModule) {
  writeLng(kSetupFile, 0, {{1012, "from the file"}});
  LanguageBinding binding = Make(Client::Setup);
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(binding.Load());
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  EXPECT_EQ(Text(binding, 1012), "Built-in title");
}

TEST_F(Binding, ALibraryWithoutAllFourExportsIsNotUsed) {
  installLibrary(kSetupDir, TRV_NO_GETSTRINGW_LIBRARY);
  writeLng(kSetupFile, 0, {{1012, "from the file"}});
  LanguageBinding binding = Make(Client::Setup);
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(binding.Load());
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
  EXPECT_FALSE(binding.IsLoaded());
  EXPECT_EQ(Text(binding, 1012), "Built-in title");
}

TEST_F(Binding, TranslateWindowRetitlesOnlyDirectChildrenWithATextOfTheirNumber) {
  for (Client client : kClients) {
    SCOPED_TRACE(ClientName(client));
    install(client, Kind(client), {{1040, "Welcome, take a seat"}, {1050, "Group"}});
    HWND dialog = CreateWindowExA(0, "#32770", "Dialog", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                  nullptr, nullptr);
    HWND welcome = Control(dialog, 1040, "template 1040");
    HWND heading = Control(dialog, 1039, "template 1039");
    HWND group = Control(dialog, 1050, "template 1050");
    HWND inner = Control(group, 1040, "inner 1040");

    LanguageBinding binding = Make(client);
    binding.TranslateWindow(dialog);  // nothing loaded yet: nothing changes
    EXPECT_EQ(WindowText(welcome), "template 1040");

    ASSERT_TRUE(binding.Load());
    binding.TranslateWindow(dialog);
    EXPECT_EQ(WindowText(welcome), "Welcome, take a seat");
    EXPECT_EQ(WindowText(heading), "template 1039");
    EXPECT_EQ(WindowText(group), "Group");
    EXPECT_EQ(WindowText(inner), "inner 1040");
    DestroyWindow(dialog);
    binding.Release();
    fs::remove_all(host(Directory(client)));
  }
}

TEST_F(Binding, ReleaseEmptiesTheBindingAndLoadWorksAgain) {
  install(Client::Dcl, 256, {{2000, "The printer is not ready."}});
  LanguageBinding binding = Make(Client::Dcl);
  ASSERT_TRUE(binding.Load());
  binding.Release();
  EXPECT_FALSE(binding.IsLoaded());
  EXPECT_EQ(Text(binding, 2000), "");
  ASSERT_TRUE(binding.Load());
  ASSERT_TRUE(binding.Load());  // a second load replaces the first
  LanguageBinding moved = std::move(binding);
  // The moved-from binding is checked on purpose: it must hold nothing any more.
  EXPECT_FALSE(binding.IsLoaded());  // NOLINT(bugprone-use-after-move)
  EXPECT_EQ(Text(moved, 2000), "The printer is not ready.");
}

}  // namespace
