#include "PageFixture.h"

#include "data/DB.h"
#include "render/Facet.DBCheckBox.h"
#include "render/Facet.DBCombobox.h"
#include "render/Facet.DBEdit.h"
#include "render/Facet.DBLookupCombobox.h"
#include "render/Facet.DBMemo.h"
#include "render/Facet.DBText.h"
#include "runtime/FormatSettings.h"
#include "runtime/Strings.h"

namespace {

using namespace pagetest;
using Script = std::vector<std::string>;

std::string X(const std::string& ID) {
  return "document.getElementById(\"" + ID + "\")";
}

// Two requests held in memory: the first dated at midnight, the second at 14:05:09.
class DataAwareTest : public PageTest {
protected:
  DataAwareTest() : Data(new TDataSet(&Owner)), Source(new TDataSource(&Owner)) {
    Data->DefineField("DATA", TFieldType::ftTimeStamp);
    Data->DefineField("TEXTO", TFieldType::ftString, 100);
    Data->DefineField("ATIVO", TFieldType::ftString, 1);
    Data->DefineField("ID_TIPO", TFieldType::ftInteger);
    Data->Open();
    AddRecord(EncodeDateTime(2024, 6, 24, 0, 0, 0, 0), "primeira", "S", 1);
    AddRecord(EncodeDateTime(2024, 6, 24, 14, 5, 9, 0), "segunda", "N", 2);
    Data->First();
    Source->SetDataSet(Data);
  }
  ~DataAwareTest() override {
    delete Page;
    Page = nullptr;
  }

  void AddRecord(TDateTime When, const std::string& Text, const std::string& Active, int Type) {
    Data->Append();
    Data->FieldByName("DATA").SetAsDateTime(When);
    Data->FieldByName("TEXTO").SetAsString(Text);
    Data->FieldByName("ATIVO").SetAsString(Active);
    Data->FieldByName("ID_TIPO").SetAsInteger(Type);
    Data->Post();
  }

  template <class T> T* Bound(const std::string& Name, const std::string& Field) {
    T* control = Make<T>(Name);
    control->SetDataSource(Source);
    control->SetDataField(Field);
    return control;
  }

  // The browser's state for one control, applied as the page applies it before an event.
  void Intake(TFacetControl& Control, const TJSON& State) {
    Page->ComponentsUpdating = true;
    Control.ProcessComponentState(State);
    Page->ComponentsUpdating = false;
  }

  TComponent Owner{nullptr};
  TDataSet* Data;
  TDataSource* Source;
};

TEST_F(DataAwareTest, UnchangedDateTextNeverOverwritesTheTimeOfAStamp) {
  auto* edit = Bound<TFacetDBEdit>("dbeData", "DATA");
  Render(*edit);
  // Decided on a record at midnight: a date input.
  EXPECT_NE(edit->GetHTMLControl().find(R"( type="date"  value="2024-06-24"/>)"),
            std::string::npos);

  Update(*edit); // the page load sends the text in the chosen form once
  Data->Next();
  EXPECT_TRUE(Update(*edit).empty()); // same date text on the second record
  Intake(*edit, TJSON{{"text", "2024-06-24"}});
  EXPECT_EQ(Data->GetState(), TDataSetState::dsBrowse);

  // Even in edit mode, neither the update cycle nor an unchanged text writes the field.
  Data->Edit();
  Data->FieldByName("TEXTO").SetAsString("outra");
  EXPECT_TRUE(Update(*edit, true).size() == 2u);
  Intake(*edit, TJSON{{"text", "2024-06-24"}});
  EXPECT_EQ(Data->FieldByName("DATA").GetAsDateTime(), EncodeDateTime(2024, 6, 24, 14, 5, 9, 0));
  Data->Cancel();

  // A date the user changed is written, in edit mode entered for it.
  Intake(*edit, TJSON{{"text", "2024-06-25"}});
  EXPECT_EQ(Data->GetState(), TDataSetState::dsEdit);
  EXPECT_EQ(Data->FieldByName("DATA").GetAsDateTime(), EncodeDate(2024, 6, 25));
  Intake(*edit, TJSON{{"text", ""}});
  EXPECT_TRUE(Data->FieldByName("DATA").IsNull());
}

TEST_F(DataAwareTest, EditWritesTextOnlyWhileThePageAppliesBrowserState) {
  Page->Language = "es-ES";
  auto* edit = Bound<TFacetDBEdit>("dbeTexto", "TEXTO");
  Render(*edit);
  EXPECT_EQ(edit->GetHTMLControl(),
            R"(<input class="x" id="DBETEXTO"  lang="es-ES"    value="primeira"/>)");
  // Outside state intake a browsing dataset is not put into edit mode.
  edit->SetText("fora");
  EXPECT_EQ(Data->GetState(), TDataSetState::dsBrowse);
  Intake(*edit, TJSON{{"text", "nova"}});
  EXPECT_EQ(Data->FieldByName("TEXTO").GetAsString(), "nova");
  Data->Post();
  Data->Next();
  EXPECT_EQ(Update(*edit), Script{X("DBETEXTO") + R"(.value = "segunda";)"});
  Data->Close();
  EXPECT_EQ(Update(*edit), Script{X("DBETEXTO") + R"(.value = "";)"});
  Intake(*edit, TJSON{{"text", "sem dados"}}); // nothing to write to
}

TEST_F(DataAwareTest, EditInputTypeFollowsTheFieldType) {
  Data->Close();
  Data->DefineField("VALOR", TFieldType::ftFloat);
  Data->DefineField("HORA", TFieldType::ftTime);
  Data->DefineField("DIA", TFieldType::ftDate);
  Data->Open();
  AddRecord(EncodeDateTime(2024, 6, 24, 14, 5, 9, 0), "x", "S", 7);
  const struct {
    const char* Field;
    const char* Type;
  } cases[] = {
      {"VALOR", R"( type="number" )"},  {"ID_TIPO", R"( type="number" step="1" )"},
      {"HORA", R"( type="time" )"},     {"DIA", R"( type="date" )"},
      {"DATA", R"( type="datetime" )"}, {"TEXTO", R"(   value)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Field);
    auto* edit = Bound<TFacetDBEdit>(std::string("dbe") + c.Field, c.Field);
    Render(*edit);
    EXPECT_NE(edit->GetHTMLControl().find(c.Type), std::string::npos) << edit->GetHTMLControl();
    // The integer mask chosen with the type shows from the next rendering on.
    edit->ProcessHTML();
    EXPECT_EQ(edit->GetHTMLControl().find("data-inputmask") != std::string::npos,
              std::string(c.Field) == "ID_TIPO");
  }
  auto* stamp = Bound<TFacetDBEdit>("dbeStamp", "DATA");
  Render(*stamp);
  EXPECT_EQ(stamp->GetText(), "2024-06-24 14:05:09");
}

TEST_F(DataAwareTest, TextAndMemoShowTheFieldAndTheMemoWritesBack) {
  auto* text = Bound<TFacetDBText>("dbtTexto", "TEXTO");
  auto* memo = Bound<TFacetDBMemo>("dbmTexto", "TEXTO");
  Render(*text);
  Render(*memo);
  EXPECT_EQ(text->GetHTMLControl(), R"(<span class="x" id="DBTTEXTO" >primeira</span>)");
  EXPECT_EQ(memo->GetHTMLControl(), R"(<textarea  class="x" id="DBMTEXTO" >primeira</textarea>)");
  Intake(*memo, TJSON{{"text", "linha\r\noutra"}});
  EXPECT_EQ(Data->FieldByName("TEXTO").GetAsString(), "linha\r\noutra");
  EXPECT_EQ(Update(*text), (Script{X("DBTTEXTO") + R"(.value = "linha\r\noutra";)",
                                   X("DBTTEXTO") + R"(.textContent = "linha\r\noutra";)"}));
  EXPECT_TRUE(Update(*memo).empty());
}

TEST_F(DataAwareTest, CheckBoxWritesTheCheckedAndUncheckedValues) {
  auto* box = Bound<TFacetDBCheckBox>("dbcAtivo", "ATIVO");
  box->SetValueChecked("s");
  box->SetValueUnChecked("N");
  box->SetProcGetText([] { return Variant("Ativo"); });
  Render(*box);
  EXPECT_NE(box->GetHTMLControl().find(R"(role="switch" checked>)"), std::string::npos);
  Intake(*box, TJSON{{"checked", "true"}});
  EXPECT_EQ(Data->GetState(), TDataSetState::dsBrowse);
  Intake(*box, TJSON{{"checked", false}});
  EXPECT_EQ(Data->GetState(), TDataSetState::dsEdit);
  EXPECT_EQ(Data->FieldByName("ATIVO").GetAsString(), "N");
  EXPECT_TRUE(Update(*box).empty());
  Data->Cancel();
  EXPECT_EQ(Update(*box), Script{X("DBCATIVO") + ".checked = true;"});
}

TEST_F(DataAwareTest, ComboboxSelectsTheFieldTextAndWritesTheChosenItem) {
  TStringList items{"primeira", "segunda", "terceira"};
  auto* combo = Bound<TFacetDBCombobox>("dbcbTexto", "TEXTO");
  combo->SetProcGetItems([&] { return &items; });
  Render(*combo);
  EXPECT_NE(combo->GetHTMLControl().find(R"(<option selected value="1">primeira</option>)"),
            std::string::npos);
  Intake(*combo, TJSON{{"selecteditemindex", "3"}});
  EXPECT_EQ(Data->FieldByName("TEXTO").GetAsString(), "terceira");
  EXPECT_TRUE(Update(*combo).empty());
  Data->Cancel();
  EXPECT_EQ(Update(*combo), Script{X("DBCBTEXTO") + R"(.value = "1";)"});
}

class LookupTest : public DataAwareTest {
protected:
  LookupTest() : Types(new TDataSet(&Owner)), TypeSource(new TDataSource(&Owner)) {
    Types->DefineField("ID_TIPO", TFieldType::ftInteger);
    Types->DefineField("NOME", TFieldType::ftString, 40);
    Types->Open();
    const char* names[] = {"Reclamação", "Elogio <b>", "Sugestão {{Title}}"};
    for (int id = 1; id <= 3; ++id) {
      Types->Append();
      Types->FieldByName("ID_TIPO").SetAsInteger(id);
      Types->FieldByName("NOME").SetAsString(names[id - 1]);
      Types->Post();
    }
    TypeSource->SetDataSet(Types);
    Lookup = Bound<TFacetDBLookupCombobox>("dblTipo", "ID_TIPO");
    Lookup->SetListDataSource(TypeSource);
    Lookup->SetKeyDataField("ID_TIPO");
    Lookup->SetListDataField("NOME");
  }

  TDataSet* Types;
  TDataSource* TypeSource;
  TFacetDBLookupCombobox* Lookup;
};

TEST_F(LookupTest, OptionsFromTheListDatasetWhichStaysOnItsRecord) {
  Types->SetRecNo(3);
  Lookup->SetMaxRecords(2);
  Render(*Lookup);
  EXPECT_EQ(Lookup->GetHTMLControl(), R"(<select  class="x" id="DBLTIPO"  aria-label="Select" >)"
                                      R"(<option selected value="1">Reclamação</option>)"
                                      R"(<option value="2">Elogio &lt;b&gt;</option></select>)");
  EXPECT_EQ(Types->GetRecNo(), 3);
  EXPECT_TRUE(Update(*Lookup).empty());

  Intake(*Lookup, TJSON{{"selectedvalue", "2"}});
  EXPECT_EQ(Data->FieldByName("ID_TIPO").GetAsInteger(), 2);
  EXPECT_TRUE(Update(*Lookup).empty());

  // The list dataset closed and filled again while the page is shown: the list is sent again,
  // once per change.
  Lookup->SetMaxRecords(1000);
  Types->Close();
  EXPECT_EQ(Update(*Lookup),
            Script{X("DBLTIPO") + R"(.outerHTML = "\u003cselect  class=\"x\" id=\"DBLTIPO\"  )"
                                  R"(aria-label=\"Select\" \u003e\u003c/select\u003e";)"});
  Types->Open();
  Types->Append();
  Types->FieldByName("ID_TIPO").SetAsInteger(2);
  Types->FieldByName("NOME").SetAsString("Sugestão {{Title}}");
  Types->Post();
  const Script script = Update(*Lookup);
  ASSERT_EQ(script.size(), 1u);
  EXPECT_NE(script[0].find(R"(selected value=\"2\"\u003eSugestão \u0026#123;\u0026#123;Title}})"),
            std::string::npos)
      << script[0];
  EXPECT_TRUE(Update(*Lookup).empty());
}

TEST_F(LookupTest, PlaceholderWhenNothingIsChosen) {
  Data->Close();
  bool called = false;
  Lookup->SetProcSetText([&](const Variant& v) { called = v.AsString() == "3"; });
  Render(*Lookup);
  EXPECT_NE(Lookup->GetHTMLControl().find(R"(</option><option hidden disabled selected value>)"),
            std::string::npos);
  Intake(*Lookup, TJSON{{"selectedvalue", "3"}});
  EXPECT_TRUE(called);
}

} // namespace
