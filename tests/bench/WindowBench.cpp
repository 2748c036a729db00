// The whole window against the bare minimum, in one run: start-up to the first complete paint, a page
// switch, a full repaint, Apply to the message received, memory and objects, and the CPU time used
// while idle, each over many runs with minimum, median and maximum.
//   WindowBench RUNS IDLE_SECONDS BARE_EXE PROGRAM_EXE
// A benchmark, never a test: it prints figures and fails on none.
#include <windows.h>

#include <psapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <vector>

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
    Sleep(0);
  }
  SendMessageTimeoutA(Window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &ignored);
}

// Waits for the first complete paint without asking the program anything, so that work it does
// afterwards, when idle, is not counted: no window in it has anything left to paint, twice in a row.
void WaitFirstPaint(HWND Window) {
  int quiet = 0;
  for (int i = 0; i < 200000 && quiet < 2; ++i) {
    bool pending = false;
    RECT r;
    if (GetUpdateRect(Window, &r, FALSE)) pending = true;
    if (!pending) EnumChildWindows(Window, &AnyPending, reinterpret_cast<LPARAM>(&pending));
    quiet = pending ? 0 : quiet + 1;
    Sleep(quiet ? 1 : 0);
  }
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
      if (!search.found) Sleep(0);
    }
    Window = search.found;
    if (Window) WaitFirstPaint(Window);
    StartupMs = Now() - start;
    // Everything the program does after its first paint is done before anything else is measured.
    if (Window) WaitPainted(Window);
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
  double StartupMs = -1;

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
  // The host's process that runs this program: the newest one whose command line names the program.
  std::string FindHostPid() const {
    char path[MAX_PATH] = {};
    GetModuleFileNameExA(FInfo.hProcess, nullptr, path, MAX_PATH);
    std::string name = path;
    name = name.substr(name.find_last_of("\\/") + 1);
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
      if (cmdline.find(name) != std::string::npos && cmdline.find("WindowBench") == std::string::npos) {
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
    if (MessagesReceived == Before) Sleep(0);
  }
  return Now() - Start;
}

struct TFigures {
  TSeries startup, pageSwitch, repaint, apply, privateKb, workingKb, gdiObjects, userObjects, hoverCpu,
      idleCpu;
};

void Measure(const std::string& Exe, bool IsProgram, int Runs, int IdleSeconds, TFigures& F) {
  // Start-up, memory and objects: a new process each time.
  for (int run = 0; run < Runs; ++run) {
    TRunning p(Exe);
    if (!p.Window) continue;
    F.startup.Add(p.StartupMs);
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    if (GetProcessMemoryInfo(p.Process(), &memory, sizeof memory))
      F.workingKb.Add(static_cast<double>(memory.WorkingSetSize) / 1024);
    F.privateKb.Add(p.PrivateKb());
    // Wine keeps no count of these (it answers 0): the row then shows nothing.
    if (const DWORD gdi = GetGuiResources(p.Process(), GR_GDIOBJECTS)) F.gdiObjects.Add(gdi);
    if (const DWORD user = GetGuiResources(p.Process(), GR_USEROBJECTS)) F.userObjects.Add(user);
  }

  TRunning p(Exe);
  if (!p.Window) return;
  SetForegroundWindow(p.Window);
  // A page switch: a click on a glass button to the new page completely painted.
  if (IsProgram) {
    for (int run = 0; run < Runs; ++run) {
      const int page = 1 + run % 5;
      HWND button = FindChild(p.Window, 100 + page);
      HWND sheet = FindChild(p.Window, 22 + page);
      const double start = Now();
      PostMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(40, 40));
      PostMessageA(button, WM_LBUTTONUP, 0, MAKELPARAM(40, 40));
      for (int i = 0; i < 200000 && !IsWindowVisible(sheet); ++i) Sleep(0);
      WaitPainted(p.Window);
      F.pageSwitch.Add(Now() - start);
    }
    HWND first = FindChild(p.Window, 100);
    PostMessageA(first, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(40, 40));
    PostMessageA(first, WM_LBUTTONUP, 0, MAKELPARAM(40, 40));
    WaitPainted(p.Window);
  }
  // A full repaint: the whole window invalidated and painted again.
  for (int run = 0; run < Runs; ++run) {
    const double start = Now();
    RedrawWindow(p.Window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    WaitPainted(p.Window);
    F.repaint.Add(Now() - start);
  }
  // Apply: the click to the file replaced and the broadcast received.
  for (int run = 0; run < Runs; ++run) {
    const int before = MessagesReceived;
    double start = 0;
    if (IsProgram) {
      HWND tick = FindChild(p.Window, 200);
      DWORD_PTR ignored;
      SendMessageTimeoutA(tick, BM_CLICK, 0, 0, SMTO_NORMAL, 10000, &ignored);  // an edit enables Apply
      start = Now();
      PostMessageA(FindChild(p.Window, 10), BM_CLICK, 0, 0);
    } else {
      start = Now();
      PostMessageA(p.Window, WM_APP, 0, 0);
    }
    F.apply.Add(WaitBroadcast(before, start));
  }
  // Idle: the pointer resting on the first glass button (where the bare window is plain), and away.
  RECT r;
  GetWindowRect(p.Window, &r);
  for (bool hover : {true, false}) {
    POINT at = hover ? POINT{48, 48} : POINT{300, 450};
    ClientToScreen(p.Window, &at);
    SetCursorPos(at.x, at.y);
    INPUT move{};
    move.type = INPUT_MOUSE;
    move.mi.dwFlags = MOUSEEVENTF_MOVE;
    SendInput(1, &move, sizeof move);
    Sleep(500);
    const double before = p.CpuMs();
    Sleep(static_cast<DWORD>(IdleSeconds) * 1000);
    (hover ? F.hoverCpu : F.idleCpu).Add(p.CpuMs() - before);
  }
}

void Row(const char* Name, const TSeries& Bare, const TSeries& Program, const char* Unit) {
  const auto cell = [](const TSeries& s) {
    char text[64];
    if (s.Empty())
      std::snprintf(text, sizeof text, "%27s", "-");
    else
      std::snprintf(text, sizeof text, "%8.1f %8.1f %9.1f", s.Min(), s.Median(), s.Max());
    return std::string(text);
  };
  char ratio[32] = "      -";
  if (!Bare.Empty() && !Program.Empty() && Bare.Median() > 0)
    std::snprintf(ratio, sizeof ratio, "%7.2f", Program.Median() / Bare.Median());
  std::printf("| %-34s | %-5s | %s | %s | %s |\n", Name, Unit, cell(Bare).c_str(), cell(Program).c_str(),
              ratio);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: WindowBench RUNS IDLE_SECONDS BARE_EXE PROGRAM_EXE\n");
    return 2;
  }
  const int runs = std::max(1, std::atoi(argv[1]));
  const int idle = std::max(1, std::atoi(argv[2]));
  SetupMessage = RegisterWindowMessageA("WM_PX2D_SETUP");
  WNDCLASSA wc{};
  wc.lpfnWndProc = Listen;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "WindowBenchListener";
  RegisterClassA(&wc);
  CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, wc.hInstance, nullptr);

  // Warm the file cache and the system's libraries, then measure each in turn.
  { TRunning warm(argv[3]); }
  { TRunning warm(argv[4]); }
  TFigures bare, program;
  Measure(argv[3], false, runs, idle, bare);
  Measure(argv[4], true, runs, idle, program);

  std::printf("| %-34s | %-5s | %27s | %27s | %7s |\n", "measure", "unit", "bare: min median max",
              "program: min median max", "ratio");
  std::printf("|%s|%s|%s|%s|%s|\n", std::string(36, '-').c_str(), std::string(7, '-').c_str(),
              std::string(29, '-').c_str(), std::string(29, '-').c_str(), std::string(9, '-').c_str());
  Row("start-up to the first complete paint", bare.startup, program.startup, "ms");
  Row("page switch, click to painted", bare.pageSwitch, program.pageSwitch, "ms");
  Row("full repaint", bare.repaint, program.repaint, "ms");
  Row("Apply to the message received", bare.apply, program.apply, "ms");
  Row("private bytes", bare.privateKb, program.privateKb, "KiB");
  Row("working set", bare.workingKb, program.workingKb, "KiB");
  Row("GDI objects", bare.gdiObjects, program.gdiObjects, "");
  Row("user objects", bare.userObjects, program.userObjects, "");
  const std::string idleName = "CPU in " + std::to_string(idle) + " s, pointer on a button";
  Row(idleName.c_str(), bare.hoverCpu, program.hoverCpu, "ms");
  const std::string restName = "CPU in " + std::to_string(idle) + " s, window idle";
  Row(restName.c_str(), bare.idleCpu, program.idleCpu, "ms");
  return 0;
}
