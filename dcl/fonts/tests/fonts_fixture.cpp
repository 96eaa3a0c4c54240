#include "dcl/fonts/tests/fonts_fixture.h"

#include <fstream>

#include "platform/stand_in.h"
#include "platform/winreg.h"
#include "platform/winspool.h"

namespace trv::dcl::fonts::testing {

std::string DejaVu(const std::string& fileName) {
  return "/usr/share/fonts/truetype/dejavu/" + fileName;
}

FreeTypeFace::FreeTypeFace(const std::string& hostPath, long index) {
  EXPECT_EQ(FT_Init_FreeType(&library_), 0);
  EXPECT_EQ(FT_New_Face(library_, hostPath.c_str(), index, &face_), 0) << hostPath;
}

FreeTypeFace::~FreeTypeFace() {
  if (face_) FT_Done_Face(face_);
  if (library_) FT_Done_FreeType(library_);
}

std::vector<BYTE> HostBytes(const std::string& path) {
  std::string bytes = trv::testing::ReadHostFile(path);
  EXPECT_FALSE(bytes.empty()) << path;
  return std::vector<BYTE>(bytes.begin(), bytes.end());
}

void WriteHostFile(const std::string& path, const std::vector<BYTE>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.good()) << path;
}

namespace {

DWORD Be32(const std::vector<BYTE>& b, size_t at) {
  return DWORD{b[at]} << 24 | DWORD{b[at + 1]} << 16 | DWORD{b[at + 2]} << 8 | b[at + 3];
}
void PutBe32(std::vector<BYTE>& b, size_t at, DWORD v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<BYTE>(v >> (24 - 8 * i));
}

}  // namespace

// The collection header ("ttcf", version 1.0, the face count, one offset per face)
// followed by each file whole, its table offsets moved by where it now starts.
std::vector<BYTE> BuildCollection(const std::vector<std::string>& hostPaths) {
  std::vector<BYTE> out(12 + 4 * hostPaths.size(), 0);
  out[0] = 't', out[1] = 't', out[2] = 'c', out[3] = 'f';
  PutBe32(out, 4, 0x00010000);
  PutBe32(out, 8, static_cast<DWORD>(hostPaths.size()));
  for (size_t k = 0; k < hostPaths.size(); ++k) {
    while (out.size() % 4) out.push_back(0);
    std::vector<BYTE> face = HostBytes(hostPaths[k]);
    DWORD start = static_cast<DWORD>(out.size());
    PutBe32(out, 12 + 4 * k, start);
    size_t tables = (size_t{face[4]} << 8) | face[5];
    for (size_t t = 0; t < tables; ++t) {
      size_t record = 12 + 16 * t;
      PutBe32(face, record + 8, Be32(face, record + 8) + start);
    }
    out.insert(out.end(), face.begin(), face.end());
  }
  return out;
}

void FontMachine::SetUp() {
  FreshMachine::SetUp();
  char folder[1024] = "";
  DWORD needed = 0;
  ASSERT_TRUE(GetPrinterDriverDirectoryA(nullptr, nullptr, 1, reinterpret_cast<LPBYTE>(folder),
                                         sizeof folder, &needed));
  place.driverDirectory = std::string(folder) + "\\3\\";
  ASSERT_TRUE(CreateDirectoryA(place.driverDirectory.c_str(), nullptr) ||
              GetLastError() == ERROR_ALREADY_EXISTS);
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Test\\PrinterDriverData", 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, &driverData, nullptr),
            ERROR_SUCCESS);
  place.driverData = driverData;
}

void FontMachine::TearDown() {
  if (driverData) RegCloseKey(driverData);
  FreshMachine::TearDown();
}

std::string FontMachine::fontsHostFolder() const { return trv::HostPath(trv::FontsFolder()); }

void FontMachine::AddToFontsFolder(const std::string& hostPath, const std::string& name) {
  WriteHostFile(fontsHostFolder() + "/" + name, HostBytes(hostPath));
}

}  // namespace trv::dcl::fonts::testing
