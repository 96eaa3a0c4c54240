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

// ---- glyphs drawn for download --------------------------------------------------------------

namespace trv::dcl::fonts {

namespace {
// Codes 0x80 to 0x9F of the Western code page; the rest of it is Latin-1.
constexpr char16_t kWestern80[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// 26.6 pixels to whole pixels, rounded.
int Pixels(FT_Pos v) { return static_cast<int>((v + 32) >> 6); }
}  // namespace

char16_t WesternCharacter(BYTE code) {
  return code >= 0x80 && code <= 0x9F ? kWestern80[code - 0x80] : static_cast<char16_t>(code);
}

struct GlyphRasteriser::State {
  OpenFace open;
};

GlyphRasteriser::GlyphRasteriser() = default;
GlyphRasteriser::~GlyphRasteriser() = default;

DWORD GlyphRasteriser::Open(const std::string& windowsPath, long index, int height,
                            int averageWidth) {
  state_.reset();
  metrics_ = RasterMetrics{};
  if (height < 1 || averageWidth < 0) return ERROR_INVALID_PARAMETER;
  auto state = std::make_unique<State>();
  if (DWORD rc = ::trv::dcl::fonts::Open(windowsPath, index, state->open); rc != ERROR_SUCCESS)
    return rc;
  FT_Face face = state->open.face.get();
  auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  auto* hhea = static_cast<TT_HoriHeader*>(FT_Get_Sfnt_Table(face, FT_SFNT_HHEA));
  if (os2 == nullptr || os2->version == 0xFFFF || hhea == nullptr || face->units_per_EM == 0)
    return ERROR_BAD_FORMAT;
  const long winHeight = static_cast<long>(os2->usWinAscent) + os2->usWinDescent;
  if (winHeight <= 0) return ERROR_BAD_FORMAT;
  // A positive Windows font height is the cell height: the em is scaled so that the
  // face's Windows ascent and descent together fill it.
  const FT_F26Dot6 emHeight = static_cast<FT_F26Dot6>(
      (static_cast<long long>(height) * 64 * face->units_per_EM + winHeight / 2) / winHeight);
  FT_F26Dot6 emWidth = emHeight;
  if (averageWidth > 0 && os2->xAvgCharWidth > 0)
    emWidth = static_cast<FT_F26Dot6>(
        (static_cast<long long>(averageWidth) * 64 * face->units_per_EM + os2->xAvgCharWidth / 2) /
        os2->xAvgCharWidth);
  if (FT_Set_Char_Size(face, emWidth, emHeight, 72, 72) != 0) return ERROR_GEN_FAILURE;
  if (face->charmap == nullptr || face->charmap->encoding != FT_ENCODING_UNICODE)
    FT_Select_Charmap(face, FT_ENCODING_UNICODE);
  const FT_Fixed xs = face->size->metrics.x_scale;
  const FT_Fixed ys = face->size->metrics.y_scale;
  metrics_.ascent = Pixels(FT_MulFix(os2->usWinAscent, ys));
  metrics_.descent = Pixels(FT_MulFix(os2->usWinDescent, ys));
  metrics_.height = metrics_.ascent + metrics_.descent;
  metrics_.maxCharWidth = Pixels(FT_MulFix(face->max_advance_width, xs));
  metrics_.averageCharWidth = Pixels(FT_MulFix(os2->xAvgCharWidth, xs));
  const long gap = hhea->Line_Gap - (winHeight - (hhea->Ascender - hhea->Descender));
  metrics_.externalLeading = gap > 0 ? Pixels(FT_MulFix(gap, ys)) : 0;
  state_ = std::move(state);
  return ERROR_SUCCESS;
}

DWORD GlyphRasteriser::Render(BYTE code, RasterGlyph& glyph) {
  glyph = RasterGlyph{};
  if (!state_) return ERROR_INVALID_HANDLE;
  FT_Face face = state_->open.face.get();
  const FT_UInt index = FT_Get_Char_Index(face, WesternCharacter(code));
  if (FT_Load_Glyph(face, index, FT_LOAD_TARGET_MONO) != 0 ||
      FT_Render_Glyph(face->glyph, FT_RENDER_MODE_MONO) != 0)
    return ERROR_GEN_FAILURE;
  const FT_GlyphSlot slot = face->glyph;
  const FT_Bitmap& bitmap = slot->bitmap;
  const int advance = Pixels(slot->advance.x);
  const int width = static_cast<int>(bitmap.width);
  const int pitch = bitmap.pitch < 0 ? -bitmap.pitch : bitmap.pitch;
  const int stride = (width + 7) / 8;
  auto blankRow = [&](int row) {
    const unsigned char* p = bitmap.buffer + static_cast<ptrdiff_t>(row) * pitch;
    for (int i = 0; i < stride; ++i)
      if (p[i] != 0) return false;
    return true;
  };
  int first = 0, last = static_cast<int>(bitmap.rows) - 1;
  while (first <= last && blankRow(first)) ++first;
  while (last >= first && blankRow(last)) --last;
  if (width == 0 || first > last) {
    glyph.c = advance;  // nothing black: all of the advance is space
    return ERROR_SUCCESS;
  }
  glyph.a = slot->bitmap_left;
  glyph.b = width;
  glyph.c = advance - glyph.a - glyph.b;
  glyph.top = metrics_.ascent - slot->bitmap_top + first;
  glyph.rows = last - first + 1;
  glyph.bits.assign(static_cast<size_t>(glyph.rows) * stride, 0);
  // The bits past the box's right edge stay white.
  const BYTE endMask = static_cast<BYTE>(0xFF00 >> (width % 8 == 0 ? 8 : width % 8));
  for (int r = 0; r < glyph.rows; ++r) {
    const unsigned char* p = bitmap.buffer + static_cast<ptrdiff_t>(first + r) * pitch;
    BYTE* out = glyph.bits.data() + static_cast<size_t>(r) * stride;
    std::memcpy(out, p, static_cast<size_t>(stride));
    out[stride - 1] &= endMask;
  }
  return ERROR_SUCCESS;
}

}  // namespace trv::dcl::fonts
