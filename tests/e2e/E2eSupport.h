// Starting the real program under Wine and watching what it does.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "framework/Handles.h"
#include "support/Boxes.h"
#include "support/Files.h"
#include "support/Processes.h"
#include "support/Wait.h"
#include "unInstances.h"

namespace px2d::e2e {

// The program beside the test binary, as a full path.
std::wstring ProgramPath();
using test::AnswerBox;
using test::AppDataFolder;
using test::RemoveTree;
using test::WaitUntil;

class TProcess {
 public:
  // Starts the program at `path`, in `currentFolder` when one is given, with the arguments.
  explicit TProcess(const std::wstring& path, const std::wstring& currentFolder = {},
                    const std::wstring& arguments = {});
  ~TProcess();
  TProcess(TProcess&& other) noexcept;
  TProcess(const TProcess&) = delete;
  TProcess& operator=(const TProcess&) = delete;

  DWORD Id() const { return FInfo.dwProcessId; }
  // The exit code once the process has ended within the time, otherwise nothing.
  std::optional<DWORD> WaitExit(DWORD milliseconds) const;
  void Kill();

 private:
  PROCESS_INFORMATION FInfo{};
};

// The visible top-level window of the process with this class and caption.
HWND FindProcessWindow(DWORD processId, const char* className, const char* caption, DWORD timeoutMs);
int CountProcessWindows(DWORD processId, const char* className);

// The entries of an object's DACL: whether each allows or denies, and whether it names this
// process's user.
struct TAccessEntry {
  bool Allowed;
  bool ForThisUser;
};
std::vector<TAccessEntry> AccessControlEntries(HANDLE object);

// The full paths of the modules loaded in the process.
std::vector<std::wstring> ProcessModules(DWORD processId);

// The record of the program at `path`, read through a fresh view; nothing when it does not exist.
std::optional<TInstanceRecord> ReadRecord(const std::wstring& path);

// The record of the program at `path`, made here and held for the test's life with a DACL that
// grants this user `access` and nobody anything else; Count starts at 0.
class TUserOnlyRecord {
 public:
  TUserOnlyRecord(const std::wstring& path, DWORD access);
  volatile TInstanceRecord* Record() const { return static_cast<volatile TInstanceRecord*>(FView.Get()); }

 private:
  TUniqueHandle FMapping;
  TMappedView FView;
};

// The settings folder and file of the program under the test bed's user, and the file's exact bytes.
std::string SettingsFolder();
std::string SettingsPath();
std::optional<std::string> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);

// The descendant window of Root with the control identifier, or null.
HWND FindChild(HWND Root, int Id);
std::string WindowText(HWND Window);

// Real input, as a user gives it: a click in the middle of a window (or at a point of its client
// area), and keys pressed in order and released in reverse (to the window in the foreground). Each
// returns once the window's thread has handled the input (round trips through its queue, and a
// repaint that comes after the input), and fails the test when a window still there did not get that
// far in time; what the input then changes elsewhere, a test waits for as a condition.
void Click(HWND Window);
void ClickAt(HWND Window, int X, int Y);
void Press(std::initializer_list<WORD> Keys);

// A stand-in for the running switcher: it records every "WM_PX2D_SETUP" it receives with the
// settings file's bytes read at that moment.
class TSwitcherStandIn {
 public:
  struct TMessage {
    unsigned long long wParam;
    long long lParam;
    std::optional<std::string> file;  // the settings file when the message arrived; none if missing
  };
  TSwitcherStandIn();
  ~TSwitcherStandIn();
  TSwitcherStandIn(const TSwitcherStandIn&) = delete;
  TSwitcherStandIn& operator=(const TSwitcherStandIn&) = delete;
  // Every message received so far. Given the program's window, it first waits for the program to
  // finish what it is doing, then for the stand-in to have handled everything posted before.
  std::vector<TMessage> Messages(HWND Program = nullptr) const;

 private:
  std::string FLog;
  std::optional<TProcess> FProcess;
  HWND FWindow = nullptr;
  mutable unsigned FMarker = 0;
};

}  // namespace px2d::e2e
