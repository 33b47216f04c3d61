#pragma once

// The control model: every control is a component with a parent, bounds, a text, visibility,
// enablement, a font and a colour, and raises the platform's events.  Controls draw nothing; a
// backend follows their changes through the application's observers (TControlObserver) and
// reports the user's input through the public input methods (Click, MouseDown, KeyDown...).

#include "runtime/Component.h"
#include "ui/Graphics.h"
#include "ui/Types.h"

#include <string>
#include <vector>

class TApplication;
class TControl;
class TCustomForm;
class TPopupMenu;
class TWinControl;

enum class TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };
using enum TAlign;

enum class TAnchorKind { akLeft, akTop, akRight, akBottom };
using enum TAnchorKind;
using TAnchors = TSet<TAnchorKind>;

enum class TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
using enum TFormBorderStyle;
// The border of a control: bsNone or bsSingle.
using TBorderStyle = TFormBorderStyle;

enum class TDragMode { dmManual, dmAutomatic };
using enum TDragMode;

// An operation the control cannot do in its present state (focusing a hidden control, showing a
// visible form modally...).
class EInvalidOperation : public Exception {
public:
  using Exception::Exception;
};

// Told about every change of the model, so that a presentation can follow it.  Property names
// are the published names ("Text" for a control's text or caption, "Bounds" for its position and
// size).
class TControlObserver {
public:
  virtual ~TControlObserver() = default;
  virtual void PropertyChanged(TComponent& /*component*/, const std::string& /*name*/) {}
  virtual void ChildAdded(TWinControl& /*parent*/, TControl& /*child*/) {}
  virtual void ChildRemoved(TWinControl& /*parent*/, TControl& /*child*/) {}
  virtual void ControlDestroying(TControl& /*control*/) {}
  virtual void FormShown(TCustomForm& /*form*/) {}
  virtual void FormHidden(TCustomForm& /*form*/) {}
  virtual void ModalStarted(TCustomForm& /*form*/) {}
  virtual void ModalEnded(TCustomForm& /*form*/) {}
  virtual void FocusChanged(TCustomForm& /*form*/, TWinControl* /*focused*/) {}
  // A popup menu is to be shown at a point of the screen; the backend presents it and reports
  // the chosen item's Click.
  virtual void MenuPopup(TPopupMenu& /*menu*/, TPoint /*at*/) {}
};

class TControl : public TComponent {
  DUO_CLASS(TControl, TComponent)

public:
  // The control belongs to the calling thread's application (see Application()).
  explicit TControl(TComponent* AOwner);
  ~TControl() override;

  TApplication& GetApplication() const { return *FApplication; }

  TWinControl* GetParent() const { return FParent; }
  virtual void SetParent(TWinControl* parent);
  bool HasParent() const { return FParent != nullptr; }

  int GetLeft() const { return FLeft; }
  int GetTop() const { return FTop; }
  int GetWidth() const { return FWidth; }
  int GetHeight() const { return FHeight; }
  void SetLeft(int value) { SetBounds(value, FTop, FWidth, FHeight); }
  void SetTop(int value) { SetBounds(FLeft, value, FWidth, FHeight); }
  void SetWidth(int value) { SetBounds(FLeft, FTop, value, FHeight); }
  void SetHeight(int value) { SetBounds(FLeft, FTop, FWidth, value); }
  virtual void SetBounds(int left, int top, int width, int height);
  TRect GetBoundsRect() const { return Bounds(FLeft, FTop, FWidth, FHeight); }
  // The client area, in the control's own coordinates.
  virtual int GetClientWidth() const { return FWidth; }
  virtual int GetClientHeight() const { return FHeight; }
  virtual void SetClientWidth(int value) { SetWidth(value); }
  virtual void SetClientHeight(int value) { SetHeight(value); }
  TRect GetClientRect() const { return Rect(0, 0, GetClientWidth(), GetClientHeight()); }
  // Converts between the control's client coordinates and its parent form's client coordinates.
  TPoint ClientToParentForm(TPoint point) const;

  TAlign GetAlign() const { return FAlign; }
  void SetAlign(TAlign align);
  TAnchors GetAnchors() const { return FAnchors; }
  void SetAnchors(TAnchors anchors);

  bool GetEnabled() const { return FEnabled; }
  virtual void SetEnabled(bool enabled);
  bool GetVisible() const { return FVisible; }
  virtual void SetVisible(bool visible);
  // Visible, and so is every parent up to a form that is shown.
  virtual bool GetShowing() const;

  // Caption and Text are one value, the control's text.
  const std::string& GetText() const { return FText; }
  void SetText(const std::string& text);
  const std::string& GetCaption() const { return FText; }
  void SetCaption(const std::string& caption) { SetText(caption); }

  const std::string& GetHint() const { return FHint; }
  void SetHint(const std::string& hint);
  bool GetShowHint() const { return FShowHint; }
  void SetShowHint(bool showHint);

  TColor GetColor() const { return FColor; }
  void SetColor(TColor color);
  bool GetParentColor() const { return FParentColor; }
  void SetParentColor(bool parentColor);
  // Changing the font directly clears ParentFont.
  TFont& GetFont() { return FFont; }
  const TFont& GetFont() const { return FFont; }
  bool GetParentFont() const { return FParentFont; }
  void SetParentFont(bool parentFont);

  TPopupMenu* GetPopupMenu() const { return FPopupMenu; }
  void SetPopupMenu(TPopupMenu* menu);
  TDragMode GetDragMode() const { return FDragMode; }
  void SetDragMode(TDragMode mode) { FDragMode = mode; }

  // This control or one of its parents is being destroyed.
  bool InDestruction() const;

  // Windowed controls can hold the focus and contain other controls.
  virtual bool IsWindowed() const { return false; }

  // Brings the control to the end of its parent's child list (the front), or to the start.
  void BringToFront();
  void SendToBack();

  // Input methods: a backend or a driver reports the user's actions through them; each raises
  // the matching event.
  virtual void Click();
  // What the user's click does: raises OnClick; a check box toggles, a radio button checks.
  virtual void PerformClick() { Click(); }
  virtual void DblClick();
  virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseMove(TShiftState shift, int x, int y);
  virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseEnter();
  virtual void MouseLeave();

  // Dragging.  BeginDrag starts at once when `immediate`, else once the pointer has moved
  // `threshold` pixels (5 when negative) from where the button went down.
  void BeginDrag(bool immediate, int threshold = -1);
  bool Dragging() const;
  virtual void DragOver(TObject* source, int x, int y, TDragState state, bool& accept);
  virtual void DragDrop(TObject* source, int x, int y);
  virtual void DoStartDrag();
  virtual void DoEndDrag(TObject* target, int x, int y);

  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;
  TMouseMoveEvent OnMouseMove;
  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseLeave;
  TDragOverEvent OnDragOver;
  TDragDropEvent OnDragDrop;
  TStartDragEvent OnStartDrag;
  TEndDragEvent OnEndDrag;
  TNotifyEvent OnResize;

protected:
  // Reports a change of a published property to the application's observers.
  void Changed(const std::string& name);
  // Called after the text changed, by code or by the user.
  virtual void TextChanged() {}
  virtual void Resized();
  virtual void VisibleChanged();
  virtual void EnabledChanged();
  // Sets the text without TextChanged(): for controls whose text follows another value.
  void SetTextQuietly(const std::string& text);
  // Sets Visible without events, for a control that starts hidden (forms).
  void InitVisible(bool visible) { FVisible = visible; }
  // Destructors call this first, so that taking the control apart raises no user events.
  void MarkDestroying() { FDestroyingControl = true; }
  bool IsDestroyingControl() const { return FDestroyingControl; }

  void Notification(TComponent* component, TOperation operation) override;

private:
  friend class TWinControl;

  TApplication* FApplication;
  TWinControl* FParent = nullptr;
  int FLeft = 0;
  int FTop = 0;
  int FWidth = 0;
  int FHeight = 0;
  TAlign FAlign = alNone;
  TAnchors FAnchors{akLeft, akTop};
  bool FEnabled = true;
  bool FVisible = true;
  std::string FText;
  std::string FHint;
  bool FShowHint = false;
  TColor FColor = clBtnFace;
  bool FParentColor = false;
  TFont FFont;
  bool FParentFont = true;
  bool FFontFromParent = false;
  bool FDestroyingControl = false;
  TPopupMenu* FPopupMenu = nullptr;
  TDragMode FDragMode = dmManual;

  void ParentFontChanged(const TFont& font);
  void ParentColorChanged(TColor color);
};

// A control that cannot hold the focus or contain others (labels, images, speed buttons).
class TGraphicControl : public TControl {
  DUO_CLASS(TGraphicControl, TControl)

public:
  using TControl::TControl;
};

// A control that can hold the focus and contain other controls.  Destroying it destroys its
// child controls.  Children with an Align are laid out in the client area, in child order:
// first the top ones from the top down, then bottom, left, right, and the client one last.
class TWinControl : public TControl {
  DUO_CLASS(TWinControl, TControl)

public:
  explicit TWinControl(TComponent* AOwner);
  ~TWinControl() override;

  bool IsWindowed() const override { return true; }

  int ControlCount() const { return static_cast<int>(FControls.size()); }
  TControl* Controls(int index) const;
  // The first descendant named `name` (compared without case), or nullptr.
  TControl* FindChildControl(const std::string& name) const;
  // This control or one of its descendants.
  bool ContainsControl(const TControl* control) const;

  // The position among the parent's windowed children in tab order; -1 without a parent.
  int GetTabOrder() const;
  void SetTabOrder(int order);
  bool GetTabStop() const { return FTabStop; }
  void SetTabStop(bool tabStop);

  // Showing and enabled up to the form.
  virtual bool CanFocus() const;
  bool Focused() const;
  // Raises EInvalidOperation when the control cannot take the focus.
  virtual void SetFocus();

  // Every windowed descendant in tab order: a control, then its own descendants.
  std::vector<TWinControl*> GetTabOrderList() const;
  TWinControl* FindNextControl(TWinControl* current, bool goForward, bool checkTabStop,
                               bool checkParent) const;
  void SelectNext(TWinControl* current, bool goForward, bool checkTabStop);

  // The area children are laid out in: the client rectangle less borders.
  virtual TRect GetDisplayRect() const { return GetClientRect(); }
  void Realign();
  void DisableAlign() { ++FAlignDisabled; }
  void EnableAlign();

  // Input methods for keys.  KeyDown, KeyPress and KeyUp raise the events; the default
  // processing of a key (inserting a character, moving in a list) follows when the handlers left
  // the key as it was.
  virtual void KeyDown(Word& key, TShiftState shift);
  virtual void KeyPress(char& key);
  virtual void KeyUp(Word& key, TShiftState shift);
  virtual void KeyDownDefault(Word key, TShiftState shift);
  virtual void KeyPressDefault(char key);
  // Typed text that is not a single ASCII character (raises no OnKeyPress); controls that take
  // text insert it.
  virtual void InsertText(const std::string& /*text*/) {}
  // The control handles this navigation key itself (Tab, Enter, Escape, arrows) instead of the
  // form.
  virtual bool WantsKey(Word key) const;
  // A click gives the control the focus (edits, buttons); containers leave the focus alone.
  virtual bool TakesFocusOnClick() const { return true; }
  virtual void DoEnter();
  virtual void DoExit();

  TNotifyEvent OnEnter;
  TNotifyEvent OnExit;
  TKeyEvent OnKeyDown;
  TKeyPressEvent OnKeyPress;
  TKeyEvent OnKeyUp;

protected:
  void Resized() override;
  void VisibleChanged() override;
  void EnabledChanged() override;
  // Lays out the aligned children; descendants with their own arrangement override it.
  virtual void AlignControls();
  virtual void ControlAdded(TControl& /*child*/) {}
  virtual void ControlRemoved(TControl& /*child*/) {}
  // Called when GetShowing() changed: the control or a parent was shown or hidden.
  virtual void ShowingChanged() {}
  // Re-reads GetShowing() of this control and its windowed descendants.
  void UpdateShowing();

private:
  friend class TControl;

  std::vector<TControl*> FControls;
  std::vector<TWinControl*> FTabList;
  bool FTabStop = false;
  int FTabOrderWanted = -1;
  int FAlignDisabled = 0;
  bool FAligning = false;
  bool FShowing = false;
  int FOldClientWidth = 0;
  int FOldClientHeight = 0;

  void InsertControl(TControl* control);
  void RemoveControl(TControl* control);
  void AnchorChildren(int dx, int dy);
  void ChildFontChanged();
  void ChildColorChanged();
};

// The form a control is on: the outermost one, or the nearest when `topForm` is false.
TCustomForm* GetParentForm(const TControl* control, bool topForm = true);

namespace detail {

// Tells whether a component still exists: input that runs handlers checks it before touching a
// control again, since a handler may free the control or its form.
class TFreeWatch : public TComponent {
public:
  explicit TFreeWatch(TComponent* target);
  ~TFreeWatch() override;
  bool Alive() const { return FTarget != nullptr; }

protected:
  void Notification(TComponent* component, TOperation operation) override;

private:
  TComponent* FTarget;
};

} // namespace detail
