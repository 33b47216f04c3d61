#include "ui/StdCtrls.h"

#include "runtime/StrUtils.h"
#include "ui/Forms.h"

#include <algorithm>
#include <cstdlib>

namespace detail {

namespace {

size_t CharSize(unsigned char lead) {
  if (lead < 0x80)
    return 1;
  if ((lead & 0xE0) == 0xC0)
    return 2;
  if ((lead & 0xF0) == 0xE0)
    return 3;
  if ((lead & 0xF8) == 0xF0)
    return 4;
  return 1;
}

} // namespace

int Utf8Length(const std::string& text) {
  return static_cast<int>(Utf8Characters(text).size());
}

size_t Utf8Offset(const std::string& text, int index) {
  size_t at = 0;
  for (int i = 0; i < index && at < text.size(); ++i)
    at += CharSize(static_cast<unsigned char>(text[at]));
  return std::min(at, text.size());
}

std::vector<std::string> Utf8Characters(const std::string& text) {
  std::vector<std::string> result;
  for (size_t at = 0; at < text.size();) {
    const size_t size = std::min(CharSize(static_cast<unsigned char>(text[at])), text.size() - at);
    result.push_back(text.substr(at, size));
    at += size;
  }
  return result;
}

} // namespace detail

using detail::Utf8Length;
using detail::Utf8Offset;

// ---------------------------------------------------------------------------------------------
// TLabel

const TClassInfo& TLabel::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TLabel>("TLabel")
          .Property("Caption", &TLabel::GetCaption, &TLabel::SetCaption)
          .Property("WordWrap", &TLabel::GetWordWrap, &TLabel::SetWordWrap)
          .Property("AutoSize", &TLabel::GetAutoSize, &TLabel::SetAutoSize)
          .Property("Alignment", &TLabel::GetAlignment, &TLabel::SetAlignment)
          .Property("Layout", &TLabel::GetLayout, &TLabel::SetLayout)
          .Property("Transparent", &TLabel::GetTransparent, &TLabel::SetTransparent)
          .Creatable()
          .Build();
  return info;
}

TLabel::TLabel(TComponent* AOwner) : TGraphicControl(AOwner) {
  SetParentColor(true);
  SetBounds(0, 0, 0, std::abs(GetFont().GetHeight()) + 3);
}

void TLabel::SetWordWrap(bool wordWrap) {
  if (wordWrap == FWordWrap)
    return;
  FWordWrap = wordWrap;
  Changed("WordWrap");
  AdjustSize();
}

void TLabel::SetAutoSize(bool autoSize) {
  if (autoSize == FAutoSize)
    return;
  FAutoSize = autoSize;
  Changed("AutoSize");
  AdjustSize();
}

void TLabel::SetAlignment(TAlignment alignment) {
  if (alignment == FAlignment)
    return;
  FAlignment = alignment;
  Changed("Alignment");
}

void TLabel::SetLayout(TTextLayout layout) {
  if (layout == FLayout)
    return;
  FLayout = layout;
  Changed("Layout");
}

void TLabel::SetTransparent(bool transparent) {
  if (transparent == FTransparent)
    return;
  FTransparent = transparent;
  Changed("Transparent");
}

void TLabel::SetFocusControl(TWinControl* control) {
  if (FFocusControl != nullptr)
    RemoveFreeNotification(FFocusControl);
  FFocusControl = control;
  if (control != nullptr)
    FreeNotification(control);
}

void TLabel::Notification(TComponent* component, TOperation operation) {
  TGraphicControl::Notification(component, operation);
  if (operation == TOperation::opRemove && FFocusControl != nullptr && component == FFocusControl)
    FFocusControl = nullptr;
}

void TLabel::TextChanged() {
  AdjustSize();
}

void TLabel::AdjustSize() {
  if (!FAutoSize || FWordWrap || GetAlign() != alNone)
    return;
  const int width = GetApplication().GetBackend().TextWidth(GetFont(), GetText());
  SetBounds(GetLeft(), GetTop(), width, std::abs(GetFont().GetHeight()) + 3);
}

// ---------------------------------------------------------------------------------------------
// TCustomEdit

const TClassInfo& TCustomEdit::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TCustomEdit>("TCustomEdit")
          .Property("Text", &TCustomEdit::GetText, &TCustomEdit::SetText)
          .Property("ReadOnly", &TCustomEdit::GetReadOnly, &TCustomEdit::SetReadOnly)
          .Property("MaxLength", &TCustomEdit::GetMaxLength, &TCustomEdit::SetMaxLength)
          .Property("CharCase", &TCustomEdit::GetCharCase, &TCustomEdit::SetCharCase)
          .Property("TextHint", &TCustomEdit::GetTextHint, &TCustomEdit::SetTextHint)
          .Property("AutoSelect", &TCustomEdit::GetAutoSelect, &TCustomEdit::SetAutoSelect)
          .Property<std::string>(
              "PasswordChar",
              [](const TCustomEdit& e) {
                return e.GetPasswordChar() == '\0' ? std::string()
                                                   : std::string(1, e.GetPasswordChar());
              },
              [](TCustomEdit& e, std::string v) { e.SetPasswordChar(v.empty() ? '\0' : v[0]); })
          .Build();
  return info;
}

const TClassInfo& TEdit::StaticClass() {
  static const TClassInfo info = TClassBuilder<TEdit>("TEdit").Creatable().Build();
  return info;
}

TCustomEdit::TCustomEdit(TComponent* AOwner) : TWinControl(AOwner) {
  SetTabStop(true);
  SetColor(clWindow);
  SetBounds(0, 0, 121, 23);
}

void TCustomEdit::SetReadOnly(bool readOnly) {
  if (readOnly == FReadOnly)
    return;
  FReadOnly = readOnly;
  Changed("ReadOnly");
}

void TCustomEdit::SetMaxLength(int maxLength) {
  maxLength = std::max(maxLength, 0);
  if (maxLength == FMaxLength)
    return;
  FMaxLength = maxLength;
  Changed("MaxLength");
}

void TCustomEdit::SetPasswordChar(char passwordChar) {
  if (passwordChar == FPasswordChar)
    return;
  FPasswordChar = passwordChar;
  Changed("PasswordChar");
}

void TCustomEdit::SetCharCase(TEditCharCase charCase) {
  if (charCase == FCharCase)
    return;
  FCharCase = charCase;
  Changed("CharCase");
  SetText(ApplyCharCase(GetText()));
}

void TCustomEdit::SetTextHint(const std::string& hint) {
  if (hint == FTextHint)
    return;
  FTextHint = hint;
  Changed("TextHint");
}

void TCustomEdit::SetSelStart(int start) {
  FSelStart = std::clamp(start, 0, Utf8Length(GetText()));
  FSelLength = 0;
}

void TCustomEdit::SetSelLength(int length) {
  FSelLength = std::clamp(length, 0, Utf8Length(GetText()) - FSelStart);
}

std::string TCustomEdit::GetSelText() const {
  const std::string& text = GetText();
  const size_t from = Utf8Offset(text, FSelStart);
  return text.substr(from, Utf8Offset(text, FSelStart + FSelLength) - from);
}

void TCustomEdit::SelectAll() {
  FSelStart = 0;
  FSelLength = Utf8Length(GetText());
}

std::string TCustomEdit::ApplyCharCase(const std::string& text) const {
  switch (FCharCase) {
  case ecUpperCase:
    return UpperCase(text);
  case ecLowerCase:
    return LowerCase(text);
  default:
    return text;
  }
}

void TCustomEdit::InsertText(const std::string& text) {
  ReplaceSelection(text);
}

void TCustomEdit::ReplaceSelection(const std::string& text) {
  if (FReadOnly || !EditCanModify())
    return;
  const std::string current = GetText();
  const int length = Utf8Length(current);
  const int start = std::clamp(FSelStart, 0, length);
  const int selected = std::clamp(FSelLength, 0, length - start);
  std::string inserted = ApplyCharCase(text);
  if (FMaxLength > 0) {
    const int room = FMaxLength - (length - selected);
    if (room <= 0 && !inserted.empty())
      return;
    if (Utf8Length(inserted) > room)
      inserted = inserted.substr(0, Utf8Offset(inserted, room));
  }
  const std::string result = current.substr(0, Utf8Offset(current, start)) + inserted +
                             current.substr(Utf8Offset(current, start + selected));
  FSelStart = start + Utf8Length(inserted);
  FSelLength = 0;
  FModified = true;
  FUserEditing = true;
  try {
    SetText(result);
  } catch (...) {
    FUserEditing = false;
    throw;
  }
  FUserEditing = false;
}

void TCustomEdit::DeleteAt(bool forward) {
  if (FSelLength == 0) {
    const int length = Utf8Length(GetText());
    if (forward && FSelStart < length) {
      FSelLength = 1;
    } else if (!forward && FSelStart > 0) {
      --FSelStart;
      FSelLength = 1;
    } else {
      return;
    }
  }
  ReplaceSelection("");
}

void TCustomEdit::KeyPressDefault(char key) {
  if (key == '\b')
    DeleteAt(false);
  else if (static_cast<unsigned char>(key) >= 0x20 && key != 0x7F)
    InsertText(std::string(1, key));
}

void TCustomEdit::KeyDownDefault(Word key, TShiftState shift) {
  const int length = Utf8Length(GetText());
  switch (key) {
  case VK_DELETE:
    if (shift.Empty())
      DeleteAt(true);
    break;
  case VK_HOME:
    SetSelStart(0);
    break;
  case VK_END:
    SetSelStart(length);
    break;
  case VK_LEFT:
    SetSelStart(FSelLength > 0 ? FSelStart : FSelStart - 1);
    break;
  case VK_RIGHT:
    SetSelStart(FSelLength > 0 ? FSelStart + FSelLength : FSelStart + 1);
    break;
  default:
    break;
  }
}

void TCustomEdit::DoEnter() {
  if (FAutoSelect)
    SelectAll();
  TWinControl::DoEnter();
}

void TCustomEdit::Change() {
  if (OnChange)
    OnChange(this);
}

void TCustomEdit::SetTextWithoutChange(const std::string& text) {
  SetTextQuietly(ApplyCharCase(text));
  FSelStart = 0;
  FSelLength = 0;
}

void TCustomEdit::TextChanged() {
  const std::string cased = ApplyCharCase(GetText());
  if (cased != GetText())
    SetTextQuietly(cased);
  if (!FUserEditing) {
    FSelStart = 0;
    FSelLength = 0;
  }
  Change();
}

// ---------------------------------------------------------------------------------------------
// TCustomMemo

const TClassInfo& TCustomMemo::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TCustomMemo>("TCustomMemo")
          .Property("WantReturns", &TCustomMemo::GetWantReturns, &TCustomMemo::SetWantReturns)
          .Property("WantTabs", &TCustomMemo::GetWantTabs, &TCustomMemo::SetWantTabs)
          .Property("WordWrap", &TCustomMemo::GetWordWrap, &TCustomMemo::SetWordWrap)
          .Property("ScrollBars", &TCustomMemo::GetScrollBars, &TCustomMemo::SetScrollBars)
          .Build();
  return info;
}

const TClassInfo& TMemo::StaticClass() {
  static const TClassInfo info = TClassBuilder<TMemo>("TMemo").Creatable().Build();
  return info;
}

TCustomMemo::TCustomMemo(TComponent* AOwner) : TCustomEdit(AOwner) {
  SetBounds(0, 0, 185, 89);
  FLines.OnChange = [this](TStrings&) {
    if (FSyncing)
      return;
    FSyncing = true;
    std::string text = FLines.GetText();
    if (text.size() >= 2 && text.ends_with("\r\n"))
      text.resize(text.size() - 2);
    try {
      SetText(text);
    } catch (...) {
      FSyncing = false;
      throw;
    }
    FSyncing = false;
  };
}

void TCustomMemo::SetWordWrap(bool wordWrap) {
  if (wordWrap == FWordWrap)
    return;
  FWordWrap = wordWrap;
  Changed("WordWrap");
}

void TCustomMemo::SetScrollBars(TScrollStyle scrollBars) {
  if (scrollBars == FScrollBars)
    return;
  FScrollBars = scrollBars;
  Changed("ScrollBars");
}

bool TCustomMemo::WantsKey(Word key) const {
  switch (key) {
  case VK_RETURN:
    return FWantReturns;
  case VK_TAB:
    return FWantTabs;
  case VK_LEFT:
  case VK_RIGHT:
  case VK_UP:
  case VK_DOWN:
    return true;
  default:
    return false;
  }
}

void TCustomMemo::KeyPressDefault(char key) {
  if (key == '\r') {
    if (FWantReturns)
      InsertText("\r\n");
  } else if (key == '\t') {
    if (FWantTabs)
      InsertText("\t");
  } else {
    TCustomEdit::KeyPressDefault(key);
  }
}

void TCustomMemo::DoEnter() {
  TWinControl::DoEnter();
}

void TCustomMemo::TextChanged() {
  if (!FSyncing) {
    FSyncing = true;
    FLines.SetText(GetText());
    FSyncing = false;
  }
  TCustomEdit::TextChanged();
}

// ---------------------------------------------------------------------------------------------
// TButton

const TClassInfo& TButton::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TButton>("TButton")
          .Property("Caption", &TButton::GetCaption, &TButton::SetCaption)
          .Property("Default", &TButton::GetDefault, &TButton::SetDefault)
          .Property("Cancel", &TButton::GetCancel, &TButton::SetCancel)
          .Property("ModalResult", &TButton::GetModalResult, &TButton::SetModalResult)
          .Creatable()
          .Build();
  return info;
}

TButton::TButton(TComponent* AOwner) : TWinControl(AOwner) {
  SetTabStop(true);
  SetBounds(0, 0, 75, 25);
}

void TButton::SetDefault(bool value) {
  if (value == FDefault)
    return;
  FDefault = value;
  Changed("Default");
}

void TButton::SetCancel(bool value) {
  if (value == FCancel)
    return;
  FCancel = value;
  Changed("Cancel");
}

void TButton::Click() {
  if (TCustomForm* form = GetParentForm(this))
    form->SetModalResult(FModalResult);
  TWinControl::Click();
}

// ---------------------------------------------------------------------------------------------
// TCustomCheckBox

const TClassInfo& TCustomCheckBox::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TCustomCheckBox>("TCustomCheckBox")
          .Property("Caption", &TCustomCheckBox::GetCaption, &TCustomCheckBox::SetCaption)
          .Property("Checked", &TCustomCheckBox::GetChecked, &TCustomCheckBox::SetChecked)
          .Property("State", &TCustomCheckBox::GetState, &TCustomCheckBox::SetState)
          .Property("AllowGrayed", &TCustomCheckBox::GetAllowGrayed,
                    &TCustomCheckBox::SetAllowGrayed)
          .Property("Alignment", &TCustomCheckBox::GetAlignment, &TCustomCheckBox::SetAlignment)
          .Build();
  return info;
}

const TClassInfo& TCheckBox::StaticClass() {
  static const TClassInfo info = TClassBuilder<TCheckBox>("TCheckBox").Creatable().Build();
  return info;
}

TCustomCheckBox::TCustomCheckBox(TComponent* AOwner) : TWinControl(AOwner) {
  SetTabStop(true);
  SetBounds(0, 0, 97, 17);
}

void TCustomCheckBox::SetState(TCheckBoxState state) {
  if (state == FState)
    return;
  SetStateQuietly(state);
  Click();
}

void TCustomCheckBox::SetStateQuietly(TCheckBoxState state) {
  if (state == FState)
    return;
  FState = state;
  Changed("Checked");
  StateChanged();
}

void TCustomCheckBox::SetAlignment(TAlignment alignment) {
  if (alignment == FAlignment)
    return;
  FAlignment = alignment;
  Changed("Alignment");
}

void TCustomCheckBox::Toggle() {
  switch (FState) {
  case cbUnchecked:
    SetState(FAllowGrayed ? cbGrayed : cbChecked);
    break;
  case cbChecked:
    SetState(cbUnchecked);
    break;
  case cbGrayed:
    SetState(cbChecked);
    break;
  }
}

void TCustomCheckBox::KeyPressDefault(char key) {
  if (key == ' ')
    Toggle();
}

// ---------------------------------------------------------------------------------------------
// TRadioButton

const TClassInfo& TRadioButton::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TRadioButton>("TRadioButton")
          .Property("Caption", &TRadioButton::GetCaption, &TRadioButton::SetCaption)
          .Property("Checked", &TRadioButton::GetChecked, &TRadioButton::SetChecked)
          .Property("Alignment", &TRadioButton::GetAlignment, &TRadioButton::SetAlignment)
          .Creatable()
          .Build();
  return info;
}

TRadioButton::TRadioButton(TComponent* AOwner) : TWinControl(AOwner) {
  SetBounds(0, 0, 113, 17);
}

void TRadioButton::SetChecked(bool checked) {
  if (checked == FChecked)
    return;
  FChecked = checked;
  SetTabStop(checked);
  Changed("Checked");
  if (!checked)
    return;
  if (TWinControl* parent = GetParent()) {
    for (int i = 0; i < parent->ControlCount(); ++i) {
      TControl* sibling = parent->Controls(i);
      if (sibling != this && sibling->Is<TRadioButton>())
        static_cast<TRadioButton*>(sibling)->SetChecked(false);
    }
  }
  Click();
}

void TRadioButton::SetAlignment(TAlignment alignment) {
  if (alignment == FAlignment)
    return;
  FAlignment = alignment;
  Changed("Alignment");
}

void TRadioButton::KeyPressDefault(char key) {
  if (key == ' ')
    SetChecked(true);
}

// ---------------------------------------------------------------------------------------------
// TCustomComboBox

const TClassInfo& TCustomComboBox::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TCustomComboBox>("TCustomComboBox")
          .Property("Text", &TCustomComboBox::GetText, &TCustomComboBox::SetText)
          .Property("ItemIndex", &TCustomComboBox::GetItemIndex, &TCustomComboBox::SetItemIndex)
          .Property("Style", &TCustomComboBox::GetStyle, &TCustomComboBox::SetStyle)
          .Property("DropDownCount", &TCustomComboBox::GetDropDownCount,
                    &TCustomComboBox::SetDropDownCount)
          .Property("Sorted", &TCustomComboBox::GetSorted, &TCustomComboBox::SetSorted)
          .Property("TextHint", &TCustomComboBox::GetTextHint, &TCustomComboBox::SetTextHint)
          .Property("CharCase", &TCustomComboBox::GetCharCase, &TCustomComboBox::SetCharCase)
          .Property("MaxLength", &TCustomComboBox::GetMaxLength, &TCustomComboBox::SetMaxLength)
          .Build();
  return info;
}

const TClassInfo& TComboBox::StaticClass() {
  static const TClassInfo info = TClassBuilder<TComboBox>("TComboBox").Creatable().Build();
  return info;
}

TCustomComboBox::TCustomComboBox(TComponent* AOwner) : TWinControl(AOwner) {
  SetTabStop(true);
  SetColor(clWindow);
  SetBounds(0, 0, 145, 23);
  FItems.OnChange = [this](TStrings&) { ItemsChanged(); };
}

void TCustomComboBox::SetItemIndex(int index) {
  SetItemIndexQuietly(index);
}

void TCustomComboBox::SetItemIndexQuietly(int index) {
  if (index < -1 || index >= FItems.Count())
    index = -1;
  const bool changed = index != FItemIndex;
  FItemIndex = index;
  FSyncing = true;
  SetTextQuietly(index >= 0 ? FItems[index] : std::string());
  FSyncing = false;
  FTextSelected = false;
  if (changed)
    Changed("ItemIndex");
}

void TCustomComboBox::SetStyle(TComboBoxStyle style) {
  if (style == FStyle)
    return;
  FStyle = style;
  Changed("Style");
  if (style == csDropDownList)
    SetItemIndexQuietly(FItems.IndexOf(GetText()));
}

void TCustomComboBox::SetSorted(bool sorted) {
  if (sorted == FItems.GetSorted())
    return;
  const std::string selected = FItemIndex >= 0 ? FItems[FItemIndex] : std::string();
  FItems.SetSorted(sorted);
  if (!selected.empty())
    SetItemIndexQuietly(FItems.IndexOf(selected));
  Changed("Sorted");
}

void TCustomComboBox::SetTextHint(const std::string& hint) {
  if (hint == FTextHint)
    return;
  FTextHint = hint;
  Changed("TextHint");
}

void TCustomComboBox::SetDroppedDown(bool droppedDown) {
  if (droppedDown == FDroppedDown)
    return;
  FDroppedDown = droppedDown;
  Changed("DroppedDown");
  const TNotifyEvent& event = droppedDown ? OnDropDown : OnCloseUp;
  if (event)
    event(this);
}

void TCustomComboBox::ItemsChanged() {
  Changed("Items");
  if (FItemIndex >= FItems.Count()) {
    FItemIndex = -1;
    Changed("ItemIndex");
    if (FStyle == csDropDownList) {
      FSyncing = true;
      SetTextQuietly("");
      FSyncing = false;
    }
  }
}

void TCustomComboBox::TextChanged() {
  if (FSyncing)
    return;
  const int index = FItems.IndexOf(GetText());
  if (FStyle == csDropDownList) {
    SetItemIndexQuietly(index);
  } else if (index != FItemIndex) {
    FItemIndex = index;
    Changed("ItemIndex");
  }
}

void TCustomComboBox::SelectItem(int index) {
  if (index < 0 || index >= FItems.Count())
    return;
  SetItemIndexQuietly(index);
  Click();
  Select();
}

void TCustomComboBox::Change() {
  if (OnChange)
    OnChange(this);
}

void TCustomComboBox::Select() {
  if (OnSelect)
    OnSelect(this);
  else
    Change();
}

void TCustomComboBox::UserTextChanged(const std::string& text) {
  if (text == GetText())
    return;
  FSyncing = true;
  SetTextQuietly(text);
  FSyncing = false;
  const int index = FItems.IndexOf(text);
  if (index != FItemIndex) {
    FItemIndex = index;
    Changed("ItemIndex");
  }
  Change();
}

void TCustomComboBox::InsertText(const std::string& text) {
  if (FStyle == csDropDownList) {
    // Choose the next item that starts with the typed text, going round the list.
    const int count = FItems.Count();
    for (int step = 1; step <= count; ++step) {
      const int index = (FItemIndex + step + count) % count;
      if (StartsText(text, FItems[index])) {
        SelectItem(index);
        return;
      }
    }
    return;
  }
  std::string typed = text;
  if (FCharCase == ecUpperCase)
    typed = UpperCase(typed);
  else if (FCharCase == ecLowerCase)
    typed = LowerCase(typed);
  const std::string base = FTextSelected ? std::string() : GetText();
  FTextSelected = false;
  if (FMaxLength > 0 && Utf8Length(base) + Utf8Length(typed) > FMaxLength)
    return;
  UserTextChanged(base + typed);
}

void TCustomComboBox::KeyPressDefault(char key) {
  if (key == '\b') {
    if (FStyle == csDropDownList)
      return;
    std::string text = FTextSelected ? std::string() : GetText();
    FTextSelected = false;
    const int length = Utf8Length(text);
    if (length > 0)
      text.resize(Utf8Offset(text, length - 1));
    UserTextChanged(text);
  } else if (static_cast<unsigned char>(key) >= 0x20 && key != 0x7F) {
    InsertText(std::string(1, key));
  }
}

void TCustomComboBox::KeyDownDefault(Word key, TShiftState) {
  if (key == VK_DOWN && FItemIndex + 1 < FItems.Count())
    SelectItem(FItemIndex + 1);
  else if (key == VK_UP && FItemIndex > 0)
    SelectItem(FItemIndex - 1);
}

bool TCustomComboBox::WantsKey(Word key) const {
  if (key == VK_UP || key == VK_DOWN)
    return true;
  return FDroppedDown && (key == VK_RETURN || key == VK_ESCAPE);
}

void TCustomComboBox::DoEnter() {
  FTextSelected = true;
  TWinControl::DoEnter();
}

// ---------------------------------------------------------------------------------------------
// TCustomGroupBox

const TClassInfo& TCustomGroupBox::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TCustomGroupBox>("TCustomGroupBox")
          .Property("Caption", &TCustomGroupBox::GetCaption, &TCustomGroupBox::SetCaption)
          .Build();
  return info;
}

const TClassInfo& TGroupBox::StaticClass() {
  static const TClassInfo info = TClassBuilder<TGroupBox>("TGroupBox").Creatable().Build();
  return info;
}

TCustomGroupBox::TCustomGroupBox(TComponent* AOwner) : TWinControl(AOwner) {
  SetBounds(0, 0, 185, 105);
}

TRect TCustomGroupBox::GetDisplayRect() const {
  const int captionHeight = std::abs(GetFont().GetHeight()) + 3;
  return Rect(2, captionHeight, std::max(2, GetClientWidth() - 2),
              std::max(captionHeight, GetClientHeight() - 2));
}
