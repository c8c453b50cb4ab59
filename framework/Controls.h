// The form-and-controls layer: dialog windows (TForm) and the standard
// controls on them, on top of TPlatform. Every control is a window; the
// standard ones (buttons, edits, combo boxes) are the system's classes,
// subclassed so that the control sees every message first; the others
// (labels, panels, group boxes, images and custom controls) are windows of
// our own classes that paint themselves on a TCanvas (Canvas.h).
//
// Rules of the layer:
// - Windows are made lazily: a control keeps its properties in fields and
//   makes its window when its form's window is made (Show, ShowModal or
//   HandleNeeded), children in creation order. Setters work before and after.
// - SetBounds takes 96-DPI design pixels and scales them by the form's
//   pixels per inch / 96, as a designer's layout is; Left, Top, Width,
//   Height and BoundsRect are screen pixels (SetBoundsPx).
// - A form opens at the DPI of its owner's monitor and is laid out again
//   when it moves to a monitor of another DPI (WM_DPICHANGED): designed
//   bounds are scaled from the design, the others from the old DPI, fonts
//   follow, and then each control's DpiChanged places what it derives from
//   them (as after a font change).
// - A control is owned by whoever made it (usually as a member of its form)
//   and must outlive nothing: the form destroys its window, the children's
//   with it, before its members go.
// - Programmatic changes notify as the user's do: setting Checked or a radio
//   group's ItemIndex runs OnClick, setting an edit's Text runs OnChange;
//   a combo box's ItemIndex does not run OnChange.
// - Keyboard: the application's loop hands each key to the active form first
//   (TBaseApplication::ProcessDialogMessage): Tab and Shift+Tab move the focus in
//   tab order, Esc presses the Cancel button, Enter the focused or Default
//   button, arrows move within a radio group; a control that asks for a key
//   through WM_GETDLGCODE (or WantsKey) gets it instead.
// - Access keys: "&" in a caption marks the next character ("&&" shows one
//   "&"). Alt+that character, or the character alone where the focused
//   control takes no typing, presses a button, toggles a check box, picks a
//   radio button; a label or a group box gives the focus to the next tab stop
//   after it (the checked button of a radio group). Several with one key are
//   gone round in turn.
//
// A form:
//
//   class TAskForm : public TForm {
//    public:
//     explicit TAskForm(TBaseApplication& app) : TForm(app, u"TAskForm") {
//       SetCaption(u"Ask");
//       SetClientSize(240, 90);
//       Name.SetBounds(8, 8, 224, 21);
//       Ok.SetCaption(u"OK");
//       Ok.SetBounds(76, 56, 75, 25);
//       Ok.SetDefault(true);
//       Ok.ModalResult = mrOk;
//       Cancel.SetCaption(u"Cancel");
//       Cancel.SetBounds(157, 56, 75, 25);
//       Cancel.SetCancel(true);
//       Cancel.ModalResult = mrCancel;
//     }
//     TEdit Name{this};
//     TButton Ok{this}, Cancel{this};
//   };
//   TAskForm ask(app);
//   ask.SetOwnerWindow(loupe);
//   if (ask.ShowModal() == mrOk) use(ask.Name.Text());
//
// A custom control:
//
//   class TSwatch : public TCustomControl {
//    public:
//     using TCustomControl::TCustomControl;
//    protected:
//     const char16_t* WindowClassName() const override { return u"TSwatch"; }
//     void Paint(TCanvas& canvas) override {
//       canvas.Brush.Color = Color();
//       canvas.FillRect(ClientRect());
//       canvas.DrawEdge(ClientRect(), win::BDR_SUNKENOUTER, win::BF_RECT);
//     }
//   };
//
// A subclassed standard control overrides WndProc, answers what it wants
// and passes the rest to the base (which calls the class's own procedure):
//
//   LRESULT TMyEdit::WndProc(UINT msg, WPARAM w, LPARAM l) {
//     if (msg == win::WM_GETDLGCODE) return win::DLGC_WANTALLKEYS;
//     return TEdit::WndProc(msg, w, l);
//   }
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Canvas.h"
#include "Dpi.h"
#include "Framework.h"
#include "MessageParams.h"
#include "Platform.h"

namespace lensoro {

class TButton;
class TForm;
class TWinControl;

// The four arrow keys, which a dialog moves the focus with unless a control
// wants them.
inline bool IsArrowKey(int virtualKey) { return virtualKey >= win::VK_LEFT && virtualKey <= win::VK_DOWN; }

// The access key of a caption: the character after the first "&" that is
// not "&&"; 0 for none.
char16_t AccessKeyOf(const std::u16string& caption);
// The caption as it shows: the marking "&"s gone, "&&" as one "&".
std::u16string WithoutAccessKeys(const std::u16string& caption);

using TModalResult = int;
constexpr TModalResult mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5, mrYes = 6,
                       mrNo = 7, mrClose = 8;

enum class TCursor { crDefault, crHandPoint };
enum class TCloseAction { caNone, caHide, caFree, caMinimize };
enum class TPosition { poDesigned, poScreenCenter, poOwnerFormCenter };
enum class TBevelCut { bvNone, bvLowered, bvRaised };
enum class TAlignment { taLeftJustify, taRightJustify, taCenter };

// The state of an owner-drawn item: the ODS_* bits.
using TOwnerDrawState = unsigned;
constexpr TOwnerDrawState odSelected = 0x1, odGrayed = 0x2, odDisabled = 0x4, odChecked = 0x8, odFocused = 0x10,
                          odComboBoxEdit = 0x1000;

// --- TControl ---------------------------------------------------------------------------

class TControl : private IWindowHandler {
 public:
  explicit TControl(TWinControl* parent);
  virtual ~TControl();
  TControl(const TControl&) = delete;
  TControl& operator=(const TControl&) = delete;

  std::u16string Name;
  std::intptr_t Tag = 0;

  TWinControl* Parent() const { return FParent; }
  TForm* Form() const { return FForm; }  // the form the control is on (itself for a form)
  TPlatform& Platform() const { return FPlatform; }

  // The window; 0 until it is made (or when making it failed).
  HWND Handle() const { return FHandle; }
  bool HandleAllocated() const { return FHandle != 0; }
  // Makes the window now (the parent's first); false when it could not be.
  bool HandleNeeded();
  // Destroys the window and makes it again with the current properties.
  bool RecreateWnd();
  // Destroys the window (and its children's); the control keeps its properties.
  void DestroyHandle();

  // Design pixels, scaled by the form's pixels per inch / 96.
  void SetBounds(int left, int top, int width, int height);
  // Screen pixels, relative to the parent's client area.
  void SetBoundsPx(const TRect& rect);
  const TRect& BoundsRect() const { return FBounds; }
  int Left() const { return FBounds.Left; }
  int Top() const { return FBounds.Top; }
  int Width() const { return FBounds.Width(); }
  int Height() const { return FBounds.Height(); }
  TRect ClientRect() const { return {0, 0, FBounds.Width(), FBounds.Height()}; }
  int Scale(int designValue) const;  // by the form's pixels per inch
  int SystemMetric(int index) const;  // GetSystemMetrics at the form's pixels per inch

  const std::u16string& Caption() const { return FCaption; }
  void SetCaption(const std::u16string& caption);

  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool enabled);
  bool Visible() const { return FVisible; }
  void SetVisible(bool visible);
  // Visible and enabled, and so are all its parents, and it has a window.
  bool CanFocus() const;

  bool TabStop() const { return FTabStop; }
  void SetTabStop(bool tabStop);
  int TabOrder() const;
  void SetTabOrder(int order);
  void SetFocus();
  bool Focused() const;

  TFont& Font() { return FFont; }
  const TFont& Font() const { return FFont; }
  void SetParentFont(bool parentFont);

  TColor Color() const { return FColor; }
  void SetColor(TColor color);
  TCursor Cursor = TCursor::crDefault;
  // The control's tooltip text, shown while ShowHint is on and it is not empty.
  const std::u16string& Hint() const { return FHint; }
  void SetHint(const std::u16string& hint);
  bool ShowHint() const { return FShowHint; }
  void SetShowHint(bool showHint);

  void Invalidate();
  virtual void Click();

  std::function<void(TControl&)> OnClick, OnEnter, OnExit, OnMouseEnter, OnMouseLeave;
  // The handler may set key to 0: the control then never sees it.
  std::function<void(TControl&, std::uint16_t& key, TShiftState shift)> OnKeyDown;
  // handled = true keeps the control's own context menu away.
  std::function<void(TControl&, TPoint mousePos, bool& handled)> OnContextPopup;

  // Runs OnKeyDown; false when it swallowed the key.
  bool DoKeyDown(std::uint16_t& key, TShiftState shift);
  // Whether the control takes this key itself rather than the dialog.
  virtual bool WantsKey(int virtualKey);
  // Whether a character (WM_CHAR, or WM_SYSCHAR with Alt) is typing for the
  // control rather than an access key of the dialog.
  virtual bool WantsChar(UINT msg, char16_t ch);
  // The access key the control shows in its caption; 0 for none (the
  // default: an edit's text is no caption).
  virtual char16_t AccessKey() const { return 0; }
  bool IsStandardControl() const { return FPrevProc != 0; }

 protected:
  // What the window is made with; the class name, style and so on.
  virtual const char16_t* WindowClassName() const = 0;
  virtual bool StandardClass() const { return false; }  // a system class, subclassed
  virtual void CreateParams(TCreateWindowParams& params);
  // After the window is made: send it what the fields hold.
  virtual void CreateWnd();
  virtual void DestroyWnd() {}

  // Every message of the window; the default handles the common ones and
  // calls DefaultHandler.
  virtual LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT DefaultHandler(UINT msg, WPARAM wParam, LPARAM lParam);

  // A WM_COMMAND notification the parent passed on (BN_CLICKED, EN_CHANGE...).
  virtual void CommandNotify(UINT code) { (void)code; }
  virtual bool DrawItem(TDrawItemStruct& item) {
    (void)item;
    return false;
  }
  virtual bool MeasureItem(TMeasureItemStruct& item) {
    (void)item;
    return false;
  }
  virtual void MouseDown(TShiftState shift, int x, int y);
  virtual void MouseUp(TShiftState shift, int x, int y);
  virtual void MouseMove(TShiftState shift, int x, int y);
  virtual void MouseEnter();
  virtual void MouseLeave();
  virtual void FontChanged();
  virtual void EnabledChanged() {}
  // The window's height for a control height (a combo box's holds its list).
  virtual int WindowHeightFor(int height) const { return height; }
  virtual void CaptionChanged() {}
  virtual void BoundsChanged() {}
  virtual void ParentFontChanged();
  // The form moved to another DPI: bounds and fonts are scaled; the control
  // places again what it derives from them.
  virtual void DpiChanged() {}

  bool MouseInside() const { return FMouseInside; }
  bool MousePressed() const { return FMousePressed; }
  TShiftState KeyShiftState() { return KeyboardShiftState(FPlatform); }

  TPlatform& FPlatform;

 private:
  friend class TWinControl;
  friend class TForm;
  LRESULT HandleMessage(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) override;
  void ApplyBounds();
  // How far the form has scrolled its own children up; 0 for the others.
  int ScrolledBy() const;
  // Bounds and own font from one DPI to another, this control's and its children's.
  void ScaleBounds(int fromPpi, int toPpi);
  void ScaleFont(int fromPpi, int toPpi);
  void NotifyDpiChanged();
  void ApplyFont();
  void ReleaseFont();
  void ForgetHandle();
  explicit TControl(TPlatform& platform);  // a form's

  TWinControl* FParent = nullptr;
  TForm* FForm = nullptr;
  HWND FMsgWnd = 0;  // the window of the message being handled
  HWND FHandle = 0;
  WNDPROC FPrevProc = 0;
  std::uintptr_t FId = 0;
  TRect FBounds{0, 0, 75, 25};
  TRect FDesignBounds;  // the last SetBounds, in design pixels
  bool FDesigned = false;
  std::u16string FCaption, FHint;
  bool FShowHint = false;
  bool FEnabled = true, FVisible = true, FTabStop = false, FParentFont = true;
  TColor FColor = clBtnFace;
  TFont FFont;
  HGDIOBJ FFontHandle = 0;
  bool FMouseInside = false, FMousePressed = false, FCreating = false;
};

// A control that holds others: the form, group boxes, panels.
class TWinControl : public TControl {
 public:
  explicit TWinControl(TWinControl* parent) : TControl(parent) {}
  ~TWinControl() override;

  const std::vector<TControl*>& Controls() const { return FControls; }
  // Children in tab order.
  const std::vector<TControl*>& TabList() const { return FTabList; }
  // The child whose window this is, at any depth; null for none.
  TControl* FindControl(HWND wnd);
  TControl* FindControlById(std::uintptr_t id);

 protected:
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  void CreateWnd() override;
  void FontChanged() override;

 private:
  friend class TControl;
  friend class TForm;
  explicit TWinControl(TPlatform& platform) : TControl(platform) {}
  void Insert(TControl* child);
  void Remove(TControl* child);
  std::vector<TControl*> FControls;  // creation order
  std::vector<TControl*> FTabList;
  std::uintptr_t FNextId = 100;  // the form's: control ids
};

// --- TForm ---------------------------------------------------------------------------------

class TForm : public TWinControl {
 public:
  explicit TForm(TBaseApplication& app, std::u16string className = u"TForm");
  ~TForm() override;

  TBaseApplication& App;

  // The window the form belongs to (and is centred over, and disables while
  // modal); the application's main form's when not set.
  void SetOwnerWindow(HWND owner) { FOwnerWindow = owner; }
  TPosition Position = TPosition::poOwnerFormCenter;
  // The client area in design pixels.
  void SetClientSize(int width, int height);
  int PixelsPerInch() const { return FPixelsPerInch; }
  // Lays the form out again at another DPI (the window keeps its top-left
  // corner); what WM_DPICHANGED and opening on another monitor do.
  void ChangeDpi(int ppi);
  // A system font (SystemParametersInfoW's, at the system DPI) at the form's DPI.
  void AssignSystemFont(TFont& font, const TLogFont& system);
  bool DoubleBuffered = false;

  // Makes the window (and its controls) if need be and shows it; false when
  // the window could not be made (the user is told).
  bool Show();
  void Hide();
  // Shows the form modal to its owner: the owner is disabled until the form
  // closes; returns the modal result (mrCancel when it was closed without
  // one, mrNone when it could not be shown).
  TModalResult ShowModal();
  // As the close box: OnCloseQuery, OnClose, then hide or destroy; a modal
  // form ends its loop with mrCancel.
  void Close();
  TModalResult ModalResult = mrNone;

  void SetActiveControl(TControl* control);
  // Tab order across the whole form, group boxes included.
  TControl* FindNextControl(TControl* current, bool forward);
  void SelectNext(TControl* current, bool forward);
  // The tab stop after a control that takes none (a label, a group box);
  // null when there is none.
  TControl* NextTabStopAfter(TControl* control);
  // The control an access key reaches from the focused one: the next with
  // that key after it, round the form; null for none.
  TControl* FindAccessKeyControl(TControl* current, char16_t key);

  // The form's part of the message loop: the dialog keys and access keys.
  // True when the message was used up.
  bool DialogKey(const TMsg& msg);

  // A form taller than its monitor's work area is cut to it, with its
  // title bar on it, and scrolls its client area (scroll bar, wheel, and
  // the focus brought into view); one that fits is left as it is.
  // The window's size on a work area, as the form takes it there.
  TSize WindowSizeOn(const TRect& work);
  bool Scrolls() const { return FScrolls; }
  // The pixels of the client area scrolled off above.
  int ScrollPos() const { return FScrollPos; }
  void ScrollTo(int pos);
  // Scrolls the control into view, with the group it is in where that fits.
  void ScrollInView(TControl& control);

  std::function<void(TForm&)> OnCreate, OnShow, OnHide, OnDestroy;
  std::function<void(TForm&, bool& canClose)> OnCloseQuery;
  std::function<void(TForm&, TCloseAction& action)> OnClose;

 protected:
  const char16_t* WindowClassName() const override { return FClassName.c_str(); }
  void CreateParams(TCreateWindowParams& params) override;
  void CreateWnd() override;
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  friend class TButton;
  friend class TControl;
  HWND EffectiveOwner() const;
  void PlaceWindow();
  // Every control in tab order, depth first; and those the focus stops at.
  std::vector<TControl*> AllControls();
  std::vector<TControl*> TabStops();
  // Focus as the keyboard gives it: a one-line edit's text selected.
  void FocusByKey(TControl* control);
  bool DialogChar(const TMsg& msg);
  void PressAccessKey(TControl& control);
  // The window's size for the client size, with the frame it has now.
  void FitWindowToClient();
  // Window minus client size, the scroll bar left out.
  TSize FrameSize();
  int PageHeight();  // the client area's height: what shows of it
  // The window cut to its monitor's work area or made whole again, with
  // the scroll bar to match; `move` also brings it onto the work area.
  void FitOnWorkArea(bool move);
  void UpdateScrollBar();
  // Places the children for the client area scrolled by `pos`.
  void MoveChildrenTo(int pos);
  LRESULT WMDpiChanged(WPARAM wParam, LPARAM lParam);
  bool CloseQuery(TCloseAction& action);
  void ReportCreateFailure();
  // Adds, updates or removes the control's tool in the form's tooltip window.
  void SyncToolTip(TControl& control);
  void DropToolTip(TControl& control);  // before the control's window goes

  std::u16string FClassName;
  HWND FOwnerWindow = 0;
  int FPixelsPerInch = 96;
  int FClientWidth = 320, FClientHeight = 240;
  int FDesignClientWidth = 320, FDesignClientHeight = 240;
  bool FModal = false, FCreated = false;
  bool FScrolls = false;
  int FScrollPos = 0;
  TWheelNotches FWheel;
  DWORD FCreateError = 0;
  TControl* FActiveControl = nullptr;
  TButton* FDefaultButton = nullptr;
  TButton* FCancelButton = nullptr;
  HWND FToolTip = 0;  // made with the first tool
  struct TTool {
    TControl* Control;
    HWND Wnd;  // the window it was added for
  };
  std::vector<TTool> FTools;
};

}  // namespace lensoro

#include "StdCtrls.h"
