#include "bridge/Duo.Item.UIObj.h"

#include "bridge/Duo.BaseClass.h"
#include "bridge/Duo.FrameworkItems.h"
#include "bridge/Duo.UIObj.Override.h"
#include "bridge/Duo.Util.h"
#include "data/DBCtrls.h"
#include "runtime/Exceptions.h"
#include "runtime/StrUtils.h"
#include "ui/Menus.h"
#include "ui/StdCtrls.h"

namespace {

// A menu entry the page shows: visible, with a caption that is neither empty nor a separator.
bool IsShownEntry(const TMenuItem& AItem) {
  return AItem.GetVisible() && !AItem.GetCaption().empty() && AItem.GetCaption() != "-";
}

} // namespace

TDuoItemUIObj::TDuoItemUIObj(TDuoClass& ABaseClass) : TDuoItem(ABaseClass) {}

TDuoItemUIObj::~TDuoItemUIObj() = default;

void TDuoItemUIObj::SetItem(TComponent* Value) {
  FItem = Value;
  FBridgeUIObj = Value != nullptr ? FindUIObj(Value->ClassType(), *this) : nullptr;
  SetItemID(Value != nullptr ? Value->GetName() : "");
}

std::string TDuoItemUIObj::GetHTMLStyle() const {
  if (FItem != nullptr) {
    const TClassInfo& cls = OverrideUI(FItem->ClassType());
    if (&cls == &TLabel::StaticClass() || &cls == &TDBText::StaticClass())
      return FHTMLStyle + " white-space: pre-line;";
  }
  return FHTMLStyle;
}

IDuoUIObj& TDuoItemUIObj::Adapter() const {
  if (FBridgeUIObj == nullptr)
    throw Exception("Class Type " + (FItem != nullptr ? FItem->ClassName() : std::string()) +
                    " not supported to Duo Framework yet\rError X001-3");
  return *FBridgeUIObj;
}

bool TDuoItemUIObj::HasPopupMenuButton() const {
  return FPopupMenu != nullptr && Adapter().IsButton();
}

void TDuoItemUIObj::PreProcess() {
  if (FItem == nullptr)
    return;
  if (Adapter().IsButton() && FItem->Is<TControl>()) {
    auto* control = static_cast<TControl*>(FItem);
    control->SetText(StringReplaceAll(control->GetText(), "&", ""));
  }
}

void TDuoItemUIObj::RenderHTML() {
  if (FItem == nullptr)
    return;
  IDuoUIObj& adapter = Adapter();
  const bool dropdown = HasPopupMenuButton();
  const std::string toggleClass = dropdown ? " dropdown-toggle" : "";
  const std::string toggleAttributes =
      dropdown ? " data-bs-toggle=\"dropdown\" aria-expanded=\"false\"" : "";
  if (dropdown)
    AddLine("<div class=\"dropdown\">");
  const size_t overridePos = FCSS.find("[override");
  if (overridePos == std::string::npos) {
    if (adapter.IsButton() && FCSS.empty())
      FCSS = "btn-primary";
    AddLine("{%" +
            TrataHTMLTag(GetItemPrefixID() + " class=\"" +
                         Trim(adapter.CSSClass() + " " + FCSS + toggleClass) + "\" style=\"" +
                         GetHTMLStyle() + "\" " + FHTMLExtras + toggleAttributes) +
            "%}");
    if (dropdown)
      RenderPopupMenu();
  } else {
    // "[override-KIND-ICON CLASSES]": the control is written as plain markup of that kind.
    const size_t open = FCSS.find('[', overridePos);
    const size_t close = FCSS.find(']', open);
    const std::string inner =
        FCSS.substr(open + 1, close == std::string::npos ? std::string::npos : close - open - 1);
    const size_t kindStart = inner.find('-');
    const size_t kindEnd = kindStart == std::string::npos
                               ? std::string::npos
                               : inner.find_first_of(" -", kindStart + 1);
    const std::string kind =
        kindStart == std::string::npos ? "" : inner.substr(kindStart + 1, kindEnd - kindStart - 1);
    const std::string icon = kindEnd == std::string::npos ? "" : Trim(inner.substr(kindEnd + 1));
    std::string rest = FCSS;
    rest.erase(rest.find("[" + inner), inner.size() + (close == std::string::npos ? 1 : 2));
    if (SameText(kind, "button")) {
      const std::string caption =
          FItem->Is<TControl>() ? static_cast<TControl*>(FItem)->GetText() : "";
      AddLine("<button type=\"button\" class=\"" +
              Trim(adapter.CSSClass() + " " + Trim(rest) + toggleClass) + "\" id=\"" +
              UpperCase(GetItemPrefixID()) + "\" " + toggleAttributes + "><i class=\"" + icon +
              "\"></i>" + HTMLEncode(caption) + "</button>");
      if (dropdown)
        RenderPopupMenu();
    }
  }
  if (dropdown)
    AddLine("</div>");
}

void TDuoItemUIObj::Render() {
  if (GetRenderized() || FItem == nullptr)
    return;
  IDuoUIObj& adapter = Adapter();
  IDuoFrameworkForm* form = BaseClass().FrameworkForm();
  if (form == nullptr)
    return;
  IDuoFrameworkItem& frameworkItem = adapter.FrameworkItemClass();
  frameworkItem.Clear();
  TObject* created = frameworkItem.FrameworkClass().CreateInstance(&form->AsComponent());
  auto* control = dynamic_cast<IFacetControl*>(created);
  if (control == nullptr) {
    delete created;
    throw Exception("Class " + frameworkItem.FrameworkClass().ClassName() +
                    " is not a page control");
  }
  control->SetUIComponent(FItem);
  control->SetIsHidden(GetIsHidden());
  control->SetRequired(FRequired);
  control->SetValidationGroup(FValidationGroup);
  SetFacetControl(control);
  CopyPropertiesByName(*FItem, control->AsComponent(), adapter.PropertyCopyList());
  adapter.ProcessPropertyClass(*control);
  frameworkItem.ProcessPropertyClass(FItem, *control);
  control->SetName(GetItemID());
  adapter.ProcessEventClass();
  frameworkItem.ProcessEventClass(FItem, *control);
  SetRenderized(true);
}

void TDuoItemUIObj::RenderPopupMenu() {
  const std::string callBackName = "CallBackEventPopup" + FPopupMenu->GetName();
  BaseClass().RegisterCallBack(callBackName,
                               [this](TStrings* EventParams) { PopupMenuCallBack(EventParams); });
  AddLine("<ul class=\"dropdown-menu\" aria-labelledby=\"dropdownMenu" + GetItemPrefixID() + "\">");
  const TMenuItem& items = FPopupMenu->GetItems();
  for (int i = 0; i < items.Count(); ++i) {
    const TMenuItem& item = *items.Items(i);
    if (!IsShownEntry(item))
      continue;
    if (item.Count() == 0) {
      AddPopupMenuEntry(item, item.GetCaption(), callBackName);
      continue;
    }
    for (int j = 0; j < item.Count(); ++j)
      if (IsShownEntry(*item.Items(j)))
        AddPopupMenuEntry(*item.Items(j), item.GetCaption() + "->" + item.Items(j)->GetCaption(),
                          callBackName);
  }
  AddLine("</ul>");
}

void TDuoItemUIObj::AddPopupMenuEntry(const TMenuItem& AItem, const std::string& ACaption,
                                      const std::string& ACallBackName) {
  std::string script;
  if (IFacetSession* session = BaseClass().GetFacetSession()) {
    const IDuoFrameworkForm* form = BaseClass().FrameworkForm();
    script = session->CallBackJS(ACallBackName, form != nullptr ? form->GetFormUUID() : "",
                                 SingleQuotedJSString(AItem.GetName()), true);
  }
  AddLine("<li><a class=\"dropdown-item\" onclick=\"" + HTMLEncode(script) + "\" href=\"#\">" +
          HTMLEncode(ACaption) + "</a></li>");
}

void TDuoItemUIObj::PopupMenuCallBack(TStrings* EventParams) const {
  if (FPopupMenu == nullptr || EventParams == nullptr || EventParams->Count() == 0)
    return;
  const std::string name = EventParams->Strings(0);
  const auto clickWhenShown = [](TMenuItem& item) {
    if (item.GetEnabled() && item.GetVisible())
      item.Click();
  };
  const TMenuItem& items = FPopupMenu->GetItems();
  for (int i = 0; i < items.Count(); ++i) {
    TMenuItem& item = *items.Items(i);
    if (item.GetName() == name) {
      clickWhenShown(item);
      return;
    }
    // Only the entries the page shows can be asked for: none below a hidden item.
    if (!item.GetVisible())
      continue;
    for (int j = 0; j < item.Count(); ++j)
      if (item.Items(j)->GetName() == name) {
        clickWhenShown(*item.Items(j));
        return;
      }
  }
}
