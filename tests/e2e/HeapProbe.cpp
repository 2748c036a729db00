// Loaded into the program by the long-session test: counts, from inside, the bytes that the
// program's heaps hand out. Resident memory cannot show a small leak, since a heap first fills the
// free room of pages it already holds; the heaps' own record of their busy blocks shows every byte.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }

// A thread's start routine, so that another process can call it with CreateRemoteThread and read
// the answer as the thread's exit code: the bytes in busy blocks of every heap of the process.
extern "C" __declspec(dllexport) DWORD WINAPI BusyHeapBytes(LPVOID) {
  // On the stack, so that counting allocates nothing.
  HANDLE heaps[256];
  const DWORD count = GetProcessHeaps(256, heaps);
  unsigned long long busy = 0;
  for (DWORD h = 0; h < count && h < 256; ++h) {
    if (!HeapLock(heaps[h])) continue;
    PROCESS_HEAP_ENTRY entry{};
    while (HeapWalk(heaps[h], &entry))
      if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) busy += entry.cbData;
    HeapUnlock(heaps[h]);
  }
  return busy > 0xFFFFFFFEull ? 0xFFFFFFFEul : static_cast<DWORD>(busy);
}
