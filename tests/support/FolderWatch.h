// Every change of a name in one folder while a watch lasts (ReadDirectoryChangesW, from a thread
// of its own): a file added, removed, or renamed from or to a name. It sees what happens between
// two looks at the folder, however short: a file removed and made again at once, for instance.
#pragma once

#include <windows.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "framework/Handles.h"
#include "support/Wait.h"

namespace px2d::test {

class TFolderWatch {
 public:
  struct TChange {
    DWORD Action;  // FILE_ACTION_ADDED, _REMOVED, _RENAMED_OLD_NAME, _RENAMED_NEW_NAME
    std::wstring Name;
  };

  // Watches from now on: the first request is made before this returns.
  explicit TFolderWatch(const std::string& Folder)
      : FFolderPath(Folder),
        FFolder(CreateFileA(Folder.c_str(), FILE_LIST_DIRECTORY,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                            FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr)),
        FArrived(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
        FStop(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
        FStarted(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
    if (!FFolder || !FArrived || !FStop || !FStarted) {
      FIncomplete = true;
      return;
    }
    FThread = std::thread([this] { Run(); });
    WaitForSingleObject(FStarted.Get(), INFINITE);
  }
  ~TFolderWatch() { Stop(); }
  TFolderWatch(const TFolderWatch&) = delete;
  TFolderWatch& operator=(const TFolderWatch&) = delete;

  // Ends the watch once every change made before the call has come in (a file of its own made and
  // removed, and its removal waited for), and gives the changes seen in their order.
  std::vector<TChange> Stop() {
    if (FThread.joinable()) {
      const std::string marker = FFolderPath + "\\px2d-folder-watch.marker";
      CloseHandle(CreateFileA(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
      DeleteFileA(marker.c_str());
      const std::wstring markerName = L"px2d-folder-watch.marker";
      const bool arrived = WaitUntil([&] {
        const std::lock_guard<std::mutex> lock(FMutex);
        for (const TChange& c : FChanges)
          if (c.Action == FILE_ACTION_REMOVED && c.Name == markerName) return true;
        return false;
      });
      SetEvent(FStop.Get());
      FThread.join();
      const std::lock_guard<std::mutex> lock(FMutex);
      if (!arrived) FIncomplete = true;
      std::erase_if(FChanges, [&](const TChange& c) { return c.Name == markerName; });
    }
    const std::lock_guard<std::mutex> lock(FMutex);
    return FChanges;
  }

  // Whether changes may have been missed: the watch could not start, the system's buffer ran over,
  // or the last changes did not come in time. A test that relies on the watch fails then.
  bool Incomplete() const {
    const std::lock_guard<std::mutex> lock(FMutex);
    return FIncomplete;
  }

 private:
  void Run() {
    // DWORD-aligned, as the records are; 64 KiB, the most a folder on the network can be asked for.
    std::vector<DWORD> buffer(16384);
    for (bool first = true;; first = false) {
      OVERLAPPED request{};
      request.hEvent = FArrived.Get();
      ResetEvent(FArrived.Get());
      const bool asked = ReadDirectoryChangesW(FFolder.Get(), buffer.data(),
                                               static_cast<DWORD>(buffer.size() * sizeof(DWORD)), FALSE,
                                               FILE_NOTIFY_CHANGE_FILE_NAME, nullptr, &request, nullptr);
      if (first) SetEvent(FStarted.Get());
      if (!asked) {
        const std::lock_guard<std::mutex> lock(FMutex);
        FIncomplete = true;
        return;
      }
      const HANDLE waits[] = {FArrived.Get(), FStop.Get()};
      DWORD bytes = 0;
      if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0) {
        CancelIo(FFolder.Get());
        GetOverlappedResult(FFolder.Get(), &request, &bytes, TRUE);
        return;
      }
      const bool done = GetOverlappedResult(FFolder.Get(), &request, &bytes, FALSE) != FALSE;
      const std::lock_guard<std::mutex> lock(FMutex);
      // No records: more changes came than the system kept for the watch.
      if (!done || bytes == 0) {
        FIncomplete = true;
        continue;
      }
      const auto* at = reinterpret_cast<const unsigned char*>(buffer.data());
      for (;;) {
        const auto* record = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(at);
        FChanges.push_back(
            {record->Action, std::wstring(record->FileName, record->FileNameLength / sizeof(WCHAR))});
        if (!record->NextEntryOffset) break;
        at += record->NextEntryOffset;
      }
    }
  }

  const std::string FFolderPath;
  TUniqueHandle FFolder, FArrived, FStop, FStarted;
  mutable std::mutex FMutex;
  std::vector<TChange> FChanges;
  bool FIncomplete = false;
  std::thread FThread;
};

}  // namespace px2d::test
