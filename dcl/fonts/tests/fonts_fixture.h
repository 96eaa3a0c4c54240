// Test support for font management: a fresh machine with a driver folder, the
// distribution's DejaVu faces, FreeType opened independently of the code under test,
// and a collection file built from two faces.
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dcl/fonts/font_management.h"
#include "dcl/fonts/ufm.h"
#include "platform/testing/fixtures.h"

namespace trv::dcl::fonts::testing {

// The distribution's faces (package fonts-dejavu-core).
std::string DejaVu(const std::string& fileName);

// A face opened with FreeType straight from the host file.
class FreeTypeFace {
 public:
  FreeTypeFace(const std::string& hostPath, long index = 0);
  ~FreeTypeFace();
  FT_Face operator->() const { return face_; }
  FT_Face get() const { return face_; }

 private:
  FT_Library library_ = nullptr;
  FT_Face face_ = nullptr;
};

// The bytes of a host file (through the fixtures' reader).
std::vector<BYTE> HostBytes(const std::string& path);
void WriteHostFile(const std::string& path, const std::vector<BYTE>& bytes);
// A TrueType collection holding the given single-face files, in order.
std::vector<BYTE> BuildCollection(const std::vector<std::string>& hostPaths);

class FontMachine : public trv::testing::FreshMachine {
 protected:
  void SetUp() override;
  // Copies a host file into the machine's fonts folder under `name`.
  void AddToFontsFolder(const std::string& hostPath, const std::string& name);
  std::string fontsHostFolder() const;
  FontPlace place;
  HKEY driverData = nullptr;
  void TearDown() override;
};

}  // namespace trv::dcl::fonts::testing
