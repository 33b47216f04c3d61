#include "BridgeFixture.h"

#include "bridge/Duo.Item.HTML.h"
#include "bridge/Duo.Item.UIObj.h"
#include "bridge/Duo.Util.h"
#include "runtime/Exceptions.h"
#include "runtime/StrUtils.h"
#include "ui/Buttons.h"
#include "ui/ExtCtrls.h"
#include "ui/Menus.h"
#include "ui/StdCtrls.h"

#include <gmock/gmock.h>

namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::Not;

using Lines = std::vector<std::string>;

// A menu entry as the page shows it: its caption and the callback that asks for it by name.
std::string Entry(const std::string& js, const std::string& name, const std::string& caption) {
  return "<li><a class=\"dropdown-item\" onclick=\"" + js + name + "&#39;, true)\" href=\"#\">" +
         caption + "</a></li>";
}

class ControlItemTest : public BridgeTest {
public:
  template <class T> T* Add(const std::string& Name, const std::string& Caption = "") {
    auto* control = new T(Form);
    control->SetName(Name);
    control->SetParent(Form);
    control->SetText(Caption);
    return control;
  }

  // A popup menu with a separator, a hidden item, a plain item, an item with two sub-items and a
  // hidden item with a sub-item; clicks are written down.
  TPopupMenu* MakeMenu() {
    auto* menu = new TPopupMenu(Form);
    menu->SetName("pmAcoes");
    const auto item = [this](TMenuItem& parent, const std::string& name,
                             const std::string& caption) {
      auto* entry = new TMenuItem(Form);
      entry->SetName(name);
      entry->SetCaption(caption);
      entry->OnClick = [this, name](TObject*) { Clicked.push_back(name); };
      parent.Add(entry);
      return entry;
    };
    item(menu->GetItems(), "mnuSep", "-");
    item(menu->GetItems(), "mnuHidden", "Oculto")->SetVisible(false);
    item(menu->GetItems(), "mnuImprimir", "Imprimir");
    TMenuItem* exportar = item(menu->GetItems(), "mnuExportar", "Exportar");
    item(*exportar, "mnuPDF", "PDF");
    item(*exportar, "mnuCSV", "CSV")->SetEnabled(false);
    TMenuItem* secret = item(menu->GetItems(), "mnuSecret", "Segredo");
    secret->SetVisible(false);
    item(*secret, "mnuDanger", "Perigo");
    return menu;
  }

  void Fire(const std::string& CallBack, const std::string& Name) {
    TStringList params;
    params.Add(Name);
    PageForm->CallBackList.Registered.at(CallBack)(&params);
  }

  std::vector<std::string> Clicked;
};

TEST_F(ControlItemTest, ControlTagsCarryTheAdaptersClassTheLayoutsClassAndTheAttributes) {
  struct Case {
    std::string Name;
    std::function<void(TItemAdd&, ControlItemTest&)> Build;
    Lines Expected;
  };
  const std::vector<Case> cases = {
      {"button without class",
       [](TItemAdd& add, ControlItemTest& t) { add.UIObj(t.Add<TButton>("btnOk", "Ok")); },
       {R"({%btnOk class="btn btn-primary" style%})"}},
      {"button with class",
       [](TItemAdd& add, ControlItemTest& t) {
         add.UIObj(t.Add<TButton>("btnOk2", "Ok"), "btn-warning");
       },
       {R"({%btnOk2 class="btn btn-warning" style%})"}},
      {"picture button served as button",
       [](TItemAdd& add, ControlItemTest& t) { add.UIObj(t.Add<TBitBtn>("btnBit", "Bit")); },
       {R"({%btnBit class="btn btn-primary" style%})"}},
      {"label keeps its line breaks",
       [](TItemAdd& add, ControlItemTest& t) { add.UIObj(t.Add<TLabel>("lblNome")); },
       {R"({%lblNome class="form-control-plaintext" style=" white-space: pre-line;"%})"}},
      {"edit with css, extras and style",
       [](TItemAdd& add, ControlItemTest& t) {
         add.UIObj(t.Add<TEdit>("edtNome"), "fs-4", "maxlength=\"10\"", "width: 5em;");
       },
       {R"({%edtNome class="form-control fs-4" style="width: 5em;" maxlength="10"%})"}},
      {"override button",
       [](TItemAdd& add, ControlItemTest& t) {
         add.UIObj(t.Add<TBitBtn>("btnNovo", "Novo"),
                   "btn-success [override-button-fe fe-plus fa fa-plus me-2]");
       },
       {R"(<button type="button" class="btn btn-success" id="BTNNOVO" ><i class="fe fe-plus fa fa-plus me-2"></i>Novo</button>)"}},
      {"override of another kind writes nothing",
       [](TItemAdd& add, ControlItemTest& t) {
         add.UIObj(t.Add<TButton>("btnX", "X"), "btn-info [override-link-fe fe-x]");
       },
       {}},
      {"hidden control",
       [](TItemAdd& add, ControlItemTest& t) { add.UIObjHidden(t.Add<TEdit>("edtOculto")); },
       {}},
  };
  for (const Case& c : cases) {
    TDuo duo(Form);
    c.Build(duo.Items.Add(), *this);
    duo.RenderDuo(duo.Items);
    EXPECT_THAT(duo.HTML().Render().Body().ToVector(), ElementsAreArray(c.Expected)) << c.Name;
  }
}

TEST_F(ControlItemTest, AButtonLosesItsAcceleratorMarkInThePageAndOnTheForm) {
  TButton* button = Add<TButton>("btnSalvar", "&Salvar");
  Duo.Items.Add().UIObj(button, "btn-success [override-button-fe fe-save]");
  EXPECT_THAT(
      Render(),
      ElementsAre(
          R"(<button type="button" class="btn btn-success" id="BTNSALVAR" ><i class="fe fe-save"></i>Salvar</button>)"));
  EXPECT_EQ(button->GetCaption(), "Salvar");
}

TEST_F(ControlItemTest, AControlOfAClassWithoutAdapterIsRefusedByName) {
  class TOwnEdit : public TEdit {
  public:
    using TEdit::TEdit;
    const TClassInfo& ClassType() const override {
      static const TClassInfo info("TOwnEdit", &TEdit::StaticClass(), {}, nullptr);
      return info;
    }
  };
  auto* control = new TOwnEdit(Form);
  control->SetName("edtMeu");
  auto& item = Duo.Items.Add().UIObj(control);
  EXPECT_EQ(item.GetBridgeUIObj(), nullptr);
  EXPECT_EQ(item.GetItemID(), "edtMeu");
  try {
    Render();
    FAIL() << "rendered a control without adapter";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Class Type TOwnEdit not supported to Duo Framework yet\rError X001-3");
  }
}

TEST_F(ControlItemTest, RenderingCreatesThePageControlOnceFilledFromTheControl) {
  TButton* button = Add<TButton>("btnOk", "Confirmar");
  button->SetEnabled(false);
  auto& item = Duo.Items.Add().UIObj(button, Variant(std::string("grupo")), true);
  item.SetIsHidden(true);
  EXPECT_EQ(Duo.ExportedControls().count("UIObj1"), 1U);
  EXPECT_EQ(item.GetItemID(), "btnOk");
  EXPECT_TRUE(Duo.ObjectExported(*button));

  Render();
  Render();
  ASSERT_EQ(PageForm->Controls.size(), 1U);
  auto* page = dynamic_cast<fake::TPageControl*>(PageForm->Controls[0]);
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(item.GetFacetControl(), page);
  EXPECT_EQ(page->GetName(), "btnOk");
  EXPECT_EQ(page->Kind, "Button");
  EXPECT_EQ(page->UIComponent, button);
  EXPECT_TRUE(page->IsHidden);
  EXPECT_TRUE(page->Required);
  EXPECT_EQ(page->ValidationGroup.AsString(), "grupo");
  // Copied by name where name and type agree: the caption and the flags, not the position.
  EXPECT_EQ(page->Caption, "Confirmar");
  EXPECT_FALSE(page->Enabled);
  EXPECT_TRUE(page->Visible);
  EXPECT_EQ(page->Left, "");
  EXPECT_TRUE(Framework->FButton.PropertiesProcessed);
  EXPECT_TRUE(Framework->FButton.EventsProcessed);
  EXPECT_EQ(Framework->FButton.Caption, "Confirmar");
}

TEST_F(ControlItemTest, FormGroupsPutTheControlBeforeItsLabelAndLinkThem) {
  TLabel* label = Add<TLabel>("lblNome", "Nome");
  TEdit* edit = Add<TEdit>("edtNome");
  TLabel* label2 = Add<TLabel>("lblCidade", "Cidade");
  TEdit* edit2 = Add<TEdit>("edtCidade");
  Duo.Items.Add().FormGroup().AddLabelUIObj(label);
  Duo.Items.Add().FormGroup().AddUIObj(edit);
  auto& afterwards = Duo.Items.Add().FormGroup();
  afterwards.AddUIObj(edit2, "c");
  afterwards.AddLabelUIObj(label2);
  auto& labelled = Duo.Items.Add().FormGroup("", "col-auto", "", true);
  labelled.AddUIObjWithLabel(Add<TEdit>("edtUf"), "UF");
  PageForm->EnablePrefix = true;
  const Lines body = Render();
  const Lines expected = {
      R"(<div class="mt-1 col-xl-auto   align-self-end" style>)",
      R"(<div class="form-group" style>)",
      R"({%ABCDEFG_lblNome class="form-control-plaintext" style=" white-space: pre-line;"%})",
      "</div>",
      "</div>",
      R"(<div class="mt-1 col-xl-auto   align-self-end" style>)",
      R"(<div class="form-group" style>)",
      R"({%ABCDEFG_edtNome class="form-control" style%})",
      "</div>",
      "</div>",
      R"(<div class="mt-1 col-xl-auto   align-self-end" style>)",
      R"(<div class="form-group" style>)",
      R"({%ABCDEFG_edtCidade class="form-control c" style%})",
      R"({%ABCDEFG_lblCidade class="form-control-plaintext" style=" white-space: pre-line;"  for="EDTCIDADE"%})",
      "</div>",
      "</div>",
      R"(<div class="col-auto  mb-2" style>)",
      R"(<div class="form-group flex-nowrap" style>)",
      R"(<label for="ABCDEFG_EDTUF" style="padding-right: 5px;">UF</label>)",
      R"({%ABCDEFG_edtUf class="form-control  col" style%})",
      "</div>",
      "</div>",
  };
  EXPECT_THAT(body, ElementsAreArray(expected));

  // A label added before its control gets the same link when the control arrives.
  TDuo duo(Form);
  auto& group = duo.Items.Add().FormGroup("", "", "", true);
  group.AddLabelUIObj(Add<TLabel>("lblUm", "Um"));
  group.AddUIObj(Add<TEdit>("edtUm"));
  group.AddLabelUIObj(Add<TLabel>("lblDois", "Dois"));
  duo.RenderDuo(duo.Items);
  EXPECT_THAT(
      duo.HTML().Render().Body().ToVector(),
      testing::Contains(R"({%edtUm class="form-control  col" style=" padding-right: 5px;"%})"));
  EXPECT_THAT(
      duo.HTML().Render().Body().ToVector(),
      testing::Contains(
          R"({%lblDois class="form-control-plaintext" style=" white-space: pre-line;"  for="EDTUM"%})"));
}

TEST_F(ControlItemTest, APopupMenuUnderAButtonListsTheEntriesThePageShows) {
  TButton* button = Add<TButton>("btnAcoes", "Ações");
  Duo.Items.Add().UIObj(button, MakeMenu(), "btn-secondary");
  const std::string js = "FacetServer().CallBack(&#39;CallBackEventPopuppmAcoes&#39;, "
                         "&#39;PAGEUUID000001&#39;, &#39;";
  EXPECT_THAT(
      Render(),
      ElementsAre(
          R"(<div class="dropdown">)",
          R"({%btnAcoes class="btn btn-secondary dropdown-toggle" style  data-bs-toggle="dropdown" aria-expanded="false"%})",
          R"(<ul class="dropdown-menu" aria-labelledby="dropdownMenubtnAcoes">)",
          Entry(js, "mnuImprimir", "Imprimir"), Entry(js, "mnuPDF", "Exportar-&gt;PDF"),
          Entry(js, "mnuCSV", "Exportar-&gt;CSV"), "</ul>", "</div>"));
}

TEST_F(ControlItemTest, ThePopupMenuCallBackClicksOnlyEntriesThePageShowsAndAllows) {
  Duo.Items.Add().UIObj(Add<TButton>("btnAcoes", "Ações"), MakeMenu(),
                        "btn-info [override-button-fa fa-cog]");
  const Lines body = Render();
  EXPECT_EQ(
      body[1],
      R"(<button type="button" class="btn btn-info dropdown-toggle" id="BTNACOES"  data-bs-toggle="dropdown" aria-expanded="false"><i class="fa fa-cog"></i>Ações</button>)");
  const std::string callBack = "CallBackEventPopuppmAcoes";
  for (const char* name :
       {"mnuImprimir", "mnuPDF", "mnuCSV", "mnuHidden", "mnuDanger", "mnuNada", "mnuimprimir"})
    Fire(callBack, name);
  EXPECT_THAT(Clicked, ElementsAre("mnuImprimir", "mnuPDF"));
}

TEST_F(ControlItemTest, ExportingAllControlsAddsTheSupportedOnesNotYetInTheLayout) {
  auto* web = new TDuoForm(&App);
  Form->SetDuo(nullptr);
  TDuo duo(web);
  web->SetDuo(&duo);
  const auto add = [web](TControl* control, const std::string& name) {
    control->SetName(name);
    control->SetParent(web);
    return control;
  };
  TControl* edit = add(new TEdit(web), "edtA");
  add(new TPanel(web), "pnlB");
  TControl* button = add(new TBitBtn(web), "btnC");
  TControl* placed = add(new TLabel(web), "lblD");
  duo.Items.Add().UIObj(placed);
  web->ExportDuoAllControls();
  ASSERT_EQ(duo.Items.Count(), 3);
  EXPECT_EQ(static_cast<TDuoItemUIObj&>(duo.Items.Item(1)).GetItem(), edit);
  EXPECT_EQ(static_cast<TDuoItemUIObj&>(duo.Items.Item(2)).GetItem(), button);
  web->ExportDuoAllControls();
  EXPECT_EQ(duo.Items.Count(), 3);
  web->SetDuo(nullptr);
  Form->SetDuo(&Duo);
}

TEST_F(ControlItemTest, HostileCaptionsAreEscapedInOverrideButtonsAndMenuEntries) {
  int number = 0;
  for (const std::string& value : HostileValues()) {
    SCOPED_TRACE(value);
    TDuo duo(Form);
    duo.SetFacetSession(&Session);
    auto* menu = new TPopupMenu(Form);
    auto* entry = new TMenuItem(Form);
    entry->SetName("mnuX" + std::to_string(++number));
    entry->SetCaption(value);
    menu->GetItems().Add(entry);
    auto* button = new TButton(Form);
    button->SetText(value);
    duo.Items.Add().UIObj(button, menu, "[override-button-x]");
    duo.RenderDuo(duo.Items);
    const std::string body = duo.HTML().Render().Body().GetText();
    const std::string encoded = HTMLEncode(StringReplaceAll(value, "&", ""));
    EXPECT_THAT(body, HasSubstr("</i>" + encoded + "</button>"));
    EXPECT_THAT(body, HasSubstr("\">" + HTMLEncode(value) + "</a></li>"));
    if (HTMLEncode(value) != value) {
      EXPECT_THAT(body, Not(HasSubstr(value)));
    }
  }
}

} // namespace
