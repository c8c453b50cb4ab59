// The list of running loupes known to this copy, and the snapshot of the
// desktop's z-order.
#pragma once

#include <string>
#include <vector>

#include "FilePath.h"
#include "Platform.h"

namespace lensoro {

using TCardinalDynArray = std::vector<DWORD>;

// Two rectangles overlap when their intersection has a positive area;
// touching along an edge or at a corner is no overlap.
bool RectsOverlap(const TRect& a, const TRect& b);

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
  std::vector<int> Indexes;  // positions of the entries this one overlaps, ascending

 private:
  TPlatform* FPlatform;
  HWND FWindowHandle = 0;
};

class TLnsList {
 public:
  explicit TLnsList(TPlatform& platform) : FPlatform(&platform) {}
  std::vector<TLnsItem> Items;
  int Count() const { return static_cast<int>(Items.size()); }
  TLnsItem& operator[](int i) { return Items[static_cast<std::size_t>(i)]; }
  const TLnsItem& operator[](int i) const { return Items[static_cast<std::size_t>(i)]; }
  // Appends an entry for a window (reading its rectangle).
  TLnsItem& Add(HWND handle);
  void Delete(int index) { Items.erase(Items.begin() + index); }
  // New entries with the source's handles and rectangles only.
  void Assign(const TLnsList& source);
  // First position of the handle; -1 when absent.
  int IndexOfWindowHandle(HWND handle) const;
  // One handle per entry, in list order, hidden loupes included.
  void SetExcludedArray(TCardinalDynArray& array) const;
  // Reads every entry's rectangle afresh.
  void UpdateWindowRect();
  // Which entries overlap which, from the stored rectangles.
  void UpdateIntersectingInfo();

 private:
  TPlatform* FPlatform;
};

// One top-level window of a z-order snapshot.
class TZOrderItem {
 public:
  explicit TZOrderItem(TPlatform& platform) : FPlatform(&platform) {}
  HWND WindowHandle() const { return FWindowHandle; }
  void SetWindowHandle(HWND handle);
  TRect WindowRect;
  bool IsLensoro = false;

 private:
  TPlatform* FPlatform;
  HWND FWindowHandle = 0;
};

class TZOrderList {
 public:
  std::vector<TZOrderItem> Items;  // entry 0 is the highest window
  int Count() const { return static_cast<int>(Items.size()); }
  const TZOrderItem& operator[](int i) const { return Items[static_cast<std::size_t>(i)]; }
  void Assign(const TZOrderList& source);
  int IndexOfWindowHandle(HWND handle) const;
};

// Case-insensitive (A-Z) substring test of a file name in a path.
bool ContainsFileName(const std::u16string& path, const std::u16string& fileName);

// Refills the list with the visible, unowned, titled top-level windows, top
// first; loupe windows only when their program's path contains our own
// file name (then marked IsLensoro), other loupe-titled windows not at all.
void UpdateZOrderList(TPlatform& platform, HWND ownWindow, const std::u16string& ownExePath, TZOrderList& list);

}  // namespace lensoro
