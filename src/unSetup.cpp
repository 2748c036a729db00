#include "unSetup.h"

#include <windows.h>

#include <knownfolders.h>
#include <shlobj.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <vector>

#include "framework/Handles.h"
#include "unSetupFiles.h"

namespace px2d {

TStoreFileCalls StoreFileCalls;

namespace {

// The key of a name: a hash of the locale's sort key ignoring case, which is equal for names that
// CompareStringA calls equal. Making a sort key costs about as much as a comparison, and the same
// names come back at every load and save (the file's, the base's, the merge's), so each name's key is
// made once (names of up to 256 bytes: a longer one is no name of a setting); the table is emptied
// when it outgrows what a few files at the size limit hold.
struct TNameHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view name) const { return std::hash<std::string_view>()(name); }
};

std::uint64_t SortKey(std::string_view name) {
  thread_local std::unordered_map<std::string, std::uint64_t, TNameHash, std::equal_to<>> known;
  if (const auto found = known.find(name); found != known.end()) return found->second;
  constexpr DWORD flags = LCMAP_SORTKEY | NORM_IGNORECASE;
  // The empty name is measured as the empty text ending in its zero, which the function accepts.
  const char* source = name.empty() ? "" : name.data();
  const int length = name.empty() ? -1 : static_cast<int>(name.size());
  char buffer[512];
  std::string large;
  char* key = buffer;
  int size = LCMapStringA(LOCALE_USER_DEFAULT, flags, source, length, buffer, sizeof buffer);
  if (size == 0 && GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
    const int needed = LCMapStringA(LOCALE_USER_DEFAULT, flags, source, length, nullptr, 0);
    large.resize(static_cast<std::size_t>(std::max(needed, 1)));
    key = large.data();
    size = needed > 0 ? LCMapStringA(LOCALE_USER_DEFAULT, flags, source, length, key, needed) : 0;
  }
  // Without a sort key the name is found by comparison among the other names without one.
  const std::uint64_t hash = HashBytes(std::string_view(key, static_cast<std::size_t>(std::max(size, 0))));
  if (name.size() <= 256) {
    if (known.size() >= 4 * MaxSettingsFileSize / 8) known.clear();
    known.emplace(name, hash);
  }
  return hash;
}

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
std::string TooLarge(unsigned long long size) {
  return Format("It is too large for a settings file: %llu bytes, where at most %llu are allowed", size,
                static_cast<unsigned long long>(MaxSettingsFileSize));
}

// Another program that opens the settings file for a moment shuts this one out meanwhile: the
// switcher reading it after a broadcast, or another copy of the program saving. A load or a save
// tries again for a quarter of a second before the error counts (more than twice as long as such a
// reader holds the file), and only once: its steps share that time, so that a file held for good
// is reported a quarter of a second after the press, however many steps meet it. The first tries
// come soon after each other: a program that writes the file often holds it only a moment, and a
// later try meets it again as likely as an early one.
class TRetryWindow {
 public:
  // Whether to try the step again after its error: one that may pass, while the time lasts. Waits
  // a moment first.
  bool Again(DWORD error, bool (*MayPass)(DWORD)) {
    if (!MayPass(error) || GetTickCount64() - FStart >= kWindowMs) return false;
    Sleep(FPauseMs);
    FPauseMs = std::min<DWORD>(FPauseMs * 2, kLongestPauseMs);
    return true;
  }
  bool Over() const { return GetTickCount64() - FStart >= kWindowMs; }

 private:
  static constexpr ULONGLONG kWindowMs = 250;
  static constexpr DWORD kLongestPauseMs = 25;
  const ULONGLONG FStart = GetTickCount64();
  DWORD FPauseMs = 1;
};

bool Transient(DWORD error) { return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED; }
bool Shared(DWORD error) { return error == ERROR_SHARING_VIOLATION; }

TUniqueHandle OpenExisting(const std::wstring& path, DWORD access, DWORD share, TRetryWindow& retries) {
  for (;;) {
    TUniqueHandle file(StoreFileCalls.CreateFile(path.c_str(), access, share, nullptr, OPEN_EXISTING,
                                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) return file;
    const DWORD error = GetLastError();
    if (!retries.Again(error, &Shared)) {
      SetLastError(error);
      return file;
    }
  }
}

// The files beside the settings file that a save makes for a moment: its new text,
// <settings file>.<process id>.tmp, and a second name of the file it replaces,
// <settings file>.<process id>.old, which shows what another program wrote at the last moment.
std::wstring TemporaryName(const std::wstring& path, unsigned long processId) {
  return path + L"." + std::to_wstring(processId) + L".tmp";
}
std::wstring KeptName(const std::wstring& path, unsigned long processId, int count) {
  return path + L"." + std::to_wstring(processId) + L"." + std::to_wstring(count) + L".old";
}

bool SameOrdinal(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                              TRUE) == CSTR_EQUAL;
}

// The process id in a name that TemporaryName or KeptName makes with this suffix, letter case aside
// as the file system sets it aside: the settings file's name, a dot, a process id (and for a kept
// name a dot and a count) and the suffix.
bool SaveFileOwner(const std::wstring& name, const std::wstring& settingsName, const std::wstring& suffix,
                   unsigned long& processId) {
  const std::wstring prefix = settingsName + L".";
  if (name.size() <= prefix.size() + suffix.size()) return false;
  std::wstring id = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
  if (suffix == L".old") {
    const std::size_t dot = id.find(L'.');
    if (dot == std::wstring::npos || id.find_first_not_of(L"0123456789", dot + 1) != std::wstring::npos ||
        dot + 1 == id.size())
      return false;
    id.resize(dot);
  }
  if (!SameOrdinal(name.substr(0, prefix.size()), prefix) ||
      !SameOrdinal(name.substr(name.size() - suffix.size()), suffix) || id.empty() || id.size() > 10 ||
      id.find_first_not_of(L"0123456789") != std::wstring::npos)
    return false;
  processId = std::wcstoul(id.c_str(), nullptr, 10);
  return true;
}

struct TFindClose {
  void operator()(HANDLE find) const { FindClose(find); }
};

// Whether a process of the id runs; one that this user may not look at (another user's, or one
// that runs elevated) counts as running.
bool ProcessRuns(unsigned long processId) {
  const TUniqueHandle process(OpenProcess(SYNCHRONIZE, FALSE, processId));
  if (!process) return GetLastError() == ERROR_ACCESS_DENIED;
  return WaitForSingleObject(process.Get(), 0) == WAIT_TIMEOUT;
}

// Removes the files that saves killed half-way left beside the settings file. A copy of the program
// holds its temporary file open from the moment it makes it until it has replaced the settings file
// with it, so one that nobody holds open is left over: it opens without sharing, and goes when that
// handle closes. Another copy's file, still being written, refuses that open and stays. A second
// name of the settings file is never held open (that would keep the file from being replaced): it
// is left over when no process of its id runs, or when it is this process's own.
void RemoveStaleTemporaries(const std::wstring& path) {
  const std::size_t slash = path.find_last_of(L'\\');
  const std::wstring folder = path.substr(0, slash + 1);
  const std::wstring settingsName = path.substr(slash + 1);
  WIN32_FIND_DATAW found;
  const HANDLE find = FindFirstFileW((path + L".*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return;
  const std::unique_ptr<void, TFindClose> owned(find);
  do {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    unsigned long owner = 0;
    const std::wstring name = folder + found.cFileName;
    if (SaveFileOwner(found.cFileName, settingsName, L".tmp", owner)) {
      TUniqueHandle stale(StoreFileCalls.CreateFile(name.c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
                                                    FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    } else if (SaveFileOwner(found.cFileName, settingsName, L".old", owner) &&
               (owner == GetCurrentProcessId() || !ProcessRuns(owner))) {
      StoreFileCalls.DeleteFile(name.c_str());
    }
  } while (FindNextFileW(find, &found));
}

// Reads the whole file through an open handle: its bytes. A file larger than a save may write is
// refused: Refuse(message) raises. A failing read raises through Fail(error).
template <typename TRefuse, typename TFail>
std::string ReadFileText(HANDLE file, TRefuse&& Refuse, TFail&& Fail) {
  LARGE_INTEGER size{};
  if (!StoreFileCalls.GetFileSize(file, &size)) Fail(GetLastError());
  if (static_cast<unsigned long long>(size.QuadPart) > MaxSettingsFileSize)
    Refuse(TooLarge(static_cast<unsigned long long>(size.QuadPart)));
  std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD read = 0;
    const DWORD want = static_cast<DWORD>(bytes.size() - done);
    if (!StoreFileCalls.ReadFile(file, bytes.data() + done, want, &read, nullptr)) Fail(GetLastError());
    if (read == 0) break;  // the file shrank while we read it
    done += read;
  }
  bytes.resize(done);
  // Measured as a save would write it: line breaks that grow to CR LF count. Whatever a save
  // writes is read again, and whatever is read can be saved again unchanged.
  const std::size_t saved = SavedSize(bytes);
  if (saved > MaxSettingsFileSize) Refuse(TooLarge(saved));
  return bytes;
}

// What a zero byte hides: it ends the text, and what follows it is kept as it is and written back
// after the lines, so that a save loses nothing of a damaged file (or one in another encoding).
std::string HiddenTail(const std::string& bytes) {
  const std::size_t zero = bytes.find('\0');
  return zero == std::string::npos ? std::string() : bytes.substr(zero);
}

// The new text of a save, in a file of its own beside the settings file until it takes that file's
// place. It stays open until then, sharing only that rename, so that no other copy of the program
// takes it for one left over by a killed save.
class TNewText {
 public:
  TNewText(const std::wstring& path, TRetryWindow& retries)
      : FPath(path), FName(TemporaryName(path, GetCurrentProcessId())) {
    bool madeFolders = false;
    for (;;) {
      // A name left by a killed copy with the same process id may be held a moment by another copy's
      // clean-up: that is tried again like any sharing conflict.
      FFile = TUniqueHandle(StoreFileCalls.CreateFile(FName.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE,
                                                      FILE_SHARE_DELETE, nullptr, CREATE_ALWAYS,
                                                      FILE_ATTRIBUTE_NORMAL, nullptr));
      if (FFile) return;
      const DWORD error = GetLastError();
      // The folders went since they were made (the user removed them): made again, and tried again.
      if (error == ERROR_PATH_NOT_FOUND && !madeFolders) {
        madeFolders = true;
        ForceFolders(ParentFolder(path));
        continue;
      }
      if (!retries.Again(error, &Transient)) RaiseCreateError(path, error);
    }
  }
  ~TNewText() {
    if (FFile) {
      FFile.Reset();
      StoreFileCalls.DeleteFile(FName.c_str());
    }
  }
  TNewText(const TNewText&) = delete;
  TNewText& operator=(const TNewText&) = delete;

  // Writes the whole text and flushes it to the disk, so that it is whole before it replaces
  // anything: a text written before is overwritten.
  void Write(const std::string& text) {
    DWORD written = 0;
    if (!StoreFileCalls.SetFilePointer(FFile.Get(), LARGE_INTEGER{}, nullptr, FILE_BEGIN) ||
        !StoreFileCalls.WriteFile(FFile.Get(), text.data(), static_cast<DWORD>(text.size()), &written,
                                  nullptr) ||
        written != text.size() || !StoreFileCalls.SetEndOfFile(FFile.Get()) ||
        !StoreFileCalls.FlushFileBuffers(FFile.Get()))
      throw EWriteError("Stream write error");
  }

  // Replaces the settings file while `held` still keeps every other program out of it: a rename by
  // this file's handle with the system's POSIX semantics, which replaces a file open with delete
  // sharing. False where the system or its file system cannot (older Windows, Wine, some network
  // shares): nothing has changed then.
  bool ReplaceHeld() {
    constexpr DWORD kReplaceIfExists = 0x1, kPosixSemantics = 0x2;
    return Rename(static_cast<FILE_INFO_BY_HANDLE_CLASS>(22), kReplaceIfExists | kPosixSemantics);
  }

  // Takes the settings file's place in one step, replacing the file there (OverFile) or only where
  // there is none; false with the system's error when it cannot. The rename goes by this file's own
  // handle: one call to the system, where a move by name makes several while another program may
  // take the file.
  bool Replace(bool OverFile) { return Rename(FileRenameInfo, OverFile ? 1 : 0); }

 private:
  // Renames this file over the settings file by its handle, and flushes the rename to the disk
  // before the save counts as done, as a move with write-through does.
  bool Rename(FILE_INFO_BY_HANDLE_CLASS Kind, DWORD Flags) {
    const std::size_t nameBytes = FPath.size() * sizeof(wchar_t);
    std::vector<unsigned char> buffer(sizeof(FILE_RENAME_INFO) + nameBytes);
    auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    if (Kind == FileRenameInfo)
      rename->ReplaceIfExists = Flags != 0;
    else
      rename->Flags = Flags;
    rename->RootDirectory = nullptr;
    rename->FileNameLength = static_cast<DWORD>(nameBytes);
    std::copy(FPath.begin(), FPath.end(), rename->FileName);
    if (!StoreFileCalls.SetFileInformationByHandle(FFile.Get(), Kind, rename,
                                                   static_cast<DWORD>(buffer.size())))
      return false;
    StoreFileCalls.FlushFileBuffers(FFile.Get());
    FFile.Reset();
    return true;
  }

  const std::wstring FPath, FName;
  TUniqueHandle FFile;
};

// What the settings file holds: its bytes, or none when there is no file.
using TFileState = std::optional<std::string>;

// The settings file's bytes through an open handle; what could not be saved again is refused.
TFileState ReadHeld(HANDLE file, const std::wstring& path) {
  return ReadFileText(
      file,
      [&](const std::string& why) {
        throw EFCreateError(Format("Cannot create file \"%s\". %s", WideToAnsi(path).c_str(), why.c_str()));
      },
      [&](DWORD error) { RaiseCreateError(path, error); });
}

// Reads a file by name, sharing it with everyone: none when it is not there. False when it cannot
// be opened for another reason (another program holds it shut).
bool ReadShared(const std::wstring& name, const std::wstring& path, TFileState& state) {
  const TUniqueHandle file(StoreFileCalls.CreateFile(name.c_str(), GENERIC_READ,
                                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    const DWORD error = GetLastError();
    state.reset();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
  }
  state = ReadHeld(file.Get(), path);
  return true;
}

// Whether another program holds the file open, which is why a replace failed: an exclusive open of
// it meets a sharing conflict. A program that writes it all the time lets it go for a moment now
// and then, so a few opens are tried.
bool HeldByAnother(const std::wstring& path) {
  for (int i = 0; i < 8; ++i) {
    const TUniqueHandle file(StoreFileCalls.CreateFile(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file && GetLastError() == ERROR_SHARING_VIOLATION) return true;
  }
  return false;
}

// A second name of the settings file for the moment of a replace: the file as it was stays
// readable under it afterwards, with whatever another program wrote into it until the replace. Each
// try takes a name of its own: one that could not go at once (the file is held open elsewhere, and
// the name goes when it is let go) is never in the way.
class TKeptName {
 public:
  explicit TKeptName(const std::wstring& path) : FPath(path) {}
  ~TKeptName() { Remove(); }
  TKeptName(const TKeptName&) = delete;
  TKeptName& operator=(const TKeptName&) = delete;

  const std::wstring& Name() const { return FName; }
  // Names the settings file anew, while it is held.
  bool Make() {
    Remove();
    FName = KeptName(FPath, GetCurrentProcessId(), ++FCount);
    FMade = StoreFileCalls.CreateHardLink(FName.c_str(), FPath.c_str(), nullptr);
    return FMade;
  }
  void Remove() {
    if (FMade) StoreFileCalls.DeleteFile(FName.c_str());
    FMade = false;
  }
  // Puts the file as kept back in the settings file's place, in one step; false when it cannot.
  bool PutBack() {
    if (!FMade || !StoreFileCalls.MoveFileEx(FName.c_str(), FPath.c_str(),
                                             MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
      return false;
    FMade = false;
    return true;
  }
  // Keeps the file as kept beside the settings file, under a name that no save removes.
  void Keep() {
    if (FMade &&
        StoreFileCalls.MoveFileEx(FName.c_str(), (FName.substr(0, FName.size() - 4) + L".kept").c_str(), 0))
      FMade = false;
  }

 private:
  const std::wstring FPath;
  std::wstring FName;
  int FCount = 0;
  bool FMade = false;
};

// Whether the error of a rename by handle says that the system or its file system does not know
// the kind of rename asked for.
bool Unsupported(DWORD error) {
  return error == ERROR_INVALID_PARAMETER || error == ERROR_NOT_SUPPORTED ||
         error == ERROR_INVALID_FUNCTION || error == ERROR_CALL_NOT_IMPLEMENTED;
}

// Puts the kept file back over the settings file, unless the settings file no longer holds Text
// (another program wrote it again: its newer text stands). It waits a quarter of a second of its own
// for a program that holds the file. False when it could not.
bool PutBackUnlessChanged(const std::wstring& path, const std::string& Text, TKeptName& kept) {
  TRetryWindow retries;
  for (;;) {
    TUniqueHandle held = OpenExisting(path, GENERIC_READ, FILE_SHARE_DELETE, retries);
    if (held && ReadHeld(held.Get(), path) != Text) return true;
    if (!held && GetLastError() != ERROR_FILE_NOT_FOUND && GetLastError() != ERROR_PATH_NOT_FOUND)
      return false;
    held.Reset();
    if (kept.PutBack()) return true;
    if (!retries.Again(GetLastError(), &Transient)) return false;
  }
}

}  // namespace

const TNameRule& StoreNameRule() {
  static const TNameRule rule{
      [](std::string_view name, std::string_view key) { return AnsiSameText(name, key); }, SortKey};
  return rule;
}

const std::wstring& TGenericSetup::Path() const {
  if (FPath.empty() || FPathAppName != AppName) {
    FPath = SettingsPath(AppName);
    FPathAppName = AppName;
  }
  return FPath;
}

std::string TGenericSetup::ConfigFileName() const { return WideToAnsi(Path()); }

void TGenericSetup::LoadSettings() {
  const std::wstring path = Path();
  const DWORD attributes = StoreFileCalls.GetFileAttributes(path.c_str());
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
  std::string bytes = ReadFileText(
      file.Get(),
      [&](const std::string& why) {
        throw ESettingsTooLarge(Format("Cannot open file \"%s\". %s", WideToAnsi(path).c_str(), why.c_str()));
      },
      [&](DWORD error) { RaiseOpenError(path, error); });
  Lines = SplitLines(bytes);
  IgnoredTail = HiddenTail(bytes);
  FileText = std::move(bytes);
  BaseLines = Lines;
  FLoaded = true;
}

bool TGenericSetup::SaveSettings() {
  const std::wstring path = Path();
  TRetryWindow retries;
  // What could not be read again is not written: this store's own text, and again after a merge.
  const auto refuseIfTooLarge = [&](const std::string& written) {
    const std::size_t size = SavedSize(written);
    if (size > MaxSettingsFileSize)
      throw EFCreateError(
          Format("Cannot create file \"%s\". %s", WideToAnsi(path).c_str(), TooLarge(size).c_str()));
  };
  // The lines and the tail written, when they are not the store's own: made over another program's.
  std::optional<TextLines> lines;
  std::string tail = IgnoredTail;
  std::string text = JoinLines(Lines) + tail;
  refuseIfTooLarge(text);

  // The file is replaced only where an exclusive create of it would succeed: not when it is
  // read-only, hidden or a system file.
  const DWORD attributes = StoreFileCalls.GetFileAttributes(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes &
       (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY)))
    RaiseCreateError(path, ERROR_ACCESS_DENIED);

  // The text is made from what the file held when this store last read or wrote it: `basis`.
  // Whatever another program wrote since is found right before the replace, and the text is made
  // again over it. A store that never loaded replaces the file whatever it holds.
  TFileState basis = FileText;
  // Makes the text from what the file holds now: the other program's lines with this store's
  // changes over them, or every line of this store where the file is gone or was emptied.
  const auto buildOn = [&](const TFileState& now) {
    if (now && !now->empty()) {
      lines = MergeLines(BaseLines, Lines, SplitLines(*now), StoreNameRule());
      tail = HiddenTail(*now);
    } else {
      lines.reset();
      tail = IgnoredTail;
    }
    text = JoinLines(lines ? *lines : Lines.Text()) + tail;
    refuseIfTooLarge(text);
  };

  // A first look, without holding the file: a change found now is built on before anything is
  // written, so that the new text is usually written once.
  if (TFileState now; FLoaded && ReadShared(path, path, now) && now != basis) {
    buildOn(now);
    basis = std::move(now);
  }
  // The new text is written and flushed before the settings file is looked at again, so that
  // between that look and the replace nothing is left to do.
  std::optional<TNewText> fresh;
  fresh.emplace(path, retries);
  fresh->Write(text);
  TKeptName kept(path);
  // Whether a look could hold the file: a replace that then fails meets another program, not a want
  // of rights.
  bool couldHold = false;
  constexpr int kRounds = 16;
  for (int round = 0;; ++round) {
    // The file changed between every look and its replace: another program writes it all the time.
    if (round == kRounds || (round > 0 && retries.Over())) RaiseCreateError(path, ERROR_SHARING_VIOLATION);
    // Every other program is shut out from the look on; only a rename may pass this handle.
    TUniqueHandle held = OpenExisting(path, GENERIC_READ, FILE_SHARE_DELETE, retries);
    TFileState now;
    if (held) {
      now = ReadHeld(held.Get(), path);
      couldHold = true;
    } else {
      const DWORD error = GetLastError();
      // Deleted since it was looked at: written anew.
      if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) RaiseCreateError(path, error);
    }
    if (FLoaded && now != basis) {
      // Made again while the file is held: nobody can write it until it is replaced.
      buildOn(now);
      fresh->Write(text);
      basis = now;
    }
    if (held && StoreFileCalls.ReplacesHeldFiles) {
      if (fresh->ReplaceHeld()) break;
      if (Unsupported(GetLastError())) StoreFileCalls.ReplacesHeldFiles = false;
    }
    // Where the system cannot replace a file held open, the handle goes just before the replace. A
    // second name keeps the file, so that what another program writes in between is seen afterwards:
    // it cannot still be writing then, as a file held open is not replaced either.
    const bool keeping = held && kept.Make();
    held.Reset();
    // A file that is not there is not replaced: one made meanwhile is looked at first.
    if (!fresh->Replace(now.has_value())) {
      const DWORD error = GetLastError();
      if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) continue;
      if (!retries.Again(error, &Transient))
        RaiseCreateError(path, HeldByAnother(path) || (couldHold && error == ERROR_ACCESS_DENIED)
                                   ? ERROR_SHARING_VIOLATION
                                   : error);
      continue;  // looked at again before the next try
    }
    if (!keeping) break;
    TFileState replaced;
    if (ReadShared(kept.Name(), path, replaced) && replaced == now) break;
    // Another program wrote between the look and the replace, which took the place of what it wrote.
    // That is put back at once, unless it wrote again since, and the next round builds on it. Where
    // it cannot be put back, it stays beside the settings file, and the save fails.
    if (!PutBackUnlessChanged(path, text, kept)) {
      kept.Keep();
      RaiseCreateError(path, ERROR_SHARING_VIOLATION);
    }
    basis = text;
    fresh.emplace(path, retries);
    fresh->Write(text);
  }
  kept.Remove();

  RemoveStaleTemporaries(path);
  const bool rewritten = (lines && *lines != Lines.Text()) || tail != IgnoredTail;
  if (lines) Lines = std::move(*lines);
  IgnoredTail = std::move(tail);
  FileText = std::move(text);
  BaseLines = Lines;
  return rewritten;
}

std::string TGenericSetup::ReadString(const std::string& Key, const std::string& Default) const {
  return Lines.ReadText(Key, Default);
}

std::int32_t TGenericSetup::ReadInteger(const std::string& Key, std::int32_t Default) const {
  return Lines.ReadInteger(Key, Default);
}

bool TGenericSetup::ReadBool(const std::string& Key, bool Default) const {
  return Lines.ReadBool(Key, Default);
}

void TGenericSetup::WriteString(const std::string& Key, const std::string& Value) { Lines.Write(Key, Value); }

void TGenericSetup::WriteInteger(const std::string& Key, std::int32_t Value) {
  Lines.WriteInteger(Key, Value);
}

void TGenericSetup::WriteBool(const std::string& Key, bool Value) { Lines.WriteBool(Key, Value); }

void TGenericSetup::EraseKey(const std::string& Key) { Lines.Erase(Key); }

}  // namespace px2d
