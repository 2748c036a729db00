#include "fmMainLayout.h"

#include <map>
#include <string>
#include <type_traits>

#include "fmMain.h"

namespace px2d {

namespace {

enum TKind {
  kLabel,
  kCheckBox,
  kButton,
  kComboBox,
  kTrackBar,
  kPanel,
  kBevel,
  kImage,
  kPageControl,
  kPage,
  kGlassButton,
  kMarker
};

// The text styles of the pages; every control without one uses the window font.
enum TStyle { sWindow, sTitle, sDescription, sBold, sDescriptionBold, sBrace };

// Fixed at its bounds, stacked from the top of its page (aligned to the top with margins), or
// aligned to the top or bottom of its parent at full width.
enum TPlace { pFixed, pStacked, pTop, pBottom };

using THandler = void (TForm1::*)(TObject*);
using TBinder = void (*)(TForm1&, TControl*);

// Stores a new control in its field of the window.
template <auto Field>
void Bind(TForm1& Form, TControl* Control) {
  using T = std::remove_reference_t<decltype(Form.*Field)>;
  Form.*Field = static_cast<T>(Control);
}

struct TRange {
  int Min = 0, Max = 0, Position = 0, Line = 1, Page = 1, Frequency = 1;
};

// One control of the layout. Positions are in pixels at 96 pixels per inch, relative to the
// parent's client area; a stacked control takes its page's width less its left and right margins,
// and its Top is the one that the stacking yields at the design size.
struct TItem {
  const char* Name;
  TKind Kind;
  TPlace Place = pFixed;
  int Left = 0, Top = 0, Width = 0, Height = 0;
  TMargins Margins{};
  const char* Text = "";
  TStyle Style = sWindow;
  int TabOrder = -1;  // -1: no tab stop of its own
  int Id = 0;         // the control identifier; the same on every run
  int Tag = 0;
  TRange Range{};
  bool Down = false;     // a glass button down at the start
  bool Default = false;  // the push button that Enter presses
  THandler Handler = nullptr;
  TBinder Field = nullptr;
  const char* Parent = nullptr;  // null: the page (or window) the table belongs to
  TAnchors Anchors = akLeft | akTop;
  // For assistive technology, which finds no label that has no window of its own: the label whose
  // text names the control, and the one whose sentence says what it does (its description and help).
  const char* LabelledBy = nullptr;
  const char* DescribedBy = nullptr;
};

// Margins of the stacked controls: 3 all round, more above a check box or heading, more on the left
// of the text that explains the check box above it.
constexpr TMargins Stack{3, 3, 3, 3};
constexpr TMargins StackGap{3, 11, 3, 3};
constexpr TMargins StackIndent{19, 3, 3, 3};
constexpr TMargins StackIndentGap{19, 11, 3, 3};

// The client width of a page at the design size.
constexpr int PageWidth = 566;

const TRange Percent{0, 100, 0, 1, 2, 1};
const TRange AreaSize{1, 16, 1, 1, 2, 1};
const TRange Milliseconds{0, 1000, 0, 50, 50, 100};

// clang-format off
const TItem WindowItems[] = {
    {.Name = "Panel1", .Kind = kPanel, .Place = pBottom, .Top = 515, .Width = 590, .Height = 41, .TabOrder = 0, .Id = 20, .Field = Bind<&TForm1::Panel1>},
    {.Name = "Bevel1", .Kind = kBevel, .Place = pTop, .Width = 590, .Height = 9, .Field = Bind<&TForm1::Bevel1>, .Parent = "Panel1"},
    // Shown only while the settings file could not be read; Read again comes first in the bar.
    {.Name = "lbUnreadable", .Kind = kLabel, .Left = 8, .Top = 13, .Text = "The settings could not be read.", .Style = sBold, .Field = Bind<&TForm1::lbUnreadable>, .Parent = "Panel1"},
    {.Name = "btReadAgain", .Kind = kButton, .Left = 199, .Top = 8, .Width = 91, .Height = 25, .Text = "Read again", .TabOrder = 0, .Id = 13, .Handler = &TForm1::btReadAgainClick, .Field = Bind<&TForm1::btReadAgain>, .Parent = "Panel1"},
    {.Name = "btAccept", .Kind = kButton, .Left = 297, .Top = 8, .Width = 91, .Height = 25, .Text = "Accept", .TabOrder = 2, .Id = 12, .Default = true, .Handler = &TForm1::btAcceptClick, .Field = Bind<&TForm1::btAccept>, .Parent = "Panel1", .Anchors = akTop | akRight},
    {.Name = "btCancel", .Kind = kButton, .Left = 394, .Top = 8, .Width = 91, .Height = 25, .Text = "Cancel", .TabOrder = 1, .Id = 11, .Handler = &TForm1::btCancelClick, .Field = Bind<&TForm1::btCancel>, .Parent = "Panel1", .Anchors = akTop | akRight},
    {.Name = "btApply", .Kind = kButton, .Left = 491, .Top = 8, .Width = 91, .Height = 25, .Text = "Apply", .TabOrder = 0, .Id = 10, .Handler = &TForm1::btApplyClick, .Field = Bind<&TForm1::btApply>, .Parent = "Panel1", .Anchors = akTop | akRight},
    {.Name = "PageControl1", .Kind = kPageControl, .Left = 8, .Top = 96, .Width = 574, .Height = 413, .TabOrder = 1, .Id = 21, .Field = Bind<&TForm1::PageControl1>, .Anchors = akLeft | akTop | akRight | akBottom},
    {.Name = "GlassButton2", .Kind = kGlassButton, .Left = 8, .Text = "General Options", .Id = 100, .Tag = 0, .Down = true, .Handler = &TForm1::GlassButton2Click, .Field = Bind<&TForm1::GlassButton2>},
    {.Name = "GlassButton1", .Kind = kGlassButton, .Left = 95, .Text = "Background", .Id = 101, .Tag = 1, .Handler = &TForm1::GlassButton2Click, .Field = Bind<&TForm1::GlassButton1>},
    {.Name = "GlassButton3", .Kind = kGlassButton, .Left = 182, .Text = "Keyboard Activation", .Id = 102, .Tag = 2, .Handler = &TForm1::GlassButton2Click, .Field = Bind<&TForm1::GlassButton3>},
    {.Name = "GlassButton5", .Kind = kGlassButton, .Left = 269, .Text = "Active\r\nCorners", .Id = 103, .Tag = 3, .Handler = &TForm1::GlassButton2Click, .Field = Bind<&TForm1::GlassButton5>},
    {.Name = "GlassButton4", .Kind = kGlassButton, .Left = 356, .Text = "Search Capabilities", .Id = 104, .Tag = 4, .Handler = &TForm1::GlassButton2Click, .Field = Bind<&TForm1::GlassButton4>},
    {.Name = "GlassButton6", .Kind = kGlassButton, .Left = 443, .Text = "Animation Speeds", .Id = 105, .Tag = 5, .Handler = &TForm1::GlassButton2Click, .Field = Bind<&TForm1::GlassButton6>},
};

// The six pages of PageControl1, in index order; each caption is the page's own name.
const TItem PageItems[] = {
    {.Name = "tsOptions", .Kind = kPage, .Id = 22, .Field = Bind<&TForm1::tsOptions>, .LabelledBy = "Label2"},
    {.Name = "tsBackground", .Kind = kPage, .Id = 23, .Field = Bind<&TForm1::tsBackground>, .LabelledBy = "Label5"},
    {.Name = "tsKeyboard", .Kind = kPage, .Id = 24, .Field = Bind<&TForm1::tsKeyboard>, .LabelledBy = "Label7"},
    {.Name = "tsActiveCorners", .Kind = kPage, .Id = 25, .Field = Bind<&TForm1::tsActiveCorners>, .LabelledBy = "Label9"},
    {.Name = "tsSearch", .Kind = kPage, .Id = 26, .Field = Bind<&TForm1::tsSearch>, .LabelledBy = "Label11"},
    {.Name = "tsAnimation", .Kind = kPage, .Id = 27, .Field = Bind<&TForm1::tsAnimation>, .LabelledBy = "Label13"},
};

const TItem OptionsItems[] = {
    {.Name = "Label2", .Kind = kLabel, .Place = pStacked, .Top = 3, .Height = 30, .Margins = Stack, .Text = "General options", .Style = sTitle, .Field = Bind<&TForm1::Label2>},
    {.Name = "cbRunWithWindows", .Kind = kCheckBox, .Place = pStacked, .Top = 47, .Height = 17, .Margins = StackGap, .Text = "Run when Windows starts.", .Style = sBold, .TabOrder = 0, .Id = 200, .Handler = &TForm1::ChangeParameters, .Field = Bind<&TForm1::cbRunWithWindows>, .DescribedBy = "Label24"},
    {.Name = "Label24", .Kind = kLabel, .Place = pStacked, .Top = 70, .Height = 15, .Margins = StackIndent, .Text = "Check this option to automatically load Panoplex when Windows starts.", .Style = sDescription, .Field = Bind<&TForm1::Label24>},
    {.Name = "cbBalloon", .Kind = kCheckBox, .Place = pStacked, .Top = 99, .Height = 17, .Margins = StackGap, .Text = "Show the system tray balloon when Panoplex starts.", .Style = sBold, .TabOrder = 2, .Id = 201, .Handler = &TForm1::ChangeParameters, .Field = Bind<&TForm1::cbBalloon>, .DescribedBy = "Label3"},
    {.Name = "Label3", .Kind = kLabel, .Place = pStacked, .Top = 122, .Height = 30, .Margins = StackIndent, .Text = "If cheked, Panoplex 2D will show a hint on the system tray remembering you of the possible activation methods.", .Style = sDescription, .Field = Bind<&TForm1::Label3>},
    {.Name = "cbIncludeMinimized", .Kind = kCheckBox, .Place = pStacked, .Top = 166, .Height = 17, .Margins = StackGap, .Text = "Include minimized windows.", .Style = sBold, .TabOrder = 1, .Id = 202, .Handler = &TForm1::ChangeParameters, .Field = Bind<&TForm1::cbIncludeMinimized>, .DescribedBy = "Label25"},
    {.Name = "Label25", .Kind = kLabel, .Place = pStacked, .Top = 189, .Height = 15, .Margins = StackIndent, .Text = "When checked, minimized windows will show on Panoplex.", .Style = sDescription, .Field = Bind<&TForm1::Label25>},
};

const TItem BackgroundItems[] = {
    {.Name = "Label5", .Kind = kLabel, .Place = pStacked, .Top = 3, .Height = 30, .Margins = Stack, .Text = "Background", .Style = sTitle, .Field = Bind<&TForm1::Label5>},
    {.Name = "Label6", .Kind = kLabel, .Place = pStacked, .Top = 39, .Height = 15, .Margins = Stack, .Text = "Choose what Panoplex shows behind the windows it lays out for you.", .Style = sDescription, .Field = Bind<&TForm1::Label6>},
    {.Name = "cbShowDesktop", .Kind = kCheckBox, .Place = pStacked, .Top = 68, .Height = 17, .Margins = StackGap, .Text = "Show desktop in the background.", .Style = sBold, .TabOrder = 0, .Id = 300, .Handler = &TForm1::ChangeParameters, .Field = Bind<&TForm1::cbShowDesktop>, .DescribedBy = "Label15"},
    {.Name = "Label15", .Kind = kLabel, .Place = pStacked, .Top = 91, .Height = 15, .Margins = StackIndent, .Text = "If checked, the background of the main Panoplex window will be your current desktop.", .Style = sDescription, .Field = Bind<&TForm1::Label15>},
    {.Name = "cbShowDesktopWindow", .Kind = kCheckBox, .Place = pStacked, .Top = 120, .Height = 17, .Margins = StackGap, .Text = "Include the desktop as a window.", .Style = sBold, .TabOrder = 2, .Id = 301, .Handler = &TForm1::ChangeParameters, .Field = Bind<&TForm1::cbShowDesktopWindow>, .DescribedBy = "Label1"},
    {.Name = "Label1", .Kind = kLabel, .Place = pStacked, .Top = 143, .Height = 15, .Margins = StackIndent, .Text = "Shows the entire desktop as another window, allowing you to select and switch to it.", .Style = sDescription, .Field = Bind<&TForm1::Label1>},
    {.Name = "Label34", .Kind = kLabel, .Place = pStacked, .Top = 172, .Height = 15, .Margins = StackIndentGap, .Text = "Desktop opacity", .Style = sDescriptionBold, .Field = Bind<&TForm1::Label34>},
    {.Name = "tbDesktopOpacity", .Kind = kTrackBar, .Left = 14, .Top = 193, .Width = 549, .Height = 32, .TabOrder = 1, .Id = 302, .Range = Percent, .Handler = &TForm1::ChangeParameters, .Field = Bind<&TForm1::tbDesktopOpacity>, .LabelledBy = "Label34", .DescribedBy = "Label6"},
    {.Name = "Label35", .Kind = kLabel, .Left = 16, .Top = 231, .Text = "0 %", .Field = Bind<&TForm1::Label35>},
    {.Name = "Label37", .Kind = kLabel, .Left = 276, .Top = 231, .Text = "50 %", .Field = Bind<&TForm1::Label37>},
    {.Name = "Label36", .Kind = kLabel, .Left = 535, .Top = 231, .Text = "100%", .Field = Bind<&TForm1::Label36>},
};

const TItem KeyboardItems[] = {
    {.Name = "Label7", .Kind = kLabel, .Place = pStacked, .Top = 3, .Height = 30, .Margins = Stack, .Text = "Keyboard activation", .Style = sTitle, .Field = Bind<&TForm1::Label7>},
    {.Name = "Label8", .Kind = kLabel, .Place = pStacked, .Top = 39, .Height = 30, .Margins = Stack, .Text = "Panoplex can be launched by using a system wide keyboard shortcut. When you press the selected keys, Panoplex will launch no matter which application is currently running.", .Style = sDescription, .Field = Bind<&TForm1::Label8>},
    {.Name = "cbShift", .Kind = kCheckBox, .Left = 38, .Top = 128, .Width = 73, .Height = 17, .Text = "Shift", .TabOrder = 0, .Id = 400, .Handler = &TForm1::ChangeParameters, .Field = Bind<&TForm1::cbShift>, .DescribedBy = "Label8"},
    {.Name = "cbControl", .Kind = kCheckBox, .Left = 38, .Top = 151, .Width = 73, .Height = 17, .Text = "Control", .TabOrder = 1, .Id = 401, .Handler = &TForm1::ChangeParameters, .Field = Bind<&TForm1::cbControl>, .DescribedBy = "Label8"},
    {.Name = "cbAlt", .Kind = kCheckBox, .Left = 38, .Top = 174, .Width = 73, .Height = 17, .Text = "Alt", .TabOrder = 2, .Id = 402, .Handler = &TForm1::ChangeParameters, .Field = Bind<&TForm1::cbAlt>, .DescribedBy = "Label8"},
    {.Name = "cbWin", .Kind = kCheckBox, .Left = 38, .Top = 197, .Width = 73, .Height = 17, .Text = "Win", .TabOrder = 3, .Id = 403, .Handler = &TForm1::ChangeParameters, .Field = Bind<&TForm1::cbWin>, .DescribedBy = "Label8"},
    // The brace closes the column of modifiers; the plus stands between it and the key.
    {.Name = "Label19", .Kind = kLabel, .Left = 128, .Top = 118, .Width = 21, .Height = 88, .Text = "}", .Style = sBrace, .Field = Bind<&TForm1::Label19>},
    {.Name = "Label18", .Kind = kLabel, .Left = 161, .Top = 164, .Text = "+", .Field = Bind<&TForm1::Label18>},
    {.Name = "cbKeys", .Kind = kComboBox, .Left = 175, .Top = 161, .Width = 145, .Height = 23, .TabOrder = 4, .Id = 404, .Handler = &TForm1::ChangeParameters, .Field = Bind<&TForm1::cbKeys>, .DescribedBy = "Label8"},
    // Under the list, shown only while another program holds the combination picked.
    {.Name = "lbHotKeyConflict", .Kind = kLabel, .Left = 175, .Top = 190, .Width = 388, .Height = 15, .Style = sDescription, .Field = Bind<&TForm1::lbHotKeyConflict>},
};

const TItem ActiveCornersItems[] = {
    {.Name = "Label9", .Kind = kLabel, .Place = pStacked, .Top = 3, .Height = 30, .Margins = Stack, .Text = "Active Corners", .Style = sTitle, .Field = Bind<&TForm1::Label9>},
    {.Name = "Label10", .Kind = kLabel, .Place = pStacked, .Top = 39, .Height = 30, .Margins = Stack, .Text = "Move the mouse to your desired position of the screen and Panoplex will launch. Adjust the area size and launch delay properties to suit your needs and prevent accidental activations.", .Style = sDescription, .Field = Bind<&TForm1::Label10>},
    {.Name = "Panel2", .Kind = kPanel, .Place = pStacked, .Top = 83, .Height = 201, .Margins = StackGap, .TabOrder = 0, .Id = 500, .Field = Bind<&TForm1::Panel2>, .LabelledBy = "Label9"},
    // Round the picture, one list beside each of its eight marks, clockwise from the top left.
    {.Name = "Image1", .Kind = kImage, .Left = 216, .Top = 51, .Width = 120, .Height = 90, .Text = "CORNERSCREEN", .Field = Bind<&TForm1::Image1>, .Parent = "Panel2"},
    {.Name = "cbCorner1", .Kind = kComboBox, .Left = 65, .Top = 43, .Width = 145, .Height = 23, .TabOrder = 0, .Id = 501, .Handler = &TForm1::ChangeParameters, .Field = Bind<&TForm1::cbCorner1>, .Parent = "Panel2", .DescribedBy = "Label10"},
    {.Name = "cbCorner2", .Kind = kComboBox, .Left = 203, .Top = 3, .Width = 145, .Height = 23, .TabOrder = 1, .Id = 502, .Handler = &TForm1::ChangeParameters, .Field = Bind<&TForm1::cbCorner2>, .Parent = "Panel2", .DescribedBy = "Label10"},
    {.Name = "cbCorner3", .Kind = kComboBox, .Left = 342, .Top = 43, .Width = 145, .Height = 23, .TabOrder = 2, .Id = 503, .Handler = &TForm1::ChangeParameters, .Field = Bind<&TForm1::cbCorner3>, .Parent = "Panel2", .DescribedBy = "Label10"},
    {.Name = "cbCorner4", .Kind = kComboBox, .Left = 375, .Top = 87, .Width = 145, .Height = 23, .TabOrder = 3, .Id = 504, .Handler = &TForm1::ChangeParameters, .Field = Bind<&TForm1::cbCorner4>, .Parent = "Panel2", .DescribedBy = "Label10"},
    {.Name = "cbCorner5", .Kind = kComboBox, .Left = 342, .Top = 131, .Width = 145, .Height = 23, .TabOrder = 4, .Id = 505, .Handler = &TForm1::ChangeParameters, .Field = Bind<&TForm1::cbCorner5>, .Parent = "Panel2", .DescribedBy = "Label10"},
    {.Name = "cbCorner6", .Kind = kComboBox, .Left = 203, .Top = 165, .Width = 145, .Height = 23, .TabOrder = 5, .Id = 506, .Handler = &TForm1::ChangeParameters, .Field = Bind<&TForm1::cbCorner6>, .Parent = "Panel2", .DescribedBy = "Label10"},
    {.Name = "cbCorner7", .Kind = kComboBox, .Left = 65, .Top = 131, .Width = 145, .Height = 23, .TabOrder = 6, .Id = 507, .Handler = &TForm1::ChangeParameters, .Field = Bind<&TForm1::cbCorner7>, .Parent = "Panel2", .DescribedBy = "Label10"},
    {.Name = "cbCorner8", .Kind = kComboBox, .Left = 33, .Top = 87, .Width = 145, .Height = 23, .TabOrder = 7, .Id = 508, .Handler = &TForm1::ChangeParameters, .Field = Bind<&TForm1::cbCorner8>, .Parent = "Panel2", .DescribedBy = "Label10"},
    {.Name = "Label16", .Kind = kLabel, .Left = 3, .Top = 304, .Text = "Area size", .Style = sBold, .Field = Bind<&TForm1::Label16>},
    {.Name = "Label17", .Kind = kLabel, .Left = 301, .Top = 304, .Text = "Activation delay", .Style = sBold, .Field = Bind<&TForm1::Label17>},
    {.Name = "tbAreaSize", .Kind = kTrackBar, .Left = 0, .Top = 325, .Width = 265, .Height = 31, .TabOrder = 1, .Id = 510, .Range = AreaSize, .Handler = &TForm1::ChangeParameters, .Field = Bind<&TForm1::tbAreaSize>, .LabelledBy = "Label16", .DescribedBy = "Label10"},
    {.Name = "tbActivationDelay", .Kind = kTrackBar, .Left = 298, .Top = 325, .Width = 265, .Height = 34, .TabOrder = 2, .Id = 511, .Range = Milliseconds, .Handler = &TForm1::ChangeParameters, .Field = Bind<&TForm1::tbActivationDelay>, .LabelledBy = "Label17", .DescribedBy = "Label10"},
    {.Name = "Label20", .Kind = kLabel, .Left = 3, .Top = 362, .Text = "1 px", .Field = Bind<&TForm1::Label20>},
    {.Name = "Label21", .Kind = kLabel, .Left = 238, .Top = 362, .Text = "16 px", .Field = Bind<&TForm1::Label21>},
    {.Name = "Label23", .Kind = kLabel, .Left = 301, .Top = 362, .Text = "0 ms", .Field = Bind<&TForm1::Label23>},
    {.Name = "Label22", .Kind = kLabel, .Left = 520, .Top = 362, .Text = "1000 ms", .Field = Bind<&TForm1::Label22>},
};

const TItem SearchItems[] = {
    {.Name = "Label11", .Kind = kLabel, .Place = pStacked, .Top = 3, .Height = 30, .Margins = Stack, .Text = "Search capabilities", .Style = sTitle, .Field = Bind<&TForm1::Label11>},
    {.Name = "Label12", .Kind = kLabel, .Place = pStacked, .Top = 39, .Height = 30, .Margins = Stack, .Text = "When using Panoplex, you can search for your windows by typing parts of the title or process name. Configure the search capabilities to suit your needs and personal preferences.", .Style = sDescription, .Field = Bind<&TForm1::Label12>},
    {.Name = "cbEnableSearch", .Kind = kCheckBox, .Place = pStacked, .Top = 83, .Height = 17, .Margins = StackGap, .Text = "Enable search capabilities.", .Style = sBold, .TabOrder = 0, .Id = 600, .Handler = &TForm1::ChangeParameters, .Field = Bind<&TForm1::cbEnableSearch>, .DescribedBy = "Label4"},
    {.Name = "Label4", .Kind = kLabel, .Place = pStacked, .Top = 106, .Height = 30, .Margins = StackIndent, .Text = "When checked, a small search box will appear at the desired position, allowing you to search for windows by their title or process name.", .Style = sDescription, .Field = Bind<&TForm1::Label4>},
    {.Name = "Label26", .Kind = kLabel, .Place = pStacked, .Top = 150, .Height = 15, .Margins = StackGap, .Text = "Search box position", .Style = sBold, .Field = Bind<&TForm1::Label26>},
    {.Name = "Label27", .Kind = kLabel, .Place = pStacked, .Top = 171, .Height = 30, .Margins = StackIndent, .Text = "Select where to show the search box. The search box appears as a small rectangle that automatically expands when you start typing and contracts when there's nothing in it.", .Style = sDescription, .Field = Bind<&TForm1::Label27>},
    {.Name = "Image2", .Kind = kImage, .Left = 200, .Top = 251, .Width = 120, .Height = 90, .Text = "PLAINSCREEN", .Field = Bind<&TForm1::Image2>},
    // Just outside the picture, one at each screen position; Tag is the search position.
    {.Name = "btSearch1", .Kind = kMarker, .Left = 178, .Top = 229, .TabOrder = 1, .Id = 610, .Tag = 0, .Handler = &TForm1::btSearch1Click, .Field = Bind<&TForm1::btSearch1>, .DescribedBy = "Label27"},
    {.Name = "btSearch2", .Kind = kMarker, .Left = 249, .Top = 229, .TabOrder = 2, .Id = 611, .Tag = 1, .Handler = &TForm1::btSearch1Click, .Field = Bind<&TForm1::btSearch2>, .DescribedBy = "Label27"},
    {.Name = "btSearch3", .Kind = kMarker, .Left = 326, .Top = 229, .TabOrder = 3, .Id = 612, .Tag = 2, .Handler = &TForm1::btSearch1Click, .Field = Bind<&TForm1::btSearch3>, .DescribedBy = "Label27"},
    {.Name = "btSearch4", .Kind = kMarker, .Left = 326, .Top = 291, .TabOrder = 4, .Id = 613, .Tag = 3, .Handler = &TForm1::btSearch1Click, .Field = Bind<&TForm1::btSearch4>, .DescribedBy = "Label27"},
    {.Name = "btSearch5", .Kind = kMarker, .Left = 326, .Top = 347, .TabOrder = 5, .Id = 614, .Tag = 4, .Handler = &TForm1::btSearch1Click, .Field = Bind<&TForm1::btSearch5>, .DescribedBy = "Label27"},
    {.Name = "btSearch6", .Kind = kMarker, .Left = 249, .Top = 347, .TabOrder = 6, .Id = 615, .Tag = 5, .Handler = &TForm1::btSearch1Click, .Field = Bind<&TForm1::btSearch6>, .DescribedBy = "Label27"},
    {.Name = "btSearch7", .Kind = kMarker, .Left = 178, .Top = 347, .TabOrder = 7, .Id = 616, .Tag = 6, .Handler = &TForm1::btSearch1Click, .Field = Bind<&TForm1::btSearch7>, .DescribedBy = "Label27"},
    {.Name = "btSearch8", .Kind = kMarker, .Left = 178, .Top = 291, .TabOrder = 8, .Id = 617, .Tag = 7, .Handler = &TForm1::btSearch1Click, .Field = Bind<&TForm1::btSearch8>, .DescribedBy = "Label27"},
};

const TItem AnimationItems[] = {
    {.Name = "Label13", .Kind = kLabel, .Place = pStacked, .Top = 3, .Height = 30, .Margins = Stack, .Text = "Animation speeds", .Style = sTitle, .Field = Bind<&TForm1::Label13>},
    {.Name = "Label14", .Kind = kLabel, .Place = pStacked, .Top = 39, .Height = 30, .Margins = Stack, .Text = "Set how long Panoplex takes to appear and to go away, and how quickly its search box opens and closes. Shorter durations make the switcher feel snappier.", .Style = sDescription, .Field = Bind<&TForm1::Label14>},
    {.Name = "Label28", .Kind = kLabel, .Left = 3, .Top = 88, .Text = "Activation and deactivation duration", .Style = sBold, .Field = Bind<&TForm1::Label28>},
    {.Name = "tbEffectDuration", .Kind = kTrackBar, .Left = 0, .Top = 109, .Width = 563, .Height = 34, .TabOrder = 0, .Id = 700, .Range = Milliseconds, .Handler = &TForm1::ChangeParameters, .Field = Bind<&TForm1::tbEffectDuration>, .LabelledBy = "Label28", .DescribedBy = "Label14"},
    {.Name = "Label29", .Kind = kLabel, .Left = 3, .Top = 146, .Text = "0 ms", .Field = Bind<&TForm1::Label29>},
    {.Name = "Label30", .Kind = kLabel, .Left = 520, .Top = 146, .Text = "1000 ms", .Field = Bind<&TForm1::Label30>},
    {.Name = "Label31", .Kind = kLabel, .Left = 3, .Top = 176, .Text = "Search transition duration", .Style = sBold, .Field = Bind<&TForm1::Label31>},
    {.Name = "tbSearchDuration", .Kind = kTrackBar, .Left = 0, .Top = 197, .Width = 563, .Height = 34, .TabOrder = 1, .Id = 701, .Range = Milliseconds, .Handler = &TForm1::ChangeParameters, .Field = Bind<&TForm1::tbSearchDuration>, .LabelledBy = "Label31", .DescribedBy = "Label14"},
    {.Name = "Label32", .Kind = kLabel, .Left = 3, .Top = 237, .Text = "0 ms", .Field = Bind<&TForm1::Label32>},
    {.Name = "Label33", .Kind = kLabel, .Left = 520, .Top = 234, .Text = "1000 ms", .Field = Bind<&TForm1::Label33>},
};
// clang-format on

struct TPageTable {
  const TItem* Items;
  std::size_t Count;
};
template <std::size_t N>
constexpr TPageTable Table(const TItem (&Items)[N]) {
  return {Items, N};
}
const TPageTable PageTables[] = {Table(OptionsItems),       Table(BackgroundItems), Table(KeyboardItems),
                                 Table(ActiveCornersItems), Table(SearchItems),     Table(AnimationItems)};

void ApplyStyle(TControl& Control, TStyle Style) {
  TFont font;
  font.SetName("Segoe UI");
  font.SetHeight(-12);
  font.SetColor(clWindowText);
  switch (Style) {
    case sWindow:
      return;  // the window font, through ParentFont
    case sTitle:
      font.SetHeight(-21);
      font.SetColor(static_cast<TColor>(11171618));
      break;
    case sDescription:
      font.SetColor(static_cast<TColor>(2105376));
      break;
    case sBold:
      font.SetStyle(fsBold);
      break;
    case sDescriptionBold:
      font.SetColor(static_cast<TColor>(2105376));
      font.SetStyle(fsBold);
      break;
    case sBrace:
      font.SetName("Arial Narrow");
      font.SetHeight(-75);
      font.SetColor(clGray);
      break;
  }
  Control.SetFont(font);
  // Titles and descriptions wrap at words, keep their width and grow with their lines.
  if (auto* label = dynamic_cast<TLabel*>(&Control))
    label->SetWordWrap(Style == sTitle || Style == sDescription || Style == sDescriptionBold);
}

// The values that all six glass buttons share.
void ApplyGlassValues(TGlassButton& Button, const TGDIPPicture& PageIcon) {
  Button.SetCornerRadius(12);
  TFont font;
  font.SetName("Segoe UI");
  font.SetHeight(-11);
  font.SetColor(clWindowText);
  Button.SetFont(font);
  Button.SetForeColor(clWhite);
  Button.SetGroupIndex(1);
  Button.SetLayout(blGlyphTopAdjusted);
  Button.SetPicture(&PageIcon);
  ApplyGlassColours(Button);
  Button.SetShortCutHintPos(shpAboveTop);
  Button.SetVersion("1.2.1.2");
}

}  // namespace

void ApplyGlassColours(TGlassButton& Button) {
  struct TGlassColours {
    TColor back, glow, innerBorder, outerBorder, shine;
  };
  constexpr TGlassColours light{static_cast<TColor>(15195349), static_cast<TColor>(16760205),
                                static_cast<TColor>(9474192), static_cast<TColor>(15790320), clWhite};
  constexpr TGlassColours dark{static_cast<TColor>(0x60524A), static_cast<TColor>(0xFFBE78),
                               static_cast<TColor>(0x646464), static_cast<TColor>(0x181818),
                               static_cast<TColor>(0x91827A)};
  const TGlassColours& c = DarkMode() ? dark : light;
  Button.SetBackColor(c.back);
  Button.SetGlowColor(c.glow);
  Button.SetInnerBorderColor(c.innerBorder);
  Button.SetOuterBorderColor(c.outerBorder);
  Button.SetShineColor(c.shine);
}

namespace {

// The values that all eight markers share; the status badge is stored but never shown.
void ApplyMarkerValues(TSmoothButton& Marker) {
  Marker.SetColor(static_cast<TColor>(7237229));
  Marker.SetVersion("1.6.0.1");
  TSmoothButtonStatus& status = Marker.Status();
  status.SetCaption("0");
  status.Appearance().Fill().SetColor(static_cast<TColor>(0x0000FF));
  status.Appearance().Fill().SetBorderColor(clGray);
  status.Appearance().Fill().SetRounding(0);
  status.Appearance().Fill().SetShadow(false);
  status.Appearance().SetSpacing(0);
  status.Appearance().SetGlow(false);
}

// The screen positions, clockwise from the top left: the order of the corner lists and the markers.
const char* const ScreenPositions[8] = {"top left",     "top middle",    "top right",   "right middle",
                                        "bottom right", "bottom middle", "bottom left", "left middle"};

// Names for assistive technology that no label of the layout gives: the corner lists and the
// markers by their screen positions, the key list by what it holds.
void NameForAssistiveTechnology(TForm1& Form) {
  for (int p = 0; p < 8; ++p) {
    Form.CornerList(p + 1)->SetAccessibleName(std::string("Active corner: ") + ScreenPositions[p]);
    Form.Marker(p)->SetAccessibleName(std::string("Search box position: ") + ScreenPositions[p]);
    Form.Marker(p)->SetRadioItem(true);
  }
  Form.cbKeys->SetAccessibleName("Key");
}

class TBuilder {
 public:
  explicit TBuilder(TForm1& Form) : FForm(Form) {
    FPageIcon.SetData(ResourceBytes("PAGEICON"));
    FContainers[""] = &Form;
  }

  void Build(const TItem* Items, std::size_t Count, TWinControl& Container) {
    for (std::size_t i = 0; i < Count; ++i)
      Make(Items[i], Items[i].Parent ? *FContainers.at(Items[i].Parent) : Container);
  }

  // Names and descriptions for assistive technology from the labels' own texts, once every label
  // of the layout exists (a page's title is made after the page).
  void Relate(const TItem* Items, std::size_t Count) const {
    for (std::size_t i = 0; i < Count; ++i) {
      const TItem& item = Items[i];
      if (item.LabelledBy)
        FContainers.at(item.Name)->SetAccessibleName(
            AccessibleText(FControls.at(item.LabelledBy)->Caption()));
      if (item.DescribedBy)
        FContainers.at(item.Name)->SetAccessibleDescription(
            AccessibleText(FControls.at(item.DescribedBy)->Caption()));
    }
  }

  TPageControl* Pages = nullptr;

 private:
  void Make(const TItem& Item, TWinControl& Parent) {
    TControl* control = nullptr;
    switch (Item.Kind) {
      case kLabel:
        control = Insert<TLabel>(Parent);
        break;
      case kCheckBox:
        control = Insert<TCheckBox>(Parent);
        break;
      case kButton: {
        auto* button = Insert<TButton>(Parent);
        button->SetDefault(Item.Default);
        control = button;
        break;
      }
      case kComboBox: {
        auto* list = Insert<TComboBox>(Parent);
        list->SetItemHeight(15);
        list->SetDropDownCount(8);
        control = list;
        break;
      }
      case kTrackBar: {
        auto* bar = Insert<TTrackBar>(Parent);
        bar->SetMax(Item.Range.Max);
        bar->SetMin(Item.Range.Min);
        bar->SetPosition(Item.Range.Position);
        bar->SetLineSize(Item.Range.Line);
        bar->SetPageSize(Item.Range.Page);
        bar->SetFrequency(Item.Range.Frequency);
        control = bar;
        break;
      }
      case kPanel: {
        auto* panel = Insert<TPanel>(Parent);
        // The button bar has the colour of buttons; a panel on a page shows the page.
        if (&Parent == &FForm) panel->SetColor(clBtnFace);
        control = panel;
        break;
      }
      case kBevel:
        control = Insert<TBevel>(Parent);
        break;
      case kImage: {
        auto* image = Insert<TImage>(Parent);
        image->LoadFromResourceName(Item.Text);
        control = image;
        break;
      }
      case kPageControl:
        Pages = Insert<TPageControl>(Parent);
        control = Pages;
        break;
      case kPage:
        control = Pages->AddPage(std::make_unique<TTabSheet>(&FForm));
        control->SetCaption(Item.Name);
        break;
      case kGlassButton: {
        auto* button = Insert<TGlassButton>(Parent);
        // Down is stored before GroupIndex; it takes effect when loading ends.
        button->SetDown(Item.Down);
        ApplyGlassValues(*button, FPageIcon);
        control = button;
        break;
      }
      case kMarker: {
        auto* marker = Insert<TSmoothButton>(Parent);
        ApplyMarkerValues(*marker);
        control = marker;
        break;
      }
    }
    control->Name = Item.Name;
    control->Tag = Item.Tag;
    if (Item.Kind != kImage && Item.Kind != kPage) control->SetCaption(Item.Text);
    ApplyStyle(*control, Item.Style);
    Place(Item, *control);
    if (auto* win = dynamic_cast<TWinControl*>(control)) {
      FContainers[Item.Name] = win;
      if (Item.Id) win->SetControlId(Item.Id);
      // Containers take part in the tab order without being stops themselves.
      win->SetTabStop(Item.TabOrder >= 0 && Item.Kind != kPanel && Item.Kind != kPageControl);
      if (Item.TabOrder >= 0) win->SetTabOrder(Item.TabOrder);
    }
    FControls[Item.Name] = control;
    Connect(Item, *control);
    if (Item.Field) Item.Field(FForm, control);
  }

  template <class T>
  T* Insert(TWinControl& Parent) {
    return Parent.InsertControl(std::make_unique<T>(&FForm));
  }

  static void Place(const TItem& Item, TControl& Control) {
    switch (Item.Place) {
      case pFixed: {
        int width = Item.Width, height = Item.Height;
        if (Item.Kind == kGlassButton) width = 81, height = 82;
        if (Item.Kind == kMarker) width = height = 16;
        const int top = Item.Kind == kGlassButton ? 8 : Item.Top;
        Control.SetBounds(Item.Left, top, width, height);
        Control.SetAnchors(Item.Anchors);
        break;
      }
      case pStacked:
        Control.SetMargins(Item.Margins);
        Control.SetBounds(Item.Margins.Left, Item.Top, PageWidth - Item.Margins.Left - Item.Margins.Right,
                          Item.Height);
        Control.SetAlign(alTop);
        break;
      case pTop:
      case pBottom:
        Control.SetBounds(Item.Left, Item.Top, Item.Width, Item.Height);
        Control.SetAlign(Item.Place == pTop ? alTop : alBottom);
        break;
    }
  }

  void Connect(const TItem& Item, TControl& Control) {
    if (!Item.Handler) return;
    const TNotifyEvent handler = [form = &FForm, method = Item.Handler](TObject* Sender) {
      (form->*method)(Sender);
    };
    switch (Item.Kind) {
      case kComboBox:
        static_cast<TComboBox&>(Control).OnChange = handler;
        break;
      case kTrackBar:
        static_cast<TTrackBar&>(Control).OnChange = handler;
        break;
      default:
        Control.OnClick = handler;
        break;
    }
  }

  TForm1& FForm;
  TGDIPPicture FPageIcon;
  std::map<std::string, TWinControl*> FContainers;
  std::map<std::string, const TControl*> FControls;
};

}  // namespace

void BuildLayout(TForm1& Form) {
  Form.BeginLoading();
  TBuilder builder(Form);
  builder.Build(WindowItems, std::size(WindowItems), Form);
  builder.Build(PageItems, std::size(PageItems), *builder.Pages);
  for (int i = 0; i < 6; ++i) {
    const TPageTable& table = PageTables[i];
    builder.Build(table.Items, table.Count, *builder.Pages->Pages(i));
  }
  builder.Relate(PageItems, std::size(PageItems));
  for (const TPageTable& table : PageTables) builder.Relate(table.Items, table.Count);
  NameForAssistiveTechnology(Form);
  Form.EndLoading();
}

}  // namespace px2d
