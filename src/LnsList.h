// The list of running loupes known to this copy, and the snapshot of the
// desktop's z-order.
#pragma once

#include <vector>

#include "Platform.h"

namespace lensoro {

using TCardinalDynArray = std::vector<DWORD>;

// One loupe window.
class TLnsItem {
 public:
  explicit TLnsItem(TPlatform& platform) : FPlatform(&platform) {}
  HWND WindowHandle() const { return FWindowHandle; }
  // A changed handle reads the window's rectangle at once.
  void SetWindowHandle(HWND handle);
  TRect WindowRect;
  bool IsVisible = true;
  bool IsIntersecting = false;
  std::vector<int> Indexes;  // positions of the entries this one overlaps

 private:
  TPlatform* FPlatform;
  HWND FWindowHandle = 0;
};

class TLnsList {
 public:
  std::vector<TLnsItem> Items;
  int Count() const { return static_cast<int>(Items.size()); }
  int IndexOfWindowHandle(HWND handle) const;
  // One handle per entry, in list order, hidden loupes included.
  void SetExcludedArray(TCardinalDynArray& array) const;
};

// One top-level window of a z-order snapshot.
struct TZOrderItem {
  HWND WindowHandle = 0;
  TRect WindowRect;
  bool IsLensoro = false;
};

class TZOrderList {
 public:
  std::vector<TZOrderItem> Items;  // entry 0 is the highest window
  int Count() const { return static_cast<int>(Items.size()); }
  int IndexOfWindowHandle(HWND handle) const;
};

}  // namespace lensoro
