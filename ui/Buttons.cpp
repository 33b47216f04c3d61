#include "ui/Buttons.h"

#include "ui/Forms.h"

#include <algorithm>

namespace {

struct TKindInfo {
  TBitBtnKind Kind;
  const char* Caption;
  TModalResult Result;
};

const TKindInfo Kinds[] = {
    {bkOK, "OK", mrOk},
    {bkCancel, "Cancel", mrCancel},
    {bkHelp, "&Help", mrNone},
    {bkYes, "&Yes", mrYes},
    {bkNo, "&No", mrNo},
    {bkClose, "&Close", mrNone},
    {bkAbort, "Abort", mrAbort},
    {bkRetry, "&Retry", mrRetry},
    {bkIgnore, "&Ignore", mrIgnore},
    {bkAll, "&All", mrAll},
};

} // namespace

// ---------------------------------------------------------------------------------------------
// TBitBtn

const TClassInfo& TBitBtn::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TBitBtn>("TBitBtn")
          .Property("Kind", &TBitBtn::GetKind, &TBitBtn::SetKind)
          .Property("Layout", &TBitBtn::GetLayout, &TBitBtn::SetLayout)
          .Property("Margin", &TBitBtn::GetMargin, &TBitBtn::SetMargin)
          .Property("Spacing", &TBitBtn::GetSpacing, &TBitBtn::SetSpacing)
          .Property("NumGlyphs", &TBitBtn::GetNumGlyphs, &TBitBtn::SetNumGlyphs)
          .Creatable()
          .Build();
  return info;
}

TBitBtn::TBitBtn(TComponent* AOwner) : TButton(AOwner) {
  FGlyph.OnChange = [this] { Changed("Glyph"); };
}

void TBitBtn::SetKind(TBitBtnKind kind) {
  if (kind == FKind)
    return;
  FKind = kind;
  Changed("Kind");
  for (const TKindInfo& info : Kinds) {
    if (info.Kind != kind)
      continue;
    SetCaption(info.Caption);
    SetModalResult(info.Result);
    SetDefault(kind == bkOK || kind == bkYes);
    SetCancel(kind == bkCancel || kind == bkNo);
  }
}

void TBitBtn::SetLayout(TButtonLayout layout) {
  if (layout == FLayout)
    return;
  FLayout = layout;
  Changed("Layout");
}

void TBitBtn::SetMargin(int margin) {
  if (margin == FMargin)
    return;
  FMargin = margin;
  Changed("Margin");
}

void TBitBtn::SetSpacing(int spacing) {
  if (spacing == FSpacing)
    return;
  FSpacing = spacing;
  Changed("Spacing");
}

void TBitBtn::SetNumGlyphs(int count) {
  count = std::clamp(count, 1, 4);
  if (count == FNumGlyphs)
    return;
  FNumGlyphs = count;
  Changed("NumGlyphs");
}

void TBitBtn::Click() {
  if (FKind == bkClose) {
    if (TCustomForm* form = GetParentForm(this)) {
      form->Close();
      return;
    }
  }
  TButton::Click();
}

// ---------------------------------------------------------------------------------------------
// TSpeedButton

const TClassInfo& TSpeedButton::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TSpeedButton>("TSpeedButton")
          .Property("Caption", &TSpeedButton::GetCaption, &TSpeedButton::SetCaption)
          .Property("Flat", &TSpeedButton::GetFlat, &TSpeedButton::SetFlat)
          .Property("Layout", &TSpeedButton::GetLayout, &TSpeedButton::SetLayout)
          .Property("Margin", &TSpeedButton::GetMargin, &TSpeedButton::SetMargin)
          .Property("Spacing", &TSpeedButton::GetSpacing, &TSpeedButton::SetSpacing)
          .Property("NumGlyphs", &TSpeedButton::GetNumGlyphs, &TSpeedButton::SetNumGlyphs)
          .Property("GroupIndex", &TSpeedButton::GetGroupIndex, &TSpeedButton::SetGroupIndex)
          .Property("Down", &TSpeedButton::GetDown, &TSpeedButton::SetDown)
          .Property("AllowAllUp", &TSpeedButton::GetAllowAllUp, &TSpeedButton::SetAllowAllUp)
          .Property("Transparent", &TSpeedButton::GetTransparent, &TSpeedButton::SetTransparent)
          .Creatable()
          .Build();
  return info;
}

TSpeedButton::TSpeedButton(TComponent* AOwner) : TGraphicControl(AOwner) {
  SetBounds(0, 0, 23, 22);
  FGlyph.OnChange = [this] { Changed("Glyph"); };
}

void TSpeedButton::SetFlat(bool flat) {
  if (flat == FFlat)
    return;
  FFlat = flat;
  Changed("Flat");
}

void TSpeedButton::SetLayout(TButtonLayout layout) {
  if (layout == FLayout)
    return;
  FLayout = layout;
  Changed("Layout");
}

void TSpeedButton::SetMargin(int margin) {
  if (margin == FMargin)
    return;
  FMargin = margin;
  Changed("Margin");
}

void TSpeedButton::SetSpacing(int spacing) {
  if (spacing == FSpacing)
    return;
  FSpacing = spacing;
  Changed("Spacing");
}

void TSpeedButton::SetNumGlyphs(int count) {
  count = std::clamp(count, 1, 4);
  if (count == FNumGlyphs)
    return;
  FNumGlyphs = count;
  Changed("NumGlyphs");
}

void TSpeedButton::SetTransparent(bool transparent) {
  if (transparent == FTransparent)
    return;
  FTransparent = transparent;
  Changed("Transparent");
}

void TSpeedButton::SetDown(bool down) {
  if (FGroupIndex == 0)
    down = false;
  if (down == FDown)
    return;
  FDown = down;
  Changed("Down");
  if (!down || GetParent() == nullptr)
    return;
  TWinControl* parent = GetParent();
  for (int i = 0; i < parent->ControlCount(); ++i) {
    TControl* sibling = parent->Controls(i);
    if (sibling != this && sibling->Is<TSpeedButton>() &&
        static_cast<TSpeedButton*>(sibling)->FGroupIndex == FGroupIndex)
      static_cast<TSpeedButton*>(sibling)->SetDown(false);
  }
}

void TSpeedButton::PerformClick() {
  if (FGroupIndex != 0) {
    if (!FDown)
      SetDown(true);
    else if (FAllowAllUp)
      SetDown(false);
  }
  Click();
}
