// The real program when things go wrong around its settings file: killed in the middle of Apply, a
// file that other programs hold open, a folder where the file belongs, two copies sharing the file,
// and (run by fault-folder.sh) a settings folder that is full or cannot be written. Each ends with
// the file's bytes compared to what they must be.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <iostream>
#include <thread>
#include <vector>

#include "OptionsWindowFixture.h"
#include "support/FolderWatch.h"

namespace px2d::e2e {
namespace {

// The names in the settings folder other than the settings file itself.
std::vector<std::string> OtherEntries() {
  std::vector<std::string> names;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((SettingsFolder() + "\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    const std::string name = data.cFileName;
    if (name != "." && name != ".." && name != "Panoplex2D.conf") names.push_back(name);
  } while (FindNextFileA(find, &data));
  FindClose(find);
  std::sort(names.begin(), names.end());
  return names;
}

double NowMs() {
  LARGE_INTEGER frequency, now;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

// Sent, so that the program has handled it when this returns; false when it did not answer.
bool SendClick(HWND Control) {
  DWORD_PTR ignored = 0;
  return SendMessageTimeoutA(Control, BM_CLICK, 0, 0, SMTO_NORMAL, 10000, &ignored) != 0;
}

// The text of the error box that the process shows, answered; empty when it shows none.
std::string AnswerProcessBox(DWORD ProcessId) {
  HWND box = FindProcessWindow(ProcessId, "#32770", Title, 0);
  if (!box) return "";
  char text[1024] = {};
  GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  return text[0] ? text : "<a box without text>";
}

// The window of a copy that is starting; an error box that it shows first is answered, and its text
// kept in Error.
HWND WaitForWindow(DWORD ProcessId, std::string& Error) {
  for (const DWORD start = GetTickCount(); GetTickCount() - start < 20000; Sleep(20)) {
    if (const std::string text = AnswerProcessBox(ProcessId); !text.empty()) Error = text;
    if (HWND window = FindProcessWindow(ProcessId, "TForm1", Title, 0)) return window;
  }
  return nullptr;
}

class Faults : public OptionsWindow {
 public:
  // Starts the program without waiting for it to settle: only posted and sent messages drive it.
  void StartQuietly() {
    program.emplace(ProgramPath());
    window = FindProcessWindow(program->Id(), "TForm1", Title, 20000);
  }
  // Posts Apply and waits until the program has disabled it again: the milliseconds that took.
  double TimedApply() {
    const double start = NowMs();
    PostMessageA(Item(idApply), BM_CLICK, 0, 0);
    while (IsWindowEnabled(Item(idApply)) && NowMs() - start < 10000) Sleep(0);
    return NowMs() - start;
  }
};

// --- Killed in the middle of Apply ---

// The program is killed at moments spread from the click on Apply to well past the end of the save.
// Each time the settings file is the old or the new text, whole; the temporary files that killed
// saves leave are removed by the next save that runs to its end. A watch on the folder sees every
// save: the settings file is only ever renamed over, never removed or renamed away, so that there is
// no moment, however short, in which a kill (or a power cut) would leave no settings file at all.
TEST_F(Faults, KilledDuringApplyLeavesTheOldOrTheNewWholeFile) {
  const std::string before = FileWith();
  const std::string after = FileWith({{"run with windows", "1"}});
  CreateDirectoryA((AppDataFolder() + "\\Brightfallow").c_str(), nullptr);
  CreateDirectoryA(SettingsFolder().c_str(), nullptr);
  test::TFolderWatch watch(SettingsFolder());

  // A save run to its end shows how long one takes on this machine.
  StartQuietly();
  ASSERT_TRUE(window);
  ASSERT_TRUE(SendClick(Item(idRunWithWindows)));
  double saveMs = TimedApply();
  for (int i = 0; i < 4; ++i) {
    ASSERT_TRUE(SendClick(Item(idRunWithWindows)));
    saveMs = std::max(saveMs, TimedApply());
  }
  program->Kill();
  ASSERT_EQ(ReadBytes(SettingsPath()), after);

  const int runs = 40;
  int oldText = 0, newText = 0, temporaries = 0;
  for (int run = 0; run < runs; ++run) {
    WriteBytes(SettingsPath(), before);
    StartQuietly();
    ASSERT_TRUE(window);
    ASSERT_TRUE(SendClick(Item(idRunWithWindows)));
    // The first kills come before Apply is pressed and the last ones once Apply shows disabled, so
    // that the old and the new text are each seen however slow the machine; the rest are spread
    // over a save and a quarter.
    double delay = -1;
    if (run >= runs - 2) {
      TimedApply();
      EXPECT_FALSE(IsWindowEnabled(Item(idApply))) << "the save ended";
    } else if (run >= 2) {
      delay = (1.25 * saveMs + 1) * (run - 2) / (runs - 5);
      const double start = NowMs();
      PostMessageA(Item(idApply), BM_CLICK, 0, 0);
      while (NowMs() - start < delay) Sleep(0);
    }
    program->Kill();

    const auto bytes = ReadBytes(SettingsPath());
    ASSERT_TRUE(bytes == before || bytes == after)
        << "kill " << run << ", " << delay
        << " ms after Apply (-1: before it or once it ended): " << (bytes ? "\n" + *bytes : "no file");
    ++(bytes == before ? oldText : newText);
    // Beside the settings file, only temporary files of killed saves: this one's, counted, and those
    // of earlier ones while no save has run to its end since.
    const std::string own = "Panoplex2D.conf." + std::to_string(program->Id()) + ".tmp";
    for (const std::string& name : OtherEntries()) {
      if (name == own)
        ++temporaries;
      else
        EXPECT_EQ(name.rfind("Panoplex2D.conf.", 0), 0u) << name;
    }
  }
  std::cout << "A save took up to " << saveMs << " ms; of " << runs << " kills, " << oldText
            << " left the old text and " << newText << " the new; " << temporaries
            << " left a temporary file\n";
  EXPECT_GE(oldText, 2) << "the kills before Apply left the old text";
  EXPECT_GE(newText, 2) << "the kills after Apply left the new text";

  // Names other than the settings file's own come and go in a save (its new text, a second name of
  // the file as it was): only the settings file's matter.
  const auto changes = watch.Stop();
  ASSERT_FALSE(watch.Incomplete()) << "the watch on the settings folder may have missed changes";
  int renamedOver = 0, removed = 0, renamedAway = 0;
  for (const auto& change : changes) {
    if (_wcsicmp(change.Name.c_str(), L"Panoplex2D.conf") != 0) continue;
    renamedOver += change.Action == FILE_ACTION_RENAMED_NEW_NAME;
    removed += change.Action == FILE_ACTION_REMOVED;
    renamedAway += change.Action == FILE_ACTION_RENAMED_OLD_NAME;
  }
  EXPECT_EQ(removed, 0) << "the settings file was removed before its new text took its place";
  EXPECT_EQ(renamedAway, 0) << "the settings file was renamed away before its new text took its place";
  EXPECT_GE(renamedOver, 5 + 2) << "every save that ran to its end renamed a new text over the settings file";

  Start(std::nullopt);
  TickAndUntick();
  Apply();
  EXPECT_FALSE(ApplyEnabled());
  EXPECT_EQ(OtherEntries(), std::vector<std::string>{}) << "a save removes what killed saves left";
  Click(Item(idCancel));
  ExpectExit();
}

// A save removes the temporary files of killed saves, and nothing else: not the one that a running
// copy is still writing, nor files whose names merely look alike.
TEST_F(Faults, ASaveRemovesOnlyTheTemporaryFilesThatNoCopyHolds) {
  const std::string file = SettingsPath();
  WriteBytes(file, FileWith());
  const std::string stale[] = {file + ".4242.tmp", file + ".7.tmp"};
  const std::string unlike[] = {file + ".12a.tmp", file + "..tmp", file + ".4242.tmp.bak",
                                SettingsFolder() + "\\Other.conf.4242.tmp"};
  for (const auto& name : stale) WriteBytes(name, "search posit");
  for (const auto& name : unlike) WriteBytes(name, "kept");
  // A running copy holds its temporary file open from creation until it has replaced the settings
  // file with it, sharing nothing but the rename.
  const std::string writing = file + ".4243.tmp";
  TUniqueHandle held(CreateFileA(writing.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_DELETE, nullptr,
                                 CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(held);

  Start(std::nullopt);
  Click(Item(idRunWithWindows));
  Apply();
  EXPECT_FALSE(ApplyEnabled());
  EXPECT_EQ(ReadBytes(file), FileWith({{"run with windows", "1"}}));
  for (const auto& name : stale) EXPECT_FALSE(ReadBytes(name)) << name;
  for (const auto& name : unlike) EXPECT_EQ(ReadBytes(name), "kept") << name;
  held.Reset();
  EXPECT_TRUE(ReadBytes(writing)) << "the file a running copy writes stays";
  Click(Item(idCancel));
  ExpectExit();
}

// --- Held open by another program ---

// Another program holds the settings file open, in each share mode, from before the start to after
// an Apply. Where its sharing lets the program read, the pages show the file and Apply fails with the
// file named; where it does not, the window opens on the defaults and refuses to save. Either way the
// file stays as it was, nothing is broadcast, and once the other program lets go the edit is saved.
TEST_F(Faults, AFileHeldOpenInEachShareModeIsReportedAndKept) {
  struct Case {
    const char* name;
    DWORD access, share;
    bool readable;
  };
  const Case cases[] = {
      {"reading, sharing nothing", GENERIC_READ, 0, false},
      {"reading, sharing reading", GENERIC_READ, FILE_SHARE_READ, true},
      {"reading, sharing writing", GENERIC_READ, FILE_SHARE_WRITE, false},
      {"reading, sharing reading and writing", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, true},
      {"reading, sharing deleting", GENERIC_READ, FILE_SHARE_DELETE, false},
      {"reading, sharing everything", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
       true},
      {"writing, sharing reading and writing", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, false},
  };
  const std::string stored = FileWith({{"area size", "9"}});
  TSwitcherStandIn switcher;
  std::size_t broadcasts = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteBytes(SettingsPath(), stored);
    TUniqueHandle held(CreateFileA(SettingsPath().c_str(), c.access, c.share, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held);
    Start(std::nullopt, !c.readable);
    if (c.readable) {
      EXPECT_FALSE(FindWindowA("#32770", Title)) << "no error at the start";
      EXPECT_EQ(Position(idAreaSize), 9);
    } else {
      EXPECT_EQ(startError.rfind("Cannot open file \"" + SettingsPath() + "\". ", 0), 0u) << startError;
      EXPECT_TRUE(IsWindowVisible(Item(idReadAgain)));
      EXPECT_EQ(Position(idAreaSize), 1) << "the defaults, not the file";
    }

    if (c.readable) {
      Click(Item(idRunWithWindows));
      const std::string error = ClickAndAnswer(idApply);
      EXPECT_EQ(error.rfind("Cannot create file \"" + SettingsPath() + "\". ", 0), 0u) << error;
      EXPECT_TRUE(ApplyEnabled());
    } else {
      EXPECT_FALSE(IsWindowEnabled(Item(idFirstPage))) << "nothing can be edited until it is read";
      EXPECT_FALSE(ApplyEnabled());
    }
    held.Reset();
    EXPECT_EQ(ReadBytes(SettingsPath()), stored);
    EXPECT_EQ(switcher.Messages().size(), broadcasts);

    if (!c.readable) {
      Click(Item(idReadAgain));
      ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(Item(idReadAgain)); })) << "the file is read";
      EXPECT_EQ(Position(idAreaSize), 9);
      Click(Item(idRunWithWindows));
    }
    Apply();
    EXPECT_FALSE(ApplyEnabled());
    EXPECT_EQ(ReadBytes(SettingsPath()), FileWith({{"area size", "9"}, {"run with windows", "1"}}));
    EXPECT_EQ(switcher.Messages().size(), ++broadcasts);
    // Ended rather than closed: closing is not at stake here, and Wine on a display without a window
    // manager waits two seconds for a closed window to be withdrawn.
    program->Kill();
    RemoveTree(SettingsFolder());
  }
}

// A folder where the settings file belongs: the window opens on the defaults, and Apply reports
// that the file cannot be made, leaving the folder and what it holds alone.
TEST_F(Faults, AFolderWhereTheFileBelongsIsReportedAndKept) {
  TSwitcherStandIn switcher;
  for (const std::string& folder : {AppDataFolder() + "\\Brightfallow", SettingsFolder(), SettingsPath()})
    CreateDirectoryA(folder.c_str(), nullptr);
  const std::string inside = SettingsPath() + "\\inside.txt";
  WriteBytes(inside, "kept");
  Start(std::nullopt);
  EXPECT_FALSE(FindWindowA("#32770", Title));
  EXPECT_TRUE(Ticked(idIncludeMinimized));
  Click(Item(idRunWithWindows));
  const std::string error = ClickAndAnswer(idApply);
  EXPECT_EQ(error.rfind("Cannot create file \"" + SettingsPath() + "\". ", 0), 0u) << error;
  EXPECT_TRUE(ApplyEnabled());
  EXPECT_EQ(ReadBytes(inside), "kept");
  EXPECT_EQ(OtherEntries(), std::vector<std::string>{}) << "no temporary file left";
  EXPECT_TRUE(switcher.Messages().empty());
  Click(Item(idCancel));
  ExpectExit();
}

// --- Two copies of the program, in two folders, on one settings file ---

// Copies in two folders run side by side on the same file. While one applies again and again, the
// other starts and reads the file; then both apply at the same moment, many times. Every read finds
// a whole file, every Apply succeeds, and the file, as the switcher finds it at each broadcast, is
// always the whole text of one of them.
TEST_F(Faults, TwoCopiesApplyingAndReadingTheSameFileKeepItWhole) {
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::wstring folder = std::wstring(temp) + L"px2d second copy";
  const std::wstring second = folder + L"\\" + PX2D_EXE_NAME;
  CreateDirectoryW(folder.c_str(), nullptr);
  ASSERT_TRUE(CopyFileW(ProgramPath().c_str(), second.c_str(), FALSE));
  std::vector<std::string> whole;
  for (const char* run : {"0", "1"})
    for (const char* balloon : {"0", "1"})
      whole.push_back(FileWith({{"run with windows", run}, {"show balloon", balloon}}));
  const auto isWhole = [&](const std::optional<std::string>& bytes) {
    return bytes && std::find(whole.begin(), whole.end(), *bytes) != whole.end();
  };

  TSwitcherStandIn switcher;
  StartQuietly();
  ASSERT_TRUE(window);
  const HWND first = window;
  int applied = 0;
  {
    // The first copy applies one edit after another while the second starts and reads the file.
    std::atomic<bool> stop = false, failed = false;
    std::thread applying([&] {
      while (!stop && !failed) {
        // A failed Apply shows its error box, which the sent click waits for.
        if (SendClick(FindChild(first, idRunWithWindows)) && SendClick(FindChild(first, idApply)) &&
            !IsWindowEnabled(FindChild(first, idApply)))
          ++applied;
        else
          failed = true;
      }
    });
    for (int start = 0; start < 4; ++start) {
      SCOPED_TRACE(start);
      TProcess copy(second);
      std::string error;
      const HWND other = WaitForWindow(copy.Id(), error);
      EXPECT_EQ(error, "") << "the second copy could not read the file";
      ASSERT_TRUE(other);
      EXPECT_FALSE(IsWindowVisible(FindChild(other, idReadAgain)));
      copy.Kill();  // it has read the file; closing would only wait for Wine to withdraw the window
    }
    stop = true;
    if (failed) {
      std::string error;
      WaitForWindow(program->Id(), error);
      ADD_FAILURE() << "an Apply of the first copy failed: " << error;
    }
    applying.join();
  }
  EXPECT_TRUE(isWhole(ReadBytes(SettingsPath())));

  // Both apply at once, each its own edit.
  TProcess copy(second);
  const HWND other = FindProcessWindow(copy.Id(), "TForm1", Title, 20000);
  ASSERT_TRUE(other);
  for (int round = 0; round < 20; ++round) {
    ASSERT_TRUE(SendClick(FindChild(first, idRunWithWindows)));
    ASSERT_TRUE(SendClick(FindChild(other, idBalloon)));
    // Each click is sent from a thread of its own and returns when that Apply has ended; one that
    // fails waits in its error box, answered here.
    std::atomic<int> ended = 0;
    std::thread clicks[2];
    for (int i = 0; i < 2; ++i)
      clicks[i] = std::thread([&, i] {
        SendClick(FindChild(i == 0 ? first : other, idApply));
        ++ended;
      });
    std::string errors;
    while (ended < 2) {
      errors += AnswerProcessBox(program->Id()) + AnswerProcessBox(copy.Id());
      Sleep(10);
    }
    for (auto& click : clicks) click.join();
    EXPECT_EQ(errors, "") << "round " << round;
    EXPECT_FALSE(IsWindowEnabled(FindChild(first, idApply))) << "round " << round;
    EXPECT_FALSE(IsWindowEnabled(FindChild(other, idApply))) << "round " << round;
    applied += 2;
    EXPECT_TRUE(isWhole(ReadBytes(SettingsPath()))) << "round " << round;
  }
  const auto messages = switcher.Messages();
  EXPECT_EQ(messages.size(), static_cast<std::size_t>(applied));
  for (const auto& m : messages) EXPECT_TRUE(isWhole(m.file)) << (m.file ? *m.file : "no file");
  EXPECT_EQ(OtherEntries(), std::vector<std::string>{});

  PostMessageA(other, WM_CLOSE, 0, 0);
  EXPECT_EQ(copy.WaitExit(10000), 0u);
  PostMessageA(first, WM_CLOSE, 0, 0);
  ExpectExit();
  DeleteFileW(second.c_str());
  RemoveDirectoryW(folder.c_str());
}

// --- A settings folder that fails underneath: run by fault-folder.sh ---

// Run only by tests/e2e/fault-folder.sh, which puts the settings folder on a small file system of its
// own and names in PX2D_FAULT_FOLDER what it made of it; the folder is left as the script made it.
class FaultFolder : public Faults {
 public:
  void SetUp() override {
    ASSERT_FALSE(ReadRecord(ProgramPath())) << "a copy from an earlier test still runs";
  }
  void TearDown() override {
    if (program && !program->WaitExit(0)) program->Kill();
  }
  static bool MadeBy(const char* Mode) {
    const char* made = std::getenv("PX2D_FAULT_FOLDER");
    return made && std::string(made) == Mode;
  }
};

// No room for the new text: Apply says so, stays enabled and broadcasts nothing, and the old file is
// whole. With room again the same edits are saved.
TEST_F(FaultFolder, AFullDiskIsReportedAndTheOldFileKept) {
  if (!MadeBy("full")) GTEST_SKIP() << "run by tests/e2e/fault-folder.sh full";
  const std::string stored = FileWith({{"area size", "9"}});
  WriteBytes(SettingsPath(), stored);
  const std::string filler = SettingsFolder() + "\\filler";
  {
    TUniqueHandle fill(CreateFileA(filler.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(fill);
    // To the last byte: in blocks, then byte by byte.
    DWORD written = 0;
    for (DWORD block : {4096u, 1u})
      while (WriteFile(fill.Get(), std::string(block, 'f').data(), block, &written, nullptr) &&
             written == block) {
      }
  }
  TSwitcherStandIn switcher;
  Start(std::nullopt);
  EXPECT_EQ(Position(idAreaSize), 9);
  Click(Item(idRunWithWindows));
  EXPECT_EQ(ClickAndAnswer(idApply), "Stream write error.");
  EXPECT_TRUE(ApplyEnabled());
  EXPECT_EQ(ReadBytes(SettingsPath()), stored);
  EXPECT_EQ(OtherEntries(), std::vector<std::string>{"filler"}) << "no temporary file is left";
  EXPECT_TRUE(switcher.Messages().empty());

  DeleteFileA(filler.c_str());
  Apply();
  EXPECT_FALSE(ApplyEnabled());
  EXPECT_EQ(ReadBytes(SettingsPath()), FileWith({{"area size", "9"}, {"run with windows", "1"}}));
  EXPECT_EQ(switcher.Messages().size(), 1u);
  Click(Item(idCancel));
  ExpectExit();
}

// A folder that cannot be written: the file is read, Apply and Accept report that it cannot be
// made, and it stays as it was.
TEST_F(FaultFolder, AReadOnlyFolderIsReportedAndTheFileKept) {
  if (!MadeBy("read-only")) GTEST_SKIP() << "run by tests/e2e/fault-folder.sh read-only";
  const auto stored = ReadBytes(SettingsPath());
  ASSERT_EQ(stored, "run with windows=1\r\narea size=9\r\n");
  TSwitcherStandIn switcher;
  Start(std::nullopt);
  EXPECT_TRUE(Ticked(idRunWithWindows));
  EXPECT_EQ(Position(idAreaSize), 9);
  Click(Item(idBalloon));
  for (int id : {idApply, idAccept}) {
    const std::string error = ClickAndAnswer(id);
    EXPECT_EQ(error.rfind("Cannot create file \"" + SettingsPath() + "\". ", 0), 0u) << error;
    EXPECT_TRUE(ApplyEnabled());
    EXPECT_TRUE(IsWindow(window));
  }
  EXPECT_EQ(ReadBytes(SettingsPath()), stored);
  EXPECT_EQ(OtherEntries(), std::vector<std::string>{});
  EXPECT_TRUE(switcher.Messages().empty());
  Click(Item(idCancel));
  ExpectExit();
}

}  // namespace
}  // namespace px2d::e2e
