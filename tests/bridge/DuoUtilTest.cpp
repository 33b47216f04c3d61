#include "bridge/Duo.Util.h"
#include "ui/ComCtrls.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/Headless.h"
#include "ui/StdCtrls.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include <memory>
#include <string>
#include <vector>

namespace {

TEST(TrataHTMLTag, TrimsAndLeavesEmptyAttributesBare) {
  EXPECT_EQ(TrataHTMLTag(R"(  class="row" style="" )"), R"(class="row" style)");
  EXPECT_EQ(TrataHTMLTag(R"(id="a" class="" style="")"), R"(id="a" class style)");
  EXPECT_EQ(TrataHTMLTag(R"(value="x")"), R"(value="x")");
  EXPECT_EQ(TrataHTMLTag(""), "");
}

class StateUpTheParents : public ::testing::Test {
protected:
  StateUpTheParents()
      : App(std::unique_ptr<TUIBackend>(new THeadlessBackend)), Scope(App), Form(new TForm(&App)),
        Pages(new TPageControl(Form)), Sheet(new TTabSheet(Form)), Panel(new TPanel(Form)),
        Edit(new TEdit(Form)) {
    Pages->SetParent(Form);
    Sheet->SetPageControl(Pages);
    Panel->SetParent(Sheet);
    Edit->SetParent(Panel);
  }

  TApplication App;
  TApplicationScope Scope;
  TForm* Form;
  TPageControl* Pages;
  TTabSheet* Sheet;
  TPanel* Panel;
  TEdit* Edit;
};

TEST_F(StateUpTheParents, EnabledNeedsEveryParentUpToTheForm) {
  EXPECT_TRUE(GetEnabledRecursive(Edit));
  Form->SetEnabled(false);
  EXPECT_TRUE(GetEnabledRecursive(Edit)); // the form itself does not count
  Panel->SetEnabled(false);
  EXPECT_FALSE(GetEnabledRecursive(Edit));
  Panel->SetEnabled(true);
  Pages->SetEnabled(false);
  EXPECT_FALSE(GetEnabledRecursive(Edit));
}

TEST_F(StateUpTheParents, VisibleCountsATabSheetByItsTab) {
  EXPECT_TRUE(GetVisibleRecursive(Edit));
  Sheet->SetTabVisible(false);
  EXPECT_FALSE(GetVisibleRecursive(Edit));
  Sheet->SetTabVisible(true);
  Panel->SetVisible(false);
  EXPECT_FALSE(GetVisibleRecursive(Edit));
  Panel->SetVisible(true);
  Form->Hide(); // forms do not count
  EXPECT_TRUE(GetVisibleRecursive(Edit));
}

TEST(WidthPPI, ScalesToTheDefaultDensity) {
  struct Case {
    int PixelsPerInch;
    int Value;
    int Expected;
  };
  const std::vector<Case> cases = {
      {96, 200, 200}, {120, 200, 160}, {144, 200, 133}, {144, 201, 134},
      {192, 33, 17},  {192, -33, -17}, {72, 100, 133},
  };
  TApplication app(std::unique_ptr<TUIBackend>(new THeadlessBackend));
  TApplicationScope scope(app);
  for (const Case& c : cases) {
    Screen().SetPixelsPerInch(c.PixelsPerInch);
    EXPECT_EQ(WidthPPI(c.Value), c.Expected) << c.PixelsPerInch << " " << c.Value;
  }
}

TEST(HTMLEncode, WritesTheFiveMarkupCharactersAsReferences) {
  EXPECT_EQ(HTMLEncode(R"(<a href="x" title='y'>&</a>)"),
            "&lt;a href=&quot;x&quot; title=&#39;y&#39;&gt;&amp;&lt;/a&gt;");
  EXPECT_EQ(HTMLEncode("Solicitação ${x} {{Title}} `q`"), "Solicitação ${x} {{Title}} `q`");
}

// Runs a script in node and returns what it printed.
std::string RunNode(const std::string& script) {
  const auto path = std::filesystem::temp_directory_path() /
                    ("duo_quoting_test-" + std::to_string(::getpid()) + ".js");
  std::ofstream(path) << script;
  std::string output;
  FILE* pipe = popen(("node " + path.string()).c_str(), "r");
  if (pipe == nullptr)
    return output;
  char buffer[4096];
  while (size_t n = fread(buffer, 1, sizeof buffer, pipe))
    output.append(buffer, n);
  pclose(pipe);
  std::filesystem::remove(path);
  return output;
}

// A script engine reads every quoted value back as exactly the text, and no value ends the script
// block or the literal it stands in.
TEST(QuotedJSString, AScriptEngineReadsBackExactlyTheText) {
  const std::vector<std::string> values = {"say \"hi\"",
                                           "it's",
                                           "<img src=x onerror=alert(1)>",
                                           "</script><script>alert(1)",
                                           "Tom & Jerry",
                                           "back`quote",
                                           "${x}",
                                           "{{Title}}",
                                           "line\r\nbreak",
                                           "tab\there",
                                           "back\\slash",
                                           "Solicitação ç ã €",
                                           "sep\u2028arator",
                                           std::string("nul\0byte", 8),
                                           ""};
  std::string script = "const got = [];\n";
  std::string expected;
  for (const std::string& value : values) {
    const std::string doubleQuoted = QuotedJSString(value);
    const std::string singleQuoted = SingleQuotedJSString(value);
    for (const std::string& literal : {doubleQuoted, singleQuoted}) {
      EXPECT_EQ(literal.find("</"), std::string::npos) << literal;
      EXPECT_EQ(literal.find('\n'), std::string::npos) << literal;
      script += "got.push(Buffer.from(" + literal + ").toString('hex'));\n";
      static constexpr char hex[] = "0123456789abcdef";
      for (const unsigned char c : value)
        expected += {hex[c >> 4], hex[c & 0xF]};
      expected += "\n";
    }
  }
  script += "process.stdout.write(got.join('\\n') + '\\n');\n";
  EXPECT_EQ(RunNode(script), expected);
}

} // namespace
