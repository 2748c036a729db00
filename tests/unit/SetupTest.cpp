// The settings store against real files in the roaming application-data folder.
#include <gtest/gtest.h>

#include <shlobj.h>
#include <windows.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <sstream>
#include <thread>

#include "framework/Handles.h"
#include "support/Files.h"
#include "support/RoamingFolder.h"
#include "support/Wait.h"
#include "unSetup.h"
#include "unSetupFiles.h"

namespace px2d {
namespace {

using test::AppDataFolder;
using test::RemoveTree;
using test::TRoamingFolder;
using test::TRoamingScope;

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Every test works on an application name of its own, so the real settings stay untouched.
class SetupStore : public ::testing::Test {
 protected:
  void SetUp() override {
    store.AppName = "Px2DStoreTest";
    folder = AppDataFolder() + "\\Brightfallow\\" + store.AppName;
    file = folder + "\\" + store.AppName + ".conf";
    RemoveTree(folder);
  }
  void TearDown() override { RemoveTree(folder); }

  // The folder holds the settings file and nothing else: no temporary file is left behind.
  void ExpectOnlyTheSettingsFile() {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    do {
      const std::string name = data.cFileName;
      if (name != "." && name != "..") {
        EXPECT_EQ(name, store.AppName + ".conf");
      }
    } while (FindNextFileA(find, &data));
    FindClose(find);
  }

  TGenericSetup store;
  std::string folder, file;
};

TEST_F(SetupStore, StartsEmptyAsUnknown) {
  TGenericSetup fresh;
  EXPECT_EQ(fresh.AppName, "Unknown");
  EXPECT_TRUE(fresh.Lines.empty());
}

TEST_F(SetupStore, MissingFileLoadsNothingButMakesTheFolder) {
  store.Lines = {"kept=1"};
  EXPECT_EQ(store.ConfigFileName(), file);
  store.LoadSettings();
  EXPECT_EQ(store.Lines, TextLines{"kept=1"});
  EXPECT_TRUE(Exists(folder));
  EXPECT_FALSE(Exists(file));
  EXPECT_EQ(store.ReadInteger("area size", 3), 3);
}

TEST_F(SetupStore, LoadsAnyLineEndingAndSavesCrLfWithUnknownLinesInPlace) {
  store.ConfigFileName();
  WriteBytes(file, "no equals sign here\n=5\rarea size=5\n\rlast");
  store.LoadSettings();
  EXPECT_EQ(store.Lines, (TextLines{"no equals sign here", "=5", "area size=5", "", "last"}));
  store.SaveSettings();
  EXPECT_EQ(ReadBytes(file), "no equals sign here\r\n=5\r\narea size=5\r\n\r\nlast\r\n");
  ExpectOnlyTheSettingsFile();

  store.Lines.clear();
  store.SaveSettings();
  EXPECT_EQ(ReadBytes(file), "");
  store.Lines = {"x=1"};
  store.LoadSettings();
  EXPECT_TRUE(store.Lines.empty());
}

TEST_F(SetupStore, FirstMatchingLineIsTheKeysLine) {
  store.Lines = {"area size=5", "AREA SIZE=7"};
  EXPECT_EQ(store.ReadInteger("area size", 0), 5);
  store.WriteInteger("Area Size", 9);
  EXPECT_EQ(store.Lines, (TextLines{"Area Size=9", "AREA SIZE=7"}));
  store.WriteString("area size", "");
  EXPECT_EQ(store.Lines, TextLines{"AREA SIZE=7"});
  EXPECT_EQ(store.ReadInteger("area size", 0), 7);
  store.WriteBool("run with windows", true);
  store.WriteInteger("n", -12);
  EXPECT_EQ(store.Lines, (TextLines{"AREA SIZE=7", "run with windows=1", "n=-12"}));
}

struct ReadCase {
  const char* line;
  std::string text;      // ReadString with the default "d"
  std::int32_t integer;  // ReadInteger with the default -99
  bool boolean;          // ReadBool with the default true
};

TEST_F(SetupStore, ReadsTextIntegersAndBooleansWithTheirDefaults) {
  const ReadCase cases[] = {
      {"k=42", "42", 42, true},     {"k= 5", " 5", 5, true},        {"k=5 ", "5 ", -99, true},
      {"k = 5", "d", -99, true},    {"k=", "d", -99, true},         {"k=0", "0", 0, false},
      {"k=256", "256", 256, false}, {"k=$100", "$100", 256, false}, {"k=257", "257", 257, true},
      {"k=-1", "-1", -1, true},     {"k=true", "true", -99, true},  {"K=x2A", "x2A", 42, true},
      {"k=a=b", "a=b", -99, true},
  };
  for (const auto& c : cases) {
    store.Lines = {c.line};
    EXPECT_EQ(store.ReadString("k", "d"), c.text) << c.line;
    EXPECT_EQ(store.ReadInteger("k", -99), c.integer) << c.line;
    EXPECT_EQ(store.ReadBool("k", true), c.boolean) << c.line;
  }
  store.Lines = {"k=0"};
  EXPECT_FALSE(store.ReadBool("k", true));
  store.Lines = {};
  EXPECT_FALSE(store.ReadBool("k", false));
}

TEST_F(SetupStore, ByteOrderMarkAndZeroByteHideKeys) {
  store.ConfigFileName();
  WriteBytes(file, std::string("\xEF\xBB\xBF"
                               "a=1\r\nb=2\r\nc=3\0d=4\r\n",
                               22));
  store.LoadSettings();
  EXPECT_EQ(store.ReadInteger("a", 0), 0);
  EXPECT_EQ(store.ReadInteger("b", 0), 2);
  EXPECT_EQ(store.ReadInteger("c", 0), 3);
  EXPECT_EQ(store.ReadInteger("d", 0), 0);
  // What the zero byte hides is written back after the lines as it was: nothing of the file is lost.
  store.WriteInteger("e", 5);
  store.SaveSettings();
  EXPECT_EQ(ReadBytes(file), std::string("\xEF\xBB\xBF"
                                         "a=1\r\nb=2\r\nc=3\r\ne=5\r\n\0d=4\r\n",
                                         29));
  store.LoadSettings();
  EXPECT_EQ(store.ReadInteger("e", 0), 5);
  EXPECT_EQ(store.ReadInteger("d", 0), 0);
}

// Only a file that is not there loads as none: one that cannot even be looked at is an error, so
// that the window treats it as unread and saves nothing over it.
TEST_F(SetupStore, AFileThatCannotBeLookedAtIsAnErrorNotAMissingFile) {
  TGenericSetup odd;
  odd.AppName = "Panoplex2D?";
  odd.Lines = {"mine=1"};
  try {
    odd.LoadSettings();
    ADD_FAILURE() << "loaded as a missing file";
  } catch (const EFOpenError& e) {
    EXPECT_EQ(e.Message().rfind("Cannot open file \"", 0), 0u) << e.Message();
  }
  EXPECT_EQ(odd.Lines, TextLines{"mine=1"});
}

TEST_F(SetupStore, FileHeldForWritingCannotBeLoaded) {
  store.ConfigFileName();
  WriteBytes(file, "a=1\r\n");
  TUniqueHandle other(CreateFileA(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(other);
  store.Lines = {"mine=1"};
  try {
    store.LoadSettings();
    FAIL() << "no error";
  } catch (const EFOpenError& e) {
    EXPECT_EQ(e.Message(), "Cannot open file \"" + file + "\". " + SysErrorMessage(ERROR_SHARING_VIOLATION));
  }
  EXPECT_EQ(store.Lines, TextLines{"mine=1"});
}

// Lines of another program that take exactly Size bytes as saved (CR LF breaks).
std::string Filler(std::size_t Size) {
  std::string text;
  for (int n = 0; text.size() < Size; ++n) {
    const std::size_t left = Size - text.size();
    std::string line = "other" + std::to_string(n) + "=";
    // The last line takes what is left; a line never ends too short to hold its name.
    const std::size_t length = left <= 140 ? left : (left - 80 < 100 ? left - 80 : 100);
    line.resize(length - 2, 'v');
    text += line + "\r\n";
  }
  return text;
}

// One rule for reading and writing: a file is read when, saved as it is, it takes at most
// MaxSettingsFileSize bytes (line breaks that grow to CR LF counted), and a save writes nothing
// larger. So whatever a save writes is read again. At the limit and one byte over, with the store's
// own line still to add and already there, and on the merge path.
TEST_F(SetupStore, WhatIsReadCanBeSavedAndWhatIsSavedCanBeRead) {
  store.ConfigFileName();
  const std::string mine = "mine=1\r\n";
  struct Case {
    const char* name;
    std::string stored;
    bool read;
    // What another program writes after the load; empty: nothing.
    std::string theirs;
    bool saved;
  };
  const std::size_t limit = MaxSettingsFileSize;
  const Case cases[] = {
      {"at the limit with its line", Filler(limit - mine.size()) + mine, true, "", true},
      {"its line added up to the limit", Filler(limit - mine.size()), true, "", true},
      {"its line added one byte over the limit", Filler(limit - mine.size() + 1), true, "", false},
      {"one byte over the limit", Filler(limit + 1), false, "", false},
      {"under the limit on disk, over it with CR LF", Filler(limit - 2000) + std::string(1001, '\n'), false,
       "", false},
      {"merged up to the limit", "a=1\r\n", true, Filler(limit - mine.size()), true},
      {"merged one byte over the limit", "a=1\r\n", true, Filler(limit - mine.size() + 1), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteBytes(file, c.stored);
    store.Lines = {"unread=1"};
    try {
      store.LoadSettings();
      EXPECT_TRUE(c.read);
    } catch (const ESettingsTooLarge& e) {
      EXPECT_FALSE(c.read) << e.Message();
      EXPECT_EQ(
          e.Message().rfind("Cannot open file \"" + file + "\". It is too large for a settings file: ", 0),
          0u);
      EXPECT_NE(e.Message().find(", where at most 65536 are allowed"), std::string::npos) << e.Message();
      EXPECT_EQ(store.Lines, TextLines{"unread=1"});
      EXPECT_EQ(ReadBytes(file), c.stored);
      continue;
    }
    if (!c.theirs.empty()) WriteBytes(file, c.theirs);
    const std::string before = ReadBytes(file);
    const TextLines lines = store.Lines;
    store.WriteInteger("mine", 1);
    try {
      store.SaveSettings();
      EXPECT_TRUE(c.saved);
      EXPECT_EQ(ReadBytes(file).size(), limit);
      TGenericSetup again;
      again.AppName = store.AppName;
      EXPECT_NO_THROW(again.LoadSettings()) << "what was saved is read again";
      EXPECT_EQ(again.ReadInteger("mine", 0), 1);
    } catch (const EFCreateError& e) {
      EXPECT_FALSE(c.saved) << e.Message();
      EXPECT_EQ(e.Message(),
                "Cannot create file \"" + file +
                    "\". It is too large for a settings file: 65537 bytes, where at most 65536 are "
                    "allowed");
      EXPECT_EQ(ReadBytes(file), before) << "nothing written";
      EXPECT_EQ(store.ReadInteger("mine", 0), 1) << "the edit is kept, to be saved once there is room";
    }
    ExpectOnlyTheSettingsFile();
  }
}

// Names compare under the user's locale, which may call names of other lengths equal (it ignores a
// soft hyphen): the value still starts after the line's own "=".
TEST(SetupStoreNames, AValueStartsAfterItsOwnLinesEquals) {
  const std::string softHyphen = "\xAD";
  if (!AnsiSameText("include mini" + softHyphen + "mized", "include minimized"))
    GTEST_SKIP() << "this locale tells a soft hyphen apart, so no name of another length is equal";
  const struct {
    std::string line, key;
    std::int32_t read;
  } cases[] = {
      {"include mini" + softHyphen + "mized=0", "include minimized", 0},
      {"include minimized=0", "include mini" + softHyphen + "mized", 0},
      {"in" + softHyphen + "clude mini" + softHyphen + "mized=12", "include minimized", 12},
      {"INCLUDE MINIMIZED=0", "include minimized", 0},
  };
  for (const auto& c : cases) {
    TGenericSetup store;
    store.Lines = {c.line};
    EXPECT_EQ(store.ReadInteger(c.key, 1), c.read) << c.line;
    EXPECT_EQ(store.ReadBool(c.key, true), c.read != 0) << c.line;
  }
}

// The store finds a key's line by an index of the names, keyed by the locale's sort key: it finds a
// line exactly when the locale's comparison calls its name equal to the key, for every pair of a set
// of names that the comparison treats in every way it can (case, characters it ignores, letters it
// spells out, the empty name, names longer than a sort key's first buffer).
TEST(SetupStoreNames, AKeyFindsExactlyTheNamesTheLocaleCallsEqual) {
  std::vector<std::string> names = {"",
                                    "\x01",
                                    "a\xAD"
                                    "b",
                                    "STRASSE",
                                    "stra\xDF"
                                    "e",
                                    "\xC6"
                                    "r",
                                    "aer"};
  for (int c = 1; c < 256; ++c)
    if (c != '=' && c != '\r' && c != '\n') names.push_back(std::string("ab") + static_cast<char>(c));
  const std::string longName(600, 'k');
  names.push_back(longName);
  names.push_back(std::string(600, 'K'));
  names.push_back(longName.substr(1) + "j");
  int equal = 0;
  for (const std::string& line : names) {
    TGenericSetup store;
    store.Lines = {"other=0", line + "=1"};
    for (const std::string& key : names) {
      const bool same = AnsiSameText(line, key) && key != "other";
      equal += same;
      EXPECT_EQ(store.ReadInteger(key, 0) == 1, same) << "\"" << line << "\" and \"" << key << "\"";
    }
  }
  EXPECT_GT(equal, static_cast<int>(names.size())) << "names that differ and are equal were among them";
}

// Each way the settings file can refuse to be replaced: the save fails with the create error,
// and the file on disk, the lines in memory and the folder stay exactly as they were.
TEST_F(SetupStore, SaveThatCannotReplaceTheFileLosesNothing) {
  struct Case {
    const char* name;
    DWORD attributes;
    DWORD shareMode;  // of another program's open handle; -1 for none
    DWORD error;
  };
  const Case cases[] = {
      {"read-only", FILE_ATTRIBUTE_READONLY, DWORD(-1), ERROR_ACCESS_DENIED},
      {"hidden", FILE_ATTRIBUTE_HIDDEN, DWORD(-1), ERROR_ACCESS_DENIED},
      {"system", FILE_ATTRIBUTE_SYSTEM, DWORD(-1), ERROR_ACCESS_DENIED},
      {"held open, reading shared", FILE_ATTRIBUTE_NORMAL, FILE_SHARE_READ, ERROR_SHARING_VIOLATION},
      {"held open, all shared", FILE_ATTRIBUTE_NORMAL, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
       ERROR_SHARING_VIOLATION},
  };
  const std::string before = "old=1\r\nunknown line\r\n";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    store.ConfigFileName();
    SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
    WriteBytes(file, before);
    SetFileAttributesA(file.c_str(), c.attributes);
    TUniqueHandle other;
    if (c.shareMode != DWORD(-1)) {
      other = TUniqueHandle(
          CreateFileA(file.c_str(), GENERIC_READ, c.shareMode, nullptr, OPEN_EXISTING, 0, nullptr));
      ASSERT_TRUE(other);
    }
    store.Lines = {"new=2"};
    try {
      store.SaveSettings();
      ADD_FAILURE() << "no error";
    } catch (const EFCreateError& e) {
      EXPECT_EQ(e.Message(), "Cannot create file \"" + file + "\". " + SysErrorMessage(c.error));
    }
    other.Reset();
    EXPECT_EQ(store.Lines, TextLines{"new=2"});
    EXPECT_EQ(ReadBytes(file), before);
    ExpectOnlyTheSettingsFile();
    SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
  }
  store.SaveSettings();
  EXPECT_EQ(ReadBytes(file), "new=2\r\n");
}

// Another program holds the file without sharing it: for a moment (100 ms from the start of the load
// or save), which the store waits out, or past its retries, when the save fails and loses nothing.
TEST_F(SetupStore, AFileHeldForAMomentIsWaitedForAndOneHeldLongerIsReported) {
  const struct {
    const char* name;
    bool save, brief;
  } cases[] = {
      {"load, held for a moment", false, true},
      {"save, held for a moment", true, true},
      {"save, held past the retries", true, false},
  };
  const std::string before = "old=1\r\n";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    store.ConfigFileName();
    WriteBytes(file, before);
    store.LoadSettings();
    store.Lines = {"new=2"};
    const TUniqueHandle held(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
        release(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    // Without the other's handle there is no conflict, and the brief cases would pass unchecked.
    bool opened = false;
    std::thread other([&] {
      const TUniqueHandle open(
          CreateFileA(file.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
      opened = open.Get() != nullptr;
      SetEvent(held.Get());
      WaitForSingleObject(release.Get(), c.brief ? 100 : INFINITE);
    });
    ASSERT_EQ(WaitForSingleObject(held.Get(), 10000), WAIT_OBJECT_0);
    if (!opened) {
      SetEvent(release.Get());
      other.join();
      FAIL() << "the other thread could not open the file";
    }
    try {
      if (c.save)
        store.SaveSettings();
      else
        store.LoadSettings();
      EXPECT_TRUE(c.brief) << "no error";
    } catch (const Exception& e) {
      EXPECT_FALSE(c.brief) << e.Message();
      EXPECT_EQ(e.Message(),
                "Cannot create file \"" + file + "\". " + SysErrorMessage(ERROR_SHARING_VIOLATION));
    }
    SetEvent(release.Get());
    other.join();
    if (!c.save) {
      EXPECT_EQ(store.Lines, TextLines{"old=1"});
    }
    EXPECT_EQ(ReadBytes(file), c.save && c.brief ? "new=2\r\n" : before);
    ExpectOnlyTheSettingsFile();
  }
}

TEST_F(SetupStore, SaveIntoAFolderThatCannotBeMadeFails) {
  // A file where the application's folder belongs keeps the folder from being made.
  RemoveTree(folder);
  WriteBytes(folder, "in the way");
  store.Lines = {"a=1"};
  try {
    store.SaveSettings();
    FAIL() << "no error";
  } catch (const EFCreateError& e) {
    EXPECT_EQ(e.Message().rfind("Cannot create file \"" + file + "\". ", 0), 0u) << e.Message();
  }
  EXPECT_EQ(ReadBytes(folder), "in the way");
  DeleteFileA(folder.c_str());
}

// The store finds the folders once; a save after someone removed them (and the Brightfallow folder
// above them) makes them again.
TEST_F(SetupStore, SaveMakesTheFoldersAgainWhenTheyWereRemoved) {
  store.LoadSettings();
  store.Lines = {"a=1"};
  store.SaveSettings();
  RemoveTree(AppDataFolder() + "\\Brightfallow");
  ASSERT_FALSE(Exists(folder));
  store.Lines = {"a=2"};
  ASSERT_NO_THROW(store.SaveSettings());
  EXPECT_EQ(ReadBytes(file), "a=2\r\n");
  ExpectOnlyTheSettingsFile();
}

// Another program that keeps a line of its own in the settings file: it reads the file, sets its
// line and writes the file back in place, as such a program does. A file the store holds shut is
// tried again, a millisecond later or (Pauses false) at once, as long as a test's patience lasts.
class TOtherWriter {
 public:
  explicit TOtherWriter(std::string File, bool Pauses = true) : FFile(std::move(File)), FPauses(Pauses) {}

  static constexpr const char* Name = "other writer";

  // Writes its line with this value; false when the file could not be opened in time.
  bool Write(int Value) {
    const DWORD start = GetTickCount();
    for (;;) {
      TUniqueHandle file(CreateFileA(FFile.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                     OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
      if (!file) {
        const DWORD error = GetLastError();
        if ((error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED) ||
            GetTickCount() - start > test::kPatience) {
          Error = error;
          return false;
        }
        if (FPauses) Sleep(1);
        continue;
      }
      std::string text(1 << 17, '\0');
      DWORD read = 0;
      if (!ReadFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &read, nullptr)) {
        Error = GetLastError();
        return false;
      }
      text.resize(read);
      TextLines lines = SplitLines(text);
      const std::string line = std::string(Name) + "=" + std::to_string(Value);
      bool replaced = false;
      for (auto& l : lines) {
        if (!replaced && l.rfind(std::string(Name) + "=", 0) == 0) {
          l = line;
          replaced = true;
        }
      }
      if (!replaced) lines.push_back(line);
      const std::string bytes = JoinLines(lines);
      DWORD written = 0;
      if (SetFilePointer(file.Get(), 0, nullptr, FILE_BEGIN) != 0 ||
          !WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
          !SetEndOfFile(file.Get()))
        return false;
      Last = Value;
      return true;
    }
  }

  int Last = -1;    // the value of its last write that went through
  DWORD Error = 0;  // why its last write did not go through

 private:
  std::string FFile;
  bool FPauses;
};

// The value of a key in the file as it is now, as the store reads it; "" when it has none.
std::string ValueInFile(const std::string& file, const std::string& key) {
  TGenericSetup reader;
  reader.Lines = SplitLines(ReadBytes(file));
  return reader.ReadString(key, "");
}

// Another program writes the file the moment a save's own new file appears, or 1, 2 or 3 ms later:
// at whichever moment of the save that falls on (before its look, while it holds the file, while it
// replaces it, or just after; which one it is varies from run to run). Its line and the store's edit
// are both in the file after every round.
TEST_F(SetupStore, AWriterAtTheMomentOfTheSaveLosesNothing) {
  store.ConfigFileName();
  WriteBytes(file, "a=1\r\n");
  store.LoadSettings();
  TOtherWriter other(file);
  const HANDLE folderHandle =
      CreateFileA(folder.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
  ASSERT_NE(folderHandle, INVALID_HANDLE_VALUE);
  const TUniqueHandle watched(folderHandle), changed(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  int round = 0;
  for (int delay : {0, 1, 2, 3}) {
    for (int again = 0; again < 4; ++again, ++round) {
      SCOPED_TRACE("written " + std::to_string(delay) + " ms after the new file appeared, round " +
                   std::to_string(round));
      // The watch is set before the save starts, so that the writer misses no new file.
      alignas(DWORD) char notes[4096];
      OVERLAPPED overlapped{};
      overlapped.hEvent = changed.Get();
      ResetEvent(changed.Get());
      ASSERT_TRUE(ReadDirectoryChangesW(watched.Get(), notes, sizeof notes, FALSE,
                                        FILE_NOTIFY_CHANGE_FILE_NAME, nullptr, &overlapped, nullptr));
      bool wrote = false;
      std::thread writer([&] {
        for (;;) {
          DWORD bytes = 0;
          if (WaitForSingleObject(changed.Get(), test::kPatience) != WAIT_OBJECT_0 ||
              !GetOverlappedResult(watched.Get(), &overlapped, &bytes, FALSE))
            return;
          bool temporary = false;
          for (auto* note = reinterpret_cast<FILE_NOTIFY_INFORMATION*>(notes); bytes;) {
            const std::wstring name(note->FileName, note->FileNameLength / sizeof(wchar_t));
            temporary = temporary || (note->Action == FILE_ACTION_ADDED && name.size() > 4 &&
                                      name.compare(name.size() - 4, 4, L".tmp") == 0);
            if (!note->NextEntryOffset) break;
            note = reinterpret_cast<FILE_NOTIFY_INFORMATION*>(reinterpret_cast<char*>(note) +
                                                              note->NextEntryOffset);
          }
          if (temporary) break;
          ResetEvent(changed.Get());
          if (!ReadDirectoryChangesW(watched.Get(), notes, sizeof notes, FALSE, FILE_NOTIFY_CHANGE_FILE_NAME,
                                     nullptr, &overlapped, nullptr))
            return;
        }
        if (delay) Sleep(delay);
        wrote = other.Write(round);
      });
      store.WriteInteger("mine", round);
      try {
        store.SaveSettings();
      } catch (const Exception& e) {
        ADD_FAILURE() << e.Message();
      }
      writer.join();
      CancelIoEx(watched.Get(), &overlapped);
      DWORD ignored = 0;
      GetOverlappedResult(watched.Get(), &overlapped, &ignored, TRUE);
      ASSERT_TRUE(wrote) << "the other program never wrote";
      EXPECT_EQ(ValueInFile(file, TOtherWriter::Name), std::to_string(round)) << "the other program's line";
      EXPECT_EQ(ValueInFile(file, "mine"), std::to_string(round)) << "the store's edit";
      EXPECT_EQ(ValueInFile(file, "a"), "1");
    }
  }
}

// Another program rewrites the file over and over while the store saves again and again. After each
// save, with the other program paused, the file holds its last write and the store's edit.
// A writer that pauses a millisecond between its writes lets every save through; one that never
// pauses may hold the file past the store's patience: the save then fails, and loses nothing.
TEST_F(SetupStore, AWriterInALoopLosesNothing) {
  for (const bool pauses : {true, false}) {
    SCOPED_TRACE(pauses ? "a write every millisecond" : "writes without a pause");
    store.ConfigFileName();
    WriteBytes(file, "a=1\r\n");
    store.LoadSettings();
    TOtherWriter other(file, pauses);
    std::atomic<bool> stop{false};
    std::atomic<int> failures{0};
    int saved = 0;
    for (int round = 0; round < 12; ++round) {
      SCOPED_TRACE("round " + std::to_string(round));
      stop = false;
      std::atomic<int> written{0};
      std::thread writer([&] {
        for (int value = round * 100000; !stop; ++value) {
          if (!other.Write(value)) ++failures;
          ++written;
          if (pauses) Sleep(1);
        }
      });
      store.WriteInteger("mine", round);
      bool ok = true;
      try {
        // The save starts while the other program is writing.
        ASSERT_TRUE(test::WaitUntil([&] { return written > 0; }));
        store.SaveSettings();
      } catch (const EFCreateError& e) {
        ok = false;
        EXPECT_FALSE(pauses) << e.Message();
        EXPECT_EQ(e.Message(),
                  "Cannot create file \"" + file + "\". " + SysErrorMessage(ERROR_SHARING_VIOLATION));
      }
      stop = true;
      writer.join();
      ASSERT_EQ(failures, 0) << "the other program could not write: " << SysErrorMessage(other.Error);
      EXPECT_EQ(ValueInFile(file, TOtherWriter::Name), std::to_string(other.Last))
          << "the other program's last write";
      if (ok) {
        ++saved;
        EXPECT_EQ(ValueInFile(file, "mine"), std::to_string(round)) << "the store's edit";
      }
      EXPECT_EQ(ValueInFile(file, "a"), "1");
    }
    if (pauses) {
      EXPECT_EQ(saved, 12) << "every save went through";
    }
  }
}

// The store's file calls, recorded, and acted on where a test asks, before the system's own.
class TFileCalls {
 public:
  TFileCalls() {
    Active = this;
    StoreFileCalls = {};
    Wire();
  }
  ~TFileCalls() {
    StoreFileCalls = FSystem;
    Active = nullptr;
  }
  TFileCalls(const TFileCalls&) = delete;
  TFileCalls& operator=(const TFileCalls&) = delete;

  // What was done, to which file: "settings", "temporary", "kept" (a second name) or "other".
  std::vector<std::string> Log;
  // Called before the store opens a file, with its name and sharing.
  std::function<void(const std::wstring& name, DWORD share)> BeforeOpen;
  // Called before the store puts its new text in the settings file's place, once it let the file go.
  std::function<void()> BeforeReplace;
  // The error a call fails with instead of the system's answer, by what the log would call it
  // ("open temporary", "rename temporary"); 0: the system answers.
  std::function<DWORD(const std::string& call)> Refuse;
  // As a system that cannot replace a file held open: the rename that would do it is refused.
  bool NoHeldReplace = false;

 private:
  static std::string Kind(const std::wstring& name) {
    const auto endsWith = [&](const wchar_t* end) {
      const std::wstring e(end);
      return name.size() >= e.size() && name.compare(name.size() - e.size(), e.size(), e) == 0;
    };
    return endsWith(L".tmp")    ? "temporary"
           : endsWith(L".old")  ? "kept"
           : endsWith(L".conf") ? "settings"
                                : "other";
  }
  std::string KindOf(HANDLE file) {
    const auto found = FHandles.find(file);
    return found == FHandles.end() ? "other" : found->second;
  }
  void Wire() {
    StoreFileCalls.CreateFile = [](LPCWSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                                   DWORD disposition, DWORD flags, HANDLE pattern) {
      if (Active->BeforeOpen) Active->BeforeOpen(name, share);
      const std::string kind = Kind(name);
      if (const DWORD refused = Active->Refuse ? Active->Refuse("open " + kind) : 0) {
        Active->Log.push_back("open " + kind + " refused");
        SetLastError(refused);
        return INVALID_HANDLE_VALUE;
      }
      const HANDLE file =
          Active->FSystem.CreateFile(name, access, share, security, disposition, flags, pattern);
      const DWORD error = GetLastError();
      Active->Log.push_back("open " + kind +
                            (share == FILE_SHARE_DELETE && kind == "settings" ? " held" : "") +
                            (file == INVALID_HANDLE_VALUE ? " failed" : ""));
      if (file != INVALID_HANDLE_VALUE) Active->FHandles[file] = kind;
      SetLastError(error);
      return file;
    };
    StoreFileCalls.WriteFile = [](HANDLE file, LPCVOID data, DWORD size, LPDWORD written,
                                  LPOVERLAPPED overlapped) {
      Active->Log.push_back("write " + Active->KindOf(file));
      return Active->FSystem.WriteFile(file, data, size, written, overlapped);
    };
    StoreFileCalls.FlushFileBuffers = [](HANDLE file) {
      Active->Log.push_back("flush " + Active->KindOf(file));
      return Active->FSystem.FlushFileBuffers(file);
    };
    StoreFileCalls.SetFileInformationByHandle = [](HANDLE file, FILE_INFO_BY_HANDLE_CLASS kind, LPVOID info,
                                                   DWORD size) {
      const std::string what = kind == FileRenameInfo ? "rename " : "rename while held ";
      if (kind != FileRenameInfo && Active->NoHeldReplace) {
        Active->Log.push_back(what + Active->KindOf(file) + " failed");
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
      }
      // The moment between the last look and a replace by name (not one under the held handle).
      if (Active->BeforeReplace && kind == FileRenameInfo && Active->KindOf(file) == "temporary")
        Active->BeforeReplace();
      if (const DWORD refused = Active->Refuse ? Active->Refuse(what + Active->KindOf(file)) : 0) {
        Active->Log.push_back(what + Active->KindOf(file) + " refused");
        SetLastError(refused);
        return FALSE;
      }
      const BOOL done = Active->FSystem.SetFileInformationByHandle(file, kind, info, size);
      const DWORD error = GetLastError();
      Active->Log.push_back(what + Active->KindOf(file) + (done ? "" : " failed"));
      SetLastError(error);
      return done;
    };
    StoreFileCalls.MoveFileEx = [](LPCWSTR from, LPCWSTR to, DWORD flags) {
      const BOOL done = Active->FSystem.MoveFileEx(from, to, flags);
      const DWORD error = GetLastError();
      Active->Log.push_back("move " + Kind(from) + " over " + Kind(to) +
                            (flags & MOVEFILE_WRITE_THROUGH ? " written through" : "") +
                            (done ? "" : " failed"));
      SetLastError(error);
      return done;
    };
  }

  static inline TFileCalls* Active = nullptr;
  const TStoreFileCalls FSystem = StoreFileCalls;
  std::map<HANDLE, std::string> FHandles;
};

// The index of the first entry of the log that is What, at or after From; the log's size if none.
std::size_t Entry(const std::vector<std::string>& log, const std::string& what, std::size_t from = 0) {
  for (std::size_t i = from; i < log.size(); ++i)
    if (log[i] == what) return i;
  return log.size();
}

// The new text is whole on the disk before it replaces the settings file: made, written and flushed
// through its own handle, and only then renamed over the settings file by that handle and flushed
// again, which writes the rename through. The settings file itself is never written.
TEST_F(SetupStore, TheNewTextIsFlushedBeforeItReplacesTheFile) {
  store.ConfigFileName();
  for (const bool exists : {false, true}) {
    SCOPED_TRACE(exists ? "over a file" : "no file yet");
    if (exists) WriteBytes(file, "a=1\r\n");
    store.LoadSettings();
    store.WriteInteger("b", 2);
    TFileCalls calls;
    store.SaveSettings();
    const auto& log = calls.Log;
    std::string all;
    for (const auto& entry : log) all += entry + "; ";
    SCOPED_TRACE("calls: " + all);
    const std::size_t made = Entry(log, "open temporary"), written = Entry(log, "write temporary", made),
                      flushed = Entry(log, "flush temporary", written);
    ASSERT_LT(flushed, log.size());
    // Renamed by its handle, under the held file or just after letting it go, and flushed again.
    std::size_t replaced = Entry(log, "rename while held temporary", flushed);
    if (replaced == log.size()) replaced = Entry(log, "rename temporary", flushed);
    ASSERT_LT(replaced, log.size()) << "never replaced";
    EXPECT_LT(Entry(log, "flush temporary", replaced), log.size()) << "the rename is flushed";
    EXPECT_EQ(Entry(log, "write settings"), log.size());
    EXPECT_EQ(ReadBytes(file), exists ? "a=1\r\nb=2\r\n" : "b=2\r\n");
    ExpectOnlyTheSettingsFile();
  }
}

// Writes the file in place with the bytes, as another program does.
void WriteInPlace(const std::string& path, const std::string& bytes) {
  const TUniqueHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  ASSERT_TRUE(file &&
              WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
              SetEndOfFile(file.Get()));
}

// Another program writes in the moment between the store's last look at the file and its replace,
// where the system cannot replace a file held open. The store sees it afterwards, puts it back at
// once and writes again over it; whatever fails after that, what the other program wrote is in the
// file. One that writes in every such moment keeps its last text, and the save fails and says why.
TEST_F(SetupStore, AWriteInTheMomentBeforeTheReplaceIsNeverLost) {
  const std::string big = Filler(MaxSettingsFileSize);
  const std::string sharing =
      "Cannot create file \"" + file + "\". " + SysErrorMessage(ERROR_SHARING_VIOLATION);
  struct Case {
    const char* name;
    int writes;            // in how many of those moments the other program writes
    bool bigWrite;         // it writes a file at the size limit, which the store's edit would pass
    std::string refuse;    // the call that fails after the first replace ("" none)
    DWORD error;           // with this error
    bool refuseFirstOnly;  // only the first time, or every time
    std::string failure;   // how the save's error begins; "" it succeeds
  };
  const Case cases[] = {
      {"once", 1, false, "", 0, false, ""},
      {"every time", 1000, false, "", 0, false, sharing},
      {"once, then every rename fails", 1, false, "rename temporary", ERROR_WRITE_FAULT, false,
       "Cannot create file \"" + file + "\". " + SysErrorMessage(ERROR_WRITE_FAULT)},
      {"once, then the new text cannot be made", 1, false, "open temporary", ERROR_DISK_FULL, false,
       "Cannot create file \"" + file + "\". " + SysErrorMessage(ERROR_DISK_FULL)},
      {"once, a file that the store's edit would take past the limit", 1, true, "", 0, false,
       "Cannot create file \"" + file + "\". It is too large for a settings file"},
      {"after a replace that another program's handle refused", 1, false, "rename temporary",
       ERROR_ACCESS_DENIED, true, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    store.ConfigFileName();
    WriteBytes(file, "a=1\r\n");
    store.LoadSettings();
    store.WriteInteger("mine", 7);
    TOtherWriter other(file);
    int moments = 0, renames = 0;
    {
      TFileCalls calls;
      calls.NoHeldReplace = true;
      // A refused first replace is not a moment of writing: the other program writes at the next.
      const int firstWrite = c.refuseFirstOnly ? 2 : 1;
      calls.BeforeReplace = [&] {
        ++moments;
        if (moments < firstWrite || moments >= firstWrite + c.writes) return;
        if (c.bigWrite)
          WriteInPlace(file, big);
        else
          other.Write(moments);
      };
      calls.Refuse = [&](const std::string& call) -> DWORD {
        if (c.refuse.empty() || call != c.refuse) return 0;
        if (call == "rename temporary" && ++renames > 1 && c.refuseFirstOnly) return 0;
        if (call == "rename temporary" && !c.refuseFirstOnly && moments < 2) return 0;
        if (call == "open temporary" && moments < 1) return 0;
        return c.error;
      };
      try {
        store.SaveSettings();
        EXPECT_EQ(c.failure, "") << "no error";
      } catch (const Exception& e) {
        EXPECT_EQ(e.Message().rfind(c.failure, 0), 0u) << e.Message();
        EXPECT_NE(c.failure, "") << e.Message();
      }
    }
    if (c.bigWrite) {
      EXPECT_EQ(ReadBytes(file), big) << "what the other program wrote";
    } else {
      EXPECT_EQ(ValueInFile(file, TOtherWriter::Name), std::to_string(other.Last)) << "its last write";
      EXPECT_EQ(ValueInFile(file, "a"), "1") << ReadBytes(file);
    }
    if (c.failure.empty()) {
      EXPECT_EQ(ValueInFile(file, "mine"), "7") << "the store's edit";
    }
    ExpectOnlyTheSettingsFile();
    DeleteFileA(file.c_str());
  }
}

// A file another program deleted or emptied since it was read is written anew with every line of
// the store, at whichever moment it went: before the save, or between the save's first look at the
// folder and its hold of the file.
TEST_F(SetupStore, AFileDeletedOrEmptiedMeanwhileIsWrittenAnew) {
  const struct {
    const char* name;
    bool atTheHold;  // or before the save
    bool emptied;    // or deleted
  } cases[] = {
      {"deleted before the save", false, false},
      {"emptied before the save", false, true},
      {"deleted at the hold", true, false},
      {"emptied at the hold", true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    store.ConfigFileName();
    WriteBytes(file, "a=1\r\nb=2\r\n");
    store.LoadSettings();
    store.WriteInteger("b", 3);
    const auto remove = [&] {
      if (c.emptied)
        WriteBytes(file, "");
      else
        DeleteFileA(file.c_str());
    };
    TFileCalls calls;
    if (c.atTheHold) {
      bool done = false;
      calls.BeforeOpen = [&](const std::wstring& name, DWORD share) {
        if (!done && share == FILE_SHARE_DELETE && name.size() > 5 &&
            name.compare(name.size() - 5, 5, L".conf") == 0) {
          done = true;
          remove();
        }
      };
    } else {
      remove();
    }
    EXPECT_NO_THROW(store.SaveSettings());
    EXPECT_EQ(ReadBytes(file), "a=1\r\nb=3\r\n");
    ExpectOnlyTheSettingsFile();
  }
}

// What the window's merge does, on the store alone: another program's change before a save is kept
// under the store's edits, from a start with no file too; and after a save the next one compares
// with what that save wrote, so that it writes only what was edited since.
TEST_F(SetupStore, SavesKeepWhatAnotherProgramWroteBetweenThem) {
  const struct {
    const char* name;
    std::optional<std::string> stored;                                      // none: no file at the start
    std::vector<std::pair<std::string, std::optional<std::string>>> steps;  // an edit, then theirs
    std::string written;
  } cases[] = {
      {"no file, then another program makes one",
       std::nullopt,
       {{"mine=1", "theirs=1\r\n"}},
       "theirs=1\r\nmine=1\r\n"},
      {"no file, and none made", std::nullopt, {{"mine=1", std::nullopt}}, "mine=1\r\n"},
      {"two saves, the other program writes between them",
       "a=1\r\n",
       {{"mine=1", std::nullopt}, {"mine=2", "a=5\r\nmine=1\r\n"}},
       "a=5\r\nmine=2\r\n"},
      {"two saves, the other program changes the store's key between them: its change stays",
       "a=1\r\n",
       {{"mine=1", std::nullopt}, {"a=1", "a=1\r\nmine=7\r\n"}},
       "a=1\r\nmine=7\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RemoveTree(folder);
    TGenericSetup one;
    one.AppName = store.AppName;
    one.ConfigFileName();
    if (c.stored) WriteBytes(file, *c.stored);
    one.LoadSettings();
    for (const auto& [edit, theirs] : c.steps) {
      const std::size_t eq = edit.find('=');
      one.WriteString(edit.substr(0, eq), edit.substr(eq + 1));
      if (theirs) WriteBytes(file, *theirs);
      one.SaveSettings();
    }
    EXPECT_EQ(ReadBytes(file), c.written);
    EXPECT_EQ(JoinLines(one.Lines), c.written) << "the store holds what it wrote";
  }
}

std::string ReadBytes(const std::filesystem::path& path) {
  TUniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
  std::string bytes(4096, '\0');
  DWORD read = 0;
  if (!file || !ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr))
    return "<unread>";
  bytes.resize(read);
  return bytes;
}

// A user whose profile folder is named with characters that no ANSI code page holds (Sinhala and
// Ethiopic letters): the settings live there all the same, and messages show the path in ANSI text.
TEST(SetupStoreProfile, FolderNamedOutsideTheCodePageHoldsTheSettings) {
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::filesystem::path roaming = std::filesystem::path(temp) / L"px2d-\u0D9A\u1200 roaming";
  std::filesystem::remove_all(roaming);
  std::filesystem::create_directories(roaming);
  const std::filesystem::path folder = roaming / L"Brightfallow" / L"Px2DStoreTest";
  const std::filesystem::path file = folder / L"Px2DStoreTest.conf";
  {
    TRoamingFolder profile(roaming.wstring(), TRoamingScope::ThisProcess);
    ASSERT_TRUE(profile.Active());
    TGenericSetup store;
    store.AppName = "Px2DStoreTest";
    char tempAnsi[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, tempAnsi);
    EXPECT_EQ(store.ConfigFileName(),
              std::string(tempAnsi) + "px2d-?? roaming\\Brightfallow\\Px2DStoreTest\\Px2DStoreTest.conf");

    store.Lines = {"area size=5", "unknown line"};
    ASSERT_NO_THROW(store.SaveSettings());
    EXPECT_EQ(ReadBytes(file), "area size=5\r\nunknown line\r\n");
    EXPECT_EQ(
        std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator()), 1);
    TGenericSetup again;
    again.AppName = store.AppName;
    ASSERT_NO_THROW(again.LoadSettings());
    EXPECT_EQ(again.Lines, store.Lines);

    SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY);
    try {
      store.SaveSettings();
      ADD_FAILURE() << "no error";
    } catch (const EFCreateError& e) {
      EXPECT_EQ(e.Message(), "Cannot create file \"" + store.ConfigFileName() + "\". " +
                                 SysErrorMessage(ERROR_ACCESS_DENIED));
    }
    SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
  }
  std::filesystem::remove_all(roaming);
}

// Without a roaming folder the store says so, and writes nothing to the root of the current drive.
TEST(SetupStoreProfile, UnknownRoamingFolderIsAnError) {
  const std::string onRoot = "\\Brightfallow\\Px2DStoreTest";
  ASSERT_FALSE(Exists(onRoot));
  {
    TRoamingFolder profile(std::wstring(), TRoamingScope::ThisProcess);
    ASSERT_TRUE(profile.Active());
    TGenericSetup store;
    store.AppName = "Px2DStoreTest";
    store.Lines = {"a=1"};
    const std::function<void()> operations[] = {[&] { store.ConfigFileName(); },
                                                [&] { store.LoadSettings(); }, [&] { store.SaveSettings(); }};
    for (const auto& operation : operations) {
      try {
        operation();
        ADD_FAILURE() << "no error";
      } catch (const Exception& e) {
        EXPECT_EQ(e.Message().rfind("Cannot find the roaming application-data folder. ", 0), 0u)
            << e.Message();
      }
    }
    EXPECT_EQ(store.Lines, TextLines{"a=1"});
  }
  EXPECT_FALSE(Exists(onRoot));
  RemoveTree(onRoot);
  RemoveDirectoryA("\\Brightfallow");
}

}  // namespace
}  // namespace px2d
