// The simulated desktop's notification area, popup menus, hot keys, icons
// and shell: state kept the way the shell and user32 keep it.
#include <algorithm>

#include "SimDesktop.h"

namespace lensoro::sim {

namespace {

template <std::size_t N>
void CopyField(char16_t (&to)[N], const char16_t (&from)[N]) {
  std::copy(std::begin(from), std::end(from), std::begin(to));
  to[N - 1] = 0;
}

// What the shell takes from a record: only the fields its flags name.
void Merge(TNotifyIconData& to, const TNotifyIconData& from) {
  to.cbSize = from.cbSize;
  to.hWnd = from.hWnd;
  to.uID = from.uID;
  if (from.uFlags & win::NIF_MESSAGE) to.uCallbackMessage = from.uCallbackMessage;
  if (from.uFlags & win::NIF_ICON) to.hIcon = from.hIcon;
  if (from.uFlags & win::NIF_TIP) CopyField(to.szTip, from.szTip);
  if (from.uFlags & win::NIF_INFO) {
    CopyField(to.szInfo, from.szInfo);
    CopyField(to.szInfoTitle, from.szInfoTitle);
    to.dwInfoFlags = from.dwInfoFlags;
    to.uTimeout = from.uTimeout;
    to.hBalloonIcon = from.hBalloonIcon;
  }
}

// The command item with this id, searched through the submenus.
const TSimDesktop::TSimMenuItem* FindItem(const TSimDesktop& desk, HMENU menu, std::uintptr_t id) {
  const TSimDesktop::TSimMenu* m = desk.Menu(menu);
  if (!m) return nullptr;
  for (const auto& item : m->Items) {
    if (item.SubMenu) {
      if (const auto* found = FindItem(desk, item.SubMenu, id)) return found;
    } else if (!(item.Flags & win::MF_SEPARATOR) && item.Id == id) {
      return &item;
    }
  }
  return nullptr;
}

}  // namespace

// --- The desktop's side -------------------------------------------------------

TIconBits TSimDesktop::DefaultAppIcon() {
  TIconBits bits;
  bits.Width = bits.Height = 16;
  bits.Mask.assign(256, 0);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      const int dx = 2 * x - 15, dy = 2 * y - 15, d = dx * dx + dy * dy;
      const bool ring = d >= 100 && d <= 196;
      bits.ColorBgra.insert(bits.ColorBgra.end(), {0x40, 0x20, static_cast<std::uint8_t>(ring ? 0xC0 : 0x10),
                                                   static_cast<std::uint8_t>(d <= 196 ? 255 : 0)});
      if (d > 196) bits.Mask[static_cast<std::size_t>(y * 16 + x)] = 1;
    }
  return bits;
}

const TSimDesktop::TSimTrayIcon* TSimDesktop::TrayIcon(HWND wnd, UINT id) const {
  for (const auto& icon : TrayIcons)
    if (icon.Data.hWnd == wnd && icon.Data.uID == id) return &icon;
  return nullptr;
}

void TSimDesktop::BroadcastTaskbarCreated() {
  TrayIcons.clear();
  const UINT msg = FMessages.try_emplace(FoldAscii(u"TaskbarCreated"), FNextMessage).first->second;
  if (msg == FNextMessage) ++FNextMessage;
  for (const HWND wnd : TopLevelWindows()) Post(wnd, msg, 0, 0);
}

UINT TSimDesktop::FindMessage(const std::u16string& name) const {
  auto it = FMessages.find(FoldAscii(name));
  return it == FMessages.end() ? 0 : it->second;
}

bool TSimDesktop::TrayMouse(HWND wnd, UINT id, UINT mouseMessage) {
  const TSimTrayIcon* icon = TrayIcon(wnd, id);
  if (!icon || !Window(wnd)) return false;
  Post(wnd, icon->Data.uCallbackMessage, id, mouseMessage);
  return true;
}

const TSimDesktop::TSimMenu* TSimDesktop::Menu(HMENU menu) const {
  auto it = FMenus.find(menu);
  return it == FMenus.end() ? nullptr : &it->second;
}

int TSimDesktop::MenuCount(DWORD pid) const {
  return static_cast<int>(
      std::count_if(FMenus.begin(), FMenus.end(), [pid](const auto& m) { return m.second.Pid == pid; }));
}

std::uintptr_t TSimDesktop::FindMenuItem(HMENU menu, const std::u16string& prefix) const {
  const TSimMenu* m = Menu(menu);
  if (!m) return 0;
  for (const auto& item : m->Items) {
    if (item.SubMenu) {
      if (const std::uintptr_t id = FindMenuItem(item.SubMenu, prefix)) return id;
    } else if (!(item.Flags & win::MF_SEPARATOR) && item.Text.starts_with(prefix)) {
      return item.Id;
    }
  }
  return 0;
}

void TSimDesktop::DestroyMenuTree(HMENU menu) {
  auto it = FMenus.find(menu);
  if (it == FMenus.end()) return;
  const std::vector<TSimMenuItem> items = std::move(it->second.Items);
  FMenus.erase(it);
  for (const auto& item : items)
    if (item.SubMenu) DestroyMenuTree(item.SubMenu);
}

bool TSimDesktop::PressHotKey(UINT modifiers, UINT key) {
  for (const auto& h : HotKeys) {
    if (h.Modifiers != modifiers || h.Key != key) continue;
    Post(h.Wnd, win::WM_HOTKEY, static_cast<WPARAM>(h.Id),
         MakeLParam(static_cast<int>(modifiers), static_cast<int>(key)));
    return true;
  }
  return false;
}

const TSimDesktop::TSimIcon* TSimDesktop::Icon(HICON icon) const {
  auto it = FIcons.find(icon);
  return it == FIcons.end() ? nullptr : &it->second;
}

int TSimDesktop::IconCount(DWORD pid) const {
  return static_cast<int>(
      std::count_if(FIcons.begin(), FIcons.end(), [pid](const auto& i) { return i.second.Pid == pid; }));
}

// --- The process's calls ----------------------------------------------------------

bool TSimProcess::Shell_NotifyIconW(DWORD message, const TNotifyIconData& data) {
  Log("Shell_NotifyIconW", message, data.hWnd, data.uID, data.uFlags, static_cast<std::int64_t>(data.hIcon));
  if (Injected("Shell_NotifyIconW")) return false;
  if (data.cbSize != NotifyIconDataSize) return Fail(win::ERROR_INVALID_PARAMETER);
  auto& icons = FDesktop.TrayIcons;
  auto it = std::find_if(icons.begin(), icons.end(),
                         [&](const auto& i) { return i.Data.hWnd == data.hWnd && i.Data.uID == data.uID; });
  switch (message) {
    case win::NIM_ADD: {
      if (!Need(data.hWnd)) return false;
      if (it != icons.end()) return Fail(win::ERROR_ALREADY_EXISTS);
      TSimDesktop::TSimTrayIcon icon;
      icon.Pid = Pid;
      Merge(icon.Data, data);
      icons.push_back(icon);
      return true;
    }
    case win::NIM_MODIFY:
      if (it == icons.end()) return Fail(win::ERROR_FILE_NOT_FOUND);
      Merge(it->Data, data);
      if ((data.uFlags & win::NIF_INFO) && data.szInfo[0] != 0) ++it->BalloonsShown;
      return true;
    case win::NIM_DELETE:
      if (it == icons.end()) return Fail(win::ERROR_FILE_NOT_FOUND);
      icons.erase(it);
      return true;
    default:
      return Fail(win::ERROR_INVALID_PARAMETER);
  }
}

HMENU TSimProcess::CreatePopupMenu() {
  Log("CreatePopupMenu");
  if (Injected("CreatePopupMenu")) return 0;
  const HMENU menu = FDesktop.FNextMenu;
  FDesktop.FNextMenu += 0x10;
  FDesktop.FMenus[menu].Pid = Pid;
  return menu;
}

bool TSimProcess::AppendMenuW(HMENU menu, UINT flags, std::uintptr_t id, const std::u16string& text) {
  Log("AppendMenuW", static_cast<std::int64_t>(menu), flags, static_cast<std::int64_t>(id),
      static_cast<std::int64_t>(text.size()));
  if (Injected("AppendMenuW")) return false;
  auto it = FDesktop.FMenus.find(menu);
  if (it == FDesktop.FMenus.end()) return Fail(win::ERROR_INVALID_MENU_HANDLE);
  TSimDesktop::TSimMenuItem item;
  item.Flags = flags;
  if (flags & win::MF_POPUP) {
    if (!FDesktop.Menu(id) || id == menu) return Fail(win::ERROR_INVALID_MENU_HANDLE);
    item.SubMenu = id;
  } else {
    item.Id = id;
  }
  if (!(flags & win::MF_SEPARATOR)) item.Text = text;
  it->second.Items.push_back(std::move(item));
  return true;
}

DWORD TSimProcess::CheckMenuItem(HMENU menu, UINT id, UINT flags) {
  Log("CheckMenuItem", static_cast<std::int64_t>(menu), id, flags);
  if (Injected("CheckMenuItem")) return 0xFFFFFFFFu;
  auto it = FDesktop.FMenus.find(menu);
  if (it == FDesktop.FMenus.end()) return 0xFFFFFFFFu;
  for (auto& item : it->second.Items) {
    if (item.SubMenu || item.Id != id || (item.Flags & win::MF_SEPARATOR)) continue;
    const DWORD was = item.Flags & win::MF_CHECKED;
    item.Flags = (item.Flags & ~win::MF_CHECKED) | (flags & win::MF_CHECKED);
    return was;
  }
  return 0xFFFFFFFFu;
}

int TSimProcess::TrackPopupMenuEx(HMENU menu, UINT flags, int x, int y, HWND wnd) {
  Log("TrackPopupMenuEx", static_cast<std::int64_t>(menu), flags, x, y, wnd);
  if (Injected("TrackPopupMenuEx")) return 0;
  if (!FDesktop.Menu(menu)) return static_cast<int>(Fail(win::ERROR_INVALID_MENU_HANDLE));
  if (!Need(wnd)) return 0;

  // The menu is a top-most "#32768" window of this process while it is up;
  // its owner hears of the menu loop before and after.
  TSimWindow box;
  box.Handle = FDesktop.NewHandle();
  box.ProcessId = Pid;
  box.ThreadId = CurrentThreadId;
  box.ClassName = u"#32768";
  box.Style = win::WS_POPUP | win::WS_VISIBLE;
  box.ExStyle = win::WS_EX_TOPMOST | win::WS_EX_TOOLWINDOW;
  box.Visible = true;
  box.Rect = {x, y, x + 200, y + 300};
  const HWND boxHandle = FDesktop.Insert(std::move(box)).Handle;

  FDesktop.Send(wnd, win::WM_ENTERMENULOOP, 1, 0);
  TSimDesktop::TSimMenuTrack track{Pid, menu, wnd, x, y, flags, boxHandle, 0};
  FDesktop.MenuTracks.push_back(track);
  const std::size_t index = FDesktop.MenuTracks.size() - 1;
  std::uintptr_t chosen = 0;
  if (FDesktop.MenuResponder) {
    auto responder = FDesktop.MenuResponder;
    chosen = responder(*this, track);
  }
  // The menu's loop dispatches what came meanwhile and, as Wine's does,
  // swallows a WM_QUIT. Bounded, so that a message that posts itself again
  // cannot hold the test.
  TMsg msg;
  for (int n = 0; n < 1000 && TakeAvailable(msg, true, true); ++n) {
    if (msg.Message != win::WM_QUIT && msg.Wnd) FDesktop.Send(msg.Wnd, msg.Message, msg.WParam, msg.LParam);
  }
  // Only an enabled command item of a menu that was not ended can be chosen.
  const TSimDesktop::TSimMenuItem* item = chosen ? FindItem(FDesktop, menu, chosen) : nullptr;
  if (!item || (item->Flags & win::MF_GRAYED) || FDesktop.MenuTracks[index].Ended) chosen = 0;
  FDesktop.MenuTracks[index].Result = chosen;
  if (FDesktop.Window(boxHandle)) FDesktop.DestroyTree(boxHandle);
  FDesktop.Send(wnd, win::WM_EXITMENULOOP, 1, 0);

  if (flags & win::TPM_RETURNCMD) return static_cast<int>(chosen);
  if (chosen != 0) FDesktop.Post(wnd, win::WM_COMMAND, chosen, 0);
  return 1;
}

bool TSimProcess::EndMenu() {
  Log("EndMenu");
  for (auto it = FDesktop.MenuTracks.rbegin(); it != FDesktop.MenuTracks.rend(); ++it) {
    if (it->Pid == Pid && FDesktop.Window(it->Window)) {
      it->Ended = true;
      break;
    }
  }
  return true;
}

bool TSimProcess::DestroyMenu(HMENU menu) {
  Log("DestroyMenu", static_cast<std::int64_t>(menu));
  if (Injected("DestroyMenu")) return false;
  if (!FDesktop.Menu(menu)) return Fail(win::ERROR_INVALID_MENU_HANDLE);
  FDesktop.DestroyMenuTree(menu);
  return true;
}

bool TSimProcess::RegisterHotKey(HWND wnd, int id, UINT modifiers, UINT virtualKey) {
  Log("RegisterHotKey", wnd, id, modifiers, virtualKey);
  if (Injected("RegisterHotKey")) return false;
  if (wnd != 0 && !Need(wnd)) return false;
  auto& keys = FDesktop.HotKeys;
  const bool taken = std::any_of(keys.begin(), keys.end(),
                                 [&](const auto& h) { return h.Modifiers == modifiers && h.Key == virtualKey; });
  if (taken) return Fail(win::ERROR_HOTKEY_ALREADY_REGISTERED);
  keys.push_back({Pid, wnd, id, modifiers, virtualKey});
  return true;
}

bool TSimProcess::UnregisterHotKey(HWND wnd, int id) {
  Log("UnregisterHotKey", wnd, id);
  if (Injected("UnregisterHotKey")) return false;
  auto& keys = FDesktop.HotKeys;
  const auto end = std::remove_if(keys.begin(), keys.end(),
                                  [&](const auto& h) { return h.Pid == Pid && h.Wnd == wnd && h.Id == id; });
  if (end == keys.end()) return Fail(win::ERROR_HOTKEY_NOT_REGISTERED);
  keys.erase(end, keys.end());
  return true;
}

HICON TSimProcess::CreateIconIndirect(int width, int height, const std::vector<std::uint8_t>& bgra) {
  Log("CreateIconIndirect", width, height);
  if (Injected("CreateIconIndirect")) return 0;
  if (width <= 0 || height <= 0 || width > 256 || height > 256 ||
      bgra.size() != static_cast<std::size_t>(width) * height * 4) {
    return Fail(win::ERROR_INVALID_PARAMETER);
  }
  const HICON icon = FDesktop.FNextIcon;
  FDesktop.FNextIcon += 0x10;
  TSimDesktop::TSimIcon& made = FDesktop.FIcons[icon];
  made.Pid = Pid;
  made.Bits.Width = width;
  made.Bits.Height = height;
  made.Bits.ColorBgra = bgra;
  made.Bits.Mask.assign(static_cast<std::size_t>(width) * height, 0);
  return icon;
}

HICON TSimProcess::CopyIcon(HICON icon) {
  Log("CopyIcon", static_cast<std::int64_t>(icon));
  if (Injected("CopyIcon")) return 0;
  const TSimDesktop::TSimIcon* source = FDesktop.Icon(icon);
  if (!source) return Fail(win::ERROR_INVALID_ICON_HANDLE);
  const HICON copy = FDesktop.FNextIcon;
  FDesktop.FNextIcon += 0x10;
  TSimDesktop::TSimIcon made = *source;
  made.Pid = Pid;
  FDesktop.FIcons[copy] = std::move(made);
  return copy;
}

bool TSimProcess::DestroyIcon(HICON icon) {
  Log("DestroyIcon", static_cast<std::int64_t>(icon));
  if (Injected("DestroyIcon")) return false;
  if (!FDesktop.FIcons.erase(icon)) return Fail(win::ERROR_INVALID_ICON_HANDLE);
  return true;
}

HICON TSimProcess::LoadImageW(int resourceId, int width, int height) {
  Log("LoadImageW", resourceId, width, height);
  if (Injected("LoadImageW")) return 0;
  if (resourceId != 1) return Fail(win::ERROR_RESOURCE_TYPE_NOT_FOUND);
  // The resource holds one 16 x 16 image; every size request gets it.
  const HICON icon = FDesktop.FNextIcon;
  FDesktop.FNextIcon += 0x10;
  FDesktop.FIcons[icon] = {Pid, FDesktop.AppIcon};
  return icon;
}

bool TSimProcess::GetIconInfo(HICON icon, TIconBits& bits) {
  Log("GetIconInfo", static_cast<std::int64_t>(icon));
  if (Injected("GetIconInfo")) return false;
  const TSimDesktop::TSimIcon* found = FDesktop.Icon(icon);
  if (!found) return Fail(win::ERROR_INVALID_ICON_HANDLE);
  bits = found->Bits;
  return true;
}

int TSimProcess::GetScreenBitsPerPixel() {
  Log("GetScreenBitsPerPixel");
  return FDesktop.ScreenBitsPerPixel;
}

std::intptr_t TSimProcess::ShellExecuteW(HWND wnd, const std::u16string& verb, const std::u16string& file,
                                         const std::u16string& parameters, const std::u16string& directory,
                                         int showCommand) {
  Log("ShellExecuteW", wnd, static_cast<std::int64_t>(file.size()), showCommand);
  if (Injected("ShellExecuteW")) return static_cast<std::intptr_t>(LastError <= 32 ? LastError : 0);
  FDesktop.ShellExecutes.push_back({Pid, wnd, verb, file, parameters, directory, showCommand});
  return FDesktop.ShellExecuteResult;
}

}  // namespace lensoro::sim
