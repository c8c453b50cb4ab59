// Types and constants of the dialog, control and painting calls of TPlatform.
// Included by Platform.h before the class; nothing here includes <windows.h>.
//
// Records that reach a unit through a message's lParam (WM_DRAWITEM,
// WM_MEASUREITEM, WM_NCCALCSIZE) have the platform's own layout, so the
// backend hands them through untouched; win32/Win32Controls.cpp checks the
// layouts at compile time.
#pragma once

#include <cstdint>

namespace lensoro {

using HGDIOBJ = std::uintptr_t;  // pen, brush or font
using HICON = std::uintptr_t;
using HCURSOR = std::uintptr_t;
// A window procedure as SetWindowProcW returns it; only CallWindowProcW reads it.
using WNDPROC = std::uintptr_t;

struct TSize {
  int Cx = 0;
  int Cy = 0;
  friend bool operator==(const TSize&, const TSize&) = default;
};

// LOGFONTW.
struct TLogFont {
  std::int32_t Height = 0;  // negative: the character height in pixels
  std::int32_t Width = 0, Escapement = 0, Orientation = 0, Weight = 400;
  std::uint8_t Italic = 0, Underline = 0, StrikeOut = 0, CharSet = 1, OutPrecision = 0, ClipPrecision = 0,
               Quality = 0, PitchAndFamily = 0;
  char16_t FaceName[32] = {};
};

// The fonts of NONCLIENTMETRICSW.
struct TNonClientMetrics {
  TLogFont CaptionFont, MenuFont, StatusFont, MessageFont;
};

// What the units read of TEXTMETRICW.
struct TTextMetric {
  int Height = 0, Ascent = 0, Descent = 0, InternalLeading = 0, ExternalLeading = 0, AveCharWidth = 0;
};

// PAINTSTRUCT.
struct TPaintStruct {
  std::uintptr_t Dc = 0;
  std::int32_t Erase = 0;
  TRect Paint;
  std::int32_t Restore = 0, IncUpdate = 0;
  std::uint8_t Reserved[32] = {};
};

// WINDOWPOS (the lParam of WM_WINDOWPOSCHANGING and WM_WINDOWPOSCHANGED):
// the handles have the platform's pointer width, our HWND is their low 32
// bits. A handler of WM_WINDOWPOSCHANGING may change the fields; the move
// then takes the changed values.
struct TWindowPos {
  std::uintptr_t Wnd = 0, InsertAfter = 0;
  std::int32_t X = 0, Y = 0, Cx = 0, Cy = 0;
  std::uint32_t Flags = 0;
};

// MINMAXINFO (WM_GETMINMAXINFO's lParam): the handler may change the sizes;
// the sizing loop keeps the window within the track sizes.
struct TMinMaxInfo {
  TPoint Reserved, MaxSize, MaxPosition, MinTrackSize, MaxTrackSize;
};

// DRAWITEMSTRUCT (WM_DRAWITEM's lParam).
struct TDrawItemStruct {
  UINT CtlType = 0, CtlID = 0, ItemID = 0, ItemAction = 0, ItemState = 0;
  std::uintptr_t Item = 0;  // the control's window handle, pointer-wide
  std::uintptr_t Dc = 0;
  TRect ItemRect;
  std::uintptr_t ItemData = 0;
};

// MEASUREITEMSTRUCT (WM_MEASUREITEM's lParam).
struct TMeasureItemStruct {
  UINT CtlType = 0, CtlID = 0, ItemID = 0, ItemWidth = 0, ItemHeight = 0;
  std::uintptr_t ItemData = 0;
};

// SCROLLINFO without its size field: which of the fields Mask names are
// set (SIF_RANGE, SIF_PAGE, SIF_POS).
struct TScrollInfo {
  UINT Mask = 0;
  int Min = 0, Max = 0;
  UINT Page = 0;
  int Pos = 0, TrackPos = 0;
};

// What ChooseColorW is given and gives back.
struct TChooseColor {
  HWND Owner = 0;
  DWORD Color = 0;            // in: the initial colour, out: the chosen one
  DWORD CustColors[16] = {};  // in and out
  DWORD Flags = 0;            // CC_RGBINIT, CC_FULLOPEN, ...
};

}  // namespace lensoro
