// Values that could end a string or a tag, or that the page could take for a template tag,
// through every page control's HTML and update statements.  The statements are run in a real
// script engine against a stand-in document; the HTML is read back by decoding its character
// references.

#include "PageFixture.h"

#include "data/DB.h"
#include "render/Facet.Button.h"
#include "render/Facet.CheckBox.h"
#include "render/Facet.Combobox.h"
#include "render/Facet.DBCheckBox.h"
#include "render/Facet.DBCombobox.h"
#include "render/Facet.DBEdit.h"
#include "render/Facet.DBLookupCombobox.h"
#include "render/Facet.DBMemo.h"
#include "render/Facet.DBText.h"
#include "render/Facet.Edit.h"
#include "render/Facet.HTMLElement.h"
#include "render/Facet.Image.h"
#include "render/Facet.Label.h"
#include "render/Facet.Memo.h"
#include "runtime/StrUtils.h"
#include "runtime/Strings.h"

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>

namespace {

using namespace pagetest;

const std::vector<std::string> HostileValues = {
    "say \"hi\"", "it's",     "<b>x</b>",  "a & b",         "back`quote", "${x}",
    "{{Title}}",  "l1\r\nl2", "</script>", "Solicitação ✓", "\\\" '",
};

// The text a browser shows for HTML text or an attribute value with character references.
std::string DecodeHTML(const std::string& Text) {
  std::string result = Text;
  for (const auto& [from, to] : std::vector<std::pair<std::string, std::string>>{
           {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&#39;", "'"}, {"&#123;", "{"}})
    result = StringReplaceAll(result, from, to);
  return StringReplaceAll(result, "&amp;", "&");
}

// The text between the first `Before` and the following `After` in `HTML`.
std::string Between(const std::string& HTML, const std::string& Before, const std::string& After) {
  const size_t start = HTML.find(Before);
  if (start == std::string::npos)
    return "<missing " + Before + ">";
  const size_t from = start + Before.size();
  return HTML.substr(from, HTML.find(After, from) - from);
}

// Runs the statements in node with a document whose elements record what is assigned to them;
// returns the elements as JSON, keyed by id or selector.
TJSON RunInScriptEngine(const std::vector<std::string>& Statements) {
  const auto file = std::filesystem::temp_directory_path() /
                    ("vozmira-statements-" + std::to_string(::getpid()) + ".js");
  {
    std::ofstream script(file, std::ios::binary);
    script
        << "const els = {};\n"
           "function el(id) { return els[id] = els[id] || { classList: { add() {}, remove() {} },\n"
           "  setAttribute(k, v) { this['attr_' + k] = v; } }; }\n"
           "const document = { getElementById: el, querySelector: el };\n"
           "function $() { return { inputmask() {} }; }\n";
    for (const std::string& statement : Statements)
      script << statement << "\n";
    script << "process.stdout.write(JSON.stringify(els));\n";
  }
  std::string output;
  FILE* pipe = popen(("node " + file.string() + " 2>&1").c_str(), "r");
  std::array<char, 4096> buffer{};
  size_t read = 0;
  while ((read = fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
    output.append(buffer.data(), read);
  const int status = pclose(pipe);
  std::filesystem::remove(file);
  if (status != 0)
    throw std::runtime_error("the statements do not run: " + output);
  return TJSON::parse(output);
}

class HostileValuesTest : public PageTest {
protected:
  HostileValuesTest() : Data(new TDataSet(&Owner)), Source(new TDataSource(&Owner)) {
    Data->DefineField("ID", TFieldType::ftInteger);
    Data->DefineField("TEXTO", TFieldType::ftString, 100);
    Data->Open();
    Data->Append();
    Data->FieldByName("ID").SetAsInteger(1);
    Data->Post();
    Source->SetDataSet(Data);
  }
  ~HostileValuesTest() override {
    delete Page;
    Page = nullptr;
  }

  template <class T> T* Bound(const std::string& Name, const std::string& Field = "TEXTO") {
    T* control = Make<T>(Name);
    control->SetDataSource(Source);
    control->SetDataField(Field);
    return control;
  }

  TComponent Owner{nullptr};
  TDataSet* Data;
  TDataSource* Source;
};

TEST_F(HostileValuesTest, BrowserShowsExactlyTheTextTypedAndNoValueEndsAStringOrTag) {
  std::vector<std::string> statements;
  // Per value and control: the element and property a statement sets, the text expected there,
  // and the text the HTML shows.
  struct TCheck {
    std::string Element, Property, Expected, Shown;
    bool DataValue; // also kept from template resolution
    size_t Index;   // of the hostile value
  };
  std::vector<TCheck> checks;

  for (size_t i = 0; i < HostileValues.size(); ++i) {
    const std::string v = HostileValues[i];
    const std::string n = std::to_string(i);
    std::string current;
    TStringList lines;
    TStringList items;

    auto* edit = Make<TFacetEdit>("edt" + n);
    edit->SetProcGetText([&] { return Variant(current); });
    auto* label = Make<TFacetLabel>("lbl" + n);
    label->SetProcGetText([&] { return Variant(current); });
    auto* memo = Make<TFacetMemo>("mem" + n);
    memo->SetLines(&lines);
    auto* box = Make<TFacetCheckBox>("chk" + n);
    box->SetProcGetText([&] { return Variant(current); });
    auto* combo = Make<TFacetCombobox>("cbb" + n);
    combo->SetProcGetItems([&] { return &items; });
    combo->SetProcGetSelectedItem([&] { return Variant(current); });
    auto* image = Make<TFacetImage>("img" + n);
    auto* element = Make<TFacetHTMLElement>("html" + n);
    auto* button = Make<TFacetButton>("btn" + n);
    button->SetCaption(v);
    auto* dbEdit = Bound<TFacetDBEdit>("dbe" + n);
    dbEdit->SetProcGetPlaceholder([&] { return Variant(current); });
    auto* dbText = Bound<TFacetDBText>("dbt" + n);
    auto* dbMemo = Bound<TFacetDBMemo>("dbm" + n);
    auto* dbBox = Bound<TFacetDBCheckBox>("dbc" + n);
    dbBox->SetProcGetText([&] { return Variant(current); });
    auto* dbCombo = Bound<TFacetDBCombobox>("dbcb" + n);
    dbCombo->SetProcGetItems([&] { return &items; });
    auto* lookup = Bound<TFacetDBLookupCombobox>("dbl" + n, "ID");
    lookup->SetListDataSource(Source);
    lookup->SetKeyDataField("ID");
    lookup->SetListDataField("TEXTO");
    std::vector<TFacetControl*> all = {edit,   label,  memo,   box,    combo, image,   element,
                                       button, dbEdit, dbText, dbMemo, dbBox, dbCombo, lookup};
    for (TFacetControl* control : all)
      Render(*control);

    // Every value changes to the hostile one.
    current = v;
    lines.SetText(v);
    items.Clear();
    items.Add(v);
    image->SetURLImage(v);
    element->SetHTML(v);
    Data->Edit();
    Data->FieldByName("TEXTO").SetAsString(v);
    Data->Post();
    for (TFacetControl* control : all) {
      control->UpdateServerControls(statements, control == image);
      control->FormatHTMLControl("{%" + control->GetNamePrefix() + " class=\"x\"%}");
      control->ProcessHTML();
    }

    const std::string memoText = lines.GetText();
    auto id = [](TFacetControl* c) { return c->ElementID(); };
    const std::string& html = edit->GetHTMLControl();
    checks.push_back({id(edit), "value", v, Between(html, "value = \"", "\"/>"), true, i});
    checks.push_back({id(label), "textContent", v,
                      Between(label->GetHTMLControl(), "id=\"LBL" + n + "\" >", "</span>"), false,
                      i});
    checks.push_back({id(memo), "value", memoText,
                      Between(memo->GetHTMLControl(), "\" >", "</textarea>"), true, i});
    checks.push_back({"label[for=" + id(box) + "]", "textContent", v,
                      Between(box->GetHTMLControl(), "for=\"" + id(box) + "\">", "</label>"), false,
                      i});
    checks.push_back(
        {id(image), "src", v, Between(image->GetHTMLControl(), "src=\"", "\" />"), false, i});
    checks.push_back({id(element), "innerHTML", v, v, false, i});
    checks.push_back(
        {id(button), "", "", Between(button->GetHTMLControl(), "\" >", "</button>"), false, i});
    checks.push_back(
        {id(dbEdit), "value", v, Between(dbEdit->GetHTMLControl(), "value=\"", "\"/>"), true, i});
    checks.push_back({id(dbEdit), "attr_placeholder", v,
                      Between(dbEdit->GetHTMLControl(), "placeholder=\"", "\" "), false, i});
    checks.push_back({id(dbText), "textContent", v,
                      Between(dbText->GetHTMLControl(), "\" >", "</span>"), true, i});
    checks.push_back({id(dbMemo), "value", v,
                      Between(dbMemo->GetHTMLControl(), "\" >", "</textarea>"), true, i});
    checks.push_back({"label[for=" + id(dbBox) + "]", "textContent", v,
                      Between(dbBox->GetHTMLControl(), "for=\"" + id(dbBox) + "\">", "</label>"),
                      false, i});
    checks.push_back({id(combo), "", "",
                      Between(combo->GetHTMLControl(), "value=\"1\">", "</option>"), true, i});
    checks.push_back({id(dbCombo), "", "",
                      Between(dbCombo->GetHTMLControl(), "value=\"1\">", "</option>"), true, i});
    checks.push_back({id(lookup), "", "",
                      Between(lookup->GetHTMLControl(), "value=\"1\">", "</option>"), true, i});
  }

  const TJSON elements = RunInScriptEngine(statements);
  for (const TCheck& check : checks) {
    SCOPED_TRACE(check.Element + " " + check.Property);
    const std::string& v = HostileValues[check.Index];
    if (!check.Property.empty()) {
      ASSERT_TRUE(elements.contains(check.Element));
      EXPECT_EQ(elements[check.Element].value(check.Property, "<unset>"), check.Expected);
    }
    if (check.Property == "innerHTML")
      continue; // the element's markup is inserted as it is, by design
    // In HTML the value is written with character references only: no quote ends the
    // attribute, no "<" opens a tag, and a data value holds no "{" the page would resolve.
    EXPECT_EQ(check.Shown.find_first_of("<>\"'"), std::string::npos) << check.Shown;
    if (check.DataValue) {
      EXPECT_EQ(check.Shown.find('{'), std::string::npos) << check.Shown;
    }
    EXPECT_EQ(DecodeHTML(check.Shown), check.Element.rfind("MEM", 0) == 0 ? check.Expected : v);
  }
  // The lists re-sent whole carry the escaped options inside a quoted string.
  for (size_t i = 0; i < HostileValues.size(); ++i)
    EXPECT_NE(elements["CBB" + std::to_string(i)].value("outerHTML", "").find("<option"),
              std::string::npos);
}

// An integer input needs two attributes; each gets an assignment of its own, so the statement
// runs instead of stopping the batch with a syntax error.
TEST_F(HostileValuesTest, ForcedUpdateOfAnIntegerEditRuns) {
  auto* edit = Make<TFacetEdit>("edtQtd");
  edit->SetEditDataType(FacetFieldTypeInteger);
  Render(*edit);
  std::vector<std::string> statements;
  edit->UpdateServerControls(statements, true);
  const TJSON elements = RunInScriptEngine(statements);
  EXPECT_EQ(elements["EDTQTD"].value("type", ""), "number");
  EXPECT_EQ(elements["EDTQTD"].value("step", ""), "1");
}

} // namespace
