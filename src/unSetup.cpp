#include "unSetup.h"

#include <windows.h>

#include <knownfolders.h>
#include <shlobj.h>

#include <algorithm>
#include <memory>
#include <string>

#include "framework/Handles.h"

namespace px2d {

namespace {

const NameEquals kSameName = [](std::string_view name, std::string_view key) {
  return AnsiSameText(name, key);
};

std::wstring ParentFolder(const std::wstring& path) {
  const std::size_t slash = path.find_last_of(L"\\:");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

std::wstring WithoutTrailingBackslash(std::wstring path) {
  while (!path.empty() && path.back() == L'\\') path.pop_back();
  return path;
}

bool FolderExists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Makes each missing folder of the chain from the top down; failures show up at the next save.
void ForceFolders(const std::wstring& path) {
  const std::wstring folder = WithoutTrailingBackslash(path);
  if (folder.size() < 3 || FolderExists(folder)) return;
  const std::wstring parent = ParentFolder(folder);
  if (WithoutTrailingBackslash(parent) == folder) return;
  ForceFolders(parent);
  CreateDirectoryW(folder.c_str(), nullptr);
}

struct TTaskMemFree {
  void operator()(wchar_t* text) const { CoTaskMemFree(text); }
};

// The user's roaming application-data folder, made with the system's protection if it is missing.
// Without one the store fails rather than write to the root of the current drive.
std::wstring RoamingFolder() {
  wchar_t* found = nullptr;
  const HRESULT result = SHGetKnownFolderPath(FOLDERID_RoamingAppData, KF_FLAG_CREATE, nullptr, &found);
  const std::unique_ptr<wchar_t, TTaskMemFree> owned(found);
  if (SUCCEEDED(result) && found && *found) return found;
  const unsigned long code = FAILED(result) && HRESULT_FACILITY(result) == FACILITY_WIN32
                                 ? HRESULT_CODE(result)
                             : FAILED(result) ? result
                                              : ERROR_PATH_NOT_FOUND;
  throw EOSError(
      code, Format("Cannot find the roaming application-data folder. %s", SysErrorMessage(code).c_str()));
}

// <roaming application data>\Brightfallow\<AppName>\<AppName>.conf, for the wide file functions:
// the folder may be named with characters that the ANSI code page lacks.
std::wstring SettingsPath(const std::string& appName) {
  const std::wstring name = AnsiToWide(appName);
  const std::wstring folder = RoamingFolder() + L"\\Brightfallow\\" + name;
  ForceFolders(folder);
  return folder + L"\\" + name + L".conf";
}

[[noreturn]] void RaiseCreateError(const std::wstring& path, DWORD code) {
  throw EFCreateError(
      Format("Cannot create file \"%s\". %s", WideToAnsi(path).c_str(), SysErrorMessage(code).c_str()));
}

[[noreturn]] void RaiseOpenError(const std::wstring& path, DWORD code) {
  throw EFOpenError(
      Format("Cannot open file \"%s\". %s", WideToAnsi(path).c_str(), SysErrorMessage(code).c_str()));
}

// Why a file of this size is not read, or not written.
std::string TooLarge(unsigned long long size, std::size_t limit) {
  return Format("It is too large for a settings file: %llu bytes, where at most %llu are allowed", size,
                static_cast<unsigned long long>(limit));
}

// Room for the window's own keys, which an Apply may add or lengthen: 21 lines of at most a name,
// "=", a value and a line break. A file is read only if it can still be saved with them.
constexpr std::size_t kKeysRoom = 1024;
constexpr std::size_t kReadLimit = MaxSettingsFileSize - kKeysRoom;

// Another program that opens the settings file for a moment shuts this one out meanwhile: the
// switcher reading it after a broadcast, or another copy of the program saving. A load or a save
// tries again for a quarter of a second before the error counts (more than twice as long as such a
// reader holds the file), and only once: its steps share that time, so that a file held for good
// is reported a quarter of a second after the press, however many steps meet it.
class TRetryWindow {
 public:
  // Whether to try the step again after its error: one that may pass, while the time lasts. Waits
  // a moment first.
  bool Again(DWORD error, bool (*MayPass)(DWORD)) {
    if (!MayPass(error) || GetTickCount64() - FStart >= kWindowMs) return false;
    Sleep(kPauseMs);
    return true;
  }

 private:
  static constexpr ULONGLONG kWindowMs = 250;
  static constexpr DWORD kPauseMs = 25;
  const ULONGLONG FStart = GetTickCount64();
};

bool Transient(DWORD error) { return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED; }
bool Shared(DWORD error) { return error == ERROR_SHARING_VIOLATION; }

TUniqueHandle OpenExisting(const std::wstring& path, DWORD access, DWORD share, TRetryWindow& retries) {
  for (;;) {
    TUniqueHandle file(
        CreateFileW(path.c_str(), access, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) return file;
    const DWORD error = GetLastError();
    if (!retries.Again(error, &Shared)) {
      SetLastError(error);
      return file;
    }
  }
}

// The temporary file of a save: <settings file>.<process id>.tmp.
std::wstring TemporaryName(const std::wstring& path, unsigned long processId) {
  return path + L"." + std::to_wstring(processId) + L".tmp";
}

bool SameOrdinal(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                              TRUE) == CSTR_EQUAL;
}

// Whether a name in the folder is one that TemporaryName makes, letter case aside as the file
// system sets it aside: the settings file's name, a dot, a process id and ".tmp".
bool IsTemporaryName(const std::wstring& name, const std::wstring& settingsName) {
  const std::wstring prefix = settingsName + L".", suffix = L".tmp";
  if (name.size() <= prefix.size() + suffix.size()) return false;
  const std::wstring id = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
  return SameOrdinal(name.substr(0, prefix.size()), prefix) &&
         SameOrdinal(name.substr(name.size() - suffix.size()), suffix) && id.size() <= 10 &&
         id.find_first_not_of(L"0123456789") == std::wstring::npos;
}

struct TFindClose {
  void operator()(HANDLE find) const { FindClose(find); }
};

// Removes the temporary files that saves killed half-way left beside the settings file. A copy of
// the program holds its temporary file open from the moment it makes it until it has replaced the
// settings file with it, so one that nobody holds open is left over: it opens without sharing, and
// goes when that handle closes. Another copy's file, still being written, refuses that open and stays.
void RemoveStaleTemporaries(const std::wstring& path) {
  const std::size_t slash = path.find_last_of(L'\\');
  const std::wstring folder = path.substr(0, slash + 1);
  const std::wstring settingsName = path.substr(slash + 1);
  WIN32_FIND_DATAW found;
  const HANDLE find = FindFirstFileW((path + L".*.tmp").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return;
  const std::unique_ptr<void, TFindClose> owned(find);
  do {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    if (!IsTemporaryName(found.cFileName, settingsName)) continue;
    TUniqueHandle stale(CreateFileW((folder + found.cFileName).c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_DELETE_ON_CLOSE, nullptr));
  } while (FindNextFileW(find, &found));
}

}  // namespace

const std::wstring& TGenericSetup::Path() const {
  if (FPath.empty() || FPathAppName != AppName) {
    FPath = SettingsPath(AppName);
    FPathAppName = AppName;
  }
  return FPath;
}

std::string TGenericSetup::ConfigFileName() const { return WideToAnsi(Path()); }

namespace {

// The settings file's text as read: its bytes, its lines, and what a zero byte hides.
struct TFileText {
  std::string bytes;
  TextLines lines;
  std::string tail;
};

// Reads the whole file through an open handle. A file that could not be saved again within the
// limit is refused: Refuse(message) raises. A failing read raises through Fail(error).
template <typename TRefuse, typename TFail>
TFileText ReadFileText(HANDLE file, TRefuse&& Refuse, TFail&& Fail) {
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file, &size)) Fail(GetLastError());
  if (static_cast<unsigned long long>(size.QuadPart) > MaxSettingsFileSize)
    Refuse(TooLarge(static_cast<unsigned long long>(size.QuadPart), kReadLimit));
  TFileText text;
  text.bytes.assign(static_cast<std::size_t>(size.QuadPart), '\0');
  std::size_t done = 0;
  while (done < text.bytes.size()) {
    DWORD read = 0;
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(text.bytes.size() - done, 1u << 30));
    if (!ReadFile(file, text.bytes.data() + done, want, &read, nullptr)) Fail(GetLastError());
    if (read == 0) break;  // the file shrank while we read it
    done += read;
  }
  text.bytes.resize(done);
  text.lines = SplitLines(text.bytes);
  // A zero byte ends the text; what follows it is kept as it is and written back after the lines,
  // so that a save loses nothing of a damaged file (or one in another encoding).
  const std::size_t zero = text.bytes.find('\0');
  if (zero != std::string::npos) text.tail = text.bytes.substr(zero);
  // Measured as a save would write it too: line breaks that grow to CR LF count. The size told is
  // the file's own unless only the save would pass the limit.
  const std::size_t saved = JoinLines(text.lines).size() + text.tail.size();
  if (done > kReadLimit || saved > kReadLimit) Refuse(TooLarge(done > kReadLimit ? done : saved, kReadLimit));
  return text;
}

}  // namespace

void TGenericSetup::LoadSettings() {
  const std::wstring path = Path();
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    // Only a file that is not there is no file; one that cannot be looked at (access denied, a
    // folder on the network gone for a moment) is unread, so that nothing is saved over it.
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) RaiseOpenError(path, error);
  }
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    FileText.reset();
    BaseLines = Lines;
    FLoaded = true;
    return;
  }

  TRetryWindow retries;
  const TUniqueHandle file = OpenExisting(path, GENERIC_READ, FILE_SHARE_READ, retries);
  if (!file) RaiseOpenError(path, GetLastError());
  TFileText text = ReadFileText(
      file.Get(),
      [&](const std::string& why) {
        throw ESettingsTooLarge(Format("Cannot open file \"%s\". %s", WideToAnsi(path).c_str(), why.c_str()));
      },
      [&](DWORD error) { RaiseOpenError(path, error); });
  Lines = std::move(text.lines);
  IgnoredTail = std::move(text.tail);
  FileText = std::move(text.bytes);
  BaseLines = Lines;
  FLoaded = true;
}

bool TGenericSetup::SaveSettings() {
  const std::wstring path = Path();
  TextLines lines = Lines;
  std::string tail = IgnoredTail;
  bool merged = false;
  TRetryWindow retries;
  // What could not be read again is not written: this store's own text, and again after a merge.
  const auto refuseIfTooLarge = [&](std::size_t size) {
    if (size > MaxSettingsFileSize)
      throw EFCreateError(Format("Cannot create file \"%s\". %s", WideToAnsi(path).c_str(),
                                 TooLarge(size, MaxSettingsFileSize).c_str()));
  };
  refuseIfTooLarge(JoinLines(lines).size() + tail.size());

  // The file is replaced only where an exclusive create of it would succeed: not when it is
  // read-only, hidden or a system file, and not while any other program holds it open.
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    if (attributes &
        (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY))
      RaiseCreateError(path, ERROR_ACCESS_DENIED);
    const TUniqueHandle probe = OpenExisting(path, GENERIC_READ | GENERIC_WRITE, 0, retries);
    if (!probe) RaiseCreateError(path, GetLastError());
    // Read again under that handle, which keeps other writers out while it reads: what another
    // program wrote since the file was read is kept, with this store's own changes made over it.
    if (FLoaded) {
      const TFileText now = ReadFileText(
          probe.Get(),
          [&](const std::string& why) {
            throw EFCreateError(
                Format("Cannot create file \"%s\". %s", WideToAnsi(path).c_str(), why.c_str()));
          },
          [&](DWORD error) { RaiseCreateError(path, error); });
      if (!FileText || now.bytes != *FileText) {
        lines = MergeLines(BaseLines, Lines, now.lines, kSameName);
        tail = now.tail;
        merged = true;
      }
    }
  }

  const std::string text = JoinLines(lines) + tail;
  refuseIfTooLarge(text.size());

  // The new text goes to a file of its own beside the settings file, which it then replaces in one
  // step: a failure at any point, the process killed included, leaves the settings file as it was.
  // The file stays open until it has taken the settings file's place, sharing only that rename, so
  // that no other copy takes it for one left over by a killed save.
  // A name left by a killed copy with the same process id may be held a moment by another copy's
  // clean-up: that is tried again like any sharing conflict.
  const std::wstring temporary = TemporaryName(path, GetCurrentProcessId());
  TUniqueHandle file;
  bool madeFolders = false;
  for (;;) {
    file = TUniqueHandle(CreateFileW(temporary.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_DELETE,
                                     nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) break;
    const DWORD error = GetLastError();
    // The folders went since they were made (the user removed them): made again, and tried again.
    if (error == ERROR_PATH_NOT_FOUND && !madeFolders) {
      madeFolders = true;
      ForceFolders(ParentFolder(path));
      continue;
    }
    if (!retries.Again(error, &Transient)) RaiseCreateError(path, error);
  }
  DWORD written = 0;
  if (!WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
      written != text.size() || !FlushFileBuffers(file.Get())) {
    DeleteFileW(temporary.c_str());
    throw EWriteError("Stream write error");
  }
  for (;;) {
    if (MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      file.Reset();
      RemoveStaleTemporaries(path);
      Lines = std::move(lines);
      IgnoredTail = std::move(tail);
      FileText = text;
      BaseLines = Lines;
      return merged;
    }
    const DWORD error = GetLastError();
    if (!retries.Again(error, &Transient)) {
      DeleteFileW(temporary.c_str());
      RaiseCreateError(path, error);
    }
  }
}

std::string TGenericSetup::ReadString(const std::string& Key, const std::string& Default) const {
  return ReadKeyText(Lines, Key, Default, kSameName);
}

std::int32_t TGenericSetup::ReadInteger(const std::string& Key, std::int32_t Default) const {
  return ReadKeyInteger(Lines, Key, Default, kSameName);
}

bool TGenericSetup::ReadBool(const std::string& Key, bool Default) const {
  return ReadKeyBool(Lines, Key, Default, kSameName);
}

void TGenericSetup::WriteString(const std::string& Key, const std::string& Value) {
  WriteKeyValue(Lines, Key, Value, kSameName);
}

void TGenericSetup::WriteInteger(const std::string& Key, std::int32_t Value) {
  WriteKeyInteger(Lines, Key, Value, kSameName);
}

void TGenericSetup::WriteBool(const std::string& Key, bool Value) {
  WriteKeyBool(Lines, Key, Value, kSameName);
}

}  // namespace px2d
