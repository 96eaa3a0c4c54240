#include "dcl/fonts/truetype_face.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_ADVANCES_H
#include FT_TRUETYPE_TABLES_H
#include FT_TRUETYPE_TAGS_H

#include <cstring>
#include <memory>
#include <vector>

#include "platform/kernel.h"

namespace trv::dcl::fonts {
namespace {

struct LibraryCloser {
  void operator()(FT_Library library) const { FT_Done_FreeType(library); }
};
struct FaceCloser {
  void operator()(FT_Face face) const { FT_Done_Face(face); }
};
using Library = std::unique_ptr<FT_LibraryRec_, LibraryCloser>;
using Face = std::unique_ptr<FT_FaceRec_, FaceCloser>;

// A FreeType stream over a file handle of the platform.
class FileStream {
 public:
  ~FileStream() {
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
  }
  DWORD Open(const std::string& windowsPath) {
    file_ = CreateFileA(windowsPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                        0, nullptr);
    if (file_ == INVALID_HANDLE_VALUE) return GetLastError();
    std::memset(&stream_, 0, sizeof stream_);
    stream_.size = GetFileSize(file_, nullptr);
    stream_.descriptor.pointer = this;
    stream_.read = &FileStream::Read;
    stream_.close = nullptr;
    return ERROR_SUCCESS;
  }
  FT_Open_Args Args() {
    FT_Open_Args args{};
    args.flags = FT_OPEN_STREAM;
    args.stream = &stream_;
    return args;
  }

 private:
  static unsigned long Read(FT_Stream stream, unsigned long offset, unsigned char* buffer,
                            unsigned long count) {
    auto* self = static_cast<FileStream*>(stream->descriptor.pointer);
    if (SetFilePointer(self->file_, static_cast<LONG>(offset), nullptr, FILE_BEGIN) ==
        INVALID_SET_FILE_POINTER)
      return count == 0 ? 1 : 0;  // a seek reports failure with a non-zero result
    if (count == 0) return 0;
    DWORD read = 0;
    if (!ReadFile(self->file_, buffer, static_cast<DWORD>(count), &read, nullptr)) return 0;
    return read;
  }

  HANDLE file_ = INVALID_HANDLE_VALUE;
  FT_StreamRec stream_{};
};

// One opened face with its library and stream, released together.
struct OpenFace {
  FileStream stream;
  Library library;
  Face face;
  long faceCount = 0;
};

// ERROR_SUCCESS, the file's error, or ERROR_GEN_FAILURE when FreeType refuses it.
DWORD Open(const std::string& windowsPath, long index, OpenFace& open) {
  DWORD rc = open.stream.Open(windowsPath);
  if (rc != ERROR_SUCCESS) return rc;
  FT_Library library = nullptr;
  if (FT_Init_FreeType(&library) != 0) return ERROR_GEN_FAILURE;
  open.library.reset(library);
  FT_Open_Args args = open.stream.Args();
  FT_Face face = nullptr;
  if (FT_Open_Face(library, &args, index, &face) != 0) return ERROR_GEN_FAILURE;
  open.face.reset(face);
  open.faceCount = face->num_faces;
  return ERROR_SUCCESS;
}

std::u16string Utf16(const char* utf8) {
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
  if (n <= 1) return u"";
  std::u16string s(static_cast<size_t>(n), u'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8, -1, s.data(), n);
  s.resize(static_cast<size_t>(n - 1));
  return s;
}

std::string Ansi(const char* utf8) {
  std::u16string wide = Utf16(utf8);
  int n = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
  if (n <= 1) return "";
  std::string s(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, s.data(), n, nullptr, nullptr);
  s.resize(static_cast<size_t>(n - 1));
  return s;
}

USHORT Be16(const std::vector<FT_Byte>& t, size_t at) {
  return static_cast<USHORT>((t[at] << 8) | t[at + 1]);
}

// The horizontal format-0 pairs of the face's 'kern' table (the Windows form of the
// table, version 0); a table that is absent or of another form gives none.
std::vector<FaceMetrics::KerningPair> KerningPairs(FT_Face face) {
  std::vector<FaceMetrics::KerningPair> pairs;
  FT_ULong length = 0;
  if (FT_Load_Sfnt_Table(face, TTAG_kern, 0, nullptr, &length) != 0 || length < 4) return pairs;
  std::vector<FT_Byte> t(length);
  if (FT_Load_Sfnt_Table(face, TTAG_kern, 0, t.data(), &length) != 0) return pairs;
  if (Be16(t, 0) != 0) return pairs;
  USHORT tables = Be16(t, 2);
  size_t at = 4;
  for (USHORT n = 0; n < tables && at + 6 <= t.size(); ++n) {
    USHORT subLength = Be16(t, at + 2);
    USHORT coverage = Be16(t, at + 4);
    size_t end = std::min(t.size(), at + std::max<size_t>(subLength, 6));
    bool horizontalFormat0 = (coverage >> 8) == 0 && (coverage & 0x01) && !(coverage & 0x04);
    if (horizontalFormat0 && at + 14 <= t.size()) {
      USHORT count = Be16(t, at + 6);
      // A count larger than the table (a length field overflowed by many pairs) is
      // read as far as the table goes.
      for (size_t i = 0, p = at + 14; i < count && p + 6 <= t.size(); ++i, p += 6)
        pairs.push_back({Be16(t, p), Be16(t, p + 2), static_cast<SHORT>(Be16(t, p + 4))});
    }
    if (end <= at) break;
    at = end;
  }
  return pairs;
}

}  // namespace

DWORD VisitFaces(const std::string& windowsPath,
                 const std::function<bool(long, const std::string&, const std::string&)>& visit) {
  for (long index = 0;; ++index) {
    OpenFace open;
    DWORD rc = Open(windowsPath, index, open);
    if (rc != ERROR_SUCCESS) return index == 0 ? rc : ERROR_FILE_NOT_FOUND;
    const char* family = open.face->family_name ? open.face->family_name : "";
    const char* style = open.face->style_name ? open.face->style_name : "";
    if (visit(index, Ansi(family), Ansi(style))) return ERROR_SUCCESS;
    if (index + 1 >= open.faceCount) return ERROR_FILE_NOT_FOUND;
  }
}

DWORD ReadFaceMetrics(const std::string& windowsPath, long index, FaceMetrics& f,
                      bool& glyphFailed) {
  OpenFace open;
  DWORD rc = Open(windowsPath, index, open);
  if (rc != ERROR_SUCCESS) return rc;
  FT_Face face = open.face.get();
  auto* head = static_cast<TT_Header*>(FT_Get_Sfnt_Table(face, FT_SFNT_HEAD));
  auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  auto* hhea = static_cast<TT_HoriHeader*>(FT_Get_Sfnt_Table(face, FT_SFNT_HHEA));
  auto* post = static_cast<TT_Postscript*>(FT_Get_Sfnt_Table(face, FT_SFNT_POST));
  // Without these tables, or without names, there is nothing sound to describe.
  // FreeType hands out a zeroed post table for a face that has none: ask the file.
  auto present = [face](FT_ULong tag) {
    FT_ULong length = 0;
    return FT_Load_Sfnt_Table(face, tag, 0, nullptr, &length) == 0 && length != 0;
  };
  if (!head || !os2 || os2->version == 0xFFFF || !hhea || !post || !present(TTAG_OS2) ||
      !present(TTAG_hhea) || !present(TTAG_post) || !face->family_name || !face->style_name)
    return ERROR_BAD_FORMAT;

  f = FaceMetrics{};
  f.family = Utf16(face->family_name);
  f.style = Utf16(face->style_name);
  f.italicAngle = static_cast<LONG>(post->italicAngle);
  f.fixedPitch = FT_IS_FIXED_WIDTH(face);
  std::memcpy(f.panose, os2->panose, 10);
  f.weight = (face->style_flags & FT_STYLE_FLAG_BOLD) ? 700 : os2->usWeightClass;
  f.selection = static_cast<USHORT>(face->style_flags & 3);
  f.unitsPerEm = static_cast<SHORT>(head->Units_Per_EM);
  f.lowestPPEm = static_cast<SHORT>(head->Lowest_Rec_PPEM);
  f.winAscender = static_cast<SHORT>(os2->usWinAscent);
  f.winDescender = static_cast<SHORT>(os2->usWinDescent);
  f.typoAscender = os2->sTypoAscender;
  f.typoDescender = os2->sTypoDescender;
  f.typoLineGap = os2->sTypoLineGap;
  f.aveCharWidth = os2->xAvgCharWidth;
  f.maxCharInc = static_cast<SHORT>(face->bbox.xMax - face->bbox.xMin);
  f.capHeight = os2->sCapHeight;
  f.xHeight = os2->sxHeight;
  const FT_Short subSuper[8] = {os2->ySubscriptXSize,     os2->ySubscriptYSize,
                                os2->ySubscriptXOffset,   os2->ySubscriptYOffset,
                                os2->ySuperscriptXSize,   os2->ySuperscriptYSize,
                                os2->ySuperscriptXOffset, os2->ySuperscriptYOffset};
  std::copy_n(subSuper, 8, f.subSuper);
  f.underscoreSize = post->underlineThickness;
  f.underscorePosition = post->underlinePosition;
  f.strikeoutSize = os2->yStrikeoutSize;
  f.strikeoutPosition = os2->yStrikeoutPosition;
  f.firstChar = os2->usFirstCharIndex;
  f.lastChar = os2->usLastCharIndex;
  f.defaultChar = os2->usDefaultChar;
  f.breakChar = os2->usBreakChar;
  f.fontBox[0] = static_cast<LONG>(face->bbox.xMin);
  f.fontBox[1] = static_cast<LONG>(face->bbox.yMin);
  f.fontBox[2] = static_cast<LONG>(face->bbox.xMax);
  f.fontBox[3] = static_cast<LONG>(face->bbox.yMax);
  std::memcpy(f.vendId, os2->achVendID, 4);
  f.familyClass = os2->sFamilyClass;

  glyphFailed = false;
  if (!f.fixedPitch && face->num_glyphs > 0) {
    // The width table counts its glyphs in 16 bits.
    size_t glyphs = std::min<size_t>(static_cast<size_t>(face->num_glyphs), 0xFFFF);
    f.widths.resize(glyphs);
    for (size_t g = 0; g < glyphs; ++g) {
      FT_Fixed advance = 0;
      if (FT_Get_Advance(face, static_cast<FT_UInt>(g), FT_LOAD_NO_SCALE, &advance) != 0) {
        glyphFailed = true;
        advance = 0;
      }
      f.widths[g] = static_cast<USHORT>(advance);
    }
  }
  f.kerning = KerningPairs(face);
  return ERROR_SUCCESS;
}

}  // namespace trv::dcl::fonts
