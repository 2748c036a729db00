#include "unInstances.h"

#include <vector>

#include "framework/Handles.h"
#include "framework/SysUtils.h"

namespace px2d {

namespace {

// Objects of the user's own session: a copy in another session (another user logged on at the
// same time, a terminal session) neither sees nor touches them.
constexpr wchar_t kSessionNamespace[] = L"Local\\";

struct TGuardState {
  std::wstring InstanceName;
  TUniqueHandle Mapping;
  TMappedView Record;
  bool Registered = false;
  // The lock was not let go within the time once: whoever holds it hangs, and this copy waits for it
  // no more, so that a hung holder delays its start once and its later steps not at all.
  bool LockHung = false;
};

TGuardState Guard;

TInstanceRecord& Record() { return *static_cast<TInstanceRecord*>(Guard.Record.Get()); }

TMappedView MapRecord(HANDLE mapping) {
  TMappedView view(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(TInstanceRecord)));
  if (!view) RaiseLastOSError();
  return view;
}

// Copies started at the same instant take turns at the record under a mutex of their own.
class TGuardLock {
 public:
  explicit TGuardLock(const std::wstring& instanceName) {
    TUserOnlySecurity security(MUTEX_ALL_ACCESS);
    FMutex = TUniqueHandle(CreateMutexW(security.Attributes(), FALSE, LockNameOf(instanceName).c_str()));
    // Without the mutex the guard still works, only without protection against a start storm.
    if (FMutex) {
      const DWORD wait = WaitForSingleObject(FMutex.Get(), Guard.LockHung ? 0 : 10000);
      FOwned = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
      if (wait == WAIT_TIMEOUT) Guard.LockHung = true;
    }
  }
  ~TGuardLock() {
    if (FOwned) ReleaseMutex(FMutex.Get());
  }
  TGuardLock(const TGuardLock&) = delete;
  TGuardLock& operator=(const TGuardLock&) = delete;

  static std::wstring LockNameOf(const std::wstring& instanceName) {
    std::uint64_t hash = 14695981039346656037ull;
    for (wchar_t c : instanceName) hash = (hash ^ static_cast<std::uint16_t>(c)) * 1099511628211ull;
    return kSessionNamespace +
           AnsiToWide(Format("SetupPanoplex2D.Guard.%016llx", static_cast<unsigned long long>(hash)));
  }

 private:
  TUniqueHandle FMutex;
  bool FOwned = false;
};

HWND ToWindow(std::int32_t handle) { return static_cast<HWND>(LongToHandle(handle)); }

// The executable's full path as the system reports it, in UTF-16: the ANSI form would lose the
// characters of a folder name that the code page lacks, and two copies could share one name.
std::wstring ModulePath() {
  std::vector<wchar_t> buffer(32768);  // the longest path the system has
  const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
  if (length == 0 || length >= buffer.size()) RaiseLastOSError();
  return std::wstring(buffer.data(), length);
}

}  // namespace

TUserOnlySecurity::TUserOnlySecurity(DWORD Access) {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return;
  const TUniqueHandle ownedToken(token);
  DWORD size = 0;
  if (!GetTokenInformation(token, TokenUser, FUser, sizeof FUser, &size)) return;
  auto* acl = reinterpret_cast<ACL*>(FAcl);
  FMade = InitializeAcl(acl, sizeof FAcl, ACL_REVISION) &&
          AddAccessAllowedAce(acl, ACL_REVISION, Access, reinterpret_cast<TOKEN_USER*>(FUser)->User.Sid) &&
          InitializeSecurityDescriptor(&FDescriptor, SECURITY_DESCRIPTOR_REVISION) &&
          SetSecurityDescriptorDacl(&FDescriptor, TRUE, acl, FALSE);
  FAttributes = {sizeof FAttributes, &FDescriptor, FALSE};
}

std::wstring InstanceNameOf(const std::wstring& modulePath) {
  std::wstring name;
  name.reserve(modulePath.size());
  for (wchar_t c : modulePath)
    if (c != L'\\') name += c;
  return name;
}

std::wstring RecordName(const std::wstring& modulePath) {
  return kSessionNamespace + InstanceNameOf(modulePath);
}

std::wstring GuardLockName(const std::wstring& modulePath) {
  return TGuardLock::LockNameOf(InstanceNameOf(modulePath));
}

bool CheckPreviousInstance(std::uint32_t ActivationHandle, std::int32_t MaxInstances) {
  Guard.InstanceName = InstanceNameOf(ModulePath());
  const TGuardLock lock(Guard.InstanceName);

  TUserOnlySecurity security(SECTION_ALL_ACCESS);
  // The handle that comes back serves an existing record as well: opening the name once more could
  // fail when the copy that held it ends in between.
  Guard.Mapping = TUniqueHandle(CreateFileMappingW(INVALID_HANDLE_VALUE, security.Attributes(),
                                                   PAGE_READWRITE, 0, sizeof(TInstanceRecord),
                                                   (kSessionNamespace + Guard.InstanceName).c_str()));
  if (!Guard.Mapping) RaiseLastOSError();
  const bool first = GetLastError() != ERROR_ALREADY_EXISTS;
  Guard.Record = MapRecord(Guard.Mapping.Get());
  if (first || Record().Count < MaxInstances) {
    Record().Handle = static_cast<std::int32_t>(ActivationHandle);
    Record().Count = first ? 1 : Record().Count + 1;
    Guard.Registered = true;
    return false;
  }

  // 0: the running copy has no window yet, so there is nothing to bring forward.
  if (const HWND running = ToWindow(Record().Handle)) {
    if (IsIconic(running)) ShowWindow(running, SW_RESTORE);
    SetForegroundWindow(running);
  }
  return true;
}

void SetInstanceWindow(HWND Window) {
  if (!Guard.Registered || !Guard.Record) return;
  const TGuardLock lock(Guard.InstanceName);
  Record().Handle = HandleToLong(Window);
}

void ShutdownInstances() {
  if (Guard.InstanceName.empty()) return;
  if (Guard.Registered && Guard.Record) {
    const TGuardLock lock(Guard.InstanceName);
    --Record().Count;
    Guard.Registered = false;
  }
  Guard.Record.Reset();
  Guard.Mapping.Reset();
  Guard.InstanceName.clear();
}

}  // namespace px2d
