#include "fmMain.h"

#include <set>
#include <string>
#include <utility>

#include "fmMainLayout.h"
#include "unHotKeys.h"
#include "unSettings.h"

namespace px2d {

const UINT SetupMessage = RegisterWindowMessageA("WM_PX2D_SETUP");

namespace {
// The marker of the search position shown, and the seven others; in dark mode a light blue among
// dark greys, 3:1 from each other, each set off from the window by its light ring.
constexpr TColor SelectedMarkerColor = 16750899;
constexpr TColor IdleMarkerColor = 7237229;
constexpr TColor DarkSelectedMarkerColor = 0xFFDCAA;
constexpr TColor DarkIdleMarkerColor = 0x505050;
// The system menu's "Restore defaults": below the system's own commands (which start at 0xF000),
// with the low four bits clear, as the system uses them itself.
constexpr UINT RestoreDefaultsCommand = 0x0100;
// Shows the error kept by ReadSettingsFile once the window is on the screen.
constexpr UINT WM_PX2D_SHOWERROR = WM_APP + 0x101;
// The identifier under which a combination is tried for a moment.
constexpr int HotKeyProbeId = 0xB00;

// A marker shows by its colour whether it is the chosen search position, and tells assistive
// technology the same. A high-contrast scheme gives the colours: its highlight for the chosen one.
// Where the two colours alone stand less than 3:1 apart, the chosen one also shows a dot, as a
// radio button does: in high contrast (the scheme's highlight text on its highlight), and in dark
// mode. The design's own two colours, blue among greys, are the same in every other scheme and keep
// their look.
void ShowChosen(TSmoothButton& Marker, bool Chosen) {
  const bool contrast = HighContrast(), dark = DarkMode();
  const TColor chosen = contrast ? clHighlight : dark ? DarkSelectedMarkerColor : SelectedMarkerColor;
  const TColor idle = contrast ? clBtnText : dark ? DarkIdleMarkerColor : IdleMarkerColor;
  Marker.SetColor(Chosen ? chosen : idle);
  Marker.SetCheckColor(contrast ? clHighlightText
                       : dark   ? static_cast<TColor>(BlackOrWhiteOn(ColorToRGB(chosen)))
                                : clNone);
  Marker.SetChecked(Chosen);
}
}  // namespace

void FillKeyList(TStrings& List) {
  List.Clear();
  // Each name once, by the list's own comparison (which ignores case), without asking the list for
  // every name: a search of a list box is a message per entry.
  std::set<std::string> seen;
  for (std::uint16_t key = 0; key <= 255; ++key) {
    std::string name = HotKeyToText(key);
    if (name.empty()) continue;
    std::string upper = name;
    CharUpperBuffA(upper.data(), static_cast<DWORD>(upper.size()));
    if (seen.insert(std::move(upper)).second) List.Add(name);
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
  // The system's window colour: white in the usual scheme, and whatever the user chose in another.
  SetColor(clWindow);
  Font().SetName("Segoe UI");
  Font().SetHeight(-12);
  Font().SetColor(clWindowText);
  BuildLayout(*this);
  lbUnreadable->SetVisible(false);
  btReadAgain->SetVisible(false);
  lbHotKeyConflict->SetVisible(false);
  // The keyboard page also tells when another program holds the combination picked: after the
  // layout's handler, which enables Apply, each of its controls looks again.
  for (TCheckBox* box : {cbShift, cbControl, cbAlt, cbWin}) {
    box->OnClick = [this, changed = box->OnClick](TObject* Sender) {
      if (changed) changed(Sender);
      CheckHotKeyConflict();
    };
  }
  cbKeys->OnChange = [this, changed = cbKeys->OnChange](TObject* Sender) {
    if (changed) changed(Sender);
    CheckHotKeyConflict();
  };
  OnCreate = [this](TObject* Sender) { FormCreate(Sender); };
}

TForm1::~TForm1() = default;

void TForm1::CreateWnd() {
  TForm::CreateWnd();
  SetIcons();
  // "Restore defaults" above "Close", with a separator between them.
  HMENU menu = GetSystemMenu(Handle(), FALSE);
  const int count = GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    if (GetMenuItemID(menu, i) != SC_CLOSE) continue;
    // Its access key is a letter that none of the system's own commands uses.
    InsertMenuA(menu, static_cast<UINT>(i), MF_BYPOSITION | MF_STRING, RestoreDefaultsCommand,
                "Restore &defaults");
    InsertMenuA(menu, static_cast<UINT>(i + 1), MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
    break;
  }
}

LRESULT TForm1::WndProc(UINT Msg, WPARAM wParam, LPARAM lParam) {
  if (Msg == WM_SYSCOMMAND && (wParam & 0xFFF0) == RestoreDefaultsCommand) {
    RestoreDefaults();
    return 0;
  }
  if (Msg == WM_FONTCHANGE) {
    // Fonts were installed or removed: the captions look again whether their faces are there.
    ForgetScreenFonts();
    for (int page = 0; page < 6; ++page) PageButton(page)->Invalidate();
  }
  if (Msg == WM_PX2D_SHOWERROR) {
    // Posted while the window was being made, it comes before the window's first paint: the box
    // opens over a window already painted.
    UpdateWindow(Handle());
    Application.ShowException(std::exchange(FPendingError, std::string()));
    return 0;
  }
  return TForm::WndProc(Msg, wParam, lParam);
}

void TForm1::SetIcons() {
  // The program's icon in the title bar and on the task-bar button, at the sizes the system uses at
  // the window's resolution.
  using TMetricForDpi = int(WINAPI*)(int, UINT);
  static const auto metricForDpi = reinterpret_cast<TMetricForDpi>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetSystemMetricsForDpi")));
  const auto metric = [this](int Index) {
    return metricForDpi ? metricForDpi(Index, static_cast<UINT>(PixelsPerInch()))
                        : ScaleBy(GetSystemMetrics(Index), PixelsPerInch()) * 96 / ScreenPixelsPerInch();
  };
  // Each loaded anew at exactly its size, and owned: a shared load hands back whichever size of the
  // icon was loaded first. Scaled down from a larger image where the icon has none of that size.
  // (The common controls of version 6 have the scaling load; the import library knows it by name only
  // in newer kits.)
  using TLoadIconWithScaleDown = HRESULT(WINAPI*)(HINSTANCE, PCWSTR, int, int, HICON*);
  static const auto loadScaledDown = reinterpret_cast<TLoadIconWithScaleDown>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("comctl32.dll"), "LoadIconWithScaleDown")));
  HINSTANCE module = GetModuleHandleA(nullptr);
  const auto icon = [module](int Width, int Height) {
    HICON loaded = nullptr;
    if (!loadScaledDown || FAILED(loadScaledDown(module, L"MAINICON", Width, Height, &loaded)) || !loaded)
      loaded = static_cast<HICON>(LoadImageA(module, "MAINICON", IMAGE_ICON, Width, Height, 0));
    return TIcon(loaded);
  };
  TIcon big = icon(metric(SM_CXICON), metric(SM_CYICON));
  TIcon small = icon(metric(SM_CXSMICON), metric(SM_CYSMICON));
  SendMessageA(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big.Get()));
  SendMessageA(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small.Get()));
  // The old ones go once the window holds the new.
  FBigIcon = std::move(big);
  FSmallIcon = std::move(small);
}

void TForm1::ResolutionOfWindowChanged() { SetIcons(); }

void TForm1::SchemeChanged() {
  for (int p = 0; p < 8; ++p) ShowChosen(*Marker(p), Marker(p)->Checked());
  for (int p = 0; p < 6; ++p) ApplyGlassColours(*PageButton(p));
}

bool TForm1::ShortCut(WORD Key, TShiftState Shift) {
  if (!(Shift & ssCtrl) || (Shift & ssAlt)) return false;
  if (Key == VK_TAB) {
    ShowPageFromKeyboard(Shift & ssShift ? -1 : 1);
    return true;
  }
  if ((Key == VK_NEXT || Key == VK_PRIOR) && !(Shift & ssShift)) {
    ShowPageFromKeyboard(Key == VK_NEXT ? 1 : -1);
    return true;
  }
  return false;
}

void TForm1::ShowPageFromKeyboard(int Delta) {
  // The keyboard is in use: focus cues show from now on, as the dialog manager shows them for Tab.
  SendMessageA(Handle(), WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
  const int pages = PageControl1->PageCount();
  const int page = ((PageControl1->ActivePageIndex() + Delta) % pages + pages) % pages;
  TGlassButton* button = PageButton(page);
  button->SetDown(true);
  button->Click();
  // The first control of the page that can take the focus, else the first of the button bar.
  TTabSheet* shown = PageControl1->ActivePage();
  HWND first = nullptr;
  for (HWND container : {shown && shown->HandleAllocated() ? shown->Handle() : nullptr,
                         Panel1->HandleAllocated() ? Panel1->Handle() : nullptr}) {
    if (!container || !IsWindowEnabled(container)) continue;
    HWND candidate = GetNextDlgTabItem(container, nullptr, FALSE);
    if (candidate && IsChild(container, candidate) && IsWindowEnabled(candidate) &&
        IsWindowVisible(candidate)) {
      first = candidate;
      break;
    }
  }
  if (first) ::SetFocus(first);
}

void TForm1::UpdateMarkerTabStop() {
  int chosen = 0;
  for (int p = 0; p < 8; ++p)
    if (Marker(p)->Checked()) chosen = p;
  for (int p = 0; p < 8; ++p) Marker(p)->SetTabStop(p == chosen);
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
  RenewBase();
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
    Setup->IgnoredTail.clear();
    SetSettingsUnread(true);
    FSettingsTooLarge = dynamic_cast<const ESettingsTooLarge*>(&e) != nullptr;
    if (IsWindowVisible(Handle())) {
      Application.ReportFailure(e.what());
    } else {
      // While the window is being made the box waits for it: a box without its window could open
      // behind other programs, and the user would think the program never started.
      FPendingError = e.what();
      PostMessageA(Handle(), WM_PX2D_SHOWERROR, 0, 0);
    }
    return false;
  }
}

void TForm1::SetSettingsUnread(bool Value) {
  FSettingsUnread = Value;
  lbUnreadable->SetVisible(Value);
  btReadAgain->SetVisible(Value);
  // Nothing can be edited while the file is unread, so reading it again loses no edit.
  for (int page = 0; page < PageControl1->PageCount(); ++page) PageControl1->Pages(page)->SetEnabled(!Value);
  EnableMenuItem(GetSystemMenu(Handle(), FALSE), RestoreDefaultsCommand,
                 MF_BYCOMMAND | (Value ? MF_GRAYED : MF_ENABLED));
}

void TForm1::LoadPages() {
  FLoadingPages = true;
  struct TDone {
    bool& flag;
    ~TDone() { flag = false; }
  } done{FLoadingPages};
  LoadGeneral();
  LoadBackground();
  LoadKeyboard();
  LoadActiveCorners();
  LoadSearch();
  LoadAnimation();
}

void TForm1::SavePages() {
  SaveGeneral();
  SaveBackground();
  SaveKeyboard();
  SaveActiveCorners();
  SaveSearch();
  SaveAnimation();
}

void TForm1::RenewBase() {
  const TextLines shown = Setup->Lines;
  SavePages();
  Setup->BaseLines = std::exchange(Setup->Lines, shown);
}

void TForm1::ClearPageMarks() {
  for (TCheckBox* box : {cbShift, cbControl, cbAlt, cbWin}) box->SetChecked(false);
  for (int p = 0; p < 8; ++p) ShowChosen(*Marker(p), false);
  UpdateMarkerTabStop();
}

void TForm1::btReadAgainClick(TObject*) {
  if (!ReadSettingsFile()) return;
  // What the pages show now comes from the file alone.
  ClearPageMarks();
  LoadPages();
  RenewBase();
  btApply->SetEnabled(false);
  // The focus goes to the first control of the page shown.
  TTabSheet* page = PageControl1->ActivePage();
  HWND first = page && page->HandleAllocated() ? GetNextDlgTabItem(page->Handle(), nullptr, FALSE) : nullptr;
  if (first && IsChild(page->Handle(), first))
    ::SetFocus(first);
  else
    SelectFirst();
}

void TForm1::RestoreDefaults() {
  if (FSettingsUnread) return;
  // The pages are loaded from an empty store, where every read gives its default; the store of the
  // file stays as it is, with the keys the window does not show, until Apply.
  std::unique_ptr<TGenericSetup> file = std::exchange(Setup, std::make_unique<TGenericSetup>());
  Setup->AppName = file->AppName;
  // The running switcher still holds the combination of the file, not the default one.
  const std::uint16_t held = FLoadedHotKey;
  try {
    ClearPageMarks();
    LoadPages();
  } catch (...) {
    Setup = std::move(file);
    FLoadedHotKey = held;
    throw;
  }
  Setup = std::move(file);
  FLoadedHotKey = held;
  btSearch1Click(Marker(SettingKeys[siSearchPosition].Default));
  CheckHotKeyConflict();
  ChangeParameters(this);
}

// --- Navigation and change tracking ---

void TForm1::GlassButton2Click(TObject* Sender) {
  if (auto* button = dynamic_cast<TComponent*>(Sender)) PageControl1->SetActivePageIndex(button->Tag);
}

void TForm1::ChangeParameters(TObject*) { btApply->SetEnabled(true); }

void TForm1::btSearch1Click(TObject* Sender) {
  auto* chosen = dynamic_cast<TSmoothButton*>(Sender);
  if (!chosen) return;
  for (int p = 0; p < 8; ++p) ShowChosen(*Marker(p), false);
  ShowChosen(*chosen, true);
  UpdateMarkerTabStop();
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
  SavePages();
  if (Setup->SaveSettings()) {
    // Another program had changed the file: the pages show what it holds now.
    ClearPageMarks();
    LoadPages();
    RenewBase();
  }
  btApply->SetEnabled(false);
  // The switcher takes the saved combination when it hears of the new file.
  FLoadedHotKey = PickedHotKey();
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
  FLoadedHotKey = code;
  std::uint16_t key = 0;
  TShiftState shift = 0;
  bool win = false;
  SplitHotKey(code, key, shift, win);
  const std::string name = HotKeyToText(key);
  // The list is filled once, and again only if the key's name is not in it: some names come from
  // the keyboard layout, which the user may have changed since.
  int index = name.empty() || cbKeys->Items().Count() == 0 ? -1 : cbKeys->Items().FindExact(name);
  if (cbKeys->Items().Count() == 0 || (!name.empty() && index < 0)) {
    FillKeyList(cbKeys->Items());
    index = name.empty() ? -1 : cbKeys->Items().FindExact(name);
  }
  cbKeys->SetItemIndex(index);
  // A modifier outside the set leaves its box as it is.
  if (shift & ssShift) cbShift->SetChecked(true);
  if (shift & ssAlt) cbAlt->SetChecked(true);
  if (shift & ssCtrl) cbControl->SetChecked(true);
  cbWin->SetChecked(win);
  lbHotKeyConflict->SetVisible(false);
}

TShiftState TForm1::PickedModifiers() const {
  TShiftState shift = 0;
  if (cbShift->Checked()) shift |= ssShift;
  if (cbAlt->Checked()) shift |= ssAlt;
  if (cbControl->Checked()) shift |= ssCtrl;
  return shift;
}

std::string TForm1::PickedKeyName() const {
  const int index = cbKeys->ItemIndex();
  return index >= 0 ? cbKeys->Items().Get(index) : std::string();
}

std::uint16_t TForm1::PickedHotKey() const {
  return MakeHotKey(TextToHotKey(PickedKeyName()), PickedModifiers(), cbWin->Checked());
}

void TForm1::CheckHotKeyConflict() {
  if (FLoadingPages || !HandleAllocated()) return;
  const std::uint16_t code = PickedHotKey();
  std::uint16_t key = 0;
  TShiftState shift = 0;
  bool win = false;
  SplitHotKey(code, key, shift, win);
  bool held = false;
  // The combination loaded from the file is the running switcher's own: never reported.
  if (key != 0 && code != FLoadedHotKey) {
    UINT modifiers = 0;
    if (shift & ssAlt) modifiers |= MOD_ALT;
    if (shift & ssCtrl) modifiers |= MOD_CONTROL;
    if (shift & ssShift) modifiers |= MOD_SHIFT;
    if (win) modifiers |= MOD_WIN;
    // Tried and let go at once: the program never holds it.
    if (RegisterHotKey(Handle(), HotKeyProbeId, modifiers, key))
      UnregisterHotKey(Handle(), HotKeyProbeId);
    else
      held = GetLastError() == ERROR_HOTKEY_ALREADY_REGISTERED;
  }
  if (held) lbHotKeyConflict->SetCaption("Another program already uses " + HotKeyToText(code) + ".");
  lbHotKeyConflict->SetVisible(held);
}

void TForm1::SaveKeyboard() {
  WriteActivationKey(*Setup, PickedKeyName(), PickedModifiers(), cbWin->Checked());
}

void TForm1::LoadActiveCorners() {
  // The actions never change while the program runs: each list is filled once.
  for (int corner = 1; corner <= 8; ++corner)
    if (CornerList(corner)->Items().Count() == 0) FillCornerActions(CornerList(corner)->Items());
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
