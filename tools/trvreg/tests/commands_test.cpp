// The commands as a user meets them: their output, their questions and their errors.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "platform/testing/fixtures.h"
#include "tools/trvreg/commands.h"
#include "tools/trvreg/text.h"

namespace {

struct Outcome {
  int code;
  std::string out;
  std::string err;
};

class Commands : public trv::testing::FreshMachine {
 protected:
  static Outcome Run(const std::vector<std::string>& words, const std::string& answers = "") {
    std::vector<std::u16string> args;
    for (const auto& w : words) args.push_back(trvreg::FromUtf8(w));
    std::ostringstream out, err;
    std::istringstream in(answers);
    trvreg::Console console{out, err, in};
    int code = trvreg::RunCommand(args, console);
    return {code, out.str(), err.str()};
  }
};

TEST_F(Commands, AddThenQueryShowsValuesLikeReg) {
  const char* key = "HKLM\\Software\\Tool";
  struct Add {
    std::vector<std::string> args;
  } adds[] = {
      {{"/v", "Name", "/d", "Zebra 1"}},
      {{"/v", "Dots", "/t", "REG_DWORD", "/d", "0xcb"}},
      {{"/v", "Big", "/t", "reg_qword", "/d", "4294967296"}},
      {{"/v", "Bytes", "/t", "REG_BINARY", "/d", "00ff10"}},
      {{"/v", "List", "/t", "REG_MULTI_SZ", "/d", "a\\0b"}},
      {{"/ve", "/d", "caf\xC3\xA9"}},
  };
  for (const Add& a : adds) {
    std::vector<std::string> args = {"add", key};
    args.insert(args.end(), a.args.begin(), a.args.end());
    Outcome o = Run(args);
    EXPECT_EQ(o.code, 0) << o.err;
    EXPECT_EQ(o.out, "The operation completed successfully.\n");
  }
  ASSERT_EQ(Run({"add", "HKLM\\Software\\Tool\\Sub", "/v", "x", "/t", "REG_DWORD", "/d", "1"}).code,
            0);

  Outcome q = Run({"query", "hklm\\software\\tool"});
  EXPECT_EQ(q.code, 0);
  EXPECT_EQ(q.out,
            "\nHKEY_LOCAL_MACHINE\\software\\tool\n"
            "    Name    REG_SZ    Zebra 1\n"
            "    Dots    REG_DWORD    0xcb\n"
            "    Big    REG_QWORD    0x100000000\n"
            "    Bytes    REG_BINARY    00FF10\n"
            "    List    REG_MULTI_SZ    a\\0b\n"
            "    (Default)    REG_SZ    caf\xC3\xA9\n"
            "\nHKEY_LOCAL_MACHINE\\software\\tool\\Sub\n");

  Outcome s = Run({"query", key, "/s"});
  EXPECT_NE(s.out.find("\nHKEY_LOCAL_MACHINE\\Software\\Tool\\Sub\n    x    REG_DWORD    0x1\n"),
            std::string::npos)
      << s.out;
  Outcome v = Run({"query", key, "/v", "dots"});
  EXPECT_EQ(v.out, "\nHKEY_LOCAL_MACHINE\\Software\\Tool\n    Dots    REG_DWORD    0xcb\n");
}

TEST_F(Commands, OverwriteAndDeleteAskUnlessForced) {
  ASSERT_EQ(Run({"add", "HKCU\\Ask", "/v", "n", "/d", "one"}).code, 0);
  Outcome no = Run({"add", "HKCU\\Ask", "/v", "n", "/d", "two"}, "no\n");
  EXPECT_EQ(no.code, 1);
  EXPECT_EQ(no.out, "Value n exists, overwrite (Yes/No)? ");
  EXPECT_EQ(Run({"query", "HKCU\\Ask", "/v", "n"}).out,
            "\nHKEY_CURRENT_USER\\Ask\n    n    REG_SZ    one\n");
  EXPECT_EQ(Run({"add", "HKCU\\Ask", "/v", "n", "/d", "two"}, "yes\n").code, 0);
  EXPECT_EQ(Run({"add", "HKCU\\Ask", "/v", "n", "/d", "three", "/f"}).code, 0);
  EXPECT_EQ(Run({"query", "HKCU\\Ask", "/v", "n"}).out,
            "\nHKEY_CURRENT_USER\\Ask\n    n    REG_SZ    three\n");

  EXPECT_EQ(Run({"delete", "HKCU\\Ask"}, "").code, 1);  // no answer: nothing deleted
  EXPECT_EQ(Run({"query", "HKCU\\Ask"}).code, 0);
  EXPECT_EQ(Run({"delete", "HKCU\\Ask", "/v", "n", "/f"}).code, 0);
  EXPECT_EQ(Run({"delete", "HKCU\\Ask", "/f"}).code, 0);
  Outcome gone = Run({"query", "HKCU\\Ask"});
  EXPECT_EQ(gone.code, 1);
  EXPECT_EQ(gone.err,
            "ERROR: The system was unable to find the specified registry key or value.\n");
}

TEST_F(Commands, DeleteAllValuesKeepsSubKeys) {
  ASSERT_EQ(Run({"add", "HKLM\\Software\\Va", "/v", "a", "/d", "1"}).code, 0);
  ASSERT_EQ(Run({"add", "HKLM\\Software\\Va", "/v", "b", "/d", "2"}).code, 0);
  ASSERT_EQ(Run({"add", "HKLM\\Software\\Va\\Sub"}).code, 0);
  EXPECT_EQ(Run({"delete", "HKLM\\Software\\Va", "/va", "/f"}).code, 0);
  EXPECT_EQ(Run({"query", "HKLM\\Software\\Va"}).out,
            "\nHKEY_LOCAL_MACHINE\\Software\\Va\n\nHKEY_LOCAL_MACHINE\\Software\\Va\\Sub\n");
}

TEST_F(Commands, BadCommandLinesFailWithAMessage) {
  struct Case {
    std::vector<std::string> args;
    std::string err;
  } cases[] = {
      {{}, "Usage:"},
      {{"frobnicate", "HKLM\\x"}, "ERROR: Invalid syntax."},
      {{"query"}, "ERROR: Invalid syntax."},
      {{"query", "HKXX\\Software"}, "ERROR: Invalid key name."},
      {{"add", "HKLM\\Software\\T", "/v", "n", "/t", "REG_DWORD", "/d", "12x"},
       "ERROR: Invalid data for REG_DWORD"},
      {{"add", "HKLM\\Software\\T", "/v", "n", "/t", "REG_WHATEVER"},
       "ERROR: Invalid key name or type."},
      {{"add", "HKLM\\Software\\T", "/v", "n", "/t", "REG_BINARY", "/d", "abc"},
       "ERROR: Invalid data"},
      {{"add", "HKLM\\Software\\T", "/v"}, "ERROR: Invalid syntax."},
      {{"delete", "HKLM", "/f"}, "ERROR: Access is denied."},
      {{"import", "/nonexistent/file.reg"}, "ERROR: Cannot read the file"},
  };
  for (const Case& c : cases) {
    Outcome o = Run(c.args);
    EXPECT_EQ(o.code, 1);
    EXPECT_EQ(o.err.rfind(c.err, 0), 0u) << o.err;
  }
}

TEST_F(Commands, ExportAndImportThroughWindowsPaths) {
  ASSERT_EQ(Run({"add", "HKLM\\Software\\Back", "/v", "n", "/t", "REG_DWORD", "/d", "7"}).code, 0);
  ASSERT_EQ(Run({"export", "HKLM\\Software\\Back", "C:\\backup.reg"}).code, 0);
  EXPECT_EQ(readFile("C:\\backup.reg"),
            "Windows Registry Editor Version 5.00\r\n\r\n"
            "[HKEY_LOCAL_MACHINE\\Software\\Back]\r\n\"n\"=dword:00000007\r\n\r\n");
  Outcome again = Run({"export", "HKLM\\Software\\Back", "C:\\backup.reg"}, "n\n");
  EXPECT_EQ(again.code, 1);
  EXPECT_EQ(again.out, "File C:\\backup.reg already exists. Overwrite (Yes/No)? ");

  ASSERT_EQ(Run({"delete", "HKLM\\Software\\Back", "/f"}).code, 0);
  ASSERT_EQ(Run({"import", "C:\\backup.reg"}).code, 0);
  EXPECT_EQ(Run({"query", "HKLM\\Software\\Back", "/v", "n"}).out,
            "\nHKEY_LOCAL_MACHINE\\Software\\Back\n    n    REG_DWORD    0x7\n");
}

}  // namespace
