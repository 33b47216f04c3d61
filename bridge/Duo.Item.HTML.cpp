#include "bridge/Duo.Item.HTML.h"

#include "bridge/Duo.BaseClass.h"
#include "bridge/Duo.Item.UIObj.h"
#include "bridge/Duo.Util.h"
#include "runtime/Component.h"
#include "runtime/StrUtils.h"

namespace {

// The attribute part of an opening tag: `class="C" style="S" X`, with empty attributes left bare.
std::string Attributes(const std::string& Class, const std::string& Style,
                       const std::string& Extras) {
  return TrataHTMLTag("class=\"" + Class + "\" style=\"" + Style + "\" " + Extras);
}

} // namespace

TDuoItemHTMLRow::TDuoItemHTMLRow(TDuoClass& ABaseClass) : TDuoItem(ABaseClass), Items(ABaseClass) {
  OnBeginReader = [this] { BeginReader(); };
  OnEndReader = [this] { AddLine("</div>"); };
}

void TDuoItemHTMLRow::BeginReader() {
  const std::string cls =
      FInLine ? Trim("row form-inline mb-2 align-items-end " + FCSS) : Trim(FTagRow + " " + FCSS);
  AddLine("<div " + Attributes(cls, GetHTMLStyle(), FHTMLExtras) + ">");
}

void TDuoItemHTMLRow::Render() {
  if (Items.Count() > 0)
    BaseClass().RenderDuo(Items);
}

TDuoItemHTMLFormGroup::TDuoItemHTMLFormGroup(TDuoClass& ABaseClass) : TDuoItem(ABaseClass) {
  OnBeginReader = [this] { BeginReader(); };
  OnEndReader = [this] {
    AddLine("</div>");
    AddLine("</div>");
  };
}

TDuoItemHTMLFormGroup::~TDuoItemHTMLFormGroup() = default;

bool TDuoItemHTMLFormGroup::HasControl() const {
  return FItem != nullptr && FItem->GetItem() != nullptr;
}

bool TDuoItemHTMLFormGroup::HasLabelControl() const {
  return FItemLabel != nullptr && FItemLabel->GetItem() != nullptr;
}

TDuoItemUIObj& TDuoItemHTMLFormGroup::AddUIObj(TComponent* UIItem, TPopupMenu* APopupMenu,
                                               const std::string& CSS,
                                               const std::string& HTMLExtras,
                                               const std::string& HTMLStyle) {
  FItem = std::make_unique<TDuoItemUIObj>(BaseClass());
  FItem->SetItem(UIItem);
  FItem->SetCSS(FInLine ? CSS + " col" : CSS);
  FItem->SetHTMLExtras(HTMLExtras);
  FItem->SetHTMLStyle(HTMLStyle);
  if (APopupMenu != nullptr)
    FItem->SetPopupMenu(APopupMenu);
  if (HasLabelControl() && FItemLabel->GetHTMLExtras().find("for=") == std::string::npos)
    FItemLabel->SetHTMLExtras(FItemLabel->GetHTMLExtras() + " for=\"" +
                              UpperCase(UIItem->GetName()) + "\"");
  return *FItem;
}

TDuoItemUIObj& TDuoItemHTMLFormGroup::AddUIObj(TComponent* UIItem, const std::string& CSS,
                                               const std::string& HTMLExtras,
                                               const std::string& HTMLStyle) {
  return AddUIObj(UIItem, static_cast<TPopupMenu*>(nullptr), CSS, HTMLExtras, HTMLStyle);
}

TDuoItemUIObj& TDuoItemHTMLFormGroup::AddUIObjValidated(TComponent* UIItem,
                                                        const Variant& AValidationGroup,
                                                        bool ARequired, const std::string& CSS,
                                                        const std::string& HTMLExtras,
                                                        const std::string& HTMLStyle) {
  TDuoItemUIObj& item = AddUIObj(UIItem, CSS, HTMLExtras, HTMLStyle);
  item.SetRequired(ARequired);
  item.SetValidationGroup(AValidationGroup);
  return item;
}

TDuoItemUIObj& TDuoItemHTMLFormGroup::AddUIObjWithLabel(TComponent* UIItem,
                                                        const std::string& ATextLabel,
                                                        const std::string& CSS,
                                                        const std::string& HTMLExtras,
                                                        const std::string& HTMLStyle) {
  TDuoItemUIObj& item = AddUIObj(UIItem, CSS, HTMLExtras, HTMLStyle);
  FTextLabel = ATextLabel;
  return item;
}

TDuoItemUIObj& TDuoItemHTMLFormGroup::AddLabelUIObj(TComponent* UIItem, const std::string& CSS,
                                                    const std::string& HTMLExtras,
                                                    const std::string& HTMLStyle) {
  FItemLabel = std::make_unique<TDuoItemUIObj>(BaseClass());
  FItemLabel->SetItem(UIItem);
  FItemLabel->SetCSS(CSS);
  FItemLabel->SetHTMLExtras(HTMLExtras);
  if (HasControl())
    FItemLabel->SetHTMLExtras(FItemLabel->GetHTMLExtras() + " for=\"" +
                              UpperCase(FItem->GetItem()->GetName()) + "\"");
  FItemLabel->SetHTMLStyle(HTMLStyle);
  if (FInLine && HasControl())
    FItem->SetHTMLStyle(FItem->GetHTMLStyle() + " " + "padding-right: 5px;");
  return *FItemLabel;
}

void TDuoItemHTMLFormGroup::BeginReader() {
  std::string outer;
  std::string inner;
  if (FInLine) {
    if (FColSize1.empty())
      FColSize1 = "col-auto";
    outer = Trim(FColSize1 + " " + FColSize2 + " mb-2 " + FCSS);
    inner = Trim("form-group flex-nowrap " + FCSS);
  } else {
    outer = "mt-1 " + Trim(FColSize1 + " " + FColSize2 + " " + FCSS + " align-self-end");
    inner = Trim("form-group " + FCSS);
  }
  for (const std::string& cls : {outer, inner})
    AddLine(
        "<" +
        TrataHTMLTag("div class=\"" + cls + "\" style=\"" + GetHTMLStyle() + "\" " + FHTMLExtras) +
        ">");
}

void TDuoItemHTMLFormGroup::RenderHTML() {
  if (HasLabelControl() || FTextLabel.empty())
    return;
  const std::string forAttribute =
      FItem != nullptr ? "for=\"" + UpperCase(FItem->GetItemPrefixID()) + "\"" : "";
  AddLine("<label " + forAttribute + (FInLine ? " style=\"padding-right: 5px;\">" : ">") +
          HTMLEncode(FTextLabel) + "</label>");
}

void TDuoItemHTMLFormGroup::Render() {
  std::vector<TDuoItem*> items;
  if (FItem != nullptr)
    items.push_back(FItem.get());
  if (HasLabelControl())
    items.push_back(FItemLabel.get());
  if (!items.empty())
    BaseClass().RenderDuo(items);
}

TDuoItemHTMLPanelGroup::TDuoItemHTMLPanelGroup(TDuoClass& ABaseClass)
    : TDuoItem(ABaseClass), Items(ABaseClass) {
  FCSS = "expanel-default";
  OnBeginReader = [this] { BeginReader(); };
  OnEndReader = [this] {
    for (int i = 0; i < 3; ++i)
      AddLine("</div>");
  };
}

void TDuoItemHTMLPanelGroup::BeginReader() {
  AddLine("<div class=\"" + FColSize + " pt-2\">");
  AddLine("<div class=\"expanel " + FCSS + "\" style=\"" + GetHTMLStyle() + "\" " + FHTMLExtras +
          ">");
  AddLine("<div class=\"expanel-heading\">");
  AddLine("<h3 class=\"expanel-title\">" + HTMLEncode(FTitle) + "</h3>");
  AddLine("</div>");
  AddLine("<div class=\"expanel-body\">");
}

void TDuoItemHTMLPanelGroup::Render() {
  if (Items.Count() > 0)
    BaseClass().RenderDuo(Items);
}

void TDuoItemNested::Render() {
  if (!FNestedFormName.empty())
    AddLine("$facetnested(" + UpperCase(FNestedFormName) + ")");
}

TDuoItemHTMLElement::TDuoItemHTMLElement(TDuoClass& ABaseClass) : TDuoItem(ABaseClass) {
  OnBeginReader = [this] { BeginReader(); };
}

void TDuoItemHTMLElement::SetHTML(const std::string& Value) {
  FHTML = Value;
  if (FElement != nullptr)
    FElement->SetHTML(Value);
}

void TDuoItemHTMLElement::SetComponentHTMLElement(TComponent* Value) {
  FComponentHTMLElement = Value;
  if (FElement != nullptr)
    FElement->SetComponentHTMLElement(Value);
}

void TDuoItemHTMLElement::SetItemID(const std::string& Value) {
  TDuoItem::SetItemID(Value);
  if (FElement != nullptr)
    FElement->SetName(Value);
}

void TDuoItemHTMLElement::BeginReader() {
  IDuoFrameworkForm* form = BaseClass().FrameworkForm();
  if (form == nullptr)
    return;
  // The page control is made with the first rendering, once the form's page form exists.
  if (FElement == nullptr) {
    FElement = BaseClass().FrameworkExportType()->CreateHTMLElement();
    FElement->SetName(GetItemID());
    FElement->SetHTML(FHTML);
    FElement->SetComponentHTMLElement(FComponentHTMLElement);
  }
  form->AddControl(FElement);
}

void TDuoItemHTMLElement::Render() {
  AddLine("{%" + GetItemPrefixID() + "%}");
}
