// The fixture and the recording handler the cases share.
#include "Contract.h"

#include <algorithm>

namespace lensoro::contract {

LRESULT TRecorder::HandleMessage(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  TSeen seen{msg, wParam, lParam, {}, {}};
  if ((msg == win::WM_WINDOWPOSCHANGING || msg == win::WM_WINDOWPOSCHANGED) && lParam) {
    seen.Pos = *reinterpret_cast<const TWindowPos*>(lParam);
  }
  if (msg == win::WM_SETTEXT && lParam) seen.Text = reinterpret_cast<const char16_t*>(lParam);
  Seen.push_back(seen);
  LRESULT result = 0;
  if (OnMessage && OnMessage(wnd, msg, wParam, lParam, result)) return result;
  return P.DefWindowProcW(wnd, msg, wParam, lParam);
}

int TRecorder::Count(UINT msg) const {
  return static_cast<int>(std::count_if(Seen.begin(), Seen.end(), [msg](const TSeen& s) { return s.Msg == msg; }));
}

std::vector<UINT> TRecorder::Order(std::initializer_list<UINT> of) const {
  std::vector<UINT> order;
  for (const TSeen& s : Seen) {
    if (std::find(of.begin(), of.end(), s.Msg) != of.end()) order.push_back(s.Msg);
  }
  return order;
}

const TSeen* TRecorder::Last(UINT msg) const {
  for (auto it = Seen.rbegin(); it != Seen.rend(); ++it) {
    if (it->Msg == msg) return &*it;
  }
  return nullptr;
}

TContract::TContract() : P((Backend().Reset(), Backend().Platform())) {}

TContract::~TContract() {
  for (auto it = FWindows.rbegin(); it != FWindows.rend(); ++it) {
    if (P.IsWindow(it->first)) P.DestroyWindow(it->first);
  }
  Backend().Pump(0);
}

HWND TContract::Make(DWORD style, DWORD exStyle, TRect rect, const std::u16string& title) {
  auto recorder = std::make_unique<TRecorder>(P);
  TCreateWindowParams params = WindowParams(u"LensoroContract", style, exStyle, rect, recorder.get());
  params.WindowName = title;
  const HWND wnd = P.CreateWindowExW(params);
  if (wnd) FWindows.emplace_back(wnd, std::move(recorder));
  return wnd;
}

TRecorder& TContract::Rec(HWND wnd) {
  for (auto& [h, r] : FWindows) {
    if (h == wnd) return *r;
  }
  throw std::logic_error("no recorder for this window");
}

std::u16string TContract::Text(HWND wnd) {
  char16_t buffer[256] = {};
  const int n = P.GetWindowTextW(wnd, buffer, 256);
  return std::u16string(buffer, static_cast<std::size_t>(std::max(n, 0)));
}

DWORD TContract::ProcessOf(HWND wnd) {
  DWORD pid = 0;
  P.GetWindowThreadProcessId(wnd, &pid);
  return pid;
}

TRect TContract::WindowRect(HWND wnd) {
  TRect r;
  EXPECT_TRUE(P.GetWindowRect(wnd, r));
  return r;
}

TRect TContract::ClientRect(HWND wnd) {
  TRect r;
  EXPECT_TRUE(P.GetClientRect(wnd, r));
  return r;
}

TCreateWindowParams WindowParams(const std::u16string& className, DWORD style, DWORD exStyle, TRect rect,
                                 IWindowHandler* handler, HWND parent) {
  TCreateWindowParams params;
  params.ClassName = className;
  params.Style = style;
  params.ExStyle = exStyle;
  params.X = rect.Left;
  params.Y = rect.Top;
  params.Width = rect.Width();
  params.Height = rect.Height();
  params.Handler = handler;
  params.Parent = parent;
  return params;
}

}  // namespace lensoro::contract

namespace lensoro {
// Rectangles print as (l,t)-(r,b) in failures.
void PrintTo(const TRect& r, std::ostream* os) {
  *os << "(" << r.Left << "," << r.Top << ")-(" << r.Right << "," << r.Bottom << ")";
}
}  // namespace lensoro
