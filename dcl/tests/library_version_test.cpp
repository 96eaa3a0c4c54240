#include "dcl/library_version.h"

#include <gtest/gtest.h>

#include "dcl/version_info.h"

namespace trv::dcl {
namespace {

// This program carries the version block of library_version_test.rc, as a language
// library carries its own.
TEST(LibraryVersionTest, KeepsTheOwnModulesBlockUntilFreed) {
  ASSERT_TRUE(LoadLibraryVersionBlock());
  ASSERT_NE(LibraryVersionBlock(), nullptr);
  EXPECT_STREQ(GetProductName(LibraryVersionBlock()), "Test Label Printer Driver");
  EXPECT_STREQ(GetComments(LibraryVersionBlock()), "Thermal labels");
  EXPECT_STREQ(GetHelpFileName(LibraryVersionBlock()), "TRVTEST.HLP");
  EXPECT_EQ(GetVersionNumber(LibraryVersionBlock()), 0x01040103u);

  FreeLibraryVersionBlock();
  EXPECT_EQ(LibraryVersionBlock(), nullptr);
  EXPECT_STREQ(GetProductName(LibraryVersionBlock()), "");

  EXPECT_TRUE(LoadLibraryVersionBlock());
  EXPECT_STREQ(GetComments(LibraryVersionBlock()), "Thermal labels");
  FreeLibraryVersionBlock();
}

}  // namespace
}  // namespace trv::dcl
