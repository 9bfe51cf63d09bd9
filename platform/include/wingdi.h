// GDI: device contexts, bitmaps, brushes, pens, fonts, drawing and text.
#pragma once
#include "windef.h"

// Raster operations
#define SRCCOPY 0x00CC0020u
#define SRCPAINT 0x00EE0086u
#define SRCAND 0x008800C6u
#define SRCINVERT 0x00660046u
#define NOTSRCCOPY 0x00330008u
#define PATCOPY 0x00F00021u
#define BLACKNESS 0x00000042u
#define WHITENESS 0x00FF0062u

// Stock objects
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
#define SYSTEM_FONT 13
#define DEFAULT_PALETTE 15

// Object types (GetObjectType)
#define OBJ_PEN 1
#define OBJ_BRUSH 2
#define OBJ_DC 3
#define OBJ_FONT 6
#define OBJ_BITMAP 7
#define OBJ_MEMDC 10

#define PS_SOLID 0
#define PS_DASH 1
#define PS_NULL 5
#define BS_SOLID 0
#define BS_NULL 1
#define BS_HOLLOW BS_NULL

#define TRANSPARENT 1
#define OPAQUE 2

// GetDeviceCaps
#define DRIVERVERSION 0
#define TECHNOLOGY 2
#define HORZSIZE 4
#define VERTSIZE 6
#define HORZRES 8
#define VERTRES 10
#define BITSPIXEL 12
#define PLANES 14
#define NUMCOLORS 24
#define RASTERCAPS 38
#define LOGPIXELSX 88
#define LOGPIXELSY 90
#define DT_RASDISPLAY 1
#define RC_BITBLT 1

// ExtEscape: asking whether an escape exists, and the display's power.
#define QUERYESCSUPPORT 8
#define SETPOWERMANAGEMENT 6147
#define GETPOWERMANAGEMENT 6148
typedef enum _VIDEO_POWER_STATE {
  VideoPowerOn = 1,
  VideoPowerStandBy,
  VideoPowerSuspend,
  VideoPowerOff
} VIDEO_POWER_STATE;
typedef struct _VIDEO_POWER_MANAGEMENT {
  ULONG Length;
  ULONG DPMSVersion;
  ULONG PowerState;
} VIDEO_POWER_MANAGEMENT, *PVIDEO_POWER_MANAGEMENT;

// Fonts
#define LF_FACESIZE 32
#define FW_DONTCARE 0
#define FW_THIN 100
#define FW_LIGHT 300
#define FW_NORMAL 400
#define FW_MEDIUM 500
#define FW_SEMIBOLD 600
#define FW_BOLD 700
#define FW_HEAVY 900
#define ANSI_CHARSET 0
#define DEFAULT_CHARSET 1
#define SYMBOL_CHARSET 2
#define OEM_CHARSET 255
#define OUT_DEFAULT_PRECIS 0
#define OUT_TT_PRECIS 4
#define CLIP_DEFAULT_PRECIS 0
#define DEFAULT_QUALITY 0
#define DRAFT_QUALITY 1
#define PROOF_QUALITY 2
#define NONANTIALIASED_QUALITY 3
#define ANTIALIASED_QUALITY 4
#define CLEARTYPE_QUALITY 5
#define DEFAULT_PITCH 0
#define FIXED_PITCH 1
#define VARIABLE_PITCH 2
#define FF_DONTCARE 0x00
#define FF_ROMAN 0x10
#define FF_SWISS 0x20
#define FF_MODERN 0x30

typedef struct tagLOGFONTW {
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
} LOGFONTW, *PLOGFONTW, *LPLOGFONTW;
typedef LOGFONTW LOGFONT;

typedef struct tagTEXTMETRICW {
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
} TEXTMETRICW, *LPTEXTMETRICW;
typedef TEXTMETRICW TEXTMETRIC;

typedef struct tagLOGPEN {
  UINT lopnStyle;
  POINT lopnWidth;
  COLORREF lopnColor;
} LOGPEN, *LPLOGPEN;

typedef struct tagLOGBRUSH {
  UINT lbStyle;
  COLORREF lbColor;
  ULONG_PTR lbHatch;
} LOGBRUSH, *LPLOGBRUSH;

typedef struct tagBITMAP {
  LONG bmType;
  LONG bmWidth;
  LONG bmHeight;
  LONG bmWidthBytes;
  WORD bmPlanes;
  WORD bmBitsPixel;
  LPVOID bmBits;
} BITMAP, *PBITMAP, *LPBITMAP;

#pragma pack(push, 2)
typedef struct tagBITMAPFILEHEADER {
  WORD bfType;
  DWORD bfSize;
  WORD bfReserved1;
  WORD bfReserved2;
  DWORD bfOffBits;
} BITMAPFILEHEADER;
#pragma pack(pop)

typedef struct tagBITMAPINFOHEADER {
  DWORD biSize;
  LONG biWidth;
  LONG biHeight;
  WORD biPlanes;
  WORD biBitCount;
  DWORD biCompression;
  DWORD biSizeImage;
  LONG biXPelsPerMeter;
  LONG biYPelsPerMeter;
  DWORD biClrUsed;
  DWORD biClrImportant;
} BITMAPINFOHEADER, *PBITMAPINFOHEADER;

typedef struct tagRGBQUAD {
  BYTE rgbBlue;
  BYTE rgbGreen;
  BYTE rgbRed;
  BYTE rgbReserved;
} RGBQUAD;

typedef struct tagBITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[1];
} BITMAPINFO, *PBITMAPINFO, *LPBITMAPINFO;
#define BI_RGB 0
#define BI_BITFIELDS 3
#define DIB_RGB_COLORS 0

#define ETO_OPAQUE 0x0002
#define ETO_CLIPPED 0x0004

// Device contexts
WINGDIAPI HDC CreateCompatibleDC(HDC hdc);
WINGDIAPI BOOL DeleteDC(HDC hdc);
WINGDIAPI int SaveDC(HDC hdc);
WINGDIAPI BOOL RestoreDC(HDC hdc, int saved);
WINGDIAPI int GetDeviceCaps(HDC hdc, int index);
WINGDIAPI int ExtEscape(HDC hdc, int escape, int inSize, LPCSTR in, int outSize, LPSTR out);
WINGDIAPI int GetClipBox(HDC hdc, LPRECT rect);
WINGDIAPI int IntersectClipRect(HDC hdc, int left, int top, int right, int bottom);
WINGDIAPI int ExcludeClipRect(HDC hdc, int left, int top, int right, int bottom);
// GetClipBox results
#define ERROR 0
#define NULLREGION 1
#define SIMPLEREGION 2
#define COMPLEXREGION 3

// Objects
WINGDIAPI HGDIOBJ SelectObject(HDC hdc, HGDIOBJ obj);
WINGDIAPI BOOL DeleteObject(HGDIOBJ obj);
WINGDIAPI int GetObjectW(HGDIOBJ obj, int size, LPVOID out);
#define GetObject GetObjectW
WINGDIAPI DWORD GetObjectType(HGDIOBJ obj);
WINGDIAPI HGDIOBJ GetStockObject(int index);
WINGDIAPI HGDIOBJ GetCurrentObject(HDC hdc, UINT type);
WINGDIAPI HBITMAP CreateCompatibleBitmap(HDC hdc, int width, int height);
WINGDIAPI HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, LPCVOID bits);
WINGDIAPI HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section,
                                   DWORD offset);
WINGDIAPI HBRUSH CreateSolidBrush(COLORREF color);
WINGDIAPI HBRUSH CreateBrushIndirect(const LOGBRUSH* lb);
WINGDIAPI HPEN CreatePen(int style, int width, COLORREF color);
WINGDIAPI HPEN CreatePenIndirect(const LOGPEN* lp);
WINGDIAPI HFONT CreateFontIndirectW(const LOGFONTW* lf);
#define CreateFontIndirect CreateFontIndirectW

// Drawing
WINGDIAPI BOOL BitBlt(HDC dst, int x, int y, int width, int height, HDC src, int sx, int sy, DWORD rop);
WINGDIAPI BOOL StretchBlt(HDC dst, int x, int y, int width, int height, HDC src, int sx, int sy, int sw, int sh,
                          DWORD rop);
WINGDIAPI BOOL PatBlt(HDC hdc, int x, int y, int width, int height, DWORD rop);
WINGDIAPI BOOL MoveToEx(HDC hdc, int x, int y, LPPOINT old);
WINGDIAPI BOOL LineTo(HDC hdc, int x, int y);
WINGDIAPI BOOL Polyline(HDC hdc, const POINT* pts, int count);
WINGDIAPI BOOL Polygon(HDC hdc, const POINT* pts, int count);
WINGDIAPI BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom);
WINGDIAPI BOOL Ellipse(HDC hdc, int left, int top, int right, int bottom);
WINGDIAPI COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color);
WINGDIAPI COLORREF GetPixel(HDC hdc, int x, int y);
#define CLR_INVALID 0xFFFFFFFFu

// Text
WINGDIAPI COLORREF SetTextColor(HDC hdc, COLORREF color);
WINGDIAPI COLORREF GetTextColor(HDC hdc);
WINGDIAPI COLORREF SetBkColor(HDC hdc, COLORREF color);
WINGDIAPI COLORREF GetBkColor(HDC hdc);
WINGDIAPI int SetBkMode(HDC hdc, int mode);
WINGDIAPI int GetBkMode(HDC hdc);
WINGDIAPI BOOL GetTextExtentPoint32W(HDC hdc, LPCWSTR text, int count, LPSIZE size);
#define GetTextExtentPoint32 GetTextExtentPoint32W
WINGDIAPI BOOL GetTextExtentExPointW(HDC hdc, LPCWSTR text, int count, int maxExtent, LPINT fit, LPINT dx,
                                     LPSIZE size);
WINGDIAPI BOOL GetTextMetricsW(HDC hdc, LPTEXTMETRICW tm);
#define GetTextMetrics GetTextMetricsW
WINGDIAPI BOOL ExtTextOutW(HDC hdc, int x, int y, UINT options, const RECT* rect, LPCWSTR text, UINT count,
                           const int* dx);
#define ExtTextOut ExtTextOutW
