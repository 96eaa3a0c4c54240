// The GDI part of the Windows stand-in that font management needs: the process's
// font table (AddFontResource / RemoveFontResource), memory device contexts and
// font-family enumeration. Names, signatures and error semantics follow Win32;
// structures keep Windows' layouts.
#pragma once

#include "platform/kernel.h"
#include "platform/windef.h"

struct HDC__;
using HDC = HDC__*;
// GDI objects: one handle type per kind; HGDIOBJ takes any of them, as on Windows.
using HGDIOBJ = void*;
struct HBITMAP__;
using HBITMAP = HBITMAP__*;
struct HPALETTE__;
using HPALETTE = HPALETTE__*;
struct HPEN__;
using HPEN = HPEN__*;
struct HBRUSH__;
using HBRUSH = HBRUSH__*;
struct HFONT__;
using HFONT = HFONT__*;
struct HRGN__;
using HRGN = HRGN__*;

// 0x00bbggrr
using COLORREF = DWORD;
#define RGB(r, g, b)                                                                             \
  (static_cast<COLORREF>(static_cast<BYTE>(r) | (static_cast<WORD>(static_cast<BYTE>(g)) << 8) | \
                         (static_cast<DWORD>(static_cast<BYTE>(b)) << 16)))
#define GetRValue(c) (static_cast<BYTE>((c)&0xff))
#define GetGValue(c) (static_cast<BYTE>(((c) >> 8) & 0xff))
#define GetBValue(c) (static_cast<BYTE>(((c) >> 16) & 0xff))

#define LF_FACESIZE 32
#define LF_FULLFACESIZE 64

#define ANSI_CHARSET 0
#define DEFAULT_CHARSET 1
#define SYMBOL_CHARSET 2

#define FIXED_PITCH 1
#define VARIABLE_PITCH 2
#define FF_DONTCARE 0x00
#define FF_ROMAN 0x10
#define FF_SWISS 0x20
#define FF_MODERN 0x30

#define FW_NORMAL 400
#define FW_BOLD 700

#define RASTER_FONTTYPE 0x0001
#define DEVICE_FONTTYPE 0x0002
#define TRUETYPE_FONTTYPE 0x0004

#define NTM_ITALIC 0x00000001
#define NTM_BOLD 0x00000020
#define NTM_REGULAR 0x00000040
#define NTM_TT_OPENTYPE 0x00040000

#define OUT_DEFAULT_PRECIS 0
#define OUT_DEVICE_PRECIS 5
#define OUT_TT_PRECIS 4
#define OUT_TT_ONLY_PRECIS 7
#define TMPF_DEVICE 0x08
#define TMPF_FIXED_PITCH 0x01
#define TMPF_VECTOR 0x02
#define TMPF_TRUETYPE 0x04

// Posted to every top-level window when the machine's set of fonts has changed.
#define WM_FONTCHANGE 0x001D

struct LOGFONTA {
  LONG lfHeight;
  LONG lfWidth;
  LONG lfEscapement;
  LONG lfOrientation;
  LONG lfWeight;
  BYTE lfItalic;
  BYTE lfUnderline;
  BYTE lfStrikeOut;
  BYTE lfCharSet;
  BYTE lfOutPrecision;
  BYTE lfClipPrecision;
  BYTE lfQuality;
  BYTE lfPitchAndFamily;
  CHAR lfFaceName[LF_FACESIZE];
};

struct LOGFONTW {
  LONG lfHeight;
  LONG lfWidth;
  LONG lfEscapement;
  LONG lfOrientation;
  LONG lfWeight;
  BYTE lfItalic;
  BYTE lfUnderline;
  BYTE lfStrikeOut;
  BYTE lfCharSet;
  BYTE lfOutPrecision;
  BYTE lfClipPrecision;
  BYTE lfQuality;
  BYTE lfPitchAndFamily;
  WCHAR lfFaceName[LF_FACESIZE];
};

struct ENUMLOGFONTEXA {
  LOGFONTA elfLogFont;
  BYTE elfFullName[LF_FULLFACESIZE];
  BYTE elfStyle[LF_FACESIZE];
  BYTE elfScript[LF_FACESIZE];
};

struct ENUMLOGFONTEXW {
  LOGFONTW elfLogFont;
  WCHAR elfFullName[LF_FULLFACESIZE];
  WCHAR elfStyle[LF_FACESIZE];
  WCHAR elfScript[LF_FACESIZE];
};

struct NEWTEXTMETRICA {
  LONG tmHeight;
  LONG tmAscent;
  LONG tmDescent;
  LONG tmInternalLeading;
  LONG tmExternalLeading;
  LONG tmAveCharWidth;
  LONG tmMaxCharWidth;
  LONG tmWeight;
  LONG tmOverhang;
  LONG tmDigitizedAspectX;
  LONG tmDigitizedAspectY;
  BYTE tmFirstChar;
  BYTE tmLastChar;
  BYTE tmDefaultChar;
  BYTE tmBreakChar;
  BYTE tmItalic;
  BYTE tmUnderlined;
  BYTE tmStruckOut;
  BYTE tmPitchAndFamily;
  BYTE tmCharSet;
  DWORD ntmFlags;
  UINT ntmSizeEM;
  UINT ntmCellHeight;
  UINT ntmAvgWidth;
};

struct NEWTEXTMETRICW {
  LONG tmHeight;
  LONG tmAscent;
  LONG tmDescent;
  LONG tmInternalLeading;
  LONG tmExternalLeading;
  LONG tmAveCharWidth;
  LONG tmMaxCharWidth;
  LONG tmWeight;
  LONG tmOverhang;
  LONG tmDigitizedAspectX;
  LONG tmDigitizedAspectY;
  WCHAR tmFirstChar;
  WCHAR tmLastChar;
  WCHAR tmDefaultChar;
  WCHAR tmBreakChar;
  BYTE tmItalic;
  BYTE tmUnderlined;
  BYTE tmStruckOut;
  BYTE tmPitchAndFamily;
  BYTE tmCharSet;
  DWORD ntmFlags;
  UINT ntmSizeEM;
  UINT ntmCellHeight;
  UINT ntmAvgWidth;
};

// A realised font's metrics in logical units (GetTextMetrics).
struct TEXTMETRICA {
  LONG tmHeight;
  LONG tmAscent;
  LONG tmDescent;
  LONG tmInternalLeading;
  LONG tmExternalLeading;
  LONG tmAveCharWidth;
  LONG tmMaxCharWidth;
  LONG tmWeight;
  LONG tmOverhang;
  LONG tmDigitizedAspectX;
  LONG tmDigitizedAspectY;
  BYTE tmFirstChar;
  BYTE tmLastChar;
  BYTE tmDefaultChar;
  BYTE tmBreakChar;
  BYTE tmItalic;
  BYTE tmUnderlined;
  BYTE tmStruckOut;
  BYTE tmPitchAndFamily;
  BYTE tmCharSet;
};

struct TEXTMETRICW {
  LONG tmHeight;
  LONG tmAscent;
  LONG tmDescent;
  LONG tmInternalLeading;
  LONG tmExternalLeading;
  LONG tmAveCharWidth;
  LONG tmMaxCharWidth;
  LONG tmWeight;
  LONG tmOverhang;
  LONG tmDigitizedAspectX;
  LONG tmDigitizedAspectY;
  WCHAR tmFirstChar;
  WCHAR tmLastChar;
  WCHAR tmDefaultChar;
  WCHAR tmBreakChar;
  BYTE tmItalic;
  BYTE tmUnderlined;
  BYTE tmStruckOut;
  BYTE tmPitchAndFamily;
  BYTE tmCharSet;
};

struct PANOSE {
  BYTE bFamilyType;
  BYTE bSerifStyle;
  BYTE bWeight;
  BYTE bProportion;
  BYTE bContrast;
  BYTE bStrokeVariation;
  BYTE bArmStyle;
  BYTE bLetterform;
  BYTE bMidline;
  BYTE bXHeight;
};

// How a printer adjusts the colours of a halftoned image (StretchBlt in HALFTONE mode).
struct COLORADJUSTMENT {
  WORD caSize;
  WORD caFlags;
  WORD caIlluminantIndex;
  WORD caRedGamma;
  WORD caGreenGamma;
  WORD caBlueGamma;
  WORD caReferenceBlack;
  WORD caReferenceWhite;
  SHORT caContrast;
  SHORT caBrightness;
  SHORT caColorfulness;
  SHORT caRedGreenTint;
};

// Binary raster operations (the pen's mix with the surface).
#define R2_BLACK 1
#define R2_NOTMERGEPEN 2
#define R2_MASKNOTPEN 3
#define R2_NOTCOPYPEN 4
#define R2_MASKPENNOT 5
#define R2_NOT 6
#define R2_XORPEN 7
#define R2_NOTMASKPEN 8
#define R2_MASKPEN 9
#define R2_NOTXORPEN 10
#define R2_NOP 11
#define R2_MERGENOTPEN 12
#define R2_COPYPEN 13
#define R2_MERGEPENNOT 14
#define R2_MERGEPEN 15
#define R2_WHITE 16

// Ternary raster operations (source, pattern and destination).
#define SRCCOPY 0x00CC0020
#define SRCPAINT 0x00EE0086
#define SRCAND 0x008800C6
#define SRCINVERT 0x00660046
#define NOTSRCCOPY 0x00330008
#define PATCOPY 0x00F00021
#define PATINVERT 0x005A0049
#define DSTINVERT 0x00550009
#define BLACKNESS 0x00000042
#define WHITENESS 0x00FF0062

// Stretch modes.
#define BLACKONWHITE 1
#define WHITEONBLACK 2
#define COLORONCOLOR 3
#define HALFTONE 4

struct FONTSIGNATURE {
  DWORD fsUsb[4];
  DWORD fsCsb[2];
};

struct NEWTEXTMETRICEXA {
  NEWTEXTMETRICA ntmTm;
  FONTSIGNATURE ntmFontSig;
};

struct NEWTEXTMETRICEXW {
  NEWTEXTMETRICW ntmTm;
  FONTSIGNATURE ntmFontSig;
};

// A device mode: the printer settings an application, the spooler and the driver pass
// between them. 220 bytes as on Windows (no member is a pointer); dmDriverExtra bytes
// of the driver's own part follow it.
#define CCHDEVICENAME 32
#define CCHFORMNAME 32
#define DM_SPECVERSION 0x0401

#define DM_ORIENTATION 0x00000001
#define DM_PAPERSIZE 0x00000002
#define DM_PAPERLENGTH 0x00000004
#define DM_PAPERWIDTH 0x00000008
#define DM_SCALE 0x00000010
#define DM_COPIES 0x00000100
#define DM_DEFAULTSOURCE 0x00000200
#define DM_PRINTQUALITY 0x00000400
#define DM_COLOR 0x00000800
#define DM_DUPLEX 0x00001000
#define DM_YRESOLUTION 0x00002000
#define DM_TTOPTION 0x00004000
#define DM_COLLATE 0x00008000
#define DM_FORMNAME 0x00010000
#define DM_BITSPERPEL 0x00040000
#define DM_PELSWIDTH 0x00080000
#define DM_PELSHEIGHT 0x00100000
#define DM_DITHERTYPE 0x04000000

#define DMORIENT_PORTRAIT 1
#define DMORIENT_LANDSCAPE 2
#define DMCOLOR_MONOCHROME 1
#define DMPAPER_USER 256

struct DEVMODEW {
  WCHAR dmDeviceName[CCHDEVICENAME];
  WORD dmSpecVersion;
  WORD dmDriverVersion;
  WORD dmSize;
  WORD dmDriverExtra;
  DWORD dmFields;
  union {
    struct {
      short dmOrientation;
      short dmPaperSize;
      short dmPaperLength;
      short dmPaperWidth;
      short dmScale;
      short dmCopies;
      short dmDefaultSource;
      short dmPrintQuality;
    };
    struct {
      POINTL dmPosition;
      DWORD dmDisplayOrientation;
      DWORD dmDisplayFixedOutput;
    };
  };
  short dmColor;
  short dmDuplex;
  short dmYResolution;
  short dmTTOption;
  short dmCollate;
  WCHAR dmFormName[CCHFORMNAME];
  WORD dmLogPixels;
  DWORD dmBitsPerPel;
  DWORD dmPelsWidth;
  DWORD dmPelsHeight;
  union {
    DWORD dmDisplayFlags;
    DWORD dmNup;
  };
  DWORD dmDisplayFrequency;
  DWORD dmICMMethod;
  DWORD dmICMIntent;
  DWORD dmMediaType;
  DWORD dmDitherType;
  DWORD dmReserved1;
  DWORD dmReserved2;
  DWORD dmPanningWidth;
  DWORD dmPanningHeight;
};
static_assert(sizeof(DEVMODEW) == 220, "DEVMODEW keeps its Windows size");
using PDEVMODEW = DEVMODEW*;
using LPDEVMODEW = DEVMODEW*;

// The callbacks receive ENUMLOGFONTEX and NEWTEXTMETRICEX through the LOGFONT and
// TEXTMETRIC pointers, as on Windows.
using FONTENUMPROCA = int(CALLBACK*)(const LOGFONTA* font, const NEWTEXTMETRICA* metric,
                                     DWORD fontType, LPARAM lParam);
using FONTENUMPROCW = int(CALLBACK*)(const LOGFONTW* font, const NEWTEXTMETRICW* metric,
                                     DWORD fontType, LPARAM lParam);

// A file name without a folder is looked for in the machine's fonts folder first.
// The table belongs to the process; the fonts named in the machine's fonts key are
// in it from the first GDI call on, as after a logon. Returns the number of faces
// added (0 + last error on failure).
TRVAPI int WINAPI AddFontResourceA(LPCSTR fileName);
TRVAPI int WINAPI AddFontResourceW(LPCWSTR fileName);
// Drops one reference of the file; FALSE when it is not in the table.
TRVAPI BOOL WINAPI RemoveFontResourceA(LPCSTR fileName);
TRVAPI BOOL WINAPI RemoveFontResourceW(LPCWSTR fileName);

// A memory device context: enough for enumerating the process's fonts.
TRVAPI HDC WINAPI CreateCompatibleDC(HDC dc);
TRVAPI BOOL WINAPI DeleteDC(HDC dc);

// An empty lfFaceName enumerates one face of every family; a name enumerates every
// face of that family. On a printer device context the printer's own faces come
// first (DEVICE_FONTTYPE, sizes at their design size), then the process's fonts. lfCharSet
// DEFAULT_CHARSET accepts every character set. Returns the last value the callback returned (1 when
// nothing was enumerated).
TRVAPI int WINAPI EnumFontFamiliesExA(HDC dc, LOGFONTA* font, FONTENUMPROCA proc, LPARAM lParam,
                                      DWORD flags);
TRVAPI int WINAPI EnumFontFamiliesExW(HDC dc, LOGFONTW* font, FONTENUMPROCW proc, LPARAM lParam,
                                      DWORD flags);

// ---- device contexts for drawing -----------------------------------------------------
// A printer device context runs the printer's graphics driver in this process: the
// driver file the spooler names for the printer is loaded and enabled, and every
// drawing call goes to the driver's function when its surface hooks it, and to the
// engine otherwise. A memory device context draws into its selected bitmap.

struct DOCINFOA {
  int cbSize;
  LPCSTR lpszDocName;
  LPCSTR lpszOutput;
  LPCSTR lpszDatatype;
  DWORD fwType;
};
struct DOCINFOW {
  int cbSize;
  LPCWSTR lpszDocName;
  LPCWSTR lpszOutput;
  LPCWSTR lpszDatatype;
  DWORD fwType;
};

#define SP_ERROR (-1)
#define CLR_INVALID 0xFFFFFFFF
#define GDI_ERROR (0xFFFFFFFFL)
#define HGDI_ERROR (reinterpret_cast<HGDIOBJ>(static_cast<LONG_PTR>(-1)))

// GetDeviceCaps indices.
#define DRIVERVERSION 0
#define TECHNOLOGY 2
#define HORZSIZE 4
#define VERTSIZE 6
#define HORZRES 8
#define VERTRES 10
#define BITSPIXEL 12
#define PLANES 14
#define NUMCOLORS 24
#define TEXTCAPS 34
#define RASTERCAPS 38
#define ASPECTX 40
#define ASPECTY 42
#define ASPECTXY 44
#define LOGPIXELSX 88
#define LOGPIXELSY 90
#define PHYSICALWIDTH 110
#define PHYSICALHEIGHT 111
#define PHYSICALOFFSETX 112
#define PHYSICALOFFSETY 113
#define DT_RASPRINTER 2

// Mapping modes.
#define MM_TEXT 1
#define MM_LOMETRIC 2
#define MM_HIMETRIC 3
#define MM_LOENGLISH 4
#define MM_HIENGLISH 5
#define MM_TWIPS 6

// Pens, brushes and stock objects.
#define PS_SOLID 0
#define PS_DASH 1
#define PS_DOT 2
#define PS_DASHDOT 3
#define PS_DASHDOTDOT 4
#define PS_NULL 5
#define PS_INSIDEFRAME 6

#define BS_SOLID 0
#define BS_NULL 1
#define BS_HOLLOW BS_NULL

struct LOGBRUSH {
  UINT lbStyle;
  COLORREF lbColor;
  ULONG_PTR lbHatch;
};

#define WHITE_BRUSH 0
#define LTGRAY_BRUSH 1
#define GRAY_BRUSH 2
#define DKGRAY_BRUSH 3
#define BLACK_BRUSH 4
#define NULL_BRUSH 5
#define HOLLOW_BRUSH NULL_BRUSH
#define WHITE_PEN 6
#define BLACK_PEN 7
#define NULL_PEN 8
// The font a device context starts with.
#define SYSTEM_FONT 13

// Text.
#define TRANSPARENT 1
#define OPAQUE 2
#define TA_LEFT 0
#define TA_RIGHT 2
#define TA_CENTER 6
#define TA_TOP 0
#define TA_BOTTOM 8
#define TA_BASELINE 24
#define ETO_OPAQUE 0x0002
#define ETO_CLIPPED 0x0004

// Device-independent bitmaps.
#define BI_RGB 0L
#define DIB_RGB_COLORS 0

struct RGBQUAD {
  BYTE rgbBlue;
  BYTE rgbGreen;
  BYTE rgbRed;
  BYTE rgbReserved;
};

struct BITMAPINFOHEADER {
  DWORD biSize;
  LONG biWidth;
  LONG biHeight;  // positive: bottom-up rows
  WORD biPlanes;
  WORD biBitCount;
  DWORD biCompression;
  DWORD biSizeImage;
  LONG biXPelsPerMeter;
  LONG biYPelsPerMeter;
  DWORD biClrUsed;
  DWORD biClrImportant;
};

struct BITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[1];
};

// Regions (rectangles are all a label needs).
#define RGN_ERROR 0
#define NULLREGION 1
#define SIMPLEREGION 2
#define COMPLEXREGION 3
#define RGN_AND 1
#define RGN_OR 2
#define RGN_COPY 5

// A printer DC: `device` is the printer's name; `driver` and `output` are ignored,
// as on Windows NT. The devmode, when given, is handed to the driver.
TRVAPI HDC WINAPI CreateDCW(LPCWSTR driver, LPCWSTR device, LPCWSTR output,
                            const DEVMODEW* devmode);
TRVAPI HDC WINAPI CreateDCA(LPCSTR driver, LPCSTR device, LPCSTR output, const DEVMODEW* devmode);
TRVAPI int WINAPI GetDeviceCaps(HDC dc, int index);

// Documents: StartDoc opens the spooler job and returns its id (SP_ERROR on failure).
TRVAPI int WINAPI StartDocW(HDC dc, const DOCINFOW* info);
TRVAPI int WINAPI StartDocA(HDC dc, const DOCINFOA* info);
TRVAPI int WINAPI StartPage(HDC dc);
TRVAPI int WINAPI EndPage(HDC dc);
TRVAPI int WINAPI EndDoc(HDC dc);
TRVAPI int WINAPI AbortDoc(HDC dc);

// Objects.
TRVAPI HGDIOBJ WINAPI GetStockObject(int index);
TRVAPI HPEN WINAPI CreatePen(int style, int width, COLORREF color);
TRVAPI HBRUSH WINAPI CreateSolidBrush(COLORREF color);
TRVAPI HBRUSH WINAPI CreateBrushIndirect(const LOGBRUSH* brush);
TRVAPI HFONT WINAPI CreateFontIndirectW(const LOGFONTW* font);
TRVAPI HFONT WINAPI CreateFontIndirectA(const LOGFONTA* font);
TRVAPI HRGN WINAPI CreateRectRgn(int left, int top, int right, int bottom);
TRVAPI HBITMAP WINAPI CreateCompatibleBitmap(HDC dc, int width, int height);
TRVAPI HBITMAP WINAPI CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits,
                                       HANDLE section, DWORD offset);
TRVAPI HGDIOBJ WINAPI SelectObject(HDC dc, HGDIOBJ object);
TRVAPI BOOL WINAPI DeleteObject(HGDIOBJ object);

// State.
TRVAPI int WINAPI SetMapMode(HDC dc, int mode);
TRVAPI int WINAPI GetMapMode(HDC dc);
TRVAPI BOOL WINAPI SetViewportOrgEx(HDC dc, int x, int y, POINT* previous);
TRVAPI BOOL WINAPI SetWindowOrgEx(HDC dc, int x, int y, POINT* previous);
TRVAPI BOOL WINAPI LPtoDP(HDC dc, POINT* points, int count);
TRVAPI COLORREF WINAPI SetTextColor(HDC dc, COLORREF color);
TRVAPI COLORREF WINAPI SetBkColor(HDC dc, COLORREF color);
TRVAPI int WINAPI SetBkMode(HDC dc, int mode);
TRVAPI UINT WINAPI SetTextAlign(HDC dc, UINT align);
TRVAPI int WINAPI SetROP2(HDC dc, int rop2);
TRVAPI int WINAPI SetStretchBltMode(HDC dc, int mode);
TRVAPI int WINAPI IntersectClipRect(HDC dc, int left, int top, int right, int bottom);
TRVAPI int WINAPI SelectClipRgn(HDC dc, HRGN region);

// Drawing.
TRVAPI BOOL WINAPI MoveToEx(HDC dc, int x, int y, POINT* previous);
TRVAPI BOOL WINAPI LineTo(HDC dc, int x, int y);
TRVAPI BOOL WINAPI Polyline(HDC dc, const POINT* points, int count);
TRVAPI BOOL WINAPI PolyBezier(HDC dc, const POINT* points, DWORD count);
TRVAPI BOOL WINAPI Rectangle(HDC dc, int left, int top, int right, int bottom);
TRVAPI BOOL WINAPI Ellipse(HDC dc, int left, int top, int right, int bottom);
TRVAPI int WINAPI FillRect(HDC dc, const RECT* rect, HBRUSH brush);
TRVAPI BOOL WINAPI TextOutW(HDC dc, int x, int y, LPCWSTR text, int count);
TRVAPI BOOL WINAPI TextOutA(HDC dc, int x, int y, LPCSTR text, int count);
TRVAPI BOOL WINAPI ExtTextOutW(HDC dc, int x, int y, UINT options, const RECT* rect, LPCWSTR text,
                               UINT count, const INT* dx);
TRVAPI BOOL WINAPI GetTextExtentPoint32W(HDC dc, LPCWSTR text, int count, SIZE* size);
// The selected font as realised on the device: on a printer a face of the printer's
// own (a device font, TMPF_DEVICE) when one has the requested name.
TRVAPI BOOL WINAPI GetTextMetricsW(HDC dc, TEXTMETRICW* metrics);
TRVAPI BOOL WINAPI GetTextMetricsA(HDC dc, TEXTMETRICA* metrics);
TRVAPI int WINAPI StretchDIBits(HDC dc, int xDest, int yDest, int destWidth, int destHeight,
                                int xSrc, int ySrc, int srcWidth, int srcHeight, const void* bits,
                                const BITMAPINFO* info, UINT usage, DWORD rop);
TRVAPI COLORREF WINAPI GetPixel(HDC dc, int x, int y);
