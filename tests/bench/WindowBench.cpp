// The whole window against two references in one run: the bare window (an empty window of the same
// size, the lower bound) and the bare dialog (the same window written directly on the system). Each
// measure runs the three in turn, run by run: start-up to the first complete paint, a page switch, a
// full repaint, Apply to the message received, memory and objects, the CPU time used while idle and
// with the pointer resting on a glass button, and in each scenario the longest time any one message
// took, seen from outside by a ping through the window's queue; start-up with Windows' app theme dark
// and the theme switched while the window is open. Medians, with minimum and maximum.
//   WindowBench RUNS IDLE_SECONDS BARE_WINDOW_EXE BARE_DIALOG_EXE PROGRAM_EXE
// With IDLE_SECONDS 0 it measures start-ups, memory and objects only.
// A benchmark, never a test: it prints figures and fails on none.
#include <windows.h>

#include <psapi.h>
#include <shlobj.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "support/AppTheme.h"
#include "support/Wait.h"

namespace {

UINT SetupMessage = 0;
int MessagesReceived = 0;

double Now() {
  static const double frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart);
  }();
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) * 1000.0 / frequency;
}

// Handles this thread's messages: the listener window counts the broadcasts it receives.
void Pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

LRESULT CALLBACK Listen(HWND hwnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  if (Msg == SetupMessage) ++MessagesReceived;
  return DefWindowProcA(hwnd, Msg, wParam, lParam);
}

struct TSearch {
  DWORD processId;
  HWND found = nullptr;
};

BOOL CALLBACK FindVisible(HWND hwnd, LPARAM lParam) {
  auto& search = *reinterpret_cast<TSearch*>(lParam);
  DWORD owner = 0;
  GetWindowThreadProcessId(hwnd, &owner);
  if (owner != search.processId || !IsWindowVisible(hwnd)) return TRUE;
  search.found = hwnd;
  return FALSE;
}

BOOL CALLBACK AnyPending(HWND hwnd, LPARAM lParam) {
  RECT r;
  if (IsWindowVisible(hwnd) && GetUpdateRect(hwnd, &r, FALSE)) {
    *reinterpret_cast<bool*>(lParam) = true;
    return FALSE;
  }
  return TRUE;
}

// Waits until the window and every window in it have painted all they had to paint; a sent message
// then makes sure that the last paint handler has returned.
void WaitPainted(HWND Window) {
  DWORD_PTR ignored;
  for (int i = 0; i < 200000; ++i) {
    SendMessageTimeoutA(Window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &ignored);
    bool pending = false;
    RECT r;
    if (GetUpdateRect(Window, &r, FALSE)) pending = true;
    if (!pending) EnumChildWindows(Window, &AnyPending, reinterpret_cast<LPARAM>(&pending));
    if (!pending) break;
    Sleep(1);  // not a busy poll: two cores are shared with the program and the Wine server
  }
  SendMessageTimeoutA(Window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &ignored);
}

// Waits for the first complete paint: no window in it has anything left to paint, twice in a row;
// then one message through its queue, so that a paint handler still drawing after it validated its
// window is counted (a window may draw before or after BeginPaint). Idle work that the window starts
// afterwards is not counted, but for the one step it may be in.
void WaitFirstPaint(HWND Window) {
  int quiet = 0;
  for (int i = 0; i < 200000 && quiet < 2; ++i) {
    bool pending = false;
    RECT r;
    if (GetUpdateRect(Window, &r, FALSE)) pending = true;
    if (!pending) EnumChildWindows(Window, &AnyPending, reinterpret_cast<LPARAM>(&pending));
    quiet = pending ? 0 : quiet + 1;
    Sleep(1);
  }
  DWORD_PTR ignored;
  SendMessageTimeoutA(Window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &ignored);
}

HWND FindChild(HWND Root, int Id) {
  struct TFind {
    int id;
    HWND found;
  } find{Id, nullptr};
  EnumChildWindows(
      Root,
      [](HWND hwnd, LPARAM lParam) -> BOOL {
        auto& f = *reinterpret_cast<TFind*>(lParam);
        if (GetDlgCtrlID(hwnd) != f.id) return TRUE;
        f.found = hwnd;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&find));
  return find.found;
}

// Pings a window through its thread's queue from a thread of its own, and keeps the longest wait: the
// longest time any one message of the window's thread took while the ping ran.
class TPing {
 public:
  void Start(HWND Window) {
    Stop();
    FLongest = 0;
    FStop = false;
    FThread = std::thread([this, Window] {
      while (!FStop) {
        const double start = Now();
        DWORD_PTR ignored;
        SendMessageTimeoutA(Window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &ignored);
        FLongest = std::max(FLongest.load(), Now() - start);
        Sleep(1);
      }
    });
  }
  double Stop() {
    FStop = true;
    if (FThread.joinable()) FThread.join();
    return FLongest;
  }
  ~TPing() { Stop(); }

 private:
  std::thread FThread;
  std::atomic<bool> FStop{false};
  std::atomic<double> FLongest{0};
};

class TRunning {
 public:
  explicit TRunning(const std::string& Exe) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    std::string commandLine = "\"" + Exe + "\"";
    const double start = Now();
    if (!CreateProcessA(Exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &FInfo))
      return;
    TSearch search{FInfo.dwProcessId};
    for (int i = 0; i < 200000 && !search.found; ++i) {
      EnumWindows(&FindVisible, reinterpret_cast<LPARAM>(&search));
      if (!search.found) Sleep(1);
    }
    Window = search.found;
    if (Window) {
      TPing ping;
      ping.Start(Window);
      WaitFirstPaint(Window);
      StartupMs = Now() - start;
      StartupPingMs = ping.Stop();
    }
    // Everything the program does after its first paint is done before anything else is measured:
    // the pages not shown are made (a control of each is there), and all is painted.
    if (Window) {
      if (FindChild(Window, 200))
        for (int i = 0; i < 10000; ++i) {
          bool all = true;
          for (int id : {300, 400, 501, 600, 700}) all = all && FindChild(Window, id);
          if (all) break;
          Sleep(1);
        }
      WaitPainted(Window);
    }
  }
  ~TRunning() {
    if (!FInfo.hProcess) return;
    if (Window) PostMessageA(Window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(FInfo.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(FInfo.hProcess, 1);
    CloseHandle(FInfo.hThread);
    CloseHandle(FInfo.hProcess);
  }
  TRunning(const TRunning&) = delete;
  TRunning& operator=(const TRunning&) = delete;

  HANDLE Process() const { return FInfo.hProcess; }
  // The CPU time the process has used. Wine reports none for another process: there the host's
  // own account of the process is read (its /proc, seen as drive Z:), in ticks of 10 ms.
  double CpuMs() const {
    if (const auto host = HostStat(); host) return host->cpuMs;
    FILETIME created, exited, kernel, user;
    GetProcessTimes(FInfo.hProcess, &created, &exited, &kernel, &user);
    const auto ms = [](FILETIME t) {
      return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) |
                                 t.dwLowDateTime) /
             1e4;
    };
    return ms(kernel) + ms(user);
  }
  // Private bytes: the process's own; under Wine, the host's count of its anonymous resident memory.
  double PrivateKb() const {
    if (const auto host = HostStat(); host) return host->anonKb;
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(FInfo.hProcess, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory);
    return static_cast<double>(memory.PrivateUsage) / 1024;
  }

  struct THostStat {
    double cpuMs, anonKb;
  };
  std::optional<THostStat> HostStat() const {
    if (FHostPid.empty()) FHostPid = FindHostPid();
    if (FHostPid == "-") return std::nullopt;
    const std::string stat = ReadText("Z:\\proc\\" + FHostPid + "\\stat");
    const std::string status = ReadText("Z:\\proc\\" + FHostPid + "\\status");
    const std::size_t close = stat.rfind(')');
    if (close == std::string::npos) return std::nullopt;
    // After the command's name: state, then 10 numbers, then user and system time in ticks.
    std::vector<std::string> fields;
    std::size_t at = close + 2;
    while (at < stat.size()) {
      const std::size_t space = stat.find(' ', at);
      fields.push_back(stat.substr(at, space - at));
      if (space == std::string::npos) break;
      at = space + 1;
    }
    if (fields.size() < 13) return std::nullopt;
    THostStat host{};
    host.cpuMs = (std::atof(fields[11].c_str()) + std::atof(fields[12].c_str())) * 10.0;
    const std::size_t anon = status.find("RssAnon:");
    if (anon != std::string::npos) host.anonKb = std::atof(status.c_str() + anon + 8);
    return host;
  }

  HWND Window = nullptr;
  double StartupMs = -1, StartupPingMs = 0;

 private:
  static std::string ReadText(const std::string& Path) {
    HANDLE file = CreateFileA(Path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "";
    std::string text(8192, '\0');
    DWORD read = 0;
    ReadFile(file, text.data(), static_cast<DWORD>(text.size()), &read, nullptr);
    CloseHandle(file);
    text.resize(read);
    return text;
  }
  static bool HostHasCommandLine(const std::string& Text) {
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA("Z:\\proc\\*", &found);
    if (find == INVALID_HANDLE_VALUE) return false;
    bool seen = false;
    do {
      if (std::atol(found.cFileName) > 0 &&
          ReadText(std::string("Z:\\proc\\") + found.cFileName + "\\cmdline").find(Text) != std::string::npos)
        seen = true;
    } while (!seen && FindNextFileA(find, &found));
    FindClose(find);
    return seen;
  }
  // The host's process that runs this program: the newest one whose command line names the program.
  std::string FindHostPid() const {
    char path[MAX_PATH] = {};
    GetModuleFileNameExA(FInfo.hProcess, nullptr, path, MAX_PATH);
    std::string name = path;
    name = name.substr(name.find_last_of("\\/") + 1);
    // The whole path as it was started, so that a copy of the same program that another test bed
    // runs on this host is never taken for it; the name alone where the path is not found.
    std::string wanted = path;
    if (!HostHasCommandLine(wanted)) wanted = name;
    if (GetFileAttributesA("Z:\\proc\\self") == INVALID_FILE_ATTRIBUTES || name.empty()) return "-";
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA("Z:\\proc\\*", &found);
    std::string best = "-";
    long bestPid = -1;
    if (find == INVALID_HANDLE_VALUE) return best;
    do {
      const long pid = std::atol(found.cFileName);
      if (pid <= bestPid) continue;
      const std::string cmdline = ReadText(std::string("Z:\\proc\\") + found.cFileName + "\\cmdline");
      if (cmdline.find(wanted) != std::string::npos && cmdline.find("WindowBench") == std::string::npos) {
        bestPid = pid;
        best = found.cFileName;
      }
    } while (FindNextFileA(find, &found));
    FindClose(find);
    return best;
  }

  PROCESS_INFORMATION FInfo{};
  mutable std::string FHostPid;
};

struct TSeries {
  std::vector<double> values;
  void Add(double v) { values.push_back(v); }
  bool Empty() const { return values.empty(); }
  double Min() const { return *std::min_element(values.begin(), values.end()); }
  double Max() const { return *std::max_element(values.begin(), values.end()); }
  double Median() const {
    std::vector<double> sorted = values;
    std::sort(sorted.begin(), sorted.end());
    return sorted[sorted.size() / 2];
  }
};

// Waits for the listener to have received one more broadcast; milliseconds from Start.
double WaitBroadcast(int Before, double Start) {
  for (int i = 0; i < 2000000 && MessagesReceived == Before; ++i) {
    Pump();
    if (MessagesReceived == Before) Sleep(1);
  }
  return Now() - Start;
}

struct TFigures {
  TSeries startup, pageSwitch, repaint, pageSwitchAtOnce, repaintAtOnce, apply, largeApply, largeMergedApply,
      privateKb, workingKb, gdiObjects, userObjects, hoverCpu, idleCpu, darkStartup, themeSwitch;
  // The longest wait of a ping through the window's queue, in each scenario (one value a run).
  TSeries startupPing, pageSwitchPing, repaintPing, applyPing, largeApplyPing, largeMergedApplyPing, idlePing,
      darkStartupPing, themeSwitchPing;
};

struct TProgram {
  const char* name;
  std::string exe;
  bool hasPages;  // glass buttons and pages to switch, ticks and Apply
  TFigures figures;
  std::unique_ptr<TRunning> running;
  std::map<std::string, std::pair<int, double>> controlCost;  // class: windows, sum of median repaints
};

// A page switch: a click on a glass button to the new page completely painted. A page is shown when
// its first control is.
void SwitchPage(HWND Window, int Page) {
  static const int FirstControl[6] = {200, 300, 400, 501, 600, 700};
  HWND button = FindChild(Window, 100 + Page);
  HWND shown = FindChild(Window, FirstControl[Page]);
  PostMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(40, 40));
  PostMessageA(button, WM_LBUTTONUP, 0, MAKELPARAM(40, 40));
  for (int i = 0; i < 200000 && !IsWindowVisible(shown); ++i) Sleep(1);
  WaitPainted(Window);
}

// The same page switch with nothing polled: the click's two messages sent and waited for, then the
// paints it caused asked for at once and waited for.
void SwitchPageAtOnce(HWND Window, int Page) {
  HWND button = FindChild(Window, 100 + Page);
  DWORD_PTR ignored;
  SendMessageTimeoutA(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(40, 40), SMTO_NORMAL, 10000, &ignored);
  SendMessageTimeoutA(button, WM_LBUTTONUP, 0, MAKELPARAM(40, 40), SMTO_NORMAL, 10000, &ignored);
  RedrawWindow(Window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

// Puts the window where no other window of the bench covers it and makes it the foreground one.
void Bring(HWND Window, POINT At) {
  SetWindowPos(Window, HWND_TOP, At.x, At.y, 0, 0, SWP_NOSIZE);
  SetForegroundWindow(Window);
  WaitPainted(Window);
}

void PointAt(HWND Window, POINT At) {
  if (Window) ClientToScreen(Window, &At);
  SetCursorPos(At.x, At.y);
  INPUT move{};
  move.type = INPUT_MOUSE;
  move.mi.dwFlags = MOUSEEVENTF_MOVE;
  SendInput(1, &move, sizeof move);
}

// The window has handled the pointer's move and painted what it changed.
void Settle(HWND Window) {
  px2d::test::InputHandled(Window);
  WaitPainted(Window);
}

void Measure(std::vector<TProgram>& Programs, int Runs, int IdleSeconds) {
  // Start-up, memory and objects: a new process each time, the programs in turn.
  for (int run = 0; run < Runs; ++run) {
    // Each run in another order: no program always starts right after the same other one.
    for (std::size_t k = 0; k < Programs.size(); ++k) {
      TProgram& program = Programs[(k + static_cast<std::size_t>(run)) % Programs.size()];
      TFigures& F = program.figures;
      TRunning p(program.exe);
      if (!p.Window) continue;
      F.startup.Add(p.StartupMs);
      F.startupPing.Add(p.StartupPingMs);
      PROCESS_MEMORY_COUNTERS memory{};
      memory.cb = sizeof memory;
      if (GetProcessMemoryInfo(p.Process(), &memory, sizeof memory))
        F.workingKb.Add(static_cast<double>(memory.WorkingSetSize) / 1024);
      F.privateKb.Add(p.PrivateKb());
      // Wine keeps no count of these (it answers 0): the row then shows nothing.
      if (const DWORD gdi = GetGuiResources(p.Process(), GR_GDIOBJECTS)) F.gdiObjects.Add(gdi);
      if (const DWORD user = GetGuiResources(p.Process(), GR_USEROBJECTS)) F.userObjects.Add(user);
    }
  }

  // Without idle time, start-ups only: the programs may then be two builds of the same program,
  // which would not run side by side.
  if (IdleSeconds == 0) return;
  // One window of each, side by side, measured in turn run by run.
  const POINT places[3] = {{0, 600}, {600, 0}, {0, 0}};
  for (std::size_t i = 0; i < Programs.size(); ++i) {
    Programs[i].running = std::make_unique<TRunning>(Programs[i].exe);
    if (Programs[i].running->Window) Bring(Programs[i].running->Window, places[i % 3]);
  }
  TPing ping;
  for (int run = 0; run < Runs; ++run) {
    for (std::size_t i = 0; i < Programs.size(); ++i) {
      TProgram& program = Programs[i];
      TFigures& F = program.figures;
      HWND window = program.running->Window;
      if (!window) continue;
      Bring(window, places[i % 3]);
      if (program.hasPages) {
        const int page = 1 + run % 5;
        ping.Start(window);
        const double start = Now();
        SwitchPage(window, page);
        F.pageSwitch.Add(Now() - start);
        F.pageSwitchPing.Add(ping.Stop());
        SwitchPage(window, 0);
      }
      // A full repaint: the whole window invalidated and painted again.
      ping.Start(window);
      double start = Now();
      RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
      WaitPainted(window);
      F.repaint.Add(Now() - start);
      F.repaintPing.Add(ping.Stop());
      // Both again with nothing polled: what the window's own handling costs, without the detection.
      if (program.hasPages) {
        start = Now();
        SwitchPageAtOnce(window, 1 + run % 5);
        F.pageSwitchAtOnce.Add(Now() - start);
        SwitchPageAtOnce(window, 0);
        WaitPainted(window);
      }
      start = Now();
      RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
      F.repaintAtOnce.Add(Now() - start);
      WaitPainted(window);
      // Apply: the click to the file replaced and the broadcast received.
      const int before = MessagesReceived;
      if (program.hasPages) {
        HWND tick = FindChild(window, 200);
        DWORD_PTR ignored;
        SendMessageTimeoutA(tick, BM_CLICK, 0, 0, SMTO_NORMAL, 10000, &ignored);  // an edit enables Apply
        WaitPainted(window);
        ping.Start(window);
        start = Now();
        PostMessageA(FindChild(window, 10), BM_CLICK, 0, 0);
      } else {
        ping.Start(window);
        start = Now();
        PostMessageA(window, WM_APP, 0, 0);
      }
      F.apply.Add(WaitBroadcast(before, start));
      F.applyPing.Add(ping.Stop());
      WaitPainted(window);
    }
  }

  // Idle: all at once, the pointer away from every window; then the pointer resting on the first
  // glass button of each in turn (where the bare window is plain). The ping costs CPU time of its
  // own: it runs after the CPU time is taken, for a few seconds more of the same rest.
  const DWORD pingMs = static_cast<DWORD>(std::min(IdleSeconds, 3)) * 1000;
  PointAt(nullptr, POINT{1500, 1150});
  for (TProgram& program : Programs)
    if (program.running->Window) Settle(program.running->Window);
  std::vector<double> before;
  for (TProgram& program : Programs) before.push_back(program.running->CpuMs());
  Sleep(static_cast<DWORD>(IdleSeconds) * 1000);
  for (std::size_t i = 0; i < Programs.size(); ++i)
    Programs[i].figures.idleCpu.Add(Programs[i].running->CpuMs() - before[i]);
  for (std::size_t i = 0; i < Programs.size(); ++i) {
    TRunning& p = *Programs[i].running;
    if (!p.Window) continue;
    Bring(p.Window, places[i % 3]);
    PointAt(p.Window, POINT{48, 48});
    Settle(p.Window);
    const double cpu = p.CpuMs();
    Sleep(static_cast<DWORD>(IdleSeconds) * 1000);
    Programs[i].figures.hoverCpu.Add(p.CpuMs() - cpu);
    ping.Start(p.Window);
    Sleep(pingMs);
    Programs[i].figures.idlePing.Add(ping.Stop());
  }
  // What each control costs: each visible window in the window invalidated alone and painted again,
  // grouped by window class; the window's own paint, without its children, under its own class.
  for (std::size_t i = 1; i < Programs.size(); ++i) {
    HWND window = Programs[i].running->Window;
    if (!window) continue;
    Bring(window, places[i % 3]);
    std::vector<HWND> parts{window};
    EnumChildWindows(
        window,
        [](HWND hwnd, LPARAM lParam) -> BOOL {
          if (IsWindowVisible(hwnd)) reinterpret_cast<std::vector<HWND>*>(lParam)->push_back(hwnd);
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&parts));
    // Each window is painted again at once (the update is sent to its thread and waited for), many
    // times; what a message to it and back costs by itself is taken off.
    const auto median = [Runs](const std::function<void()>& Step) {
      TSeries times;
      for (int run = 0; run < std::max(Runs, 20); ++run) {
        const double start = Now();
        Step();
        times.Add(Now() - start);
      }
      return times.Median();
    };
    const double roundTrip = median([window] {
      DWORD_PTR ignored;
      SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &ignored);
    });
    for (HWND part : parts) {
      const double paint = median([part, window] {
        RedrawWindow(part, nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | (part == window ? RDW_NOCHILDREN : 0));
      });
      char name[64] = {};
      GetClassNameA(part, name, sizeof name);
      auto& cost = Programs[i].controlCost[name];
      cost.first += 1;
      cost.second += std::max(0.0, paint - roundTrip);
    }
  }
  for (TProgram& program : Programs) program.running.reset();
}

// The test bed's settings file, which the programs read and Apply writes.
std::string SettingsFile() {
  char folder[MAX_PATH + 1] = {};
  SHGetSpecialFolderPathA(nullptr, folder, CSIDL_APPDATA, FALSE);
  return std::string(folder) + "\\Brightfallow\\Panoplex2D\\Panoplex2D.conf";
}

std::string ReadWhole(const std::string& Path) {
  std::string text;
  HANDLE file = CreateFileA(Path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return text;
  text.resize(1 << 17);
  DWORD read = 0;
  ReadFile(file, text.data(), static_cast<DWORD>(text.size()), &read, nullptr);
  CloseHandle(file);
  text.resize(read);
  return text;
}

// Writes the file in place, as another program does.
void WriteWhole(const std::string& Path, const std::string& Text) {
  HANDLE file = CreateFileA(Path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, Text.data(), static_cast<DWORD>(Text.size()), &written, nullptr);
  SetEndOfFile(file);
  CloseHandle(file);
}

// Apply on a settings file at the size limit: another program's short lines, about 7,200 of them,
// fill it up to what leaves room for the window's keys. Plain: nobody else wrote the file since the
// window read it; merged: another program changed one of its lines meanwhile, so that the window
// writes the file's lines as they are now with its edit made over them.
void MeasureLargeFile(std::vector<TProgram>& Programs, int Runs) {
  const std::string path = SettingsFile();
  const std::string before = ReadWhole(path);
  std::string large;
  for (int n = 0; large.size() < 64 * 1024 - 700; ++n) {
    large += 'k';
    large += std::to_string(n);
    large += "=1\r\n";
  }
  TPing ping;
  for (TProgram& program : Programs) {
    if (!program.hasPages) continue;
    WriteWhole(path, large);
    TRunning p(program.exe);
    if (!p.Window) continue;
    Bring(p.Window, POINT{0, 0});
    HWND tick = FindChild(p.Window, 200), apply = FindChild(p.Window, 10);
    for (int run = 0; run < Runs; ++run) {
      for (const bool merged : {false, true}) {
        DWORD_PTR ignored;
        SendMessageTimeoutA(tick, BM_CLICK, 0, 0, SMTO_NORMAL, 10000, &ignored);  // an edit enables Apply
        WaitPainted(p.Window);
        if (merged) {
          std::string text = ReadWhole(path);
          const std::size_t line = text.find("k17=");
          if (line != std::string::npos) text[line + 4] = text[line + 4] == '1' ? '2' : '1';
          WriteWhole(path, text);
        }
        const int received = MessagesReceived;
        ping.Start(p.Window);
        const double start = Now();
        PostMessageA(apply, BM_CLICK, 0, 0);
        (merged ? program.figures.largeMergedApply : program.figures.largeApply)
            .Add(WaitBroadcast(received, start));
        (merged ? program.figures.largeMergedApplyPing : program.figures.largeApplyPing).Add(ping.Stop());
        WaitPainted(p.Window);
      }
    }
  }
  WriteWhole(path, before);
}

// Windows' app theme dark: start-ups, each program in turn run by run (the bare dialog knows no
// theme and stays light); then, in one window of each, the theme switched to light and back, as the
// system broadcasts it, from the broadcast to the window painted again.
void MeasureDarkMode(std::vector<TProgram>& Programs, int Runs) {
  px2d::test::TAppTheme theme;
  theme.Set(true);
  for (int run = 0; run < Runs; ++run) {
    for (std::size_t k = 1; k < Programs.size(); ++k) {
      TProgram& program = Programs[1 + (k - 1 + static_cast<std::size_t>(run)) % (Programs.size() - 1)];
      TRunning p(program.exe);
      if (!p.Window) continue;
      program.figures.darkStartup.Add(p.StartupMs);
      program.figures.darkStartupPing.Add(p.StartupPingMs);
    }
  }
  TPing ping;
  for (std::size_t i = 1; i < Programs.size(); ++i) {
    TRunning p(Programs[i].exe);
    if (!p.Window) continue;
    Bring(p.Window, POINT{0, 0});
    for (int run = 0; run < Runs * 2; ++run) {
      ping.Start(p.Window);
      const double start = Now();
      theme.Set(run % 2 == 1);
      WaitPainted(p.Window);
      Programs[i].figures.themeSwitch.Add(Now() - start);
      Programs[i].figures.themeSwitchPing.Add(ping.Stop());
    }
  }
}

std::string Cell(const TSeries& s, bool Spread) {
  char text[64];
  if (s.Empty())
    std::snprintf(text, sizeof text, "%s", "-");
  else if (Spread)
    std::snprintf(text, sizeof text, "%.1f (%.1f-%.1f)", s.Median(), s.Min(), s.Max());
  else
    std::snprintf(text, sizeof text, "%.1f", s.Median());
  return text;
}

// One row: the lower bound's median, the reference's and the program's median with their range, and
// the program's median to the reference's.
void Row(const char* Name, const char* Unit, TSeries TFigures::*Series,
         const std::vector<TProgram>& Programs) {
  const TSeries& window = Programs[0].figures.*Series;
  const TSeries& dialog = Programs[1].figures.*Series;
  const TSeries& program = Programs[2].figures.*Series;
  char ratio[32] = "-";
  if (!dialog.Empty() && !program.Empty() && dialog.Median() > 0)
    std::snprintf(ratio, sizeof ratio, "%.2f", program.Median() / dialog.Median());
  std::printf("| %-44s | %-3s | %12s | %24s | %24s | %6s |\n", Name, Unit, Cell(window, false).c_str(),
              Cell(dialog, true).c_str(), Cell(program, true).c_str(), ratio);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 6) {
    std::fprintf(stderr,
                 "usage: WindowBench RUNS IDLE_SECONDS BARE_WINDOW_EXE BARE_DIALOG_EXE PROGRAM_EXE\n");
    return 2;
  }
  const int runs = std::max(1, std::atoi(argv[1]));
  const int idle = std::max(0, std::atoi(argv[2]));
  SetupMessage = RegisterWindowMessageA("WM_PX2D_SETUP");
  WNDCLASSA wc{};
  wc.lpfnWndProc = Listen;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "WindowBenchListener";
  RegisterClassA(&wc);
  CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, wc.hInstance, nullptr);

  std::vector<TProgram> programs;
  programs.push_back({"bare window", argv[3], false, {}, nullptr, {}});
  programs.push_back({"bare dialog", argv[4], true, {}, nullptr, {}});
  programs.push_back({"program", argv[5], true, {}, nullptr, {}});
  // Warm the file cache and the system's libraries, then measure.
  for (const TProgram& program : programs) TRunning warm(program.exe);
  Measure(programs, runs, idle);
  if (idle > 0) MeasureLargeFile(programs, runs);
  if (idle > 0) MeasureDarkMode(programs, runs);

  std::printf("Medians of %d runs (min-max); ratio: the program to the bare dialog.\n\n", runs);
  std::printf("| %-44s | %-3s | %12s | %24s | %24s | %6s |\n", "measure", "", "bare window", "bare dialog",
              "program", "ratio");
  std::printf("|%s|%s|%s|%s|%s|%s|\n", std::string(46, '-').c_str(), std::string(5, '-').c_str(),
              std::string(14, '-').c_str(), std::string(26, '-').c_str(), std::string(26, '-').c_str(),
              std::string(8, '-').c_str());
  Row("start-up to the first complete paint", "ms", &TFigures::startup, programs);
  Row("start-up in dark mode", "ms", &TFigures::darkStartup, programs);
  Row("page switch, click to painted", "ms", &TFigures::pageSwitch, programs);
  Row("full repaint", "ms", &TFigures::repaint, programs);
  Row("page switch, sent and painted at once", "ms", &TFigures::pageSwitchAtOnce, programs);
  Row("full repaint, painted at once", "ms", &TFigures::repaintAtOnce, programs);
  Row("app theme switched, broadcast to painted", "ms", &TFigures::themeSwitch, programs);
  Row("Apply to the message received", "ms", &TFigures::apply, programs);
  Row("Apply, file at the size limit", "ms", &TFigures::largeApply, programs);
  Row("Apply merged, file at the size limit", "ms", &TFigures::largeMergedApply, programs);
  Row("private bytes", "KiB", &TFigures::privateKb, programs);
  Row("working set", "KiB", &TFigures::workingKb, programs);
  Row("GDI objects", "", &TFigures::gdiObjects, programs);
  Row("user objects", "", &TFigures::userObjects, programs);
  const std::string hover = "CPU in " + std::to_string(idle) + " s, pointer on a glass button";
  Row(hover.c_str(), "ms", &TFigures::hoverCpu, programs);
  const std::string rest = "CPU in " + std::to_string(idle) + " s, idle";
  Row(rest.c_str(), "ms", &TFigures::idleCpu, programs);
  Row("longest message: start-up", "ms", &TFigures::startupPing, programs);
  Row("longest message: start-up in dark mode", "ms", &TFigures::darkStartupPing, programs);
  Row("longest message: page switch", "ms", &TFigures::pageSwitchPing, programs);
  Row("longest message: full repaint", "ms", &TFigures::repaintPing, programs);
  Row("longest message: app theme switch", "ms", &TFigures::themeSwitchPing, programs);
  Row("longest message: Apply", "ms", &TFigures::applyPing, programs);
  Row("longest message: Apply at the size limit", "ms", &TFigures::largeApplyPing, programs);
  Row("longest message: Apply merged at the limit", "ms", &TFigures::largeMergedApplyPing, programs);
  Row("longest message: pointer resting", "ms", &TFigures::idlePing, programs);
  for (std::size_t i = 1; i < programs.size() && idle > 0; ++i) {
    std::printf(
        "\nEach window painted again alone, %s: windows, sum of their medians less a message's round trip "
        "(ms)\n",
        programs[i].name);
    for (const auto& [name, cost] : programs[i].controlCost)
      std::printf("  %-20s %3d %8.2f\n", name.c_str(), cost.first, cost.second);
  }
  return 0;
}
