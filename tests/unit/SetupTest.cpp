// The settings store against real files in the roaming application-data folder.
#include <gtest/gtest.h>

#include <shlobj.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include "framework/Handles.h"
#include "support/Files.h"
#include "support/RoamingFolder.h"
#include "unSetup.h"

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

// A settings file is read only if it can be saved again with the window's keys: 1 KiB below
// MaxSettingsFileSize, measured as a save writes it (CR LF breaks). The store writes none larger
// than MaxSettingsFileSize.
TEST_F(SetupStore, FilesLargerThanTheLimitAreNeitherReadNorWritten) {
  store.ConfigFileName();
  constexpr std::size_t readLimit = MaxSettingsFileSize - 1024;
  const std::string line(readLimit - 2, 'x');
  struct Case {
    const char* name;
    std::string stored;
    std::size_t reported;  // the size in the error; 0: read
  };
  const Case cases[] = {
      {"at the limit, with CR LF", line + "\r\n", 0},
      {"one byte over", line + "\r\na", readLimit + 1},
      {"under the limit on disk, over it with CR LF",
       line.substr(0, readLimit - 1000) + std::string(999, '\n'), readLimit + 998},
      {"over the write limit on disk", std::string(MaxSettingsFileSize + 1, 'x'), MaxSettingsFileSize + 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteBytes(file, c.stored);
    store.Lines = {"mine=1"};
    try {
      store.LoadSettings();
      EXPECT_EQ(c.reported, 0u) << "read";
      store.SaveSettings();
      EXPECT_EQ(ReadBytes(file), c.stored);
    } catch (const ESettingsTooLarge& e) {
      EXPECT_EQ(e.Message(), "Cannot open file \"" + file +
                                 "\". It is too large for a settings file: " + std::to_string(c.reported) +
                                 " bytes, where at most " + std::to_string(readLimit) + " are allowed");
      EXPECT_EQ(store.Lines, TextLines{"mine=1"});
      EXPECT_EQ(ReadBytes(file), c.stored);
    }
  }

  // Lines read from lone line feeds are written with CR LF: 32769 empty lines take 65538 bytes.
  store.Lines = TextLines(MaxSettingsFileSize / 2 + 1, "");
  try {
    store.SaveSettings();
    ADD_FAILURE() << "no error";
  } catch (const EFCreateError& e) {
    EXPECT_EQ(e.Message(), "Cannot create file \"" + file +
                               "\". It is too large for a settings file: 65538 bytes, where at most 65536 "
                               "are allowed");
  }
  EXPECT_EQ(ReadBytes(file), std::string(MaxSettingsFileSize + 1, 'x'));
  ExpectOnlyTheSettingsFile();
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
