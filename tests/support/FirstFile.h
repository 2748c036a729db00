// The settings file that the first Apply writes after a start without one, nothing edited: every
// key the window shows, with its default, in the order in which they are written (the search
// position first: the load of the search page writes it into the empty store before any page is
// saved). Written out by hand from the design, the one copy of it in the tests: the tests of the
// catalogue check the keys' texts and defaults against it, and the end-to-end fixture and the
// benchmarks build their settings files from it. Free of any platform header.
#pragma once

#include <string>

namespace px2d::test {

struct TFirstFileLine {
  const char* Key;
  const char* Value;
};

inline constexpr TFirstFileLine FirstFileLines[] = {
    {"search position", "0"},  {"include minimized", "1"}, {"run with windows", "0"},
    {"show balloon", "1"},     {"show desktop", "1"},      {"show desktop window", "0"},
    {"desktop opacity", "75"}, {"activation key", "F11"},  {"active corner 1", "1"},
    {"active corner 2", "0"},  {"active corner 3", "0"},   {"active corner 4", "0"},
    {"active corner 5", "0"},  {"active corner 6", "0"},   {"active corner 7", "0"},
    {"active corner 8", "0"},  {"area size", "1"},         {"activation delay", "100"},
    {"enable search", "1"},    {"effect duration", "400"}, {"search duration", "300"},
};

// The file's bytes: each line followed by CR LF.
inline std::string FirstFileText() {
  std::string text;
  for (const TFirstFileLine& line : FirstFileLines) text += std::string(line.Key) + "=" + line.Value + "\r\n";
  return text;
}

}  // namespace px2d::test
