#include "LnsList.h"

#include "LnsLib.h"
#include "LoupeProtocol.h"

namespace lensoro {

bool RectsOverlap(const TRect& a, const TRect& b) {
  const int left = a.Left > b.Left ? a.Left : b.Left;
  const int top = a.Top > b.Top ? a.Top : b.Top;
  const int right = a.Right < b.Right ? a.Right : b.Right;
  const int bottom = a.Bottom < b.Bottom ? a.Bottom : b.Bottom;
  return left < right && top < bottom;
}

void TLnsItem::SetWindowHandle(HWND handle) {
  if (handle == FWindowHandle) return;
  FWindowHandle = handle;
  FPlatform->GetWindowRect(handle, WindowRect);
}

TLnsItem& TLnsList::Add(HWND handle) {
  TLnsItem item(*FPlatform);
  item.SetWindowHandle(handle);
  Items.push_back(std::move(item));
  return Items.back();
}

void TLnsList::Assign(const TLnsList& source) {
  Items.clear();
  for (const auto& s : source.Items) {
    TLnsItem item(*FPlatform);
    // Copied, not read again: the source's rectangle is what counts.
    item.SetWindowHandle(s.WindowHandle());
    item.WindowRect = s.WindowRect;
    Items.push_back(std::move(item));
  }
}

int TLnsList::IndexOfWindowHandle(HWND handle) const {
  for (int i = 0; i < Count(); ++i) {
    if ((*this)[i].WindowHandle() == handle) return i;
  }
  return -1;
}

void TLnsList::SetExcludedArray(TCardinalDynArray& array) const {
  array.resize(Items.size());
  for (std::size_t i = 0; i < Items.size(); ++i) array[i] = Items[i].WindowHandle();
}

void TLnsList::UpdateWindowRect() {
  for (auto& item : Items) {
    // A window that is gone keeps the rectangle it had.
    TRect r;
    if (FPlatform->GetWindowRect(item.WindowHandle(), r)) item.WindowRect = r;
  }
}

void TLnsList::UpdateIntersectingInfo() {
  const int n = Count();
  for (int i = 0; i < n; ++i) {
    TLnsItem& a = (*this)[i];
    a.Indexes.clear();
    for (int j = 0; j < n; ++j) {
      if (j != i && RectsOverlap(a.WindowRect, (*this)[j].WindowRect)) a.Indexes.push_back(j);
    }
    a.IsIntersecting = !a.Indexes.empty();
  }
}

void TZOrderItem::SetWindowHandle(HWND handle) {
  if (handle == FWindowHandle) return;
  FWindowHandle = handle;
  FPlatform->GetWindowRect(handle, WindowRect);
}

void TZOrderList::Assign(const TZOrderList& source) { Items = source.Items; }

int TZOrderList::IndexOfWindowHandle(HWND handle) const {
  for (int i = 0; i < Count(); ++i) {
    if ((*this)[i].WindowHandle() == handle) return i;
  }
  return -1;
}

bool ContainsFileName(const std::u16string& path, const std::u16string& fileName) {
  if (fileName.empty() || fileName.size() > path.size()) return false;
  for (std::size_t i = 0; i + fileName.size() <= path.size(); ++i) {
    std::size_t k = 0;
    while (k < fileName.size() && FoldAscii(path[i + k]) == FoldAscii(fileName[k])) ++k;
    if (k == fileName.size()) return true;
  }
  return false;
}

void UpdateZOrderList(TPlatform& platform, HWND ownWindow, const std::u16string& ownExePath, TZOrderList& list) {
  list.Items.clear();
  const std::u16string ownName = ExtractFileName(ownExePath);
  // Bounded: a z-order that changes under the walk cannot keep it going.
  int guard = 100000;
  for (HWND h = platform.GetWindow(ownWindow, win::GW_HWNDFIRST); h != 0 && guard-- > 0;
       h = platform.GetWindow(h, win::GW_HWNDNEXT)) {
    if (platform.GetWindow(h, win::GW_OWNER) != 0 || !platform.IsWindowVisible(h)) continue;
    char16_t title[TextBufferLength] = {};
    const int length = platform.GetWindowTextW(h, title, TextBufferLength);
    if (length <= 0) continue;
    bool isLensoro = false;
    if (SameTextAscii(std::u16string(title, static_cast<std::size_t>(length)), LoupeCaption)) {
      if (!ContainsFileName(GetWindowProcessImagePath(platform, h), ownName)) continue;
      isLensoro = true;
    }
    TZOrderItem item(platform);
    item.SetWindowHandle(h);
    item.IsLensoro = isLensoro;
    list.Items.push_back(item);
  }
}

}  // namespace lensoro
