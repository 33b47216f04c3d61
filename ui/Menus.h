#pragma once

// Menus: a tree of items with captions, shortcuts and click events.  A main menu holds a form's
// commands; a popup menu is a control's context menu.

#include "runtime/Component.h"
#include "ui/Types.h"

#include <string>
#include <vector>

class TMenu;

// A key with its modifiers: the key code in the low byte, Shift, Ctrl and Alt as high bits.
using TShortCut = uint16_t;
inline constexpr TShortCut scShift = 0x2000;
inline constexpr TShortCut scCtrl = 0x4000;
inline constexpr TShortCut scAlt = 0x8000;

TShortCut ShortCut(Word key, TShiftState shift);
void ShortCutToKey(TShortCut shortCut, Word& key, TShiftState& shift);
// "Ctrl+F4", "Shift+Ctrl+A", "Del"...; an empty text for no shortcut.
std::string ShortCutToText(TShortCut shortCut);
// The inverse of ShortCutToText; 0 for a text that is not a shortcut.
TShortCut TextToShortCut(const std::string& text);

// A menu item.  Its sub-items are a list of items it does not own (the form owns them, as it
// owns its controls); destroying an item destroys its sub-items, as the platform does.  A caption
// of "-" makes the item a separator.
class TMenuItem : public TComponent {
  DUO_CLASS(TMenuItem, TComponent)

public:
  explicit TMenuItem(TComponent* AOwner);
  ~TMenuItem() override;

  const std::string& GetCaption() const { return FCaption; }
  void SetCaption(const std::string& caption);
  bool GetChecked() const { return FChecked; }
  void SetChecked(bool checked);
  bool GetEnabled() const { return FEnabled; }
  void SetEnabled(bool enabled);
  bool GetVisible() const { return FVisible; }
  void SetVisible(bool visible);
  TShortCut GetShortCut() const { return FShortCut; }
  void SetShortCut(TShortCut shortCut);
  const std::string& GetHint() const { return FHint; }
  void SetHint(const std::string& hint);
  int GetImageIndex() const { return FImageIndex; }
  void SetImageIndex(int index);
  bool IsLine() const { return FCaption == "-"; }

  int Count() const { return static_cast<int>(FItems.size()); }
  TMenuItem* Items(int index) const;
  TMenuItem* GetParent() const { return FParent; }
  // The menu whose tree holds the item, or nullptr.
  TMenu* GetMenu() const;
  void Add(TMenuItem* item);
  void Insert(int index, TMenuItem* item);
  void Remove(TMenuItem* item);
  // Destroys the sub-item at `index`; Clear destroys them all.
  void Delete(int index);
  void Clear();
  int IndexOf(const TMenuItem* item) const;
  int GetMenuIndex() const;
  void SetMenuIndex(int index);
  // The sub-item with this caption (compared without case and without "&"), or nullptr.
  TMenuItem* Find(const std::string& caption) const;
  // The item of this tree whose shortcut this is, enabled and visible with all its parents.
  TMenuItem* FindShortCut(TShortCut shortCut) const;

  // Runs OnClick when the item is enabled.
  virtual void Click();
  TNotifyEvent OnClick;

private:
  friend class TMenu;

  std::string FCaption;
  bool FChecked = false;
  bool FEnabled = true;
  bool FVisible = true;
  TShortCut FShortCut = 0;
  std::string FHint;
  int FImageIndex = -1;
  TMenuItem* FParent = nullptr;
  TMenu* FMenu = nullptr;
  std::vector<TMenuItem*> FItems;

  void Changed(const std::string& name);
};

class TMenu : public TComponent {
  DUO_CLASS(TMenu, TComponent)

public:
  explicit TMenu(TComponent* AOwner);
  ~TMenu() override;

  // The root item; the menu's items are its sub-items.
  TMenuItem& GetItems() const { return *FItems; }
  // Clicks the item whose shortcut this is; returns whether one was clicked.
  bool IsShortCut(Word key, TShiftState shift);
  // The item of the tree named `name` (compared without case), or nullptr.
  TMenuItem* FindItemByName(const std::string& name) const;

private:
  TMenuItem* FItems;
};

class TMainMenu : public TMenu {
  DUO_CLASS(TMainMenu, TMenu)

public:
  using TMenu::TMenu;
};

class TPopupMenu : public TMenu {
  DUO_CLASS(TPopupMenu, TMenu)

public:
  using TMenu::TMenu;

  bool GetAutoPopup() const { return FAutoPopup; }
  void SetAutoPopup(bool autoPopup) { FAutoPopup = autoPopup; }
  // The component the menu was last shown for.
  TComponent* GetPopupComponent() const { return FPopupComponent; }
  void SetPopupComponent(TComponent* component);
  // Shows the menu at a point: runs OnPopup, then asks the observers (the backend) to present
  // it; the backend reports the chosen item's Click.
  virtual void Popup(int x, int y);
  TPoint GetPopupPoint() const { return FPopupPoint; }

  TNotifyEvent OnPopup;

protected:
  void Notification(TComponent* component, TOperation operation) override;

private:
  bool FAutoPopup = true;
  TComponent* FPopupComponent = nullptr;
  TPoint FPopupPoint;
};
