// The simulated tooltip windows: each keeps the tools added to it, and the
// tools go with it when it is destroyed.
#include <algorithm>

#include "SimDesktop.h"

namespace lensoro::sim {

namespace {

bool IsToolTipWindow(const TSimWindow& w) { return FoldAscii(w.ClassName) == u"TOOLTIPS_CLASS32"; }

std::vector<TSimTool>::iterator FindTool(TSimWindow& tip, HWND owner, HWND tool) {
  return std::find_if(tip.Tools.begin(), tip.Tools.end(),
                      [&](const TSimTool& t) { return t.Owner == owner && t.Tool == tool; });
}

}  // namespace

bool TSimProcess::InitCommonControlsEx(DWORD classes) {
  Log("InitCommonControlsEx", classes);
  if (Injected("InitCommonControlsEx")) return false;
  return true;
}

// A message to a window of another class means nothing to it: the answer is 0.
bool TSimProcess::SendAddToolW(HWND toolTip, HWND owner, HWND tool, const std::u16string& text) {
  Log("SendAddToolW", toolTip, owner, tool, static_cast<std::int64_t>(text.size()));
  if (Injected("SendAddToolW")) return false;
  TSimWindow* tip = Need(toolTip);
  if (!tip || !IsToolTipWindow(*tip)) return false;
  // Subclassing needs a window of this process.
  const TSimWindow* toolWindow = Need(tool);
  if (!toolWindow || toolWindow->ProcessId != Pid) return false;
  // The system keeps a second registration of the same tool as a second entry.
  tip->Tools.push_back({owner, tool, text});
  return true;
}

void TSimProcess::SendUpdateTipTextW(HWND toolTip, HWND owner, HWND tool, const std::u16string& text) {
  Log("SendUpdateTipTextW", toolTip, owner, tool, static_cast<std::int64_t>(text.size()));
  if (Injected("SendUpdateTipTextW")) return;
  TSimWindow* tip = Need(toolTip);
  if (!tip || !IsToolTipWindow(*tip)) return;
  auto it = FindTool(*tip, owner, tool);
  if (it != tip->Tools.end()) it->Text = text;
}

void TSimProcess::SendDelToolW(HWND toolTip, HWND owner, HWND tool) {
  Log("SendDelToolW", toolTip, owner, tool);
  if (Injected("SendDelToolW")) return;
  TSimWindow* tip = Need(toolTip);
  if (!tip || !IsToolTipWindow(*tip)) return;
  auto it = FindTool(*tip, owner, tool);
  if (it != tip->Tools.end()) tip->Tools.erase(it);
}

}  // namespace lensoro::sim
