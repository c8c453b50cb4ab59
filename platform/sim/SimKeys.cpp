// The simulated keyboard: a US layout's scan codes and key names.
#include "SimDesktop.h"

namespace lensoro::sim {

namespace {

struct TSimKey {
  int VirtualKey;
  int ScanCode;
  bool Extended;
  const char16_t* Name;
};

// The extended flag tells the navigation block from the number pad that
// shares its scan codes ("Page Up" and "Num 9").
constexpr TSimKey Layout[] = {
    {0x08, 0x0E, false, u"Backspace"}, {0x09, 0x0F, false, u"Tab"},        {0x0D, 0x1C, false, u"Enter"},
    {0x10, 0x2A, false, u"Shift"},     {0x11, 0x1D, false, u"Ctrl"},       {0x12, 0x38, false, u"Alt"},
    {0x13, 0x45, false, u"Pause"},     {0x14, 0x3A, false, u"Caps Lock"},  {0x1B, 0x01, false, u"Esc"},
    {0x20, 0x39, false, u"Space"},     {0x21, 0x49, true, u"Page Up"},     {0x22, 0x51, true, u"Page Down"},
    {0x23, 0x4F, true, u"End"},        {0x24, 0x47, true, u"Home"},        {0x25, 0x4B, true, u"Left"},
    {0x26, 0x48, true, u"Up"},         {0x27, 0x4D, true, u"Right"},       {0x28, 0x50, true, u"Down"},
    {0x2D, 0x52, true, u"Insert"},     {0x2E, 0x53, true, u"Delete"},      {0x5B, 0x5B, true, u"Left Windows"},
    {0x5C, 0x5C, true, u"Right Windows"}, {0x5D, 0x5D, true, u"Application"},
    {0x60, 0x52, false, u"Num 0"},     {0x61, 0x4F, false, u"Num 1"},      {0x62, 0x50, false, u"Num 2"},
    {0x63, 0x51, false, u"Num 3"},     {0x64, 0x4B, false, u"Num 4"},      {0x65, 0x4C, false, u"Num 5"},
    {0x66, 0x4D, false, u"Num 6"},     {0x67, 0x47, false, u"Num 7"},      {0x68, 0x48, false, u"Num 8"},
    {0x69, 0x49, false, u"Num 9"},     {0x6A, 0x37, false, u"Num *"},      {0x6B, 0x4E, false, u"Num +"},
    {0x6D, 0x4A, false, u"Num -"},     {0x6E, 0x53, false, u"Num Del"},    {0x6F, 0x35, true, u"Num /"},
    {0xBA, 0x27, false, u";"},         {0xBB, 0x0D, false, u"="},          {0xBC, 0x33, false, u","},
    {0xBD, 0x0C, false, u"-"},         {0xBE, 0x34, false, u"."},          {0xBF, 0x35, false, u"/"},
    {0xC0, 0x29, false, u"`"},         {0xDB, 0x1A, false, u"["},          {0xDC, 0x2B, false, u"\\"},
    {0xDD, 0x1B, false, u"]"},         {0xDE, 0x28, false, u"'"},
};

// Letters, digits and function keys: their names are their captions.
constexpr char LetterRows[] = "QWERTYUIOP\0ASDFGHJKL\0ZXCVBNM";
constexpr int LetterRowStart[] = {0x10, 0x1E, 0x2C};

bool FindByKey(int vk, TSimKey& key, std::u16string& name) {
  for (const TSimKey& k : Layout) {
    if (k.VirtualKey == vk) return key = k, name = k.Name, true;
  }
  if (vk >= '0' && vk <= '9') return key = {vk, vk == '0' ? 0x0B : 0x02 + (vk - '1'), false, nullptr},
                                     name = std::u16string(1, static_cast<char16_t>(vk)), true;
  if (vk >= 0x70 && vk <= 0x7B) {  // F1 to F12
    const int n = vk - 0x70 + 1;
    key = {vk, n <= 10 ? 0x3B + n - 1 : 0x57 + n - 11, false, nullptr};
    name = u"F";
    if (n >= 10) name += u'1';
    name += static_cast<char16_t>(u'0' + n % 10);
    return true;
  }
  int row = 0, column = 0;
  for (const char c : LetterRows) {
    if (c == '\0') {
      ++row, column = 0;
      continue;
    }
    if (c == vk) return key = {vk, LetterRowStart[row] + column, false, nullptr}, name = std::u16string(1, c), true;
    ++column;
  }
  return false;
}

bool FindByScan(int scan, bool extended, std::u16string& name) {
  // Not every scan code is a virtual key of this table, so search by trying
  // every virtual key once: the table is small.
  for (int vk = 1; vk < 256; ++vk) {
    TSimKey key{};
    std::u16string n;
    if (FindByKey(vk, key, n) && key.ScanCode == scan && key.Extended == extended) return name = n, true;
  }
  return false;
}

}  // namespace

LPARAM TSimDesktop::KeyData(int virtualKey, bool up) const {
  TSimKey key{};
  std::u16string name;
  if (!FindByKey(virtualKey, key, name)) return 0;
  std::uint32_t data = 1u | static_cast<std::uint32_t>(key.ScanCode) << 16;
  if (key.Extended) data |= 1u << 24;
  if (KeysDown[win::VK_MENU]) data |= 1u << 29;
  if (up) data |= 3u << 30;
  // The data travels as the low 32 bits of the parameter, sign and all.
  return static_cast<LPARAM>(static_cast<std::int32_t>(data));
}

UINT TSimProcess::MapVirtualKeyW(UINT code, UINT mapType) {
  Log("MapVirtualKeyW", code, mapType);
  TSimKey key{};
  std::u16string name;
  if ((mapType != win::MAPVK_VK_TO_VSC && mapType != win::MAPVK_VK_TO_VSC_EX) ||
      !FindByKey(static_cast<int>(code), key, name)) {
    return 0;
  }
  const UINT scan = static_cast<UINT>(key.ScanCode);
  return key.Extended && mapType == win::MAPVK_VK_TO_VSC_EX ? 0xE000u | scan : scan;
}

int TSimProcess::GetKeyNameTextW(LPARAM keyData, char16_t* buffer, int size) {
  Log("GetKeyNameTextW", keyData, size);
  if (Injected("GetKeyNameTextW")) return 0;
  if (!buffer || size <= 0) {
    LastError = win::ERROR_INVALID_PARAMETER;
    return 0;
  }
  const int scan = static_cast<int>((keyData >> 16) & 0xFF);
  const bool extended = (keyData >> 24) & 1;
  std::u16string name;
  if (!FindByScan(scan, extended, name)) {
    buffer[0] = 0;
    return 0;
  }
  const int n = static_cast<int>(name.size()) < size - 1 ? static_cast<int>(name.size()) : size - 1;
  name.copy(buffer, static_cast<std::size_t>(n));
  buffer[n] = 0;
  return n;
}

}  // namespace lensoro::sim
