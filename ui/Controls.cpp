#include "ui/Controls.h"

#include "runtime/StrUtils.h"
#include "ui/Forms.h"
#include "ui/Menus.h"

#include <algorithm>
#include <cstdlib>

// ---------------------------------------------------------------------------------------------
// TControl

const TClassInfo& TControl::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TControl>("TControl")
          .Property("Left", &TControl::GetLeft, &TControl::SetLeft)
          .Property("Top", &TControl::GetTop, &TControl::SetTop)
          .Property("Width", &TControl::GetWidth, &TControl::SetWidth)
          .Property("Height", &TControl::GetHeight, &TControl::SetHeight)
          .Property("Align", &TControl::GetAlign, &TControl::SetAlign)
          .Property("Enabled", &TControl::GetEnabled, &TControl::SetEnabled)
          .Property("Visible", &TControl::GetVisible, &TControl::SetVisible)
          .Property("Hint", &TControl::GetHint, &TControl::SetHint)
          .Property("ShowHint", &TControl::GetShowHint, &TControl::SetShowHint)
          .Property("Color", &TControl::GetColor, &TControl::SetColor)
          .Property("ParentColor", &TControl::GetParentColor, &TControl::SetParentColor)
          .Property("ParentFont", &TControl::GetParentFont, &TControl::SetParentFont)
          .Build();
  return info;
}

TControl::TControl(TComponent* AOwner) : TComponent(AOwner), FApplication(&Application()) {
  FFont.OnChange = [this] {
    if (!FFontFromParent)
      FParentFont = false;
    Changed("Font");
    if (IsWindowed())
      static_cast<TWinControl*>(this)->ChildFontChanged();
  };
}

TControl::~TControl() {
  FDestroyingControl = true;
  TDragInfo& drag = FApplication->GetDrag();
  if (drag.Source == this)
    drag = TDragInfo{};
  if (drag.Target == this)
    drag.Target = nullptr;
  FApplication->Notify([this](TControlObserver& o) { o.ControlDestroying(*this); });
  if (FParent != nullptr)
    FParent->RemoveControl(this);
}

bool TControl::InDestruction() const {
  for (const TControl* c = this; c != nullptr; c = c->FParent)
    if (c->FDestroyingControl)
      return true;
  return false;
}

void TControl::SetParent(TWinControl* parent) {
  if (parent == FParent)
    return;
  if (parent != nullptr && IsWindowed() && static_cast<TWinControl*>(this)->ContainsControl(parent))
    throw EInvalidOperation("A control cannot have itself or a child of its own as its parent");
  if (FParent != nullptr)
    FParent->RemoveControl(this);
  if (parent != nullptr)
    parent->InsertControl(this);
}

void TControl::SetBounds(int left, int top, int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (left == FLeft && top == FTop && width == FWidth && height == FHeight)
    return;
  const bool resized = width != FWidth || height != FHeight;
  FLeft = left;
  FTop = top;
  FWidth = width;
  FHeight = height;
  Changed("Bounds");
  if (resized)
    Resized();
  if (FParent != nullptr && FAlign != alNone && !FParent->FAligning)
    FParent->Realign();
}

TPoint TControl::ClientToParentForm(TPoint point) const {
  for (const TControl* c = this; c != nullptr && !c->Is<TCustomForm>(); c = c->FParent) {
    point.X += c->FLeft;
    point.Y += c->FTop;
  }
  return point;
}

void TControl::SetAlign(TAlign align) {
  if (align == FAlign)
    return;
  FAlign = align;
  Changed("Align");
  if (FParent != nullptr)
    FParent->Realign();
}

void TControl::SetAnchors(TAnchors anchors) {
  if (anchors == FAnchors)
    return;
  FAnchors = anchors;
  Changed("Anchors");
}

void TControl::SetEnabled(bool enabled) {
  if (enabled == FEnabled)
    return;
  FEnabled = enabled;
  Changed("Enabled");
  EnabledChanged();
}

void TControl::SetVisible(bool visible) {
  if (visible == FVisible)
    return;
  FVisible = visible;
  Changed("Visible");
  VisibleChanged();
  if (FParent != nullptr && FAlign != alNone)
    FParent->Realign();
}

bool TControl::GetShowing() const {
  return FVisible && FParent != nullptr && FParent->GetShowing();
}

void TControl::SetText(const std::string& text) {
  if (text == FText)
    return;
  FText = text;
  Changed("Text");
  TextChanged();
}

void TControl::SetTextQuietly(const std::string& text) {
  if (text == FText)
    return;
  FText = text;
  Changed("Text");
}

void TControl::SetHint(const std::string& hint) {
  if (hint == FHint)
    return;
  FHint = hint;
  Changed("Hint");
}

void TControl::SetShowHint(bool showHint) {
  if (showHint == FShowHint)
    return;
  FShowHint = showHint;
  Changed("ShowHint");
}

void TControl::SetColor(TColor color) {
  FParentColor = false;
  // The colour spreads to the children that take their parent's, as an inherited one does.
  ParentColorChanged(color);
}

void TControl::SetParentColor(bool parentColor) {
  FParentColor = parentColor;
  if (parentColor && FParent != nullptr)
    ParentColorChanged(FParent->FColor);
}

void TControl::ParentColorChanged(TColor color) {
  if (color == FColor)
    return;
  FColor = color;
  Changed("Color");
  if (IsWindowed())
    static_cast<TWinControl*>(this)->ChildColorChanged();
}

void TControl::SetParentFont(bool parentFont) {
  FParentFont = parentFont;
  if (parentFont && FParent != nullptr)
    ParentFontChanged(FParent->FFont);
}

void TControl::ParentFontChanged(const TFont& font) {
  FFontFromParent = true;
  FFont.Assign(font);
  FFontFromParent = false;
}

void TControl::SetPopupMenu(TPopupMenu* menu) {
  if (menu == FPopupMenu)
    return;
  if (FPopupMenu != nullptr)
    RemoveFreeNotification(FPopupMenu);
  FPopupMenu = menu;
  if (menu != nullptr)
    FreeNotification(menu);
  Changed("PopupMenu");
}

void TControl::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == TOperation::opRemove && FPopupMenu != nullptr && component == FPopupMenu)
    FPopupMenu = nullptr;
}

void TControl::BringToFront() {
  if (FParent == nullptr)
    return;
  auto& list = FParent->FControls;
  std::erase(list, this);
  list.push_back(this);
  Changed("ZOrder");
  FParent->Realign();
}

void TControl::SendToBack() {
  if (FParent == nullptr)
    return;
  auto& list = FParent->FControls;
  std::erase(list, this);
  list.insert(list.begin(), this);
  Changed("ZOrder");
  FParent->Realign();
}

void TControl::Changed(const std::string& name) {
  FApplication->Notify([&](TControlObserver& o) { o.PropertyChanged(*this, name); });
}

void TControl::Resized() {
  if (OnResize && !FDestroyingControl)
    OnResize(this);
}

void TControl::VisibleChanged() {}

void TControl::EnabledChanged() {}

void TControl::Click() {
  if (OnClick)
    OnClick(this);
}

void TControl::DblClick() {
  if (OnDblClick)
    OnDblClick(this);
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  FApplication->GetDrag().MouseDownAt = {x, y};
  if (FDragMode == dmAutomatic && button == mbLeft)
    BeginDrag(false);
  if (OnMouseDown)
    OnMouseDown(this, button, shift, x, y);
}

void TControl::MouseMove(TShiftState shift, int x, int y) {
  if (OnMouseMove)
    OnMouseMove(this, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseUp)
    OnMouseUp(this, button, shift, x, y);
}

void TControl::MouseEnter() {
  if (OnMouseEnter)
    OnMouseEnter(this);
}

void TControl::MouseLeave() {
  if (OnMouseLeave)
    OnMouseLeave(this);
}

void TControl::BeginDrag(bool immediate, int threshold) {
  TDragInfo& drag = FApplication->GetDrag();
  const TPoint start = drag.MouseDownAt;
  drag = TDragInfo{};
  drag.MouseDownAt = start;
  drag.Start = start;
  drag.Source = this;
  drag.Threshold = threshold < 0 ? 5 : threshold;
  if (immediate) {
    drag.Started = true;
    DoStartDrag();
  }
}

bool TControl::Dragging() const {
  return FApplication->GetDrag().Source == this;
}

void TControl::DragOver(TObject* source, int x, int y, TDragState state, bool& accept) {
  accept = false;
  if (OnDragOver) {
    accept = true;
    OnDragOver(this, source, x, y, state, accept);
  }
}

void TControl::DragDrop(TObject* source, int x, int y) {
  if (OnDragDrop)
    OnDragDrop(this, source, x, y);
}

void TControl::DoStartDrag() {
  if (OnStartDrag)
    OnStartDrag(this);
}

void TControl::DoEndDrag(TObject* target, int x, int y) {
  if (OnEndDrag)
    OnEndDrag(this, target, x, y);
}

TCustomForm* GetParentForm(const TControl* control, bool topForm) {
  TCustomForm* result = nullptr;
  for (const TControl* c = control; c != nullptr; c = c->GetParent()) {
    if (c->Is<TCustomForm>()) {
      result = const_cast<TCustomForm*>(static_cast<const TCustomForm*>(c));
      if (!topForm)
        return result;
    }
  }
  return result;
}

// ---------------------------------------------------------------------------------------------
// TGraphicControl

const TClassInfo& TGraphicControl::StaticClass() {
  static const TClassInfo info = TClassBuilder<TGraphicControl>("TGraphicControl").Build();
  return info;
}

// ---------------------------------------------------------------------------------------------
// TWinControl

const TClassInfo& TWinControl::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TWinControl>("TWinControl")
          .Property("TabOrder", &TWinControl::GetTabOrder, &TWinControl::SetTabOrder)
          .Property("TabStop", &TWinControl::GetTabStop, &TWinControl::SetTabStop)
          .Build();
  return info;
}

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner) {}

TWinControl::~TWinControl() {
  MarkDestroying();
  while (!FControls.empty()) {
    TControl* child = FControls.back();
    RemoveControl(child);
    delete child;
  }
}

TControl* TWinControl::Controls(int index) const {
  if (index < 0 || index >= ControlCount())
    throw EListError("Control index out of bounds (" + std::to_string(index) + ")");
  return FControls[static_cast<size_t>(index)];
}

TControl* TWinControl::FindChildControl(const std::string& name) const {
  for (TControl* child : FControls) {
    if (SameText(child->GetName(), name))
      return child;
  }
  for (TControl* child : FControls) {
    if (child->IsWindowed()) {
      if (TControl* found = static_cast<TWinControl*>(child)->FindChildControl(name))
        return found;
    }
  }
  return nullptr;
}

bool TWinControl::ContainsControl(const TControl* control) const {
  for (const TControl* c = control; c != nullptr; c = c->GetParent())
    if (c == this)
      return true;
  return false;
}

void TWinControl::InsertControl(TControl* control) {
  FControls.push_back(control);
  control->FParent = this;
  if (control->IsWindowed()) {
    auto* win = static_cast<TWinControl*>(control);
    const int wanted = win->FTabOrderWanted;
    if (wanted >= 0 && wanted < static_cast<int>(FTabList.size()))
      FTabList.insert(FTabList.begin() + wanted, win);
    else
      FTabList.push_back(win);
    win->FTabOrderWanted = -1;
  }
  if (control->FParentFont)
    control->ParentFontChanged(FFont);
  if (control->FParentColor)
    control->ParentColorChanged(FColor);
  FApplication->Notify([&](TControlObserver& o) { o.ChildAdded(*this, *control); });
  ControlAdded(*control);
  Realign();
  if (control->IsWindowed())
    static_cast<TWinControl*>(control)->UpdateShowing();
}

void TWinControl::RemoveControl(TControl* control) {
  for (TControl* c = this; c != nullptr; c = c->GetParent())
    if (c->Is<TCustomForm>())
      static_cast<TCustomForm*>(c)->Defocus(control);
  std::erase(FControls, control);
  // Compared as controls: a windowed control being destroyed no longer says it is windowed by
  // the time its base class takes it off its parent, and must not stay in the tab order.
  std::erase_if(FTabList, [control](const TWinControl* c) { return c == control; });
  control->FParent = nullptr;
  FApplication->Notify([&](TControlObserver& o) { o.ChildRemoved(*this, *control); });
  if (IsDestroyingControl())
    return;
  ControlRemoved(*control);
  Realign();
  if (control->IsWindowed() && !control->IsDestroyingControl())
    static_cast<TWinControl*>(control)->UpdateShowing();
}

int TWinControl::GetTabOrder() const {
  if (GetParent() == nullptr)
    return FTabOrderWanted;
  const auto& list = GetParent()->FTabList;
  return static_cast<int>(std::find(list.begin(), list.end(), this) - list.begin());
}

void TWinControl::SetTabOrder(int order) {
  if (GetParent() == nullptr) {
    FTabOrderWanted = order;
    return;
  }
  auto& list = GetParent()->FTabList;
  order = std::clamp(order, 0, static_cast<int>(list.size()) - 1);
  if (order == GetTabOrder())
    return;
  std::erase(list, this);
  list.insert(list.begin() + order, this);
  Changed("TabOrder");
}

void TWinControl::SetTabStop(bool tabStop) {
  if (tabStop == FTabStop)
    return;
  FTabStop = tabStop;
  Changed("TabStop");
}

bool TWinControl::CanFocus() const {
  const TCustomForm* form = GetParentForm(this);
  if (form == nullptr || form == this || !form->GetShowing())
    return false;
  for (const TControl* c = this; c != nullptr; c = c->GetParent()) {
    if (!c->GetVisible() || !c->GetEnabled())
      return false;
    if (c == form)
      break;
  }
  return true;
}

bool TWinControl::Focused() const {
  const TCustomForm* form = GetParentForm(this);
  return form != nullptr && form->GetFocusedControl() == this;
}

void TWinControl::SetFocus() {
  if (!CanFocus())
    throw EInvalidOperation("Cannot focus a disabled or invisible window" +
                            (GetName().empty() ? std::string() : " (" + GetName() + ")"));
  GetParentForm(this)->FocusControl(this);
}

std::vector<TWinControl*> TWinControl::GetTabOrderList() const {
  std::vector<TWinControl*> list;
  for (TWinControl* child : FTabList) {
    list.push_back(child);
    const std::vector<TWinControl*> inner = child->GetTabOrderList();
    list.insert(list.end(), inner.begin(), inner.end());
  }
  return list;
}

TWinControl* TWinControl::FindNextControl(TWinControl* current, bool goForward, bool checkTabStop,
                                          bool checkParent) const {
  const std::vector<TWinControl*> list = GetTabOrderList();
  const int start = static_cast<int>(std::find(list.begin(), list.end(), current) - list.begin());
  const int found = detail::FindInRing(static_cast<int>(list.size()), start, goForward, [&](int i) {
    const TWinControl* candidate = list[static_cast<size_t>(i)];
    return candidate->CanFocus() && (!checkTabStop || candidate->FTabStop) &&
           (!checkParent || candidate->GetParent() == this);
  });
  return found < 0 ? nullptr : list[static_cast<size_t>(found)];
}

void TWinControl::SelectNext(TWinControl* current, bool goForward, bool checkTabStop) {
  if (TWinControl* next = FindNextControl(current, goForward, checkTabStop, !checkTabStop))
    next->SetFocus();
}

void TWinControl::EnableAlign() {
  if (FAlignDisabled > 0 && --FAlignDisabled == 0)
    Realign();
}

void TWinControl::Realign() {
  if (FAlignDisabled > 0 || FAligning || IsDestroyingControl())
    return;
  FAligning = true;
  try {
    AlignControls();
  } catch (...) {
    FAligning = false;
    throw;
  }
  FAligning = false;
}

void TWinControl::AlignControls() {
  TRect r = GetDisplayRect();
  for (TAlign kind : {alTop, alBottom, alLeft, alRight, alClient}) {
    for (TControl* c : std::vector<TControl*>(FControls)) {
      if (!c->GetVisible() || c->GetAlign() != kind)
        continue;
      const int w = c->GetWidth();
      const int h = c->GetHeight();
      switch (kind) {
      case alTop:
        c->SetBounds(r.Left, r.Top, r.Width(), h);
        r.Top = std::min(r.Top + h, r.Bottom);
        break;
      case alBottom:
        c->SetBounds(r.Left, r.Bottom - h, r.Width(), h);
        r.Bottom = std::max(r.Bottom - h, r.Top);
        break;
      case alLeft:
        c->SetBounds(r.Left, r.Top, w, r.Height());
        r.Left = std::min(r.Left + w, r.Right);
        break;
      case alRight:
        c->SetBounds(r.Right - w, r.Top, w, r.Height());
        r.Right = std::max(r.Right - w, r.Left);
        break;
      default:
        c->SetBounds(r.Left, r.Top, r.Width(), r.Height());
        break;
      }
    }
  }
}

void TWinControl::AnchorChildren(int dx, int dy) {
  for (TControl* c : FControls) {
    if (c->GetAlign() != alNone)
      continue;
    const TAnchors a = c->GetAnchors();
    int left = c->GetLeft(), top = c->GetTop(), width = c->GetWidth(), height = c->GetHeight();
    if (a.Contains(akRight) && a.Contains(akLeft))
      width += dx;
    else if (a.Contains(akRight))
      left += dx;
    else if (!a.Contains(akLeft))
      left += dx / 2;
    if (a.Contains(akBottom) && a.Contains(akTop))
      height += dy;
    else if (a.Contains(akBottom))
      top += dy;
    else if (!a.Contains(akTop))
      top += dy / 2;
    c->SetBounds(left, top, width, height);
  }
}

void TWinControl::Resized() {
  const int w = GetClientWidth();
  const int h = GetClientHeight();
  if (FOldClientWidth > 0 && FOldClientHeight > 0 && !FAligning)
    AnchorChildren(w - FOldClientWidth, h - FOldClientHeight);
  FOldClientWidth = w;
  FOldClientHeight = h;
  Realign();
  TControl::Resized();
}

void TWinControl::VisibleChanged() {
  if (!GetVisible()) {
    if (TCustomForm* form = GetParentForm(this); form != nullptr && form != this)
      form->Defocus(this);
  }
  UpdateShowing();
}

void TWinControl::EnabledChanged() {
  if (!GetEnabled()) {
    if (TCustomForm* form = GetParentForm(this); form != nullptr && form != this)
      form->Defocus(this);
  }
}

void TWinControl::UpdateShowing() {
  const bool showing = GetShowing();
  if (showing != FShowing) {
    FShowing = showing;
    ShowingChanged();
  }
  for (TControl* child : std::vector<TControl*>(FControls))
    if (child->IsWindowed())
      static_cast<TWinControl*>(child)->UpdateShowing();
}

void TWinControl::ChildFontChanged() {
  for (TControl* child : FControls)
    if (child->FParentFont)
      child->ParentFontChanged(FFont);
}

void TWinControl::ChildColorChanged() {
  for (TControl* child : FControls)
    if (child->FParentColor)
      child->ParentColorChanged(FColor);
}

void TWinControl::KeyDown(Word& key, TShiftState shift) {
  if (OnKeyDown)
    OnKeyDown(this, key, shift);
}

void TWinControl::KeyPress(char& key) {
  if (OnKeyPress)
    OnKeyPress(this, key);
}

void TWinControl::KeyUp(Word& key, TShiftState shift) {
  if (OnKeyUp)
    OnKeyUp(this, key, shift);
}

void TWinControl::KeyDownDefault(Word, TShiftState) {}

void TWinControl::KeyPressDefault(char) {}

bool TWinControl::WantsKey(Word) const {
  return false;
}

void TWinControl::DoEnter() {
  if (OnEnter)
    OnEnter(this);
}

void TWinControl::DoExit() {
  if (OnExit)
    OnExit(this);
}

namespace detail {

TFreeWatch::TFreeWatch(TComponent* target) : TComponent(nullptr), FTarget(target) {
  if (target != nullptr)
    FreeNotification(target);
}

TFreeWatch::~TFreeWatch() {
  if (FTarget != nullptr)
    RemoveFreeNotification(FTarget);
}

void TFreeWatch::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == TOperation::opRemove && component == FTarget)
    FTarget = nullptr;
}

} // namespace detail
