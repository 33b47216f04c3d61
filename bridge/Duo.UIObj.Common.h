#pragma once

// What the control adapters share: reaching the form's framework type and the wrapped control,
// the state procedures several kinds hand over alike (enabled, visible, read-only, placeholder,
// text, data binding), and event procedures that run a control's handler with the control as
// Sender.

#include "bridge/Duo.FrameworkItems.h"
#include "bridge/Duo.Interfaces.h"
#include "bridge/Duo.UIObj.h"
#include "data/DBCtrls.h"
#include "ui/Controls.h"
#include "ui/StdCtrls.h"

namespace detail {

// The framework type of the adapter's form; raises when the form has none.
IDuoFrameworkType& FrameworkTypeOf(const IDuoUIObj& Adapter);
// The control the adapter's item wraps; raises when it wraps none.
TComponent& ControlOf(const IDuoUIObj& Adapter);
[[noreturn]] void RaiseWrongControl(const TComponent& Control, const TClassInfo& Expected);

// The wrapped control as a `T`; raises when it is of another kind.
template <class T> T& ControlAs(const IDuoUIObj& Adapter) {
  TComponent& control = ControlOf(Adapter);
  if (auto* result = dynamic_cast<T*>(&control))
    return *result;
  RaiseWrongControl(control, T::StaticClass());
}

// An adapter serving exactly the class `Served()` through the framework item `Getter` gives; the
// control is read as a `TControlT`, the most general control class that has what the adapter
// needs (so a class served through another's adapter fits too).
template <class TControlT, const TClassInfo& (*Served)(), class TItemT,
          TItemT& (IDuoFrameworkType::*Getter)()>
class TUIObjOf : public IDuoUIObj {
public:
  using IDuoUIObj::IDuoUIObj;
  static const TClassInfo& ServedClass() { return Served(); }
  const TClassInfo& UIClass() const override { return Served(); }
  TItemT& FrameworkItemClass() const override { return (FrameworkTypeOf(*this).*Getter)(); }

protected:
  TControlT& Control() const { return ControlAs<TControlT>(*this); }
};

// The control's Enabled, read up its parents, and set on the control itself.
void SetEnabledProcs(IDuoFrameworkItem& Item, TControl& Control);
// The control's Visible, read up its parents, and set on the control itself.
void SetVisibleProcs(IDuoFrameworkItem& Item, TControl& Control);
// The control's own ReadOnly flag (an edit's, or a data-aware box's).
template <class T> void SetReadOnlyProcs(IDuoFrameworkItem& Item, T& Control) {
  Item.ProcGetReadOnly = [&Control] { return Variant(Control.GetReadOnly()); };
  Item.ProcSetReadOnly = [&Control](const Variant& Value) {
    Control.SetReadOnly(Value.AsBoolean());
  };
}
// The text hint when there is one, else the hint while ShowHint is on, else empty.
void SetPlaceholderWithTextHint(IDuoFrameworkItem& Item, TCustomEdit& Control);
void SetPlaceholderWithTextHint(IDuoFrameworkItem& Item, TCustomComboBox& Control);
// Enabled, visible, read-only and the placeholder with the text hint: the state every text-entry
// kind hands over.
void SetTextEntryStateProcs(IDuoFrameworkItem& Item, TCustomEdit& Control);
// The hint while ShowHint is on, else empty.
void SetPlaceholderFromHint(IDuoFrameworkItem& Item, TControl& Control);
// The control's data source when it has one, and its data field when it names one.
void SetDataBinding(TDuoDatawareDataSource& Binding, const TFieldControl& Control);

TOnGetValue TextGetter(const TControl& Control);
TOnSetValue TextSetter(TControl& Control);

// Each sets Proc, when the handler is assigned, to run the handler with Sender.  Key events take
// the key from the event's "key" parameter (a browser key name) with no shift keys.
void WireEvent(TOnEventProc& Proc, const TNotifyEvent& Handler, TObject& Sender);
void WireEvent(TOnEventProc& Proc, const TKeyEvent& Handler, TObject& Sender);
void WireEvent(TOnEventProc& Proc, const TKeyPressEvent& Handler, TObject& Sender);
// Click, enter, exit, key-down and key-press: the events every windowed kind hands over.
void WireClickFocusKeys(IDuoFrameworkItem& Item, TWinControl& Control);
// Those, the change of the text and key-up: the events every text-entry kind hands over.
void WireTextEntryEvents(IDuoFrameworkItem& Item, TWinControl& Control,
                         const TNotifyEvent& OnChange);

// The virtual-key code of the event's "key" parameter; 0 without one.
Word EventKey(const TStrings* Params);
// The character of the event's "key" parameter: a one-character key name is that character,
// any other name gives its virtual-key code (Enter is CR, Backspace BS).
char EventKeyChar(const TStrings* Params);

} // namespace detail
