#include "PageFixture.h"

#include "render/Facet.TextMask.h"
#include "runtime/Strings.h"

#include <set>

namespace {

using namespace pagetest;

// The smallest page control: a span with no value of its own.
class TProbe : public TFacetControl {
  DUO_CLASS(TProbe, TFacetControl)
public:
  using TFacetControl::TFacetControl;
  void ProcessHTML() override { FHTMLControl = "<span " + FHTMLCore + "></span>"; }
  void ProcessComponentState(const TJSON&) override {}
  bool GetEnableComponentState() const override { return false; }

protected:
  void UpdateControlState(std::vector<std::string>& ScriptJS, bool AForceUpdate) override {
    if (AForceUpdate)
      ScriptJS.push_back("forced;");
  }
};

const TClassInfo& TProbe::StaticClass() {
  static const TClassInfo info = TClassBuilder<TProbe>("TProbe").Creatable().Build();
  return info;
}

TEST(FacetTypes, EventTypesInOrderAndTheirBrowserEvents) {
  EXPECT_EQ(static_cast<int>(EventOnClick), 0);
  EXPECT_EQ(static_cast<int>(EventOnClosePopup), 20);
  const struct {
    TFacetEventType Type;
    const char* Name;
  } cases[] = {
      {EventOnClick, "click"},     {EventOnSelect, "input"}, {EventOnChange, "input"},
      {EventOnKeyDown, "keydown"}, {EventOnKeyUp, "keyup"},  {EventOnKeyPress, "keypress"},
      {EventOnDblClick, ""},       {EventOnEnter, ""},       {EventOnCellPost, ""},
      {EventOnFocused, ""},        {EventOnCheckChange, ""}, {EventOnClosePopup, ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(EventJSName(c.Type), c.Name) << static_cast<int>(c.Type);
}

TEST(FacetTypes, InputTypeOfEveryFieldType) {
  const struct {
    TFacetFieldType Type;
    const char* Text;
  } cases[] = {
      {FacetFieldTypeAuto, ""},
      {FacetFieldTypeString, ""},
      {FacetFieldTypePassword, "type=\"password\""},
      {FacetFieldTypeInteger, "type=\"number\" step=\"1\""},
      {FacetFieldTypeNumber, "type=\"number\""},
      {FacetFieldTypeDate, "type=\"date\""},
      {FacetFieldTypeDateTime, "type=\"datetime\""},
      {FacetFieldTypeTime, "type=\"time\""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(InputHTMLTypeByFacetFieldType(c.Type), c.Text) << static_cast<int>(c.Type);
}

TEST(FacetTypes, ClassWordsAddedFirstAndRemoved) {
  const struct {
    const char* HTML;
    const char* Word;
    const char* Added;
    const char* Removed;
  } cases[] = {
      {R"( class="form-control" id="E")", "invisible", R"( class="invisible form-control" id="E")",
       R"( class="form-control" id="E")"},
      {R"( class="invisible form-control")", "invisible", R"( class="invisible form-control")",
       R"( class="form-control")"},
      {R"( CLASS="a invisible b")", "invisible", R"( CLASS="a invisible b")", R"( CLASS="a b")"},
      {R"( class="")", "x", R"( class="x ")", R"( class="")"},
      {R"( class="invisibles")", "invisible", R"( class="invisible invisibles")",
       R"( class="invisibles")"},
      {R"( id="E" )", "invisible", R"( id="E"  class="invisible")", R"( id="E" )"},
      {R"( dataclass="a")", "b", R"( dataclass="a" class="b")", R"( dataclass="a")"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.HTML);
    EXPECT_EQ(HTMLAddItemFromClass(c.HTML, c.Word), c.Added);
    EXPECT_EQ(HTMLRemoveItemFromClass(c.HTML, c.Word), c.Removed);
  }
}

TEST(FacetTypes, DataValuesKeepTemplateBracesFromThePage) {
  EXPECT_EQ(HTMLEncodeData("{{Title}} <b>\"x\" & 'y'"),
            "&#123;&#123;Title}} &lt;b&gt;&quot;x&quot; &amp; &#39;y&#39;");
  EXPECT_EQ(FormatValueHTML("a\"b\r\n`${x}`</script>"),
            R"("a\"b\r\n\u0060${x}\u0060\u003c/script\u003e")");
}

TEST(FacetTextMask, ExactTexts) {
  const struct {
    std::string Mask;
    const char* Text;
  } cases[] = {
      {TFacetTextMask::BrazilCep(), "'mask' : '99999-999'"},
      {TFacetTextMask::BrazilCNPJ(), "'mask' : '99.999.999/9999.99', 'autoUnmask' : true"},
      {TFacetTextMask::BrazilCPF(), "'mask': '999.999.999.99', 'autoUnmask' : true"},
      {TFacetTextMask::BrazilPhone(), "'mask' : '(99) 9999[9]-9999', 'autoUnmask' : true"},
      {TFacetTextMask::Phone(), "'mask' : '(9[9][9]) 999[9][9]-9999[9]', 'autoUnmask' : true"},
      {TFacetTextMask::PhoneWithDDI(),
       "'mask' : '+9[9][9] (9{*}) 999[9][9]-9999[9]', 'autoUnmask' : true"},
      {TFacetTextMask::Email(), "'alias' : 'email'"},
      {TFacetTextMask::IP(), "'alias' : 'ip'"},
      {TFacetTextMask::MAC(), "'alias' : 'mac'"},
      {TFacetTextMask::Integer(), "'alias' : 'integer'"},
      {TFacetTextMask::URL(), "'alias' : 'url'"},
      {TFacetTextMask::USSocialSecurity(), "'alias' : 'ssn'"},
      {TFacetTextMask::Decimal(12, ',', '.'),
       "'decimal', {'radixPoint' : ',', 'inputtype' : 'text', 'groupSeparator' : '.', "
       "'digits' : '12', 'autoUnmask' : true}"},
      {TFacetTextMask::Currency("R$", 2, ',', '.'),
       "'decimal', {'prefix' : 'R$ ', 'radixPoint' : ',', 'inputtype' : 'text', "
       "'groupSeparator' : '.', 'digits' : '2', 'autoUnmask' : true}"},
      {TFacetTextMask::ProcessTextMask("'alias' : 'x'"), "'alias' : 'x'"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.Mask, c.Text);
}

class ControlBaseTest : public PageTest {};

TEST_F(ControlBaseTest, RegistersWithItsPageFormAndIsCreatableByClass) {
  TObject* created = TProbe::StaticClass().CreateInstance(Page);
  auto* control = dynamic_cast<TFacetControl*>(created);
  ASSERT_NE(control, nullptr);
  ASSERT_EQ(Page->Controls.size(), 1u);
  EXPECT_EQ(Page->Controls[0], static_cast<IFacetControl*>(control));
  EXPECT_EQ(control->GetForm(), Page);
  EXPECT_EQ(control->GetOwner(), Page);

  TComponent plainOwner(nullptr);
  auto* orphan = new TProbe(&plainOwner);
  EXPECT_EQ(orphan->GetForm(), nullptr);
  EXPECT_EQ(Page->Controls.size(), 1u);
}

TEST_F(ControlBaseTest, PublishedStateArrivesByName) {
  auto* control = Make<TProbe>("Edit1");
  control->SetPropValue("Enabled", false);
  control->SetPropValue("Visible", false);
  EXPECT_FALSE(control->GetEnabled());
  EXPECT_FALSE(control->GetVisible());
}

TEST_F(ControlBaseTest, ElementIdCarriesThePrefixButEventsNameTheControl) {
  auto* control = Make<TProbe>("Edit1");
  EXPECT_EQ(control->ElementID(), "EDIT1");
  Page->EnablePrefix = true;
  EXPECT_EQ(control->GetNamePrefix(), "ABCDEFG_Edit1");
  EXPECT_EQ(control->ElementID(), "ABCDEFG_EDIT1");
  TFacetControlEvent& click = control->Events().Add(EventOnClick, TOnEventProc());
  EXPECT_EQ(click.EventJS(false, "", true),
            "FacetServer().ExecEvent('SESSIONUUID1', 'TOKEN0000000000000000001', "
            "'PAGEUUID000001', 'Edit1', '" +
                click.GetEventID() + "', '', 'True')");
  EXPECT_EQ(click.EventJS(true, "params", false),
            "FacetServer().GetFromEventProc('SESSIONUUID1', 'TOKEN0000000000000000001', "
            "'PAGEUUID000001', 'Edit1', '" +
                click.GetEventID() + "', params, 'False')");
}

TEST_F(ControlBaseTest, FormattingTheRenderedTag) {
  const struct {
    const char* Name;
    const char* HTML;
    const char* Tag;
    const char* Core;
  } cases[] = {
      {"Edit1", R"({%Edit1 class="form-control" style=""%})",
       R"({%Edit1 class="form-control" style=""%})",
       R"(class="form-control" style="" id="EDIT1" )"},
      {"Edit1", R"(<p>{%EDIT1 class="a"%}</p>)", R"({%EDIT1 class="a"%})",
       R"(class="a" id="EDIT1" )"},
      {"Edit1", R"({%Edit1 id="EDIT1" class="a"%})", R"({%Edit1 id="EDIT1" class="a"%})",
       R"(id="EDIT1" class="a")"},
      {"Edit1", "{%Edit1%}", "{%Edit1%}", R"( id="EDIT1" )"},
      // Only the control's own tag, not the drop-down menu written after a button.
      {"Button1",
       "<div class=\"dropdown\">\r\n{%Button1 class=\"btn\"%}\r\n<ul class=\"dropdown-menu\">"
       "<li>{%Other x%}</li></ul>\r\n</div>",
       R"({%Button1 class="btn"%})", R"(class="btn" id="BUTTON1" )"},
      // Edit1 is not Edit10.
      {"Edit1", R"({%Edit10 class="b"%}{%Edit1 class="a"%})", R"({%Edit1 class="a"%})",
       R"(class="a" id="EDIT1" )"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.HTML);
    auto* control = Make<TProbe>(c.Name);
    control->FormatHTMLControl(c.HTML);
    EXPECT_EQ(control->GetUnformatedHTMLControl(), c.Tag);
    EXPECT_EQ(control->GetHTMLCore(), c.Core);
    delete control;
  }
  auto* missing = Make<TProbe>("Edit1");
  missing->FormatHTMLControl("{%Other x%}");
  EXPECT_EQ(missing->GetUnformatedHTMLControl(), "");
  EXPECT_EQ(missing->GetHTMLCore(), "");
}

TEST_F(ControlBaseTest, StateAttributesInTheCoreInOrder) {
  auto* control = Make<TProbe>("Edit1");
  control->SetEnabled(false);
  control->SetVisible(false);
  control->SetReadOnly(true);
  control->SetRequired(true);
  control->SetValidationGroup("g\"1");
  control->SetProcGetPlaceholder([] { return Variant("Nome \"completo\" <b>"); });
  control->FormatHTMLControl(R"({%Edit1 class="form-control"%})");
  EXPECT_EQ(control->GetHTMLCore(),
            R"(class="invisible form-control" id="EDIT1" disabled disabled required )"
            R"(validationgroup="g&quot;1" placeholder="Nome &quot;completo&quot; &lt;b&gt;" )");
}

TEST_F(ControlBaseTest, StateReadAndWrittenThroughTheProcedures) {
  auto* control = Make<TProbe>("Edit1");
  bool enabled = false;
  int setterCalls = 0;
  control->SetProcGetEnabled([&] { return Variant(enabled); });
  control->SetProcSetEnabled([&](const Variant& Value) {
    ++setterCalls;
    enabled = Value.AsBoolean();
  });
  EXPECT_FALSE(control->GetEnabled()); // the live control's state, nothing set yet
  control->SetEnabled(true);           // the stored value is already true
  EXPECT_EQ(setterCalls, 0);
  control->SetEnabled(false);
  EXPECT_EQ(setterCalls, 1);
  control->SetEnabled(true);
  EXPECT_EQ(setterCalls, 2);
  EXPECT_TRUE(enabled);
}

TEST_F(ControlBaseTest, StatementsForEachStateChange) {
  bool enabled = true, visible = true, readOnly = false;
  std::string placeholder;
  auto* control = Make<TProbe>("Edit1");
  control->SetProcGetEnabled([&] { return Variant(enabled); });
  control->SetProcGetVisible([&] { return Variant(visible); });
  control->SetProcGetReadOnly([&] { return Variant(readOnly); });
  control->SetProcGetPlaceholder([&] { return Variant(placeholder); });
  Render(*control);
  const std::string x = "document.getElementById(\"EDIT1\")";

  EXPECT_TRUE(Update(*control).empty());
  enabled = false;
  readOnly = true;
  EXPECT_EQ(Update(*control),
            (std::vector<std::string>{x + ".disabled = true;", x + ".disabled = true;"}));
  enabled = true;
  readOnly = false;
  EXPECT_EQ(Update(*control),
            (std::vector<std::string>{x + ".disabled = false;", x + ".disabled = false;"}));
  visible = false;
  EXPECT_EQ(Update(*control), std::vector<std::string>{x + ".classList.add(\"invisible\");"});
  control->FormatHTMLControl(R"({%Edit1 class="a"%})");
  EXPECT_EQ(control->GetHTMLCore(), R"(class="invisible a" id="EDIT1" )");
  visible = true;
  EXPECT_EQ(Update(*control), std::vector<std::string>{x + ".classList.remove(\"invisible\");"});
  EXPECT_EQ(control->GetHTMLCore(), R"(class="a" id="EDIT1" )");
  placeholder = "Digite \"aqui\"";
  EXPECT_EQ(Update(*control),
            std::vector<std::string>{x + R"(.setAttribute("placeholder", "Digite \"aqui\"");)"});
  EXPECT_TRUE(Update(*control).empty());
}

TEST_F(ControlBaseTest, ForcedUpdateAndRefreshResendTheControlsOwnValues) {
  auto* control = Make<TProbe>("Edit1");
  Render(*control);
  EXPECT_EQ(Update(*control, true), std::vector<std::string>{"forced;"});
  EXPECT_TRUE(Update(*control).empty());
  control->Refresh();
  EXPECT_TRUE(control->RefreshControl());
  EXPECT_EQ(Update(*control), std::vector<std::string>{"forced;"});
  EXPECT_FALSE(control->RefreshControl());
  EXPECT_TRUE(Update(*control).empty());
}

TEST_F(ControlBaseTest, ForgetsAWrappedControlThatIsDestroyed) {
  auto* control = Make<TProbe>("Edit1");
  auto* wrapped = new TComponent(nullptr);
  control->SetUIComponent(wrapped);
  delete wrapped;
  EXPECT_EQ(control->GetUIComponent(), nullptr);
}

class EventsTest : public PageTest {};

TEST_F(EventsTest, IdsAreRandomAndOnlyClicksAndChangesPublishThemselves) {
  auto* control = Make<TProbe>("Edit1");
  std::set<std::string> ids;
  for (int type = 0; type <= static_cast<int>(EventOnClosePopup); ++type) {
    const auto eventType = static_cast<TFacetEventType>(type);
    TFacetControlEvent& event = control->Events().Add(eventType, TOnEventProc());
    EXPECT_EQ(event.GetEventID().size(), 19u);
    ids.insert(event.GetEventID());
    EXPECT_EQ(event.GetAutoPublishedEvent(),
              eventType == EventOnClick || eventType == EventOnChange);
  }
  EXPECT_EQ(ids.size(), 21u);
  EXPECT_EQ(control->Events().Count(), 21);
}

TEST_F(EventsTest, OneEventPerTypeTheFirstHandlerStays) {
  auto* control = Make<TProbe>("Edit1");
  std::vector<std::string> calls;
  TFacetControlEvents& events = control->Events();
  events.Add(EventOnClick, TOnEventProc([&](TStrings*) { calls.push_back("first"); }));
  events.Add(EventOnClick, TOnEventProc([&](TStrings*) { calls.push_back("second"); }), false);
  events.Add(EventOnKeyUp, TOnEventProc([&](TStrings* params) {
               calls.push_back("key " + params->GetValue("key"));
             }),
             true);
  ASSERT_EQ(events.Count(), 2);
  EXPECT_TRUE(events.Item(EventOnClick)->GetAutoPublishedEvent());
  EXPECT_TRUE(events.Item(EventOnKeyUp)->GetAutoPublishedEvent());
  EXPECT_EQ(events.Item(EventOnChange), nullptr);
  TStringList params;
  params.SetValue("key", "13");
  events.Item(EventOnClick)->CallEvent(&params);
  events.Item(1).CallEvent(&params);
  EXPECT_EQ(calls, (std::vector<std::string>{"first", "key 13"}));
  events.Delete(0);
  EXPECT_EQ(events.Count(), 1);
  EXPECT_EQ(events.Item(0).GetEventType(), EventOnKeyUp);
  EXPECT_THROW(events.Item(1), Exception);
  EXPECT_THROW(events.Delete(-1), Exception);
}

TEST_F(EventsTest, NotifyHandlerGetsTheWrappedControlAndStringHandlerAnswers) {
  auto* control = Make<TProbe>("Edit1");
  TComponent wrapped(nullptr);
  control->SetUIComponent(&wrapped);
  TObject* sender = nullptr;
  bool procCalled = false;
  TFacetControlEvent& click =
      control->Events().Add(EventOnClick, TNotifyEvent([&](TObject* s) { sender = s; }));
  click.SetOnEvent(TOnEventProc([&](TStrings*) { procCalled = true; }));
  click.CallEvent(nullptr);
  EXPECT_EQ(sender, &wrapped);
  EXPECT_FALSE(procCalled);
  EXPECT_EQ(click.CallEventResponse(), "");

  auto load = std::make_unique<TFacetControlEvent>(*control, EventOnLoadJSON);
  load->SetOnEvent(TFacetGetStrEvent([] { return std::string("[]"); }));
  EXPECT_EQ(control->Events().Add(std::move(load)).CallEventResponse(), "[]");
  control->SetUIComponent(nullptr);
}

} // namespace
