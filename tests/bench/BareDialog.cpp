// The bare dialog: the options window as a careful Win32 programmer would write it in one file, with
// nothing of ours, so that the benchmark can tell our own cost from the system's. It does the same
// visible work and no more; it need not behave like the window beyond what the benchmark measures.
// Its steps:
//  1. Start GDI+ and register two small window classes, the glass button and the marker: each only
//     copies a face drawn beforehand with GDI+ into a bitmap (a face is drawn the first time it is
//     needed, then kept).
//  2. Find the settings file once and read its name=value lines.
//  3. Make the main dialog from a template built in memory: the window's size and font (Segoe UI,
//     9 pt), and the same system controls with the same classes, styles and identifiers: the page
//     area (a tab control without tabs), Read again (hidden), Accept, Cancel and Apply (disabled);
//     beside them the six glass buttons. The button bar and its bevel are painted by the dialog.
//     The window takes the program's icon at the system's two sizes.
//  4. Make the first page, a child dialog of the page area from its own template, set its controls
//     from the settings, and show the window.
//  5. After the first paint, make the five other pages, hidden, with their controls set: one page
//     whenever the message queue is empty, as the window makes its pages at idle moments.
//  6. A glass button click shows its page and hides the page shown before.
//  7. A page's labels are text that the page paints; its pictures are the program's own bitmaps,
//     copied on each paint.
//  8. Apply: read the file again, write the 21 lines to a new file, flush it, replace the old file
//     with it, disable Apply, and post "WM_PX2D_SETUP" to every top-level window.
#include <windows.h>

#include <commctrl.h>
#include <objidl.h>

#include <gdiplus.h>
#include <shlobj.h>

#include <algorithm>
#include <map>
#include <string>
#include <tuple>
#include <vector>

namespace {

HINSTANCE Instance = nullptr;
UINT SetupMessage = 0;
HWND Main = nullptr, PageArea = nullptr;
HWND Pages[6] = {};
int Shown = 0;
// The main window has painted once; the pages made so far (the first is made with the window).
bool Painted = false;
int MadePages = 1;
std::string SettingsPath;
std::map<std::string, int> Settings;

enum TStyle { sWindow, sTitle, sDescription, sBold, sDescriptionBold, sBrace, sCount };
HFONT Fonts[sCount] = {};
HBRUSH White = nullptr;

HFONT MakeFont(const char* Face, int Height, int Weight) {
  return CreateFontA(Height, 0, 0, 0, Weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, Face);
}

// --- Dialog templates, built in memory ---

// Pixels to dialog units with the base units that the dialog manager will find for the font.
SIZE BaseUnits() {
  static SIZE units = [] {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, Fonts[sWindow]);
    TEXTMETRICA metrics;
    GetTextMetricsA(dc, &metrics);
    SIZE size;
    GetTextExtentPoint32A(dc, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", 52, &size);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return SIZE{(size.cx / 26 + 1) / 2, metrics.tmHeight};
  }();
  return units;
}

class TTemplate {
 public:
  TTemplate(DWORD Style, DWORD ExStyle, int Width, int Height, const char* Title) {
    Align();
    FCountAt = FWords.size() + 4;
    PutLong(Style | DS_SETFONT);
    PutLong(ExStyle);
    FWords.push_back(0);  // items, counted as they are added
    PutRect(0, 0, Width, Height);
    FWords.push_back(0);  // no menu
    FWords.push_back(0);  // the dialog class
    PutText(Title);
    FWords.push_back(9);
    PutText("Segoe UI");
  }
  void Add(const char* Class, int Id, DWORD Style, int X, int Y, int Width, int Height,
           const char* Text = "") {
    Align();
    PutLong(Style | WS_CHILD);
    PutLong(0);
    PutRect(X, Y, Width, Height);
    FWords.push_back(static_cast<WORD>(Id));
    PutText(Class);
    PutText(Text);
    FWords.push_back(0);  // no creation data
    ++FWords[FCountAt];
    FPlaces.push_back({Id, {X, Y, Width, Height}});
  }
  const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(FWords.data()); }
  // Puts each control exactly where it belongs, in pixels: dialog units are off by a pixel or two.
  void PlaceAll(HWND Dialog) const {
    for (const auto& [id, r] : FPlaces)
      SetWindowPos(GetDlgItem(Dialog, id), nullptr, r.left, r.top, r.right, r.bottom,
                   SWP_NOZORDER | SWP_NOACTIVATE);
  }

 private:
  void Align() {
    if (FWords.size() % 2) FWords.push_back(0);
  }
  void PutLong(DWORD Value) {
    FWords.push_back(LOWORD(Value));
    FWords.push_back(HIWORD(Value));
  }
  void PutRect(int X, int Y, int Width, int Height) {
    const SIZE units = BaseUnits();
    FWords.push_back(static_cast<WORD>(MulDiv(X, 4, units.cx)));
    FWords.push_back(static_cast<WORD>(MulDiv(Y, 8, units.cy)));
    FWords.push_back(static_cast<WORD>(MulDiv(Width, 4, units.cx)));
    FWords.push_back(static_cast<WORD>(MulDiv(Height, 8, units.cy)));
  }
  void PutText(const char* Text) {
    wchar_t wide[256];
    const int n = MultiByteToWideChar(CP_ACP, 0, Text, -1, wide, 256);
    FWords.insert(FWords.end(), wide, wide + (n > 0 ? n : 1));
    if (n <= 0) FWords.back() = 0;
  }
  std::vector<WORD> FWords;
  std::size_t FCountAt = 0;
  std::vector<std::pair<int, RECT>> FPlaces;  // left, top, width, height
};

// --- Faces drawn once with GDI+ ---

// Decoded on first use; deleted before GDI+ shuts down.
Gdiplus::Bitmap* Icon = nullptr;

Gdiplus::Bitmap* PageIcon() {
  if (!Icon)
    Icon = [] {
      HRSRC found = FindResourceA(Instance, "PAGEICON", reinterpret_cast<LPCSTR>(RT_RCDATA));
      const DWORD size = SizeofResource(Instance, found);
      HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
      CopyMemory(GlobalLock(memory), LockResource(LoadResource(Instance, found)), size);
      GlobalUnlock(memory);
      IStream* stream = nullptr;
      CreateStreamOnHGlobal(memory, TRUE, &stream);
      auto* bitmap = new Gdiplus::Bitmap(stream);
      stream->Release();
      return bitmap;
    }();
  return Icon;
}

void RoundRect(Gdiplus::GraphicsPath& Path, float X, float Y, float W, float H, float R) {
  Path.AddArc(X, Y, 2 * R, 2 * R, 180, 90);
  Path.AddArc(X + W - 2 * R, Y, 2 * R, 2 * R, 270, 90);
  Path.AddArc(X + W - 2 * R, Y + H - 2 * R, 2 * R, 2 * R, 0, 90);
  Path.AddArc(X, Y + H - 2 * R, 2 * R, 2 * R, 90, 90);
  Path.CloseFigure();
}

// A bitmap of the given size, drawn on by Draw with GDI+ over the page's white.
template <class TDraw>
HBITMAP DrawFace(int Width, int Height, TDraw Draw) {
  Gdiplus::Bitmap canvas(Width, Height, PixelFormat32bppARGB);
  {
    Gdiplus::Graphics g(&canvas);
    g.Clear(Gdiplus::Color(255, 255, 255, 255));
    g.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    g.SetTextRenderingHint(Gdiplus::TextRenderingHintClearTypeGridFit);
    Draw(g);
  }
  HBITMAP bitmap = nullptr;
  canvas.GetHBITMAP(Gdiplus::Color(255, 255, 255, 255), &bitmap);
  return bitmap;
}

enum TFace { fUp, fHot, fDown, fFaces };

HBITMAP GlassFace(HWND Button, TFace Face) {
  char caption[64];
  GetWindowTextA(Button, caption, sizeof caption);
  return DrawFace(81, 82, [&](Gdiplus::Graphics& g) {
    Gdiplus::GraphicsPath outer, inner;
    RoundRect(outer, 0.5f, 0.5f, 80, 81, 12);
    RoundRect(inner, 1.5f, 1.5f, 78, 79, 11);
    const Gdiplus::Color back =
        Face == fDown ? Gdiplus::Color(255, 160, 182, 214) : Gdiplus::Color(255, 213, 220, 231);
    Gdiplus::SolidBrush fill(back);
    g.FillPath(&fill, &outer);
    if (Face != fUp) {
      Gdiplus::PathGradientBrush glow(&inner);
      glow.SetCenterPoint(Gdiplus::PointF(40, 82));
      glow.SetCenterColor(Gdiplus::Color(173, 141, 190, 255));
      Gdiplus::Color surround(0, 141, 190, 255);
      int count = 1;
      glow.SetSurroundColors(&surround, &count);
      g.FillPath(&glow, &inner);
    }
    Gdiplus::LinearGradientBrush shine(Gdiplus::RectF(1, 1, 79, 40), Gdiplus::Color(153, 255, 255, 255),
                                       Gdiplus::Color(51, 255, 255, 255),
                                       Gdiplus::LinearGradientModeVertical);
    Gdiplus::GraphicsPath top;
    RoundRect(top, 1.5f, 1.5f, 78, 40, 11);
    g.FillPath(&shine, &top);
    Gdiplus::Pen outerPen(Gdiplus::Color(255, 240, 240, 240)), innerPen(Gdiplus::Color(255, 144, 144, 144));
    g.DrawPath(&outerPen, &outer);
    g.DrawPath(&innerPen, &inner);
    g.DrawImage(PageIcon(), 20.0f, 3.0f, 40.0f, 40.0f);
    Gdiplus::Font font(L"Segoe UI", 11, Gdiplus::FontStyleRegular, Gdiplus::UnitPixel);
    wchar_t text[64];
    int length = MultiByteToWideChar(CP_ACP, 0, caption, -1, text, 64) - 1;
    // A line break is LF alone for GDI+.
    length = static_cast<int>(std::remove(text, text + std::max(length, 0), L'\r') - text);
    Gdiplus::StringFormat format;
    format.SetAlignment(Gdiplus::StringAlignmentCenter);
    Gdiplus::SolidBrush ink(Gdiplus::Color(255, 0, 0, 0));
    g.DrawString(text, length, &font, Gdiplus::RectF(2, 48, 77, 32), &format, &ink);
  });
}

HBITMAP MarkerFace(TFace Face) {
  return DrawFace(16, 16, [&](Gdiplus::Graphics& g) {
    Gdiplus::GraphicsPath path;
    RoundRect(path, 0.5f, 0.5f, 15, 15, 4);
    const Gdiplus::Color color = Face == fDown  ? Gdiplus::Color(255, 40, 120, 200)
                                 : Face == fHot ? Gdiplus::Color(255, 140, 140, 140)
                                                : Gdiplus::Color(255, 109, 110, 110);
    Gdiplus::LinearGradientBrush fill(Gdiplus::RectF(0, 0, 16, 16), Gdiplus::Color(255, 255, 255, 255), color,
                                      Gdiplus::LinearGradientModeVertical);
    g.FillPath(&fill, &path);
    Gdiplus::Pen pen(color);
    g.DrawPath(&pen, &path);
  });
}

// --- The glass button and the marker: a face copied; hot under the pointer; a click notifies ---

struct TFaced {
  HBITMAP faces[fFaces] = {};
  bool hot = false, down = false;
};
TFaced Glass[6], Markers[8];

TFaced& StateOf(HWND Window) {
  const int id = GetDlgCtrlID(Window);
  return id >= 610 ? Markers[id - 610] : Glass[id - 100];
}

LRESULT CALLBACK FacedProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_PAINT: {
      TFaced& state = StateOf(hwnd);
      const TFace face = state.down ? fDown : state.hot ? fHot : fUp;
      const bool marker = GetDlgCtrlID(hwnd) >= 610;
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      if (!state.faces[face]) state.faces[face] = marker ? MarkerFace(face) : GlassFace(hwnd, face);
      HDC source = CreateCompatibleDC(dc);
      HGDIOBJ old = SelectObject(source, state.faces[face]);
      BitBlt(dc, ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right - ps.rcPaint.left,
             ps.rcPaint.bottom - ps.rcPaint.top, source, ps.rcPaint.left, ps.rcPaint.top, SRCCOPY);
      SelectObject(source, old);
      DeleteDC(source);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_MOUSEMOVE: {
      TFaced& state = StateOf(hwnd);
      if (!state.hot) {
        state.hot = true;
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, hwnd, 0};
        TrackMouseEvent(&track);
        InvalidateRect(hwnd, nullptr, FALSE);
      }
      return 0;
    }
    case WM_MOUSELEAVE:
      StateOf(hwnd).hot = false;
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_LBUTTONUP:
      SendMessageA(GetParent(hwnd), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(hwnd), BN_CLICKED),
                   reinterpret_cast<LPARAM>(hwnd));
      return 0;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

// A group of faced controls with one down: the one clicked.
void PressOnly(TFaced* Group, int Count, HWND Parent, int FirstId, int Index) {
  for (int i = 0; i < Count; ++i) {
    if (Group[i].down == (i == Index)) continue;
    Group[i].down = i == Index;
    InvalidateRect(GetDlgItem(Parent, FirstId + i), nullptr, FALSE);
  }
}

// --- Settings ---

std::string ReadAll(const std::string& Path) {
  std::string text;
  HANDLE file =
      CreateFileA(Path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return text;
  const DWORD size = GetFileSize(file, nullptr);
  if (size != INVALID_FILE_SIZE && size < (1 << 20)) {
    text.resize(size);
    DWORD read = 0;
    ReadFile(file, text.data(), size, &read, nullptr);
    text.resize(read);
  }
  CloseHandle(file);
  return text;
}

void ParseSettings(const std::string& Text) {
  std::size_t at = 0;
  while (at < Text.size()) {
    std::size_t end = Text.find('\n', at);
    if (end == std::string::npos) end = Text.size();
    std::string line = Text.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::size_t equals = line.find('=');
    if (equals != std::string::npos) Settings[line.substr(0, equals)] = atoi(line.c_str() + equals + 1);
    at = end + 1;
  }
}

int Setting(const char* Name, int Default) {
  const auto found = Settings.find(Name);
  return found == Settings.end() ? Default : found->second;
}

// --- The pages ---

struct TLabel {
  int x, y, w, h;
  TStyle style;
  const char* text;
};
// The texts of each page; a width of 0 is a single line at its place.
const std::vector<TLabel> Labels[6] = {
    {{3, 3, 560, 30, sTitle, "General options"},
     {19, 70, 544, 15, sDescription, "Check this option to automatically load Panoplex when Windows starts."},
     {19, 122, 544, 30, sDescription,
      "If cheked, Panoplex 2D will show a hint on the system tray remembering you of the possible activation "
      "methods."},
     {19, 189, 544, 15, sDescription, "When checked, minimized windows will show on Panoplex."}},
    {{3, 3, 560, 30, sTitle, "Background"},
     {3, 39, 560, 15, sDescription, "Choose what Panoplex shows behind the windows it lays out for you."},
     {19, 91, 544, 15, sDescription,
      "If checked, the background of the main Panoplex window will be your current desktop."},
     {19, 143, 544, 15, sDescription,
      "Shows the entire desktop as another window, allowing you to select and switch to it."},
     {19, 172, 544, 15, sDescriptionBold, "Desktop opacity"},
     {16, 231, 0, 0, sWindow, "0 %"},
     {276, 231, 0, 0, sWindow, "50 %"},
     {535, 231, 0, 0, sWindow, "100%"}},
    {{3, 3, 560, 30, sTitle, "Keyboard activation"},
     {3, 39, 560, 30, sDescription,
      "Panoplex can be launched by using a system wide keyboard shortcut. When you press the selected keys, "
      "Panoplex will launch no matter which application is currently running."},
     {128, 118, 21, 88, sBrace, "}"},
     {161, 164, 0, 0, sWindow, "+"}},
    {{3, 3, 560, 30, sTitle, "Active Corners"},
     {3, 39, 560, 30, sDescription,
      "Move the mouse to your desired position of the screen and Panoplex will launch. Adjust the area size "
      "and launch delay properties to suit your needs and prevent accidental activations."},
     {3, 304, 0, 0, sBold, "Area size"},
     {301, 304, 0, 0, sBold, "Activation delay"},
     {3, 362, 0, 0, sWindow, "1 px"},
     {238, 362, 0, 0, sWindow, "16 px"},
     {301, 362, 0, 0, sWindow, "0 ms"},
     {520, 362, 0, 0, sWindow, "1000 ms"}},
    {{3, 3, 560, 30, sTitle, "Search capabilities"},
     {3, 39, 560, 30, sDescription,
      "When using Panoplex, you can search for your windows by typing parts of the title or process name. "
      "Configure the search capabilities to suit your needs and personal preferences."},
     {19, 106, 544, 30, sDescription,
      "When checked, a small search box will appear at the desired position, allowing you to search for "
      "windows by their title or process name."},
     {3, 150, 560, 15, sBold, "Search box position"},
     {19, 171, 544, 30, sDescription,
      "Select where to show the search box. The search box appears as a small rectangle that automatically "
      "expands when you start typing and contracts when there's nothing in it."}},
    {{3, 3, 560, 30, sTitle, "Animation speeds"},
     {3, 39, 560, 30, sDescription,
      "Set how long Panoplex takes to appear and to go away, and how quickly its search box opens and "
      "closes. Shorter durations make the switcher feel snappier."},
     {3, 88, 0, 0, sBold, "Activation and deactivation duration"},
     {3, 146, 0, 0, sWindow, "0 ms"},
     {520, 146, 0, 0, sWindow, "1000 ms"},
     {3, 176, 0, 0, sBold, "Search transition duration"},
     {3, 237, 0, 0, sWindow, "0 ms"},
     {520, 234, 0, 0, sWindow, "1000 ms"}},
};

COLORREF ColorOf(TStyle Style) {
  switch (Style) {
    case sTitle:
      return RGB(0x22, 0x77, 0xAA);
    case sDescription:
    case sDescriptionBold:
      return RGB(0x20, 0x20, 0x20);
    case sBrace:
      return RGB(0x80, 0x80, 0x80);
    default:
      return GetSysColor(COLOR_WINDOWTEXT);
  }
}

struct TPicture {
  int page, x, y;
  const char* name;
};
const TPicture Pictures[] = {{3, 219, 134, "CORNERSCREEN"}, {4, 200, 251, "PLAINSCREEN"}};
HBITMAP PictureBitmaps[2] = {};

void PaintPage(HWND Page, int Index) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(Page, &ps);
  FillRect(dc, &ps.rcPaint, White);
  SetBkMode(dc, TRANSPARENT);
  for (const TLabel& label : Labels[Index]) {
    RECT r{label.x, label.y, label.x + (label.w ? label.w : 600), label.y + (label.h ? label.h : 40)};
    RECT overlap;
    if (!IntersectRect(&overlap, &r, &ps.rcPaint)) continue;
    SelectObject(dc, Fonts[label.style]);
    SetTextColor(dc, ColorOf(label.style));
    DrawTextA(dc, label.text, -1, &r,
              label.w && label.style != sBrace ? DT_WORDBREAK | DT_NOPREFIX : DT_NOPREFIX);
  }
  for (int i = 0; i < 2; ++i) {
    if (Pictures[i].page != Index) continue;
    HDC source = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(source, PictureBitmaps[i]);
    BitBlt(dc, Pictures[i].x, Pictures[i].y, 120, 90, source, 0, 0, SRCCOPY);
    SelectObject(source, old);
    DeleteDC(source);
  }
  EndPaint(Page, &ps);
}

void EnableApply() { EnableWindow(GetDlgItem(Main, 10), TRUE); }

INT_PTR CALLBACK PageProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_INITDIALOG:
      SetWindowLongPtrA(hwnd, GWLP_USERDATA, lParam);
      return FALSE;
    case WM_PAINT:
      PaintPage(hwnd, static_cast<int>(GetWindowLongPtrA(hwnd, GWLP_USERDATA)));
      return TRUE;
    case WM_ERASEBKGND:
      return TRUE;
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORDLG:
      return reinterpret_cast<INT_PTR>(White);
    case WM_HSCROLL:
      EnableApply();
      return TRUE;
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      if (id >= 610 && id <= 617) {
        PressOnly(Markers, 8, hwnd, 610, id - 610);
        EnableApply();
      } else if (HIWORD(wParam) == BN_CLICKED || HIWORD(wParam) == CBN_SELCHANGE) {
        EnableApply();
      }
      return TRUE;
    }
  }
  return FALSE;
}

void AddCheck(TTemplate& T, int Id, int X, int Y, int W, const char* Text) {
  T.Add("Button", Id, WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, X, Y, W, 17, Text);
}
void AddTrack(TTemplate& T, int Id, int X, int Y, int W, int H) {
  T.Add(TRACKBAR_CLASSA, Id, WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS | TBS_AUTOTICKS, X, Y, W, H);
}
void AddList(TTemplate& T, int Id, int X, int Y) {
  T.Add("ComboBox", Id, WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS | CBS_DROPDOWNLIST | WS_VSCROLL, X, Y, 145,
        150);
}

void SetTrack(HWND Page, int Id, int Min, int Max, int Line, int PageSize, int Frequency, int Position) {
  HWND bar = GetDlgItem(Page, Id);
  SendMessageA(bar, TBM_SETRANGEMIN, FALSE, Min);
  SendMessageA(bar, TBM_SETRANGEMAX, FALSE, Max);
  SendMessageA(bar, TBM_SETLINESIZE, 0, Line);
  SendMessageA(bar, TBM_SETPAGESIZE, 0, PageSize);
  SendMessageA(bar, TBM_SETTICFREQ, static_cast<WPARAM>(Frequency), 0);
  SendMessageA(bar, TBM_SETPOS, TRUE, Position);
}

void Bold(HWND Page, int Id) {
  SendMessageA(GetDlgItem(Page, Id), WM_SETFONT, reinterpret_cast<WPARAM>(Fonts[sBold]), FALSE);
}

HWND MakePage(int Index) {
  TTemplate t(WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | DS_CONTROL, WS_EX_CONTROLPARENT, 566, 405, "");
  switch (Index) {
    case 0:
      AddCheck(t, 200, 3, 47, 560, "Run when Windows starts.");
      AddCheck(t, 202, 3, 166, 560, "Include minimized windows.");
      AddCheck(t, 201, 3, 99, 560, "Show the system tray balloon when Panoplex starts.");
      break;
    case 1:
      AddCheck(t, 300, 3, 68, 560, "Show desktop in the background.");
      AddCheck(t, 301, 3, 120, 560, "Include the desktop as a window.");
      AddTrack(t, 302, 14, 193, 549, 32);
      break;
    case 2:
      AddCheck(t, 400, 38, 128, 73, "Shift");
      AddCheck(t, 401, 38, 151, 73, "Control");
      AddCheck(t, 402, 38, 174, 73, "Alt");
      AddCheck(t, 403, 38, 197, 73, "Win");
      AddList(t, 404, 175, 161);
      break;
    case 3: {
      const POINT corners[8] = {{65, 43},   {203, 3},   {342, 43}, {375, 87},
                                {342, 131}, {203, 165}, {65, 131}, {33, 87}};
      for (int i = 0; i < 8; ++i) AddList(t, 501 + i, 3 + corners[i].x, 83 + corners[i].y);
      AddTrack(t, 510, 0, 325, 265, 31);
      AddTrack(t, 511, 298, 325, 265, 34);
      break;
    }
    case 4: {
      AddCheck(t, 600, 3, 83, 560, "Enable search capabilities.");
      const POINT marks[8] = {{178, 229}, {249, 229}, {326, 229}, {326, 291},
                              {326, 347}, {249, 347}, {178, 347}, {178, 291}};
      for (int i = 0; i < 8; ++i)
        t.Add("BareMarker", 610 + i, WS_VISIBLE | WS_CLIPSIBLINGS, marks[i].x, marks[i].y, 16, 16);
      break;
    }
    case 5:
      AddTrack(t, 700, 0, 109, 563, 34);
      AddTrack(t, 701, 0, 197, 563, 34);
      break;
  }
  HWND page = CreateDialogIndirectParamA(Instance, t.Get(), PageArea, PageProc, Index);
  SetWindowPos(page, nullptr, 4, 4, 566, 405, SWP_NOZORDER | SWP_NOACTIVATE);
  t.PlaceAll(page);
  // The controls take the settings.
  switch (Index) {
    case 0:
      for (int id : {200, 201, 202}) Bold(page, id);
      CheckDlgButton(page, 200, Setting("run with windows", 0) ? BST_CHECKED : BST_UNCHECKED);
      CheckDlgButton(page, 201, Setting("show balloon", 1) ? BST_CHECKED : BST_UNCHECKED);
      CheckDlgButton(page, 202, Setting("include minimized", 1) ? BST_CHECKED : BST_UNCHECKED);
      break;
    case 1:
      for (int id : {300, 301}) Bold(page, id);
      CheckDlgButton(page, 300, Setting("show desktop", 1) ? BST_CHECKED : BST_UNCHECKED);
      CheckDlgButton(page, 301, Setting("show desktop window", 0) ? BST_CHECKED : BST_UNCHECKED);
      SetTrack(page, 302, 0, 100, 1, 2, 1, Setting("desktop opacity", 75));
      break;
    case 2: {
      HWND keys = GetDlgItem(page, 404);
      for (UINT key = 0; key <= 255; ++key) {
        char name[64];
        const LONG scan = static_cast<LONG>(MapVirtualKeyA(key, MAPVK_VK_TO_VSC)) << 16;
        if (scan && GetKeyNameTextA(scan, name, sizeof name) > 0 &&
            SendMessageA(keys, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(name)) ==
                CB_ERR)
          SendMessageA(keys, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
      }
      SendMessageA(keys, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("F11"));
      break;
    }
    case 3:
      for (int i = 0; i < 8; ++i) {
        HWND list = GetDlgItem(page, 501 + i);
        for (const char* action : {"- none -", "Show all windows", "Show current application windows"})
          SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(action));
        const std::string name = "active corner " + std::to_string(i + 1);
        SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(Setting(name.c_str(), 0)), 0);
      }
      SetTrack(page, 510, 1, 16, 1, 2, 1, Setting("area size", 1));
      SetTrack(page, 511, 0, 1000, 50, 50, 100, Setting("activation delay", 100));
      PictureBitmaps[0] = LoadBitmapA(Instance, Pictures[0].name);
      break;
    case 4:
      Bold(page, 600);
      CheckDlgButton(page, 600, Setting("enable search", 1) ? BST_CHECKED : BST_UNCHECKED);
      Markers[Setting("search position", 0) & 7].down = true;
      PictureBitmaps[1] = LoadBitmapA(Instance, Pictures[1].name);
      break;
    case 5:
      SetTrack(page, 700, 0, 1000, 50, 50, 100, Setting("effect duration", 400));
      SetTrack(page, 701, 0, 1000, 50, 50, 100, Setting("search duration", 300));
      break;
  }
  return page;
}

// --- Apply ---

std::string Line(const char* Name, int Value) {
  return std::string(Name) + "=" + std::to_string(Value) + "\r\n";
}

bool Checked(int Page, int Id) { return IsDlgButtonChecked(Pages[Page], Id) == BST_CHECKED; }
int Track(int Page, int Id) {
  return static_cast<int>(SendDlgItemMessageA(Pages[Page], Id, TBM_GETPOS, 0, 0));
}

void Apply() {
  // Another program may have changed the file since it was read: read it again first.
  Settings.clear();
  ParseSettings(ReadAll(SettingsPath));
  int position = 0;
  for (int i = 0; i < 8; ++i)
    if (Markers[i].down) position = i;
  std::string text = Line("search position", position) + Line("include minimized", Checked(0, 202)) +
                     Line("run with windows", Checked(0, 200)) + Line("show balloon", Checked(0, 201)) +
                     Line("show desktop", Checked(1, 300)) + Line("show desktop window", Checked(1, 301)) +
                     Line("desktop opacity", Track(1, 302)) + "activation key=F11\r\n";
  for (int i = 0; i < 8; ++i)
    text += Line(("active corner " + std::to_string(i + 1)).c_str(),
                 static_cast<int>(SendDlgItemMessageA(Pages[3], 501 + i, CB_GETCURSEL, 0, 0)));
  text += Line("area size", Track(3, 510)) + Line("activation delay", Track(3, 511)) +
          Line("enable search", Checked(4, 600)) + Line("effect duration", Track(5, 700)) +
          Line("search duration", Track(5, 701));
  const std::string temporary = SettingsPath + ".bare.tmp";
  HANDLE file = CreateFileA(temporary.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_DELETE, nullptr,
                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  const bool ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
                  written == text.size() && FlushFileBuffers(file);
  CloseHandle(file);
  if (!ok || !MoveFileExA(temporary.c_str(), SettingsPath.c_str(),
                          MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    DeleteFileA(temporary.c_str());
    return;
  }
  EnableWindow(GetDlgItem(Main, 10), FALSE);
  PostMessageA(HWND_BROADCAST, SetupMessage, 0, 0);
}

// --- The main dialog ---

// The page area shows the pages only: no tab strip, no frame; its background is the window's.
LRESULT CALLBACK PageAreaProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
  if (msg == WM_PAINT) {
    PAINTSTRUCT ps;
    BeginPaint(hwnd, &ps);
    EndPaint(hwnd, &ps);
    return 0;
  }
  if (msg == WM_ERASEBKGND) {
    RECT r;
    GetClientRect(hwnd, &r);
    FillRect(reinterpret_cast<HDC>(wParam), &r, White);
    return 1;
  }
  return DefSubclassProc(hwnd, msg, wParam, lParam);
}

INT_PTR CALLBACK MainProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_INITDIALOG: {
      Main = hwnd;
      RECT client{0, 0, 590, 556};
      AdjustWindowRectEx(&client, static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE)), FALSE,
                         static_cast<DWORD>(GetWindowLongA(hwnd, GWL_EXSTYLE)));
      SetWindowPos(hwnd, nullptr, 0, 0, client.right - client.left, client.bottom - client.top,
                   SWP_NOMOVE | SWP_NOZORDER);
      reinterpret_cast<const TTemplate*>(lParam)->PlaceAll(hwnd);
      // The program's icon in the title bar and on the task-bar button, at the system's sizes.
      for (const auto& [which, cx, cy] :
           {std::tuple{ICON_BIG, SM_CXICON, SM_CYICON}, std::tuple{ICON_SMALL, SM_CXSMICON, SM_CYSMICON}})
        SendMessageA(
            hwnd, WM_SETICON, which,
            reinterpret_cast<LPARAM>(LoadImageA(Instance, "MAINICON", IMAGE_ICON, GetSystemMetrics(cx),
                                                GetSystemMetrics(cy), LR_SHARED)));
      PageArea = GetDlgItem(hwnd, 21);
      SetWindowSubclass(PageArea, PageAreaProc, 0, 0);
      Glass[0].down = true;
      Pages[0] = MakePage(0);
      ShowWindow(Pages[0], SW_SHOW);
      return TRUE;
    }
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      RECT client;
      GetClientRect(hwnd, &client);
      RECT bar{0, 515, client.right, client.bottom};
      RECT top{0, 0, client.right, 515};
      FillRect(dc, &top, White);
      FillRect(dc, &bar, GetSysColorBrush(COLOR_BTNFACE));
      RECT bevel{0, 515 + 3, client.right, 515 + 5};
      DrawEdge(dc, &bevel, EDGE_ETCHED, BF_TOP);
      EndPaint(hwnd, &ps);
      Painted = true;
      return TRUE;
    }
    case WM_ERASEBKGND:
      return TRUE;
    case WM_CTLCOLORBTN:
      return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      if (id >= 100 && id <= 105) {
        const int next = id - 100;
        PressOnly(Glass, 6, hwnd, 100, next);
        if (next != Shown && Pages[next]) {
          ShowWindow(Pages[next], SW_SHOW);
          ShowWindow(Pages[Shown], SW_HIDE);
          Shown = next;
        }
      } else if (id == 10) {
        Apply();
      } else if (id == 12) {
        if (IsWindowEnabled(GetDlgItem(hwnd, 10))) Apply();
        DestroyWindow(hwnd);
      } else if (id == 11 || id == IDCANCEL) {
        DestroyWindow(hwnd);
      }
      return TRUE;
    }
    case WM_CLOSE:
      DestroyWindow(hwnd);
      return TRUE;
    case WM_DESTROY:
      PostQuitMessage(0);
      return TRUE;
  }
  return FALSE;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  Instance = instance;
  SetupMessage = RegisterWindowMessageA("WM_PX2D_SETUP");
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES | ICC_TAB_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  Gdiplus::GdiplusStartupInput input;
  ULONG_PTR token = 0;
  Gdiplus::GdiplusStartup(&token, &input, nullptr);
  White = GetSysColorBrush(COLOR_WINDOW);
  Fonts[sWindow] = MakeFont("Segoe UI", -12, FW_NORMAL);
  Fonts[sTitle] = MakeFont("Segoe UI", -21, FW_NORMAL);
  Fonts[sDescription] = Fonts[sWindow];
  Fonts[sBold] = MakeFont("Segoe UI", -12, FW_BOLD);
  Fonts[sDescriptionBold] = Fonts[sBold];
  Fonts[sBrace] = MakeFont("Arial Narrow", -75, FW_NORMAL);
  WNDCLASSA faced{};
  faced.lpfnWndProc = FacedProc;
  faced.hInstance = instance;
  faced.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  for (const char* name : {"BareGlassButton", "BareMarker"}) {
    faced.lpszClassName = name;
    RegisterClassA(&faced);
  }

  char folder[MAX_PATH] = {};
  SHGetFolderPathA(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, folder);
  const std::string settingsFolder = std::string(folder) + "\\Brightfallow\\Panoplex2D";
  CreateDirectoryA((std::string(folder) + "\\Brightfallow").c_str(), nullptr);
  CreateDirectoryA(settingsFolder.c_str(), nullptr);
  // A file of its own beside the program's: a file that another program changed would make the
  // program's Apply merge and reload its pages, which the benchmark does not mean to measure.
  SettingsPath = settingsFolder + "\\BareDialog.conf";
  ParseSettings(ReadAll(SettingsPath));

  TTemplate t(WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, WS_EX_APPWINDOW | WS_EX_CONTROLPARENT,
              590, 556, "Bare Dialog");
  t.Add("Button", 13, WS_TABSTOP, 199, 523, 91, 25, "Read again");
  t.Add("Button", 10, WS_VISIBLE | WS_TABSTOP | WS_DISABLED, 491, 523, 91, 25, "Apply");
  t.Add("Button", 11, WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 394, 523, 91, 25, "Cancel");
  t.Add("Button", 12, WS_VISIBLE | WS_TABSTOP, 297, 523, 91, 25, "Accept");
  t.Add(WC_TABCONTROLA, 21, WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | TCS_BUTTONS | TCS_FLATBUTTONS, 8,
        96, 574, 413);
  const char* captions[6] = {"General Options",   "Background",          "Keyboard Activation",
                             "Active\r\nCorners", "Search Capabilities", "Animation Speeds"};
  for (int i = 0; i < 6; ++i)
    t.Add("BareGlassButton", 100 + i, WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 8 + 87 * i, 8, 81, 82,
          captions[i]);
  HWND dialog =
      CreateDialogIndirectParamA(instance, t.Get(), nullptr, MainProc, reinterpret_cast<LPARAM>(&t));
  ShowWindow(dialog, SW_SHOWNORMAL);
  MSG msg;
  for (;;) {
    // After the first paint, whenever nothing is waiting, one page not shown is made.
    if (Painted && MadePages < 6 && !PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
      Pages[MadePages] = MakePage(MadePages);
      ++MadePages;
      continue;
    }
    if (GetMessageA(&msg, nullptr, 0, 0) <= 0) break;
    if (IsDialogMessageA(dialog, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  delete Icon;
  Gdiplus::GdiplusShutdown(token);
  return 0;
}
