// Another program writes the settings file while the window is open: Apply keeps what it wrote and
// makes only the window's own edits over it. Each row starts the real program on one stored file,
// lets the other program write, ticks "Run when Windows starts", presses Apply and compares every
// byte of the file.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <optional>
#include <string>

#include "OptionsWindowFixture.h"

namespace px2d::e2e {
namespace {

// The stored file: every key, four of them in a form that the window only tidies when it loads
// them, which are no edits of the window's: a value out of range, a missing key, a corner of no
// known action and a combination not in its normal form; and a key that the window does not show.
const std::string Stored = FileWith({{"area size", "40"},
                                     {"activation delay", std::nullopt},
                                     {"active corner 7", "5"},
                                     {"activation key", "shift+ctrl+f11"}}) +
                           "future key=42\r\n";

// The stored file with the other program's changes made to it.
std::string StoredWith(const std::map<std::string, std::optional<std::string>>& Changes,
                       const std::string& After = "future key=42\r\n") {
  std::map<std::string, std::optional<std::string>> all = {{"area size", "40"},
                                                           {"activation delay", std::nullopt},
                                                           {"active corner 7", "5"},
                                                           {"activation key", "shift+ctrl+f11"}};
  for (const auto& [key, value] : Changes) all[key] = value;
  return FileWith(all) + After;
}

struct TMergeCase {
  const char* name;
  // What the other program writes while the window is open; none: it deletes the file.
  std::optional<std::string> theirs;
  // The file after Apply; none: Apply fails with an error that begins with failure.
  std::optional<std::string> written;
  const char* failure = "";
  // What the pages show after Apply.
  std::function<void(OptionsWindow&)> shows = [](OptionsWindow&) {};
};

class Merge : public OptionsWindow {
 public:
  void Check(const TMergeCase& c) {
    SCOPED_TRACE(c.name);
    TSwitcherStandIn switcher;
    Start(Stored);
    if (c.theirs)
      WriteBytes(SettingsPath(), *c.theirs);
    else
      DeleteFileA(SettingsPath().c_str());
    Click(Item(idRunWithWindows));
    ASSERT_TRUE(WaitUntil([&] { return ApplyEnabled(); }));
    if (c.written) {
      Apply();
      EXPECT_FALSE(ApplyEnabled());
      EXPECT_EQ(ReadBytes(SettingsPath()), c.written);
      EXPECT_EQ(switcher.Messages(window).size(), 1u);
      EXPECT_TRUE(Ticked(idRunWithWindows));
      c.shows(*this);
    } else {
      EXPECT_EQ(ClickAndAnswer(idApply).rfind(c.failure, 0), 0u);
      EXPECT_TRUE(ApplyEnabled()) << "the edit is still to be applied";
      EXPECT_EQ(ReadBytes(SettingsPath()), c.theirs) << "the file is kept as the other program left it";
      EXPECT_TRUE(switcher.Messages(window).empty());
    }
    Click(Item(idCancel));
    ExpectExit();
    RemoveTree(SettingsFolder());
  }
};

TEST_F(Merge, ApplyKeepsWhatAnotherProgramWroteAndMakesTheWindowsEditsOverIt) {
  // What Apply writes when nobody else wrote: the window's normal form of the stored file, the key
  // that was missing where a new key goes.
  const std::string WrittenAsEver = FileWith({{"run with windows", "1"},
                                              {"area size", "16"},
                                              {"active corner 7", "-1"},
                                              {"activation key", "Ctrl+Shift+F11"},
                                              {"activation delay", std::nullopt}}) +
                                    "future key=42\r\nactivation delay=100\r\n";
  // Larger than any settings file (64 KiB).
  const std::string big(64 * 1024 + 1, 'x');
  const TMergeCase cases[] = {
      {"nobody else writes: the file in the window's normal form, as ever", Stored, WrittenAsEver},
      {"it adds a line, and changes one that the window shows",
       StoredWith({{"show desktop", "0"}}, "future key=42\r\nsome other program=7\r\n"),
       StoredWith({{"show desktop", "0"}, {"run with windows", "1"}},
                  "future key=42\r\nsome other program=7\r\n"),
       "", [](OptionsWindow& w) { EXPECT_FALSE(w.Ticked(idShowDesktop)) << "the page shows the file"; }},
      {"it removes a line that the window shows", StoredWith({{"effect duration", std::nullopt}}),
       StoredWith({{"effect duration", std::nullopt}, {"run with windows", "1"}})},
      {"it changes a line that the window does not show", StoredWith({}, "future key=43\r\n"),
       StoredWith({{"run with windows", "1"}}, "future key=43\r\n")},
      {"it removes a line that the window does not show", StoredWith({}, ""),
       StoredWith({{"run with windows", "1"}}, "")},
      {"it changes the key that the window changed: the window's value, pressed last",
       StoredWith({{"run with windows", "7"}, {"area size", "3"}}),
       StoredWith({{"run with windows", "1"}, {"area size", "3"}}), "",
       [](OptionsWindow& w) { EXPECT_EQ(w.Position(idAreaSize), 3); }},
      {"it removes the key that the window changed: written where a new key goes",
       StoredWith({{"run with windows", std::nullopt}}),
       StoredWith({{"run with windows", std::nullopt}}) + "run with windows=1\r\n"},
      {"it reorders the lines", "future key=42\r\nrun with windows=0\r\nsearch position=0\r\n",
       "future key=42\r\nrun with windows=1\r\nsearch position=0\r\n"},
      {"it duplicates a key: the first line is the key's",
       "run with windows=0\r\narea size=2\r\nrun with windows=0\r\narea size=9\r\n",
       "run with windows=1\r\narea size=2\r\nrun with windows=0\r\narea size=9\r\n", "",
       [](OptionsWindow& w) { EXPECT_EQ(w.Position(idAreaSize), 2); }},
      {"it writes a name in another case: the same key", "RUN WITH WINDOWS=0\r\nSHOW DESKTOP=0\r\n",
       "run with windows=1\r\nSHOW DESKTOP=0\r\n"},
      {"it adds a zero byte: what follows it is kept", StoredWith({}) + std::string("\0tail", 5),
       StoredWith({{"run with windows", "1"}}) + std::string("\0tail", 5)},
      {"it deletes the file: written anew with everything the window holds", std::nullopt, WrittenAsEver},
      {"it grows the file past the limit: kept, and Apply fails", big, std::nullopt, "Cannot create file \""},
  };
  for (const TMergeCase& c : cases) Check(c);
}

}  // namespace
}  // namespace px2d::e2e
