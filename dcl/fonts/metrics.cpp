// Font metrics: generating a UFM file from a TrueType face, reading stored images
// back for the back-ends, and the face name a metrics file gives.
#include <algorithm>
#include <climits>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <string>

#include "dcl/fonts/font_management.h"
#include "dcl/fonts/truetype_face.h"
#include "dcl/fonts/ufm.h"
#include "platform/kernel.h"
#include "platform/last_error.h"
#include "platform/winreg.h"

namespace trv::dcl::fonts {
namespace {

class FileHandle {
 public:
  explicit FileHandle(HANDLE h) : h_(h) {}
  ~FileHandle() {
    if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  HANDLE get() const { return h_; }
  bool ok() const { return h_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE h_;
};

DWORD ReadWholeFile(const std::string& path, std::vector<BYTE>& bytes) {
  FileHandle file(
      CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file.ok()) return GetLastError();
  DWORD size = GetFileSize(file.get(), nullptr);
  if (size == INVALID_FILE_SIZE) return GetLastError();
  bytes.assign(size, 0);
  DWORD read = 0;
  if (size != 0 && !ReadFile(file.get(), bytes.data(), size, &read, nullptr)) return GetLastError();
  bytes.resize(read);
  return ERROR_SUCCESS;
}

// Writes beside the target and renames, so that a failed write never leaves a cut
// file under the target's name for later steps to store.
DWORD WriteWholeFile(const std::string& path, const std::vector<BYTE>& bytes) {
  std::string temporary = path + ".new";
  DWORD rc = ERROR_SUCCESS;
  {
    FileHandle file(CreateFileA(temporary.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.ok()) return GetLastError();
    DWORD written = 0;
    if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size())
      rc = ERROR_WRITE_FAULT;
  }
  if (rc == ERROR_SUCCESS &&
      !MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING))
    rc = GetLastError();
  if (rc != ERROR_SUCCESS) DeleteFileA(temporary.c_str());
  return rc;
}

std::string MetricsValueName(const FontInfo& info) {
  return "UFM:" + std::string(info.metricsFile, strnlen(info.metricsFile, sizeof info.metricsFile));
}

}  // namespace

DWORD BuildMetricsImage(const std::string& windowsPath, long faceIndex, std::vector<BYTE>& image) {
  FaceMetrics face;
  bool glyphFailed = false;
  DWORD rc = ReadFaceMetrics(windowsPath, faceIndex, face, glyphFailed);
  if (rc != ERROR_SUCCESS) return rc;
  image = BuildUfmImage(face);
  // A glyph without an advance leaves its mark without failing the build.
  SetLastError(glyphFailed ? ERROR_BAD_FORMAT : ERROR_SUCCESS);
  return ERROR_SUCCESS;
}

BOOL GenerateMetrics(const FontPlace& place, HKEY key, const char* valueName, const char* faceName,
                     DWORD style) try {
  if (key == nullptr || valueName == nullptr || faceName == nullptr)
    return Fail(ERROR_INVALID_PARAMETER);
  std::string file;
  long faceIndex = 0;
  DWORD rc = FindTrueTypeFace(faceName, style, file, faceIndex);
  if (rc != ERROR_SUCCESS) return Fail(rc);
  size_t dot = file.rfind('.');
  std::string name = dot == std::string::npos ? file : file.substr(0, dot);
  std::string extension = dot == std::string::npos ? "" : file.substr(dot);
  if (lstrcmpiA(extension.c_str(), ".ttf") != 0 && lstrcmpiA(extension.c_str(), ".ttc") != 0)
    return Fail(ERROR_BAD_FORMAT);
  std::string source = WindowsFontsDirectory() + name + extension;
  std::string target = place.driverDirectory + name + ".ufm";

  std::vector<BYTE> image;
  rc = BuildMetricsImage(source, faceIndex, image);
  if (rc != ERROR_SUCCESS) return Fail(rc);
  DWORD glyphMark = GetLastError();
  rc = WriteWholeFile(target, image);
  if (rc != ERROR_SUCCESS) return Fail(rc);
  std::vector<BYTE> stored;
  rc = ReadWholeFile(target, stored);
  if (rc != ERROR_SUCCESS) return Fail(rc);
  LONG set = RegSetValueExA(key, valueName, 0, REG_BINARY, stored.data(),
                            static_cast<DWORD>(stored.size()));
  if (set != ERROR_SUCCESS) return Fail(static_cast<DWORD>(set));
  SetLastError(glyphMark);
  return TRUE;
} catch (const std::bad_alloc&) {
  return Fail(ERROR_NOT_ENOUGH_MEMORY);
}

BOOL ReadMetricsFaceName(const std::string& driverDirectory, const char* metricsFile, char* output,
                         DWORD size) try {
  if (metricsFile == nullptr || output == nullptr || size == 0)
    return Fail(ERROR_INVALID_PARAMETER);
  output[0] = 0;
  std::vector<BYTE> bytes;
  DWORD rc = ReadWholeFile(driverDirectory + metricsFile, bytes);
  if (rc != ERROR_SUCCESS) return Fail(rc);
  if (CheckUfmImage(bytes) != ERROR_SUCCESS) return Fail(ERROR_BAD_FORMAT);
  DWORD ifiAt = ReadAt<DWORD>(bytes, ufm::kIfiMetrics);
  if (ifiAt == 0) return Fail(ERROR_BAD_FORMAT);
  size_t field =
      ReadAt<DWORD>(bytes, ifiAt + ifi::kFaceName) != 0 ? ifi::kFaceName : ifi::kFamilyName;
  if (ReadAt<DWORD>(bytes, ifiAt + field) == 0) return Fail(ERROR_BAD_FORMAT);
  std::u16string name = ReadIfiString(bytes, ifiAt, field);
  int needed = WideCharToMultiByte(CP_ACP, 0, name.c_str(), -1, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return Fail(ERROR_BAD_FORMAT);
  if (static_cast<DWORD>(needed) > size) return Fail(ERROR_INSUFFICIENT_BUFFER);
  WideCharToMultiByte(CP_ACP, 0, name.c_str(), -1, output, static_cast<int>(size), nullptr,
                      nullptr);
  return TRUE;
} catch (const std::bad_alloc&) {
  return Fail(ERROR_NOT_ENOUGH_MEMORY);
}

namespace {

// Multiplies a field in place; a product past the field's range is held at its
// limit rather than wrapped into a value of the opposite sign.
template <class T>
bool Multiply(std::vector<BYTE>& image, size_t offset, LONG factor) {
  if (offset > image.size() || sizeof(T) > image.size() - offset) return false;
  long long product = static_cast<long long>(ReadAt<T>(image, offset)) * factor;
  product =
      std::clamp<long long>(product, std::numeric_limits<T>::min(), std::numeric_limits<T>::max());
  auto v = static_cast<std::uint64_t>(static_cast<T>(product));
  for (size_t i = 0; i < sizeof(T); ++i) image[offset + i] = static_cast<BYTE>(v >> (8 * i));
  return true;
}

}  // namespace

DWORD ScaleFontMetrics(std::vector<BYTE>& image, const FontInfo& info) {
  if (image.size() < kUfmHeaderSize) return ERROR_BAD_FORMAT;
  DWORD ifiAt = ReadAt<DWORD>(image, ufm::kIfiMetrics);
  if (ifiAt == 0) return ERROR_SUCCESS;
  auto multiplier = [](DWORD m) { return static_cast<LONG>(std::min<DWORD>(m, 0x7FFFFFFF)); };
  if ((info.flags & 0x200) && info.defaultMultiplierY != 1) {
    LONG factor = multiplier(info.defaultMultiplierY);
    for (size_t field :
         {ifi::kWinAscender, ifi::kWinDescender, ifi::kMacAscender, ifi::kMacDescender,
          ifi::kMacLineGap, ifi::kTypoAscender, ifi::kTypoDescender, ifi::kTypoLineGap,
          ifi::kCapHeight, ifi::kXHeight, ifi::kSubscriptYSize, ifi::kSubscriptYOffset,
          ifi::kSuperscriptYSize, ifi::kSuperscriptYOffset, ifi::kUnitsPerEm, ifi::kLowestPPEm})
      if (!Multiply<SHORT>(image, size_t{ifiAt} + field, factor)) return ERROR_BAD_FORMAT;
    for (size_t field : {ifi::kBaselineY, ifi::kCaretY, ifi::kFontBoxTop, ifi::kFontBoxBottom})
      if (!Multiply<LONG>(image, size_t{ifiAt} + field, factor)) return ERROR_BAD_FORMAT;
  }
  if ((info.flags & 0x100) && info.defaultMultiplierX != 1) {
    LONG factor = multiplier(info.defaultMultiplierX);
    for (size_t field : {ifi::kAveCharWidth, ifi::kMaxCharInc})
      if (!Multiply<SHORT>(image, size_t{ifiAt} + field, factor)) return ERROR_BAD_FORMAT;
    for (size_t field : {ifi::kBaselineX, ifi::kCaretX, ifi::kFontBoxLeft, ifi::kFontBoxRight})
      if (!Multiply<LONG>(image, size_t{ifiAt} + field, factor)) return ERROR_BAD_FORMAT;
  }
  return ERROR_SUCCESS;
}

FontMetrics* LoadFontMetrics(HKEY driverData, const FontInfo& info, BOOL scale) try {
  if (info.metricsFile[0] == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (driverData == nullptr) {
    SetLastError(ERROR_CANTOPEN);
    return nullptr;
  }
  std::string valueName = MetricsValueName(info);
  DWORD type = 0, size = 0;
  LONG rc = RegQueryValueExA(driverData, valueName.c_str(), nullptr, &type, nullptr, &size);
  if (rc != ERROR_SUCCESS) {
    SetLastError(static_cast<DWORD>(rc));
    return nullptr;
  }
  auto metrics = std::make_unique<FontMetrics>();
  metrics->image.assign(size, 0);
  rc =
      RegQueryValueExA(driverData, valueName.c_str(), nullptr, &type, metrics->image.data(), &size);
  if (rc != ERROR_SUCCESS) {
    SetLastError(static_cast<DWORD>(rc));
    return nullptr;
  }
  metrics->image.resize(size);
  // A damaged image is refused here, so that no user follows an offset out of it.
  DWORD check = CheckUfmImage(metrics->image);
  if (check == ERROR_SUCCESS && scale) check = ScaleFontMetrics(metrics->image, info);
  if (check != ERROR_SUCCESS) {
    SetLastError(check);
    return nullptr;
  }
  return metrics.release();
} catch (const std::bad_alloc&) {
  SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return nullptr;
}

BOOL FreeFontMetrics(FontMetrics* metrics) {
  if (metrics == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  delete metrics;
  return TRUE;
}

BOOL GetFontMetric(const FontMetrics* metrics, DWORD kind, void* output, DWORD size) {
  if (metrics == nullptr || output == nullptr || size != 4 ||
      (kind != kMetricAverageWidth && kind != kMetricUnitsPerEm))
    return Fail(ERROR_INVALID_PARAMETER);
  const std::vector<BYTE>& image = metrics->image;
  if (image.size() < kUfmHeaderSize) return Fail(ERROR_INVALID_PARAMETER);
  size_t ifiAt = ReadAt<DWORD>(image, ufm::kIfiMetrics);
  size_t field = ifiAt + (kind == kMetricAverageWidth ? ifi::kAveCharWidth : ifi::kUnitsPerEm);
  if (ifiAt == 0 || field + 2 > image.size()) return Fail(ERROR_INVALID_PARAMETER);
  LONG value = ReadAt<SHORT>(image, field);
  std::memcpy(output, &value, 4);
  return TRUE;
}

}  // namespace trv::dcl::fonts
