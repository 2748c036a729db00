// Starting the real program under Wine and watching what it does.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "framework/Handles.h"
#include "unInstances.h"

namespace px2d::e2e {

// The program beside the test binary, as a full path.
std::wstring ProgramPath();
std::string AppDataFolder();
void RemoveTree(const std::string& path);

class TProcess {
 public:
  // Starts the program at `path`, in `currentFolder` when one is given.
  explicit TProcess(const std::wstring& path, const std::wstring& currentFolder = {});
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

}  // namespace px2d::e2e
