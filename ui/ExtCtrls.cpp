#include "ui/ExtCtrls.h"

#include <algorithm>

// ---------------------------------------------------------------------------------------------
// TCustomPanel

const TClassInfo& TCustomPanel::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TCustomPanel>("TCustomPanel")
          .Property("Caption", &TCustomPanel::GetCaption, &TCustomPanel::SetCaption)
          .Property("Alignment", &TCustomPanel::GetAlignment, &TCustomPanel::SetAlignment)
          .Property("BevelOuter", &TCustomPanel::GetBevelOuter, &TCustomPanel::SetBevelOuter)
          .Property("BevelInner", &TCustomPanel::GetBevelInner, &TCustomPanel::SetBevelInner)
          .Property("BevelWidth", &TCustomPanel::GetBevelWidth, &TCustomPanel::SetBevelWidth)
          .Property("BorderWidth", &TCustomPanel::GetBorderWidth, &TCustomPanel::SetBorderWidth)
          .Property("BorderStyle", &TCustomPanel::GetBorderStyle, &TCustomPanel::SetBorderStyle)
          .Property("ShowCaption", &TCustomPanel::GetShowCaption, &TCustomPanel::SetShowCaption)
          .Property("ParentBackground", &TCustomPanel::GetParentBackground,
                    &TCustomPanel::SetParentBackground)
          .Build();
  return info;
}

const TClassInfo& TPanel::StaticClass() {
  static const TClassInfo info = TClassBuilder<TPanel>("TPanel").Creatable().Build();
  return info;
}

TCustomPanel::TCustomPanel(TComponent* AOwner) : TWinControl(AOwner) {
  SetBounds(0, 0, 185, 41);
}

void TCustomPanel::SetAlignment(TAlignment alignment) {
  if (alignment == FAlignment)
    return;
  FAlignment = alignment;
  Changed("Alignment");
}

void TCustomPanel::BordersChanged(const std::string& name) {
  Changed(name);
  Realign();
}

void TCustomPanel::SetBevelOuter(TBevelCut bevel) {
  if (bevel == FBevelOuter)
    return;
  FBevelOuter = bevel;
  BordersChanged("BevelOuter");
}

void TCustomPanel::SetBevelInner(TBevelCut bevel) {
  if (bevel == FBevelInner)
    return;
  FBevelInner = bevel;
  BordersChanged("BevelInner");
}

void TCustomPanel::SetBevelWidth(int width) {
  width = std::max(width, 1);
  if (width == FBevelWidth)
    return;
  FBevelWidth = width;
  BordersChanged("BevelWidth");
}

void TCustomPanel::SetBorderWidth(int width) {
  width = std::max(width, 0);
  if (width == FBorderWidth)
    return;
  FBorderWidth = width;
  BordersChanged("BorderWidth");
}

void TCustomPanel::SetBorderStyle(TBorderStyle style) {
  if (style == FBorderStyle)
    return;
  FBorderStyle = style;
  BordersChanged("BorderStyle");
}

void TCustomPanel::SetShowCaption(bool show) {
  if (show == FShowCaption)
    return;
  FShowCaption = show;
  Changed("ShowCaption");
}

void TCustomPanel::SetParentBackground(bool value) {
  if (value == FParentBackground)
    return;
  FParentBackground = value;
  Changed("ParentBackground");
}

TRect TCustomPanel::GetDisplayRect() const {
  int inset = FBorderWidth + (FBorderStyle == bsNone ? 0 : 1);
  if (FBevelOuter != bvNone)
    inset += FBevelWidth;
  if (FBevelInner != bvNone)
    inset += FBevelWidth;
  const TRect client = GetClientRect();
  return Rect(inset, inset, std::max(inset, client.Right - inset),
              std::max(inset, client.Bottom - inset));
}

// ---------------------------------------------------------------------------------------------
// TImage

const TClassInfo& TImage::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TImage>("TImage")
          .Property("Stretch", &TImage::GetStretch, &TImage::SetStretch)
          .Property("Center", &TImage::GetCenter, &TImage::SetCenter)
          .Property("Proportional", &TImage::GetProportional, &TImage::SetProportional)
          .Property("Transparent", &TImage::GetTransparent, &TImage::SetTransparent)
          .Property<TBytes>(
              "Picture", [](const TImage& image) { return image.GetPicture().GetData(); },
              [](TImage& image, TBytes data) { image.GetPicture().LoadFromBytes(data); })
          .Creatable()
          .Build();
  return info;
}

TImage::TImage(TComponent* AOwner) : TGraphicControl(AOwner) {
  SetBounds(0, 0, 105, 105);
  FPicture.OnChange = [this] { PictureChanged(); };
}

void TImage::PictureChanged() {
  Changed("Picture");
}

void TImage::SetStretch(bool stretch) {
  if (stretch == FStretch)
    return;
  FStretch = stretch;
  Changed("Stretch");
}

void TImage::SetCenter(bool center) {
  if (center == FCenter)
    return;
  FCenter = center;
  Changed("Center");
}

void TImage::SetProportional(bool proportional) {
  if (proportional == FProportional)
    return;
  FProportional = proportional;
  Changed("Proportional");
}

void TImage::SetTransparent(bool transparent) {
  if (transparent == FTransparent)
    return;
  FTransparent = transparent;
  Changed("Transparent");
}

// ---------------------------------------------------------------------------------------------
// TCustomRadioGroup

const TClassInfo& TCustomRadioGroup::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TCustomRadioGroup>("TCustomRadioGroup")
          .Property("ItemIndex", &TCustomRadioGroup::GetItemIndex, &TCustomRadioGroup::SetItemIndex)
          .Property("Columns", &TCustomRadioGroup::GetColumns, &TCustomRadioGroup::SetColumns)
          .Build();
  return info;
}

const TClassInfo& TRadioGroup::StaticClass() {
  static const TClassInfo info = TClassBuilder<TRadioGroup>("TRadioGroup").Creatable().Build();
  return info;
}

TCustomRadioGroup::TCustomRadioGroup(TComponent* AOwner) : TCustomGroupBox(AOwner) {
  SetTabStop(true);
  FItems.OnChange = [this](TStrings&) {
    Changed("Items");
    if (FItemIndex >= FItems.Count())
      SetItemIndexQuietly(-1);
  };
}

void TCustomRadioGroup::SetItemIndexQuietly(int index) {
  if (index < -1 || index >= FItems.Count())
    index = -1;
  if (index == FItemIndex)
    return;
  FItemIndex = index;
  Changed("ItemIndex");
}

void TCustomRadioGroup::SetItemIndex(int index) {
  const int before = FItemIndex;
  SetItemIndexQuietly(index);
  if (FItemIndex != before && FItemIndex >= 0)
    Click();
}

void TCustomRadioGroup::SetColumns(int columns) {
  columns = std::clamp(columns, 1, 16);
  if (columns == FColumns)
    return;
  FColumns = columns;
  Changed("Columns");
}

void TCustomRadioGroup::SelectItem(int index) {
  if (index < 0 || index >= FItems.Count())
    return;
  SetItemIndex(index);
}

void TCustomRadioGroup::KeyDownDefault(Word key, TShiftState) {
  if ((key == VK_DOWN || key == VK_RIGHT) && FItemIndex + 1 < FItems.Count())
    SelectItem(FItemIndex + 1);
  else if ((key == VK_UP || key == VK_LEFT) && FItemIndex > 0)
    SelectItem(FItemIndex - 1);
}

bool TCustomRadioGroup::WantsKey(Word key) const {
  return key == VK_UP || key == VK_DOWN || key == VK_LEFT || key == VK_RIGHT;
}

// ---------------------------------------------------------------------------------------------
// TLabeledEdit

const TClassInfo& TLabeledEdit::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TLabeledEdit>("TLabeledEdit")
          .Property("LabelPosition", &TLabeledEdit::GetLabelPosition,
                    &TLabeledEdit::SetLabelPosition)
          .Property("LabelSpacing", &TLabeledEdit::GetLabelSpacing, &TLabeledEdit::SetLabelSpacing)
          .Creatable()
          .Build();
  return info;
}

TLabeledEdit::TLabeledEdit(TComponent* AOwner) : TCustomEdit(AOwner), FEditLabel(new TLabel(this)) {
  FEditLabel->SetName("SubLabel");
  PlaceLabel();
}

void TLabeledEdit::Notification(TComponent* component, TOperation operation) {
  TCustomEdit::Notification(component, operation);
  if (operation == TOperation::opRemove && component == FEditLabel)
    FEditLabel = nullptr;
}

void TLabeledEdit::SetLabelPosition(TLabelPosition position) {
  FLabelPosition = position;
  PlaceLabel();
}

void TLabeledEdit::SetLabelSpacing(int spacing) {
  FLabelSpacing = spacing;
  PlaceLabel();
}

void TLabeledEdit::SetParent(TWinControl* parent) {
  TCustomEdit::SetParent(parent);
  if (FEditLabel != nullptr)
    FEditLabel->SetParent(parent);
  PlaceLabel();
}

void TLabeledEdit::SetBounds(int left, int top, int width, int height) {
  TCustomEdit::SetBounds(left, top, width, height);
  PlaceLabel();
}

void TLabeledEdit::SetVisible(bool visible) {
  TCustomEdit::SetVisible(visible);
  if (FEditLabel != nullptr)
    FEditLabel->SetVisible(visible);
}

void TLabeledEdit::SetEnabled(bool enabled) {
  TCustomEdit::SetEnabled(enabled);
  if (FEditLabel != nullptr)
    FEditLabel->SetEnabled(enabled);
}

void TLabeledEdit::PlaceLabel() {
  if (FEditLabel == nullptr)
    return;
  TLabel& label = *FEditLabel;
  int left = GetLeft();
  int top = GetTop();
  switch (FLabelPosition) {
  case lpAbove:
    top -= label.GetHeight() + FLabelSpacing;
    break;
  case lpBelow:
    top += GetHeight() + FLabelSpacing;
    break;
  case lpLeft:
    left -= label.GetWidth() + FLabelSpacing;
    top += (GetHeight() - label.GetHeight()) / 2;
    break;
  case lpRight:
    left += GetWidth() + FLabelSpacing;
    top += (GetHeight() - label.GetHeight()) / 2;
    break;
  }
  label.SetBounds(left, top, label.GetWidth(), label.GetHeight());
}
