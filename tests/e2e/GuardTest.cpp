// One copy per executable: the real program started as separate processes under Wine.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "E2eSupport.h"

namespace px2d::e2e {
namespace {

constexpr const char* kCaption = "Panoplex 2D Options";
constexpr DWORD kWindowWait = 20000;

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

class Guard : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(ReadRecord(ProgramPath())) << "a copy from an earlier test still runs";
  }
};

TEST_F(Guard, FirstStartRegistersItsWindowAndClosingCountsItOut) {
  TProcess first(ProgramPath());
  HWND window = FindProcessWindow(first.Id(), "TForm1", kCaption, kWindowWait);
  ASSERT_TRUE(window);
  RECT client{};
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, 590);
  EXPECT_EQ(client.bottom, 556);

  // Hold the record open, as another copy would, to read the count after the program ends.
  HANDLE mapping = OpenFileMappingW(FILE_MAP_READ, FALSE, RecordName(ProgramPath()).c_str());
  ASSERT_TRUE(mapping);
  auto* record = static_cast<const TInstanceRecord*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 8));
  ASSERT_TRUE(record);
  EXPECT_EQ(record->Count, 1);
  EXPECT_EQ(record->Handle, HandleToLong(window));

  PostMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(first.WaitExit(10000), 0u);
  EXPECT_EQ(record->Count, 0);
  UnmapViewOfFile(record);
  CloseHandle(mapping);
  EXPECT_FALSE(ReadRecord(ProgramPath()));
}

// What the record names each time the program makes or shows a window: heard through the events
// that assistive technology hears, on this thread, while it waits for them.
std::vector<std::int32_t> RecordHandles;
void CALLBACK SampleRecord(HWINEVENTHOOK, DWORD, HWND, LONG, LONG, DWORD, DWORD) {
  if (const auto record = ReadRecord(ProgramPath()))
    if (RecordHandles.empty() || RecordHandles.back() != record->Handle)
      RecordHandles.push_back(record->Handle);
}

// Until the options window exists the record names no window: a copy refused in that moment
// must not take anything else the record might hold for a window.
TEST_F(Guard, RecordNamesNoWindowUntilTheWindowExists) {
  RecordHandles.clear();
  // Started suspended, so that the hook is in place before the program makes its first window.
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  std::wstring commandLine = L"\"" + ProgramPath() + L"\"";
  ASSERT_TRUE(test::StartProgram(
      [&] {
        return CreateProcessW(ProgramPath().c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                              CREATE_SUSPENDED, nullptr, nullptr, &startup, &info);
      },
      "the program"));
  const TUniqueHandle process(info.hProcess), thread(info.hThread);
  const HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_SHOW, nullptr, &SampleRecord,
                                             info.dwProcessId, 0, WINEVENT_OUTOFCONTEXT);
  ASSERT_TRUE(hook);
  ResumeThread(info.hThread);
  // Waits for the events, each bounded: until the record names a window of the program.
  HWND window = nullptr;
  for (const DWORD start = GetTickCount(); !window && GetTickCount() - start < kWindowWait;) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    if (RecordHandles.empty() || RecordHandles.back() == 0) continue;
    DWORD owner = 0;
    const HWND named = static_cast<HWND>(LongToHandle(RecordHandles.back()));
    if (GetWindowThreadProcessId(named, &owner) && owner == info.dwProcessId) window = named;
  }
  UnhookWinEvent(hook);
  ASSERT_TRUE(window);
  EXPECT_EQ(RecordHandles.front(), 0) << "the record named no window while the program made its first";
  for (const std::int32_t handle : RecordHandles)
    EXPECT_TRUE(handle == 0 || handle == HandleToLong(window)) << handle;
  EXPECT_EQ(FindProcessWindow(info.dwProcessId, "TForm1", kCaption, kWindowWait), window);
  EXPECT_EQ(ReadRecord(ProgramPath())->Count, 1);
  PostMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(WaitForSingleObject(info.hProcess, 10000), WAIT_OBJECT_0);
}

TEST_F(Guard, SecondStartIsRefusedAndBringsTheFirstForward) {
  TProcess first(ProgramPath());
  HWND window = FindProcessWindow(first.Id(), "TForm1", kCaption, kWindowWait);
  ASSERT_TRUE(window);
  ShowWindow(window, SW_MINIMIZE);
  ASSERT_TRUE(IsIconic(window));
  // The running copy has read its settings; a refused copy must not make the folder again.
  RemoveTree(SettingsFolder());

  TProcess second(ProgramPath());
  EXPECT_EQ(second.WaitExit(10000), 0u);
  EXPECT_EQ(CountProcessWindows(second.Id(), "TForm1"), 0);
  EXPECT_FALSE(Exists(SettingsFolder()));
  EXPECT_FALSE(IsIconic(window));
  const auto record = ReadRecord(ProgramPath());
  ASSERT_TRUE(record);
  EXPECT_EQ(record->Count, 1);
  EXPECT_EQ(record->Handle, HandleToLong(window));
  PostMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(first.WaitExit(10000), 0u);
}

// A copy that finds the record must go on with the handle it was given: the name may no longer
// open by then (a copy that ends in between takes the record with it). A record that this user
// may open for reading and writing, but not by name with full access, stands in for that moment,
// left by a copy that has counted itself out and not yet closed it.
TEST_F(Guard, CopyThatCannotReopenTheRecordUsesTheHandleItHas) {
  TUserOnlyRecord held(ProgramPath(),
                       STANDARD_RIGHTS_REQUIRED | SECTION_QUERY | SECTION_MAP_READ | SECTION_MAP_WRITE);
  ASSERT_TRUE(held.Record());
  ASSERT_FALSE(OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, RecordName(ProgramPath()).c_str()));

  TProcess copy(ProgramPath());
  HWND window = FindProcessWindow(copy.Id(), "TForm1", kCaption, kWindowWait);
  ASSERT_TRUE(window);
  EXPECT_EQ(held.Record()->Count, 1);
  EXPECT_EQ(held.Record()->Handle, HandleToLong(window));
  PostMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(copy.WaitExit(10000), 0u);
  EXPECT_EQ(held.Record()->Count, 0);
}

// The record and the lock live in the session's own namespace, and only this user may open the
// record. (The lock exists only while a copy takes its turn, too briefly to be looked at here.)
TEST_F(Guard, RecordAndLockAreTheUsersAlone) {
  EXPECT_EQ(RecordName(ProgramPath()).rfind(L"Local\\", 0), 0u);
  EXPECT_EQ(GuardLockName(ProgramPath()).rfind(L"Local\\", 0), 0u);
  EXPECT_NE(GuardLockName(ProgramPath()), RecordName(ProgramPath()));
  TProcess first(ProgramPath());
  HWND window = FindProcessWindow(first.Id(), "TForm1", kCaption, kWindowWait);
  ASSERT_TRUE(window);
  const TUniqueHandle record(OpenFileMappingW(READ_CONTROL, FALSE, RecordName(ProgramPath()).c_str()));
  ASSERT_TRUE(record);
  const auto entries = AccessControlEntries(record.Get());
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_TRUE(entries[0].Allowed);
  EXPECT_TRUE(entries[0].ForThisUser);
  PostMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(first.WaitExit(10000), 0u);
}

TEST_F(Guard, KilledCopyLeavesNothingBehind) {
  {
    TProcess first(ProgramPath());
    ASSERT_TRUE(FindProcessWindow(first.Id(), "TForm1", kCaption, kWindowWait));
    first.Kill();
  }
  EXPECT_FALSE(ReadRecord(ProgramPath()));
  TProcess again(ProgramPath());
  HWND window = FindProcessWindow(again.Id(), "TForm1", kCaption, kWindowWait);
  ASSERT_TRUE(window);
  EXPECT_EQ(ReadRecord(ProgramPath())->Count, 1);
  PostMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(again.WaitExit(10000), 0u);
}

// Each copy is known by its path as the system gives it, whatever characters name the folders:
// folders whose names differ only in letters that no ANSI code page holds are still two copies.
TEST_F(Guard, CopiesInDifferentFoldersRunSideBySide) {
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::wstring folders[] = {std::wstring(temp) + L"px2d guard copy",
                                  std::wstring(temp) + L"px2d guard \u0D9A",
                                  std::wstring(temp) + L"px2d guard \u1200"};
  std::vector<std::wstring> paths = {ProgramPath()};
  for (const auto& folder : folders) {
    CreateDirectoryW(folder.c_str(), nullptr);
    paths.push_back(folder + L"\\" + PX2D_EXE_NAME);
    ASSERT_TRUE(CopyFileW(ProgramPath().c_str(), paths.back().c_str(), FALSE));
  }
  {
    std::vector<TProcess> copies;
    for (const auto& path : paths) copies.emplace_back(path);
    for (std::size_t i = 0; i < paths.size(); ++i) {
      SCOPED_TRACE(i);
      HWND window = FindProcessWindow(copies[i].Id(), "TForm1", kCaption, kWindowWait);
      ASSERT_TRUE(window);
      const auto record = ReadRecord(paths[i]);
      ASSERT_TRUE(record);
      EXPECT_EQ(record->Count, 1);
      EXPECT_EQ(record->Handle, HandleToLong(window));
      PostMessageA(window, WM_CLOSE, 0, 0);
      EXPECT_EQ(copies[i].WaitExit(10000), 0u);
    }
  }
  for (std::size_t i = 0; i < std::size(folders); ++i) {
    DeleteFileW(paths[i + 1].c_str());
    RemoveDirectoryW(folders[i].c_str());
  }
}

TEST_F(Guard, NameTakenByAnotherKindOfObjectIsAnApplicationError) {
  HANDLE event = CreateEventW(nullptr, TRUE, FALSE, RecordName(ProgramPath()).c_str());
  ASSERT_TRUE(event);
  TProcess copy(ProgramPath());
  HWND box = FindProcessWindow(copy.Id(), "#32770", "Application Error", kWindowWait);
  ASSERT_TRUE(box);
  char text[512] = {};
  GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
  EXPECT_EQ(std::string(text).rfind("System Error.  Code: 6.\r\n", 0), 0u) << text;
  EXPECT_EQ(CountProcessWindows(copy.Id(), "TForm1"), 0);
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(copy.WaitExit(10000), 1u);
  CloseHandle(event);
}

TEST_F(Guard, StartStormLeavesExactlyOneWindow) {
  std::vector<TProcess> copies;
  for (int i = 0; i < 10; ++i) copies.emplace_back(ProgramPath());
  // Wait until nine have ended, then the last one is the copy that runs.
  std::vector<bool> ended(copies.size(), false);
  int refused = 0;
  for (const DWORD start = GetTickCount(); refused < 9 && GetTickCount() - start < 20000; Sleep(20)) {
    for (std::size_t i = 0; i < copies.size(); ++i) {
      if (ended[i]) continue;
      if (const auto code = copies[i].WaitExit(0)) {
        EXPECT_EQ(*code, 0u);
        ended[i] = true;
        ++refused;
      }
    }
  }
  TProcess* running = nullptr;
  for (std::size_t i = 0; i < copies.size(); ++i)
    if (!ended[i]) running = &copies[i];
  EXPECT_EQ(refused, 9);
  ASSERT_TRUE(running);
  HWND window = FindProcessWindow(running->Id(), "TForm1", kCaption, kWindowWait);
  ASSERT_TRUE(window);
  const auto record = ReadRecord(ProgramPath());
  ASSERT_TRUE(record);
  EXPECT_EQ(record->Count, 1);
  EXPECT_EQ(record->Handle, HandleToLong(window));
  PostMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(running->WaitExit(10000), 0u);
}

// The lock that copies take turns under, held by another: a holder that ended without letting it go
// (killed: the lock is abandoned) stops no start; one that hangs holding it keeps the next copy
// waiting its bounded time, after which it starts all the same.
TEST_F(Guard, AnAbandonedOrHungLockStopsNoStart) {
  const struct {
    const char* name;
    bool hung;
  } holders[] = {{"killed while holding it", false}, {"hung holding it", true}};
  for (const auto& h : holders) {
    SCOPED_TRACE(h.name);
    const TUniqueHandle release(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    const TUniqueHandle taken(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    // A thread that ends while it owns a mutex abandons it, as a killed process does.
    std::thread holder([&] {
      const TUniqueHandle lock(CreateMutexW(nullptr, TRUE, GuardLockName(ProgramPath()).c_str()));
      SetEvent(taken.Get());
      if (h.hung) WaitForSingleObject(release.Get(), INFINITE);
    });
    ASSERT_EQ(WaitForSingleObject(taken.Get(), kWindowWait), WAIT_OBJECT_0);
    if (!h.hung) holder.join();
    TProcess copy(ProgramPath());
    const HWND window = FindProcessWindow(copy.Id(), "TForm1", kCaption, kWindowWait);
    SetEvent(release.Get());
    if (h.hung) holder.join();
    ASSERT_TRUE(window) << "the copy started";
    const auto record = ReadRecord(ProgramPath());
    ASSERT_TRUE(record);
    EXPECT_EQ(record->Count, 1);
    EXPECT_EQ(record->Handle, HandleToLong(window));
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(copy.WaitExit(kWindowWait), 0u);
  }
}

}  // namespace
}  // namespace px2d::e2e
