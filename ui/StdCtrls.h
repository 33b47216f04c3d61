#pragma once

// The standard controls: label, edit, memo, button, check box, radio button, combo box and group
// box.
//
// Events fire as the platform fires them.  Edits and memos raise OnChange whenever their text
// changes, by code or by the user.  A combo box raises nothing when its ItemIndex or Text is set
// by code; a choice from its list raises OnClick, then OnSelect (OnChange when no OnSelect is
// assigned); typing into it raises OnChange.  Setting a check box's or radio button's Checked by
// code raises OnClick, as a click does.
//
// Data-aware descendants hook in through the virtual Change(), EditCanModify() and the quiet
// setters, which change a value without raising the user's events.

#include "runtime/Strings.h"
#include "ui/Controls.h"

#include <string>

enum class TAlignment { taLeftJustify, taRightJustify, taCenter };
using enum TAlignment;
enum class TTextLayout { tlTop, tlCenter, tlBottom };
using enum TTextLayout;
enum class TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };
using enum TEditCharCase;
enum class TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
enum class TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };
using enum TCheckBoxState;
enum class TComboBoxStyle {
  csDropDown,
  csSimple,
  csDropDownList,
  csOwnerDrawFixed,
  csOwnerDrawVariable
};
using enum TComboBoxStyle;

class TLabel : public TGraphicControl {
  DUO_CLASS(TLabel, TGraphicControl)

public:
  explicit TLabel(TComponent* AOwner);

  bool GetWordWrap() const { return FWordWrap; }
  void SetWordWrap(bool wordWrap);
  bool GetAutoSize() const { return FAutoSize; }
  void SetAutoSize(bool autoSize);
  TAlignment GetAlignment() const { return FAlignment; }
  void SetAlignment(TAlignment alignment);
  TTextLayout GetLayout() const { return FLayout; }
  void SetLayout(TTextLayout layout);
  bool GetTransparent() const { return FTransparent; }
  void SetTransparent(bool transparent);
  // The control an accelerator in the caption focuses.
  TWinControl* GetFocusControl() const { return FFocusControl; }
  void SetFocusControl(TWinControl* control);

protected:
  void TextChanged() override;
  void Notification(TComponent* component, TOperation operation) override;

private:
  bool FWordWrap = false;
  bool FAutoSize = true;
  TAlignment FAlignment = taLeftJustify;
  TTextLayout FLayout = tlTop;
  bool FTransparent = true;
  TWinControl* FFocusControl = nullptr;

  // With AutoSize and no word wrap, the label takes the size of its text.
  void AdjustSize();
};

// A single-line text box.  The caret and the selection are counted in characters; typed text
// replaces the selection.
class TCustomEdit : public TWinControl {
  DUO_CLASS(TCustomEdit, TWinControl)

public:
  explicit TCustomEdit(TComponent* AOwner);

  bool GetReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool readOnly);
  // The most characters the user can type; 0 for no limit.  Text set by code is not cut.
  int GetMaxLength() const { return FMaxLength; }
  void SetMaxLength(int maxLength);
  // The character shown for each typed one; '\0' shows the text.
  char GetPasswordChar() const { return FPasswordChar; }
  void SetPasswordChar(char passwordChar);
  TEditCharCase GetCharCase() const { return FCharCase; }
  void SetCharCase(TEditCharCase charCase);
  const std::string& GetTextHint() const { return FTextHint; }
  void SetTextHint(const std::string& hint);
  bool GetAutoSelect() const { return FAutoSelect; }
  void SetAutoSelect(bool autoSelect) { FAutoSelect = autoSelect; }
  bool GetModified() const { return FModified; }
  void SetModified(bool modified) { FModified = modified; }

  int GetSelStart() const { return FSelStart; }
  void SetSelStart(int start);
  int GetSelLength() const { return FSelLength; }
  void SetSelLength(int length);
  std::string GetSelText() const;
  void SelectAll();
  void Clear() { SetText(""); }

  // User input: inserts text at the caret, replacing the selection, as typing does (the
  // read-only flag, the length limit and the character case apply).
  void InsertText(const std::string& text) override;
  void KeyPressDefault(char key) override;
  void KeyDownDefault(Word key, TShiftState shift) override;
  void DoEnter() override;

  TNotifyEvent OnChange;

protected:
  // Raises OnChange; runs after every change of the text.
  virtual void Change();
  // Asked before the user's input changes the text; a data-aware edit answers whether its field
  // can be edited.
  virtual bool EditCanModify() { return true; }
  // Sets the text without Change() (so without OnChange): for text that follows another value.
  void SetTextWithoutChange(const std::string& text);
  void TextChanged() override;
  // Applies the character case to a text.
  std::string ApplyCharCase(const std::string& text) const;
  // Replaces the selection with text as the user's input, after the checks.
  void ReplaceSelection(const std::string& text);

private:
  bool FReadOnly = false;
  int FMaxLength = 0;
  char FPasswordChar = '\0';
  TEditCharCase FCharCase = ecNormal;
  std::string FTextHint;
  bool FAutoSelect = true;
  bool FModified = false;
  int FSelStart = 0;
  int FSelLength = 0;
  bool FUserEditing = false;

  void DeleteAt(bool forward);
};

class TEdit : public TCustomEdit {
  DUO_CLASS(TEdit, TCustomEdit)

public:
  using TCustomEdit::TCustomEdit;
};

// A multi-line text box; Lines and Text are two views of one text (lines joined by CR LF).
class TCustomMemo : public TCustomEdit {
  DUO_CLASS(TCustomMemo, TCustomEdit)

public:
  explicit TCustomMemo(TComponent* AOwner);

  TStrings& GetLines() { return FLines; }
  const TStrings& GetLines() const { return FLines; }
  void SetLines(const TStrings& lines) { FLines.Assign(lines); }
  bool GetWantReturns() const { return FWantReturns; }
  void SetWantReturns(bool wantReturns) { FWantReturns = wantReturns; }
  bool GetWantTabs() const { return FWantTabs; }
  void SetWantTabs(bool wantTabs) { FWantTabs = wantTabs; }
  bool GetWordWrap() const { return FWordWrap; }
  void SetWordWrap(bool wordWrap);
  TScrollStyle GetScrollBars() const { return FScrollBars; }
  void SetScrollBars(TScrollStyle scrollBars);

  bool WantsKey(Word key) const override;
  void KeyPressDefault(char key) override;
  void DoEnter() override;

protected:
  void TextChanged() override;

private:
  TStringList FLines;
  bool FWantReturns = true;
  bool FWantTabs = false;
  bool FWordWrap = true;
  TScrollStyle FScrollBars = TScrollStyle::ssNone;
  bool FSyncing = false;
};

class TMemo : public TCustomMemo {
  DUO_CLASS(TMemo, TCustomMemo)

public:
  using TCustomMemo::TCustomMemo;
};

// A push button.  Clicking it sets its form's ModalResult to the button's (which closes a modal
// form when not mrNone), then raises OnClick.  Enter clicks the focused button, or the Default
// button when the focus is on another kind of control; Escape clicks the Cancel button.
class TButton : public TWinControl {
  DUO_CLASS(TButton, TWinControl)

public:
  explicit TButton(TComponent* AOwner);

  bool GetDefault() const { return FDefault; }
  void SetDefault(bool value);
  bool GetCancel() const { return FCancel; }
  void SetCancel(bool value);
  TModalResult GetModalResult() const { return FModalResult; }
  void SetModalResult(TModalResult result) { FModalResult = result; }

  void Click() override;

private:
  bool FDefault = false;
  bool FCancel = false;
  TModalResult FModalResult = mrNone;
};

// A check box.  The user's click moves to the next state (grayed only with AllowGrayed).
class TCustomCheckBox : public TWinControl {
  DUO_CLASS(TCustomCheckBox, TWinControl)

public:
  explicit TCustomCheckBox(TComponent* AOwner);

  bool GetChecked() const { return FState == cbChecked; }
  void SetChecked(bool checked) { SetState(checked ? cbChecked : cbUnchecked); }
  TCheckBoxState GetState() const { return FState; }
  // Raises OnClick when the state changes.
  void SetState(TCheckBoxState state);
  bool GetAllowGrayed() const { return FAllowGrayed; }
  void SetAllowGrayed(bool allowGrayed) { FAllowGrayed = allowGrayed; }
  TAlignment GetAlignment() const { return FAlignment; }
  void SetAlignment(TAlignment alignment);

  // The user's click or Space key.
  virtual void Toggle();
  void PerformClick() override { Toggle(); }
  void KeyPressDefault(char key) override;

protected:
  // Sets the state without OnClick: for a state that follows another value.
  void SetStateQuietly(TCheckBoxState state);
  // Runs after every change of the state, before OnClick.
  virtual void StateChanged() {}

private:
  TCheckBoxState FState = cbUnchecked;
  bool FAllowGrayed = false;
  TAlignment FAlignment = taRightJustify;
};

class TCheckBox : public TCustomCheckBox {
  DUO_CLASS(TCheckBox, TCustomCheckBox)

public:
  using TCustomCheckBox::TCustomCheckBox;
};

// A radio button: checking it unchecks the radio buttons beside it (same parent).
class TRadioButton : public TWinControl {
  DUO_CLASS(TRadioButton, TWinControl)

public:
  explicit TRadioButton(TComponent* AOwner);

  bool GetChecked() const { return FChecked; }
  // Checking raises OnClick; unchecking raises nothing.
  void SetChecked(bool checked);
  TAlignment GetAlignment() const { return FAlignment; }
  void SetAlignment(TAlignment alignment);
  void KeyPressDefault(char key) override;
  void PerformClick() override { SetChecked(true); }

private:
  bool FChecked = false;
  TAlignment FAlignment = taRightJustify;
};

// A combo box: a list of items with a selected index and a text.
class TCustomComboBox : public TWinControl {
  DUO_CLASS(TCustomComboBox, TWinControl)

public:
  explicit TCustomComboBox(TComponent* AOwner);

  TStrings& GetItems() { return FItems; }
  const TStrings& GetItems() const { return FItems; }
  void SetItems(const TStrings& items) { FItems.Assign(items); }
  int GetItemIndex() const { return FItemIndex; }
  // By code: raises no event.  An index outside the list selects nothing.
  void SetItemIndex(int index);
  TComboBoxStyle GetStyle() const { return FStyle; }
  void SetStyle(TComboBoxStyle style);
  int GetDropDownCount() const { return FDropDownCount; }
  void SetDropDownCount(int count) { FDropDownCount = count; }
  bool GetSorted() const { return FItems.GetSorted(); }
  void SetSorted(bool sorted);
  const std::string& GetTextHint() const { return FTextHint; }
  void SetTextHint(const std::string& hint);
  TEditCharCase GetCharCase() const { return FCharCase; }
  void SetCharCase(TEditCharCase charCase) { FCharCase = charCase; }
  int GetMaxLength() const { return FMaxLength; }
  void SetMaxLength(int maxLength) { FMaxLength = maxLength; }
  bool GetDroppedDown() const { return FDroppedDown; }
  void SetDroppedDown(bool droppedDown);

  // User input: choosing an item from the list (OnClick, then OnSelect or OnChange).
  virtual void SelectItem(int index);
  // User input: typing into the box's text (OnChange); in a drop-down list a typed character
  // chooses the next item that starts with it.
  void InsertText(const std::string& text) override;
  void KeyPressDefault(char key) override;
  void KeyDownDefault(Word key, TShiftState shift) override;
  bool WantsKey(Word key) const override;
  void DoEnter() override;

  TNotifyEvent OnChange;
  TNotifyEvent OnSelect;
  TNotifyEvent OnDropDown;
  TNotifyEvent OnCloseUp;

protected:
  virtual void Change();
  virtual void Select();
  // Sets the index and text without events.
  void SetItemIndexQuietly(int index);
  void TextChanged() override;

private:
  TStringList FItems;
  int FItemIndex = -1;
  TComboBoxStyle FStyle = csDropDown;
  int FDropDownCount = 8;
  std::string FTextHint;
  TEditCharCase FCharCase = ecNormal;
  int FMaxLength = 0;
  bool FDroppedDown = false;
  bool FSyncing = false;
  bool FTextSelected = false;

  void ItemsChanged();
  void UserTextChanged(const std::string& text);
};

class TComboBox : public TCustomComboBox {
  DUO_CLASS(TComboBox, TCustomComboBox)

public:
  using TCustomComboBox::TCustomComboBox;
};

// A frame with a caption around other controls.
class TCustomGroupBox : public TWinControl {
  DUO_CLASS(TCustomGroupBox, TWinControl)

public:
  explicit TCustomGroupBox(TComponent* AOwner);
  TRect GetDisplayRect() const override;
  bool TakesFocusOnClick() const override { return false; }
};

class TGroupBox : public TCustomGroupBox {
  DUO_CLASS(TGroupBox, TCustomGroupBox)

public:
  using TCustomGroupBox::TCustomGroupBox;
};

namespace detail {

// Characters of UTF-8 text: their count, and the byte offset of the character at an index.
int Utf8Length(const std::string& text);
size_t Utf8Offset(const std::string& text, int index);
// Splits UTF-8 text into its characters.
std::vector<std::string> Utf8Characters(const std::string& text);

} // namespace detail
