// Starting another program from a test.
#pragma once

#include <windows.h>

#include <cstdio>

namespace px2d::test {

// Starts a program through Start, a call of CreateProcess that answers its BOOL. Under Wine,
// CreateProcess fails with ERROR_INTERNAL_ERROR when the new process ended before the program's
// first line, while Wine's loader set the process up (tools/lib.sh says why it can): that start
// alone is tried once more, and the test's output says so. Any other failure, and a second one, is
// the caller's to report, with GetLastError as CreateProcess left it.
template <typename TStart>
bool StartProgram(TStart&& Start, const char* Name) {
  if (Start()) return true;
  if (GetLastError() != ERROR_INTERNAL_ERROR) return false;
  std::printf("%s did not start (CreateProcess error %ld: it ended before its first line); started again\n",
              Name, static_cast<long>(ERROR_INTERNAL_ERROR));
  std::fflush(stdout);
  return Start() != FALSE;
}

}  // namespace px2d::test
