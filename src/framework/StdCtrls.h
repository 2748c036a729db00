// The platform's standard controls, wrapped: label, check box, push button and drop-down list.
#pragma once

#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "Controls.h"
#include "ListItems.h"

namespace px2d {

// A text painted by its parent, see-through; it sizes itself to its text and, with WordWrap, keeps
// its width and grows in height with its lines. Alt and its accelerator move the focus to
// FocusControl, or to the next control after it that takes the focus.
class TLabel : public TGraphicControl {
 public:
  explicit TLabel(TComponent* AOwner = nullptr) : TGraphicControl(AOwner) {}

  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool Value);
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool Value);
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool Value);
  TWinControl* FocusControl = nullptr;

  bool DialogChar(char Key, TShiftState Shift) override;

 protected:
  void Paint() override;
  void AdjustSize(int& Width, int& Height) override;

 private:
  UINT TextFlags() const;
  bool FAutoSize = true;
  bool FWordWrap = false;
  bool FTransparent = true;
};

// A check box with its box on the left of its caption, two states. OnClick follows every change
// of the tick, made by the user or by the program, and never a write of the tick it already has.
class TCheckBox : public TWinControl {
 public:
  explicit TCheckBox(TComponent* AOwner = nullptr);
  const char* ClassName() const override { return "TCheckBox"; }

  bool Checked() const { return FChecked; }
  void SetChecked(bool Value);

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  bool Reflected(UINT Msg, WPARAM wParam, LPARAM lParam, LRESULT& Result) override;

 private:
  void DrawDark(const NMCUSTOMDRAW& Draw);
  bool FChecked = false;
};

// A push button. Enter presses the Default button of its form unless another push button has the
// focus; Escape presses the Cancel button, if the form has one.
class TButton : public TWinControl {
 public:
  explicit TButton(TComponent* AOwner = nullptr);
  const char* ClassName() const override { return "TButton"; }

  bool Default() const { return FDefault; }
  void SetDefault(bool Value);
  bool Cancel() const { return FCancel; }
  void SetCancel(bool Value) { FCancel = Value; }

  bool IsDefault() const override { return FDefault; }
  bool IsCancel() const override { return FCancel; }
  bool IsPushButton() const override { return true; }
  void FocusChanged(TWinControl* NewFocus) override;

 protected:
  void CreateParams(TCreateParams& Params) override;
  bool Reflected(UINT Msg, WPARAM wParam, LPARAM lParam, LRESULT& Result) override;

 private:
  void DrawDark(const NMCUSTOMDRAW& Draw);
  // Drawn as the button that Enter presses: the focused button, or the default one while no
  // other button has the focus.
  void SetActive(bool Value);
  bool FDefault = false;
  bool FCancel = false;
  bool FActive = false;
};

// A drop-down list that offers only its entries (no typing), unsorted. OnChange follows a change
// of the selection made by the user; selecting from the program raises nothing.
class TComboBox : public TWinControl {
 public:
  explicit TComboBox(TComponent* AOwner = nullptr);
  const char* ClassName() const override { return "TComboBox"; }

  // The entries: the list's own while its window exists, kept here until then.
  TStrings& Items() { return FItems; }
  int ItemIndex() const;
  void SetItemIndex(int Value);
  // The height of an entry in the open list, as designed at 96 pixels per inch.
  int ItemHeight() const { return FItemHeight; }
  void SetItemHeight(int Value) { FItemHeight = Value; }
  // How many entries the open list shows at most.
  int DropDownCount() const { return FDropDownCount; }
  void SetDropDownCount(int Value) { FDropDownCount = Value; }

  TNotifyEvent OnChange;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  bool Reflected(UINT Msg, WPARAM wParam, LPARAM lParam, LRESULT& Result) override;
  void UpdateBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
  void FontChanged() override;

 private:
  class TItems : public TStrings {
   public:
    explicit TItems(TComboBox& Box) : FBox(Box) {}
    void Clear() override;
    int Add(const std::string& S) override;
    int Count() const override;
    std::string Get(int Index) const override;
    int FindExact(const std::string& S) const override;

   private:
    friend class TComboBox;
    TComboBox& FBox;
    std::vector<std::string> FKept;
  };
  // The closed list is as high as designed: its selection field is sized to make it so.
  void FitFieldHeight();
  // What the list shows becomes what the page holds: OnChange when that differs.
  void Commit();
  TItems FItems{*this};
  // What the page holds: the entry chosen, as the closed list shows it.
  int FItemIndex = -1;
  // The list is open: what it shows is a preview until it closes.
  bool FDropped = false;
  int FItemHeight = 0;
  int FDropDownCount = 8;
};

}  // namespace px2d
