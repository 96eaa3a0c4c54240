#include "driver/tests/font_values.h"

#include <algorithm>

namespace trv::driver::testing {
namespace {

void PutI16(Bytes& b, std::size_t at, SHORT v) { PutU16(b, at, static_cast<WORD>(v)); }
void PutI32(Bytes& b, std::size_t at, LONG v) { PutU32(b, at, static_cast<DWORD>(v)); }

std::size_t Slot(const std::u16string& s) { return (2 * s.size() + 5) & ~std::size_t{3}; }

void PutString(Bytes& b, std::size_t at, const std::u16string& s) {
  for (std::size_t i = 0; i < s.size(); ++i) PutU16(b, at + 2 * i, s[i]);
}

void PutName(Bytes& r, std::size_t at, const std::string& s, std::size_t size) {
  std::copy_n(s.begin(), std::min(s.size(), size), r.begin() + static_cast<long>(at));
}

Bytes FontInfo(const std::string& face, const std::string& metrics, DWORD flags, LONG pointSize,
               DWORD classes, DWORD styles, DWORD multiplierX, DWORD multiplierY) {
  Bytes f(104, 0);
  PutName(f, 0, face, 48);
  PutName(f, 64, metrics, 16);
  PutU32(f, 80, flags);
  PutI32(f, 84, pointSize);
  PutU32(f, 88, classes);
  PutU32(f, 92, styles);
  PutU32(f, 96, multiplierX);
  PutU32(f, 100, multiplierY);
  return f;
}

}  // namespace

Bytes UfmImage(const UfmFields& s) {
  const std::size_t family = 184, face = family + Slot(s.family), style = face + Slot(s.family);
  std::size_t at = style + (s.style.empty() ? 0 : Slot(s.style));
  const std::size_t unique = at;
  if (s.uniqueName) at += Slot(s.family);
  const std::size_t sim = at;
  if (s.boldSimulation) at += 12 + 20;
  const std::size_t cjThis = at;
  std::size_t end = kUfmIfiAt + cjThis;
  const std::size_t etm = end;
  if (s.extTextMetrics) end += 52;
  const std::size_t widths = end;
  if (!s.widths.empty()) end += 16 + 2 * s.widths.size();
  const std::size_t kerning = end;
  if (!s.kerning.empty()) end += 8 + 6 * s.kerning.size();

  Bytes b(end, 0);
  PutU32(b, 0, static_cast<DWORD>(end));
  PutU32(b, 4, 0x10000);
  PutU32(b, 8, s.codePage);
  PutU32(b, 20, kUfmIfiAt);
  PutU32(b, 24, s.extTextMetrics ? static_cast<DWORD>(etm) : 0);
  PutU32(b, 28, s.widths.empty() ? 0 : static_cast<DWORD>(widths));
  PutU32(b, 32, s.kerning.empty() ? 0 : static_cast<DWORD>(kerning));
  const std::size_t i = kUfmIfiAt;
  PutU32(b, i + 0, static_cast<DWORD>(cjThis));
  PutU32(b, i + 8, static_cast<DWORD>(family));
  PutU32(b, i + 16, static_cast<DWORD>(face));
  PutU32(b, i + 12, s.style.empty() ? 0 : static_cast<DWORD>(style));
  PutU32(b, i + 20, s.uniqueName ? static_cast<DWORD>(unique) : 0);
  PutU32(b, i + 24, s.boldSimulation ? static_cast<DWORD>(sim) : 0);
  b[i + 45] = s.pitchAndFamily;
  PutU16(b, i + 46, 400);
  PutU32(b, i + 48, s.info);
  PutI16(b, i + 56, s.unitsPerEm);
  PutI16(b, i + 60, s.winAscender);
  PutI16(b, i + 62, s.winDescender);
  PutI16(b, i + 76, s.aveCharWidth);
  PutI16(b, i + 78, s.maxCharInc);
  PutI16(b, i + 80, s.capHeight);
  PutI16(b, i + 100, s.underscoreSize);
  PutI16(b, i + 102, s.underscorePosition);
  PutI16(b, i + 106, s.strikeoutPosition);
  b[i + 108] = s.firstChar;
  b[i + 109] = s.lastChar;
  PutU16(b, i + 112, s.firstChar);
  PutU16(b, i + 114, s.lastChar);
  PutI32(b, i + 124, 0);  // baseline y
  PutI32(b, i + 144, s.fontBox[0]);
  PutI32(b, i + 148, s.fontBox[1]);
  PutI32(b, i + 152, s.fontBox[2]);
  PutI32(b, i + 156, s.fontBox[3]);
  PutU32(b, i + 164, static_cast<DWORD>(s.kerning.size()));
  PutString(b, i + family, s.family);
  PutString(b, i + face, s.family);
  if (!s.style.empty()) PutString(b, i + style, s.style);
  if (s.uniqueName) PutString(b, i + unique, s.family);
  if (s.boldSimulation) {
    PutU32(b, i + sim, 12);  // bold only
    PutU16(b, i + sim + 12 + 4, 700);
    PutI16(b, i + sim + 12 + 8, static_cast<SHORT>(s.aveCharWidth + 1));
  }
  if (s.extTextMetrics) {
    PutI16(b, etm, 52);
    PutI16(b, etm + 2 * 7, s.capHeight);
    PutI16(b, etm + 2 * 11, 0);  // upright
  }
  if (!s.widths.empty()) {
    PutU32(b, widths, static_cast<DWORD>(16 + 2 * s.widths.size()));
    PutU32(b, widths + 4, 1);
    PutU16(b, widths + 8, 1);
    PutU16(b, widths + 10, static_cast<WORD>(s.widths.size()));
    PutU32(b, widths + 12, 16);
    for (std::size_t g = 0; g < s.widths.size(); ++g) PutU16(b, widths + 16 + 2 * g, s.widths[g]);
  }
  if (!s.kerning.empty()) {
    PutU32(b, kerning, static_cast<DWORD>(8 + 6 * s.kerning.size()));
    PutU32(b, kerning + 4, static_cast<DWORD>(s.kerning.size()));
    for (std::size_t k = 0; k < s.kerning.size(); ++k) {
      PutU16(b, kerning + 8 + 6 * k, std::get<0>(s.kerning[k]));
      PutU16(b, kerning + 10 + 6 * k, std::get<1>(s.kerning[k]));
      PutI16(b, kerning + 12 + 6 * k, std::get<2>(s.kerning[k]));
    }
  }
  return b;
}

Bytes TextFontRecord(const FontEntryFields& s) {
  Bytes r = Record(136, s.id);
  PutI32(r, 28, s.magnifications);
  const Bytes info = FontInfo(s.face, s.metrics, s.flags, s.pointSize, s.classes, s.styles,
                              s.multiplierX, s.multiplierY);
  std::copy(info.begin(), info.end(), r.begin() + 32);
  return r;
}

Bytes BarcodeRecord(WORD id, const std::string& face, const std::string& metrics, DWORD flags) {
  Bytes r = Record(128, id);
  const Bytes info = FontInfo(face, metrics, flags, -1, 0x17, 7, 1, 1);
  std::copy(info.begin(), info.end(), r.begin() + 24);
  return r;
}

Bytes SampleFontsValue() {
  return EntryListValue(
      {TextFontRecord({10, "CPCL Font 0", "CPF00.UFM", 0, -1, 0x17, 7, 1, 1, 1}),
       TextFontRecord({14, "CPCL Font 4", "CPF40.UFM", 0x200, -1, 0x17, 7, 1, 1, 2}),
       TextFontRecord({20, "Digits TT", "DIGITS.UFM", 0x2, 10, 0x10, 7, 1, 1, 1}),
       TextFontRecord({30, "Hidden Font", "HIDDEN.UFM", 0x1, -1, 0x17, 7, 1, 1, 1})},
      {"Font 0", "", "", "Font 4", "", "", "Digits", "", "", "Hidden", "", ""});
}

Bytes SampleBarcodesValue() {
  return EntryListValue({BarcodeRecord(2, "CPCL Code 128", "CPB128.UFM"),
                         BarcodeRecord(3, "CPCL EAN-13", "CPBEAN13.UFM")},
                        {"Code 128", "", "", "EAN-13", "", ""});
}

std::vector<SampleFont> SampleFontImages() {
  UfmFields font0;
  font0.family = u"CPCL Font 0";
  UfmFields font4;
  font4.family = u"CPCL Font 4";
  font4.unitsPerEm = 47;
  font4.aveCharWidth = 24;
  font4.maxCharInc = 24;
  font4.pitchAndFamily = 0x22;
  font4.fontBox[1] = 40;
  font4.fontBox[3] = -7;
  for (int g = 0; g < 224; ++g) font4.widths.push_back(static_cast<WORD>(g == 0 ? 12 : 24));
  font4.kerning = {{'A', 'V', -3}, {'T', 'o', -2}};
  UfmFields digits;
  digits.family = u"Digits TT";
  digits.unitsPerEm = 2048;
  digits.aveCharWidth = 1100;
  digits.maxCharInc = 1200;
  digits.fontBox[1] = 1800;
  digits.fontBox[3] = -400;
  digits.pitchAndFamily = 0x22;
  UfmFields code128;
  code128.family = u"CPCL Code 128";
  code128.unitsPerEm = 100;
  code128.aveCharWidth = 2;
  code128.maxCharInc = 2;
  code128.lastChar = 0x7E;
  UfmFields ean;
  ean.family = u"CPCL EAN-13";
  ean.unitsPerEm = 100;
  ean.aveCharWidth = 2;
  ean.firstChar = 0x30;
  ean.lastChar = 0x39;
  return {{u"UFM:CPF00.UFM", UfmImage(font0)},
          {u"UFM:CPF40.UFM", UfmImage(font4)},
          {u"UFM:DIGITS.UFM", UfmImage(digits)},
          {u"UFM:CPB128.UFM", UfmImage(code128)},
          {u"UFM:CPBEAN13.UFM", UfmImage(ean)}};
}

}  // namespace trv::driver::testing
