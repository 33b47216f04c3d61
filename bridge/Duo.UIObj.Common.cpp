#include "bridge/Duo.UIObj.Common.h"

#include "bridge/Duo.BaseClass.h"
#include "bridge/Duo.Item.UIObj.h"
#include "bridge/Duo.Keys.h"
#include "bridge/Duo.Util.h"
#include "runtime/Exceptions.h"

namespace detail {

namespace {

std::string HintWhenShown(const TControl& Control) {
  return Control.GetShowHint() ? Control.GetHint() : std::string();
}

TOnGetValue PlaceholderWithTextHint(const std::string& TextHint, const TControl& Control) {
  return [&TextHint, &Control] {
    return Variant(!TextHint.empty() ? TextHint : HintWhenShown(Control));
  };
}

// Runs a copy of the handler, so that a handler that replaces itself stays intact while it runs.
template <class THandler, class... TArgs>
void RunAssigned(const THandler& Handler, TArgs&&... Args) {
  const THandler handler = Handler;
  if (handler)
    handler(std::forward<TArgs>(Args)...);
}

} // namespace

IDuoFrameworkType& FrameworkTypeOf(const IDuoUIObj& Adapter) {
  IDuoFrameworkType* framework = Adapter.GetDuoItemUIObj().BaseClass().FrameworkExportType();
  if (framework == nullptr)
    throw Exception("The form of control item \"" + Adapter.GetDuoItemUIObj().GetItemID() +
                    "\" has no web framework type");
  return *framework;
}

TComponent& ControlOf(const IDuoUIObj& Adapter) {
  TComponent* control = Adapter.GetDuoItemUIObj().GetItem();
  if (control == nullptr)
    throw Exception("Control item \"" + Adapter.GetDuoItemUIObj().GetItemID() +
                    "\" wraps no control");
  return *control;
}

void RaiseWrongControl(const TComponent& Control, const TClassInfo& Expected) {
  throw Exception("Control \"" + Control.GetName() + "\" of class " + Control.ClassName() +
                  " is not a " + Expected.ClassName());
}

void SetEnabledProcs(IDuoFrameworkItem& Item, TControl& Control) {
  Item.ProcGetEnabled = [&Control] { return Variant(GetEnabledRecursive(&Control)); };
  Item.ProcSetEnabled = [&Control](const Variant& Value) { Control.SetEnabled(Value.AsBoolean()); };
}

void SetVisibleProcs(IDuoFrameworkItem& Item, TControl& Control) {
  Item.ProcGetVisible = [&Control] { return Variant(GetVisibleRecursive(&Control)); };
  Item.ProcSetVisible = [&Control](const Variant& Value) { Control.SetVisible(Value.AsBoolean()); };
}

void SetPlaceholderWithTextHint(IDuoFrameworkItem& Item, TCustomEdit& Control) {
  Item.ProcGetPlaceholder = PlaceholderWithTextHint(Control.GetTextHint(), Control);
}

void SetPlaceholderWithTextHint(IDuoFrameworkItem& Item, TCustomComboBox& Control) {
  Item.ProcGetPlaceholder = PlaceholderWithTextHint(Control.GetTextHint(), Control);
}

void SetPlaceholderFromHint(IDuoFrameworkItem& Item, TControl& Control) {
  Item.ProcGetPlaceholder = [&Control] { return Variant(HintWhenShown(Control)); };
}

void SetDataBinding(TDuoDatawareDataSource& Binding, const TFieldControl& Control) {
  if (Control.GetDataSource() != nullptr)
    Binding.DataSource = Control.GetDataSource();
  if (!Control.GetDataField().empty())
    Binding.DataField = Control.GetDataField();
}

TOnGetValue TextGetter(const TControl& Control) {
  return [&Control] { return Variant(Control.GetText()); };
}

TOnSetValue TextSetter(TControl& Control) {
  return [&Control](const Variant& Value) { Control.SetText(Value.AsString()); };
}

void WireEvent(TOnEventProc& Proc, const TNotifyEvent& Handler, TObject& Sender) {
  if (Handler)
    Proc = [&Handler, &Sender](TStrings*) { RunAssigned(Handler, &Sender); };
}

void WireEvent(TOnEventProc& Proc, const TKeyEvent& Handler, TObject& Sender) {
  if (Handler)
    Proc = [&Handler, &Sender](TStrings* Params) {
      Word key = EventKey(Params);
      RunAssigned(Handler, &Sender, key, TShiftState{});
    };
}

void WireEvent(TOnEventProc& Proc, const TKeyPressEvent& Handler, TObject& Sender) {
  if (Handler)
    Proc = [&Handler, &Sender](TStrings* Params) {
      char key = EventKeyChar(Params);
      RunAssigned(Handler, &Sender, key);
    };
}

void WireClickFocusKeys(IDuoFrameworkItem& Item, TWinControl& Control) {
  WireEvent(Item.OnClick, Control.OnClick, Control);
  WireEvent(Item.OnEnter, Control.OnEnter, Control);
  WireEvent(Item.OnExit, Control.OnExit, Control);
  WireEvent(Item.OnKeyDown, Control.OnKeyDown, Control);
  WireEvent(Item.OnKeyPress, Control.OnKeyPress, Control);
}

void SetTextEntryStateProcs(IDuoFrameworkItem& Item, TCustomEdit& Control) {
  SetEnabledProcs(Item, Control);
  SetVisibleProcs(Item, Control);
  SetReadOnlyProcs(Item, Control);
  SetPlaceholderWithTextHint(Item, Control);
}

void WireTextEntryEvents(IDuoFrameworkItem& Item, TWinControl& Control,
                         const TNotifyEvent& OnChange) {
  WireClickFocusKeys(Item, Control);
  WireEvent(Item.OnChange, OnChange, Control);
  WireEvent(Item.OnKeyUp, Control.OnKeyUp, Control);
}

Word EventKey(const TStrings* Params) {
  return Params != nullptr ? static_cast<Word>(ConvertHTMLKeyToVK(Params->GetValue("key"))) : 0;
}

char EventKeyChar(const TStrings* Params) {
  const std::string key = Params != nullptr ? Params->GetValue("key") : std::string();
  return key.size() == 1 ? key[0] : static_cast<char>(ConvertHTMLKeyToVK(key));
}

} // namespace detail
