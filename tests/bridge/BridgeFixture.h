#pragma once

// A form with a bridge object on a recording page layer, in an application of its own.

#include "FakeFramework.h"

#include "bridge/Duo.Forms.h"
#include "bridge/Duo.h"
#include "lang/Duo.Lang.Core.h"
#include "ui/Headless.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

class BridgeTest : public ::testing::Test {
protected:
  BridgeTest()
      : App(std::unique_ptr<TUIBackend>(new THeadlessBackend)), Scope(App),
        Form(new TDuoForm(&App)), PageForm(new fake::TPageForm(Form)), Duo(Form) {
    Form->SetDuo(&Duo);
    auto framework = std::make_unique<fake::TFramework>(PageForm);
    Framework = framework.get();
    Duo.SetFrameworkExportType(std::move(framework));
    PageForm->SetBaseClass(&Duo);
    Duo.SetFacetSession(&Session);
  }
  ~BridgeTest() override { Form->SetDuo(nullptr); }

  // Renders the form's root items into a fresh body and returns its lines.
  std::vector<std::string> Render() {
    Form->Clear();
    Form->Render();
    return Body();
  }
  std::vector<std::string> Body() const { return Duo.HTML().Render().Body().ToVector(); }

  TApplication App;
  TApplicationScope Scope;
  TDuoForm* Form;
  fake::TPageForm* PageForm;
  fake::TFramework* Framework = nullptr;
  fake::TSession Session;
  TDuo Duo;
};

// The framework's English texts, loaded once for the tests that show them.
inline TDuoTerm* EnglishTerms() {
  static TDuoLangCore* core = [] {
    auto* c = new TDuoLangCore;
    c->SetLanguages({TDuoLang::English});
    return c;
  }();
  return core->LangByTDuoLang(TDuoLang::English);
}

// Values a user or a stored row may hold that break markup or script when written unescaped.
inline const std::vector<std::string>& HostileValues() {
  static const std::vector<std::string> values = {
      "say \"hi\"",  "it's",          "<img src=x onerror=alert(1)>",
      "Tom & Jerry", "back`quote",    "${x}",
      "{{Title}}",   "line\r\nbreak", "Solicitação ç ã €"};
  return values;
}
