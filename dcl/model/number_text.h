// Numbers as the model definition and data files write them: decimal or
// hexadecimal, optionally a symbol name, a length with a unit suffix, or an
// expression of terms joined by "&", "|" and "+".
#pragma once

#include <string_view>

#include "platform/windef.h"

namespace trv::dcl {

class ModelCallbacks;

// How a field is read.
constexpr DWORD SYMBOLS = 0x01;         // a symbol name stands for its value
constexpr DWORD TEXT_ID = 0x02;         // a text may end in "%(n)", a string-table text
constexpr DWORD UNITS = 0x08;           // "mm" and '"' suffixes; millimetres by default
constexpr DWORD INCH_DEFAULT = 0x10;    // with UNITS: a plain number is inches
constexpr DWORD HUNDREDTHS = 0x20;      // the result is scaled by 100
constexpr DWORD EXPRESSION = 0x40;      // terms joined by "&", "|" and "+"
constexpr DWORD REST_OF_LINE = 0x1000;  // the field runs to the end of the line, verbatim

// Reads one number (a single term) with the flags; symbols are resolved through
// callbacks when SYMBOLS is given and callbacks is not null.
LONG ParseNumber(std::string_view text, DWORD flags, ModelCallbacks* callbacks);
// Reads a number field: with EXPRESSION the terms are combined (a term followed by
// "&" is ANDed into the running result, one followed by "|" or "+", and the last
// one, are ORed into it, starting from 0); otherwise as ParseNumber.
LONG ParseNumberField(std::string_view text, DWORD flags, ModelCallbacks* callbacks);

// The decimal number at the start of text, read as strtod would read it in the
// "C" locale (sign, digits, fraction, exponent); 0 when there is none.
double ParseDecimal(std::string_view text);

}  // namespace trv::dcl
