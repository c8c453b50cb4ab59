#include "LnsList.h"

namespace lensoro {

void TLnsItem::SetWindowHandle(HWND handle) {
  if (handle == FWindowHandle) return;
  FWindowHandle = handle;
  FPlatform->GetWindowRect(handle, WindowRect);
}

int TLnsList::IndexOfWindowHandle(HWND handle) const {
  for (int i = 0; i < Count(); ++i) {
    if (Items[static_cast<std::size_t>(i)].WindowHandle() == handle) return i;
  }
  return -1;
}

void TLnsList::SetExcludedArray(TCardinalDynArray& array) const {
  array.resize(Items.size());
  for (std::size_t i = 0; i < Items.size(); ++i) array[i] = Items[i].WindowHandle();
}

int TZOrderList::IndexOfWindowHandle(HWND handle) const {
  for (int i = 0; i < Count(); ++i) {
    if (Items[static_cast<std::size_t>(i)].WindowHandle == handle) return i;
  }
  return -1;
}

}  // namespace lensoro
