#include "bridge/Duo.ItemCommon.h"

#include "bridge/Duo.BaseClass.h"
#include "bridge/Duo.Item.HTML.h"
#include "bridge/Duo.Item.Tabs.h"
#include "bridge/Duo.Item.UIObj.h"
#include "bridge/Duo.Item.Upload.h"
#include "runtime/Component.h"
#include "runtime/Exceptions.h"
#include "runtime/StrUtils.h"

std::string TDuoItem::GetItemPrefixID() const {
  const std::string prefix = FBaseClass.Prefix();
  return prefix.empty() ? GetItemID() : prefix + "_" + GetItemID();
}

void TDuoItem::AddLine(const std::string& Line) const {
  FBaseClass.HTML().Render().Body().Add(Line);
}

TDuoItems::TDuoItems(TDuoClass& ABaseClass)
    : FBaseClass(ABaseClass), FAddItem(std::make_unique<TItemAdd>(*this)) {}

TDuoItems::~TDuoItems() {
  for (auto& item : FItemList)
    item.reset();
}

void TDuoItems::AddItem(std::unique_ptr<TDuoItem> Item) {
  TDuoItem& added = *Item;
  FItemList.push_back(std::move(Item));
  FBaseClass.AddExportedControl(added.GetItemID(), added);
}

std::vector<TDuoItem*> TDuoItems::GetItems() const {
  std::vector<TDuoItem*> items;
  items.reserve(FItemList.size());
  for (const auto& item : FItemList)
    items.push_back(item.get());
  return items;
}

TDuoItem& TDuoItems::Item(int AIndex) const {
  if (AIndex < 0 || AIndex >= Count())
    throw EListError("List index out of bounds (" + std::to_string(AIndex) + ")");
  return *FItemList[AIndex];
}

std::string TItemAdd::IdOrGenerated(const std::string& AItemID, const std::string& APrefix) const {
  return AItemID.empty() ? FDuoItems.BaseClass().CreateItemID(APrefix) : AItemID;
}

TDuoItem& TItemAdd::DuoItem(std::unique_ptr<TDuoItem> ADuoItem) {
  if (ADuoItem->GetItemID().empty())
    ADuoItem->SetItemID(FDuoItems.BaseClass().CreateItemID("duoitem"));
  return FDuoItems.Add(std::move(ADuoItem));
}

TDuoItemUIObj& TItemAdd::UIObj() {
  auto item = std::make_unique<TDuoItemUIObj>(FDuoItems.BaseClass());
  item->SetItemID(FDuoItems.BaseClass().CreateItemID("UIObj"));
  return FDuoItems.Add(std::move(item));
}

TDuoItemUIObj& TItemAdd::UIObj(TComponent* UIItem, const std::string& CSS,
                               const std::string& HTMLExtras, const std::string& HTMLStyle) {
  TDuoItemUIObj& item = UIObj();
  item.SetItem(UIItem);
  item.SetCSS(CSS);
  item.SetHTMLExtras(HTMLExtras);
  item.SetHTMLStyle(HTMLStyle);
  return item;
}

TDuoItemUIObj& TItemAdd::UIObj(TComponent* UIItem, TPopupMenu* APopupMenu, const std::string& CSS,
                               const std::string& HTMLExtras, const std::string& HTMLStyle) {
  TDuoItemUIObj& item = UIObj(UIItem, CSS, HTMLExtras, HTMLStyle);
  if (APopupMenu != nullptr)
    item.SetPopupMenu(APopupMenu);
  return item;
}

TDuoItemUIObj& TItemAdd::UIObjValidated(TComponent* UIItem, const Variant& AValidationGroup,
                                        bool ARequired, const std::string& CSS,
                                        const std::string& HTMLExtras,
                                        const std::string& HTMLStyle) {
  TDuoItemUIObj& item = UIObj(UIItem, CSS, HTMLExtras, HTMLStyle);
  item.SetRequired(ARequired);
  item.SetValidationGroup(AValidationGroup);
  return item;
}

TDuoItemUIObj& TItemAdd::UIObjHidden(TComponent* UIItem) {
  TDuoItemUIObj& item = UIObj();
  item.SetIsHidden(true);
  item.SetItem(UIItem);
  return item;
}

TDuoItemHTMLFormGroup& TItemAdd::FormGroup(const std::string& ATextLabel,
                                           const std::string& AColSize, const std::string& AItemID,
                                           bool AHTMLinLine, const std::string& ACSS,
                                           const std::string& AHTMLExtras,
                                           const std::string& AHTMLStyle) {
  auto item = std::make_unique<TDuoItemHTMLFormGroup>(FDuoItems.BaseClass());
  item->SetItemID(IdOrGenerated(AItemID, "FormGroup"));
  item->SetTextLabel(ATextLabel);
  item->SetColSize1(AColSize);
  item->SetInLine(AHTMLinLine);
  item->SetCSS(ACSS);
  item->SetHTMLExtras(AHTMLExtras);
  item->SetHTMLStyle(AHTMLStyle);
  return FDuoItems.Add(std::move(item));
}

TDuoItemHTMLPanelGroup& TItemAdd::PanelGroup(const std::string& ATitle, const std::string& AItemID,
                                             bool AHTMLinLine, const std::string& AColSize,
                                             const std::string& ACSS,
                                             const std::string& AHTMLExtras,
                                             const std::string& AHTMLStyle) {
  auto item = std::make_unique<TDuoItemHTMLPanelGroup>(FDuoItems.BaseClass());
  item->SetItemID(IdOrGenerated(AItemID, "PanelGroup"));
  item->SetTitle(ATitle);
  item->SetColSize(AColSize);
  item->SetInLine(AHTMLinLine);
  item->SetCSS(ACSS);
  item->SetHTMLExtras(AHTMLExtras);
  item->SetHTMLStyle(AHTMLStyle);
  return FDuoItems.Add(std::move(item));
}

TDuoItemHTMLRow& TItemAdd::Row(const std::string& AHTMLTag, const std::string& AItemID,
                               bool AHTMLinLine, const std::string& ACSS,
                               const std::string& AHTMLExtras, const std::string& AHTMLStyle) {
  auto item = std::make_unique<TDuoItemHTMLRow>(FDuoItems.BaseClass());
  item->SetItemID(IdOrGenerated(AItemID, "row"));
  item->SetHTMLTagRow(AHTMLTag == "row" ? "row mt-2 mb-2" : AHTMLTag);
  item->SetInLine(AHTMLinLine);
  item->SetCSS(ACSS);
  item->SetHTMLExtras(AHTMLExtras);
  item->SetHTMLStyle(AHTMLStyle);
  return FDuoItems.Add(std::move(item));
}

TDuoItemHTMLRow& TItemAdd::HTMLDIV(const std::string& AHTMLTag, const std::string& AItemID,
                                   const std::string& ACSS, const std::string& AHTMLExtras,
                                   const std::string& AHTMLStyle) {
  return Row(AHTMLTag, AItemID, false, ACSS, AHTMLExtras, AHTMLStyle);
}

TDuoItemHTMLTabs& TItemAdd::Tabs(const std::string& AItemID, const std::string& ACSS,
                                 const std::string& AHTMLExtras, const std::string& AHTMLStyle) {
  auto item = std::make_unique<TDuoItemHTMLTabs>(FDuoItems.BaseClass());
  item->SetItemID(IdOrGenerated(AItemID, "Tabs"));
  if (!ACSS.empty())
    item->SetCSS(ACSS);
  item->SetHTMLExtras(AHTMLExtras);
  item->SetHTMLStyle(AHTMLStyle);
  return FDuoItems.Add(std::move(item));
}

TDuoItemHTMLAccordion& TItemAdd::Accordion(const std::string& AItemID, const std::string& ACSS,
                                           const std::string& AHTMLExtras,
                                           const std::string& AHTMLStyle) {
  auto item = std::make_unique<TDuoItemHTMLAccordion>(FDuoItems.BaseClass());
  item->SetItemID(IdOrGenerated(AItemID, "Accordion"));
  if (!ACSS.empty())
    item->SetCSS(ACSS);
  item->SetHTMLExtras(AHTMLExtras);
  item->SetHTMLStyle(AHTMLStyle);
  return FDuoItems.Add(std::move(item));
}

TDuoItemHTMLPopup& TItemAdd::Popup(const std::string& AName, const std::string& ATitle,
                                   bool AShowButtonClose) {
  auto item = std::make_unique<TDuoItemHTMLPopup>(FDuoItems.BaseClass());
  item->SetItemID(UpperCase(AName));
  item->SetTitle(ATitle);
  item->SetShowButtonClose(AShowButtonClose);
  TDuoItemHTMLPopup& popup = FDuoItems.Add(std::move(item));
  FDuoItems.BaseClass().AddPopup(popup);
  return popup;
}

TDuoItemNested& TItemAdd::Nested(const std::string& AFormName) {
  auto item = std::make_unique<TDuoItemNested>(FDuoItems.BaseClass());
  item->SetItemID(FDuoItems.BaseClass().CreateItemID("Nested"));
  item->SetNestedFormName(AFormName);
  return FDuoItems.Add(std::move(item));
}

TDuoItemHTMLUpload&
TItemAdd::Upload(const std::string& ACaption, const std::string& AAllowedFileTypes,
                 const std::string& AItemID, int AMaxFiles, int AMaxFileSize, bool AInputVisible,
                 const std::string& ACSSInput, const std::string& ACSSButtonUpload,
                 const std::string& ACSSButtonClear, const std::string& AFontICOUpload,
                 const std::string& AFontICOClear, bool AShowFinishMessage, int AMaxUploadSize) {
  auto item = std::make_unique<TDuoItemHTMLUpload>(FDuoItems.BaseClass());
  item->SetItemID(IdOrGenerated(AItemID, "Upload"));
  item->SetCaptionUpload(ACaption);
  item->SetMaxFiles(AMaxFiles);
  item->SetMaxFileSize(AMaxFileSize);
  item->SetMaxUploadSize(AMaxUploadSize);
  item->SetInputVisible(AInputVisible);
  item->SetCSSInput(ACSSInput);
  item->SetCSSButtonUpload(ACSSButtonUpload);
  item->SetCSSButtonClear(ACSSButtonClear);
  item->SetIconButtonUpload(AFontICOUpload);
  item->SetIconButtonClear(AFontICOClear);
  if (AAllowedFileTypes == "*")
    item->AllowedFileTypes().Clear();
  else
    item->AllowedFileTypes().SetText(StringReplaceAll(AAllowedFileTypes, ",", "\r\n"));
  item->SetShowFinishMessage(AShowFinishMessage);
  return FDuoItems.Add(std::move(item));
}

TDuoItemHTMLElement& TItemAdd::HTMLElement(const std::string& AHTMLElement,
                                           const std::string& AItemID) {
  auto item = std::make_unique<TDuoItemHTMLElement>(FDuoItems.BaseClass());
  item->SetItemID(IdOrGenerated(AItemID, "htmlelement"));
  item->SetHTML(AHTMLElement);
  return FDuoItems.Add(std::move(item));
}

TDuoItemHTMLElement& TItemAdd::HTMLElement(TComponent* ComponentHTMLElement,
                                           const std::string& AItemID) {
  auto item = std::make_unique<TDuoItemHTMLElement>(FDuoItems.BaseClass());
  item->SetItemID(AItemID.empty() ? ComponentHTMLElement->GetName() : AItemID);
  item->SetComponentHTMLElement(ComponentHTMLElement);
  return FDuoItems.Add(std::move(item));
}
