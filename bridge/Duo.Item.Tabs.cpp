#include "bridge/Duo.Item.Tabs.h"

#include "bridge/Duo.BaseClass.h"
#include "bridge/Duo.Util.h"
#include "runtime/Exceptions.h"
#include "runtime/Random.h"

TDuoItemHTMLTabs::TDuoItemHTMLTabs(TDuoClass& ABaseClass) : TDuoItem(ABaseClass) {
  FCSS = "card-header-primary";
  OnBeginReader = [this] { BeginReader(); };
}

TDuoItemHTMLTabs::TDuoItemHTMLTabItem& TDuoItemHTMLTabs::AddTab(const std::string& ATitle) {
  auto& tab = AddTab(std::make_unique<TDuoItemHTMLTabItem>(BaseClass()));
  tab.SetTitle(ATitle);
  return tab;
}

TDuoItemHTMLTabs::TDuoItemHTMLTabItem&
TDuoItemHTMLTabs::AddTab(std::unique_ptr<TDuoItemHTMLTabItem> Item) {
  if (!Item)
    throw Exception("AddTab needs a tab");
  return *FTabs.emplace_back(std::move(Item));
}

void TDuoItemHTMLTabs::BeginReader() {
  AddLine("<div id=\"" + GetItemID() + "\" class=\"" + FColSize + "\">");
  AddLine("<div class=\"card card-nav-tabs mb-1\">");
  AddLine("<div class=\"card-header " + FCSS + "\" style=\"" + GetHTMLStyle() + "\" " +
          FHTMLExtras + ">");
  AddLine("<div class=\"nav-tabs-navigation\">");
  AddLine("<div class=\"nav-tabs-wrapper\">");
}

void TDuoItemHTMLTabs::Render() {
  const auto closeDivs = [this](int count) {
    for (int i = 0; i < count; ++i)
      AddLine("</div>");
  };
  if (FTabs.empty()) {
    closeDivs(7);
    return;
  }
  const std::string id = GetItemID();
  AddLine("<ul class=\"nav nav-tabs border-bottom-0\" data-tabs=\"tabs\" role=\"tablist\">");
  for (size_t i = 0; i < FTabs.size(); ++i) {
    const std::string target = "#Tabs_" + id + "_Item" + std::to_string(i);
    AddLine("<li class=\"nav-item\">");
    AddLine(std::string(i == 0 ? "<a class=\"nav-link active\"" : "<a class=\"nav-link\"") +
            " href=\"" + target + "\" data-bs-toggle=\"tab\" data-bs-target=\"" + target +
            "\" role=\"tab\" aria-controls=\"profile-tab-pane\">" +
            HTMLEncode(FTabs[i]->GetTitle()) + "</a>");
    AddLine("</li>");
  }
  AddLine("</ul>");
  closeDivs(3);
  AddLine("<div class=\"card-body\">");
  AddLine("<div class=\"tab-content\">");
  for (size_t i = 0; i < FTabs.size(); ++i) {
    AddLine(std::string(i == 0 ? "<div class=\"tab-pane fade show active\""
                               : "<div class=\"tab-pane fade\"") +
            " id=\"Tabs_" + id + "_Item" + std::to_string(i) + "\" role=\"tabpanel\">");
    BaseClass().RenderDuo(FTabs[i]->Items);
    AddLine("</div>");
  }
  closeDivs(4);
}

TDuoItemHTMLAccordion::TDuoItemHTMLAccordion(TDuoClass& ABaseClass) : TDuoItem(ABaseClass) {
  OnBeginReader = [this] { BeginReader(); };
  OnEndReader = [this] { EndReader(); };
}

TDuoItemHTMLAccordion::TDuoItemHTMLAccordionItem&
TDuoItemHTMLAccordion::AddAccordionItem(const std::string& ATitle) {
  auto& item = AddAccordionItem(std::make_unique<TDuoItemHTMLAccordionItem>(BaseClass()));
  item.SetTitle(ATitle);
  return item;
}

TDuoItemHTMLAccordion::TDuoItemHTMLAccordionItem&
TDuoItemHTMLAccordion::AddAccordionItem(std::unique_ptr<TDuoItemHTMLAccordionItem> Item) {
  if (!Item)
    throw Exception("AddAccordionItem needs an item");
  return *FAccordionItems.emplace_back(std::move(Item));
}

void TDuoItemHTMLAccordion::BeginReader() {
  AddLine("<div class=\"" + FColSize + " mb-4\">");
  AddLine("<div class=\"accordion\">");
}

void TDuoItemHTMLAccordion::Render() {
  if (FAccordionItems.empty())
    return;
  // A fresh key for every rendering keeps the ids of two renderings of one page apart.
  const std::string key = Gerar_String_Aleatorio(4);
  for (size_t i = 0; i < FAccordionItems.size(); ++i) {
    const std::string k = key + std::to_string(i);
    AddLine("<div class=\"accordion-item mt-2 mb-2\">");
    AddLine("<h2 class=\"accordion-header\" id=\"panelsStayOpen-heading" + k + "\">");
    AddLine("<button class=\"accordion-button p-2 collapsed\" type=\"button\" "
            "data-bs-toggle=\"collapse\" data-bs-target=\"#panelsStayOpen-collapse" +
            k + "\" aria-expanded=\"false\" aria-controls=\"panelsStayOpen-collapse" + k + "\">");
    AddLine(HTMLEncode(FAccordionItems[i]->GetTitle()));
    AddLine("</button>");
    AddLine("</h2>");
    AddLine("<div id=\"panelsStayOpen-collapse" + k +
            "\" class=\"accordion-collapse collapse\" aria-labelledby=\"panelsStayOpen-heading" +
            k + "\">");
    AddLine("<div class=\"accordion-body\">");
    AddLine("<div class=\"m-2\">");
    BaseClass().RenderDuo(FAccordionItems[i]->Items);
    for (int j = 0; j < 4; ++j)
      AddLine("</div>");
  }
}

void TDuoItemHTMLAccordion::EndReader() {
  AddLine("</div>");
  AddLine("</div>");
}

TDuoItemHTMLPopup::TDuoItemHTMLPopup(TDuoClass& ABaseClass)
    : TDuoItem(ABaseClass), Items(ABaseClass) {
  OnBeginReader = [this] { BeginReader(); };
  OnEndReader = [this] { EndReader(); };
}

void TDuoItemHTMLPopup::BeginReader() {
  const std::string id = GetItemID();
  AddLine("<div class=\"duopopup modal fade\" id=\"" + id +
          "\" data-bs-backdrop=\"static\" data-bs-keyboard=\"false\" tabindex=\"-1\" "
          "aria-labelledby=\"staticBackdropLabel" +
          id + "\" aria-hidden=\"true\">");
  AddLine("  <div class=\"modal-dialog modal-xl modal-dialog-centered\">");
  AddLine("    <div class=\"modal-content\">");
  AddLine("      <div class=\"modal-header\">");
  AddLine("        <h5 class=\"modal-title\" id=\"staticBackdropLabel" + id + "\">" +
          HTMLEncode(FTitle) + "</h5>");
  if (FShowButtonClose)
    AddLine("        <button type=\"button\" class=\"btn-close\" data-bs-dismiss=\"modal\" "
            "aria-label=\"Close\" id=\"BUTTONCLOSE_" +
            id + "\"></button>");
  else
    AddLine("        <button type=\"button\" class=\"btn-close invisible\" "
            "data-bs-dismiss=\"modal\" aria-label=\"Close\" id=\"BUTTONCLOSE_" +
            id + "\" style=\"display: none;\"></button>");
  AddLine("      </div>");
  AddLine("      <div class=\"modal-body\">");
}

void TDuoItemHTMLPopup::Render() {
  if (Items.Count() > 0)
    BaseClass().RenderDuo(Items);
}

void TDuoItemHTMLPopup::EndReader() {
  AddLine("      </div>");
  AddLine("    </div>");
  AddLine("  </div>");
  AddLine("</div>");
  const IFacetSession* session = BaseClass().GetFacetSession();
  const std::string s = session != nullptr ? session->GetUUID() : "";
  const std::string t = session != nullptr ? session->GetToken() : "";
  const std::string f = session != nullptr ? session->ActiveFormUUID() : "";
  const std::string id = GetItemID();
  const auto execEvent = [&](const std::string& event) {
    return "       FacetServer().ExecEvent(\"" + s + "\", \"" + t + "\", \"" + f + "\", \"" + f +
           "\", \"" + event + "\", \"popupname=" + id +
           "&FacetComponentsStatus=\" + GetComponentsStates(FacetComponents), true);";
  };
  AddLine("<script>");
  AddLine("    $('#" + id + "').on('show.bs.modal', function (e) {");
  AddLine(execEvent("OnShowPopup"));
  AddLine("    });");
  AddLine("    $('#" + id + "').on('hidden.bs.modal', function (e) {");
  AddLine("       decduopopup(document.getElementById('" + id + "'));");
  AddLine(execEvent("OnClosePopup"));
  AddLine("    });");
  AddLine("</script>");
}
