#include "ui/Menus.h"

#include "runtime/Exceptions.h"
#include "runtime/StrUtils.h"
#include "ui/Forms.h"

#include <algorithm>
#include <utility>

namespace {

const std::pair<Word, const char*> KeyNames[] = {
    {VK_BACK, "BkSp"},   {VK_TAB, "Tab"},    {VK_RETURN, "Enter"}, {VK_ESCAPE, "Esc"},
    {VK_SPACE, "Space"}, {VK_PRIOR, "PgUp"}, {VK_NEXT, "PgDn"},    {VK_END, "End"},
    {VK_HOME, "Home"},   {VK_LEFT, "Left"},  {VK_UP, "Up"},        {VK_RIGHT, "Right"},
    {VK_DOWN, "Down"},   {VK_INSERT, "Ins"}, {VK_DELETE, "Del"},
};

std::string KeyName(Word key) {
  if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9'))
    return std::string(1, static_cast<char>(key));
  if (key >= VK_F1 && key <= VK_F12)
    return "F" + std::to_string(key - VK_F1 + 1);
  for (const auto& [code, name] : KeyNames)
    if (code == key)
      return name;
  return {};
}

Word KeyOfName(const std::string& name) {
  if (name.size() == 1) {
    const char c = static_cast<char>(UpperCase(name)[0]);
    if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
      return static_cast<Word>(c);
  }
  if (name.size() >= 2 && (name[0] == 'F' || name[0] == 'f')) {
    const std::string digits = name.substr(1);
    if (std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
      const int n = std::stoi(digits);
      if (n >= 1 && n <= 12)
        return static_cast<Word>(VK_F1 + n - 1);
    }
  }
  for (const auto& [code, keyName] : KeyNames)
    if (SameText(keyName, name))
      return code;
  return 0;
}

std::string StripAmpersands(const std::string& caption) {
  std::string result;
  for (char c : caption)
    if (c != '&')
      result += c;
  return result;
}

} // namespace

TShortCut ShortCut(Word key, TShiftState shift) {
  if ((key & 0xFF00) != 0)
    return 0;
  TShortCut result = key;
  if (shift.Contains(ssShift))
    result |= scShift;
  if (shift.Contains(ssCtrl))
    result |= scCtrl;
  if (shift.Contains(ssAlt))
    result |= scAlt;
  return result;
}

void ShortCutToKey(TShortCut shortCut, Word& key, TShiftState& shift) {
  key = shortCut & 0xFF;
  shift = {};
  if (shortCut & scShift)
    shift.Include(ssShift);
  if (shortCut & scCtrl)
    shift.Include(ssCtrl);
  if (shortCut & scAlt)
    shift.Include(ssAlt);
}

std::string ShortCutToText(TShortCut shortCut) {
  const std::string name = KeyName(shortCut & 0xFF);
  if (name.empty())
    return {};
  std::string text;
  if (shortCut & scShift)
    text += "Shift+";
  if (shortCut & scCtrl)
    text += "Ctrl+";
  if (shortCut & scAlt)
    text += "Alt+";
  return text + name;
}

TShortCut TextToShortCut(const std::string& text) {
  TShortCut modifiers = 0;
  std::string rest = text;
  for (bool found = true; found;) {
    found = false;
    for (const auto& [prefix, bit] : {std::pair<const char*, TShortCut>{"Shift+", scShift},
                                      {"Ctrl+", scCtrl},
                                      {"Alt+", scAlt}}) {
      if (StartsText(prefix, rest)) {
        modifiers |= bit;
        rest = rest.substr(std::char_traits<char>::length(prefix));
        found = true;
      }
    }
  }
  const Word key = KeyOfName(rest);
  return key == 0 ? 0 : static_cast<TShortCut>(key | modifiers);
}

// ---------------------------------------------------------------------------------------------
// TMenuItem

const TClassInfo& TMenuItem::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TMenuItem>("TMenuItem")
          .Property("Caption", &TMenuItem::GetCaption, &TMenuItem::SetCaption)
          .Property("Checked", &TMenuItem::GetChecked, &TMenuItem::SetChecked)
          .Property("Enabled", &TMenuItem::GetEnabled, &TMenuItem::SetEnabled)
          .Property("Visible", &TMenuItem::GetVisible, &TMenuItem::SetVisible)
          .Property("ShortCut", &TMenuItem::GetShortCut, &TMenuItem::SetShortCut)
          .Property("Hint", &TMenuItem::GetHint, &TMenuItem::SetHint)
          .Property("ImageIndex", &TMenuItem::GetImageIndex, &TMenuItem::SetImageIndex)
          .Creatable()
          .Build();
  return info;
}

TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner) {}

TMenuItem::~TMenuItem() {
  while (!FItems.empty()) {
    TMenuItem* last = FItems.back();
    Remove(last);
    delete last;
  }
  if (FParent != nullptr)
    FParent->Remove(this);
}

void TMenuItem::Changed(const std::string& name) {
  ApplicationOf(this).Notify([&](TControlObserver& o) { o.PropertyChanged(*this, name); });
}

void TMenuItem::SetCaption(const std::string& caption) {
  if (caption == FCaption)
    return;
  FCaption = caption;
  Changed("Caption");
}

void TMenuItem::SetChecked(bool checked) {
  if (checked == FChecked)
    return;
  FChecked = checked;
  Changed("Checked");
}

void TMenuItem::SetEnabled(bool enabled) {
  if (enabled == FEnabled)
    return;
  FEnabled = enabled;
  Changed("Enabled");
}

void TMenuItem::SetVisible(bool visible) {
  if (visible == FVisible)
    return;
  FVisible = visible;
  Changed("Visible");
}

void TMenuItem::SetShortCut(TShortCut shortCut) {
  if (shortCut == FShortCut)
    return;
  FShortCut = shortCut;
  Changed("ShortCut");
}

void TMenuItem::SetHint(const std::string& hint) {
  if (hint == FHint)
    return;
  FHint = hint;
  Changed("Hint");
}

void TMenuItem::SetImageIndex(int index) {
  if (index == FImageIndex)
    return;
  FImageIndex = index;
  Changed("ImageIndex");
}

TMenuItem* TMenuItem::Items(int index) const {
  if (index < 0 || index >= Count())
    throw EListError("Menu index out of bounds (" + std::to_string(index) + ")");
  return FItems[static_cast<size_t>(index)];
}

TMenu* TMenuItem::GetMenu() const {
  const TMenuItem* item = this;
  while (item->FParent != nullptr)
    item = item->FParent;
  return item->FMenu;
}

void TMenuItem::Add(TMenuItem* item) {
  Insert(Count(), item);
}

void TMenuItem::Insert(int index, TMenuItem* item) {
  if (item == nullptr)
    return;
  if (item->FParent != nullptr)
    throw EInvalidOperation("Menu item \"" + item->GetName() + "\" is already in a menu");
  for (const TMenuItem* p = this; p != nullptr; p = p->FParent)
    if (p == item)
      throw EInvalidOperation("A menu item cannot hold itself");
  index = std::clamp(index, 0, Count());
  FItems.insert(FItems.begin() + index, item);
  item->FParent = this;
  Changed("Items");
}

void TMenuItem::Remove(TMenuItem* item) {
  const auto it = std::find(FItems.begin(), FItems.end(), item);
  if (it == FItems.end())
    return;
  FItems.erase(it);
  item->FParent = nullptr;
  Changed("Items");
}

void TMenuItem::Delete(int index) {
  TMenuItem* item = Items(index);
  Remove(item);
  delete item;
}

void TMenuItem::Clear() {
  while (Count() > 0)
    Delete(Count() - 1);
}

int TMenuItem::IndexOf(const TMenuItem* item) const {
  const auto it = std::find(FItems.begin(), FItems.end(), item);
  return it == FItems.end() ? -1 : static_cast<int>(it - FItems.begin());
}

int TMenuItem::GetMenuIndex() const {
  return FParent == nullptr ? -1 : FParent->IndexOf(this);
}

void TMenuItem::SetMenuIndex(int index) {
  if (FParent == nullptr)
    return;
  TMenuItem* parent = FParent;
  parent->Remove(this);
  parent->Insert(index, this);
}

TMenuItem* TMenuItem::Find(const std::string& caption) const {
  const std::string wanted = StripAmpersands(caption);
  for (TMenuItem* item : FItems)
    if (SameText(StripAmpersands(item->FCaption), wanted))
      return item;
  return nullptr;
}

TMenuItem* TMenuItem::FindShortCut(TShortCut shortCut) const {
  if (shortCut == 0)
    return nullptr;
  for (TMenuItem* item : FItems) {
    if (!item->FVisible || !item->FEnabled)
      continue;
    if (item->FShortCut == shortCut)
      return item;
    if (TMenuItem* found = item->FindShortCut(shortCut))
      return found;
  }
  return nullptr;
}

void TMenuItem::Click() {
  if (FEnabled && OnClick)
    OnClick(this);
}

// ---------------------------------------------------------------------------------------------
// TMenu

const TClassInfo& TMenu::StaticClass() {
  static const TClassInfo info = TClassBuilder<TMenu>("TMenu").Build();
  return info;
}

TMenu::TMenu(TComponent* AOwner) : TComponent(AOwner), FItems(new TMenuItem(this)) {
  FItems->FMenu = this;
}

TMenu::~TMenu() {
  DestroyComponents();
}

bool TMenu::IsShortCut(Word key, TShiftState shift) {
  TMenuItem* item = FItems->FindShortCut(ShortCut(key, shift));
  if (item == nullptr)
    return false;
  item->Click();
  return true;
}

namespace {

TMenuItem* FindByName(const TMenuItem& parent, const std::string& name) {
  for (int i = 0; i < parent.Count(); ++i) {
    TMenuItem* item = parent.Items(i);
    if (SameText(item->GetName(), name))
      return item;
    if (TMenuItem* found = FindByName(*item, name))
      return found;
  }
  return nullptr;
}

} // namespace

TMenuItem* TMenu::FindItemByName(const std::string& name) const {
  return FindByName(*FItems, name);
}

const TClassInfo& TMainMenu::StaticClass() {
  static const TClassInfo info = TClassBuilder<TMainMenu>("TMainMenu").Creatable().Build();
  return info;
}

const TClassInfo& TPopupMenu::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TPopupMenu>("TPopupMenu")
          .Property("AutoPopup", &TPopupMenu::GetAutoPopup, &TPopupMenu::SetAutoPopup)
          .Creatable()
          .Build();
  return info;
}

void TPopupMenu::SetPopupComponent(TComponent* component) {
  if (FPopupComponent != nullptr)
    RemoveFreeNotification(FPopupComponent);
  FPopupComponent = component;
  if (component != nullptr)
    FreeNotification(component);
}

void TPopupMenu::Notification(TComponent* component, TOperation operation) {
  TMenu::Notification(component, operation);
  if (operation == TOperation::opRemove && component == FPopupComponent)
    FPopupComponent = nullptr;
}

void TPopupMenu::Popup(int x, int y) {
  FPopupPoint = {x, y};
  if (OnPopup)
    OnPopup(this);
  ApplicationOf(this).Notify([&](TControlObserver& o) { o.MenuPopup(*this, FPopupPoint); });
}
