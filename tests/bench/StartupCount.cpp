// The work of a start, counted on the simulated desktop: the platform calls
// the single-instance check and the loupe's creation (its window and
// FormCreate) make, so that work added to the start shows up as a number.
// Figures, not a test.
//
//   build/native/tests/bench/lensoro_startup_count [--all]
//
// The desktop: 1920 x 1080, twelve windows of four other programs, and a
// copy of the program running from another folder. The start is warm: the
// folder already holds the settings file and the language file, left by a
// first run that was closed. --all adds every platform call by name.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>

#include "Application.h"
#include "LnsLib.h"
#include "Main.h"
#include "SimDesktop.h"

using namespace lensoro;
using namespace lensoro::sim;

namespace {

constexpr char16_t kExe[] = u"C:\\Tools\\Lensoro\\lensoro.exe";
constexpr char16_t kOtherExe[] = u"D:\\Other\\lensoro.exe";

std::string ReadSourceFile(const char* relative) {
  std::ifstream in(std::string(LENSORO_SOURCE_DIR) + "/" + relative, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The program as installed: its own tray strip beside it.
TSimProcess& Install(TSimDesktop& desk, const std::u16string& exe, const std::string& strip) {
  desk.AddFile(exe.substr(0, exe.find_last_of(u'\\') + 1) + u"Image\\Lns16.png", strip);
  return desk.AddProcess(exe, /*is64Bit=*/true);
}

struct TCounts {
  std::map<std::string, long> ByName;
  long Total = 0;
  long BytesRead = 0;

  long operator[](const char* name) const {
    const auto it = ByName.find(name);
    return it == ByName.end() ? 0 : it->second;
  }
};

TCounts Count(const TSimDesktop& desk, DWORD pid) {
  TCounts c;
  for (const TSimCall& call : desk.Calls()) {
    if (call.Pid != pid) continue;
    ++c.ByName[call.Name];
    ++c.Total;
    if (std::strcmp(call.Name, "ReadFileBytes") == 0) c.BytesRead += static_cast<long>(call.A[1]);
  }
  return c;
}

void Print(const char* what, const TCounts& c, bool all) {
  std::printf("%s\n", what);
  std::printf("  platform calls            %6ld\n", c.Total);
  std::printf("  files read                %6ld  (%ld bytes)\n", c["ReadFileBytes"], c.BytesRead);
  std::printf("  files written, moved      %6ld, %ld\n", c["WriteFileBytes"], c["MoveFileExW"]);
  std::printf("  file lookups              %6ld  (GetFileAttributesW %ld, FindFiles %ld, CreateDirectoryW %ld)\n",
              c["GetFileAttributesW"] + c["FindFiles"] + c["CreateDirectoryW"], c["GetFileAttributesW"],
              c["FindFiles"], c["CreateDirectoryW"]);
  std::printf("  windows created           %6ld\n", c["CreateWindowExW"]);
  std::printf("  windows enumerated        %6ld  (EnumWindows %ld, GetWindowTextW %ld)\n",
              c["EnumWindows"] + c["EnumChildWindows"], c["EnumWindows"], c["GetWindowTextW"]);
  std::printf("  processes opened          %6ld\n", c["OpenProcess"]);
  std::printf("  messages sent, posted     %6ld, %ld\n", c["SendMessageW"] + c["SendMessageTimeoutW"],
              c["PostMessageW"]);
  std::printf("  icons made                %6ld  (CreateIconIndirect %ld, CopyIcon %ld, LoadImageW %ld)\n",
              c["CreateIconIndirect"] + c["CopyIcon"] + c["LoadImageW"], c["CreateIconIndirect"], c["CopyIcon"],
              c["LoadImageW"]);
  std::printf("  tray calls                %6ld\n", c["Shell_NotifyIconW"]);
  if (!all) return;
  for (const auto& [name, n] : c.ByName) std::printf("    %-28s %ld\n", name.c_str(), n);
}

}  // namespace

int main(int argc, char** argv) {
  const bool all = argc > 1 && std::strcmp(argv[1], "--all") == 0;
  const std::string strip = ReadSourceFile("data/Image/Lns16.png");
  if (strip.empty()) {
    std::fprintf(stderr, "cannot read data/Image/Lns16.png under %s\n", LENSORO_SOURCE_DIR);
    return 1;
  }

  TSimDesktop desk;
  const char16_t* programs[][2] = {{u"C:\\Windows\\explorer.exe", u"Program Manager"},
                                   {u"C:\\Windows\\notepad.exe", u"Untitled - Notepad"},
                                   {u"C:\\Program Files\\Browser\\browser.exe", u"New Tab - Browser"},
                                   {u"C:\\Program Files\\Mail\\mail.exe", u"Inbox - Mail"}};
  for (const auto& program : programs) {
    TSimProcess& p = desk.AddProcess(program[0], true);
    const HWND main = desk.AddForeignWindow(p.Pid, u"MainWindow", program[1]);
    desk.AddForeignWindow(p.Pid, u"ToolWindow", u"Tools", main);  // owned: skipped at once
    desk.AddForeignWindow(p.Pid, u"HiddenWindow", u"");
  }

  // Another copy from another folder, running.
  TSimProcess& other = Install(desk, kOtherExe, strip);
  TApplication otherApp(other);
  otherApp.Initialize();
  auto otherForm = std::make_unique<TMainForm>(otherApp);

  // A first run in the folder leaves its settings and language file.
  {
    TSimProcess& first = Install(desk, kExe, strip);
    TApplication app(first);
    app.Initialize();
    TMainForm form(app);
  }

  TSimProcess& proc = desk.AddProcess(kExe, true);
  TApplication app(proc);
  desk.ClearCalls();
  if (IsAlreadyRunning(app)) {
    std::fprintf(stderr, "the single-instance check found a copy of %s running\n", "lensoro.exe");
    return 1;
  }
  const TCounts check = Count(desk, proc.Pid);
  app.Initialize();
  desk.ClearCalls();
  TMainForm form(app);
  const TCounts create = Count(desk, proc.Pid);

  std::printf("Start-up work on the simulated desktop (12 other windows, another copy running, warm folder)\n\n");
  Print("Single-instance check (IsAlreadyRunning)", check, all);
  Print("\nThe loupe's creation (its window and FormCreate)", create, all);
  return 0;
}
