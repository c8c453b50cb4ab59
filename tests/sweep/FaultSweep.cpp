// The fault sweep: one whole session of the program on the simulated
// desktop, played once without faults to count its N fallible platform
// calls, then once more for every k in 1..N with the k-th call failing.
// Each run is a child process, so a crash or a hang ends only that run.
//
//   lensoro_fault_sweep            every k, two runs at a time
//   lensoro_fault_sweep --only K   the run of one k, with what it saw
//   lensoro_fault_sweep --jobs J   J runs at a time
//   lensoro_fault_sweep --verbose  a line for every run
//   lensoro_fault_sweep --windows7 the same on Windows 7 (with any of the above)
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "Application.h"
#include "Format.h"
#include "Lang.h"
#include "Lensoro.h"
#include "LnsLib.h"
#include "LoupeParts.h"
#include "Main.h"
#include "Option.h"
#include "RsTrayIcon.h"
#include "SimDesktop.h"
#include "TestFiles.h"

using namespace lensoro;
using namespace lensoro::sim;

namespace {

const std::u16string ExeA = u"C:\\Tools\\Lensoro\\lensoro.exe", IniA = u"C:\\Tools\\Lensoro\\lensoro.ini";
const std::u16string ExeB = u"D:\\Other\\lensoro.exe", IniB = u"D:\\Other\\lensoro.ini";
const std::u16string LangDir = u"C:\\Tools\\Lensoro\\Lang\\";

// The session on Windows 7, where the copies also talk through the
// magnifier's own message and rebuild it when another copy closes.
bool gWindows7 = false;

// The length of a settings file's temporary as a process names it
// (TemporaryFileName: ".<pid>.tmp" added), which the call log keeps.
std::int64_t TemporaryLength(const std::u16string& ini, DWORD pid) {
  return static_cast<std::int64_t>(ini.size() + std::to_string(pid).size() + 5);
}

// Sim time between the steps: two ticks of the loupe's 50 ms timer.
constexpr DWORD StepMs = 100;
// A run making this many times the fault-free run's calls is looping.
constexpr std::size_t CallBudgetFactor = 20;
constexpr unsigned RunSeconds = 20;

const std::u16string MenuHide = u"タスク トレイに しまう", MenuRestore = u"もとの サイズに もどす",
                     MenuOptions = u"オプション(&O)", MenuQuit = u"しゅーりょー(&X)";

LPARAM Point(int x, int y) { return static_cast<LPARAM>((static_cast<DWORD>(y & 0xFFFF) << 16) | (x & 0xFFFF)); }

// What one run saw.
struct TOutcome {
  std::string Method;  // the failed call; empty in the fault-free run
  long Fallible = 0;   // fallible calls made
  bool EndedEarly = false;
  bool TrayIconLeft = false;  // after every copy ended
  std::string FailedCall;     // as the call log had it, with the process
  std::vector<std::u16string> Dialogs;  // every message box's text, in order
  std::vector<std::string> Problems;    // what broke
  std::vector<std::string> Notes;       // steps a fault undid
  std::size_t Calls = 0;
};

// One copy of the program, started as its entry sequence starts it.
struct TCopy {
  TSimProcess& Proc;
  TApplication App;
  std::unique_ptr<TMainForm> Form;
  bool Refused = false, Ended = false;

  TFolderMutex Mutex;

  explicit TCopy(TSimProcess& proc) : Proc(proc), App(proc) {}

  void Start() {
    if (!PassesStartChecks(App, Mutex)) {
      Mutex.Release();  // the refused process ends
      Refused = true;
      return;
    }
    App.Initialize();
    App.MainFormOnTaskBar = true;
    App.SetTitle(u"Lensoro");
    try {
      Form = std::make_unique<TMainForm>(App);
    } catch (const std::exception& e) {
      ShowMsgDialog(App, Utf8ToUtf16(e.what()), TMsgDlgType::Error, mbOK);
      Mutex.Release();
      Ended = true;
      return;
    }
    if (Parts(Form).Visible && !App.Terminated()) Form->Show();
  }
  bool Running() const { return Form && !Ended && !App.Terminated(); }
  HWND Handle() const { return Form ? Form->Handle() : 0; }
  // The loop to its end once the program asked to quit; the loupe goes then.
  void Finish() {
    if (!Form) return;
    if (App.Terminated() || Proc.QuitPosted) App.Run();
    Form.reset();
    Mutex.Release();
    Ended = true;
  }
};

class TSession {
 public:
  explicit TSession(std::size_t callBudget) : FCallBudget(callBudget) {
    if (gWindows7) Desk.OsVersion = {6, 1, 7601};
    Desk.DialogResponder = [](TSimProcess&, const TSimDialog&) { return win::IDOK; };
    Desk.MenuResponder = [this](TSimProcess&, const TSimDesktop::TSimMenuTrack& t) -> std::uintptr_t {
      return FPick.empty() ? 0 : Desk.FindMenuItem(t.Menu, FPick);
    };
    Desk.ColorResponder = [this](TSimProcess&, TChooseColor& cc) {
      cc.Color = 0x102030u + 0x111111u * FColors++;
      return true;
    };
  }

  TSimDesktop Desk;

  // The user's folders as they are before the session.
  void Install() {
    Desk.AddFile(ExeA.substr(0, ExeA.size() - 11) + u"Image\\Lns16.png", test::OneCellPng());
    Desk.AddFile(IniA, test::Utf16File(u"[MainForm]\r\nLeft=200\r\nTop=150\r\nWidth=268\r\nHeight=220\r\n"
                                       u"[Loupe]\r\nLoupeRate=2.5\r\nLoupeMode=0\r\nFrameWidth=4\r\n"
                                       u"[ShortCut]\r\nActPopMinimizeAndRestore=76,Ctrl+Alt+\r\n"));
    const std::vector<std::uint8_t> lang = DefaultLangFileBytes();
    Desk.AddFile(LangDir + DefaultLangFileName, std::string(lang.begin(), lang.end()));
    Desk.AddFile(LangDir + u"English.lang",
                 test::Utf16File(u"[MainForm]\r\nActPopZoomIn.Caption=Zoom &in\r\n[Lang: Menu]\r\n"));
    Desk.AddFile(u"C:\\Tools\\Lensoro\\notes.txt", "the user's own notes\r\n");
    Desk.AddFile(ExeB.substr(0, ExeB.size() - 11) + u"Image\\Lns16.png", test::OneCellPng());
    Desk.AddFile(IniB, test::Utf16File(u"[Language]\r\nLangFileName=D:\\Other\\Lang\\English.lang\r\n"
                                       u"[MainForm]\r\nLeft=900\r\nTop=500\r\nWidth=268\r\nHeight=220\r\n"));
    Desk.AddFile(u"D:\\Other\\Lang\\English.lang", test::Utf16File(u"[MainForm]\r\nActPopZoomIn.Caption=Zoom &in\r\n"));
    for (const std::u16string& path : Desk.FilePaths()) {
      if (const TSimFile* f = Desk.File(path); f && !f->Directory) FBefore[path] = f->Data;
    }
  }

  // The whole session; out.EndedEarly when the first copy never ran.
  void Play(TOutcome& out) {
    TCopy& a = Add(ExeA);
    a.Start();
    Step();
    if (!a.Running()) {
      a.Finish();
      out.EndedEarly = true;
      return;
    }
    Options(a);
    Expect(out,
           a.Running() && Parts(a.Form).Settings.LoupeRate == 3.5f && Parts(a.Form).Settings.LoupeMode == lmWindow &&
               Parts(a.Form).Settings.LoupeColorMode == lcmInvert && Parts(a.Form).Settings.IsSilentMode &&
               Parts(a.Form).Settings.FrameWidth == 5 &&
               Parts(a.Form).Settings.FrameColor(TFrameColorSlot::ActivePointer) == 0x102030u &&
               Parts(a.Form).Commands.ActPopMinimizeAndRestore.ShortCut == (scCtrl | scAlt | 'K') &&
               !Parts(a.Form).Commands.OptionForm(),
           "the options dialog changed every setting");
    // Hidden from the menu, back by the hot key; hidden by the hot key, back from the tray's menu.
    Menu(a, MenuHide);
    Expect(out, a.Running() && !Desk.Window(a.Handle())->Visible, "the menu hid the loupe");
    HotKey();
    Expect(out, a.Running() && Desk.Window(a.Handle())->Visible, "the hot key restored the loupe");
    HotKey();
    Expect(out, a.Running() && !Desk.Window(a.Handle())->Visible, "the hot key hid the loupe");
    TrayMenu(a, MenuRestore);
    Expect(out, a.Running() && Desk.Window(a.Handle())->Visible, "the tray's menu restored the loupe");
    Menu(a, u"English");
    Expect(out, a.App.Lang.LangFile == LangDir + u"English.lang", "the menu switched the language");
    TCopy& b = Add(ExeB);
    b.Start();
    Step();
    if (a.Running() && b.Running()) Cooperating(a, b, out);
    TCopy& again = Add(ExeA);
    again.Start();
    Step();
    // A copy whose window or process cannot be looked at does not count as
    // running; when the fault hides it, the start goes on by design.
    static const std::set<std::string> lookUps = {"GetWindowThreadProcessId", "OpenProcess", "GetModuleFileNameExW",
                                                  "QueryFullProcessImageNameW"};
    if (!again.Refused && !lookUps.count(Desk.SweepInjection().Method))
      out.Problems.push_back("a second start of the same exe was not refused");
    Quit(again, out);
    Quit(b, out);
    // Windows 7: the copy left behind rebuilds its magnifier a second later.
    Step(1200);
    Expect(out, a.Running() && Desk.Window(a.Form->Magnifier().Handle()) &&
                    Desk.Window(a.Form->Magnifier().Handle())->FilterList == std::vector<HWND>{a.Handle()},
           "the copy left alone excludes only itself");
    Quit(a, out);
    const std::u16string saved = test::Utf16Text(Desk.FileText(IniA));
    Expect(out, saved.find(u"LoupeRate=3.5") != std::u16string::npos &&
                    saved.find(u"ActPopMinimizeAndRestore=75,Ctrl+Alt+") != std::u16string::npos &&
                    saved.find(u"English.lang") != std::u16string::npos,
           "the settings were saved at the end");
  }

  // The processes end: the system frees their windows, keys and objects,
  // but an icon the taskbar was not told to remove stays there.
  void LeftBehind(TOutcome& out) {
    std::vector<DWORD> pids;
    for (const auto& c : FCopies) pids.push_back(c->Proc.Pid);
    FCopies.clear();
    for (const auto& t : Desk.TrayIcons) {
      for (DWORD pid : pids) out.TrayIconLeft |= t.Pid == pid;
    }
  }

  // What the fault-free session must have done, or it proves little.
  // In a faulted run a step the fault undid is only noted (shown by --only).
  void Expect(TOutcome& out, bool done, const char* what) {
    if (done) return;
    if (FMeasured) out.Notes.push_back(std::string("not done: ") + what);
    else out.Problems.push_back(std::string("the session did not go as planned: ") + what);
  }

  // Checks what the run left behind.
  void Check(TOutcome& out) {
    LeftBehind(out);
    Note();
    FCalls += Desk.Calls().size();
    Desk.ClearCalls();
    for (const auto& [path, data] : FBefore) {
      const TSimFile* f = Desk.File(path);
      const std::string name = Utf16ToUtf8(path);
      if (path == IniA || path == IniB) {
        CheckSettings(path, data, out);
      } else if (!f) {
        out.Problems.push_back("lost " + name);
      } else if (f->Data != data) {
        out.Problems.push_back("changed " + name);
      }
    }
    for (const TSimDialog& d : Desk.Dialogs) out.Dialogs.push_back(d.Text);
    out.Calls = FCalls;
  }

  bool FMeasured = false;  // a faulted run: the fault-free checks are not made

 private:
  std::vector<std::unique_ptr<TCopy>> FCopies;
  std::map<std::u16string, std::vector<std::uint8_t>> FBefore;
  std::u16string FPick;
  int FColors = 0;
  std::size_t FCallBudget, FCalls = 0;

  TCopy& Add(const std::u16string& exe) {
    FCopies.push_back(std::make_unique<TCopy>(Desk.AddProcess(exe)));
    return *FCopies.back();
  }
  // The calls so far; the log is emptied to keep the run small.
  void Budget() {
    Note();
    FCalls += Desk.Calls().size();
    Desk.ClearCalls();
    if (FCalls > FCallBudget) throw std::runtime_error("hang: over the call budget");
    for (const auto& c : FCopies) {
      if (c->Proc.Starved) throw std::runtime_error("hang: a loop waits for nothing");
    }
  }
  void Step(DWORD ms = StepMs) {
    Desk.RunFor(ms);
    Budget();
  }
  // Messages waiting for a copy, through its dialog handling, as its loop takes them.
  void Pump(TCopy& c) {
    TMsg m;
    while (c.Proc.PeekMessageW(m, true)) {
      if (m.Message == win::WM_QUIT) {
        c.Proc.PostQuitMessage(static_cast<int>(m.WParam));
        break;
      }
      if (c.App.ProcessDialogMessage(m)) continue;
      c.Proc.TranslateMessage(m);
      c.Proc.DispatchMessageW(m);
    }
    Budget();
  }
  bool Shown(const TCopy& c) {
    const TSimWindow* w = c.Running() ? Desk.Window(c.Handle()) : nullptr;
    return w && w->Visible;
  }
  // The user right-clicks the loupe, which needs it on the screen.
  void Menu(TCopy& c, const std::u16string& pick) {
    if (!Shown(c)) return;
    FPick = pick;
    c.Proc.SendMessageW(c.Handle(), win::WM_RBUTTONUP, 0, Point(30, 40));
    FPick.clear();
    Step();
  }
  void TrayMenu(TCopy& c, const std::u16string& pick) {
    if (!c.Running() || !Parts(c.Form).Tray.TrayIcon1) return;
    const HWND tray = Parts(c.Form).Tray.TrayIcon1->WindowHandle();
    FPick = pick;
    if (Desk.TrayMouse(tray, tray, win::WM_RBUTTONUP)) Desk.RunFor(0);
    FPick.clear();
    Step();
  }
  void HotKey() {
    Desk.PressHotKey(win::MOD_CONTROL | win::MOD_ALT, 'K');
    Step();
  }
  void Click(TCopy& c, const TControl* control) {
    if (control && control->Handle() != 0) Desk.Click(control->Handle());
    Pump(c);
  }
  void Key(TCopy& c, HWND wnd, int vk, bool down) {
    Desk.KeysDown[static_cast<std::size_t>(vk)] = down;
    const bool sys = Desk.KeysDown[win::VK_MENU] && !Desk.KeysDown[win::VK_CONTROL];
    const UINT msg = down ? (sys ? win::WM_SYSKEYDOWN : win::WM_KEYDOWN) : (sys ? win::WM_SYSKEYUP : win::WM_KEYUP);
    c.Proc.SendMessageW(wnd, msg, static_cast<WPARAM>(vk), Desk.KeyData(vk, !down));
  }

  // Every setting, changed through the options dialog, then closed (which
  // saves). A fault may end the loupe, and the dialog with it, on the way.
  void Options(TCopy& c) {
    Menu(c, MenuOptions);
    TOptionForm* form = c.Running() ? Parts(c.Form).Commands.OptionForm() : nullptr;
    const auto open = [&] { return form && c.Running() && Parts(c.Form).Commands.OptionForm() == form; };
    const auto click = [&](TControl* control) {
      if (open()) Click(c, control);
    };
    click(form ? form->RadioGroup101.Button(1) : nullptr);  // window mode
    click(form ? form->RadioGroup102.Button(3) : nullptr);  // source corner
    click(form ? form->RadioGroup103.Button(1) : nullptr);  // inverted colours
    if (!open()) return;
    click(&form->CheckBox101);  // silent start
    if (open() && form->SpinEdit101.Handle() != 0) {
      form->SpinEdit101.SetFocus();
      form->SpinEdit101.SetText(u"");
      Desk.TypeText(0, u"3.5");
      Pump(c);
    }
    if (!open()) return;
    click(&form->SpinEdit102.UpDownButton().UpButton());  // frame width
    for (int i = 0; i < 4 && open(); ++i) {
      click(i == 0 ? &form->Panel101 : i == 1 ? &form->Panel102 : i == 2 ? &form->Panel103 : &form->Panel104);
    }
    if (open() && form->ComboBox101.Handle() != 0) Desk.PickComboItem(form->ComboBox101.Handle(), 0);
    Pump(c);
    // The hot key: the old one deleted (confirmed), Ctrl+Alt+K captured and added.
    if (!open()) return;
    click(&form->Button101);
    if (open() && form->HotKey101.Handle() != 0) {
      form->HotKey101.SetFocus();
      const HWND field = form->HotKey101.Handle();
      for (int k : {win::VK_CONTROL, win::VK_MENU, int{'K'}}) Key(c, field, k, true);
      for (int k : {int{'K'}, win::VK_MENU, win::VK_CONTROL}) Key(c, field, k, false);
    }
    if (!open()) return;
    click(&form->Button102);
    if (!open()) return;
    click(&form->CloseButton);
    Step();
  }

  // The fault-free run: two copies from two folders list and exclude each other.
  void Cooperating(TCopy& a, TCopy& b, TOutcome& out) {
    const TSimWindow* ma = Desk.Window(a.Form->Magnifier().Handle());
    const TSimWindow* mb = Desk.Window(b.Form->Magnifier().Handle());
    const std::vector<HWND> fa{a.Handle(), b.Handle()}, fb{b.Handle(), a.Handle()};
    Expect(out, ma && mb && ma->FilterList == fa && mb->FilterList == fb, "the two copies exclude each other");
  }

  void Quit(TCopy& c, TOutcome& out) {
    // The user tries again when the menu did not open, bringing a hidden
    // loupe back from the tray or by its hot key first.
    for (int attempt = 0; attempt < 3 && c.Running(); ++attempt) {
      if (!Shown(c)) TrayMenu(c, MenuRestore);
      if (!Shown(c) && c.Running()) HotKey();
      Menu(c, MenuQuit);
    }
    if (c.Form && c.Running()) out.Problems.push_back("could not quit " + Utf16ToUtf8(c.Proc.ExePath));
    c.Finish();
    Budget();
  }

  // Old bytes, or one whole image the program wrote in this run: a UTF-16
  // file, every line whole, of a size some write of its temporary had.
  void CheckSettings(const std::u16string& path, const std::vector<std::uint8_t>& old, TOutcome& out) {
    const TSimFile* f = Desk.File(path);
    const std::string name = Utf16ToUtf8(path);
    if (!f) {
      out.Problems.push_back("lost " + name);
      return;
    }
    if (f->Data == old) return;
    const std::u16string text = test::Utf16Text(std::string(f->Data.begin(), f->Data.end()));
    bool whole = f->Data.size() % 2 == 0 && !text.empty() && text.size() >= 2 &&
                 text.compare(text.size() - 2, 2, u"\r\n") == 0;
    for (std::size_t at = 0; whole && at < text.size();) {
      const std::size_t end = text.find(u"\r\n", at);
      const std::u16string line = text.substr(at, end - at);
      whole = line.empty() || (line.front() == u'[' && line.back() == u']') || line.find(u'=') != std::u16string::npos;
      at = end + 2;
    }
    // The second copy is never moved nor switched: its place and language
    // are the user's, whatever it saved.
    if (whole && path == IniB &&
        (text.find(u"Left=900\r\n") == std::u16string::npos || text.find(u"Top=500\r\n") == std::u16string::npos ||
         text.find(u"LangFileName=D:\\Other\\Lang\\English.lang\r\n") == std::u16string::npos)) {
      out.Problems.push_back("lost the user's settings in " + name + ": " + Utf16ToUtf8(text.substr(0, 60)));
    }
    if (!whole || FWrittenSizes[path].count(f->Data.size()) == 0) {
      out.Problems.push_back("corrupted " + name + " (" + std::to_string(f->Data.size()) + " bytes" +
                             (whole ? ", of no size written" : ", lines cut") + "): " + Utf16ToUtf8(text));
    }
  }

 public:
  TSimCall Failed;  // the failed call as the log had it
  std::map<std::u16string, std::set<std::size_t>> FWrittenSizes;

 private:
  long FSeen = 0;  // fallible calls in the log so far
  // Before the log is emptied: the sizes of the images written to each
  // settings file's temporary (the log keeps a path's length and the byte
  // count), and the failed call itself.
  void Note() {
    const long k = Desk.SweepInjection().Index;
    for (const TSimCall& call : Desk.Calls()) {
      if (TSimDesktop::SimFailureCode(call.Name) != 0 && ++FSeen == k) Failed = call;
      if (std::strcmp(call.Name, "WriteFileBytes") != 0) continue;
      for (const std::u16string& ini : {IniA, IniB}) {
        if (call.A[0] == TemporaryLength(ini, call.Pid)) FWrittenSizes[ini].insert(call.A[1]);
      }
    }
  }
};

// The calls whose failure the program tells the user about: the magnifier
// (the loupe cannot show), its tracking timer, the hot key, and saving the
// settings.
bool Reported(const TSimCall& call) {
  // The exclusion filter is reported only while the loupe is made, which
  // then ends: a start-up end without a message is caught on its own.
  static const std::set<std::string> told = {"MagInitialize", "MagSetWindowSource", "MagSetWindowTransform",
                                             "MagSetColorEffect", "RegisterHotKey"};
  if (told.count(call.Name)) return true;
  const std::string name = call.Name;
  if (name == "SetTimer")
    return call.A[1] == static_cast<std::int64_t>(Timer1Id) && call.A[2] == 50;  // the loupe's tick
  if (name != "WriteFileBytes" && name != "MoveFileExW") return false;
  for (const std::u16string& ini : {IniA, IniB}) {
    if (call.A[0] == TemporaryLength(ini, call.Pid)) return true;  // from the temporary
  }
  return false;
}

// Without `expected` (the fault-free run's own boxes) every box is returned
// and none judged.
TOutcome RunOnce(long k, std::size_t callBudget, const std::vector<std::u16string>* expected) {
  TOutcome out;
  auto session = std::make_unique<TSession>(callBudget);
  session->Install();
  session->FMeasured = k > 0;
  session->Desk.FailNthCall(k);
  try {
    session->Play(out);
  } catch (const std::runtime_error& e) {
    out.Problems.push_back(e.what());
  }
  session->Check(out);
  out.Method = session->Desk.SweepInjection().Method;
  out.Fallible = session->Desk.FallibleCalls();
  if (!out.Method.empty()) {
    const TSimCall& f = session->Failed;
    out.FailedCall = std::string(f.Name) + "(";
    for (int i = 0; i < 6; ++i) out.FailedCall += (i ? ", " : "") + std::to_string(f.A[i]);
    const TSimProcess* p = session->Desk.ProcessById(f.Pid);
    out.FailedCall += ") by " + (p ? Utf16ToUtf8(p->ExePath) : std::to_string(f.Pid));
  }

  if (!expected) return out;
  // The boxes beyond the session's own questions and notices are the fault's.
  std::map<std::u16string, int> left;
  for (const std::u16string& t : *expected) ++left[t];
  std::vector<std::u16string> extra;
  for (const std::u16string& t : out.Dialogs) {
    if (left[t] > 0) {
      --left[t];
    } else {
      extra.push_back(t);
    }
  }
  std::set<std::u16string> seen;
  for (const std::u16string& t : extra) {
    if (!seen.insert(t).second) out.Problems.push_back("message shown more than once: " + Utf16ToUtf8(t));
  }
  if (k == 0 && !extra.empty()) out.Problems.push_back("a message without a fault: " + Utf16ToUtf8(extra[0]));
  if (k > 0 && extra.empty()) {
    if (out.EndedEarly) out.Problems.push_back("ended at start-up without a message");
    if (out.TrayIconLeft) out.Problems.push_back("a tray icon was left behind without a message");
    if (!out.Method.empty() && Reported(session->Failed)) out.Problems.push_back("the failure was not shown");
  }
  if (!extra.empty()) out.Dialogs = extra;
  else out.Dialogs.clear();
  return out;
}

// The session's own boxes: the two questions about the hot key and the
// refused second start. Whatever else the fault-free run shows is a fault.
std::vector<std::u16string> SessionDialogs(const std::vector<std::u16string>& all) {
  std::vector<std::u16string> own;
  for (const std::u16string& t : all) {
    if (t == u"Lensoro is already running." || t.find(u"?") != std::u16string::npos ||
        t.find(u"？") != std::u16string::npos)
      own.push_back(t);
  }
  return own;
}

// A run's result as a child sends it back: one line per field.
std::string Encode(const TOutcome& o) {
  std::string s = "M " + o.Method + "\nC " + o.FailedCall + "\nE " + (o.EndedEarly ? "1" : "0") + "\nD " +
                  std::to_string(o.Dialogs.size()) + "\n";
  for (const std::string& p : o.Problems) s += "P " + p + "\n";
  for (const std::string& n : o.Notes) s += "N " + n + "\n";
  return s;
}

TOutcome Decode(const std::string& s) {
  TOutcome o;
  std::size_t at = 0;
  while (at < s.size()) {
    std::size_t end = s.find('\n', at);
    if (end == std::string::npos) end = s.size();
    const std::string line = s.substr(at, end - at);
    at = end + 1;
    if (line.size() < 2) continue;
    const std::string v = line.substr(2);
    if (line[0] == 'M') o.Method = v;
    if (line[0] == 'C') o.FailedCall = v;
    if (line[0] == 'E') o.EndedEarly = v == "1";
    if (line[0] == 'D') o.Dialogs.resize(std::stoul(v));
    if (line[0] == 'P') o.Problems.push_back(v);
    if (line[0] == 'N') o.Notes.push_back(v);
  }
  return o;
}

struct TChild {
  pid_t Pid = 0;
  int Fd = -1;
  long K = 0;
  std::string Text;
};

TChild Spawn(long k, std::size_t budget, const std::vector<std::u16string>* expected) {
  int fds[2];
  if (pipe(fds) != 0) throw std::runtime_error("pipe");
  std::fflush(stdout);
  const pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork");
  if (pid == 0) {
    close(fds[0]);
    alarm(RunSeconds);
    const std::string text = Encode(RunOnce(k, budget, expected));
    std::size_t done = 0;
    while (done < text.size()) {
      const ssize_t n = write(fds[1], text.data() + done, text.size() - done);
      if (n <= 0) break;
      done += static_cast<std::size_t>(n);
    }
    _exit(0);
  }
  close(fds[1]);
  return {pid, fds[0], k, {}};
}

// Reads the child's report to its end and reaps it.
TOutcome Collect(TChild& c) {
  char buffer[4096];
  for (;;) {
    const ssize_t n = read(c.Fd, buffer, sizeof buffer);
    if (n <= 0) break;
    c.Text.append(buffer, static_cast<std::size_t>(n));
  }
  close(c.Fd);
  int status = 0;
  waitpid(c.Pid, &status, 0);
  TOutcome o = Decode(c.Text);
  if (WIFSIGNALED(status)) {
    const int sig = WTERMSIG(status);
    o.Problems.push_back(sig == SIGALRM ? "hang: over " + std::to_string(RunSeconds) + " s"
                                        : "crash: signal " + std::to_string(sig) + " (" + strsignal(sig) + ")");
  } else if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    o.Problems.push_back("exit status " + std::to_string(WEXITSTATUS(status)));
  }
  return o;
}

void PrintDialogs(const TOutcome& o) {
  for (const std::u16string& t : o.Dialogs) std::printf("  shown: %s\n", Utf16ToUtf8(t).c_str());
}

}  // namespace

int main(int argc, char** argv) {
  long only = 0;
  int jobs = 2;
  bool verbose = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--only" && i + 1 < argc) only = std::atol(argv[++i]);
    else if (a == "--jobs" && i + 1 < argc) jobs = std::max(1, std::atoi(argv[++i]));
    else if (a == "--verbose") verbose = true;
    else if (a == "--windows7") gWindows7 = true;
    else {
      std::fprintf(stderr, "usage: %s [--windows7] [--only K] [--jobs J] [--verbose]\n", argv[0]);
      return 2;
    }
  }
  const auto started = std::chrono::steady_clock::now();

  // The fault-free run, here: its figures bound the others. Once to learn
  // its own boxes, once judged by them.
  const std::size_t unlimited = static_cast<std::size_t>(-1);
  const std::vector<std::u16string> expected = SessionDialogs(RunOnce(0, unlimited, nullptr).Dialogs);
  const TOutcome clean = RunOnce(0, unlimited, &expected);
  const long n = clean.Fallible;
  const std::size_t budget = clean.Calls * CallBudgetFactor;
  std::printf("desktop: Windows %s\n", gWindows7 ? "6.1.7601" : "10.0.19045");
  std::printf("fault-free run: %ld fallible calls of %zu platform calls, %zu message boxes of its own\n", n,
              clean.Calls, expected.size());
  int failures = 0;
  for (const std::string& p : clean.Problems) {
    std::printf("FAIL k=0 (no fault): %s\n", p.c_str());
    ++failures;
  }
  PrintDialogs(clean);

  if (only > 0) {
    TChild c = Spawn(only, budget, &expected);
    const TOutcome o = Collect(c);
    std::printf("k=%ld failed %s%s, %zu message(s)\n", only, o.Method.empty() ? "nothing" : o.Method.c_str(),
                o.EndedEarly ? ", ended at start-up" : "", o.Dialogs.size());
    std::printf("the failed call: %s\n", o.FailedCall.c_str());
    for (const std::string& note : o.Notes) std::printf("  %s\n", note.c_str());
    for (const std::string& p : o.Problems) std::printf("FAIL k=%ld (%s): %s\n", only, o.Method.c_str(), p.c_str());
    return o.Problems.empty() && failures == 0 ? 0 : 1;
  }

  std::map<std::string, long> injected, showing;
  long runs = 0, shown = 0, early = 0, crashes = 0, hangs = 0, lost = 0;
  std::vector<TChild> running;
  long next = 1;
  auto take = [&](TChild& c) {
    const TOutcome o = Collect(c);
    ++runs;
    if (verbose) {
      std::printf("k=%ld %s%s, %zu message(s)\n", c.K, o.Method.c_str(), o.EndedEarly ? ", ended at start-up" : "",
                  o.Dialogs.size());
    }
    ++injected[o.Method.empty() ? "(none)" : o.Method];
    shown += !o.Dialogs.empty();
    showing[o.Method.empty() ? "(none)" : o.Method] += !o.Dialogs.empty();
    early += o.EndedEarly;
    for (const std::string& p : o.Problems) {
      crashes += p.rfind("crash", 0) == 0;
      hangs += p.rfind("hang", 0) == 0;
      lost += p.rfind("lost", 0) == 0 || p.rfind("changed", 0) == 0 || p.rfind("corrupted", 0) == 0;
      std::printf("FAIL k=%ld (%s): %s   [lensoro_fault_sweep%s --only %ld]\n", c.K, o.Method.c_str(), p.c_str(),
                  gWindows7 ? " --windows7" : "", c.K);
      ++failures;
    }
  };
  while (next <= n || !running.empty()) {
    while (next <= n && static_cast<int>(running.size()) < jobs) running.push_back(Spawn(next++, budget, &expected));
    // The oldest first: each child writes little, so none blocks on its pipe.
    take(running.front());
    running.erase(running.begin());
  }

  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  std::printf("\nfallible calls in the session (N): %ld\n", n);
  std::printf("runs with a fault: %ld (every k in 1..N)\n", runs);
  std::printf("faults injected per method (of them, runs that showed a message):\n");
  for (const auto& [method, count] : injected)
    std::printf("  %-28s %4ld (%ld)\n", method.c_str(), count, showing[method]);
  std::printf("runs that showed a message: %ld\n", shown);
  std::printf("runs that ended at start-up: %ld\n", early);
  std::printf("crashes: %ld\nhangs: %ld\nlost or corrupted files: %ld\n", crashes, hangs, lost);
  std::printf("failing runs: %d\nwall time: %.1f s\n", failures, seconds);
  return failures == 0 ? 0 : 1;
}
