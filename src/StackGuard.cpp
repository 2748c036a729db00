// The stack checks' support for GCC builds (MSVC's /GS brings its own): the canary that every
// protected function compares before it returns, and what happens when a comparison fails.
// GCC's own support seeds the canary through the CryptoAPI, which loads crypt32, bcrypt and rsaenh
// at start-up, a cost that shows in every start of the program. The system's random generator
// (RtlGenRandom, in advapi32, which the program loads anyway) gives the same entropy without them.
// Defining these symbols here keeps that support out of the executable.
#if defined(__GNUC__) && !defined(_MSC_VER)

#include <windows.h>

#include <cstdint>

extern "C" {

// Until it is seeded, a fixed value that is not zero, as GCC's own support has.
std::uintptr_t __stack_chk_guard = static_cast<std::uintptr_t>(0x2f8a1c6e5d3b9047ull);

// RtlGenRandom's exported name; the system's headers declare it only under that alias.
__declspec(dllimport) BOOLEAN WINAPI SystemFunction036(PVOID RandomBuffer, ULONG RandomBufferLength);

// A smashed stack ends the process at once, with the status that Windows reports for a failed
// stack check: no handler of the damaged program runs.
[[noreturn]] void __stack_chk_fail(void) {
  TerminateProcess(GetCurrentProcess(), static_cast<UINT>(0xC0000409L));  // STATUS_STACK_BUFFER_OVERRUN
  __builtin_unreachable();
}

// The checked string and memory functions report an overflow here; the same end.
[[noreturn]] void __chk_fail(void) { __stack_chk_fail(); }

}  // extern "C"

namespace {

// Runs among the first constructors, before any function that the canary protects is on the stack
// (the canary may change only while none is). Not protected itself, for the same reason.
__attribute__((constructor(101), no_stack_protector)) void SeedStackGuard() {
  std::uintptr_t seed = 0;
  if (!SystemFunction036(&seed, sizeof seed) || seed == 0) {
    // No random generator: what differs from start to start, as the system's own cookie does.
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    seed = __stack_chk_guard ^ static_cast<std::uintptr_t>(counter.QuadPart) ^
           (static_cast<std::uintptr_t>(now.dwHighDateTime) << 32 | now.dwLowDateTime) ^
           (static_cast<std::uintptr_t>(GetCurrentProcessId()) << 16) ^
           reinterpret_cast<std::uintptr_t>(&seed);
  }
  if (seed != 0) __stack_chk_guard = seed;
}

}  // namespace

#endif
