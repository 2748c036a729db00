// The options window: six pages of the switcher's settings, chosen by a row of glass buttons, with
// Apply, Accept and Cancel below them.
#pragma once

#include <windows.h>

#include <memory>

#include "controls/GlassButton.h"
#include "controls/SmoothButton.h"
#include "framework/Classes.h"
#include "framework/ComCtrls.h"
#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "framework/StdCtrls.h"
#include "unSetup.h"

namespace px2d {

// "WM_PX2D_SETUP", registered when the program starts; posted to every top-level window after Apply.
extern const UINT SetupMessage;

// Clears the list and appends the name of every key from 0 to 255 that has one, each name once,
// at the place of the lowest key that has it.
void FillKeyList(TStrings& List);
// Clears the list and appends the three corner actions in the order of their values.
void FillCornerActions(TStrings& List);

class TForm1 : public TForm {
 public:
  explicit TForm1(TComponent* AOwner);
  ~TForm1() override;
  const char* ClassName() const override { return "TForm1"; }

  // The window: the button bar, the page control and the glass buttons that choose its pages.
  TPanel* Panel1 = nullptr;
  TBevel* Bevel1 = nullptr;
  TButton* btAccept = nullptr;
  TButton* btCancel = nullptr;
  TButton* btApply = nullptr;
  TPageControl* PageControl1 = nullptr;
  TGlassButton* GlassButton1 = nullptr;
  TGlassButton* GlassButton2 = nullptr;
  TGlassButton* GlassButton3 = nullptr;
  TGlassButton* GlassButton4 = nullptr;
  TGlassButton* GlassButton5 = nullptr;
  TGlassButton* GlassButton6 = nullptr;
  TTabSheet* tsOptions = nullptr;
  TTabSheet* tsBackground = nullptr;
  TTabSheet* tsKeyboard = nullptr;
  TTabSheet* tsActiveCorners = nullptr;
  TTabSheet* tsSearch = nullptr;
  TTabSheet* tsAnimation = nullptr;

  // General options.
  TLabel* Label2 = nullptr;
  TCheckBox* cbRunWithWindows = nullptr;
  TLabel* Label24 = nullptr;
  TCheckBox* cbBalloon = nullptr;
  TLabel* Label3 = nullptr;
  TCheckBox* cbIncludeMinimized = nullptr;
  TLabel* Label25 = nullptr;

  // Background.
  TLabel* Label5 = nullptr;
  TLabel* Label6 = nullptr;
  TCheckBox* cbShowDesktop = nullptr;
  TLabel* Label15 = nullptr;
  TCheckBox* cbShowDesktopWindow = nullptr;
  TLabel* Label1 = nullptr;
  TLabel* Label34 = nullptr;
  TTrackBar* tbDesktopOpacity = nullptr;
  TLabel* Label35 = nullptr;
  TLabel* Label37 = nullptr;
  TLabel* Label36 = nullptr;

  // Keyboard activation.
  TLabel* Label7 = nullptr;
  TLabel* Label8 = nullptr;
  TCheckBox* cbShift = nullptr;
  TCheckBox* cbControl = nullptr;
  TCheckBox* cbAlt = nullptr;
  TCheckBox* cbWin = nullptr;
  TLabel* Label19 = nullptr;
  TLabel* Label18 = nullptr;
  TComboBox* cbKeys = nullptr;

  // Active corners.
  TLabel* Label9 = nullptr;
  TLabel* Label10 = nullptr;
  TPanel* Panel2 = nullptr;
  TImage* Image1 = nullptr;
  TComboBox* cbCorner1 = nullptr;
  TComboBox* cbCorner2 = nullptr;
  TComboBox* cbCorner3 = nullptr;
  TComboBox* cbCorner4 = nullptr;
  TComboBox* cbCorner5 = nullptr;
  TComboBox* cbCorner6 = nullptr;
  TComboBox* cbCorner7 = nullptr;
  TComboBox* cbCorner8 = nullptr;
  TLabel* Label16 = nullptr;
  TLabel* Label17 = nullptr;
  TTrackBar* tbAreaSize = nullptr;
  TTrackBar* tbActivationDelay = nullptr;
  TLabel* Label20 = nullptr;
  TLabel* Label21 = nullptr;
  TLabel* Label23 = nullptr;
  TLabel* Label22 = nullptr;

  // Search capabilities.
  TLabel* Label11 = nullptr;
  TLabel* Label12 = nullptr;
  TCheckBox* cbEnableSearch = nullptr;
  TLabel* Label4 = nullptr;
  TLabel* Label26 = nullptr;
  TLabel* Label27 = nullptr;
  TImage* Image2 = nullptr;
  TSmoothButton* btSearch1 = nullptr;
  TSmoothButton* btSearch2 = nullptr;
  TSmoothButton* btSearch3 = nullptr;
  TSmoothButton* btSearch4 = nullptr;
  TSmoothButton* btSearch5 = nullptr;
  TSmoothButton* btSearch6 = nullptr;
  TSmoothButton* btSearch7 = nullptr;
  TSmoothButton* btSearch8 = nullptr;

  // Animation speeds.
  TLabel* Label13 = nullptr;
  TLabel* Label14 = nullptr;
  TLabel* Label28 = nullptr;
  TTrackBar* tbEffectDuration = nullptr;
  TLabel* Label29 = nullptr;
  TLabel* Label30 = nullptr;
  TLabel* Label31 = nullptr;
  TTrackBar* tbSearchDuration = nullptr;
  TLabel* Label32 = nullptr;
  TLabel* Label33 = nullptr;

  // Shown while the settings file could not be read: nothing is saved until it has been.
  TLabel* lbUnreadable = nullptr;
  TButton* btReadAgain = nullptr;
  // Shown while another program holds the combination picked on the keyboard page.
  TLabel* lbHotKeyConflict = nullptr;

  // The settings store; FormCreate makes it, and it lives as long as the window.
  std::unique_ptr<TGenericSetup> Setup;

  // Event handlers, bound to the controls by the layout.
  void FormCreate(TObject* Sender);
  void GlassButton2Click(TObject* Sender);
  void ChangeParameters(TObject* Sender);
  void btSearch1Click(TObject* Sender);
  void btApplyClick(TObject* Sender);
  void btAcceptClick(TObject* Sender);
  void btCancelClick(TObject* Sender);
  void btReadAgainClick(TObject* Sender);

  // Every page set to the catalogue's defaults, the default search position selected, Apply enabled;
  // nothing is written until Apply. The window's system menu offers it as "Restore defaults".
  void RestoreDefaults();

  // The glass buttons in page order, and the markers in the order of their screen positions.
  TGlassButton* PageButton(int Page) const;
  TSmoothButton* Marker(int Position) const;
  TComboBox* CornerList(int Corner) const;

 protected:
  void CreateWnd() override;
  LRESULT WndProc(UINT Msg, WPARAM wParam, LPARAM lParam) override;
  // The markers take the colours of the new scheme.
  void SchemeChanged() override;
  // The icons at the new resolution's sizes.
  void ResolutionOfWindowChanged() override;
  // Ctrl+Tab and Ctrl+PgDn show the next page, Ctrl+Shift+Tab and Ctrl+PgUp the previous one.
  bool ShortCut(WORD Key, TShiftState Shift) override;

 private:
  void LoadGeneral();
  void SaveGeneral();
  void LoadBackground();
  void SaveBackground();
  void LoadKeyboard();
  void SaveKeyboard();
  void LoadActiveCorners();
  void SaveActiveCorners();
  void LoadSearch();
  void SaveSearch();
  void LoadAnimation();
  void SaveAnimation();
  void LoadPages();
  // Shows the page Delta pages on from the one shown, round from the last to the first, as a click
  // on its glass button does; the focus goes to the page's first control that can take it, or to
  // the button bar's first.
  void ShowPageFromKeyboard(int Delta);
  // The title-bar and task-bar icons at the sizes of the window's resolution.
  void SetIcons();
  // The markers are one keyboard stop, as a group of radio buttons is: the chosen one, or the first
  // when none is chosen.
  void UpdateMarkerTabStop();
  // The six saves, in page order, into the store.
  void SavePages();
  // Tells the store what Apply would write now, so that a save can tell the window's edits from
  // what loading only tidied (a default filled in, a value clamped) and from another program's
  // changes to the file.
  void RenewBase();
  // Reads the settings file into the store; false, with the store's error shown and the window
  // marked as unread, when the file exists but cannot be read.
  bool ReadSettingsFile();
  void SetSettingsUnread(bool Value);
  // Unticks the modifiers and paints every marker idle, so that loading the pages shows only what
  // the store holds.
  void ClearPageMarks();
  // What the keyboard page shows now: the modifier set (Shift, Alt, Ctrl in that order), the name of
  // the key selected (empty when none is) and the hot-key code they make with the Win tick.
  TShiftState PickedModifiers() const;
  std::string PickedKeyName() const;
  std::uint16_t PickedHotKey() const;
  // Tells, under the list of keys, whether another program holds the combination picked.
  void CheckHotKeyConflict();

  // The settings file existed but could not be read: the pages do not show it, and nothing may be
  // written over it until it has been read.
  bool FSettingsUnread = false;
  // The error to show once the window is on the screen.
  std::string FPendingError;
  // The title bar's and the task bar's icons, at the sizes of the window's resolution.
  TIcon FBigIcon, FSmallIcon;
  // The combination loaded from the file, which the running switcher holds itself.
  std::uint16_t FLoadedHotKey = 0;
  bool FLoadingPages = false;
  // ... because it is larger than any settings file.
  bool FSettingsTooLarge = false;
};

}  // namespace px2d
