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

// What ChooseColorW is given and gives back.
struct TChooseColor {
  HWND Owner = 0;
  DWORD Color = 0;            // in: the initial colour, out: the chosen one
  DWORD CustColors[16] = {};  // in and out
  DWORD Flags = 0;            // CC_RGBINIT, CC_FULLOPEN, ...
};

namespace win {
constexpr UINT WM_SETFOCUS = 0x0007, WM_KILLFOCUS = 0x0008, WM_ENABLE = 0x000A, WM_GETTEXT = 0x000D,
               WM_GETTEXTLENGTH = 0x000E, WM_DRAWITEM = 0x002B, WM_MEASUREITEM = 0x002C, WM_SETFONT = 0x0030,
               WM_GETFONT = 0x0031, WM_NCDESTROY = 0x0082, WM_NCCALCSIZE = 0x0083, WM_NCPAINT = 0x0085,
               WM_GETDLGCODE = 0x0087, WM_CTLCOLOREDIT = 0x0133,
               WM_CTLCOLORBTN = 0x0135, WM_CTLCOLORSTATIC = 0x0138, WM_MOUSELEAVE = 0x02A3,
               WM_CAPTURECHANGED = 0x0215;
constexpr UINT BM_GETCHECK = 0x00F0, BM_SETCHECK = 0x00F1, BM_SETSTYLE = 0x00F4, BM_CLICK = 0x00F5;
constexpr UINT BN_CLICKED = 0;
constexpr UINT EM_GETSEL = 0x00B0, EM_SETSEL = 0x00B1, EM_LIMITTEXT = 0x00C5, EM_SETREADONLY = 0x00CF,
               EM_SETCUEBANNER = 0x1501;
constexpr UINT EN_SETFOCUS = 0x0100, EN_KILLFOCUS = 0x0200, EN_CHANGE = 0x0300;
constexpr UINT CB_GETEDITSEL = 0x0140, CB_ADDSTRING = 0x0143, CB_GETCOUNT = 0x0146, CB_GETCURSEL = 0x0147,
               CB_GETLBTEXT = 0x0148, CB_GETLBTEXTLEN = 0x0149, CB_RESETCONTENT = 0x014B, CB_SETCURSEL = 0x014E,
               CB_SHOWDROPDOWN = 0x014F, CB_SETITEMHEIGHT = 0x0153, CB_GETITEMHEIGHT = 0x0154,
               CB_GETDROPPEDSTATE = 0x0157;
constexpr UINT CBN_SELCHANGE = 1, CBN_DROPDOWN = 7, CBN_CLOSEUP = 8;
constexpr UINT STN_CLICKED = 0;

constexpr DWORD WS_TABSTOP = 0x00010000u, WS_GROUP = 0x00020000u, WS_SYSMENU = 0x00080000u,
                WS_VSCROLL = 0x00200000u, WS_DLGFRAME = 0x00400000u, WS_BORDER = 0x00800000u,
                WS_CAPTION = 0x00C00000u, WS_DISABLED = 0x08000000u;
constexpr DWORD WS_EX_DLGMODALFRAME = 0x1u, WS_EX_TRANSPARENT = 0x20u, WS_EX_CLIENTEDGE = 0x200u,
                WS_EX_CONTROLPARENT = 0x10000u, WS_EX_STATICEDGE = 0x20000u;
constexpr DWORD BS_PUSHBUTTON = 0x0, BS_DEFPUSHBUTTON = 0x1, BS_CHECKBOX = 0x2, BS_AUTOCHECKBOX = 0x3,
                BS_RADIOBUTTON = 0x4, BS_GROUPBOX = 0x7, BS_AUTORADIOBUTTON = 0x9, BS_TYPEMASK = 0xF,
                BS_NOTIFY = 0x4000;
constexpr DWORD ES_MULTILINE = 0x4, ES_AUTOVSCROLL = 0x40, ES_AUTOHSCROLL = 0x80, ES_READONLY = 0x800,
                ES_WANTRETURN = 0x1000;
constexpr DWORD CBS_DROPDOWNLIST = 0x3, CBS_OWNERDRAWFIXED = 0x10, CBS_HASSTRINGS = 0x200;
constexpr DWORD SS_NOTIFY = 0x100;
constexpr LRESULT DLGC_WANTARROWS = 0x1, DLGC_WANTTAB = 0x2, DLGC_WANTALLKEYS = 0x4, DLGC_HASSETSEL = 0x8,
                  DLGC_DEFPUSHBUTTON = 0x10, DLGC_UNDEFPUSHBUTTON = 0x20, DLGC_RADIOBUTTON = 0x40,
                  DLGC_WANTCHARS = 0x80, DLGC_STATIC = 0x100, DLGC_BUTTON = 0x2000;
constexpr WPARAM BST_UNCHECKED = 0, BST_CHECKED = 1;
constexpr int VK_BACK = 0x08, VK_TAB = 0x09, VK_RETURN = 0x0D, VK_ESCAPE = 0x1B, VK_SPACE = 0x20, VK_END = 0x23,
              VK_HOME = 0x24, VK_LEFT = 0x25, VK_UP = 0x26, VK_RIGHT = 0x27, VK_DOWN = 0x28, VK_DELETE = 0x2E,
              VK_F4 = 0x73;
constexpr UINT ODT_COMBOBOX = 3, ODA_DRAWENTIRE = 1, ODS_SELECTED = 0x1, ODS_DISABLED = 0x4, ODS_FOCUS = 0x10,
               ODS_COMBOBOXEDIT = 0x1000;
constexpr int TRANSPARENT = 1, OPAQUE = 2;
constexpr UINT DT_LEFT = 0x0, DT_CENTER = 0x1, DT_RIGHT = 0x2, DT_VCENTER = 0x4, DT_WORDBREAK = 0x10,
               DT_SINGLELINE = 0x20, DT_CALCRECT = 0x400, DT_NOPREFIX = 0x800;
constexpr UINT BDR_RAISEDOUTER = 0x1, BDR_SUNKENOUTER = 0x2, BDR_RAISEDINNER = 0x4, BDR_SUNKENINNER = 0x8,
               EDGE_RAISED = 0x5, EDGE_SUNKEN = 0xA, EDGE_ETCHED = 0x6, BF_RECT = 0xF, BF_ADJUST = 0x2000;
constexpr int PS_SOLID = 0, PS_NULL = 5;
constexpr int FW_NORMAL = 400, FW_BOLD = 700;
constexpr UINT DI_NORMAL = 0x3;
constexpr UINT ETO_OPAQUE = 0x2, ETO_CLIPPED = 0x4;
constexpr DWORD CC_RGBINIT = 0x1, CC_FULLOPEN = 0x2;
constexpr DWORD TME_LEAVE = 0x2;
constexpr int IDC_ARROW = 32512, IDC_HAND = 32649;
constexpr int COLOR_HIGHLIGHT = 13, COLOR_HIGHLIGHTTEXT = 14, COLOR_BTNSHADOW = 16, COLOR_GRAYTEXT = 17,
              COLOR_BTNTEXT = 18, COLOR_BTNHIGHLIGHT = 20, COLOR_WINDOWTEXT = 8, COLOR_HOTLIGHT = 26;
}  // namespace win

}  // namespace lensoro
