// Another program writes the settings file while the window is open: Apply keeps what it wrote and
// makes only the window's own edits over it. Each row starts the real program on a stored file (or
// none), lets the other program write, ticks "Run when Windows starts", presses Apply and compares
// every byte of the file; some rows then let the other program write again, untick "Show the system
// tray balloon" and Apply a second time.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <optional>
#include <stdexcept>
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

// The text with the first occurrence of `from` replaced by `to`; the text must hold it.
std::string Replaced(const std::string& text, const std::string& from, const std::string& to) {
  const std::size_t at = text.find(from);
  if (at == std::string::npos) throw std::invalid_argument("Replaced: no \"" + from + "\" in the text");
  return text.substr(0, at) + to + text.substr(at + from.size());
}

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
  // What the pages show after the last Apply.
  std::function<void(OptionsWindow&)> shows = [](OptionsWindow&) {};
  // The window starts without a settings file rather than on the stored one.
  bool noFileAtStart = false;
  // What the other program writes after the first Apply, and the file after the second one; none:
  // only one Apply.
  std::optional<std::string> theirsThen = std::nullopt;
  std::string writtenThen = "";
};

class Merge : public OptionsWindow {
 public:
  void Check(const TMergeCase& c) {
    SCOPED_TRACE(c.name);
    TSwitcherStandIn switcher;
    Start(c.noFileAtStart ? std::nullopt : std::optional<std::string>(Stored));
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
      if (c.theirsThen) {
        // The first Apply's edit is written: the second must not write it again over what the
        // other program made of the file since.
        WriteBytes(SettingsPath(), *c.theirsThen);
        Click(Item(idBalloon));
        ASSERT_TRUE(WaitUntil([&] { return ApplyEnabled(); }));
        Apply();
        EXPECT_EQ(ReadBytes(SettingsPath()), c.writtenThen) << "the second Apply";
        EXPECT_EQ(switcher.Messages(window).size(), 2u);
      }
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

      // The window starts without a file, and the other program makes one meanwhile: its lines stay,
      // with the window's edit over them; the defaults that the window only shows are no edits.
      {.name = "no file at the start; it makes one: its lines, the window's edit where a new key goes",
       .theirs = "show desktop=0\r\nfuture key=7\r\n",
       .written = "show desktop=0\r\nfuture key=7\r\nrun with windows=1\r\n",
       .shows = [](OptionsWindow& w) { EXPECT_FALSE(w.Ticked(idShowDesktop)) << "the page shows the file"; },
       .noFileAtStart = true},
      {.name = "no file at the start; it makes one with the key that the window changed: the window's value",
       .theirs = "run with windows=0\r\narea size=3\r\n",
       .written = "run with windows=1\r\narea size=3\r\n",
       .shows = [](OptionsWindow& w) { EXPECT_EQ(w.Position(idAreaSize), 3); },
       .noFileAtStart = true},
      {.name = "no file at the start; it makes an empty one: written anew with everything the window holds",
       .theirs = "",
       .written = FileWith({{"run with windows", "1"}}),
       .noFileAtStart = true},

      // Two Applies, the other program writing between them: the second writes only its own edit
      // over what the other program made of the file, never the first Apply's edits again.
      {.name = "after the first Apply it sets the key that Apply wrote back: the second keeps its value",
       .theirs = Stored,
       .written = WrittenAsEver,
       .shows =
           [](OptionsWindow& w) { EXPECT_FALSE(w.Ticked(idRunWithWindows)) << "the page shows the file"; },
       .theirsThen = Replaced(WrittenAsEver, "run with windows=1", "run with windows=0"),
       .writtenThen = Replaced(Replaced(WrittenAsEver, "run with windows=1", "run with windows=0"),
                               "show balloon=1", "show balloon=0")},
      {.name = "after the first Apply it removes the key that Apply wrote: it stays removed",
       .theirs = Stored,
       .written = WrittenAsEver,
       .theirsThen = Replaced(WrittenAsEver, "run with windows=1\r\n", ""),
       .writtenThen = Replaced(Replaced(WrittenAsEver, "run with windows=1\r\n", ""), "show balloon=1",
                               "show balloon=0")},
      {.name = "after the first Apply it writes again a value that the window tidied on loading: kept",
       .theirs = Stored,
       .written = WrittenAsEver,
       .shows = [](OptionsWindow& w) { EXPECT_EQ(w.Position(idAreaSize), 16) << "shown clamped"; },
       .theirsThen = Replaced(WrittenAsEver, "area size=16", "area size=40"),
       .writtenThen = Replaced(Replaced(WrittenAsEver, "area size=16", "area size=40"), "show balloon=1",
                               "show balloon=0")},
      {.name = "no file at the start; after the first Apply it changes that key and adds one: both kept",
       .theirs = std::nullopt,  // nobody writes before the first Apply
       .written = FileWith({{"run with windows", "1"}}),
       .noFileAtStart = true,
       .theirsThen = FileWith({{"run with windows", "0"}}) + "future key=7\r\n",
       .writtenThen = FileWith({{"run with windows", "0"}, {"show balloon", "0"}}) + "future key=7\r\n"},
  };
  for (const TMergeCase& c : cases) Check(c);
}

}  // namespace
}  // namespace px2d::e2e
