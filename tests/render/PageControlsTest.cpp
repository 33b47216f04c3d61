#include "PageFixture.h"

#include "render/Facet.Button.h"
#include "render/Facet.CheckBox.h"
#include "render/Facet.Combobox.h"
#include "render/Facet.Edit.h"
#include "render/Facet.HTMLElement.h"
#include "render/Facet.Image.h"
#include "render/Facet.Label.h"
#include "render/Facet.Memo.h"
#include "render/Facet.TextMask.h"

#include "runtime/Strings.h"
#include <algorithm>
#include <string>

namespace {

using namespace pagetest;

const std::string X(const std::string& ID) {
  return "document.getElementById(\"" + ID + "\")";
}

using Script = std::vector<std::string>;

class PageControlsTest : public PageTest {};

TEST_F(PageControlsTest, EveryControlIsCreatableByClassWithThePageAsOwner) {
  const TClassInfo* classes[] = {&TFacetEdit::StaticClass(),     &TFacetButton::StaticClass(),
                                 &TFacetLabel::StaticClass(),    &TFacetMemo::StaticClass(),
                                 &TFacetCheckBox::StaticClass(), &TFacetCombobox::StaticClass(),
                                 &TFacetImage::StaticClass(),    &TFacetHTMLElement::StaticClass()};
  for (const TClassInfo* info : classes) {
    SCOPED_TRACE(info->ClassName());
    TObject* created = info->CreateInstance(Page);
    EXPECT_NE(dynamic_cast<IFacetControl*>(created), nullptr);
    EXPECT_EQ(Page->Controls.back(), dynamic_cast<IFacetControl*>(created));
  }
  EXPECT_NE(dynamic_cast<IFacetHTMLElement*>(TFacetHTMLElement::StaticClass().CreateInstance(Page)),
            nullptr);
}

TEST_F(PageControlsTest, EditHTMLAndStatementsPerChange) {
  std::string text = "Ana";
  auto* edit = Make<TFacetEdit>("edtNome");
  edit->SetProcGetText([&] { return Variant(text); });
  edit->SetCharCase(ecUpperCase);
  Render(*edit);
  EXPECT_EQ(edit->GetHTMLControl(),
            R"(<input class="text-uppercase x" id="EDTNOME"    value = "Ana"/>)");
  EXPECT_TRUE(Update(*edit).empty());

  text = "Bia \"B\"";
  EXPECT_EQ(Update(*edit), Script{X("EDTNOME") + R"(.value = "Bia \"B\"";)"});
  edit->SetEditDataType(FacetFieldTypeInteger);
  EXPECT_EQ(Update(*edit),
            (Script{X("EDTNOME") + ".type=\"number\";", X("EDTNOME") + ".step=\"1\";",
                    R"($("#EDTNOME").inputmask("remove");)",
                    R"($("#EDTNOME").inputmask({'alias' : 'integer'});)"}));
  edit->ProcessHTML();
  EXPECT_EQ(edit->GetHTMLControl(),
            R"(<input class="text-uppercase x" id="EDTNOME"  data-inputmask="&#39;alias&#39; : )"
            R"(&#39;integer&#39;" type="number" step="1"  value = "Bia &quot;B&quot;"/>)");

  // A string edit sends its value and mask when forced, but no type.
  auto* plain = Make<TFacetEdit>("edtPlain");
  plain->SetEditDataType(FacetFieldTypeString);
  Render(*plain);
  EXPECT_EQ(Update(*plain, true),
            (Script{X("EDTPLAIN") + R"(.value = "";)", R"($("#EDTPLAIN").inputmask("remove");)"}));

  // A password is never given to the browser: not in the page, not in an update, forced or not;
  // a password emptied on the server empties the browser's field.
  std::string secret = "segredo";
  auto* password = Make<TFacetEdit>("edtSenha");
  password->SetEditDataType(FacetFieldTypePassword);
  password->SetProcGetText([&] { return Variant(secret); });
  Render(*password);
  EXPECT_NE(password->GetHTMLControl().find(R"( type="password" )"), std::string::npos);
  EXPECT_NE(password->GetHTMLControl().find(R"(value = "")"), std::string::npos);
  secret = "outro segredo";
  for (const bool forced : {false, true})
    for (const std::string& statement : Update(*password, forced))
      EXPECT_EQ(statement.find("segredo"), std::string::npos) << statement;
  secret = "";
  EXPECT_EQ(Update(*password).front(), X("EDTSENHA") + R"(.value = "";)");
}

TEST_F(PageControlsTest, EditTextFromTheBrowserReachesTheLiveEditOnlyWhenChanged) {
  std::vector<Variant> written;
  auto* edit = Make<TFacetEdit>("edtNome");
  edit->SetProcGetText([] { return Variant("Ana"); });
  edit->SetProcSetText([&](const Variant& v) { written.push_back(v); });
  Render(*edit);
  edit->ProcessComponentState(TJSON{{"text", "Ana"}});
  EXPECT_TRUE(written.empty());
  edit->ProcessComponentState(TJSON{{"other", "x"}});
  edit->ProcessComponentState(TJSON{{"text", "Ana Maria"}});
  ASSERT_EQ(written.size(), 1u);
  EXPECT_EQ(written[0].AsString(), "Ana Maria");

  // A date edit passes a date value and shows the live text as an ISO date.
  auto* date = Make<TFacetEdit>("edtData");
  date->SetEditDataType(FacetFieldTypeDate);
  date->SetProcGetText([] { return Variant("2024-06-24 14:05:00"); });
  date->SetProcSetText([&](const Variant& v) { written.push_back(v); });
  Render(*date);
  EXPECT_EQ(date->GetText(), "2024-06-24");
  date->ProcessComponentState(TJSON{{"text", "2024-07-01"}});
  ASSERT_EQ(written.size(), 2u);
  EXPECT_EQ(written[1].GetKind(), Variant::Kind::DateTime);
  EXPECT_EQ(written[1].AsDateTime(), EncodeDate(2024, 7, 1));
}

TEST_F(PageControlsTest, ButtonLabelMemoAndHTMLElement) {
  auto* button = Make<TFacetButton>("btnSalvar");
  button->SetPropValue("Caption", "Salvar & sair");
  Render(*button, R"(class="btn")");
  EXPECT_EQ(button->GetHTMLControl(),
            R"(<button class="btn" id="BTNSALVAR" >Salvar &amp; sair</button>)");
  EXPECT_TRUE(Update(*button, true).empty());

  std::string caption = "Nome";
  auto* label = Make<TFacetLabel>("lblNome");
  label->SetProcGetText([&] { return Variant(caption); });
  Render(*label);
  EXPECT_EQ(label->GetHTMLControl(), R"(<span class="x" id="LBLNOME" >Nome</span>)");
  caption = "Nome: {{Title}}";
  EXPECT_EQ(Update(*label), Script{X("LBLNOME") + R"(.textContent = "Nome: {{Title}}";)"});
  EXPECT_TRUE(Update(*label).empty());
  // A label that captions a control names it, so the caption is the control's name for
  // assistive technology and a click on it focuses the control.
  auto* caption2 = Make<TFacetLabel>("lblSenha");
  caption2->SetCaption("Senha <atual>");
  caption2->SetForControl("edtSenha");
  Render(*caption2);
  EXPECT_EQ(caption2->GetHTMLControl(),
            R"(<label for="EDTSENHA" class="x" id="LBLSENHA" >Senha &lt;atual&gt;</label>)");

  TStringList lines;
  lines.SetText("linha 1\r\n100% certo");
  auto* memo = Make<TFacetMemo>("memObs");
  memo->SetLines(&lines);
  memo->SetRows(5);
  Render(*memo);
  EXPECT_EQ(memo->GetHTMLControl(), "<div><textarea rows=\"5\" class=\"x\" id=\"MEMOBS\" >"
                                    "linha 1\r\n100% certo\r\n</textarea></div>");
  lines.Add("3");
  EXPECT_EQ(Update(*memo), Script{X("MEMOBS") + R"(.value= "linha 1\r\n100% certo\r\n3\r\n";)"});
  memo->ProcessComponentState(TJSON{{"text", "a\nb"}});
  EXPECT_EQ(lines.Count(), 2);
  EXPECT_EQ(lines[1], "b");
  EXPECT_TRUE(Update(*memo).empty());

  auto* element = Make<TFacetHTMLElement>("htmlAviso");
  element->SetHTML("<b>{{Title}}</b>");
  Render(*element);
  EXPECT_EQ(element->GetHTMLControl(),
            R"(<div class="duohtmlelement" id="HTMLAVISO"><b>{{Title}}</b></div>)");
  element->SetHTML("<i>`x`</i>");
  EXPECT_EQ(Update(*element),
            Script{X("HTMLAVISO") + R"(.innerHTML = "\u003ci\u003e\u0060x\u0060\u003c/i\u003e";)"});
  TLabel* linked = new TLabel(nullptr);
  linked->SetCaption("<p>texto</p>");
  element->SetComponentHTMLElement(linked);
  EXPECT_EQ(element->GetHTML(), "<p>texto</p>");
  delete linked;
  EXPECT_EQ(element->GetHTML(), "<i>`x`</i>");
}

TEST_F(PageControlsTest, CheckBoxStateAppliedDuringIntakeAndOnlyWhenChanged) {
  bool checked = false;
  int setterCalls = 0;
  auto* box = Make<TFacetCheckBox>("chkAtivo");
  box->SetProcGetText([] { return Variant("Ativo"); });
  box->SetProcGetChecked([&] { return Variant(checked); });
  box->SetProcSetChecked([&](const Variant& v) {
    ++setterCalls;
    checked = v.AsBoolean();
  });
  Render(*box, R"(class="form-check-input")");
  EXPECT_EQ(box->GetHTMLControl(), "<div class=\"form-check form-switch\">\r\n"
                                   "<input class=\"form-check-input\" id=\"CHKATIVO\"  "
                                   "type=\"checkbox\" role=\"switch\" >\r\n"
                                   "<label class=\"form-check-label\" for=\"CHKATIVO\">Ativo"
                                   "</label>\r\n</div>");
  box->ProcessComponentState(TJSON{{"checked", "false"}});
  EXPECT_EQ(setterCalls, 0);
  // Applied before this call returns: the event handler that follows sees the box ticked.
  box->ProcessComponentState(TJSON{{"checked", "TRUE"}});
  EXPECT_EQ(setterCalls, 1);
  EXPECT_TRUE(checked);
  EXPECT_TRUE(Update(*box).empty());
  checked = false;
  EXPECT_EQ(Update(*box), Script{X("CHKATIVO") + ".checked = false;"});
  EXPECT_EQ(Update(*box, true),
            (Script{R"(document.querySelector("label[for=CHKATIVO]").textContent  = "Ativo";)",
                    X("CHKATIVO") + ".checked = false;"}));
}

TEST_F(PageControlsTest, ComboboxSelectionByPositionAndItemsReplacedWhole) {
  TStringList items{"Aberta", "Fechada"};
  std::string selected;
  auto* combo = Make<TFacetCombobox>("cbbSituacao");
  combo->SetProcGetItems([&] { return &items; });
  combo->SetProcGetSelectedItem([&] { return Variant(selected); });
  combo->SetProcSetSelectedItem([&](const Variant& v) { selected = v.AsString(); });
  Render(*combo);
  EXPECT_EQ(combo->GetHTMLControl(),
            R"(<select  class="x" id="CBBSITUACAO"  aria-label="Select" >)"
            R"(<option hidden disabled selected value>Select</option>)"
            R"(<option value="1">Aberta</option><option value="2">Fechada</option></select>)");
  selected = "fechada";
  EXPECT_EQ(Update(*combo), Script{X("CBBSITUACAO") + R"(.value = "2";)"});
  items.Add("Em andamento");
  const Script script = Update(*combo);
  ASSERT_EQ(script.size(), 1u);
  EXPECT_EQ(script[0].rfind(X("CBBSITUACAO") + ".outerHTML = \"\\u003cselect ", 0), 0u);
  EXPECT_NE(script[0].find(R"(\u003coption selected value=\"2\"\u003eFechada)"), std::string::npos);

  const struct {
    TJSON State;
    const char* Selected;
  } cases[] = {
      {TJSON{{"selecteditemindex", "3"}}, "Em andamento"},
      {TJSON{{"selecteditemindex", 1}}, "Aberta"},
      {TJSON{{"selecteditemindex", "0"}}, ""},
      {TJSON{{"selecteditemindex", "2"}}, "Fechada"},
      {TJSON{{"selecteditemindex", "4"}}, ""},
      {TJSON{{"selecteditemindex", "1"}}, "Aberta"},
      {TJSON{{"selecteditemindex", "x"}}, ""},
      {TJSON{{"selecteditemindex", "-1"}}, ""},
      {TJSON{{"other", "2"}}, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.State.dump());
    combo->ProcessComponentState(c.State);
    EXPECT_EQ(selected, c.Selected);
  }
}

TEST_F(PageControlsTest, ImageSendsItsPictureWhenThePictureChanges) {
  TPicture picture;
  int ownHandlerCalls = 0;
  picture.OnChange = [&] { ++ownHandlerCalls; };
  auto* image = Make<TFacetImage>("imgLogo");
  image->SetPicture(&picture);
  Render(*image);
  EXPECT_EQ(image->GetHTMLControl(), R"(<div><img alt="" class="x" id="IMGLOGO"  /></div>)");
  EXPECT_TRUE(Update(*image).empty());

  // Made at its final size: growing a short literal trips GCC 12's false bounds report in
  // optimised builds.
  TBytes gif(80, 0);
  const std::string magic = "GIF89a";
  std::copy(magic.begin(), magic.end(), gif.begin());
  picture.LoadFromBytes(gif);
  EXPECT_EQ(ownHandlerCalls, 1);
  EXPECT_TRUE(image->RefreshControl());
  const Script script = Update(*image);
  ASSERT_EQ(script.size(), 1u);
  EXPECT_EQ(script[0].rfind(X("IMGLOGO") + R"(.src = "data:image/jpeg;base64, R0lGODlh)", 0), 0u);
  EXPECT_NE(script[0].find("\\r\\n"), std::string::npos); // lines of 76 characters
  image->ProcessHTML();
  EXPECT_EQ(image->GetHTMLControl().find("\r\n") - image->GetHTMLControl().find("R0lG"), 76u);

  image->SetURLImage("logo.png?a=1&b=\"2\"");
  image->ProcessHTML();
  EXPECT_EQ(
      image->GetHTMLControl(),
      R"(<div><img alt="" class="x" id="IMGLOGO"  src="logo.png?a=1&amp;b=&quot;2&quot;" /></div>)");
  EXPECT_EQ(Update(*image, true), Script{X("IMGLOGO") + R"(.src= "logo.png?a=1\u0026b=\"2\"";)"});

  delete image;
  picture.Clear();
  EXPECT_EQ(ownHandlerCalls, 2);
}

} // namespace
