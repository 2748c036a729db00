// A long session in the real window: a thousand page switches and marker clicks, five hundred slider
// moves, a hundred Applies and resizes. The program's GDI objects, user objects, kernel handles and
// private bytes are the same afterwards, within a small margin.
#include <gtest/gtest.h>

#include <windows.h>

#include <psapi.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <algorithm>
#include <cstdint>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "OptionsWindowFixture.h"
#include "support/AppTheme.h"
#include "support/Wait.h"

namespace px2d::e2e {
namespace {

bool UnderWine() { return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr; }

// Under Wine, GetGuiResources answers 0 for everything. Wine keeps each process's GDI objects in a
// table of the process's own, found through its PEB as on Windows (GdiSharedHandleTable); an entry
// whose type is not 0 holds a live object. Windows shares its table between processes and counts
// for GetGuiResources, so this is read under Wine only.
long WineGdiObjects(HANDLE Process) {
  struct TEntry {  // Wine's GDI_HANDLE_ENTRY
    std::uint64_t Object;
    std::uint32_t Owner;
    std::uint16_t Unique;
    std::uint8_t Type, Flags;
    std::uint64_t UserPointer;
  };
  static_assert(sizeof(TEntry) == 24);
  constexpr std::size_t kEntries = 0x10000;  // GDI_MAX_HANDLE_COUNT
  constexpr std::size_t kTableInPeb = 0xF8;  // PEB64.GdiSharedHandleTable
  using TQuery = NTSTATUS(NTAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
  const auto query = reinterpret_cast<TQuery>(reinterpret_cast<void (*)()>(
      GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
  PROCESS_BASIC_INFORMATION basic{};
  std::uint64_t table = 0;
  std::vector<TEntry> entries(kEntries);
  if (!query || query(Process, ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0 ||
      !ReadProcessMemory(Process, static_cast<char*>(static_cast<void*>(basic.PebBaseAddress)) + kTableInPeb,
                         &table, sizeof table, nullptr) ||
      !table ||
      !ReadProcessMemory(Process, reinterpret_cast<void*>(table), entries.data(),
                         entries.size() * sizeof(TEntry), nullptr))
    return -1;
  long count = 0;
  for (const TEntry& e : entries) count += e.Type != 0;
  return count;
}

// Under Wine, GetProcessHandleCount answers 0; the system's list of every open handle, which Wine
// keeps in its server, counts them.
long WineKernelHandles(DWORD ProcessId) {
  struct TEntry {  // SYSTEM_HANDLE_TABLE_ENTRY_INFO
    USHORT ProcessId, CreatorBackTraceIndex;
    UCHAR ObjectTypeIndex, HandleAttributes;
    USHORT HandleValue;
    PVOID Object;
    ULONG GrantedAccess;
  };
  using TQuery = NTSTATUS(NTAPI*)(ULONG, PVOID, ULONG, PULONG);
  const auto query = reinterpret_cast<TQuery>(reinterpret_cast<void (*)()>(
      GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
  constexpr ULONG kSystemHandleInformation = 16;
  std::vector<std::uint8_t> buffer(1 << 16);
  ULONG needed = 0;
  NTSTATUS status = 0;
  while (query &&
         (status = query(kSystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()),
                         &needed)) == static_cast<NTSTATUS>(0xC0000004L))  // STATUS_INFO_LENGTH_MISMATCH
    buffer.resize(buffer.size() * 2);
  if (!query || status != 0) return -1;
  const ULONG count = *reinterpret_cast<const ULONG*>(buffer.data());
  const auto* entries = reinterpret_cast<const TEntry*>(buffer.data() + sizeof(ULONG_PTR));
  long handles = 0;
  for (ULONG i = 0; i < count; ++i) handles += entries[i].ProcessId == static_cast<USHORT>(ProcessId);
  return handles;
}

// The process's windows, top-level and child: its user objects as Wine can count them.
long Windows(DWORD ProcessId) {
  struct TCount {
    DWORD processId;
    long count = 0;
  } search{ProcessId};
  EnumWindows(
      [](HWND hwnd, LPARAM lParam) -> BOOL {
        auto& s = *reinterpret_cast<TCount*>(lParam);
        DWORD owner = 0;
        GetWindowThreadProcessId(hwnd, &owner);
        if (owner != s.processId) return TRUE;
        ++s.count;
        EnumChildWindows(
            hwnd,
            [](HWND, LPARAM l) -> BOOL {
              ++*reinterpret_cast<long*>(l);
              return TRUE;
            },
            reinterpret_cast<LPARAM>(&s.count));
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.count;
}

struct TResources {
  long gdiObjects, userObjects, kernelHandles;
  double privateKb;
};

// The memory first: under Wine, reading the GDI table of another process makes pages of it
// resident in that process for a moment (up to a few dozen KiB, given back later), and the first read
// makes resident for good the pages of the table that the process never touched (1.5 MiB).
TResources Measure(DWORD ProcessId) {
  const TUniqueHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, ProcessId));
  TResources r{};
  PROCESS_MEMORY_COUNTERS_EX memory{};
  memory.cb = sizeof memory;
  GetProcessMemoryInfo(process.Get(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory);
  // Wine leaves PrivateUsage 0 and gives the host's anonymous resident memory (RssAnon in
  // /proc/<pid>/status) as PagefileUsage; on Windows both are the private commit charge.
  r.privateKb = static_cast<double>(memory.PrivateUsage ? memory.PrivateUsage : memory.PagefileUsage) / 1024;
  r.gdiObjects = static_cast<long>(GetGuiResources(process.Get(), GR_GDIOBJECTS));
  r.userObjects = static_cast<long>(GetGuiResources(process.Get(), GR_USEROBJECTS));
  DWORD handles = 0;
  GetProcessHandleCount(process.Get(), &handles);
  r.kernelHandles = static_cast<long>(handles);
  if (UnderWine()) {
    if (r.gdiObjects == 0) r.gdiObjects = WineGdiObjects(process.Get());
    if (r.userObjects == 0) r.userObjects = Windows(ProcessId);
    if (r.kernelHandles == 0) r.kernelHandles = WineKernelHandles(ProcessId);
  }
  return r;
}

// The growth of a series of samples per step: the median of the growth from each sample to the
// next. A step made once moves one of them; a leak moves every one.
double GrowthPerStep(const std::vector<double>& Samples) {
  std::vector<double> steps;
  for (std::size_t i = 1; i < Samples.size(); ++i) steps.push_back(Samples[i] - Samples[i - 1]);
  std::sort(steps.begin(), steps.end());
  const std::size_t n = steps.size();
  return n == 0 ? 0 : n % 2 ? steps[n / 2] : (steps[n / 2 - 1] + steps[n / 2]) / 2;
}

// The bytes that the program's heaps hand out, counted inside it: the probe library is loaded into
// the program with a thread of the test's making, and each count is another such thread, whose exit
// code is the answer. The system's libraries sit at the same address in every process.
class THeapProbe {
 public:
  explicit THeapProbe(DWORD ProcessId)
      : FProcess(OpenProcess(PROCESS_CREATE_THREAD | PROCESS_QUERY_INFORMATION | PROCESS_VM_OPERATION |
                                 PROCESS_VM_READ | PROCESS_VM_WRITE,
                             FALSE, ProcessId)) {
    const std::wstring program = ProgramPath();
    const std::wstring path = program.substr(0, program.find_last_of(L'\\') + 1) + PX2D_HEAP_PROBE_DLL;
    const SIZE_T size = (path.size() + 1) * sizeof(wchar_t);
    void* remotePath =
        VirtualAllocEx(FProcess.Get(), nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (!remotePath || !WriteProcessMemory(FProcess.Get(), remotePath, path.c_str(), size, nullptr)) return;
    const auto loadLibrary = reinterpret_cast<LPTHREAD_START_ROUTINE>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "LoadLibraryW")));
    if (!Run(loadLibrary, remotePath)) return;
    VirtualFreeEx(FProcess.Get(), remotePath, 0, MEM_RELEASE);
    // Where the library landed there, and where its count sits in it, as loaded here.
    const HMODULE here = LoadLibraryW(path.c_str());
    const auto count = reinterpret_cast<const char*>(GetProcAddress(here, "BusyHeapBytes"));
    const TUniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, ProcessId));
    MODULEENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = snapshot && Module32FirstW(snapshot.Get(), &entry); more;
         more = Module32NextW(snapshot.Get(), &entry))
      if (here && count && _wcsicmp(entry.szExePath, path.c_str()) == 0)
        FCount = reinterpret_cast<LPTHREAD_START_ROUTINE>(
            reinterpret_cast<void (*)()>(entry.modBaseAddr + (count - reinterpret_cast<const char*>(here))));
    if (here) FreeLibrary(here);
  }
  bool Loaded() const { return FCount != nullptr; }
  // The busy bytes of every heap of the program; nothing when it could not be counted.
  std::optional<double> BusyKb() const {
    if (!FCount) return std::nullopt;
    const std::optional<DWORD> bytes = Run(FCount, nullptr);
    if (!bytes) return std::nullopt;
    return *bytes / 1024.0;
  }

 private:
  std::optional<DWORD> Run(LPTHREAD_START_ROUTINE Routine, void* Argument) const {
    const TUniqueHandle thread(CreateRemoteThread(FProcess.Get(), nullptr, 0, Routine, Argument, 0, nullptr));
    DWORD code = 0;
    if (!thread || WaitForSingleObject(thread.Get(), 10000) != WAIT_OBJECT_0 ||
        !GetExitCodeThread(thread.Get(), &code) || code == 0)
      return std::nullopt;
    return code;
  }

  TUniqueHandle FProcess;
  LPTHREAD_START_ROUTINE FCount = nullptr;
};

// Paints at once what the window and every window in it have to paint: each paint draws with GDI
// and GDI+ objects of its own, and a leak in it shows only if it runs.
void PaintNow(HWND Window) { RedrawWindow(Window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN); }

class LongSession : public OptionsWindow {
 public:
  // Sent, so that the control has handled it when this returns.
  void Send(int Id, UINT Message, WPARAM wParam = 0, LPARAM lParam = 0) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(Item(Id), Message, wParam, lParam, SMTO_NORMAL, 10000, &ignored);
  }
  void PressButton(int Id) {
    Send(Id, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    Send(Id, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
  }
  void SwitchTo(int Page, bool Paint = true) {
    PressButton(idPageButton + Page);
    if (Paint) PaintNow(window);
    ++switches;
  }
  // One tenth of the session: a hundred marker clicks on the search page and fifty slider moves on
  // the animation page, each painted before the next; a hundred page switches in all (the glass
  // buttons repaint themselves on every click; the page is painted for one switch in ten); ten edits
  // that Apply saves, and ten resizes, larger and back in turn, every other one painted.
  void Tenth() {
    SwitchTo(4, false);  // painted with the first marker
    for (int i = 0; i < 100; ++i) {
      PressButton(idMarker + markerClicks * 3 % 8);
      PaintNow(window);
      ++markerClicks;
    }
    SwitchTo(5, false);  // painted with the first move
    for (int i = 0; i < 50; ++i) {
      // A user's key on the slider: right and left in turn, so that it ends where it began.
      Send(idEffectDuration, WM_KEYDOWN, sliderMoves % 2 ? VK_LEFT : VK_RIGHT, 1);
      Send(idEffectDuration, WM_KEYUP, sliderMoves % 2 ? VK_LEFT : VK_RIGHT, 0xC0000001);
      PaintNow(window);
      ++sliderMoves;
    }
    for (int i = 0; i < 98; ++i) {
      const bool tenth = i % 10 == 0;
      SwitchTo(i % 6, tenth);
      if (!tenth) continue;
      Send(idRunWithWindows, BM_CLICK);
      Send(idApply, BM_CLICK);
      EXPECT_FALSE(ApplyEnabled()) << "Apply " << applies;
      ++applies;
      RECT r;
      GetWindowRect(window, &r);
      const int grow = resizes % 2 ? -60 : 60;
      SetWindowPos(window, nullptr, 0, 0, r.right - r.left + grow, r.bottom - r.top + grow * 2 / 3,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
      if (resizes % 2 == 0) PaintNow(window);
      ++resizes;
    }
  }

  int switches = 0, markerClicks = 0, sliderMoves = 0, applies = 0, resizes = 0;
};

TEST_F(LongSession, LeavesObjectsHandlesAndMemoryAsTheyWere) {
  Start(FileWith());
  const int effect = Position(idEffectDuration);
  const THeapProbe heaps(program->Id());
  ASSERT_TRUE(heaps.Loaded()) << "the probe counts the program's heaps from inside";
  // A tenth first, and a first measurement, so that what the program makes once and keeps (fonts,
  // pictures, the heap's own growth, the pages that measuring touches) is there before the count.
  Tenth();
  Measure(program->Id());
  switches = markerClicks = sliderMoves = applies = resizes = 0;
  const TResources before = Measure(program->Id());
  std::vector<double> privateKb{before.privateKb}, busyKb{heaps.BusyKb().value_or(-1)};
  for (int tenth = 0; tenth < 10; ++tenth) {
    Tenth();
    privateKb.push_back(Measure(program->Id()).privateKb);
    busyKb.push_back(heaps.BusyKb().value_or(-1));
  }
  const TResources after = Measure(program->Id());

  EXPECT_EQ(switches, 1000);
  EXPECT_EQ(markerClicks, 1000);
  EXPECT_EQ(sliderMoves, 500);
  EXPECT_EQ(Position(idEffectDuration), effect) << "the slider moved, and back";
  EXPECT_EQ(applies, 100);
  EXPECT_EQ(resizes, 100);
  EXPECT_EQ(ReadBytes(SettingsPath()), FileWith({{"search position", std::to_string(999 * 3 % 8)}}))
      << "the last Apply wrote the last marker's position, and the tick as it began";
  const double privateGrowth = GrowthPerStep(privateKb), busyGrowth = GrowthPerStep(busyKb);
  std::cout << "Before and after the session:\n"
            << "  GDI objects     " << before.gdiObjects << " -> " << after.gdiObjects << "\n"
            << "  user objects    " << before.userObjects << " -> " << after.userObjects << "\n"
            << "  kernel handles  " << before.kernelHandles << " -> " << after.kernelHandles << "\n"
            << "After each tenth:\n  private KiB     ";
  for (double kb : privateKb) std::cout << kb << " ";
  std::cout << "\n  heap busy KiB   ";
  for (double kb : busyKb) std::cout << kb << " ";
  std::cout << "\n  growth a tenth  private " << privateGrowth << " KiB, heap busy " << busyGrowth
            << " KiB\n";
  // The margins leave room for what the program makes on demand and keeps (a brush, a cached font);
  // a leak in any paint, click, key, Apply or resize exceeds them many times over.
  EXPECT_GT(before.gdiObjects, 0);
  EXPECT_LE(after.gdiObjects, before.gdiObjects + 10);
  EXPECT_GT(before.userObjects, 0);
  EXPECT_LE(after.userObjects, before.userObjects + 2);
  EXPECT_GT(before.kernelHandles, 0);
  EXPECT_LE(after.kernelHandles, before.kernelHandles + 10);
  // Memory is judged by its trend over the tenths: a leak grows every tenth alike. The smallest leak
  // that must show, 256 bytes for each of a tenth's 50 slider keys, adds 12.5 KiB a tenth to what the
  // heaps hand out, which stays flat to the byte otherwise (measured under Wine); 256 bytes a click
  // (200 a tenth) or a paint, or 4 KiB an Apply or resize (10 each a tenth), far more. Resident memory
  // also counts what no heap hands out, such as the platform's own memory outside the program's heaps,
  // and that settles by a page or two a tenth, less and less (a median of 4 to 8 KiB measured under
  // Wine); 4 KiB of it an Apply or resize adds 40 KiB a tenth.
  constexpr double kBusyLeakKbPerTenth = 2, kPrivateLeakKbPerTenth = 20;
  for (double kb : busyKb) ASSERT_GE(kb, 0) << "every count of the heaps answered";
  EXPECT_LE(busyGrowth, kBusyLeakKbPerTenth) << "the heaps hand out more with every tenth";
  EXPECT_GT(before.privateKb, 0);
  EXPECT_LE(privateGrowth, kPrivateLeakKbPerTenth) << "private memory grows with every tenth";
  Click(Item(idCancel));
  ExpectExit();
}

// Windows' app theme switched twenty times there and back while the program runs, as the system
// broadcasts it. The program starts dark when the theme is dark and its pages turn with each switch;
// after the twenty, its GDI objects and the bytes its heaps hand out are where they were after the
// first switch there and back (by the same counts as the long session).
TEST_F(LongSession, TwentyAppThemeSwitchesLeaveObjectsAndHeapWhereTheFirstLeftThem) {
  test::TAppTheme theme;
  theme.Set(true);
  Start(FileWith());
  // A spot of the first page where nothing is drawn but the page, as the screen shows it.
  const auto pageLuminance = [&] {
    PaintNow(window);
    RECT client;
    GetClientRect(window, &client);
    POINT spot{client.right - 10, client.bottom - 80};
    ClientToScreen(window, &spot);
    HDC screen = GetDC(nullptr);
    const COLORREF c = GetPixel(screen, spot.x, spot.y);
    ReleaseDC(nullptr, screen);
    return (0.2126 * GetRValue(c) + 0.7152 * GetGValue(c) + 0.0722 * GetBValue(c)) / 255;
  };
  const auto pageIs = [&](bool Dark) {
    return test::WaitUntil([&] { return Dark ? pageLuminance() < 0.2 : pageLuminance() > 0.8; });
  };
  EXPECT_TRUE(pageIs(true)) << "started dark";
  const THeapProbe heaps(program->Id());
  ASSERT_TRUE(heaps.Loaded()) << "the probe counts the program's heaps from inside";
  const auto switchThereAndBack = [&] {
    theme.Set(false);
    EXPECT_TRUE(pageIs(false)) << "switched to light";
    theme.Set(true);
    EXPECT_TRUE(pageIs(true)) << "switched to dark";
  };
  switchThereAndBack();
  Measure(program->Id());
  const TResources before = Measure(program->Id());
  const std::optional<double> busyBefore = heaps.BusyKb();
  for (int i = 0; i < 20; ++i) switchThereAndBack();
  const TResources after = Measure(program->Id());
  const std::optional<double> busyAfter = heaps.BusyKb();
  ASSERT_TRUE(busyBefore && busyAfter) << "the heaps were counted";
  std::cout << "After the first switch and after twenty more:\n"
            << "  GDI objects     " << before.gdiObjects << " -> " << after.gdiObjects << "\n"
            << "  heap busy KiB   " << *busyBefore << " -> " << *busyAfter << "\n";
  // A switch makes nothing that it keeps: the glass faces it forgets are drawn again once, at the
  // size they were. A leak of one object or 100 bytes a switch shows 20 or 2 KiB.
  EXPECT_GT(before.gdiObjects, 0);
  EXPECT_LE(after.gdiObjects, before.gdiObjects + 2);
  EXPECT_LE(*busyAfter, *busyBefore + 1);
  Click(Item(idCancel));
  ExpectExit();
}

}  // namespace
}  // namespace px2d::e2e
