// A small dialog of the tests' own: a button bar at the bottom and a page control of two pages
// above it, with standard controls inside, each recording the events it raises.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "InputSupport.h"
#include "framework/ComCtrls.h"
#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "framework/StdCtrls.h"

namespace px2d::test {

class TDialogTestForm : public TForm {
 public:
  const char* ClassName() const override { return "TDialogTestForm"; }

  std::vector<std::string> Events;
  TPanel* Bar = nullptr;
  TButton* Ok = nullptr;
  TButton* Other = nullptr;
  TPageControl* Pages = nullptr;
  TTabSheet* First = nullptr;
  TTabSheet* Second = nullptr;
  TLabel* Title = nullptr;
  TCheckBox* Check = nullptr;
  TLabel* ListLabel = nullptr;
  TComboBox* List = nullptr;
  TTrackBar* Slider = nullptr;
  TCheckBox* SecondCheck = nullptr;

  TDialogTestForm() {
    SetCaption("Dialog test");
    SetClientSize(300, 200);
    SetColor(clWhite);
    Font().SetName("Tahoma");
    Font().SetHeight(-11);

    Bar = Add<TPanel>(*this, 0, 160, 300, 40);
    Bar->SetAlign(alBottom);
    Bar->SetColor(clBtnFace);
    Other = Add<TButton>(*Bar, 120, 8, 80, 25, "Other", 11);
    Ok = Add<TButton>(*Bar, 210, 8, 80, 25, "OK", 10);
    Ok->SetDefault(true);
    for (TButton* b : {Other, Ok}) b->SetAnchors(akTop | akRight);

    Pages = Add<TPageControl>(*this, 8, 8, 284, 144);
    Pages->SetAnchors(akLeft | akTop | akRight | akBottom);
    First = Pages->AddPage(std::make_unique<TTabSheet>());
    First->SetCaption("First");
    Second = Pages->AddPage(std::make_unique<TTabSheet>());
    Second->SetCaption("Second");

    Title = Add<TLabel>(*First, 0, 0, 0, 20, "A title that is long enough to wrap on two lines of this page");
    Title->SetAlign(alTop);
    Title->SetWordWrap(true);
    Title->SetMargins(TMargins{3, 3, 3, 3});
    // Created in one order, visited by Tab in another: list, slider, check box.
    Check = Add<TCheckBox>(*First, 8, 40, 120, 17, "&Ticked", 200);
    ListLabel = Add<TLabel>(*First, 8, 66, 0, 0, "&Name");
    List = Add<TComboBox>(*First, 60, 62, 120, 23, "", 201);
    List->SetItemHeight(15);
    Slider = Add<TTrackBar>(*First, 0, 92, 270, 32, "", 202);
    Slider->SetMax(100);
    Slider->SetLineSize(5);
    Slider->SetPageSize(20);
    Slider->SetFrequency(10);
    Slider->SetAnchors(akLeft | akTop | akRight);
    List->SetTabOrder(0);
    Slider->SetTabOrder(1);
    Check->SetTabOrder(2);
    SecondCheck = Add<TCheckBox>(*Second, 8, 8, 120, 17, "Second", 300);
    // The button bar comes first, and in it OK before Other.
    Bar->SetTabOrder(0);
    Ok->SetTabOrder(0);

    for (TCheckBox* c : {Check, SecondCheck}) c->OnClick = Record(c->Caption() + " click");
    for (TButton* b : {Ok, Other}) b->OnClick = Record(b->Caption() + " click");
    List->OnChange = Record("list change");
    Slider->OnChange = Record("slider change");
    for (TTabSheet* s : {First, Second}) s->SetTabVisible(false);
  }

  // Makes the window, shows it in front at a known place and runs the loop until it has settled.
  void ShowInFront() {
    HandleNeeded();
    SetWindowPos(Handle(), HWND_TOP, 40, 40, 0, 0, SWP_NOSIZE);
    Show();
    Activate(Handle());
  }

  TNotifyEvent Record(const std::string& Text) {
    return [this, Text](TObject*) { Events.push_back(Text); };
  }
  // The events recorded since the last call.
  std::vector<std::string> TakeEvents() { return std::exchange(Events, {}); }

  template <class T>
  T* Add(TWinControl& Parent, int L, int T_, int W, int H, const std::string& Text = "", int Id = 0) {
    auto control = std::make_unique<T>();
    control->SetCaption(Text);
    if constexpr (std::is_base_of_v<TWinControl, T>) {
      if (Id) control->SetControlId(Id);
    }
    T* raw = Parent.InsertControl(std::move(control));
    raw->SetBounds(L, T_, W, H);
    return raw;
  }
};

using Strings = std::vector<std::string>;

// The wrapper that has the keyboard focus, or null.
inline TWinControl* FocusedControl() { return TWinControl::FindControl(GetFocus()); }

}  // namespace px2d::test
