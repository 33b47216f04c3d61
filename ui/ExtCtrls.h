#pragma once

// Panels, pictures, radio groups and edits with a label.

#include "ui/StdCtrls.h"

enum class TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
using enum TBevelCut;

// A container with an optional caption and bevels; the bevels and the border narrow the area
// its children are laid out in.
class TCustomPanel : public TWinControl {
  DUO_CLASS(TCustomPanel, TWinControl)

public:
  explicit TCustomPanel(TComponent* AOwner);

  TAlignment GetAlignment() const { return FAlignment; }
  void SetAlignment(TAlignment alignment);
  TBevelCut GetBevelOuter() const { return FBevelOuter; }
  void SetBevelOuter(TBevelCut bevel);
  TBevelCut GetBevelInner() const { return FBevelInner; }
  void SetBevelInner(TBevelCut bevel);
  int GetBevelWidth() const { return FBevelWidth; }
  void SetBevelWidth(int width);
  int GetBorderWidth() const { return FBorderWidth; }
  void SetBorderWidth(int width);
  TBorderStyle GetBorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle style);
  bool GetShowCaption() const { return FShowCaption; }
  void SetShowCaption(bool show);
  bool GetParentBackground() const { return FParentBackground; }
  void SetParentBackground(bool value);

  TRect GetDisplayRect() const override;
  bool TakesFocusOnClick() const override { return false; }

private:
  TAlignment FAlignment = taCenter;
  TBevelCut FBevelOuter = bvRaised;
  TBevelCut FBevelInner = bvNone;
  int FBevelWidth = 1;
  int FBorderWidth = 0;
  TBorderStyle FBorderStyle = bsNone;
  bool FShowCaption = true;
  bool FParentBackground = true;

  void BordersChanged(const std::string& name);
};

class TPanel : public TCustomPanel {
  DUO_CLASS(TPanel, TCustomPanel)

public:
  using TCustomPanel::TCustomPanel;
};

// Shows a picture.
class TImage : public TGraphicControl {
  DUO_CLASS(TImage, TGraphicControl)

public:
  explicit TImage(TComponent* AOwner);

  TPicture& GetPicture() { return FPicture; }
  const TPicture& GetPicture() const { return FPicture; }
  void SetPicture(const TPicture& picture) { FPicture.Assign(picture); }
  bool GetStretch() const { return FStretch; }
  void SetStretch(bool stretch);
  bool GetCenter() const { return FCenter; }
  void SetCenter(bool center);
  bool GetProportional() const { return FProportional; }
  void SetProportional(bool proportional);
  bool GetTransparent() const { return FTransparent; }
  void SetTransparent(bool transparent);

protected:
  // Runs after every change of the picture.
  virtual void PictureChanged();

private:
  TPicture FPicture;
  bool FStretch = false;
  bool FCenter = false;
  bool FProportional = false;
  bool FTransparent = false;
};

// A group of radio buttons, one per item, in Columns columns.  Setting ItemIndex to an item, by
// code or by the user's choice, raises OnClick.
class TCustomRadioGroup : public TCustomGroupBox {
  DUO_CLASS(TCustomRadioGroup, TCustomGroupBox)

public:
  explicit TCustomRadioGroup(TComponent* AOwner);

  TStrings& GetItems() { return FItems; }
  const TStrings& GetItems() const { return FItems; }
  void SetItems(const TStrings& items) { FItems.Assign(items); }
  int GetItemIndex() const { return FItemIndex; }
  void SetItemIndex(int index);
  int GetColumns() const { return FColumns; }
  void SetColumns(int columns);

  // User input: choosing the item's button.
  virtual void SelectItem(int index);
  void KeyDownDefault(Word key, TShiftState shift) override;
  bool WantsKey(Word key) const override;
  bool TakesFocusOnClick() const override { return true; }

protected:
  // Sets the index without OnClick.
  void SetItemIndexQuietly(int index);

private:
  TStringList FItems;
  int FItemIndex = -1;
  int FColumns = 1;
};

class TRadioGroup : public TCustomRadioGroup {
  DUO_CLASS(TRadioGroup, TCustomRadioGroup)

public:
  using TCustomRadioGroup::TCustomRadioGroup;
};

enum class TLabelPosition { lpAbove, lpBelow, lpLeft, lpRight };
using enum TLabelPosition;

// An edit with a label of its own, kept beside it (above by default) on the same parent.
class TLabeledEdit : public TCustomEdit {
  DUO_CLASS(TLabeledEdit, TCustomEdit)

public:
  explicit TLabeledEdit(TComponent* AOwner);

  TLabel& GetEditLabel() const { return *FEditLabel; }
  TLabelPosition GetLabelPosition() const { return FLabelPosition; }
  void SetLabelPosition(TLabelPosition position);
  int GetLabelSpacing() const { return FLabelSpacing; }
  void SetLabelSpacing(int spacing);

  void SetParent(TWinControl* parent) override;
  void SetBounds(int left, int top, int width, int height) override;
  void SetVisible(bool visible) override;
  void SetEnabled(bool enabled) override;

protected:
  void Notification(TComponent* component, TOperation operation) override;

private:
  TLabel* FEditLabel;
  TLabelPosition FLabelPosition = lpAbove;
  int FLabelSpacing = 3;

  void PlaceLabel();
};
