// How the tests start another program: a start that Wine's loader ended before the program's first
// line is made once more, and says so; every other failure reaches the test as CreateProcess left it.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

#include "support/Processes.h"

namespace px2d::test {
namespace {

TEST(ProgramStart, OnlyAStartEndedBeforeItsFirstLineIsMadeAgainOnce) {
  constexpr DWORD ok = ERROR_SUCCESS;
  const struct {
    std::vector<DWORD> answers;  // what each call of CreateProcess answers, in turn: ok or its error
    bool started;
    std::size_t calls;
    DWORD error;  // GetLastError after a failed start
    bool said;    // the output says that the start was made again
  } cases[] = {
      {{ok}, true, 1, 0, false},
      {{ERROR_INTERNAL_ERROR, ok}, true, 2, 0, true},
      {{ERROR_INTERNAL_ERROR, ERROR_INTERNAL_ERROR, ok}, false, 2, ERROR_INTERNAL_ERROR, true},
      {{ERROR_FILE_NOT_FOUND, ok}, false, 1, ERROR_FILE_NOT_FOUND, false},
      {{ERROR_ACCESS_DENIED, ok}, false, 1, ERROR_ACCESS_DENIED, false},
  };
  for (const auto& c : cases) {
    std::size_t calls = 0;
    testing::internal::CaptureStdout();
    const bool started = StartProgram(
        [&] {
          const DWORD answer = c.answers.at(calls++);
          SetLastError(answer);
          return answer == ok ? TRUE : FALSE;
        },
        "the planted program");
    const DWORD error = GetLastError();
    const std::string output = testing::internal::GetCapturedStdout();
    SCOPED_TRACE("first answer " + std::to_string(c.answers.front()) + ", " +
                 std::to_string(c.answers.size()) + " answers");
    EXPECT_EQ(started, c.started);
    EXPECT_EQ(calls, c.calls);
    if (!c.started) {
      EXPECT_EQ(error, c.error);
    }
    EXPECT_EQ(output.find("the planted program did not start") != std::string::npos, c.said) << output;
    EXPECT_EQ(output.find("started again") != std::string::npos, c.said) << output;
  }
}

}  // namespace
}  // namespace px2d::test
