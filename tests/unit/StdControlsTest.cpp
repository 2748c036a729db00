// The platform's controls inside panels and pages: their events, raised by the user and by the
// program, reach their own wrappers through the nested containers; fonts and backgrounds.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include <commctrl.h>

#include "DialogTestForm.h"

namespace px2d::test {
namespace {

// A check box that records the messages its wrapper sees, from the window's first one on.
class TWatchedCheckBox : public TCheckBox {
 public:
  std::vector<UINT> Seen;
  std::wstring TextSet;  // what the wrapper read from the last WM_SETTEXT
  using TCheckBox::DestroyHandle;

 protected:
  LRESULT WndProc(UINT Msg, WPARAM wParam, LPARAM lParam) override {
    Seen.push_back(Msg);
    if (Msg == WM_SETTEXT && lParam) TextSet = reinterpret_cast<const wchar_t*>(lParam);
    return TCheckBox::WndProc(Msg, wParam, lParam);
  }
};

TEST(StdControlWrappers, WrapperSeesItsSystemWindowFromTheFirstMessageAndLetsItGoWithTheLast) {
  TDialogTestForm form;
  form.HandleNeeded();
  auto* box = form.Add<TWatchedCheckBox>(*form.First, 8, 100, 100, 17, "Watched");
  ASSERT_TRUE(box->HandleAllocated());
  ASSERT_FALSE(box->Seen.empty());
  EXPECT_EQ(box->Seen.front(), static_cast<UINT>(WM_NCCREATE));
  char name[32] = {};
  GetClassNameA(box->Handle(), name, sizeof name);
  EXPECT_STREQ(name, "Button") << "the system's own class, subclassed";
  HWND window = box->Handle();
  DestroyWindow(form.Handle());
  EXPECT_FALSE(IsWindow(window));
  EXPECT_FALSE(box->HandleAllocated());
  EXPECT_EQ(box->Seen.back(), static_cast<UINT>(WM_NCDESTROY));
}

// A procedure that another program or library puts over the wrapper's, recording what passes.
std::vector<UINT> OuterSeen;
WNDPROC OuterNext = nullptr;
LRESULT CALLBACK OuterProc(HWND hwnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  OuterSeen.push_back(Msg);
  return CallWindowProcW(OuterNext, hwnd, Msg, wParam, lParam);
}

TEST(StdControlWrappers, AProcedurePutOverTheWrappersKeepsTheChainWholeUntilTheWindowIsGone) {
  TDialogTestForm form;
  form.HandleNeeded();
  auto* box = form.Add<TWatchedCheckBox>(*form.First, 8, 100, 100, 17, "Watched");
  HWND window = box->Handle();
  OuterSeen.clear();
  OuterNext = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&OuterProc)));
  // Text outside any one code page passes every procedure unchanged: the wrapper of a system control
  // gets its messages as a Unicode window procedure does, and so does the system's procedure under it.
  const wchar_t text[] = L"Fl\u00e4che \u20ac \u0416";
  SetWindowTextW(window, text);
  wchar_t read[32] = {};
  GetWindowTextW(window, read, 32);
  EXPECT_STREQ(read, text);
  EXPECT_EQ(box->TextSet, text);
  SendMessageW(window, BM_SETCHECK, BST_CHECKED, 0);
  EXPECT_EQ(SendMessageW(window, BM_GETCHECK, 0, 0), BST_CHECKED) << "the system's procedure under both";
  // The wrapper lets its window go while the outer procedure still calls ours: the window's last
  // messages pass on to the system's procedure, which destroys it.
  box->DestroyHandle();
  EXPECT_FALSE(IsWindow(window));
  EXPECT_FALSE(box->HandleAllocated());
  ASSERT_FALSE(OuterSeen.empty());
  EXPECT_EQ(OuterSeen.back(), static_cast<UINT>(WM_NCDESTROY));
  EXPECT_EQ(TWinControl::FindControl(window), nullptr);
}

struct StdControls : ::testing::Test {
  TDialogTestForm form;
  void SetUp() override {
    form.ShowInFront();
    form.TakeEvents();
  }
};

TEST_F(StdControls, CheckBoxClicksOnEveryChangeOfTheTickByUserOrProgramAndNeverForAnEqualWrite) {
  form.Check->SetChecked(true);
  EXPECT_EQ(form.TakeEvents(), Strings{"&Ticked click"});
  EXPECT_EQ(SendMessageA(form.Check->Handle(), BM_GETCHECK, 0, 0), BST_CHECKED);
  form.Check->SetChecked(true);
  EXPECT_EQ(form.TakeEvents(), Strings{});

  ClickAt(form.Check->Handle(), 6, 8);
  EXPECT_EQ(form.TakeEvents(), Strings{"&Ticked click"});
  EXPECT_FALSE(form.Check->Checked());
  Press({VK_SPACE});
  EXPECT_EQ(form.TakeEvents(), Strings{"&Ticked click"});
  EXPECT_TRUE(form.Check->Checked());
}

TEST_F(StdControls, TrackBarChangesOnEveryMoveByUserOrProgramAndClampsTheProgramsValue) {
  HWND bar = form.Slider->Handle();
  EXPECT_EQ(SendMessageA(bar, TBM_GETRANGEMAX, 0, 0), 100);
  EXPECT_EQ(SendMessageA(bar, TBM_GETLINESIZE, 0, 0), 5);
  EXPECT_EQ(SendMessageA(bar, TBM_GETPAGESIZE, 0, 0), 20);
  EXPECT_EQ(SendMessageA(bar, TBM_GETNUMTICS, 0, 0), 11) << "a tick every 10 from 0 to 100";
  const LONG_PTR style = GetWindowLongPtrA(bar, GWL_STYLE);
  EXPECT_TRUE(style & TBS_AUTOTICKS);
  EXPECT_FALSE(style & (TBS_VERT | TBS_TOOLTIPS));

  struct Case {
    int set, shown;
    Strings events;
  };
  const Case cases[] = {
      {40, 40, {"slider change"}}, {40, 40, {}}, {500, 100, {"slider change"}}, {-3, 0, {"slider change"}}};
  for (const Case& c : cases) {
    form.Slider->SetPosition(c.set);
    EXPECT_EQ(form.Slider->Position(), c.shown) << c.set;
    EXPECT_EQ(SendMessageA(bar, TBM_GETPOS, 0, 0), c.shown) << c.set;
    EXPECT_EQ(form.TakeEvents(), c.events) << c.set;
  }

  form.Slider->SetFocus();
  Press({VK_RIGHT});
  EXPECT_EQ(form.Slider->Position(), 5);
  Press({VK_NEXT});
  EXPECT_EQ(form.Slider->Position(), 25);
  EXPECT_EQ(form.TakeEvents(), (Strings{"slider change", "slider change"}));
}

TEST(StdControlWrappers, FontsKeepTheControlsResolutionAndSlidersTheirWholeRange) {
  TDialogTestForm form;
  form.SetPixelsPerInch(144);
  form.HandleNeeded();
  TFont bold;
  bold.SetStyle(fsBold);
  form.Check->Font().Assign(bold);
  LOGFONTA lf{};
  GetObjectA(reinterpret_cast<HFONT>(SendMessageA(form.Check->Handle(), WM_GETFONT, 0, 0)), sizeof lf, &lf);
  EXPECT_EQ(lf.lfHeight, -17) << "a font designed at 11 pixels, at 144 pixels per inch";
  EXPECT_EQ(lf.lfWeight, FW_BOLD);

  form.Slider->SetMax(70000);
  form.Slider->SetMin(5);
  EXPECT_EQ(SendMessageA(form.Slider->Handle(), TBM_GETRANGEMAX, 0, 0), 70000);
  EXPECT_EQ(SendMessageA(form.Slider->Handle(), TBM_GETRANGEMIN, 0, 0), 5);
}

TEST_F(StdControls, DropDownListChangesOnlyWhenTheUserChoosesAndOffersOnlyItsEntriesUnsorted) {
  for (const char* item : {"zeta", "alpha", "mu"}) form.List->Items().Add(item);
  HWND list = form.List->Handle();
  EXPECT_EQ(form.List->Items().Get(0), "zeta");
  const LONG_PTR style = GetWindowLongPtrA(list, GWL_STYLE);
  EXPECT_EQ(style & 3, CBS_DROPDOWNLIST) << "no typing";
  EXPECT_FALSE(style & CBS_SORT);
  EXPECT_EQ(form.List->Height(), 23) << "the closed list is as high as designed";
  EXPECT_EQ(form.List->ItemIndex(), -1);

  form.List->SetItemIndex(1);
  EXPECT_EQ(form.List->ItemIndex(), 1);
  EXPECT_EQ(form.TakeEvents(), Strings{});
  form.List->SetFocus();
  Press({VK_DOWN});
  EXPECT_EQ(form.List->ItemIndex(), 2);
  EXPECT_EQ(form.TakeEvents(), Strings{"list change"});
}

// The entries of a drop-down list are as high as designed (15 pixels at 96 pixels per inch), scaled
// with the window's resolution.
TEST(StdControlWrappers, DropDownListEntriesAreAsHighAsDesignedAtEachResolution) {
  if (RunningOnWine())
    GTEST_SKIP() << "Wine's drop-down list keeps the entries' height of its font whatever it is told";
  const struct { int pixelsPerInch, height; } cases[] = {{96, 15}, {144, 23}};
  for (const auto& c : cases) {
    TDialogTestForm form;
    form.SetPixelsPerInch(c.pixelsPerInch);
    form.HandleNeeded();
    EXPECT_EQ(SendMessageA(form.List->Handle(), CB_GETITEMHEIGHT, 0, 0), c.height) << c.pixelsPerInch;
  }
}

TEST_F(StdControls, FontReachesTheWindowsAndLivesWhileAWindowUsesIt) {
  const auto fontOf = [](TWinControl* c) {
    return reinterpret_cast<HFONT>(SendMessageA(c->Handle(), WM_GETFONT, 0, 0));
  };
  const auto heightOf = [](HFONT font) {
    LOGFONTA lf{};
    return GetObjectA(font, sizeof lf, &lf) ? lf.lfHeight : 0;
  };
  HFONT shared = fontOf(form.Check);
  EXPECT_EQ(heightOf(shared), -11);
  EXPECT_EQ(fontOf(form.Ok), shared) << "one font handle for every control with the same font";

  form.Font().SetHeight(-13);
  HFONT larger = fontOf(form.Check);
  EXPECT_NE(larger, shared);
  EXPECT_EQ(heightOf(larger), -13);

  form.Check->Font().SetStyle(fsBold);
  EXPECT_FALSE(form.Check->ParentFont());
  EXPECT_EQ(fontOf(form.Ok), larger);
  EXPECT_EQ(GetObjectType(fontOf(form.Check)), static_cast<DWORD>(OBJ_FONT));
  EXPECT_EQ(GetObjectType(larger), static_cast<DWORD>(OBJ_FONT)) << "still used by the other controls";
}

TEST_F(StdControls, ControlsOnAWhitePageShowThePageAndTheBarItsOwnColour) {
  UpdateWindow(form.Handle());
  Pump(100);
  const auto pixel = [](TControl* c, int x, int y) {
    TWindowDC dc(c->Parent()->Handle());
    return GetPixel(dc.Get(), c->Left() + x, c->Top() + y);
  };
  // Right of the check box's caption, below the slider's ticks, the page control's edge.
  EXPECT_EQ(pixel(form.Check, form.Check->Width() - 4, 8), RGB(255, 255, 255));
  EXPECT_EQ(pixel(form.Slider, form.Slider->Width() - 3, form.Slider->Height() - 2), RGB(255, 255, 255));
  EXPECT_EQ(pixel(form.Pages, 2, 2), RGB(255, 255, 255));
  EXPECT_EQ(pixel(form.Bar, 4, 20), GetSysColor(COLOR_BTNFACE));
}

TEST_F(StdControls, WithEveryTabHiddenThePageControlShowsOnlyTheActivePage) {
  HWND pages = form.Pages->Handle();
  EXPECT_EQ(SendMessageA(pages, TCM_GETITEMCOUNT, 0, 0), 0);
  EXPECT_EQ(form.First->BoundsRect().left, 4);
  EXPECT_EQ(form.First->BoundsRect().top, 4);
  EXPECT_EQ(form.First->Width(), 276);
  EXPECT_TRUE(IsWindowVisible(form.First->Handle()));
  EXPECT_FALSE(IsWindowVisible(form.Second->Handle()));

  form.Pages->SetActivePageIndex(1);
  EXPECT_EQ(form.Pages->ActivePage(), form.Second);
  EXPECT_FALSE(IsWindowVisible(form.First->Handle()));
  EXPECT_TRUE(IsWindowVisible(form.Second->Handle()));
  // The page shown is the first of the pages in the z-order, where the dialog manager looks first.
  EXPECT_EQ(GetWindow(pages, GW_CHILD), form.Second->Handle());
  form.Pages->SetActivePageIndex(0);
  EXPECT_EQ(GetWindow(pages, GW_CHILD), form.First->Handle());
  form.Pages->SetActivePageIndex(1);

  // A visible tab brings the strip back, and the pages move below it.
  form.Second->SetTabVisible(true);
  EXPECT_EQ(SendMessageA(pages, TCM_GETITEMCOUNT, 0, 0), 1);
  EXPECT_GT(form.Second->Top(), 4);

  // Tabs shown and hidden one at a time keep the pages' order and the active page's tab chosen.
  const auto tabs = [&] {
    std::string texts;
    for (int i = 0; i < SendMessageA(pages, TCM_GETITEMCOUNT, 0, 0); ++i) {
      char text[32] = {};
      TCITEMA item{};
      item.mask = TCIF_TEXT;
      item.pszText = text;
      item.cchTextMax = sizeof text;
      SendMessageA(pages, TCM_GETITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
      texts += std::string(texts.empty() ? "" : ",") + text;
    }
    return texts + " chosen " + std::to_string(SendMessageA(pages, TCM_GETCURSEL, 0, 0));
  };
  form.First->SetTabVisible(true);
  EXPECT_EQ(tabs(), form.First->Caption() + "," + form.Second->Caption() + " chosen 1");
  form.First->SetTabVisible(false);
  EXPECT_EQ(tabs(), form.Second->Caption() + " chosen 0");
  form.Second->SetTabVisible(false);
  EXPECT_EQ(tabs(), " chosen -1");
  EXPECT_EQ(form.Second->Top(), 4);
}

TEST_F(StdControls, ATabShownForAnotherPageLeavesTheStripWithoutAChosenTab) {
  HWND pages = form.Pages->Handle();
  form.Pages->SetActivePageIndex(0);
  ASSERT_EQ(SendMessageA(pages, TCM_GETITEMCOUNT, 0, 0), 0);
  // The active page has no tab: the tab shown for the other page is not the chosen one.
  form.Second->SetTabVisible(true);
  EXPECT_EQ(SendMessageA(pages, TCM_GETCURSEL, 0, 0), -1);
  // Its tab, clicked, shows its page.
  RECT tab{};
  ASSERT_TRUE(SendMessageA(pages, TCM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&tab)));
  const LPARAM at = MAKELPARAM((tab.left + tab.right) / 2, (tab.top + tab.bottom) / 2);
  SendMessageA(pages, WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageA(pages, WM_LBUTTONUP, 0, at);
  EXPECT_EQ(form.Pages->ActivePage(), form.Second);
  form.Pages->SetActivePageIndex(0);
  form.First->SetTabVisible(true);
  EXPECT_EQ(SendMessageA(pages, TCM_GETCURSEL, 0, 0), 0);
  // The same when the whole strip is made again (a caption changed).
  form.First->SetTabVisible(false);
  form.Second->SetCaption(form.Second->Caption() + "!");
  EXPECT_EQ(SendMessageA(pages, TCM_GETITEMCOUNT, 0, 0), 1);
  EXPECT_EQ(SendMessageA(pages, TCM_GETCURSEL, 0, 0), -1);
  // A sheet inside the page control that is not one of its pages gets no tab when its tab is shown:
  // the strip keeps its tabs and its choice.
  form.Pages->SetActivePageIndex(1);
  const LRESULT count = SendMessageA(pages, TCM_GETITEMCOUNT, 0, 0),
                chosen = SendMessageA(pages, TCM_GETCURSEL, 0, 0);
  TTabSheet* stray = form.Pages->InsertControl(std::make_unique<TTabSheet>());
  ASSERT_LT(stray->PageIndex(), 0);
  stray->SetTabVisible(false);
  stray->SetTabVisible(true);
  EXPECT_EQ(SendMessageA(pages, TCM_GETITEMCOUNT, 0, 0), count);
  EXPECT_EQ(SendMessageA(pages, TCM_GETCURSEL, 0, 0), chosen);
}

// A control that records the messages it is sent, of the kinds a test asks for.
class TRecordingControl : public TCustomControl {
 public:
  using TCustomControl::TCustomControl;
  const char* ClassName() const override { return "TRecordingControl"; }
  std::vector<UINT> Seen;

 protected:
  LRESULT WndProc(UINT Msg, WPARAM wParam, LPARAM lParam) override {
    if (Msg == WM_SYSCOLORCHANGE) Seen.push_back(Msg);
    return TCustomControl::WndProc(Msg, wParam, lParam);
  }
};

// A change of the system's colours reaches every window of the form, the ones inside a page too:
// the system tells only the top-level window, and the common controls hear of new colours only
// from their parent.
TEST_F(StdControls, AChangeOfColoursReachesTheControlsInsideTheForm) {
  auto* onForm = form.InsertControl(std::make_unique<TRecordingControl>());
  auto* onPage = form.First->InsertControl(std::make_unique<TRecordingControl>());
  for (TRecordingControl* c : {onForm, onPage}) {
    c->SetBounds(0, 0, 10, 10);
    c->HandleNeeded();
  }
  SendMessageA(form.Handle(), WM_SYSCOLORCHANGE, 0, 0);
  EXPECT_EQ(onForm->Seen, std::vector<UINT>{WM_SYSCOLORCHANGE});
  EXPECT_EQ(onPage->Seen, std::vector<UINT>{WM_SYSCOLORCHANGE});
  // A change of settings that turns high contrast on or off counts as one too.
  SendMessageA(form.Handle(), WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
  EXPECT_EQ(onPage->Seen.size(), 2u);
}

}  // namespace
}  // namespace px2d::test
