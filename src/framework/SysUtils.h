// Exceptions and system error texts shared by every unit.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace px2d {

// Every failure of the program is an Exception carrying the exact text the user sees.
class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
  std::string Message() const { return what(); }
};

// A failure of a system call, with the system's error code.
class EOSError : public Exception {
 public:
  EOSError(unsigned long code, const std::string& message) : Exception(message), ErrorCode(code) {}
  unsigned long ErrorCode;
};

// printf-style formatting into a std::string.
std::string Format(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// The system's text for an error code, with trailing spaces, control characters and periods removed.
std::string SysErrorMessage(unsigned long code);

// Raises "System Error.  Code: %d.\r\n%s" for the code.
[[noreturn]] void RaiseOSError(unsigned long code);
[[noreturn]] void RaiseLastOSError();

}  // namespace px2d

namespace px2d {

// Equal ignoring letter case under the user's locale (CompareStringA, NORM_IGNORECASE).
bool AnsiSameText(std::string_view a, std::string_view b);

// Text in the ANSI code page as UTF-16, for the wide system functions.
std::wstring AnsiToWide(std::string_view text);
// UTF-16 text in the ANSI code page, for messages; a character that the code page lacks shows as
// "?" rather than as a look-alike.
std::string WideToAnsi(std::wstring_view text);

}  // namespace px2d
