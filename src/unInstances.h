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

// The executable's path without its backslashes: the name of the shared record.
std::wstring InstanceNameOf(const std::wstring& modulePath);

// False: this copy is registered and goes on, with ActivationHandle in the record (0 while it has
// no window). True: it must stop at once; the running copy's window, if it has one yet, has been
// brought forward.
bool CheckPreviousInstance(std::uint32_t ActivationHandle, std::int32_t MaxInstances);

// Stores the options window in the record, so that a refused copy can bring it forward.
void SetInstanceWindow(HWND Window);

// Takes this copy out of the count and releases the record; runs once when the process ends.
void ShutdownInstances();

}  // namespace px2d
