// Visual styles on the simulated desktop: theme handles per window and class;
// a themed part drawn goes to the window's paint log.
#include "SimDesktop.h"

namespace lensoro::sim {

namespace {

constexpr const char16_t* KnownClasses[] = {u"BUTTON", u"COMBOBOX", u"EDIT",   u"HEADER", u"LISTVIEW",
                                            u"MENU",   u"PROGRESS", u"REBAR", u"SCROLLBAR", u"SPIN",
                                            u"STATUS", u"TAB",      u"TOOLBAR", u"TOOLTIP", u"TRACKBAR",
                                            u"TREEVIEW", u"WINDOW"};

// The first class of the list the theme knows, "" when none.
std::u16string FirstKnownClass(const std::u16string& classList) {
  std::size_t start = 0;
  while (start <= classList.size()) {
    std::size_t end = classList.find(u';', start);
    if (end == std::u16string::npos) end = classList.size();
    std::u16string name = FoldAscii(classList.substr(start, end - start));
    const std::size_t first = name.find_first_not_of(u' ');
    name = first == std::u16string::npos ? u"" : name.substr(first, name.find_last_not_of(u' ') - first + 1);
    for (const char16_t* known : KnownClasses) {
      if (name == known) return name;
    }
    start = end + 1;
  }
  return {};
}

}  // namespace

bool TSimProcess::IsThemeActive() {
  Log("IsThemeActive");
  if (Injected("IsThemeActive")) return false;
  return FDesktop.ThemeActive;
}

HANDLE TSimProcess::OpenThemeData(HWND wnd, const std::u16string& classList) {
  Log("OpenThemeData", wnd, static_cast<std::int64_t>(classList.size()));
  if (Injected("OpenThemeData")) return 0;
  if (wnd != 0 && !Need(wnd)) return 0;
  if (!FDesktop.ThemeActive) {
    LastError = win::ERROR_NOT_FOUND;
    return 0;
  }
  std::u16string name = FirstKnownClass(classList);
  if (name.empty()) {
    LastError = win::ERROR_NOT_FOUND;
    return 0;
  }
  auto& open = FDesktop.OpenThemes;
  const HANDLE handle = open.empty() ? 0x7E000 : open.rbegin()->first + 4;
  open[handle] = {Pid, wnd, std::move(name)};
  return handle;
}

bool TSimProcess::DrawThemeBackground(HANDLE theme, HDC dc, int partId, int stateId, const TRect& rect) {
  Log("DrawThemeBackground", static_cast<std::int64_t>(theme), static_cast<std::int64_t>(dc), partId, stateId);
  if (Injected("DrawThemeBackground")) return false;
  const auto it = FDesktop.OpenThemes.find(theme);
  if (it == FDesktop.OpenThemes.end() || it->second.Pid != Pid) return Fail(win::E_HANDLE);
  TSimDcState* state = nullptr;
  TSimWindow* w = PaintTarget(dc, state);
  if (!w) return false;
  TSimPaintOp op;
  op.Op = "DrawThemeBackground";
  op.Rect = rect;
  op.Text = it->second.ClassName;
  op.Flags = static_cast<UINT>(partId) << 16 | (static_cast<UINT>(stateId) & 0xFFFF);
  w->PaintLog.push_back(std::move(op));
  return true;
}

// The sim's DCs stand for whole windows, so the window's DC is one more of them.
HDC TSimProcess::GetWindowDC(HWND wnd) { return WindowDc("GetWindowDC", wnd); }

bool TSimProcess::CloseThemeData(HANDLE theme) {
  Log("CloseThemeData", static_cast<std::int64_t>(theme));
  if (Injected("CloseThemeData")) return false;
  const auto it = FDesktop.OpenThemes.find(theme);
  if (it == FDesktop.OpenThemes.end() || it->second.Pid != Pid) return Fail(win::E_HANDLE);
  FDesktop.OpenThemes.erase(it);
  return true;
}

}  // namespace lensoro::sim
