// Starting the real program under Wine and watching what it does.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "unInstances.h"

namespace px2d::e2e {

// The program beside the test binary, as a full path.
std::wstring ProgramPath();
std::string AppDataFolder();
void RemoveTree(const std::string& path);

class TProcess {
 public:
  explicit TProcess(const std::wstring& path);
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

// The record of the program at `path`, read through a fresh view; nothing when it does not exist.
std::optional<TInstanceRecord> ReadRecord(const std::wstring& path);

// The record of the program at `path`, made here and held for the test's life with a DACL that
// grants this user `access` and nobody anything else; Count starts at 0.
class TUserOnlyRecord {
 public:
  TUserOnlyRecord(const std::wstring& path, DWORD access);
  ~TUserOnlyRecord();
  TUserOnlyRecord(const TUserOnlyRecord&) = delete;
  TUserOnlyRecord& operator=(const TUserOnlyRecord&) = delete;
  volatile TInstanceRecord* Record() const { return FRecord; }

 private:
  HANDLE FMapping = nullptr;
  volatile TInstanceRecord* FRecord = nullptr;
};

}  // namespace px2d::e2e
