// The common controls, wrapped: the slider and the page control with its pages.
#pragma once

#include <memory>
#include <vector>

#include "Controls.h"

namespace px2d {

// A horizontal slider with tick marks below it at every Frequency units and no position tip. Its
// thumb is as long as the system makes it at 96 pixels per inch, scaled to the control's resolution.
// OnChange follows every change of the position, made by the user or by the program; a position
// set by the program is clamped into the range.
class TTrackBar : public TWinControl {
 public:
  explicit TTrackBar(TComponent* AOwner = nullptr);
  const char* ClassName() const override { return "TTrackBar"; }

  int Min() const { return FMin; }
  void SetMin(int Value);
  int Max() const { return FMax; }
  void SetMax(int Value);
  int Position() const { return FPosition; }
  void SetPosition(int Value);
  // The step of the arrow keys, and of Page Up, Page Down and a click beside the slider.
  int LineSize() const { return FLineSize; }
  void SetLineSize(int Value);
  int PageSize() const { return FPageSize; }
  void SetPageSize(int Value);
  // The spacing of the tick marks.
  int Frequency() const { return FFrequency; }
  void SetFrequency(int Value);

  TNotifyEvent OnChange;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void ResolutionChanged() override;
  bool Reflected(UINT Msg, WPARAM wParam, LPARAM lParam, LRESULT& Result) override;

 private:
  void DrawDarkTicks(HDC DC) const;
  void Changed();
  int FMin = 0, FMax = 10, FPosition = 0;
  int FLineSize = 1, FPageSize = 2, FFrequency = 1;
};

class TPageControl;

// A page of a page control: a container shown while it is the active page.
class TTabSheet : public TWinControl {
 public:
  explicit TTabSheet(TComponent* AOwner = nullptr);
  const char* ClassName() const override { return "TTabSheet"; }

  TPageControl* PageControl() const;
  int PageIndex() const;
  // Whether the page has a tab in the page control's strip.
  bool TabVisible() const { return FTabVisible; }
  void SetTabVisible(bool Value);

  int DesignClientWidth() const override;
  int DesignClientHeight() const override;
  int ScaledDesignClientWidth() const override;
  int ScaledDesignClientHeight() const override;

  // A property page, which holds the focus only through its controls. Its name is AccessibleName
  // where given (the caption is the page's internal name, shown only on its tab).
  void GetAccessibleFacts(TAccessibleFacts& Facts) const override;

 protected:
  friend class TPageControl;
  void CreateParams(TCreateParams& Params) override;
  void TextChanged() override;
  // The controls of a page get their windows when it is first shown: a window opens without making
  // the windows of the pages it does not show.
  bool ChildWindowsNeeded() const override { return Visible(); }
  void VisibleChanged() override;

 private:
  bool FTabVisible = true;
};

// Pages on top of one another, one shown at a time, chosen by tabs drawn as flat buttons. With
// every tab hidden there is no tab strip and no frame: only the active page shows.
class TPageControl : public TWinControl {
 public:
  explicit TPageControl(TComponent* AOwner = nullptr);
  const char* ClassName() const override { return "TPageControl"; }

  // Adds a page at the end; the page control owns it.
  TTabSheet* AddPage(std::unique_ptr<TTabSheet> Page);
  int PageCount() const { return static_cast<int>(FPages.size()); }
  TTabSheet* Pages(int Index) const { return FPages.at(static_cast<std::size_t>(Index)); }
  int ActivePageIndex() const { return FActivePageIndex; }
  void SetActivePageIndex(int Value);
  TTabSheet* ActivePage() const { return FActivePageIndex >= 0 ? Pages(FActivePageIndex) : nullptr; }

  // The area the pages take, in client pixels.
  RECT DisplayRect() const;
  // The area the pages would take in a client area of the given size, in pixels.
  RECT DisplayRectIn(int Width, int Height) const;
  void AlignControls() override;

  // The user chose another page with its tab.
  TNotifyEvent OnChange;

 protected:
  friend class TTabSheet;
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  bool EraseBackground(HDC DC) override;
  LRESULT WndProc(UINT Msg, WPARAM wParam, LPARAM lParam) override;
  bool Reflected(UINT Msg, WPARAM wParam, LPARAM lParam, LRESULT& Result) override;
  void UpdateTabs();
  // One page's tab shown or hidden; the other tabs stay as they are.
  void TabVisibilityChanged(TTabSheet& Page);

 private:
  bool AnyTabVisible() const;
  // The tabs shown for the pages before Page: the place its own tab has or would have.
  int TabsBefore(const TTabSheet& Page) const;
  void InsertTab(int Tab, const TTabSheet& Page);
  // After tabs were inserted or removed: the active page's tab chosen, the strip painted again.
  void TabsChanged();
  std::vector<TTabSheet*> FPages;
  int FActivePageIndex = -1;
};

}  // namespace px2d
