// The framework's error box: an exception escaping a handler is shown, and the window stays open.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "framework/Forms.h"
#include "framework/SysUtils.h"

namespace px2d {
namespace {

class TThrowingForm : public TForm {
 public:
  using TForm::TForm;
  const char* ClassName() const override { return "TThrowingForm"; }
  std::string Text;

 protected:
  LRESULT WndProc(UINT Msg, WPARAM wParam, LPARAM lParam) override {
    if (Msg == WM_APP) throw Exception(Text);
    return TForm::WndProc(Msg, wParam, lParam);
  }
};

// Waits for the message box captioned `title`, reads its text and presses OK.
std::string AnswerBox(const char* title) {
  for (int i = 0; i < 500; ++i) {
    if (HWND box = FindWindowA("#32770", title)) {
      char text[512] = {};
      GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
      PostMessageA(box, WM_COMMAND, IDOK, 0);
      return text;
    }
    Sleep(10);
  }
  return "<no box>";
}

TEST(Framework, EscapedExceptionIsShownAndTheWindowStays) {
  struct Case {
    std::string message, shown;
  };
  const Case cases[] = {
      {"Bad value", "Bad value."},
      {"Saved.", "Saved."},
      {"Stop!", "Stop!"},
      {"Why?", "Why?."},
      {"Cannot create file \"C:\\a.conf\". Access denied", "Cannot create file \"C:\\a.conf\". Access denied."},
  };
  Application.Title = "Framework Test Title";
  TThrowingForm form;
  form.SetClientSize(120, 80);
  form.HandleNeeded();
  for (const auto& c : cases) {
    form.Text = c.message;
    std::string shown;
    std::thread watcher([&] { shown = AnswerBox("Framework Test Title"); });
    SendMessageA(form.Handle(), WM_APP, 0, 0);
    watcher.join();
    EXPECT_EQ(shown, c.shown);
    EXPECT_TRUE(IsWindow(form.Handle()));
  }
}

TEST(Framework, WindowClassIsTheClassName) {
  TThrowingForm form;
  form.SetCaption("Caption");
  form.HandleNeeded();
  char name[64] = {};
  GetClassNameA(form.Handle(), name, sizeof name);
  EXPECT_STREQ(name, "TThrowingForm");
  char caption[64] = {};
  GetWindowTextA(form.Handle(), caption, sizeof caption);
  EXPECT_STREQ(caption, "Caption");
  form.SetCaption("Other");
  GetWindowTextA(form.Handle(), caption, sizeof caption);
  EXPECT_STREQ(caption, "Other");
}

TEST(Framework, SystemErrorText) {
  try {
    RaiseOSError(ERROR_FILE_NOT_FOUND);
    FAIL();
  } catch (const EOSError& e) {
    EXPECT_EQ(e.ErrorCode, static_cast<unsigned long>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(e.Message(), "System Error.  Code: 2.\r\n" + SysErrorMessage(ERROR_FILE_NOT_FOUND));
  }
  const std::string text = SysErrorMessage(ERROR_ACCESS_DENIED);
  ASSERT_FALSE(text.empty());
  EXPECT_GT(static_cast<unsigned char>(text.back()), ' ');
  EXPECT_NE(text.back(), '.');
}

}  // namespace
}  // namespace px2d
