// A dialog's keyboard, with real key presses through the application's message loop: Tab order,
// Enter and the default button, Escape, Alt and a letter, and the focus across activation.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

#include "DialogTestForm.h"
#include "GdiPlusEnvironment.h"
#include "controls/GlassButton.h"
#include "framework/SysUtils.h"

namespace px2d::test {
namespace {

struct DialogKeyboard : ::testing::Test {
  TDialogTestForm form;
  TGlassButton* glass = nullptr;
  void SetUp() override {
    // A glass button on the form itself, no tab stop, with an accelerator in its caption.
    glass = form.InsertControl(std::make_unique<TGlassButton>());
    glass->SetBounds(200, 8, 90, 30);
    glass->SetCaption("&Go");
    glass->OnClick = form.Record("go click");
    form.Pages->SetBounds(8, 44, 284, 108);
    form.ShowInFront();
    form.TakeEvents();
  }
  // The controls that Tab visits from the focused one, in order.
  std::vector<TWinControl*> Walk(int Steps, bool Back = false) {
    std::vector<TWinControl*> seen;
    for (int i = 0; i < Steps; ++i) {
      if (Back)
        Press({VK_SHIFT, VK_TAB});
      else
        Press({VK_TAB});
      seen.push_back(FocusedControl());
    }
    return seen;
  }
  bool LooksDefault(TButton* b) {
    return (GetWindowLongPtrA(b->Handle(), GWL_STYLE) & 0xF) == BS_DEFPUSHBUTTON;
  }
};

TEST_F(DialogKeyboard, WindowOpensOnTheFirstTabStopAndTabFollowsEachContainersOwnOrder) {
  EXPECT_EQ(FocusedControl(), form.Ok);
  const std::vector<TWinControl*> forward{form.Other, form.List, form.Slider, form.Check, form.Ok};
  EXPECT_EQ(Walk(5), forward) << "bar before pages; within each its own order, not that of creation";
  const std::vector<TWinControl*> back{form.Check, form.Slider, form.List, form.Other, form.Ok};
  EXPECT_EQ(Walk(5, true), back);
  EXPECT_EQ(form.TakeEvents(), Strings{}) << "Tab presses nothing and never stops on the glass button";
}

TEST_F(DialogKeyboard, EnterPressesTheDefaultButtonUnlessAnotherPushButtonHasTheFocus) {
  struct Case {
    TWinControl* focus;
    Strings events;
  };
  const Case cases[] = {{form.Check, {"OK click"}},
                        {form.List, {"OK click"}},
                        {form.Other, {"Other click"}},
                        {form.Ok, {"OK click"}}};
  for (const Case& c : cases) {
    c.focus->SetFocus();
    Pump();
    EXPECT_EQ(LooksDefault(form.Ok), c.focus != form.Other);
    EXPECT_EQ(LooksDefault(form.Other), c.focus == form.Other);
    Press({VK_RETURN});
    EXPECT_EQ(form.TakeEvents(), c.events) << c.focus->Caption();
  }
  EXPECT_EQ(HIWORD(SendMessageA(form.Handle(), DM_GETDEFID, 0, 0)), DC_HASDEFID);
  EXPECT_EQ(LOWORD(SendMessageA(form.Handle(), DM_GETDEFID, 0, 0)), 10);
}

TEST_F(DialogKeyboard, EscapeDoesNothingUntilACancelButtonIsSet) {
  form.Check->SetFocus();
  Press({VK_ESCAPE});
  EXPECT_EQ(form.TakeEvents(), Strings{});
  EXPECT_TRUE(IsWindow(form.Handle()));
  form.Other->SetCancel(true);
  Press({VK_ESCAPE});
  EXPECT_EQ(form.TakeEvents(), Strings{"Other click"});
}

TEST_F(DialogKeyboard, AltAndALetterReachTheAcceleratorsWhereverTheFocusIs) {
  form.Slider->SetFocus();
  Press({VK_MENU, 'G'});
  EXPECT_EQ(form.TakeEvents(), Strings{"go click"}) << "the glass button's accelerator";
  Press({VK_MENU, 'N'});
  EXPECT_EQ(FocusedControl(), form.List) << "a label's accelerator moves the focus to the control after it";
  Press({VK_MENU, 'T'});
  EXPECT_EQ(form.TakeEvents(), Strings{"&Ticked click"}) << "a check box's own accelerator";
  EXPECT_TRUE(form.Check->Checked());
  // A hidden page's controls do not answer.
  form.Pages->SetActivePageIndex(1);
  Press({VK_MENU, 'N'});
  EXPECT_NE(FocusedControl(), form.List);
}

TEST_F(DialogKeyboard, FocusComesBackWhereItWasWhenTheWindowIsActivatedAgain) {
  form.Slider->SetFocus();
  Pump();
  TDialogTestForm other;
  other.ShowInFront();
  EXPECT_EQ(FocusedControl(), other.Ok);
  Activate(form.Handle());
  EXPECT_EQ(FocusedControl(), form.Slider);
}

TEST_F(DialogKeyboard, APageThatIsHiddenGivesTheFocusAway) {
  form.Check->SetFocus();
  form.Pages->SetActivePageIndex(1);
  EXPECT_EQ(FocusedControl(), form.SecondCheck) << "to the first control of the page now shown";
  form.Second->SetVisible(false);
  HWND focus = GetFocus();
  ASSERT_TRUE(focus);
  EXPECT_TRUE(IsWindowVisible(focus));
  EXPECT_EQ(FocusedControl(), form.Ok);
}

TEST_F(DialogKeyboard, CustomControlsLeaveTheKeysTheyDoNotHandleToTheDialog) {
  glass->SetTabStop(true);
  glass->SetFocus();
  Pump();
  Press({VK_RETURN});
  EXPECT_EQ(form.TakeEvents(), Strings{"go click"}) << "Enter is the focused glass button's own key";
  Press({VK_SHIFT, VK_RETURN});
  EXPECT_EQ(form.TakeEvents(), Strings{"OK click"}) << "Shift+Enter is left to the default button";
  form.Other->SetCancel(true);
  Press({VK_ESCAPE});
  EXPECT_EQ(form.TakeEvents(), Strings{"Other click"});
  glass->SetFocus();
  Press({VK_TAB});
  EXPECT_NE(FocusedControl(), glass) << "Tab leaves the glass button";
}

TEST_F(DialogKeyboard, AHandlerThatFailsShowsOneBoxAndTheWindowGoesOn) {
  Application.Title = "Dialog Test Title";
  struct Case {
    const char* name;
    std::function<void()> arrange, act;
  };
  const auto fail = [](const char* text) { return [text](TObject*) { throw Exception(text); }; };
  const Case cases[] = {
      {"Alt and a glass button's letter", [&] { glass->OnClick = fail("Go failed"); },
       [] {
         Press({VK_MENU, 'G'});
       }},
      {"Enter on a focused glass button",
       [&] {
         glass->OnClick = fail("Go failed");
         glass->SetTabStop(true);
         glass->SetFocus();
       },
       [] { Press({VK_RETURN}); }},
      {"a control that fails as the focus arrives", [&] { form.Check->OnEnter = fail("Enter failed"); },
       [&] { ClickAt(form.Check->Handle(), 6, 8); }},
      {"a control that fails as the focus leaves",
       [&] {
         form.Check->SetFocus();
         form.Check->OnExit = fail("Exit failed");
       },
       [] { Press({VK_TAB}); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    form.Ok->SetFocus();
    Pump();
    c.arrange();
    Pump();
    std::atomic<int> boxes{0};
    std::atomic<bool> done{false};
    std::thread watcher([&] {
      std::vector<HWND> answered;
      while (!done) {
        HWND box = FindWindowA("#32770", "Dialog Test Title");
        if (box && IsWindowVisible(box) &&
            std::find(answered.begin(), answered.end(), box) == answered.end()) {
          answered.push_back(box);
          ++boxes;
          PostMessageA(box, WM_COMMAND, IDOK, 0);
        }
        Sleep(5);
      }
    });
    EXPECT_NO_THROW(c.act());
    // The first box, then a quiet period in which no second one comes.
    EXPECT_TRUE(test::PumpUntil([&] { return boxes > 0 && !FindWindowA("#32770", "Dialog Test Title"); }));
    Pump(test::kQuietPeriod);
    done = true;
    watcher.join();
    EXPECT_EQ(boxes, 1);
    EXPECT_TRUE(IsWindowVisible(form.Handle()));
    EXPECT_FALSE(SendMessageA(form.Check->Handle(), BM_GETSTATE, 0, 0) & BST_FOCUS &&
                 GetFocus() != form.Check->Handle())
        << "a control left behind believes it has the focus";
    glass->OnClick = nullptr;
    glass->SetTabStop(false);
    form.Check->OnEnter = form.Check->OnExit = nullptr;
  }
}

TEST_F(DialogKeyboard, TheFocusSurvivesDisablingMinimizingAndRestoring) {
  form.Check->SetFocus();
  Pump();
  form.Check->SetEnabled(false);
  EXPECT_EQ(FocusedControl(), form.Ok) << "disabling the focused control passes the focus on";
  Press({VK_TAB});
  EXPECT_EQ(FocusedControl(), form.Other) << "and the keyboard still works";
  form.Check->SetEnabled(true);

  form.Slider->SetFocus();
  Pump();
  ShowWindow(form.Handle(), SW_MINIMIZE);
  Pump(200);
  ShowWindow(form.Handle(), SW_RESTORE);
  Activate(form.Handle());
  EXPECT_EQ(FocusedControl(), form.Slider);
}

TEST_F(DialogKeyboard, DefaultButtonLookAndItsIdentifierFollowWhoTakesEnter) {
  glass->SetTabStop(true);
  glass->SetFocus();
  Pump();
  EXPECT_FALSE(LooksDefault(form.Ok)) << "Enter is the focused glass button's";
  // A dialog manager that finds the default button by its identifier among the window's own
  // children only sends the click without the button's window.
  form.Check->SetFocus();
  SendMessageA(form.Handle(), WM_COMMAND, MAKEWPARAM(10, BN_CLICKED), 0);
  EXPECT_EQ(form.TakeEvents(), Strings{"OK click"});
  // A letter alone, while a control that takes no characters has the focus, reaches our accelerators.
  form.Ok->SetFocus();
  Press({'G'});
  EXPECT_EQ(form.TakeEvents(), Strings{"go click"});
}

TEST(DialogLifetime, ClosingTheWindowTellsNoControlThatIsGoingAway) {
  std::vector<std::string> exits;
  {
    TDialogTestForm form;
    auto* glass = form.InsertControl(std::make_unique<TGlassButton>());
    glass->SetBounds(200, 8, 90, 30);
    glass->SetTabStop(true);
    glass->OnExit = [&](TObject* Sender) {
      exits.push_back(dynamic_cast<TGlassButton*>(Sender) ? "glass" : "half-destroyed");
    };
    form.ShowInFront();
    glass->SetFocus();
    Pump();
  }
  EXPECT_EQ(exits, std::vector<std::string>{});
}

}  // namespace
}  // namespace px2d::test
