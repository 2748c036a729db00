// A dialog's keyboard, with real key presses through the application's message loop: Tab order,
// Enter and the default button, Escape, Alt and a letter, and the focus across activation.
#include <gtest/gtest.h>

#include "DialogTestForm.h"
#include "GdiPlusEnvironment.h"
#include "controls/GlassButton.h"

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

}  // namespace
}  // namespace px2d::test
