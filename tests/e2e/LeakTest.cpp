// A long session in the real window: a thousand page switches and marker clicks, five hundred slider
// moves, a hundred Applies and resizes. The program's GDI objects, user objects, kernel handles and
// private bytes are the same afterwards, within a small margin.
#include <gtest/gtest.h>

#include <windows.h>

#include <psapi.h>
#include <winternl.h>

#include <cstdint>
#include <iostream>
#include <vector>

#include "OptionsWindowFixture.h"

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

TResources Measure(DWORD ProcessId) {
  const TUniqueHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, ProcessId));
  TResources r{};
  r.gdiObjects = static_cast<long>(GetGuiResources(process.Get(), GR_GDIOBJECTS));
  r.userObjects = static_cast<long>(GetGuiResources(process.Get(), GR_USEROBJECTS));
  DWORD handles = 0;
  GetProcessHandleCount(process.Get(), &handles);
  r.kernelHandles = static_cast<long>(handles);
  PROCESS_MEMORY_COUNTERS_EX memory{};
  memory.cb = sizeof memory;
  GetProcessMemoryInfo(process.Get(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory);
  // Wine leaves PrivateUsage 0 and gives the host's anonymous resident memory (RssAnon in
  // /proc/<pid>/status) as PagefileUsage; on Windows both are the private commit charge.
  r.privateKb = static_cast<double>(memory.PrivateUsage ? memory.PrivateUsage : memory.PagefileUsage) / 1024;
  if (UnderWine()) {
    if (r.gdiObjects == 0) r.gdiObjects = WineGdiObjects(process.Get());
    if (r.userObjects == 0) r.userObjects = Windows(ProcessId);
    if (r.kernelHandles == 0) r.kernelHandles = WineKernelHandles(ProcessId);
  }
  return r;
}

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
  // A tenth first, so that what the program makes once and keeps (fonts, pictures, the heap's own
  // growth) is there before the count.
  Tenth();
  switches = markerClicks = sliderMoves = applies = resizes = 0;
  const TResources before = Measure(program->Id());
  for (int tenth = 0; tenth < 10; ++tenth) Tenth();
  const TResources after = Measure(program->Id());

  EXPECT_EQ(switches, 1000);
  EXPECT_EQ(markerClicks, 1000);
  EXPECT_EQ(sliderMoves, 500);
  EXPECT_EQ(Position(idEffectDuration), effect) << "the slider moved, and back";
  EXPECT_EQ(applies, 100);
  EXPECT_EQ(resizes, 100);
  EXPECT_EQ(ReadBytes(SettingsPath()), FileWith({{"search position", std::to_string(999 * 3 % 8)}}))
      << "the last Apply wrote the last marker's position, and the tick as it began";
  std::cout << "Before and after the session:\n"
            << "  GDI objects     " << before.gdiObjects << " -> " << after.gdiObjects << "\n"
            << "  user objects    " << before.userObjects << " -> " << after.userObjects << "\n"
            << "  kernel handles  " << before.kernelHandles << " -> " << after.kernelHandles << "\n"
            << "  private KiB     " << before.privateKb << " -> " << after.privateKb << "\n";
  // The margins leave room for what the program makes on demand and keeps (a brush, a cached font,
  // the heap's pages); a leak in any paint, click, key, Apply or resize exceeds them many times over.
  EXPECT_GT(before.gdiObjects, 0);
  EXPECT_LE(after.gdiObjects, before.gdiObjects + 10);
  EXPECT_GT(before.userObjects, 0);
  EXPECT_LE(after.userObjects, before.userObjects + 2);
  EXPECT_GT(before.kernelHandles, 0);
  EXPECT_LE(after.kernelHandles, before.kernelHandles + 10);
  EXPECT_GT(before.privateKb, 0);
  EXPECT_LE(after.privateKb, before.privateKb + 1024);
  Click(Item(idCancel));
  ExpectExit();
}

}  // namespace
}  // namespace px2d::e2e
