// The real program on settings files that no one should write: it starts, shows what it can, never
// crashes, hangs or loses the file, and an unchanged Apply writes what the store's rules make of it.
// A file larger than any settings file is not read, and never written over.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <functional>

#include "OptionsWindowFixture.h"
#include "framework/SysUtils.h"
#include "support/RoamingFolder.h"

namespace px2d::e2e {
namespace {

// The exact bytes of a file named in UTF-16, or nothing when it cannot be read.
std::optional<std::string> ReadAll(const std::filesystem::path& Path) {
  const TUniqueHandle file(CreateFileW(Path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size{};
  if (!file || !GetFileSizeEx(file.Get(), &size)) return std::nullopt;
  std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
  std::size_t done = 0;
  for (DWORD read = 1; done < bytes.size() && read != 0; done += read)
    if (!ReadFile(file.Get(), bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &read, nullptr))
      return std::nullopt;
  bytes.resize(done);
  return bytes;
}

void WriteAll(const std::filesystem::path& Path, const std::string& Bytes) {
  std::filesystem::create_directories(Path.parent_path());
  const TUniqueHandle file(
      CreateFileW(Path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  ASSERT_TRUE(file &&
              WriteFile(file.Get(), Bytes.data(), static_cast<DWORD>(Bytes.size()), &written, nullptr) &&
              written == Bytes.size());
}

std::wstring TempFolder() {
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  return temp;
}

// Bytes 1 to 255 but CR and LF in a fixed pseudo-random order, in lines of 64 that end in CR LF.
std::string Garbage(std::size_t Lines) {
  std::string text;
  std::uint32_t state = 12345;
  for (std::size_t line = 0; line < Lines; ++line) {
    for (int i = 0; i < 64; ++i) {
      char c = 0;
      while (c == 0 || c == '\r' || c == '\n') {
        state = state * 1103515245u + 12345u;
        c = static_cast<char>(state >> 24);
      }
      text += c;
    }
    text += "\r\n";
  }
  return text;
}

std::string Replaced(std::string Text, const std::string& From, const std::string& To) {
  Text.replace(Text.find(From), From.size(), To);
  return Text;
}

void ExpectDefaults(OptionsWindow& W) {
  EXPECT_TRUE(W.Ticked(idIncludeMinimized));
  EXPECT_FALSE(W.Ticked(idRunWithWindows));
  EXPECT_TRUE(W.Ticked(idBalloon));
  EXPECT_EQ(W.Position(idDesktopOpacity), 75);
  EXPECT_EQ(W.Position(idAreaSize), 1);
  EXPECT_EQ(W.Selected(idKeys), "F11");
  EXPECT_EQ(W.Selected(idCorner1), "Show all windows");
}

struct TBadInput {
  const char* name;
  std::string stored;
  std::string startError;  // how the error box at the start begins; empty: there is none
  std::function<void(OptionsWindow&)> shows;
  std::optional<std::string> written;  // after an unchanged Apply; none: Apply refuses, the file stays
  std::wstring roaming = {};           // the user's roaming folder, when it is not the usual one
};

class BadInput : public OptionsWindow {
 public:
  void Check(const TBadInput& c) {
    SCOPED_TRACE(c.name);
    const std::filesystem::path roaming = c.roaming.empty()
                                              ? std::filesystem::path(AnsiToWide(AppDataFolder()))
                                              : std::filesystem::path(c.roaming);
    const std::filesystem::path file = roaming / L"Brightfallow" / L"Panoplex2D" / L"Panoplex2D.conf";
    WriteAll(file, c.stored);
    std::optional<test::TRoamingFolder> redirected;
    if (!c.roaming.empty()) {
      redirected.emplace(c.roaming, test::TRoamingScope::ProgramsStarted);
      ASSERT_TRUE(redirected->Active());
    }
    Start(std::nullopt, !c.startError.empty());
    ASSERT_TRUE(window);
    if (!c.startError.empty()) {
      EXPECT_EQ(startError.rfind(c.startError, 0), 0u) << startError;
    }
    DWORD_PTR ignored = 0;
    ASSERT_TRUE(SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &ignored))
        << "the window answers";
    EXPECT_FALSE(ApplyEnabled());
    c.shows(*this);
    EXPECT_TRUE(ReadAll(file) == c.stored) << "loading changes nothing";

    TickAndUntick();
    if (c.written) {
      Apply();
      EXPECT_FALSE(ApplyEnabled());
      EXPECT_EQ(ReadAll(file), c.written);
    } else {
      // Read as an unreadable file: nothing can be edited until it has been read, so nothing is
      // written over it; Accept closes without writing.
      EXPECT_FALSE(IsWindowEnabled(Item(idFirstPage)));
      EXPECT_FALSE(ApplyEnabled());
      EXPECT_TRUE(ReadAll(file) == c.stored) << "nothing written";
    }
    ASSERT_TRUE(SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &ignored))
        << "still answering";
    if (!c.written) {
      Click(Item(idAccept));
      ExpectExit();
      EXPECT_TRUE(ReadAll(file) == c.stored) << "Accept wrote nothing";
    }
    // Ended rather than closed: closing does not read the file, and Wine on a display without a
    // window manager waits two seconds for a closed window to be withdrawn.
    if (!program->WaitExit(0)) program->Kill();
    redirected.reset();
    std::filesystem::remove_all(file.parent_path());
  }
};

TEST_F(BadInput, TheProgramShowsWhatItCanAndLosesNothing) {
  const std::string tooLarge =
      "Cannot open file \"" + SettingsPath() + "\". It is too large for a settings file: ";
  const std::string huge = FileWith({{"area size", "9"}}) + std::string(100 << 20, 'x');
  const std::wstring nonAscii = TempFolder() + L"px2d-\u0D9A\u1200 roaming";
  const TBadInput cases[] = {
      {"an empty file", "", "", ExpectDefaults, FileWith()},
      {"a file of 100 MB", huge,
       tooLarge + std::to_string(huge.size()) + " bytes, where at most 65536 are allowed",
       [](OptionsWindow& w) {
         ExpectDefaults(w);
         EXPECT_TRUE(IsWindowVisible(w.Item(idReadAgain)));
       },
       std::nullopt},
      {"one line of 1 MB", "activation key=" + std::string(1 << 20, 'A') + "\r\n", tooLarge, ExpectDefaults,
       std::nullopt},
      {"binary garbage", Garbage(64), "", ExpectDefaults, Garbage(64) + FileWith()},
      {"lines of zero bytes: the text ends at the first, and the rest is kept",
       "run with windows=1\r\n" + std::string(4, '\0') + "\r\n" + std::string(4, '\0') +
           "\r\narea size=9\r\n",
       "",
       [](OptionsWindow& w) {
         EXPECT_TRUE(w.Ticked(idRunWithWindows));
         EXPECT_EQ(w.Position(idAreaSize), 1);
       },
       // Written back after the lines, as it was: the switcher reads no further either.
       "run with windows=1\r\n" + FileWith({{"run with windows", std::nullopt}}) + std::string(4, '\0') +
           "\r\n" + std::string(4, '\0') + "\r\narea size=9\r\n"},
      {"only \"=\" lines", "=\r\n==\r\n=1\r\n", "", ExpectDefaults, "=\r\n==\r\n=1\r\n" + FileWith()},
      {"keys with trailing spaces name no key", "run with windows =1\r\narea size =9\r\n", "", ExpectDefaults,
       "run with windows =1\r\narea size =9\r\n" + FileWith()},
      {"values far outside every range",
       FileWith({{"desktop opacity", "2147483647"},
                 {"area size", "-2147483648"},
                 {"activation delay", "99999999999"},
                 {"active corner 2", "-7"},
                 {"search position", "2147483647"},
                 {"show balloon", "$FFFFFF00"},
                 {"effect duration", "-1"},
                 {"search duration", "0x7FFFFFFF"}}),
       "",
       [](OptionsWindow& w) {
         EXPECT_EQ(w.Position(idDesktopOpacity), 100);
         EXPECT_EQ(w.Position(idAreaSize), 1);
         EXPECT_EQ(w.Position(idActivationDelay), 100) << "no number: the default";
         EXPECT_EQ(w.Selected(idCorner1 + 1), "");
         EXPECT_FALSE(w.Ticked(idBalloon)) << "its lowest 8 bits are zero";
         EXPECT_EQ(w.Position(idEffectDuration), 0);
         EXPECT_EQ(w.Position(idSearchDuration), 1000);
         EXPECT_EQ(w.SelectedMarker(), -1);
       },
       FileWith({{"desktop opacity", "100"},
                 {"area size", "1"},
                 {"activation delay", "100"},
                 {"active corner 2", "-1"},
                 {"search position", "2147483647"},
                 {"show balloon", "0"},
                 {"effect duration", "0"},
                 {"search duration", "1000"}})},
      {"names in another case",
       Replaced(Replaced(FileWith(), "run with windows=0", "RUN WITH WINDOWS=1"), "area size=1",
                "Area Size=9"),
       "",
       [](OptionsWindow& w) {
         EXPECT_TRUE(w.Ticked(idRunWithWindows));
         EXPECT_EQ(w.Position(idAreaSize), 9);
       },
       FileWith({{"run with windows", "1"}, {"area size", "9"}})},
      {"a UTF-8 byte-order mark hides the first key", "\xEF\xBB\xBF" + FileWith({{"search position", "3"}}),
       "", [](OptionsWindow& w) { EXPECT_EQ(w.SelectedMarker(), 0); },
       "\xEF\xBB\xBF" + FileWith({{"search position", "3"}}) + "search position=0\r\n"},
      {"bytes outside ASCII in values",
       FileWith({{"activation key", "Ctrl+\xE9"}, {"desktop opacity", "\xB2\xB5"}}) +
           "note=caf\xE9 \xFC\xFF\x80\r\n",
       "",
       [](OptionsWindow& w) {
         EXPECT_EQ(w.Selected(idKeys), "");
         EXPECT_FALSE(w.Ticked(idControl));
         EXPECT_EQ(w.Position(idDesktopOpacity), 75);
       },
       FileWith({{"activation key", std::nullopt}}) + "note=caf\xE9 \xFC\xFF\x80\r\n"},
      {"a roaming folder named outside the code page", FileWith({{"area size", "9"}}), "",
       [](OptionsWindow& w) { EXPECT_EQ(w.Position(idAreaSize), 9); }, FileWith({{"area size", "9"}}),
       nonAscii},
  };
  for (const TBadInput& c : cases) Check(c);
  EXPECT_FALSE(ReadBytes(SettingsPath())) << "the redirected program wrote nothing to the usual folder";
  std::filesystem::remove_all(nonAscii);
}

}  // namespace
}  // namespace px2d::e2e
