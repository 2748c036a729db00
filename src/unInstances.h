// The single-instance guard: a count of the running copies of one executable in named shared memory.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace px2d {

// The 8-byte record shared by the copies of one executable.
struct TInstanceRecord {
  std::int32_t Handle;  // options window of the copy that registered last; 0 until that window exists
  std::int32_t Count;   // copies registered and not yet ended
};
static_assert(sizeof(TInstanceRecord) == 8, "the record is 8 bytes");

// The executable's path without its backslashes: the instance name.
std::wstring InstanceNameOf(const std::wstring& modulePath);
// The shared record's name: the instance name in the session's namespace ("Local\").
std::wstring RecordName(const std::wstring& modulePath);
// The mutex under which the copies of one executable take turns at their record, also in the
// session's namespace; named after the instance name, which belongs to the record.
std::wstring GuardLockName(const std::wstring& modulePath);

// A security descriptor that grants the user of this process Access and nobody anything else.
class TUserOnlySecurity {
 public:
  explicit TUserOnlySecurity(DWORD Access);
  TUserOnlySecurity(const TUserOnlySecurity&) = delete;
  TUserOnlySecurity& operator=(const TUserOnlySecurity&) = delete;
  // The attributes to create an object with; null (the default security) when the user could not
  // be told or the descriptor could not be made.
  SECURITY_ATTRIBUTES* Attributes() { return FMade ? &FAttributes : nullptr; }

 private:
  alignas(8) BYTE FUser[256] = {};  // TOKEN_USER with the user's SID
  alignas(8) BYTE FAcl[256] = {};
  SECURITY_DESCRIPTOR FDescriptor{};
  SECURITY_ATTRIBUTES FAttributes{};
  bool FMade = false;
};

// False: this copy is registered and goes on, with ActivationHandle in the record (0 while it has
// no window). True: it must stop at once; the running copy's window, if it has one yet, has been
// brought forward.
bool CheckPreviousInstance(std::uint32_t ActivationHandle, std::int32_t MaxInstances);

// Stores the options window in the record, so that a refused copy can bring it forward.
void SetInstanceWindow(HWND Window);

// Takes this copy out of the count and releases the record; runs once when the process ends.
void ShutdownInstances();

}  // namespace px2d
