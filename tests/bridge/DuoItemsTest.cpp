#include "BridgeFixture.h"

#include "bridge/Duo.Item.HTML.h"
#include "bridge/Duo.Item.Tabs.h"
#include "bridge/Duo.Item.Upload.h"
#include "bridge/Duo.Util.h"
#include "runtime/Exceptions.h"

#include <gmock/gmock.h>

#include <algorithm>
#include <functional>
#include <regex>

namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::Not;

using Lines = std::vector<std::string>;

TEST_F(BridgeTest, GeneratedIdsCountPerPrefixAcrossAllListsOfTheForm) {
  auto& outer = Duo.Items.Add().Row();
  Duo.Items.Add().Row();
  Duo.Items.Add().Row();
  auto& inner = outer.Items.Add().Row();
  auto& group = outer.Items.Add().FormGroup();
  auto& named = Duo.Items.Add().Row("row", "myrow");
  EXPECT_EQ(outer.GetItemID(), "row1");
  EXPECT_EQ(inner.GetItemID(), "row4");
  EXPECT_EQ(group.GetItemID(), "FormGroup1");
  EXPECT_EQ(named.GetItemID(), "myrow");
  EXPECT_EQ(Duo.CreateItemID(""), "DuoControl1");
  EXPECT_EQ(Duo.Items.Add().Nested("x").GetItemID(), "Nested1");
  EXPECT_EQ(Duo.Items.Add().Popup("mypopup").GetItemID(), "MYPOPUP");
  EXPECT_EQ(Duo.Items.Add().Upload().GetItemID(), "Upload1");
  EXPECT_EQ(Duo.Items.Add().HTMLElement("<b>x</b>").GetItemID(), "htmlelement1");
  EXPECT_EQ(Duo.Items.Add().Tabs().GetItemID(), "Tabs1");
  EXPECT_EQ(Duo.Items.Add().Accordion().GetItemID(), "Accordion1");
}

TEST_F(BridgeTest, ADuplicateItemIdIsRefusedAfterTheItemJoinedItsList) {
  Duo.Items.Add().Row("row", "same");
  EXPECT_THROW(Duo.Items.Add().PanelGroup("", "same"), EListError);
  EXPECT_EQ(Duo.Items.Count(), 2);
  EXPECT_THROW(Duo.Items.Item(2), EListError);
}

TEST_F(BridgeTest, AnItemMadeElsewhereGetsAnIdWhenItHasNone) {
  auto& added = Duo.Items.Add().DuoItem(std::make_unique<TDuoItemHTMLRow>(Duo));
  EXPECT_EQ(added.GetItemID(), "duoitem1");
  EXPECT_EQ(Duo.ExportedControls().count("duoitem1"), 1U);
}

struct RowCase {
  std::string Name;
  std::function<void(TItemAdd&)> Build;
  Lines Expected;
};

TEST_F(BridgeTest, RowsAndDivisions) {
  const std::vector<RowCase> cases = {
      {"plain row",
       [](TItemAdd& add) { add.Row(); },
       {R"(<div class="row mt-2 mb-2" style>)", "</div>"}},
      {"own tag passes unchanged",
       [](TItemAdd& add) { add.Row("row g-2"); },
       {R"(<div class="row g-2" style>)", "</div>"}},
      {"inline with css, style and extras",
       [](TItemAdd& add) { add.Row("row", "", true, "my", "data-x=\"1\"", "color: red;"); },
       {R"(<div class="row form-inline mb-2 align-items-end my" style="color: red;" data-x="1">)",
        "</div>"}},
      {"division",
       [](TItemAdd& add) { add.HTMLDIV("d-flex gap-2", "", "extra"); },
       {R"(<div class="d-flex gap-2 extra" style>)", "</div>"}},
      {"empty class stays a bare word",
       [](TItemAdd& add) { add.Row(""); },
       {R"(<div class style>)", "</div>"}},
      {"nested rows",
       [](TItemAdd& add) { add.Row().Items.Add().Row("inner"); },
       {R"(<div class="row mt-2 mb-2" style>)", R"(<div class="inner" style>)", "</div>",
        "</div>"}},
  };
  for (const RowCase& c : cases) {
    TDuo duo(Form);
    c.Build(duo.Items.Add());
    duo.RenderDuo(duo.Items);
    EXPECT_THAT(duo.HTML().Render().Body().ToVector(), ElementsAreArray(c.Expected)) << c.Name;
  }
}

TEST_F(BridgeTest, FormGroupsWithoutControls) {
  const std::vector<RowCase> cases = {
      {"builder default",
       [](TItemAdd& add) { add.FormGroup(); },
       {R"(<div class="mt-1 col-xl-auto   align-self-end" style>)",
        R"(<div class="form-group" style>)", "</div>", "</div>"}},
      {"inline with empty column",
       [](TItemAdd& add) { add.FormGroup("", "", "", true); },
       {R"(<div class="col-auto  mb-2" style>)", R"(<div class="form-group flex-nowrap" style>)",
        "</div>", "</div>"}},
      {"text label, css and style",
       [](TItemAdd& add) { add.FormGroup("Nome", "col-auto", "", false, "g", "x=\"1\"", "s;"); },
       {R"(<div class="mt-1 col-auto  g align-self-end" style="s;" x="1">)",
        R"(<div class="form-group g" style="s;" x="1">)", "<label >Nome</label>", "</div>",
        "</div>"}},
      {"inline text label",
       [](TItemAdd& add) { add.FormGroup("Nome", "col-2", "", true); },
       {R"(<div class="col-2  mb-2" style>)", R"(<div class="form-group flex-nowrap" style>)",
        R"(<label  style="padding-right: 5px;">Nome</label>)", "</div>", "</div>"}},
  };
  for (const RowCase& c : cases) {
    TDuo duo(Form);
    c.Build(duo.Items.Add());
    duo.RenderDuo(duo.Items);
    EXPECT_THAT(duo.HTML().Render().Body().ToVector(), ElementsAreArray(c.Expected)) << c.Name;
  }
}

TEST_F(BridgeTest, PanelGroupsHoldTheirChildrenInTheBody) {
  auto& panel = Duo.Items.Add().PanelGroup("Filtragem", "", false, "col", "expanel-default");
  panel.Items.Add().Row();
  Duo.Items.Add().PanelGroup("", "", true, "col-3", "mine", "data-k=\"v\"", "margin: 0;");
  EXPECT_THAT(
      Render(),
      ElementsAre(R"(<div class="col pt-2">)", R"(<div class="expanel expanel-default" style="" >)",
                  R"(<div class="expanel-heading">)", R"(<h3 class="expanel-title">Filtragem</h3>)",
                  "</div>", R"(<div class="expanel-body">)", R"(<div class="row mt-2 mb-2" style>)",
                  "</div>", "</div>", "</div>", "</div>", R"(<div class="col-3 pt-2">)",
                  R"(<div class="expanel mine" style="margin: 0;" data-k="v">)",
                  R"(<div class="expanel-heading">)", R"(<h3 class="expanel-title"></h3>)",
                  "</div>", R"(<div class="expanel-body">)", "</div>", "</div>", "</div>"));
}

TEST_F(BridgeTest, NestedFormsLeaveAMarkerOnlyWhenNamed) {
  Duo.Items.Add().Nested("fCadastro");
  Duo.Items.Add().Nested("");
  EXPECT_THAT(Render(), ElementsAre("$facetnested(FCADASTRO)"));
}

TEST_F(BridgeTest, HTMLElementsWriteTheirTagAndHandTheirMarkupToTheirPageControl) {
  auto& element = Duo.Items.Add().HTMLElement("<b onclick=\"go()\">raw</b>");
  EXPECT_THAT(Render(), ElementsAre("{%htmlelement1%}"));
  ASSERT_EQ(PageForm->Controls.size(), 1U);
  auto* control = dynamic_cast<fake::THTMLElement*>(PageForm->Controls[0]);
  ASSERT_NE(control, nullptr);
  EXPECT_EQ(control->HTML, "<b onclick=\"go()\">raw</b>");
  EXPECT_EQ(control->GetName(), "htmlelement1");
  element.SetItemID("Renamed");
  EXPECT_EQ(control->GetName(), "Renamed");

  PageForm->EnablePrefix = true;
  EXPECT_THAT(Render(), ElementsAre("{%ABCDEFG_Renamed%}"));
}

TEST_F(BridgeTest, AHiddenItemStaysRegisteredButLeavesNoLinesInTheBody) {
  Duo.Items.Add().Row("before");
  auto& hidden = Duo.Items.Add().Row("row", "secret");
  hidden.Items.Add().Row("child", "inner");
  hidden.SetIsHidden(true);
  EXPECT_THAT(Render(), ElementsAre(R"(<div class="before" style>)", "</div>"));
  EXPECT_EQ(Duo.HTML().Render().GetHTMLControls("secret"),
            "<div class=\"row mt-2 mb-2\" style>\r\n<div class=\"child\" style>\r\n</div>\r\n"
            "</div>\r\n");
  EXPECT_EQ(Duo.HTML().Render().GetHTMLControls("inner"),
            "<div class=\"child\" style>\r\n</div>\r\n");
  EXPECT_EQ(Duo.HTML().Render().GetHTMLControls("nothing"), "");
}

TEST_F(BridgeTest, TabsLinkEachTitleToItsPaneAndOnlyTheFirstIsActive) {
  auto& tabs = Duo.Items.Add().Tabs();
  tabs.AddTab("One").Items.Add().Row("in-one");
  tabs.AddTab("Two");
  EXPECT_THAT(
      Render(),
      ElementsAre(
          R"(<div id="Tabs1" class="col">)", R"(<div class="card card-nav-tabs mb-1">)",
          R"(<div class="card-header card-header-primary" style="" >)",
          R"(<div class="nav-tabs-navigation">)", R"(<div class="nav-tabs-wrapper">)",
          R"(<ul class="nav nav-tabs border-bottom-0" data-tabs="tabs" role="tablist">)",
          R"(<li class="nav-item">)",
          R"(<a class="nav-link active" href="#Tabs_Tabs1_Item0" data-bs-toggle="tab" data-bs-target="#Tabs_Tabs1_Item0" role="tab" aria-controls="profile-tab-pane">One</a>)",
          "</li>", R"(<li class="nav-item">)",
          R"(<a class="nav-link" href="#Tabs_Tabs1_Item1" data-bs-toggle="tab" data-bs-target="#Tabs_Tabs1_Item1" role="tab" aria-controls="profile-tab-pane">Two</a>)",
          "</li>", "</ul>", "</div>", "</div>", "</div>", R"(<div class="card-body">)",
          R"(<div class="tab-content">)",
          R"(<div class="tab-pane fade show active" id="Tabs_Tabs1_Item0" role="tabpanel">)",
          R"(<div class="in-one" style>)", "</div>", "</div>",
          R"(<div class="tab-pane fade" id="Tabs_Tabs1_Item1" role="tabpanel">)", "</div>",
          "</div>", "</div>", "</div>", "</div>"));
}

TEST_F(BridgeTest, ATabSetWithoutTabsClosesWhatItOpened) {
  Duo.Items.Add().Tabs("t", "my-header");
  EXPECT_THAT(Render(),
              ElementsAre(R"(<div id="t" class="col">)", R"(<div class="card card-nav-tabs mb-1">)",
                          R"(<div class="card-header my-header" style="" >)",
                          R"(<div class="nav-tabs-navigation">)",
                          R"(<div class="nav-tabs-wrapper">)", "</div>", "</div>", "</div>",
                          "</div>", "</div>", "</div>", "</div>"));
}

TEST_F(BridgeTest, AccordionItemsShareAKeyThatChangesWithEveryRendering) {
  auto& accordion = Duo.Items.Add().Accordion();
  accordion.SetColSize("col-6");
  accordion.AddAccordionItem("Primeiro").Items.Add().Row("in-first");
  accordion.AddAccordionItem("Segundo");
  const Lines first = Render();
  ASSERT_EQ(first.size(), 2U + 13 + 2 + 13 + 2);
  EXPECT_EQ(first[0], R"(<div class="col-6 mb-4">)");
  EXPECT_EQ(first[1], R"(<div class="accordion">)");
  const std::regex heading(
      R"re(<h2 class="accordion-header" id="panelsStayOpen-heading(\w{4})(\d)">)re");
  std::smatch m0;
  std::smatch m1;
  ASSERT_TRUE(std::regex_match(first[3], m0, heading));
  ASSERT_TRUE(std::regex_match(first[3 + 15], m1, heading));
  EXPECT_EQ(m0[1], m1[1]);
  EXPECT_EQ(m0[2], "0");
  EXPECT_EQ(m1[2], "1");
  const std::string k = m0[1].str() + "0";
  EXPECT_EQ(first[4], "<button class=\"accordion-button p-2 collapsed\" type=\"button\" "
                      "data-bs-toggle=\"collapse\" data-bs-target=\"#panelsStayOpen-collapse" +
                          k + "\" aria-expanded=\"false\" aria-controls=\"panelsStayOpen-collapse" +
                          k + "\">");
  EXPECT_EQ(first[5], "Primeiro");
  EXPECT_EQ(first[8], "<div id=\"panelsStayOpen-collapse" + k +
                          "\" class=\"accordion-collapse collapse\" "
                          "aria-labelledby=\"panelsStayOpen-heading" +
                          k + "\">");
  EXPECT_EQ(first[11], R"(<div class="in-first" style>)");

  std::smatch again;
  const Lines second = Render();
  ASSERT_TRUE(std::regex_match(second[3], again, heading));
  EXPECT_NE(again[1], m0[1]);
}

TEST_F(BridgeTest, FormsAndBridgeObjectsRenderBootstrapAndShareTheCSSClassTexts) {
  EXPECT_NE(dynamic_cast<const TDuoHTMLBootStrap*>(&Duo.RenderHTMLType()), nullptr);
  EXPECT_EQ(&Form->GetCSSClass(), &Duo.CSSClass());
  EXPECT_EQ(Duo.CSSClass().Button.iconbutton("save"), "btn-info [override-button-save]");
  EXPECT_EQ(TCSSClassButton::iconbutton(""), "btn-info [override-button-]");
}

TEST_F(BridgeTest, TabsAndAccordionItemsMadeElsewhereAreAppendedWithTheirItems) {
  auto& tabs = Duo.Items.Add().Tabs();
  tabs.AddTab("First");
  auto tab = std::make_unique<TDuoItemHTMLTabs::TDuoItemHTMLTabItem>(Duo);
  tab->SetTitle("Made");
  tab->Items.Add().Row("in-made-tab");
  const auto* madeTab = tab.get();
  EXPECT_EQ(&tabs.AddTab(std::move(tab)), madeTab);
  EXPECT_THROW(tabs.AddTab(std::unique_ptr<TDuoItemHTMLTabs::TDuoItemHTMLTabItem>()), Exception);
  ASSERT_EQ(tabs.GetTabs().size(), 2U);
  EXPECT_EQ(tabs.GetTabs()[1].get(), madeTab);

  auto& accordion = Duo.Items.Add().Accordion();
  accordion.AddAccordionItem("First");
  auto item = std::make_unique<TDuoItemHTMLAccordion::TDuoItemHTMLAccordionItem>(Duo);
  item->SetTitle("Made item");
  item->Items.Add().Row("in-made-item");
  const auto* madeItem = item.get();
  EXPECT_EQ(&accordion.AddAccordionItem(std::move(item)), madeItem);
  EXPECT_THROW(accordion.AddAccordionItem(
                   std::unique_ptr<TDuoItemHTMLAccordion::TDuoItemHTMLAccordionItem>()),
               Exception);
  ASSERT_EQ(accordion.GetAccordionItems().size(), 2U);
  EXPECT_EQ(accordion.GetAccordionItems()[1].get(), madeItem);

  // Each appended one renders last, with its own items in its own pane.
  const Lines html = Render();
  const auto at = [&](const std::string& line) {
    return std::find(html.begin(), html.end(), line) - html.begin();
  };
  const auto pane = at(R"(<div class="tab-pane fade" id="Tabs_Tabs1_Item1" role="tabpanel">)");
  EXPECT_EQ(at(R"(<div class="in-made-tab" style>)"), pane + 1);
  EXPECT_LT(at(R"(<div class="in-made-tab" style>)"), at("Made item"));
  EXPECT_LT(at("First"), at("Made item"));
  EXPECT_LT(at("Made item"), at(R"(<div class="in-made-item" style>)"));
  EXPECT_LT(at(R"(<div class="in-made-item" style>)"), static_cast<std::ptrdiff_t>(html.size()));
}

TEST_F(BridgeTest, PopupsReportTheirOpeningAndClosingWithTheSessionsIds) {
  auto& popup = Duo.Items.Add().Popup("mypopup", "Detalhes", false);
  popup.Items.Add().Row("inside");
  ASSERT_EQ(Duo.PopupCount(), 1);
  EXPECT_EQ(&Duo.Popup(0), &popup);
  EXPECT_THROW(Duo.Popup(1), EListError);
  const std::string event =
      R"(       FacetServer().ExecEvent("SESSIONUUID1", "TOKEN0000000000000000001", "PAGEUUID000001", "PAGEUUID000001", ")";
  EXPECT_THAT(
      Render(),
      ElementsAre(
          R"(<div class="duopopup modal fade" id="MYPOPUP" data-bs-backdrop="static" data-bs-keyboard="false" tabindex="-1" aria-labelledby="staticBackdropLabelMYPOPUP" aria-hidden="true">)",
          R"(  <div class="modal-dialog modal-xl modal-dialog-centered">)",
          R"(    <div class="modal-content">)", R"(      <div class="modal-header">)",
          R"(        <h5 class="modal-title" id="staticBackdropLabelMYPOPUP">Detalhes</h5>)",
          R"(        <button type="button" class="btn-close invisible" data-bs-dismiss="modal" aria-label="Close" id="BUTTONCLOSE_MYPOPUP" style="display: none;"></button>)",
          "      </div>", R"(      <div class="modal-body">)", R"(<div class="inside" style>)",
          "</div>", "      </div>", "    </div>", "  </div>", "</div>", "<script>",
          R"(    $('#MYPOPUP').on('show.bs.modal', function (e) {)",
          event +
              R"(OnShowPopup", "popupname=MYPOPUP&FacetComponentsStatus=" + GetComponentsStates(FacetComponents), true);)",
          "    });", R"(    $('#MYPOPUP').on('hidden.bs.modal', function (e) {)",
          R"(       decduopopup(document.getElementById('MYPOPUP'));)",
          event +
              R"(OnClosePopup", "popupname=MYPOPUP&FacetComponentsStatus=" + GetComponentsStates(FacetComponents), true);)",
          "    });", "</script>"));

  popup.SetShowButtonClose(true);
  EXPECT_THAT(
      Render(),
      testing::Contains(
          R"(        <button type="button" class="btn-close" data-bs-dismiss="modal" aria-label="Close" id="BUTTONCLOSE_MYPOPUP"></button>)"));
}

// The upload item's markup and script with the English texts, for the item as the builder makes
// it with these arguments.
Lines ExpectedUpload(const std::string& id, const std::string& multiple, const std::string& accept,
                     const std::string& allowed, int maxFiles, bool inputVisible,
                     bool finishMessage) {
  const std::string alert = R"(swal.fire({ title: "", icon: "error", text : )";
  Lines lines = {R"(<div class="duoinput">)",
                 "<form id=\"" + id + "Form\" enctype=\"multipart/form-data\">",
                 R"(<div class="input-group">)"};
  const std::string input = "<input type=\"file\" class=\"form-control\" id=\"" + id +
                            "\" name=\"" + id + "\" " + multiple + " " + accept;
  if (inputVisible) {
    lines.insert(
        lines.end(),
        {input + " style=\"height: 38px;\">", R"(<div class="mx-1"></div>)",
         R"(<div class="input-group-append">)",
         "<button type=\"button\" class=\"btn btn-secondary\" id=\"" + id +
             "clearButton\"><i class=\"fa fa-times\" aria-hidden=\"true\"></i>Clear</button>",
         "<button type=\"button\" class=\"btn btn-primary\" id=\"" + id +
             "uploadButton\"><i class=\"fa fa-upload\" aria-hidden=\"true\"></i>Enviar</button>"});
  } else {
    lines.insert(
        lines.end(),
        {input + " style=\"display: none;\">", R"(<div class="input-group-append">)",
         "<label for=\"" + id + "\" class=\"btn btn-primary\" id=\"" + id +
             "fileInputButton\"><i class=\"fa fa-upload\" aria-hidden=\"true\"></i>Enviar</label>",
         "<button type=\"button\" class=\"btn btn-primary\" id=\"" + id +
             "uploadButton\" style=\"display: none;\"><i class=\"fa fa-upload\" "
             "aria-hidden=\"true\"></i>Enviar</button>"});
  }
  lines.insert(lines.end(), {"</div>", "</div>", "</form>", "</div>", "<script>",
                             "$(document).ready(function(){",
                             "var allowedFileTypes = [" + allowed +
                                 "]; // Tipos de arquivo permitidos (deixe vazio para aceitar "
                                 "qualquer tipo)",
                             "var maxFileCount = " + std::to_string(maxFiles) +
                                 "; // Quantidade máxima de arquivos (0 para sem limite)",
                             "var maxFileSizePerFile = 20 * 1024 * 1024; // Tamanho máximo por "
                             "arquivo (5 MB)",
                             "var maxTotalFileSize = 20 * 1024 * 1024; // Tamanho total máximo (20 "
                             "MB)",
                             ""});
  if (inputVisible)
    lines.insert(lines.end(),
                 {"$('#" + id + "clearButton').on('click', function(){",
                  "// Limpa a lista de arquivos selecionados", "$('#" + id + "').val('');", "});"});
  lines.push_back("");
  if (!inputVisible)
    lines.insert(lines.end(), {"$('#" + id + "').on('change', function () {",
                               "$('#" + id + "uploadButton').click();", "});"});
  lines.insert(lines.end(),
               {"$('#" + id + "uploadButton').on('click', function(){",
                "// Obtenha os arquivos selecionados",
                "var files = $('#" + id + "')[0].files;",
                "",
                "if (files.length === 0) {",
                alert + R"("No file selected." });)",
                "return;",
                "}",
                "",
                "if (maxFileCount > 0 && files.length > maxFileCount) {",
                alert + R"("Too many files selected." });)",
                "return;",
                "}",
                "",
                "var totalSize = 0;",
                "for (var i = 0; i < files.length; i++) {",
                "totalSize += files[i].size;",
                "",
                "if (maxFileSizePerFile > 0 && files[i].size > maxFileSizePerFile) {",
                alert + R"("One of the selected files exceeds the maximum file size." });)",
                "return;",
                "}",
                "",
                "var fileExtension = files[i].name.split('.').pop().toLowerCase();",
                "if (allowedFileTypes.length > 0 && !allowedFileTypes.includes(fileExtension)) {",
                alert + R"("One of the selected files is of a type that is not allowed." });)",
                "return;",
                "}",
                "}",
                "",
                "if (maxTotalFileSize > 0 && totalSize > maxTotalFileSize) {",
                alert + R"("The selected files together exceed the maximum upload size." });)",
                "return;",
                "}",
                "",
                "var formData = new FormData($('#" + id + "Form')[0]);",
                "LockThreadClient();",
                "",
                "$.ajax({",
                "url: '/duo/upload?token=TOKEN0000000000000000001&facetsession=SESSIONUUID1', // "
                "Substitua pelo URL do seu endpoint de envio",
                "type: 'POST',",
                "data: formData,",
                "processData: false,",
                "contentType: false,",
                "success: function(response){",
                "$('#" + id + "clearButton').click();",
                "UnLockThreadClient();"});
  if (finishMessage)
    lines.push_back(
        R"(swal.fire({ title: "", icon: "success", text : "Files uploaded successfully." });)");
  lines.insert(lines.end(), {"},", "error: function(xhr, status, error) {", "UnLockThreadClient();",
                             alert + R"("The upload failed. Please try again." });)", "}", "});",
                             "});", "});", "</script>"});
  return lines;
}

TEST_F(BridgeTest, UploadItems) {
  Session.Terms = EnglishTerms();
  struct Case {
    std::string Types;
    int MaxFiles;
    bool InputVisible;
    bool FinishMessage;
    std::string Multiple;
    std::string Accept;
    std::string Allowed;
  };
  const std::vector<Case> cases = {
      {"jpg,jpeg,png,pdf", 1, true, false, "", R"(accept=".jpg, .jpeg, .png, .pdf")",
       "'jpg', 'jpeg', 'png', 'pdf'"},
      {"pdf,docx", 0, true, true, "multiple", R"(accept=".pdf, .docx")", "'pdf', 'docx'"},
      {"*", 3, false, false, "multiple", "", ""},
  };
  for (const Case& c : cases) {
    TDuo duo(Form);
    duo.SetFacetSession(&Session);
    auto& upload = duo.Items.Add().Upload("Enviar", c.Types, "", c.MaxFiles, 20, c.InputVisible,
                                          "form-control", "btn btn-primary", "btn btn-secondary",
                                          "fa fa-upload", "fa fa-times", c.FinishMessage, 20);
    duo.RenderDuo(duo.Items);
    EXPECT_THAT(duo.HTML().Render().Body().ToVector(),
                ElementsAreArray(ExpectedUpload(upload.GetItemID(), c.Multiple, c.Accept, c.Allowed,
                                                c.MaxFiles, c.InputVisible, c.FinishMessage)))
        << c.Types;
  }
}

TEST_F(BridgeTest, AnUploadItemStartsWithTheDefaultLimitsAndTheBrowsersCaption) {
  Session.Terms = EnglishTerms();
  TDuoItemHTMLUpload upload(Duo);
  EXPECT_EQ(upload.GetCaptionUpload(), "Choose files");
  EXPECT_EQ(upload.GetMaxFiles(), 1);
  EXPECT_EQ(upload.GetMaxFileSize(), 20);
  EXPECT_EQ(upload.GetMaxUploadSize(), 20);
  EXPECT_TRUE(upload.GetInputVisible());
  EXPECT_EQ(upload.AllowedFileTypes().GetCommaText(), "jpg,jpeg,png,pdf");
}

// Every text an item writes from data or a user, with the hostile values: the markup holds the
// value escaped, never raw, and script strings are quoted so no value ends them.
TEST_F(BridgeTest, HostileTextsAreEscapedInEveryItemThatWritesThem) {
  for (const std::string& value : HostileValues()) {
    TDuo duo(Form);
    duo.SetFacetSession(&Session);
    duo.Items.Add().PanelGroup(value);
    duo.Items.Add().FormGroup(value);
    duo.Items.Add().Tabs().AddTab(value);
    duo.Items.Add().Accordion().AddAccordionItem(value);
    duo.Items.Add().Popup("p", value);
    duo.Items.Add().Upload(value);
    duo.RenderDuo(duo.Items);
    const std::string body = duo.HTML().Render().Body().GetText();
    const std::string encoded = HTMLEncode(value);
    SCOPED_TRACE(value);
    if (encoded != value) {
      EXPECT_THAT(body, Not(HasSubstr(value)));
    }
    // The panel, the label, the tab, the accordion item, the popup and the upload button.
    size_t count = 0;
    for (size_t pos = body.find(encoded); pos != std::string::npos;
         pos = body.find(encoded, pos + 1))
      ++count;
    EXPECT_EQ(count, 6U);
  }
}

TEST_F(BridgeTest, ValidationMarksAndRefreshesReachTheBrowserForControlsWithAPageControl) {
  TComponent* control = new TComponent(Form);
  auto* page = new fake::TPageControl(PageForm);
  page->SetName("edtNome");
  page->SetUIComponent(control);
  TComponent* other = new TComponent(Form);

  Duo.Validation(control, false, "Informe \"o\" nome</script>");
  Duo.Validation(control, true, "");
  Duo.RemoveValidation(control);
  Duo.UpdateDuoControl(control);
  Duo.Validation(other, false, "nobody hears this");
  Duo.UpdateDuoControl(other);
  Duo.UpdateDuoAllControls();
  EXPECT_THAT(
      Session.Pushed,
      ElementsAre(
          R"(insertValidationFeedback("EDTNOME", false, "Informe \"o\" nome\u003c/script\u003e"))",
          R"(insertValidationFeedback("EDTNOME", true, ""))",
          R"(removeValidationFeedback("EDTNOME"))",
          R"(UpdateDuoControls([FacetComponents.find(obj => obj.id === "EDTNOME")]))",
          "UpdateDuoControls(FacetComponents)"));
  EXPECT_EQ(page->Refreshes, 1);

  PageForm->EnablePrefix = true;
  Session.Pushed.clear();
  Duo.RemoveValidation(control);
  EXPECT_THAT(Session.Pushed, ElementsAre(R"(removeValidationFeedback("ABCDEFG_EDTNOME"))"));
}

TEST_F(BridgeTest, NestingAFormRendersItOnceAndTakesItOutOfTheSessionsPages) {
  auto* inner = new TDuoForm(&App);
  inner->SetName("fInner");
  auto* innerPage = new fake::TPageForm(inner);
  TDuo innerDuo(inner);
  innerDuo.SetFrameworkExportType(std::make_unique<fake::TFramework>(innerPage));
  inner->SetDuo(&innerDuo);
  innerDuo.Items.Add().Row("inner-row");

  Duo.AddNested(*inner);
  Duo.AddNested(*inner);
  EXPECT_EQ(Duo.NestedCount(), 1);
  EXPECT_EQ(&Duo.Nested(0), &innerDuo);
  EXPECT_THROW(Duo.Nested(1), EListError);
  EXPECT_EQ(innerDuo.GetDuoOwner(), &Duo);
  EXPECT_TRUE(innerPage->EnablePrefix);
  EXPECT_THAT(innerDuo.HTML().Render().Body().ToVector(),
              ElementsAre(R"(<div class="inner-row" style>)", "</div>"));
  EXPECT_THAT(Session.Removed, ElementsAre(&innerDuo));
  inner->SetDuo(nullptr);
}

TEST(DuoHTML, TheSkeletonFollowsItsOptions) {
  fake::TSession session;
  TDuoClass duo(nullptr);
  TDuoHTML& html = duo.HTML();
  html.Render().Body().Add("<p>body</p>");
  EXPECT_THAT(html.Render().MakeHTML()->ToVector(), ElementsAre("<p>body</p>", ""));

  html.Script().Add("<script>go()</script>");
  html.StyleSheet().Add("<style>p{}</style>");
  html.Render().Meta().Add("<meta name=\"x\"/>");
  html.Render().SetTitle("Página");
  html.Options() = {true, true, true, true, true, true};
  EXPECT_THAT(
      html.Render().MakeHTML()->ToVector(),
      ElementsAre("<!DOCTYPE html>", R"(<html lang="en-US">)", "<head>", "<title>Página</title>",
                  R"(<meta charset="utf-8"/>)",
                  R"(<meta http-equiv="Content-Type" content="text/html; charset=utf-8"/>)",
                  R"(<meta name="viewport" content="width=device-width, initial-scale=1"/>)",
                  R"(<meta name="x"/>)",
                  R"(<link rel="stylesheet" type="text/css" href="css/bootstrap.min.css"/>)",
                  "<style>p{}</style>\r\n", "</head>", "<body>",
                  R"(<div class="was-validated" id="DuoBody">)", R"(<div class="container-fluid">)",
                  "<p>body</p>", "</div>", R"(<script src="js/bootstrap.bundle.min.js"></script>)",
                  "<script>go()</script>\r\n", "</body>", "</div>", "</html>"));
}

TEST(DuoHTML, RightToLeftLanguagesMarkTheDocument) {
  struct TArabic : fake::TSession {
    std::string LangCode() const override { return "ar-SA"; }
  } arabic;
  TDuoClass duo(nullptr);
  duo.SetFacetSession(&arabic);
  duo.HTML().Options().HTMLTags = true;
  EXPECT_EQ(duo.HTML().Render().MakeHTML()->Strings(1), R"(<html lang="ar-SA" dir="rtl">)");
}

TEST(DuoHTML, RemovingAControlTagTakesExactlyThatControlsTag) {
  struct Case {
    Lines Body;
    std::string Name;
    Lines Expected;
  };
  const std::vector<Case> cases = {
      {{"{%Edit10 class=\"x\"%}", "{%Edit1 class=\"y\"%}", "<p/>"},
       "Edit1",
       {"{%Edit10 class=\"x\"%}", "<p/>"}},
      {{"{%EDIT1%}", "<p/>"}, "edit1", {"<p/>"}},
      {{"{%Edit10%}", "<p/>"}, "Edit1", {"{%Edit10%}", "<p/>"}},
      {{"{%Edit1 open", "<p/>"}, "Edit1", {"{%Edit1 open", "<p/>"}},
      {{"<p/>", "{%Last%}"}, "Last", {"<p/>"}},
  };
  for (const Case& c : cases) {
    TDuoClass duo(nullptr);
    for (const std::string& line : c.Body)
      duo.HTML().Render().Body().Add(line);
    duo.HTML().Render().RemoveHTMLControlToBody(c.Name);
    EXPECT_THAT(duo.HTML().Render().Body().ToVector(), ElementsAreArray(c.Expected)) << c.Name;
  }
}

} // namespace
