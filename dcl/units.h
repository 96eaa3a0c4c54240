// Lengths inside the DCL are hundredths of a millimetre; the user sees and types
// them in millimetres, centimetres or inches, and the printer wants dots.
#pragma once

#include "platform/windef.h"

namespace trv::dcl {

inline constexpr WORD kUnitMillimetres = 1;
inline constexpr WORD kUnitCentimetres = 2;
inline constexpr WORD kUnitInches = 3;

// A length in hundredths of a millimetre as dots at `dpi`, rounded to nearest.
LONG DotsFromHundredths(LONG length, LONG dpi);
// Hundredths of a millimetre -> dots, rounded to nearest, per axis.
void ToDots(int& x, int& y, int resolutionX, int resolutionY);
// Dots -> hundredths of a millimetre. An axis whose resolution is 0 keeps its value;
// the answer is true only when both resolutions are non-zero.
bool FromDots(int& x, int& y, int resolutionX, int resolutionY);

// Writes the length in the given unit ("101.6 mm", or "101.6mm" when compact).
// The text is cut to fit and always terminated within size; size <= 0 writes nothing.
void FormatLength(int hundredths, char* buffer, int size, int unit, bool compact);
// Reads a typed length: a unit suffix anywhere in the text wins over defaultUnit.
int ParseLength(const char* text, int defaultUnit);
// The spin-control step of a length field: 1 mm, or 0.1 inch.
int GetUnitStep(int unit);

// The measurement unit a DCL object shows lengths in.
class UnitCode {
 public:
  // Takes the low 16 bits of the request; only 1, 2 and 3 change the code. Answers
  // the requested low 16 bits whether or not they were taken.
  WORD Set(DWORD requested);
  WORD Get() const { return code_; }

  void FormatLengthInUserUnit(int hundredths, char* buffer, int size, bool compact) const {
    FormatLength(hundredths, buffer, size, code_, compact);
  }
  int ParseLength(const char* text) const { return dcl::ParseLength(text, code_); }
  int GetUnitStep() const { return dcl::GetUnitStep(code_); }

 private:
  WORD code_ = kUnitCentimetres;
};

}  // namespace trv::dcl
