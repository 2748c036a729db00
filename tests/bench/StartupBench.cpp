// Start-up benchmark: how long each program takes from process creation until its first window
// is visible and painted, over repeated runs. Usage: StartupBench RUNS EXE...
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct TSearch {
  DWORD processId;
  HWND found;
};

BOOL CALLBACK Visit(HWND hwnd, LPARAM lParam) {
  auto& search = *reinterpret_cast<TSearch*>(lParam);
  DWORD owner = 0;
  GetWindowThreadProcessId(hwnd, &owner);
  if (owner == search.processId && IsWindowVisible(hwnd)) {
    search.found = hwnd;
    return FALSE;
  }
  return TRUE;
}

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return double(to.QuadPart - from.QuadPart) / double(frequency.QuadPart);
}

// One start: milliseconds until the window is visible and has answered a message (so it has
// finished creating and painting), or a negative value when it never appeared.
double TimeOneStart(const std::string& exe) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  std::string commandLine = "\"" + exe + "\"";
  LARGE_INTEGER start, end;
  QueryPerformanceCounter(&start);
  if (!CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &info))
    return -1;
  TSearch search{info.dwProcessId, nullptr};
  for (int i = 0; i < 20000 && !search.found; ++i) {
    EnumWindows(&Visit, reinterpret_cast<LPARAM>(&search));
    if (!search.found) Sleep(0);
  }
  double ms = -1;
  if (search.found) {
    DWORD_PTR ignored;
    SendMessageTimeoutA(search.found, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &ignored);
    QueryPerformanceCounter(&end);
    ms = Seconds(start, end) * 1000.0;
    PostMessageA(search.found, WM_CLOSE, 0, 0);
  }
  if (WaitForSingleObject(info.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(info.hProcess, 1);
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  return ms;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: StartupBench RUNS EXE...\n");
    return 2;
  }
  const int runs = std::max(1, std::atoi(argv[1]));
  for (int a = 2; a < argc; ++a) {
    std::vector<double> times;
    TimeOneStart(argv[a]);  // warm the file cache and Wine's DLLs
    for (int i = 0; i < runs; ++i) times.push_back(TimeOneStart(argv[a]));
    std::sort(times.begin(), times.end());
    std::printf("%-28s runs %3d  min %7.1f ms  median %7.1f ms  max %7.1f ms\n",
                std::string(argv[a]).substr(std::string(argv[a]).find_last_of("\\/") + 1).c_str(), runs,
                times.front(), times[times.size() / 2], times.back());
  }
  return 0;
}
