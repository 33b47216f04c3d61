#pragma once

// A recording page form and session for page controls: the form lists the controls that
// register with it and can turn on its element-id prefix and its state-intake flag; the session
// answers with fixed identifiers and English terms.

#include "runtime/Component.h"

#include "bridge/Duo.Interfaces.h"
#include "lang/Duo.Lang.Language.h"
#include "lang/Duo.Lang.Term.h"
#include "render/Facet.Forms.Controls.h"
#include "render/Facet.Forms.Interfaces.h"
#include "runtime/Exceptions.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace pagetest {

class TSession : public IFacetSession {
public:
  TSession()
      : FLanguage(TDuoLang::English,
                  [](IDuoLang& lang) { return std::make_unique<TDuoTerm>(lang); }) {
    FLanguage.LoadJSONfromResource("DuoLang_en-US");
  }
  std::string GetUUID() const override { return "SESSIONUUID1"; }
  std::string GetToken() const override { return "TOKEN0000000000000000001"; }
  std::string ActiveFormUUID() const override { return "PAGEUUID000001"; }
  TDuoClass* ActiveDuo() const override { return Active; }
  void ExecJS(const std::string& AScript) override { Pushed.push_back(AScript); }
  void RunSoon(std::function<void()> AWork) override { Soon.push_back(std::move(AWork)); }
  std::string CallBackJS(const std::string&, const std::string&, const std::string&,
                         bool) override {
    return "";
  }
  TDuoLang Language() const override { return TDuoLang::English; }
  std::string LangCode() const override { return "en-US"; }
  std::string LangName() const override { return "English"; }
  TDuoTerm* Lang() const override { return Terms(); }
  TDuoTerm* LangNav() const override { return Terms(); }
  TDuoAPPTerm* LangAPP() const override { return nullptr; }
  void RemoveDuoForm(TDuoClass*) override {}
  void ReloadPage() override { Pushed.push_back("reload"); }
  bool Lock(const std::string& AName) override {
    Pushed.push_back("lock " + AName);
    return !Ended;
  }
  void UnLock(const std::string& AName) override { Pushed.push_back("unlock " + AName); }
  bool Ended = false;
  TDuoClass* Active = nullptr;

  std::vector<std::string> Pushed;
  std::vector<std::function<void()>> Soon;

private:
  TDuoLanguage FLanguage;
  TDuoTerm* Terms() const { return &static_cast<TDuoTerm&>(FLanguage.DuoTerm()); }
};

class TPageForm : public TComponent, public IFacetForm {
public:
  explicit TPageForm(TComponent* AOwner) : TComponent(AOwner) {}

  TComponent& AsComponent() override { return *this; }
  void Hide() override {}
  void Show() override {}
  void Clear() override { Controls.clear(); }
  TDuoClass* GetBaseClass() const override { return nullptr; }
  void SetBaseClass(TDuoClass*) override {}
  std::string GetFormUUID() const override { return "PAGEUUID000001"; }
  void AddNested(TObject*) override {}
  const std::vector<IFacetControl*>& GetControls() const override { return Controls; }
  void AddControl(IFacetControl* AFacetControl) override { Controls.push_back(AFacetControl); }
  std::string GetControlsPrefix() const override { return EnablePrefix ? "ABCDEFG" : ""; }
  void SetEnableControlsPrefix(bool Value) override { EnablePrefix = Value; }
  IFacetFormCallBacks* CallBacks() override { return nullptr; }
  IFacetSession* GetSession() const override { return Session; }
  TFacetPageState GetFormPageState() const override { return PageState; }
  bool GetComponentsUpdating() const override { return ComponentsUpdating; }
  TDuoForm* DuoForm() const override { return nullptr; }
  std::string GetLanguage() const override { return Language; }

  std::vector<IFacetControl*> Controls;
  // The server options' language; a test that renders it sets it.
  std::string Language;
  bool EnablePrefix = false;
  IFacetSession* Session = nullptr;
  TFacetPageState PageState = PageStateLoaded;
  bool ComponentsUpdating = false;
};

// A page form with a session, and helpers that create, render and poll page controls.
class PageTest : public ::testing::Test {
protected:
  PageTest() { Page->Session = &Session; }
  ~PageTest() override { delete Page; }

  // A control of class T owned by the page, named `Name`.
  template <class T> T* Make(const std::string& Name) {
    T* control = new T(Page);
    control->SetName(Name);
    return control;
  }
  // Formats the control from the tag the renderer writes, initialises it and builds its HTML.
  static void Render(TFacetControl& Control, const std::string& Attributes = "class=\"x\"") {
    Control.FormatHTMLControl("{%" + Control.GetNamePrefix() + " " + Attributes + "%}");
    Control.Initialize();
    Control.ProcessHTML();
  }
  static std::vector<std::string> Update(TFacetControl& Control, bool Force = false) {
    std::vector<std::string> script;
    Control.UpdateServerControls(script, Force);
    return script;
  }

  TSession Session;
  TPageForm* Page = new TPageForm(nullptr);
};

} // namespace pagetest
