// Align, margins and anchors after resizes, bounds read back from the system, and the whole layout
// at 144 pixels per inch (Wine's LogPixels, in a process of its own).
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "DialogTestForm.h"
#include "support/LogPixels.h"
#include "support/Processes.h"

namespace px2d::test {
namespace {

struct TBounds {
  TControl* control;
  RECT at;
};

::testing::AssertionResult At(TControl* c, RECT r) {
  const RECT b = c->BoundsRect();
  if (EqualRect(&b, &r)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << c->Caption() << " at (" << b.left << ", " << b.top << ", " << b.right << ", " << b.bottom
         << "), expected (" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << ")";
}

void SetClient(TForm& form, int Width, int Height) {
  RECT r{0, 0, Width, Height};
  AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtrA(form.Handle(), GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrA(form.Handle(), GWL_EXSTYLE)));
  SetWindowPos(form.Handle(), nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER);
}

// The designed places at 96 pixels per inch, and after the window grew by (dx, dy).
std::vector<TBounds> Expected(TDialogTestForm& f, int dx, int dy) {
  return {
      {f.Bar, {0, 160 + dy, 300 + dx, 200 + dy}},  // bottom, full width
      {f.Ok, {210 + dx, 8, 290 + dx, 33}},         // keeps its distance from the right
      {f.Other, {120 + dx, 8, 200 + dx, 33}},      //
      {f.Pages, {8, 8, 292 + dx, 152 + dy}},       // keeps its distance from all four edges
      {f.First, {4, 4, 280 + dx, 140 + dy}},       // the page, 4 inside on every side
      {f.Check, {8, 40, 128, 57}},                 // fixed from the top-left
      {f.List, {60, 62, 180, 85}},                 //
      {f.Slider, {0, 92, 270 + dx, 124}},          // left and right anchors: grows
      {f.ListLabel, {8, 66, 8 + f.ListLabel->Width(), 66 + f.ListLabel->Height()}},
  };
}

TEST(Layout, AlignMarginsAndAnchorsFollowEverySizeFromTheDesignWithoutDrift) {
  TDialogTestForm form;
  form.ShowInFront();
  for (const TBounds& b : Expected(form, 0, 0)) EXPECT_TRUE(At(b.control, b.at));
  // The stacked title: the page's width less its margins, at least as high as designed.
  EXPECT_TRUE(At(form.Title, {3, 3, 273, 3 + form.Title->Height()}));
  const int twoLines = form.Title->Height();
  EXPECT_GE(twoLines, 20);

  SetClient(form, 500, 300);
  for (const TBounds& b : Expected(form, 200, 100)) EXPECT_TRUE(At(b.control, b.at));
  EXPECT_EQ(form.Title->Width(), 470);
  EXPECT_LE(form.Title->Height(), twoLines) << "the wider title re-wraps";

  // Many sizes, then the designed one again: everything is back where it started.
  for (int i = 0; i < 25; ++i) SetClient(form, 137 + 31 * i, 91 + 17 * i);
  SetClient(form, 300, 200);
  for (const TBounds& b : Expected(form, 0, 0)) EXPECT_TRUE(At(b.control, b.at));
  EXPECT_EQ(form.Title->Height(), twoLines);
}

TEST(Layout, BoundsAreReadBackWhenTheSystemMovesAControlAndControlsInsertedLateGetTheirWindow) {
  TDialogTestForm form;
  form.ShowInFront();
  SetWindowPos(form.Check->Handle(), nullptr, 20, 30, 90, 19, SWP_NOZORDER);
  EXPECT_TRUE(At(form.Check, {20, 30, 110, 49}));
  RECT window;
  GetWindowRect(form.List->Handle(), &window);
  EXPECT_EQ(form.List->Height(), window.bottom - window.top) << "a combo box sets its own height";

  auto* late = form.Add<TCheckBox>(*form.First, 150, 40, 100, 17, "Late");
  ASSERT_TRUE(late->HandleAllocated());
  EXPECT_EQ(GetParent(late->Handle()), form.First->Handle());
  EXPECT_TRUE(At(late, {150, 40, 250, 57}));
}

// --- 144 pixels per inch ---

constexpr const char* ChildVariable = "PX2D_RESOLUTION_CHILD";

// Runs in a process of its own that Wine started at 144 pixels per inch.
TEST(ResolutionChild, WholeLayoutIsScaledOnceAt144) {
  if (!std::getenv(ChildVariable)) GTEST_SKIP() << "runs inside Layout.WholeLayoutAt144PixelsPerInch";
  ASSERT_EQ(ScreenPixelsPerInch(), 144);
  TDialogTestForm form;
  form.ShowInFront();
  EXPECT_EQ(form.PixelsPerInch(), 144);
  EXPECT_EQ(form.ClientWidth(), 450);
  EXPECT_EQ(form.ClientHeight(), 300);
  // Every designed edge times 1.5, half pixels rounded away from zero.
  const std::vector<TBounds> scaled{
      {form.Bar, {0, 240, 450, 300}},    {form.Ok, {315, 12, 435, 50}},  {form.Other, {180, 12, 300, 50}},
      {form.Pages, {12, 12, 438, 228}},  {form.First, {6, 6, 420, 210}}, {form.Check, {12, 60, 192, 86}},
      {form.Slider, {0, 138, 405, 186}},
  };
  for (const TBounds& b : scaled) EXPECT_TRUE(At(b.control, b.at));
  EXPECT_EQ(form.Title->Left(), 5) << "margins are scaled too";
  EXPECT_EQ(form.Title->Top(), 5);
  EXPECT_EQ(form.Title->Width(), 404) << "the page's 414 less two margins of 5";
  EXPECT_GE(form.Title->Height(), 30);
  EXPECT_EQ(form.List->Height(), 35);
  // The entries' height at 144: StdControlWrappers.DropDownListEntriesAreAsHighAsDesignedAtEachResolution.
  LOGFONTA lf{};
  GetObjectA(reinterpret_cast<HFONT>(SendMessageA(form.Check->Handle(), WM_GETFONT, 0, 0)), sizeof lf, &lf);
  EXPECT_EQ(lf.lfHeight, -17) << "a font designed at 11 pixels";
  EXPECT_EQ(form.Font().Size(), 8) << "the same size in points at every resolution";
}

TEST(Layout, WholeLayoutAt144PixelsPerInch) {
  // Wine reads the resolution from the registry for every new process; Windows does not, and a test
  // must not change the resolution of the user's own desktop there.
  if (!RunningOnWine()) GTEST_SKIP() << "Wine's LogPixels only";
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  char folder[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, folder);
  const std::string output = std::string(folder) + "px2d-resolution-child.txt";
  SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
  HANDLE file =
      CreateFileA(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD exitCode = 1;
  {
    const TLogPixels resolution(144);
    SetEnvironmentVariableA(ChildVariable, "1");
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = file;
    PROCESS_INFORMATION process{};
    std::string command = std::string("\"") + self + "\" --gtest_filter=ResolutionChild.*";
    const bool started = StartProgram(
        [&] {
          return CreateProcessA(self, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                                &process);
        },
        "the child at 144 pixels per inch");
    SetEnvironmentVariableA(ChildVariable, nullptr);
    ASSERT_TRUE(started);
    if (WaitForSingleObject(process.hProcess, 60000) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 99);
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  CloseHandle(file);
  std::ifstream in(output);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(exitCode, 0u) << text.str();
  EXPECT_NE(text.str().find("[  PASSED  ] 1 test"), std::string::npos) << text.str();
  DeleteFileA(output.c_str());
}

}  // namespace
}  // namespace px2d::test
