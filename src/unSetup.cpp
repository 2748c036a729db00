#include "unSetup.h"

#include <windows.h>

#include <knownfolders.h>
#include <shlobj.h>

#include <algorithm>
#include <memory>

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

}  // namespace

std::string TGenericSetup::ConfigFileName() const { return WideToAnsi(SettingsPath(AppName)); }

void TGenericSetup::LoadSettings() {
  const std::wstring path = SettingsPath(AppName);
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return;

  TUniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) RaiseOpenError(path, GetLastError());
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.Get(), &size)) RaiseOpenError(path, GetLastError());
  std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD read = 0;
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
    if (!ReadFile(file.Get(), bytes.data() + done, want, &read, nullptr))
      RaiseOpenError(path, GetLastError());
    if (read == 0) break;  // the file shrank while we read it
    done += read;
  }
  bytes.resize(done);
  Lines = SplitLines(bytes);
}

void TGenericSetup::SaveSettings() {
  const std::wstring path = SettingsPath(AppName);
  const std::string text = JoinLines(Lines);

  // The file is replaced only where an exclusive create of it would succeed: not when it is
  // read-only, hidden or a system file, and not while any other program holds it open.
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    if (attributes &
        (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY))
      RaiseCreateError(path, ERROR_ACCESS_DENIED);
    TUniqueHandle probe(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!probe) RaiseCreateError(path, GetLastError());
  }

  // The new text goes to a file of its own beside the settings file, which it then replaces
  // in one step: a failure at any point leaves the settings file as it was.
  const std::wstring temporary = path + AnsiToWide(Format(".%lu.tmp", GetCurrentProcessId()));
  {
    TUniqueHandle file(CreateFileW(temporary.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) RaiseCreateError(path, GetLastError());
    DWORD written = 0;
    const bool ok = WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
                    written == text.size() && FlushFileBuffers(file.Get());
    if (!ok) {
      file.Reset();
      DeleteFileW(temporary.c_str());
      throw EWriteError("Stream write error");
    }
  }
  DWORD error = ERROR_SUCCESS;
  for (int attempt = 0; attempt < 5; ++attempt) {
    if (MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
      return;
    error = GetLastError();
    // A reader that opened the file a moment ago (the switcher reloading) holds it only briefly.
    if (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED) break;
    Sleep(20);
  }
  DeleteFileW(temporary.c_str());
  RaiseCreateError(path, error);
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
