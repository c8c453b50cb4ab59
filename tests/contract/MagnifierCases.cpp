// The Magnification API: the magnifier's set-up and rebuild in the order the
// loupe does them, each call's refusals, and the log a rebuild leaves. On the
// Win32 backend under Wine this is the stand-in magnification.dll.
#include <cmath>
#include <cstdio>
#include <limits>
#include <map>

#include "Contract.h"

namespace lensoro::contract {
namespace {

constexpr DWORD LoupeExStyle = win::WS_EX_TOPMOST | win::WS_EX_TOOLWINDOW | win::WS_EX_LAYERED;

TMagTransform Scale(float s) {
  TMagTransform t;
  t.v[0][0] = t.v[1][1] = s;
  t.v[2][2] = 1.0f;
  return t;
}

const TMagColorEffect Inverted = {
    {{-1, 0, 0, 0, 0}, {0, -1, 0, 0, 0}, {0, 0, -1, 0, 0}, {0, 0, 0, 1, 0}, {1, 1, 1, 0, 1}}};

class Magnifier : public TContract {
 protected:
  ~Magnifier() override {
    // Children first, then the runtime, as the loupe ends.
    for (HWND mag : FMags) {
      if (P.IsWindow(mag)) P.DestroyWindow(mag);
    }
    if (FInitialized) P.MagUninitialize();
  }
  bool Initialize() { return FInitialized = P.MagInitialize(); }
  bool Uninitialize() {
    FInitialized = !P.MagUninitialize();
    return !FInitialized;
  }
  // A "Magnifier" child filling the host's client area.
  HWND MakeMagnifier(HWND host) {
    TCreateWindowParams params;
    params.ClassName = u"Magnifier";
    params.WindowName = u"0123456789ABCDEF0123456789ABCDEF";
    params.Style = win::WS_CHILD | win::WS_VISIBLE;
    params.X = params.Y = 4;
    params.Width = 200;
    params.Height = 150;
    params.Parent = host;
    const HWND mag = P.CreateWindowExW(params);
    if (mag) FMags.push_back(mag);
    return mag;
  }
  // The loupe's host: top-most, layered, opaque.
  HWND MakeHost(DWORD exStyle = LoupeExStyle) {
    const HWND host = Make(win::WS_POPUP | win::WS_CLIPCHILDREN, exStyle, {300, 300, 508, 458});
    if (host && (exStyle & win::WS_EX_LAYERED)) P.SetLayeredWindowAttributes(host, 0, 255, win::LWA_ALPHA);
    if (host) P.ShowWindow(host, win::SW_SHOWNA);
    return host;
  }
  // The loupe's start: host, runtime, child (FMags[0]).
  bool SetUpLoupe() {
    Host = MakeHost();
    return Host && Initialize() && MakeMagnifier(Host);
  }
  // The calls since the case began, with each window's handle as its name.
  std::vector<std::string> Log(const std::map<HWND, std::string>& names) {
    std::vector<std::string> lines;
    std::string why;
    if (!Backend().MagLog(lines, why)) {
      lines = {"(no log: " + why + ")"};
      return lines;
    }
    for (std::string& line : lines) {
      for (const auto& [wnd, name] : names) {
        char hex[24];
        std::snprintf(hex, sizeof hex, "hwnd=0x%08X", static_cast<unsigned>(wnd));
        if (const std::size_t at = line.find(hex); at != std::string::npos) line.replace(at, 15, name);
      }
    }
    return lines;
  }

  HWND Host = 0;
  std::vector<HWND> FMags;
  bool FInitialized = false;
};

// Start, settings, and the rebuild another copy's end asks for: the runtime
// goes down while the child still stands, then the child, then both anew.
// The log shows every call landing on the child it was meant for, and the
// old child refused once it is gone.
TEST_F(Magnifier, SetUpAndRebuildInTheLoupesOrder) {
  ASSERT_TRUE(SetUpLoupe());
  const HWND first = FMags[0];
  EXPECT_EQ(P.GetParent(first), Host);
  const HWND excluded[] = {Host};
  EXPECT_TRUE(P.MagSetWindowTransform(first, Scale(2.0f)));
  EXPECT_TRUE(P.MagSetColorEffect(first, &Inverted));
  EXPECT_TRUE(P.MagSetWindowSource(first, {10, 20, 110, 95}));
  EXPECT_TRUE(P.MagSetWindowFilterList(first, win::MW_FILTERMODE_EXCLUDE, 1, excluded));

  ASSERT_TRUE(Uninitialize());
  ASSERT_TRUE(P.DestroyWindow(first));
  ASSERT_TRUE(Initialize());
  const HWND second = MakeMagnifier(Host);
  ASSERT_NE(second, 0u);
  EXPECT_TRUE(P.MagSetWindowFilterList(second, win::MW_FILTERMODE_EXCLUDE, 1, excluded));
  EXPECT_TRUE(P.MagSetWindowTransform(second, Scale(2.0f)));
  EXPECT_TRUE(P.MagSetColorEffect(second, nullptr));
  EXPECT_TRUE(P.MagSetWindowSource(second, {10, 20, 110, 95}));
  EXPECT_FALSE(P.MagSetWindowSource(first, {10, 20, 110, 95}));
  EXPECT_EQ(P.GetLastError(), win::ERROR_INVALID_WINDOW_HANDLE);

  const std::vector<std::string> want = {
      "MagInitialize -> 1",
      "MagSetWindowTransform first -> 1",
      "MagSetColorEffect first -> 1",
      "MagSetWindowSource first -> 1",
      "MagSetWindowFilterList first -> 1",
      "MagUninitialize -> 1",
      "MagInitialize -> 1",
      "MagSetWindowFilterList second -> 1",
      "MagSetWindowTransform second -> 1",
      "MagSetColorEffect second -> 1",
      "MagSetWindowSource second -> 1",
      "MagSetWindowSource first -> 0 error=1400",
  };
  const std::vector<std::string> log = Log({{first, "first"}, {second, "second"}});
  if (log.size() == 1 && log[0].rfind("(no log", 0) == 0) {
    std::printf("[ skipped part ] the log: %s\n", log[0].c_str());
  } else {
    EXPECT_EQ(log, want);
  }
}

// What each call refuses, and with which error: the same on the simulated
// desktop and the stand-in.
TEST_F(Magnifier, Refusals) {
  ASSERT_TRUE(SetUpLoupe());
  const HWND mag = FMags[0];
  const HWND gone = Make(win::WS_POPUP, 0, {0, 0, 10, 10});
  ASSERT_TRUE(P.DestroyWindow(gone));
  const HWND excluded[] = {Host};
  const float nan = std::numeric_limits<float>::quiet_NaN();

  struct TRow {
    const char* Name;
    std::function<bool()> Call;
    DWORD Error;  // 0: accepted
  };
  const TRow rows[] = {
      {"scale 1: no magnification is valid", [&] { return P.MagSetWindowTransform(mag, Scale(1.0f)); }, 0},
      {"scale below 1", [&] { return P.MagSetWindowTransform(mag, Scale(0.5f)); }, win::ERROR_INVALID_PARAMETER},
      {"scale 0", [&] { return P.MagSetWindowTransform(mag, Scale(0.0f)); }, win::ERROR_INVALID_PARAMETER},
      {"scale NaN", [&] { return P.MagSetWindowTransform(mag, Scale(nan)); }, win::ERROR_INVALID_PARAMETER},
      {"null colour effect: no effect", [&] { return P.MagSetColorEffect(mag, nullptr); }, 0},
      {"include filter mode (gone since Windows 7)",
       [&] { return P.MagSetWindowFilterList(mag, win::MW_FILTERMODE_INCLUDE, 1, excluded); },
       win::ERROR_INVALID_PARAMETER},
      {"negative count", [&] { return P.MagSetWindowFilterList(mag, win::MW_FILTERMODE_EXCLUDE, -1, excluded); },
       win::ERROR_INVALID_PARAMETER},
      {"empty exclusion list", [&] { return P.MagSetWindowFilterList(mag, win::MW_FILTERMODE_EXCLUDE, 0, nullptr); },
       0},
      {"transform on a window that is not a magnifier", [&] { return P.MagSetWindowTransform(Host, Scale(2.0f)); },
       win::ERROR_INVALID_PARAMETER},
      {"effect on a window that is not a magnifier", [&] { return P.MagSetColorEffect(Host, &Inverted); },
       win::ERROR_INVALID_PARAMETER},
      {"source on a window that is not a magnifier", [&] { return P.MagSetWindowSource(Host, {0, 0, 10, 10}); },
       win::ERROR_INVALID_PARAMETER},
      {"list on a window that is not a magnifier",
       [&] { return P.MagSetWindowFilterList(Host, win::MW_FILTERMODE_EXCLUDE, 1, excluded); },
       win::ERROR_INVALID_PARAMETER},
      {"transform on no window", [&] { return P.MagSetWindowTransform(gone, Scale(2.0f)); },
       win::ERROR_INVALID_WINDOW_HANDLE},
      {"effect on no window", [&] { return P.MagSetColorEffect(gone, &Inverted); }, win::ERROR_INVALID_WINDOW_HANDLE},
      {"source on no window", [&] { return P.MagSetWindowSource(gone, {0, 0, 10, 10}); },
       win::ERROR_INVALID_WINDOW_HANDLE},
      {"list on no window", [&] { return P.MagSetWindowFilterList(gone, win::MW_FILTERMODE_EXCLUDE, 1, excluded); },
       win::ERROR_INVALID_WINDOW_HANDLE},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.Name);
    P.SetLastError(0);
    EXPECT_EQ(row.Call(), row.Error == 0);
    if (row.Error) {
      EXPECT_EQ(P.GetLastError(), row.Error);
    }
  }

  // A magnifier draws only inside a layered window.
  const HWND plain = MakeHost(win::WS_EX_TOPMOST | win::WS_EX_TOOLWINDOW);
  ASSERT_NE(plain, 0u);
  P.SetLastError(0);
  EXPECT_EQ(MakeMagnifier(plain), 0u);
  EXPECT_EQ(P.GetLastError(), win::ERROR_INVALID_PARAMETER);
}

}  // namespace
}  // namespace lensoro::contract
