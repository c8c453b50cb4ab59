// State of the simulated standard controls, keyboard focus and GDI, kept
// apart from SimDesktop.h so the window model stays readable. Implemented in
// SimControls.cpp (controls, focus, mouse, colour dialog), SimInput.cpp (the
// user's hands) and SimGdi.cpp (device contexts, objects, the paint log).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Platform.h"

namespace lensoro::sim {

// One drawing call that reached a window's device context. Colours are the
// ones in effect for the call: the pen's for lines, the brush's for fills,
// the text colour for text.
struct TSimPaintOp {
  std::string Op;  // "FillRect", "FrameRect", "LineTo", "Polygon", "RoundRect" (Points[0]: the
                   // corner size), "ExcludeClipRect", "DrawText", "ExtTextOut",
                   // "DrawEdge", "DrawIcon", "DrawFocusRect", "FillSolidRect"
  TRect Rect;      // the rectangle, or (from, to) of a line
  DWORD Color = 0;
  std::u16string Text;
  std::vector<TPoint> Points;
  TLogFont Font;  // the font selected for text
  int BkMode = 0;
  UINT Flags = 0;  // DrawText format, DrawEdge edge << 16 | flags, DrawIconEx flags
  HICON Icon = 0;
};

// The standard-control part of one window.
struct TSimControl {
  std::uintptr_t Id = 0;  // the control id given at creation
  // SetWindowProcW handlers, the latest last; messages reach it first.
  std::vector<IWindowHandler*> Subclasses;
  int Check = 0;                      // BUTTON: BM_GETCHECK
  int SelStart = 0, SelEnd = 0;       // EDIT: the selection, SelStart <= SelEnd
  std::u16string CueBanner;           // EDIT: EM_SETCUEBANNER's text
  bool DrawsOwnBorder = false;        // EDIT: made with WS_BORDER, which it draws in its client area
  std::vector<std::u16string> Items;  // COMBOBOX: the list
  int CurSel = -1;
  int ItemHeight = 16, FieldHeight = 18;
  bool DroppedDown = false;
  HGDIOBJ Font = 0;          // WM_SETFONT
  int ContextMenuCount = 0;  // times the control's own context menu came up
  int ChangeCount = 0;       // EDIT: EN_CHANGE sent
  // The window's own vertical scroll bar (SetScrollInfo); it takes
  // VScrollWidth off the right of the client area while shown.
  int VScrollMin = 0, VScrollMax = 0, VScrollPos = 0;
  UINT VScrollPage = 0;
  int VScrollWidth = 0;  // 0 while hidden
};

enum TSimKeyModifier : unsigned { kmShift = 1, kmCtrl = 2, kmAlt = 4 };

struct TSimWindow;
// Which standard control a window is, by its class name.
enum class TSimControlKind { Other, Button, Edit, Static, Combo };
TSimControlKind SimControlKind(const TSimWindow& w);
DWORD SimButtonType(const TSimWindow& w);  // BS_TYPEMASK of its style

// A GDI object of the model.
struct TSimGdiObject {
  enum TKind { Pen, Brush, Font } Kind = Pen;
  DWORD Color = 0;
  int Style = 0, Width = 1;
  TLogFont LogFont;
  DWORD Pid = 0;
};

// What a device context has selected.
struct TSimDcState {
  HGDIOBJ Pen = 0, Brush = 0, Font = 0;  // 0: the stock object
  DWORD TextColor = 0x000000, BkColor = 0xFFFFFF;
  int BkMode = 2;  // OPAQUE
  TPoint Position;
};

// One ChooseColorW call.
struct TSimColorDialog {
  DWORD Pid = 0;
  TChooseColor Request;
  bool Accepted = false;
  TChooseColor Result;
};

// Segoe UI 9 pt at 96 DPI for every font, as Windows 7 to 11 set them.
TNonClientMetrics SimDefaultNonClientMetrics();

}  // namespace lensoro::sim
