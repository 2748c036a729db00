// The glass button: what it draws (probed pixels of an 81 by 82 page button over white) and how it
// answers the mouse in a group of six.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <atomic>
#include <functional>
#include <thread>
#include <type_traits>

#include "GdiPlusEnvironment.h"
#include "InputSupport.h"
#include "controls/GlassButton.h"
#include "controls/SmoothButton.h"
#include "framework/Forms.h"
#include "support/ColorScheme.h"

namespace px2d {
namespace {

class THostForm : public TForm {
 public:
  using TForm::TForm;
  const char* ClassName() const override { return "TGlassTestHost"; }
};

const char* const Captions[6] = {"General Options",   "Background",          "Keyboard Activation",
                                 "Active\r\nCorners", "Search Capabilities", "Animation Speeds"};

// The page buttons' property values; Down is written before GroupIndex, as the layout stores it.
void SetPageValues(TGlassButton& b, int index, const TGDIPPicture* picture) {
  b.SetBounds(8 + 87 * index, 8, 81, 82);
  b.Tag = index;
  b.SetCaption(Captions[index]);
  b.SetDown(index == 0);
  b.SetBackColor(0xE7DCD5);
  b.SetCornerRadius(12);
  b.Font().SetName("Segoe UI");
  b.Font().SetHeight(-11);
  b.Font().SetColor(clWindowText);
  b.SetForeColor(clWhite);
  b.SetGlowColor(0xFFBD8D);
  b.SetGroupIndex(1);
  b.SetInnerBorderColor(0x909090);
  b.SetLayout(blGlyphTopAdjusted);
  b.SetOuterBorderColor(0xF0F0F0);
  if (picture) b.SetPicture(picture);
  b.SetShineColor(clWhite);
  b.SetShortCutHintPos(shpAboveTop);
}

struct Rgb {
  int r, g, b;
};
Rgb At(const TDibSurface& s, int x, int y) {
  const std::uint32_t p = s.Pixel(x, y);
  return Rgb{static_cast<int>((p >> 16) & 0xFF), static_cast<int>((p >> 8) & 0xFF),
             static_cast<int>(p & 0xFF)};
}
::testing::AssertionResult Near(const Rgb& got, int r, int g, int b, int tolerance) {
  if (std::abs(got.r - r) <= tolerance && std::abs(got.g - g) <= tolerance &&
      std::abs(got.b - b) <= tolerance)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "got (" << got.r << ", " << got.g << ", " << got.b << "), expected (" << r << ", " << g << ", "
         << b << ") within " << tolerance;
}

struct GlassButtons : ::testing::Test {
  THostForm form;
  TGlassButton* buttons[6] = {};
  std::vector<std::string> log;

  void SetUp() override {
    form.SetClientSize(540, 100);
    form.SetColor(clWhite);
    form.HandleNeeded();
    form.BeginLoading();
    for (int i = 0; i < 6; ++i) {
      buttons[i] = form.InsertControl(std::make_unique<TGlassButton>(&form));
      SetPageValues(*buttons[i], i, nullptr);
      buttons[i]->OnClick = [this, i](TObject*) {
        std::string state;
        for (auto* b : buttons) state += b->Down() ? 'D' : '-';
        log.push_back("click " + std::to_string(i) + " " + state);
      };
    }
    form.EndLoading();
    for (auto* b : buttons) b->HandleNeeded();
    ShowWindow(form.Handle(), SW_SHOWNOACTIVATE);
  }

  std::string Downs() const {
    std::string state;
    for (auto* b : buttons) state += b->Down() ? 'D' : '-';
    return state;
  }
  static void Send(TGlassButton* b, UINT msg, int x, int y) {
    SendMessageA(b->Handle(), msg, msg == WM_LBUTTONUP ? 0 : MK_LBUTTON, MAKELPARAM(x, y));
  }
  static void ClickAt(TGlassButton* b, int x, int y) {
    Send(b, WM_LBUTTONDOWN, x, y);
    Send(b, WM_LBUTTONUP, x, y);
  }
  // The button as it paints itself over what lies beneath: black, or the form's white.
  static std::unique_ptr<TDibSurface> Render(TGlassButton* b, COLORREF Beneath = RGB(0, 0, 0)) {
    auto s = std::make_unique<TDibSurface>(b->Width(), b->Height());
    s->Fill(Beneath);
    SendMessageA(b->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(s->DC()), PRF_CLIENT);
    return s;
  }
};

// --- Behaviour ---

TEST_F(GlassButtons, LoadedLayoutLeavesTheFirstDownAndClickingAnotherMovesDownBeforeOnClick) {
  EXPECT_EQ(Downs(), "D-----");
  EXPECT_EQ(buttons[0]->Version(), "1.2.1.2");
  ClickAt(buttons[2], 40, 40);
  EXPECT_EQ(Downs(), "--D---");
  EXPECT_EQ(log, (std::vector<std::string>{"click 2 --D---"}));
  EXPECT_EQ(buttons[0]->VisualState(), gvsUp);
  EXPECT_EQ(buttons[2]->VisualState(), gvsLatched);
}

// What the mouse does to a button of the row, step by step: the button's look after each step, and
// at the end which buttons are down, the clicks raised, and whether the glow of a held press stays.
TEST_F(GlassButtons, TheMouseOnAButtonOfTheRow) {
  struct Step {
    UINT message;
    int x, y;
    int state;  // the visual state after the step; -1: not checked
  };
  struct Case {
    const char* name;
    int button;
    std::vector<Step> steps;
    const char* downs;
    std::vector<std::string> clicks;
  };
  const Case cases[] = {
      {"a click on the button that is down raises OnClick once and changes nothing",
       0,
       {{WM_LBUTTONDOWN, 40, 40, -1}, {WM_LBUTTONUP, 40, 40, gvsLatched}},
       "D-----",
       {"click 0 D-----"}},
      {"press, move out and release outside: nothing, and the glow goes with the release",
       3,
       {{WM_LBUTTONDOWN, 40, 40, gvsPressed}, {WM_MOUSEMOVE, 120, 40, gvsUp}, {WM_LBUTTONUP, 120, 40, gvsUp}},
       "D-----",
       {}},
      {"a release on the row just below counts as outside, with no glow left behind",
       4,
       {{WM_LBUTTONDOWN, 40, 81, -1}, {WM_LBUTTONUP, 40, 82, gvsUp}},
       "D-----",
       {}},
      {"moving out and back in is a plain click",
       5,
       {{WM_LBUTTONDOWN, 40, 40, -1},
        {WM_MOUSEMOVE, -5, 40, -1},
        {WM_MOUSEMOVE, 10, 40, gvsPressed},
        {WM_LBUTTONUP, 10, 40, gvsLatched}},
       "-----D",
       {"click 5 -----D"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    buttons[0]->SetDown(true);
    log.clear();
    TGlassButton* b = buttons[c.button];
    for (const Step& step : c.steps) {
      Send(b, step.message, step.x, step.y);
      if (step.state >= 0) {
        EXPECT_EQ(b->VisualState(), step.state) << "after message " << step.message;
      }
      // While it is held the button keeps its glow, inside it or not.
      EXPECT_EQ(b->MouseIsDown(), step.message != WM_LBUTTONUP) << "after message " << step.message;
    }
    EXPECT_EQ(Downs(), c.downs);
    EXPECT_EQ(log, c.clicks);
  }
}

TEST_F(GlassButtons, DownFalseOnTheDownMemberIsRefusedUnlessAllMayBeUp) {
  buttons[0]->SetDown(false);
  EXPECT_EQ(Downs(), "D-----");
  buttons[1]->SetAllowAllUp(true);  // spreads to the whole group
  EXPECT_TRUE(buttons[0]->AllowAllUp());
  EXPECT_TRUE(buttons[5]->AllowAllUp());
  ClickAt(buttons[0], 40, 40);
  EXPECT_EQ(Downs(), "------");
}

TEST_F(GlassButtons, KeysAndTheClickOperationRaiseOnClickWithoutChangingDown) {
  buttons[1]->Click();
  SendMessageA(buttons[2]->Handle(), WM_CHAR, ' ', 0);
  buttons[3]->SetCaption("&Corners");
  EXPECT_TRUE(form.BroadcastDialogChar('C', ssAlt));
  EXPECT_EQ(Downs(), "D-----");
  EXPECT_EQ(log, (std::vector<std::string>{"click 1 D-----", "click 2 D-----", "click 3 D-----"}));
}

TEST(GlassButton, GroupZeroNeverStaysDown) {
  THostForm form;
  form.HandleNeeded();
  auto* b = form.InsertControl(std::make_unique<TGlassButton>(&form));
  b->HandleNeeded();
  EXPECT_EQ(b->Width(), 100);
  EXPECT_EQ(b->Height(), 32);
  EXPECT_EQ(b->CornerRadius(), 4);
  int clicks = 0;
  b->OnClick = [&](TObject*) { ++clicks; };
  b->SetDown(true);
  EXPECT_FALSE(b->Down());
  SendMessageA(b->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  SendMessageA(b->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  EXPECT_FALSE(b->Down());
  EXPECT_EQ(b->VisualState(), gvsUp);
  EXPECT_EQ(clicks, 1);
  b->SetCornerRadius(-3);
  EXPECT_EQ(b->CornerRadius(), 4);
  b->SetStyle(tasCheck);  // a toggle button needs no group
  b->SetDown(true);
  EXPECT_TRUE(b->Down());
}

TEST_F(GlassButtons, HoverIsReportedAndEndsWhenThePointerIsElsewhere) {
  int enters = 0, leaves = 0;
  buttons[1]->OnMouseEnter = [&](TObject*) { ++enters; };
  buttons[1]->OnMouseLeave = [&](TObject*) { ++leaves; };
  test::MoveTo(form.Handle(), 530, 95);
  test::MoveTo(buttons[1]->Handle(), 40, 40);
  EXPECT_TRUE(buttons[1]->Hot());
  EXPECT_EQ(enters, 1);
  // The pointer is elsewhere: the platform's leave notification clears the hot flag, with one leave
  // (Wine notices it at the next tick of its hover timer).
  test::MoveTo(form.Handle(), 530, 95);
  for (int i = 0; i < 100 && buttons[1]->Hot(); ++i) test::Pump(20);
  EXPECT_FALSE(buttons[1]->Hot());
  EXPECT_EQ(leaves, 1);
  EXPECT_EQ(enters, 1);
}

TEST_F(GlassButtons, ShortCutHintShowsCentredOnTheTopEdgeAndGoes) {
  TGlassButton* b = buttons[2];
  b->SetShortCutHint("K");
  b->SetShortCutHintPos(shpTop);
  SendMessageA(b->Handle(), WM_PX2D_HINTSHOW, ShortCutHintMarker, 1);
  ASSERT_TRUE(b->ShortCutHintShown());
  HWND hint = FindWindowA("TShortCutHintWindow", "K");
  ASSERT_NE(hint, nullptr);
  RECT button, window;
  GetWindowRect(b->Handle(), &button);
  GetWindowRect(hint, &window);
  EXPECT_NEAR((window.left + window.right) / 2.0, (button.left + button.right) / 2.0, 1.0);
  EXPECT_NEAR((window.top + window.bottom) / 2.0, button.top, 1.0);
  SendMessageA(b->Handle(), WM_PX2D_HINTSHOW, ShortCutHintMarker, 0);
  EXPECT_FALSE(b->ShortCutHintShown());
  EXPECT_FALSE(IsWindow(hint));
}

TEST_F(GlassButtons, LinkedActionDrivesDownAndLosesItsCheckWhenRaised) {
  TCustomAction action;
  int executed = 0;
  action.OnExecute = [&](TObject*) { ++executed; };
  buttons[4]->OnClick = nullptr;
  buttons[4]->SetAction(&action);
  action.SetChecked(true);
  EXPECT_EQ(Downs(), "----D-");
  ClickAt(buttons[1], 40, 40);
  EXPECT_EQ(Downs(), "-D----");
  EXPECT_FALSE(action.Checked());
  ClickAt(buttons[4], 40, 40);
  EXPECT_EQ(executed, 1);
  buttons[4]->SetAction(nullptr);
}

// --- Drawing ---

// Over white: the body tint is BackColor at alpha 127.
constexpr int BodyR = 255 - (255 - 213) * 127 / 255, BodyG = 255 - (255 - 220) * 127 / 255,
              BodyB = 255 - (255 - 231) * 127 / 255;

TEST_F(GlassButtons, BordersAndBodyAsDrawn) {
  auto s = Render(buttons[1]);
  // Outer border along the last column and row as well as the first, inner border one pixel in.
  EXPECT_TRUE(Near(At(*s, 0, 41), 240, 240, 240, 6));
  EXPECT_TRUE(Near(At(*s, 80, 41), 240, 240, 240, 6));
  EXPECT_TRUE(Near(At(*s, 40, 81), 240, 240, 240, 6));
  EXPECT_TRUE(Near(At(*s, 1, 41), 144, 144, 144, 8));
  EXPECT_TRUE(Near(At(*s, 79, 41), 144, 144, 144, 8));
  EXPECT_TRUE(Near(At(*s, 40, 80), 144, 144, 144, 8));
  // Rounded corners (radius 12) leave the parent's white outside.
  EXPECT_TRUE(Near(At(*s, 1, 1), 255, 255, 255, 2));
  EXPECT_TRUE(Near(At(*s, 79, 80), 255, 255, 255, 2));
  // The body's tint in the lower half, away from caption and picture: bluish, translucent.
  EXPECT_TRUE(Near(At(*s, 4, 60), BodyR, BodyG, BodyB, 3));
}

TEST_F(GlassButtons, ShineIsStrongerAtTheTopThanAtItsLowerEdge) {
  auto s = Render(buttons[1]);
  const Rgb top = At(*s, 10, 4), lower = At(*s, 10, 39), body = At(*s, 10, 60);
  // White at alpha about 148 near the top, about 57 near the lower edge, none below.
  EXPECT_TRUE(Near(top, BodyR + (255 - BodyR) * 148 / 255, BodyG + (255 - BodyG) * 148 / 255,
                   BodyB + (255 - BodyB) * 148 / 255, 4));
  EXPECT_TRUE(Near(lower, BodyR + (255 - BodyR) * 57 / 255, BodyG + (255 - BodyG) * 57 / 255,
                   BodyB + (255 - BodyB) * 57 / 255, 4));
  EXPECT_GT(top.r, lower.r + 4);
  EXPECT_GT(lower.r, body.r);
}

TEST_F(GlassButtons, GlowAtTheBottomMiddleOnlyWhenDownOrPressed) {
  const auto glowRed = [](const TDibSurface& s) { return At(s, 20, 78).r; };
  auto down = Render(buttons[0]);
  auto up = Render(buttons[1]);
  Send(buttons[2], WM_LBUTTONDOWN, 40, 20);
  auto pressed = Render(buttons[2]);
  Send(buttons[2], WM_LBUTTONUP, 200, 20);
  auto released = Render(buttons[2]);
  // Glow colour (141, 189, 255): red falls far below the body's, blue stays high.
  EXPECT_LT(glowRed(*down), 200);
  EXPECT_GT(At(*down, 20, 78).b, 235);
  EXPECT_LT(glowRed(*pressed), 200);
  EXPECT_TRUE(Near(At(*up, 20, 78), BodyR, BodyG, BodyB, 3));
  EXPECT_TRUE(Near(At(*released, 20, 78), BodyR, BodyG, BodyB, 3));
  // Brightest at the middle of the bottom edge, fading towards the top corners.
  EXPECT_LT(At(*down, 40, 77).r, At(*down, 8, 20).r);
}

bool SamePixels(const TDibSurface& a, const TDibSurface& b) {
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x)
      if (a.Pixel(x, y) != b.Pixel(x, y)) return false;
  return true;
}

TEST_F(GlassButtons, AKeptFaceLooksAsDrawnInEachStateAndGoesWhenWhatIsBeneathOrTheCaptionChanges) {
  TGlassButton* b = buttons[1];
  // The states a page switch takes a button through: up, pressed, down, and up again.
  const auto walk = [&] {
    std::vector<std::unique_ptr<TDibSurface>> faces;
    faces.push_back(Render(b));
    Send(b, WM_LBUTTONDOWN, 40, 20);
    faces.push_back(Render(b));
    Send(b, WM_LBUTTONUP, 40, 20);
    faces.push_back(Render(b));
    ClickAt(buttons[0], 40, 20);
    faces.push_back(Render(b));
    return faces;
  };
  const auto drawn = walk();
  ASSERT_FALSE(SamePixels(*drawn[0], *drawn[1]));
  ASSERT_FALSE(SamePixels(*drawn[2], *drawn[3]));
  const auto kept = walk();
  for (std::size_t i = 0; i < drawn.size(); ++i)
    EXPECT_TRUE(SamePixels(*drawn[i], *kept[i])) << "state " << i;
  // Another colour beneath: the corner outside the rounded body shows it.
  form.SetColor(static_cast<TColor>(RGB(255, 0, 0)));
  EXPECT_TRUE(Near(At(*Render(b), 0, 0), 255, 0, 0, 0));
  const auto before = Render(b);
  b->SetCaption("Other");
  EXPECT_FALSE(SamePixels(*before, *Render(b)));
}

// A button that is down shows its down picture; given another one, it shows the new one at once (a
// kept face is not the face of another picture), exactly as a button made with it shows it.
TEST_F(GlassButtons, AKeptFaceWhileDownShowsANewDownPicture) {
  TGDIPPicture red, blue;
  red.SetData(test::EncodePng(48, 48, std::vector<std::uint32_t>(48 * 48, 0xFFFF0000)));
  blue.SetData(test::EncodePng(48, 48, std::vector<std::uint32_t>(48 * 48, 0xFF0000FF)));
  TGlassButton* b = buttons[0];
  ASSERT_TRUE(b->Down());
  b->SetCaption(" ");
  b->SetPictureDown(&red);
  const auto withRed = Render(b);
  const auto keptRed = Render(b);
  ASSERT_TRUE(SamePixels(*withRed, *keptRed));
  b->SetPictureDown(&blue);
  const auto withBlue = Render(b);
  EXPECT_FALSE(SamePixels(*withRed, *withBlue)) << "the picture area changed";
  // A button made with the blue picture from the start shows the same pixels.
  TGlassButton* fresh = buttons[5];
  SetPageValues(*fresh, 0, nullptr);
  fresh->SetDown(true);
  fresh->SetCaption(" ");
  fresh->SetPictureDown(&blue);
  EXPECT_TRUE(SamePixels(*withBlue, *Render(fresh)));
}

// The colour of a caption's ink: among the pixels the caption changed, the one that stands out most
// from the face beneath it (the others are its smoothed edges, blends of the two).
COLORREF CaptionInk(TGlassButton* b, COLORREF Beneath) {
  const auto render = [&] {
    auto s = std::make_unique<TDibSurface>(b->Width(), b->Height());
    s->Fill(Beneath);
    SendMessageA(b->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(s->DC()), PRF_CLIENT);
    return s;
  };
  const auto with = render();
  b->SetShowCaption(false);
  const auto without = render();
  b->SetShowCaption(true);
  const auto rgb = [](std::uint32_t p) { return RGB(p >> 16, (p >> 8) & 0xFF, p & 0xFF); };
  COLORREF ink = CLR_INVALID;
  double most = 1;
  for (int i = 0; i < b->Width() * b->Height(); ++i) {
    const double ratio = ContrastRatio(rgb(with->Bits()[i]), rgb(without->Bits()[i]));
    if (ratio > most) most = ratio, ink = rgb(with->Bits()[i]);
  }
  return ink;
}

// In a high-contrast scheme (the flag set here, as the system would; Wine never reports it) the
// glass gives way to the scheme's own colours, and the caption takes them exactly: the button text
// colour on a button that is up, the highlight text colour on the one that is down. A scheme whose
// text colours are neither black nor white shows that they are the scheme's, not merely readable.
// The flag is part of what a kept face is kept for: turned on, the same button shows the new look.
TEST_F(GlassButtons, InHighContrastTheCaptionTakesTheSchemesTextColours) {
  TGlassButton* up = buttons[1];
  TGlassButton* down = buttons[0];
  ASSERT_TRUE(down->Down());
  const COLORREF usualInk = CaptionInk(up, RGB(255, 255, 255));
  Render(up, RGB(255, 255, 255));  // kept in the usual look, over what lies beneath from now on
  const int colours[] = {COLOR_BTNFACE, COLOR_BTNTEXT, COLOR_HIGHLIGHT, COLOR_HIGHLIGHTTEXT};
  const COLORREF scheme[] = {RGB(0, 0, 64), RGB(255, 255, 0), RGB(0, 96, 0), RGB(255, 160, 255)};
  COLORREF saved[4];
  for (int i = 0; i < 4; ++i) saved[i] = GetSysColor(colours[i]);
  // The flag alone, before any word of a change reaches the button: not the face kept for the usual
  // look, but the opaque button face.
  ForceHighContrast(true);
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  EXPECT_TRUE(
      Near(At(*Render(up, RGB(255, 255, 255)), 40, 60), GetRValue(face), GetGValue(face), GetBValue(face), 0))
      << "the scheme's button face, no longer the kept glass";
  SetSysColors(4, colours, scheme);
  SendMessageA(form.Handle(), WM_SYSCOLORCHANGE, 0, 0);
  EXPECT_TRUE(Near(At(*Render(up), 40, 60), 0, 0, 64, 0)) << "the new scheme's button face";
  // Smoothed text reaches its colour within a few steps at the most covered pixels.
  const auto ink = [](COLORREF c) { return Rgb{GetRValue(c), GetGValue(c), GetBValue(c)}; };
  EXPECT_TRUE(Near(ink(CaptionInk(up, RGB(0, 0, 64))), 255, 255, 0, 6))
      << "button text on a button that is up";
  EXPECT_TRUE(Near(ink(CaptionInk(down, RGB(0, 0, 64))), 255, 160, 255, 6))
      << "highlight text on one that is down";
  ForceHighContrast(std::nullopt);
  SetSysColors(4, colours, saved);
  SendMessageA(form.Handle(), WM_SYSCOLORCHANGE, 0, 0);
  EXPECT_EQ(CaptionInk(up, RGB(255, 255, 255)), usualInk) << "the usual look again";
}

TEST_F(GlassButtons, HoveringChangesNothingOnScreen) {
  auto before = Render(buttons[1]);
  SendMessageA(buttons[1]->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(40, 40));
  auto after = Render(buttons[1]);
  for (int y = 0; y < 82; y += 3)
    for (int x = 0; x < 81; x += 3) ASSERT_EQ(before->Pixel(x, y), after->Pixel(x, y)) << x << "," << y;
}

TEST_F(GlassButtons, SquareCornersWithRadiusZero) {
  buttons[1]->SetCornerRadius(0);
  auto s = Render(buttons[1]);
  EXPECT_TRUE(Near(At(*s, 0, 0), 240, 240, 240, 6));
  EXPECT_TRUE(Near(At(*s, 1, 1), 144, 144, 144, 8));
  EXPECT_TRUE(Near(At(*s, 79, 80), 144, 144, 144, 8));
  EXPECT_TRUE(Near(At(*s, 80, 81), 240, 240, 240, 6));
}

// The darkest pixel where a caption without picture stands (at the top), by its sum of channels.
Rgb DarkestCaptionPixel(const TDibSurface& s) {
  Rgb best{255, 255, 255};
  for (int y = 3; y < 40; ++y)
    for (int x = 14; x < 67; ++x) {
      const Rgb p = At(s, x, y);
      if (p.r + p.g + p.b < best.r + best.g + best.b) best = p;
    }
  return best;
}

TEST_F(GlassButtons, DisabledCaptionIsGrey) {
  for (int i : {1, 2}) {
    buttons[i]->SetCaption("MMM");
    buttons[i]->Font().SetHeight(-20);
    buttons[i]->Font().SetStyle(fsBold);
    buttons[i]->SetAntiAlias(aaAntiAlias);
  }
  buttons[2]->SetEnabled(false);
  // Over the form's white, as in the window: there the design's grey reads on the glass.
  auto enabled = Render(buttons[1], RGB(255, 255, 255));
  auto disabled = Render(buttons[2], RGB(255, 255, 255));
  EXPECT_TRUE(Near(DarkestCaptionPixel(*enabled), 0, 0, 0, 30));
  EXPECT_TRUE(Near(DarkestCaptionPixel(*disabled), 128, 128, 128, 6));
  // The same glass either way.
  EXPECT_EQ(enabled->Pixel(4, 20), disabled->Pixel(4, 20));
}

TEST_F(GlassButtons, PictureIsAlphaBlendedAtItsPlace) {
  // 48 by 48: an opaque red square in the middle, half-transparent blue around it, clear corners.
  std::vector<std::uint32_t> pixels(48 * 48, 0x800000FF);
  for (int y = 16; y < 32; ++y)
    for (int x = 16; x < 32; ++x) pixels[y * 48 + x] = 0xFFFF0000;
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) pixels[y * 48 + x] = 0;
  TGDIPPicture picture;
  picture.SetData(test::EncodePng(48, 48, pixels));
  buttons[1]->SetCaption(" ");  // a caption that draws nothing keeps the picture above it
  auto plain = Render(buttons[1]);
  buttons[1]->SetPicture(&picture);
  auto s = Render(buttons[1]);
  // Slot width 50 puts the picture at (15, 2).
  EXPECT_TRUE(Near(At(*s, 15 + 24, 2 + 24), 255, 0, 0, 2));
  const Rgb glass = At(*plain, 15 + 8, 2 + 40), blended = At(*s, 15 + 8, 2 + 40);
  EXPECT_NEAR(blended.r, glass.r / 2, 4);
  EXPECT_NEAR(blended.g, glass.g / 2, 4);
  EXPECT_NEAR(blended.b, (glass.b + 255) / 2, 4);
  EXPECT_EQ(At(*s, 15 + 1, 2 + 1).r, At(*plain, 15 + 1, 2 + 1).r);  // the clear corner shows the glass
}

// Whether a row band of the surface holds caption ink (a pixel far darker than the glass).
bool HasInk(const TDibSurface& s, int top, int bottom) {
  for (int y = top; y < bottom; ++y)
    for (int x = 14; x < 67; ++x) {
      const Rgb p = At(s, x, y);
      if (p.r + p.g + p.b < 300) return true;
    }
  return false;
}

TEST_F(GlassButtons, WithoutSmoothingTheCaptionTakesTheGdiPathAndDoesNotWrap) {
  // No picture: the caption rectangle is (0, 0, W, H - 2), text at the top.
  auto wrapped = Render(buttons[0]);
  buttons[0]->SetAntiAlias(aaNone);
  auto single = Render(buttons[0]);
  EXPECT_TRUE(HasInk(*wrapped, 2, 14));
  EXPECT_TRUE(HasInk(*wrapped, 16, 28));  // "Options" on a second line
  EXPECT_TRUE(HasInk(*single, 2, 14));
  EXPECT_FALSE(HasInk(*single, 16, 28));
}

TEST_F(GlassButtons, SymbolDrawsAtAlpha160UnlessItsColourIsNone) {
  TGlassButton* b = buttons[1];
  b->SetCaption("");
  b->SetBackGroundSymbol(bsRecord);
  b->SetBackGroundSymbolColor(0x0000FF);  // red
  auto shown = Render(b);
  b->SetBackGroundSymbolColor(clNone);
  auto hidden = Render(b);
  const Rgb under = At(*hidden, 40, 60);
  const Rgb over = At(*shown, 40, 60);  // inside the circle of diameter 40 round (40, 40.5)
  EXPECT_NEAR(over.r, under.r + (255 - under.r) * 160 / 255, 4);
  EXPECT_NEAR(over.g, under.g * 95 / 255, 4);
  EXPECT_TRUE(Near(At(*hidden, 40, 60), BodyR, BodyG, BodyB, 3));
}

// The box around every pixel where two pictures of one button differ.
RECT Difference(const TDibSurface& a, const TDibSurface& b) {
  RECT box{a.Width(), a.Height(), -1, -1};
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x)
      if (a.Pixel(x, y) != b.Pixel(x, y)) {
        box.left = std::min<LONG>(box.left, x);
        box.top = std::min<LONG>(box.top, y);
        box.right = std::max<LONG>(box.right, x + 1);
        box.bottom = std::max<LONG>(box.bottom, y + 1);
      }
  return box;
}

// On a monitor of 144 pixels per inch the button, its picture and its caption are half as large
// again, and in the same places.
TEST_F(GlassButtons, PictureAndCaptionScaleWithTheResolution) {
  std::vector<std::uint32_t> pixels(48 * 48, 0xFF2040C0);
  TGDIPPicture picture;
  picture.SetData(test::EncodePng(48, 48, pixels));
  TGlassButton* b = buttons[1];
  struct Boxes {
    RECT picture, caption;
  };
  const auto measure = [&] {
    b->SetPicture(nullptr);
    b->SetCaption(" ");
    auto plain = Render(b);
    b->SetCaption("Background");
    auto captioned = Render(b);
    b->SetCaption(" ");
    b->SetPicture(&picture);
    auto pictured = Render(b);
    return Boxes{Difference(*plain, *pictured), Difference(*plain, *captioned)};
  };
  const Boxes at96 = measure();
  form.SetPixelsPerInch(144);
  ASSERT_NEAR(b->Width(), 81 * 1.5, 1);  // its edges are scaled, so its width rounds either way
  ASSERT_NEAR(b->Height(), 82 * 1.5, 1);
  const Boxes at144 = measure();
  EXPECT_EQ(at96.picture.right - at96.picture.left, 48);
  EXPECT_EQ(at96.picture.bottom - at96.picture.top, 48);
  EXPECT_EQ(at144.picture.right - at144.picture.left, 72);
  EXPECT_EQ(at144.picture.bottom - at144.picture.top, 72);
  EXPECT_NEAR(at144.picture.left, at96.picture.left * 1.5, 1);
  EXPECT_NEAR(at144.picture.top, at96.picture.top * 1.5, 1);
  // The caption's ink: text is hinted to whole pixels, so its box scales only nearly.
  const auto ratio = [](LONG large, LONG small) {
    return static_cast<double>(large) / static_cast<double>(small);
  };
  ASSERT_GT(at96.caption.right, at96.caption.left) << "the caption drew nothing";
  EXPECT_NEAR(ratio(at144.caption.right - at144.caption.left, at96.caption.right - at96.caption.left), 1.5,
              0.15);
  EXPECT_NEAR(ratio(at144.caption.bottom - at144.caption.top, at96.caption.bottom - at96.caption.top), 1.5,
              0.2);
  EXPECT_NEAR(at144.caption.left + at144.caption.right, b->Width(), 2) << "centred";
}

}  // namespace
}  // namespace px2d

namespace px2d {
namespace {

// --- Faults a review found ---

TEST(ButtonLayouts, TheGlassButtonAndTheMarkerEachHaveALayoutTypeOfTheirOwn) {
  // Both headers in one unit: one program, each name with one meaning.
  static_assert(!std::is_same_v<TButtonLayout, TGDIPButtonLayout>);
  EXPECT_EQ(blGlyphTopAdjusted, 6);
  TGDIPButton appearance;
  appearance.SetLayout(TGDIPButtonLayout::GlyphTop);
  EXPECT_EQ(static_cast<int>(appearance.Layout()), 2);
}

TEST_F(GlassButtons, APressThatLosesTheMouseEndsWithoutAClickAndWithoutItsGlow) {
  using namespace test;
  Activate(form.Handle());
  HWND other =
      CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, form.Handle(), nullptr, nullptr, nullptr);
  TTimer boxTimer;
  boxTimer.SetInterval(1);
  boxTimer.OnTimer = [&](TObject*) {
    boxTimer.SetEnabled(false);
    MessageBoxA(form.Handle(), "Interruption", "Glass Test Box", MB_OK);
  };
  struct Interruption {
    const char* name;
    std::function<void()> run;
  };
  const Interruption interruptions[] = {
      {"another window takes the mouse", [&] { SetCapture(other); }},
      {"the system cancels every mode", [&] { SendMessageA(form.Handle(), WM_CANCELMODE, 0, 0); }},
      {"a message box opens",
       [&] {
         std::atomic<bool> answered{false};
         std::thread answer([&] {
           AnswerBox("Glass Test Box");
           answered = true;
         });
         boxTimer.SetEnabled(true);
         EXPECT_TRUE(test::PumpUntil([&] { return answered.load(); }));
         answer.join();
         Pump();
       }},
  };
  for (const Interruption& i : interruptions) {
    MoveTo(buttons[2]->Handle(), 40, 40);
    MouseButton(true);
    ASSERT_TRUE(buttons[2]->MouseIsDown()) << i.name;
    i.run();
    EXPECT_FALSE(buttons[2]->MouseIsDown()) << i.name;
    EXPECT_EQ(buttons[2]->VisualState(), gvsUp) << i.name;
    EXPECT_NE(GetCapture(), buttons[2]->Handle()) << i.name;
    auto shot = Render(buttons[2]);
    EXPECT_TRUE(Near(At(*shot, 20, 78), BodyR, BodyG, BodyB, 3)) << i.name << ": no glow at the bottom";
    MoveTo(buttons[2]->Handle(), 40, 41);
    MouseButton(false);
    if (GetCapture() == other) ReleaseCapture();
    EXPECT_EQ(log, std::vector<std::string>{}) << i.name;
    EXPECT_EQ(Downs(), "D-----") << i.name;
  }
  DestroyWindow(other);
}

TEST_F(GlassButtons, EnterAndLeaveAlwaysAlternate) {
  using namespace test;
  Activate(form.Handle());
  std::string events;
  buttons[1]->OnMouseEnter = [&](TObject*) { events += 'E'; };
  buttons[1]->OnMouseLeave = [&](TObject*) { events += 'L'; };
  HWND b = buttons[1]->Handle();
  // Wine notices a pointer that left only at the next tick of its hover timer (400 ms).
  const auto settle = [&](std::size_t count) {
    for (int i = 0; i < 100 && events.size() < count; ++i) Pump(20);
  };
  MoveTo(form.Handle(), 530, 95);
  for (int round = 0; round < 2; ++round) {
    MoveTo(b, 40, 40);
    MouseButton(true);
    MouseButton(false);
    MoveTo(b, 42, 41);
    Pump(50);  // the pointer rests on the button a while
    MoveTo(b, 43, 44);
    MoveTo(form.Handle(), 530, 95);
    settle(2 * round + 2);
  }
  Pump(100);
  EXPECT_EQ(events, "ELEL");
}

TEST_F(GlassButtons, AnActionThatGoesFirstLeavesTheButtonUnlinked) {
  auto action = std::make_unique<TCustomAction>();
  buttons[4]->SetAction(action.get());
  ASSERT_EQ(buttons[4]->Action(), action.get());
  action.reset();
  EXPECT_EQ(buttons[4]->Action(), nullptr);
  ClickAt(buttons[4], 40, 40);
  EXPECT_EQ(log, (std::vector<std::string>{"click 4 ----D-"}));
}

}  // namespace
}  // namespace px2d

namespace px2d {
namespace {

// --- The face drawn without a window ---

struct GlassFaces : ::testing::Test {
  TFont font;
  GlassFaces() {
    font.SetName("Tahoma");
    font.SetHeight(-13);
    font.SetColor(clBlack);
  }
  TGlassFace Face(int width, int height) const {
    TGlassFace face;
    face.Width = width;
    face.Height = height;
    face.BackColor = 0xE7DCD5;
    face.InnerBorderColor = 0x909090;
    face.OuterBorderColor = 0xF0F0F0;
    face.CornerRadius = 12;
    face.Font = &font;
    return face;
  }
  // The face drawn over white into a bitmap of its size.
  static std::unique_ptr<TDibSurface> Draw(const TGlassFace& face) {
    return DrawOver(face, RGB(255, 255, 255));
  }
  // The face drawn over a window of the colour.
  static std::unique_ptr<TDibSurface> DrawOver(const TGlassFace& face, COLORREF window) {
    auto s = std::make_unique<TDibSurface>(face.Width, face.Height);
    s->Fill(window);
    TCanvas canvas;
    canvas.SetHandle(s->DC());
    canvas.Font().Assign(*face.Font);
    DrawGlassFace(canvas, face);
    canvas.SetHandle(nullptr);
    GdiFlush();
    return s;
  }
};

TEST_F(GlassFaces, TheCaptionSitsWhereItsLayoutPutsItOnBothTextPaths) {
  // Without a picture, by thirds of the face: 0 left or top, 1 middle, 2 right or bottom.
  struct Case {
    TButtonLayout layout;
    int column, row;
  };
  const Case cases[] = {{blGlyphLeft, 1, 1},         {blGlyphTop, 1, 1},
                        {blGlyphRight, 1, 1},        {blGlyphBottom, 1, 1},
                        {blGlyphLeftAdjusted, 0, 1}, {blGlyphRightAdjusted, 2, 1},
                        {blGlyphTopAdjusted, 1, 0},  {blGlyphBottomAdjusted, 1, 2}};
  const int W = 150, H = 60;
  for (TAntiAlias smoothing : {aaClearType, aaNone}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(::testing::Message() << "layout " << c.layout << ", smoothing " << smoothing);
      TGlassFace face = Face(W, H);
      face.Layout = c.layout;
      face.AntiAlias = smoothing;
      face.Caption = "Wide";
      auto with = Draw(face);
      face.ShowCaption = false;
      auto without = Draw(face);
      // The caption's ink: every pixel that the caption changed.
      int left = W, right = -1, top = H, bottom = -1;
      for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
          if (with->Pixel(x, y) != without->Pixel(x, y)) {
            left = std::min(left, x), right = std::max(right, x);
            top = std::min(top, y), bottom = std::max(bottom, y);
          }
      ASSERT_GE(right, 0) << "no caption drawn";
      EXPECT_EQ((left + right) / 2 * 3 / W, c.column) << left << ".." << right;
      EXPECT_EQ((top + bottom) / 2 * 3 / H, c.row) << top << ".." << bottom;
      // Centred means as far from the one side as from the other.
      if (c.column == 1) {
        EXPECT_LE(std::abs(left - (W - 1 - right)), 4) << left << ".." << right;
      }
    }
  }
}

TEST_F(GlassFaces, DownAddsTheGlowInsideTheBodyOnly) {
  const int W = 81, H = 82;
  TGlassFace face = Face(W, H);
  auto up = Draw(face);
  face.Down = true;
  auto down = Draw(face);
  // The outer border and what lies outside it stay as they were.
  for (int x = 0; x < W; ++x) {
    EXPECT_EQ(up->Pixel(x, 0), down->Pixel(x, 0)) << x;
    EXPECT_EQ(up->Pixel(x, H - 1), down->Pixel(x, H - 1)) << x;
  }
  for (int y = 0; y < H; ++y) {
    EXPECT_EQ(up->Pixel(0, y), down->Pixel(0, y)) << y;
    EXPECT_EQ(up->Pixel(W - 1, y), down->Pixel(W - 1, y)) << y;
  }
  // The glow, light blue, is strongest at the middle of the lower edge.
  const Rgb plain = At(*up, 40, H - 5), glowing = At(*down, 40, H - 5);
  EXPECT_LT(glowing.r, plain.r - 30);
  EXPECT_GT(glowing.b - glowing.r, 50);
}

// The caption's contrast with its own face: the face drawn with and without the caption, the ink
// the commonest colour among the pixels the caption changed most, each such pixel against the face
// beneath it. The worst of them.
double CaptionContrast(const TDibSurface& with, const TDibSurface& without, COLORREF* ink = nullptr) {
  std::map<std::uint32_t, int> changed;
  const int n = with.Width() * with.Height();
  for (int i = 0; i < n; ++i) {
    const std::uint32_t a = with.Bits()[i] & 0xFFFFFF, b = without.Bits()[i] & 0xFFFFFF;
    if (ContrastRatio(RGB(a >> 16, (a >> 8) & 0xFF, a & 0xFF), RGB(b >> 16, (b >> 8) & 0xFF, b & 0xFF)) > 1.5)
      ++changed[a];
  }
  if (changed.empty()) return 0;
  const std::uint32_t color = std::max_element(changed.begin(), changed.end(), [](auto& x, auto& y) {
                                return x.second < y.second;
                              })->first;
  const COLORREF text = RGB(color >> 16, (color >> 8) & 0xFF, color & 0xFF);
  if (ink) *ink = text;
  double worst = 21;
  for (int i = 0; i < n; ++i) {
    const std::uint32_t b = without.Bits()[i] & 0xFFFFFF;
    if ((with.Bits()[i] & 0xFFFFFF) != color || b == color) continue;
    worst = std::min(worst, ContrastRatio(text, RGB(b >> 16, (b >> 8) & 0xFF, b & 0xFF)));
  }
  return worst;
}

// Every caption reads on its own face, as drawn, in every state (4.5:1; 3:1 disabled) and in every
// kind of scheme: the usual one (where the caption keeps the window's text colour), a dark one, a
// light one of unusual colours, and the two high-contrast ones (where it takes the scheme's colours).
TEST_F(GlassFaces, EveryCaptionReadsOnItsOwnFaceInEveryStateAndScheme) {
  struct Scheme {
    const char* name;
    COLORREF window, text;
    bool highContrast;
    std::initializer_list<std::pair<int, COLORREF>> colors;
  };
  const Scheme schemes[] = {
      {"usual", RGB(255, 255, 255), RGB(0, 0, 0), false, {}},
      {"dark", RGB(32, 32, 32), RGB(240, 240, 240), false, {{COLOR_BTNFACE, RGB(45, 45, 48)}}},
      {"black window", RGB(0, 0, 0), RGB(255, 255, 255), false, {}},
      {"light, unusual colours", RGB(255, 250, 205), RGB(128, 0, 64), false, {}},
      {"high contrast black",
       RGB(0, 0, 0),
       RGB(255, 255, 255),
       true,
       {{COLOR_BTNFACE, RGB(0, 0, 0)},
        {COLOR_BTNTEXT, RGB(255, 255, 255)},
        {COLOR_HIGHLIGHT, RGB(26, 235, 255)},
        {COLOR_HIGHLIGHTTEXT, RGB(0, 0, 0)},
        {COLOR_GRAYTEXT, RGB(63, 242, 63)}}},
      {"high contrast white",
       RGB(255, 255, 255),
       RGB(0, 0, 0),
       true,
       {{COLOR_BTNFACE, RGB(255, 255, 255)},
        {COLOR_BTNTEXT, RGB(0, 0, 0)},
        {COLOR_HIGHLIGHT, RGB(55, 0, 110)},
        {COLOR_HIGHLIGHTTEXT, RGB(255, 255, 255)},
        {COLOR_GRAYTEXT, RGB(96, 0, 0)}}},
  };
  struct State {
    const char* name;
    bool down, focused, enabled;
  };
  const State states[] = {{"up", false, false, true},        {"down", true, false, true},
                          {"focused", false, true, true},    {"down and focused", true, true, true},
                          {"disabled", false, false, false}, {"disabled and down", true, false, false}};
  for (const Scheme& scheme : schemes) {
    SCOPED_TRACE(scheme.name);
    const test::TColorScheme colors(scheme.colors);
    for (const State& state : states) {
      SCOPED_TRACE(state.name);
      TGlassFace face = Face(81, 82);
      face.Caption = "General Options";
      face.Down = state.down;
      face.Focused = state.focused;
      face.Enabled = state.enabled;
      face.HighContrast = scheme.highContrast;
      // As the button gives its caption: the scheme's button or highlight text in high contrast.
      font.SetColor(scheme.highContrast ? (state.down ? clHighlightText : clBtnText) : scheme.text);
      const auto with = DrawOver(face, scheme.window);
      face.ShowCaption = false;
      const auto without = DrawOver(face, scheme.window);
      COLORREF ink = 0;
      const double ratio = CaptionContrast(*with, *without, &ink);
      std::printf("caption contrast, %s, %s: %.1f:1\n", scheme.name, state.name, ratio);
      EXPECT_GE(ratio, state.enabled ? 4.5 : 3.0);
      if (scheme.highContrast && state.enabled) {
        EXPECT_EQ(ink, GetSysColor(state.down ? COLOR_HIGHLIGHTTEXT : COLOR_BTNTEXT)) << "the scheme's own";
      }
      if (std::string(scheme.name) == "usual" && state.enabled) {
        EXPECT_EQ(ink, scheme.text) << "the window's text colour, as ever";
      }
    }
  }
}

// In a high-contrast scheme the glass gives way to the scheme's own colours, opaque: the button face,
// or the highlight for the button that is down, with no tint, shine or glow anywhere in the body.
TEST_F(GlassFaces, InHighContrastTheBodyIsTheSchemesOpaqueColourWithoutShineOrGlow) {
  const int W = 81, H = 82;
  TGlassFace face = Face(W, H);
  face.HighContrast = true;
  face.Symbol = bsPlay;  // drawn in the middle of the glass
  for (bool down : {false, true}) {
    SCOPED_TRACE(down ? "down" : "up");
    face.Down = down;
    auto s = Draw(face);
    const COLORREF want = GetSysColor(down ? COLOR_HIGHLIGHT : COLOR_BTNFACE);
    // Top, middle and lower edge of the body: where the shine, the symbol and the glow would be.
    for (const POINT p : {POINT{40, 4}, POINT{40, 41}, POINT{40, H - 5}, POINT{8, 41}, POINT{W - 9, 41}})
      EXPECT_TRUE(Near(At(*s, p.x, p.y), GetRValue(want), GetGValue(want), GetBValue(want), 0))
          << p.x << "," << p.y;
  }
}

}  // namespace
}  // namespace px2d
