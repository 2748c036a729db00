#include "fmMain.h"

#include "fmMainLayout.h"
#include "unHotKeys.h"
#include "unSettings.h"

namespace px2d {

const UINT SetupMessage = RegisterWindowMessageA("WM_PX2D_SETUP");

namespace {
// The marker of the search position shown, and the seven others.
constexpr TColor SelectedMarkerColor = 16750899;
constexpr TColor IdleMarkerColor = 7237229;
}  // namespace

void FillKeyList(TStrings& List) {
  List.Clear();
  for (std::uint16_t key = 0; key <= 255; ++key) {
    const std::string name = HotKeyToText(key);
    if (!name.empty() && List.FindExact(name) < 0) List.Add(name);
  }
}

void FillCornerActions(TStrings& List) {
  List.Clear();
  List.Add("- none -");
  List.Add("Show all windows");
  List.Add("Show current application windows");
}

TForm1::TForm1(TComponent* AOwner) : TForm(AOwner) {
  SetCaption("Panoplex 2D Options");
  SetClientSize(590, 556);
  SetColor(clWhite);
  Font().SetName("Segoe UI");
  Font().SetHeight(-12);
  Font().SetColor(clWindowText);
  BuildLayout(*this);
  OnCreate = [this](TObject* Sender) { FormCreate(Sender); };
}

TForm1::~TForm1() = default;

void TForm1::CreateWnd() {
  TForm::CreateWnd();
  // The program's icon in the title bar and on the task-bar button, at the sizes the system uses.
  HINSTANCE module = GetModuleHandleA(nullptr);
  const auto icon = [module](int Width, int Height) {
    return reinterpret_cast<LPARAM>(LoadImageA(module, "MAINICON", IMAGE_ICON, Width, Height, LR_SHARED));
  };
  SendMessageA(Handle(), WM_SETICON, ICON_BIG,
               icon(GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON)));
  SendMessageA(Handle(), WM_SETICON, ICON_SMALL,
               icon(GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON)));
}

TGlassButton* TForm1::PageButton(int Page) const {
  for (TGlassButton* b : {GlassButton1, GlassButton2, GlassButton3, GlassButton4, GlassButton5, GlassButton6})
    if (b->Tag == Page) return b;
  return nullptr;
}

TSmoothButton* TForm1::Marker(int Position) const {
  TSmoothButton* const markers[] = {btSearch1, btSearch2, btSearch3, btSearch4,
                                    btSearch5, btSearch6, btSearch7, btSearch8};
  return markers[Position];
}

TComboBox* TForm1::CornerList(int Corner) const {
  TComboBox* const lists[] = {cbCorner1, cbCorner2, cbCorner3, cbCorner4,
                              cbCorner5, cbCorner6, cbCorner7, cbCorner8};
  return lists[Corner - 1];
}

// --- Creation ---

void TForm1::FormCreate(TObject*) {
  Setup = std::make_unique<TGenericSetup>();
  Setup->AppName = "Panoplex2D";
  ReadSettingsFile();
  for (int page = 0; page < 6; ++page) PageButton(page)->DoubleBuffered = true;
  for (int page = 0; page < PageControl1->PageCount(); ++page)
    PageControl1->Pages(page)->SetTabVisible(false);
  LoadPages();
  btApply->SetEnabled(false);
  GlassButton2->Click();
}

bool TForm1::ReadSettingsFile() {
  try {
    Setup->LoadSettings();
    SetSettingsUnread(false);
    return true;
  } catch (const std::exception& e) {
    // The pages show the defaults instead, and nothing is written over the file until it has been
    // read: the user sees why, and can read it again once the other program lets it go.
    Setup->Lines.clear();
    SetSettingsUnread(true);
    FSettingsTooLarge = dynamic_cast<const ESettingsTooLarge*>(&e) != nullptr;
    Application.ShowException(e.what());
    return false;
  }
}

void TForm1::SetSettingsUnread(bool Value) {
  FSettingsUnread = Value;
  lbUnreadable->SetVisible(Value);
  btReadAgain->SetVisible(Value);
}

void TForm1::LoadPages() {
  LoadGeneral();
  LoadBackground();
  LoadKeyboard();
  LoadActiveCorners();
  LoadSearch();
  LoadAnimation();
}

void TForm1::btReadAgainClick(TObject*) {
  if (!ReadSettingsFile()) return;
  // What the pages show now comes from the file alone: edits made meanwhile are dropped.
  for (TCheckBox* box : {cbShift, cbControl, cbAlt, cbWin}) box->SetChecked(false);
  for (int p = 0; p < 8; ++p) Marker(p)->SetColor(IdleMarkerColor);
  LoadPages();
  btApply->SetEnabled(false);
  if (TWinControl* first = PageControl1->ActivePage()) first->SetFocus();
}

// --- Navigation and change tracking ---

void TForm1::GlassButton2Click(TObject* Sender) {
  if (auto* button = dynamic_cast<TComponent*>(Sender)) PageControl1->SetActivePageIndex(button->Tag);
}

void TForm1::ChangeParameters(TObject*) { btApply->SetEnabled(true); }

void TForm1::btSearch1Click(TObject* Sender) {
  auto* chosen = dynamic_cast<TSmoothButton*>(Sender);
  if (!chosen) return;
  for (int p = 0; p < 8; ++p) Marker(p)->SetColor(IdleMarkerColor);
  chosen->SetColor(SelectedMarkerColor);
  WriteSearchPosition(*Setup, chosen->Tag);
  btApply->SetEnabled(true);
}

// --- Apply, Accept, Cancel ---

void TForm1::btApplyClick(TObject*) {
  if (FSettingsUnread && FSettingsTooLarge)
    throw Exception(
        "Nothing was saved: the settings file is too large to be read, and saving now would replace it. "
        "Move it away or make it smaller, then choose Read again");
  if (FSettingsUnread)
    throw Exception(
        "Nothing was saved: the settings file could not be read, and saving now would replace it. Close the "
        "program that holds it open, then choose Read again");
  SaveGeneral();
  SaveBackground();
  SaveKeyboard();
  SaveActiveCorners();
  SaveSearch();
  SaveAnimation();
  Setup->SaveSettings();
  btApply->SetEnabled(false);
  // The file is complete on disk: a running switcher may read it now.
  PostMessageA(HWND_BROADCAST, SetupMessage, 0, 0);
}

void TForm1::btAcceptClick(TObject*) {
  // A failed Apply raises, and the window stays open.
  if (btApply->Enabled()) btApply->Click();
  Close();
}

void TForm1::btCancelClick(TObject*) { Close(); }

// --- The pages ---

void TForm1::LoadGeneral() {
  cbIncludeMinimized->SetChecked(ReadTick(*Setup, siIncludeMinimized));
  cbRunWithWindows->SetChecked(ReadTick(*Setup, siRunWithWindows));
  cbBalloon->SetChecked(ReadTick(*Setup, siShowBalloon));
}

void TForm1::SaveGeneral() {
  WriteTick(*Setup, siIncludeMinimized, cbIncludeMinimized->Checked());
  WriteTick(*Setup, siRunWithWindows, cbRunWithWindows->Checked());
  WriteTick(*Setup, siShowBalloon, cbBalloon->Checked());
}

void TForm1::LoadBackground() {
  cbShowDesktop->SetChecked(ReadTick(*Setup, siShowDesktop));
  cbShowDesktopWindow->SetChecked(ReadTick(*Setup, siShowDesktopWindow));
  tbDesktopOpacity->SetPosition(ReadTrackPosition(*Setup, siDesktopOpacity));
}

void TForm1::SaveBackground() {
  WriteTick(*Setup, siShowDesktop, cbShowDesktop->Checked());
  WriteTick(*Setup, siShowDesktopWindow, cbShowDesktopWindow->Checked());
  WriteTrackPosition(*Setup, siDesktopOpacity, tbDesktopOpacity->Position());
}

void TForm1::LoadKeyboard() {
  const std::uint16_t code = ReadActivationKey(*Setup);
  FillKeyList(cbKeys->Items());
  std::uint16_t key = 0;
  TShiftState shift = 0;
  bool win = false;
  SplitHotKey(code, key, shift, win);
  const std::string name = HotKeyToText(key);
  cbKeys->SetItemIndex(name.empty() ? -1 : cbKeys->Items().FindExact(name));
  // A modifier outside the set leaves its box as it is.
  if (shift & ssShift) cbShift->SetChecked(true);
  if (shift & ssAlt) cbAlt->SetChecked(true);
  if (shift & ssCtrl) cbControl->SetChecked(true);
  cbWin->SetChecked(win);
}

void TForm1::SaveKeyboard() {
  TShiftState shift = 0;
  if (cbShift->Checked()) shift |= ssShift;
  if (cbAlt->Checked()) shift |= ssAlt;
  if (cbControl->Checked()) shift |= ssCtrl;
  const int index = cbKeys->ItemIndex();
  const std::string name = index >= 0 ? cbKeys->Items().Get(index) : std::string();
  WriteActivationKey(*Setup, name, shift, cbWin->Checked());
}

void TForm1::LoadActiveCorners() {
  for (int corner = 1; corner <= 8; ++corner) FillCornerActions(CornerList(corner)->Items());
  for (int corner = 1; corner <= 8; ++corner)
    CornerList(corner)->SetItemIndex(ReadCornerIndex(*Setup, ActiveCornerSetting(corner)));
  tbAreaSize->SetPosition(ReadTrackPosition(*Setup, siAreaSize));
  tbActivationDelay->SetPosition(ReadTrackPosition(*Setup, siActivationDelay));
}

void TForm1::SaveActiveCorners() {
  for (int corner = 1; corner <= 8; ++corner)
    WriteCornerIndex(*Setup, ActiveCornerSetting(corner), CornerList(corner)->ItemIndex());
  WriteTrackPosition(*Setup, siAreaSize, tbAreaSize->Position());
  WriteTrackPosition(*Setup, siActivationDelay, tbActivationDelay->Position());
}

void TForm1::LoadSearch() {
  cbEnableSearch->SetChecked(ReadTick(*Setup, siEnableSearch));
  int position = 0;
  // Only a stored 0 to 7 selects a marker; any other value stays in the store untouched.
  if (ReadSearchPosition(*Setup, position)) btSearch1Click(Marker(position));
}

void TForm1::SaveSearch() { WriteTick(*Setup, siEnableSearch, cbEnableSearch->Checked()); }

void TForm1::LoadAnimation() {
  tbEffectDuration->SetPosition(ReadTrackPosition(*Setup, siEffectDuration));
  tbSearchDuration->SetPosition(ReadTrackPosition(*Setup, siSearchDuration));
}

void TForm1::SaveAnimation() {
  WriteTrackPosition(*Setup, siEffectDuration, tbEffectDuration->Position());
  WriteTrackPosition(*Setup, siSearchDuration, tbSearchDuration->Position());
}

}  // namespace px2d
