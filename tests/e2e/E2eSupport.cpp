#include "E2eSupport.h"

#include "framework/SysUtils.h"

#include <aclapi.h>
#include <gtest/gtest.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <utility>

namespace px2d::e2e {

std::wstring ProgramPath() {
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  const std::wstring path = self;
  return path.substr(0, path.find_last_of(L'\\') + 1) + PX2D_EXE_NAME;
}

TProcess::TProcess(const std::wstring& path, const std::wstring& currentFolder,
                   const std::wstring& arguments) {
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  std::wstring commandLine = L"\"" + path + L"\"";
  if (!arguments.empty()) commandLine += L" " + arguments;
  if (!test::StartProgram(
          [&] {
            return CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                  currentFolder.empty() ? nullptr : currentFolder.c_str(), &startup, &FInfo);
          },
          "the program"))
    throw std::runtime_error("cannot start the program: error " + std::to_string(GetLastError()));
}

TProcess::TProcess(TProcess&& other) noexcept : FInfo(std::exchange(other.FInfo, PROCESS_INFORMATION{})) {}

TProcess::~TProcess() {
  if (!FInfo.hProcess) return;
  if (!WaitExit(0)) Kill();
  CloseHandle(FInfo.hThread);
  CloseHandle(FInfo.hProcess);
}

std::optional<DWORD> TProcess::WaitExit(DWORD milliseconds) const {
  if (WaitForSingleObject(FInfo.hProcess, milliseconds) != WAIT_OBJECT_0) return std::nullopt;
  DWORD code = 0;
  GetExitCodeProcess(FInfo.hProcess, &code);
  return code;
}

void TProcess::Kill() {
  TerminateProcess(FInfo.hProcess, 99);
  WaitForSingleObject(FInfo.hProcess, 10000);
}

namespace {

struct TSearch {
  DWORD processId;
  const char* className;
  const char* caption;
  HWND found = nullptr;
  int count = 0;
};

BOOL CALLBACK Visit(HWND hwnd, LPARAM lParam) {
  auto& search = *reinterpret_cast<TSearch*>(lParam);
  DWORD owner = 0;
  GetWindowThreadProcessId(hwnd, &owner);
  if (owner != search.processId || !IsWindowVisible(hwnd)) return TRUE;
  char name[128] = {};
  GetClassNameA(hwnd, name, sizeof name);
  if (std::string(name) != search.className) return TRUE;
  if (search.caption) {
    char text[256] = {};
    GetWindowTextA(hwnd, text, sizeof text);
    if (std::string(text) != search.caption) return TRUE;
  }
  ++search.count;
  if (!search.found) search.found = hwnd;
  return TRUE;
}

}  // namespace

HWND FindProcessWindow(DWORD processId, const char* className, const char* caption, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  do {
    TSearch search{processId, className, caption};
    EnumWindows(&Visit, reinterpret_cast<LPARAM>(&search));
    if (search.found) return search.found;
    Sleep(20);
  } while (GetTickCount() - start < timeoutMs);
  return nullptr;
}

int CountProcessWindows(DWORD processId, const char* className) {
  TSearch search{processId, className, nullptr};
  EnumWindows(&Visit, reinterpret_cast<LPARAM>(&search));
  return search.count;
}

std::vector<TAccessEntry> AccessControlEntries(HANDLE object) {
  std::vector<TAccessEntry> entries;
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetSecurityInfo(object, SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl, nullptr,
                      &descriptor) != ERROR_SUCCESS)
    return entries;
  HANDLE token = nullptr;
  alignas(8) BYTE user[256] = {};
  DWORD size = 0;
  if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
    const TUniqueHandle owned(token);
    GetTokenInformation(token, TokenUser, user, sizeof user, &size);
  }
  const PSID self = reinterpret_cast<TOKEN_USER*>(user)->User.Sid;
  for (DWORD i = 0; dacl && i < dacl->AceCount; ++i) {
    void* ace = nullptr;
    if (!GetAce(dacl, i, &ace)) continue;
    const auto* header = static_cast<const ACE_HEADER*>(ace);
    // The allowed and denied entries keep their SID at the same place.
    const PSID sid = &static_cast<ACCESS_ALLOWED_ACE*>(ace)->SidStart;
    entries.push_back({header->AceType == ACCESS_ALLOWED_ACE_TYPE, self && EqualSid(sid, self) != FALSE});
  }
  LocalFree(descriptor);
  return entries;
}

std::vector<std::wstring> ProcessModules(DWORD processId) {
  std::vector<std::wstring> modules;
  const TUniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, processId));
  if (!snapshot) return modules;
  MODULEENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Module32FirstW(snapshot.Get(), &entry); more; more = Module32NextW(snapshot.Get(), &entry))
    modules.push_back(entry.szExePath);
  return modules;
}

std::optional<TInstanceRecord> ReadRecord(const std::wstring& path) {
  HANDLE mapping = OpenFileMappingW(FILE_MAP_READ, FALSE, RecordName(path).c_str());
  if (!mapping) return std::nullopt;
  std::optional<TInstanceRecord> record;
  if (void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, sizeof(TInstanceRecord))) {
    record = *static_cast<const TInstanceRecord*>(view);
    UnmapViewOfFile(view);
  }
  CloseHandle(mapping);
  return record;
}

TUserOnlyRecord::TUserOnlyRecord(const std::wstring& path, DWORD access) {
  TUserOnlySecurity security(access);
  FMapping = TUniqueHandle(CreateFileMappingW(INVALID_HANDLE_VALUE, security.Attributes(), PAGE_READWRITE, 0,
                                              sizeof(TInstanceRecord), RecordName(path).c_str()));
  if (FMapping)
    FView = TMappedView(
        MapViewOfFile(FMapping.Get(), FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, sizeof(TInstanceRecord)));
}

std::string SettingsFolder() { return AppDataFolder() + "\\Brightfallow\\Panoplex2D"; }
std::string SettingsPath() { return SettingsFolder() + "\\Panoplex2D.conf"; }

std::optional<std::string> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  CreateDirectoryA((AppDataFolder() + "\\Brightfallow").c_str(), nullptr);
  CreateDirectoryA((AppDataFolder() + "\\Brightfallow\\Panoplex2D").c_str(), nullptr);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

namespace {
struct TIdSearch {
  int id;
  HWND found = nullptr;
};
BOOL CALLBACK VisitChild(HWND hwnd, LPARAM lParam) {
  auto& search = *reinterpret_cast<TIdSearch*>(lParam);
  if (GetDlgCtrlID(hwnd) != search.id) return TRUE;
  search.found = hwnd;
  return FALSE;
}
}  // namespace

HWND FindChild(HWND Root, int Id) {
  TIdSearch search{Id};
  EnumChildWindows(Root, &VisitChild, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::string WindowText(HWND Window) {
  char text[512] = {};
  GetWindowTextA(Window, text, sizeof text);
  return text;
}

namespace {
// Returns once the thread of Window has handled the input just given. A window that is still there
// and did not get that far in time fails the test here: a later check that something did not happen
// would otherwise pass without the input having reached the program. A window that the input
// closed has handled it.
void ExpectInputHandled(HWND Window, const char* What) {
  if (!test::RoundTrips(Window) && IsWindow(Window))
    ADD_FAILURE() << "the program did not answer after the " << What;
  else if (!test::InputHandled(Window))
    ADD_FAILURE() << "the program did not handle the " << What << " in time";
}
}  // namespace

void ClickAt(HWND Window, int X, int Y) {
  POINT p{X, Y};
  ClientToScreen(Window, &p);
  SetCursorPos(p.x, p.y);
  // Every event carries the point itself: the program's thread may still turn the pointer's earlier
  // moves on the display into moves of the cursor, and a press taken where the cursor is then would
  // land elsewhere.
  const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  INPUT input[3] = {};
  const DWORD buttons[3] = {0, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP};
  for (int i = 0; i < 3; ++i) {
    input[i].type = INPUT_MOUSE;
    input[i].mi.dx = MulDiv(p.x, 65535, width - 1);
    input[i].mi.dy = MulDiv(p.y, 65535, height - 1);
    input[i].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | buttons[i];
  }
  SendInput(3, input, sizeof(INPUT));
  ExpectInputHandled(Window, "click");
}

void Click(HWND Window) {
  RECT r;
  GetClientRect(Window, &r);
  ClickAt(Window, r.right / 2, r.bottom / 2);
}

void Press(std::initializer_list<WORD> Keys) {
  std::vector<INPUT> input;
  for (WORD key : Keys) {
    INPUT i{};
    i.type = INPUT_KEYBOARD;
    i.ki.wVk = key;
    input.push_back(i);
  }
  for (auto it = std::rbegin(Keys); it != std::rend(Keys); ++it) {
    INPUT i{};
    i.type = INPUT_KEYBOARD;
    i.ki.wVk = *it;
    i.ki.dwFlags = KEYEVENTF_KEYUP;
    input.push_back(i);
  }
  SendInput(static_cast<UINT>(input.size()), input.data(), sizeof(INPUT));
  // The keys go to the window with the focus, in the foreground.
  if (HWND target = GetForegroundWindow()) ExpectInputHandled(target, "keys");
}

TSwitcherStandIn::TSwitcherStandIn() {
  char folder[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, folder);
  FLog = std::string(folder) + "px2d-switcher-stand-in.log";
  DeleteFileA(FLog.c_str());
  const std::wstring program = ProgramPath();
  const std::wstring exe = program.substr(0, program.find_last_of(L'\\') + 1) + L"SwitcherStandIn.exe";
  FProcess.emplace(exe, std::wstring(),
                   L"\"" + AnsiToWide(FLog) + L"\" \"" + AnsiToWide(SettingsPath()) + L"\"");
  // Its own window, not one that an earlier run may have left behind.
  for (int i = 0; i < 500 && !FWindow; ++i) {
    for (HWND w = FindWindowA("PanoplexSwitcherStandIn", nullptr); w && !FWindow;
         w = FindWindowExA(nullptr, w, "PanoplexSwitcherStandIn", nullptr)) {
      DWORD owner = 0;
      GetWindowThreadProcessId(w, &owner);
      if (owner == FProcess->Id()) FWindow = w;
    }
    if (!FWindow) Sleep(10);
  }
  if (!FWindow) throw std::runtime_error("the switcher stand-in did not start");
}

TSwitcherStandIn::~TSwitcherStandIn() {
  if (FWindow) PostMessageA(FWindow, WM_CLOSE, 0, 0);
  if (FProcess) FProcess->WaitExit(5000);
  DeleteFileA(FLog.c_str());
}

std::vector<TSwitcherStandIn::TMessage> TSwitcherStandIn::Messages(HWND Program) const {
  DWORD_PTR ignored = 0;
  // The program answers only once the handler it runs has returned: its messages are posted.
  if (Program) SendMessageTimeoutA(Program, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &ignored);
  // A marker posted now comes after them in the stand-in's queue.
  const unsigned marker = ++FMarker;
  PostMessageA(FWindow, WM_APP, marker, 0);
  const std::string seen = "marker " + std::to_string(marker);
  for (int i = 0; i < 1000; ++i) {
    const auto log = ReadBytes(FLog);
    if (log && log->find(seen) != std::string::npos) break;
    Sleep(10);
  }
  std::vector<TMessage> messages;
  std::ifstream in(FLog);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("marker ", 0) == 0) continue;
    std::istringstream fields(line);
    TMessage m{};
    long size = -1;
    std::string hex;
    fields >> m.wParam >> m.lParam >> size >> hex;
    if (size >= 0) {
      std::string bytes;
      for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
      m.file = bytes;
    }
    messages.push_back(m);
  }
  return messages;
}

}  // namespace px2d::e2e
