// The version reader on any bytes: no crash, no read outside the block, a
// value found always inside it, and a failure only ever one of the three
// texts.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "RsVersionInfo.h"
#include "SimDesktop.h"

using namespace lensoro;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::u16string paths[] = {u"\\", u"\\VarFileInfo\\Translation",
                                         u"\\StringFileInfo\\041103A4\\ProductVersion", u"\\StringFileInfo"};
  for (const std::u16string& path : paths) {
    TVerValue value;
    if (VerQueryValue(data, size, path, value) && (value.Data < data || value.Data + value.Size > data + size))
      __builtin_trap();
  }

  sim::TSimDesktop desk;
  const std::u16string exe = u"C:\\Tools\\lensoro.exe";
  desk.AddFile(exe, "MZ");
  desk.SetVersionResource(exe, std::vector<std::uint8_t>(data, data + size));
  sim::TSimProcess& process = desk.AddProcess(exe);
  try {
    TRsVersionInfo info(process, exe);
    if (info.HasVersionInfo() != (size > 0)) __builtin_trap();
    if (static_cast<std::size_t>(info.CountTranslations()) > size / 4) __builtin_trap();
    const std::u16string text = info.GetProductVersionText(0);
    if (text.size() > size / 2 + 24) __builtin_trap();
  } catch (const ERsVersionInfo& e) {
    const std::string what = e.what();
    if (what != "Cannot Read FixedFileInfo" && what != "FixedFileInfo Record Wrong Size") __builtin_trap();
  }
  return 0;
}
