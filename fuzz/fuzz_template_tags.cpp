// Runs the page form's template-tag steps over arbitrary page text: control tags of a rendered
// form, template and callback tags answered by the form, callback script and translations.  The
// form and its rendered layout are made once; each input gets a fresh page form, since a page
// form keeps the callbacks its tags register.

#include "bridge/Duo.Item.HTML.h"
#include "bridge/Duo.Item.UIObj.h"
#include "bridge/Duo.h"
#include "lang/Duo.Lang.Language.h"
#include "lang/Duo.Lang.Term.h"
#include "render/Duo.Facet.Page.h"
#include "render/Facet.Forms.h"
#include "ui/Headless.h"
#include "ui/StdCtrls.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

namespace {

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
  TDuoClass* ActiveDuo() const override { return nullptr; }
  void ExecJS(const std::string&) override {}
  void RunSoon(std::function<void()>) override {}
  std::string CallBackJS(const std::string& ACallBackName, const std::string& AFormUUID,
                         const std::string& Parameters, bool LockClient) override {
    return "FacetServer().CallBack('" + GetUUID() + "', '" + GetToken() + "', '" + AFormUUID +
           "', '" + ACallBackName + "', " + (Parameters.empty() ? "''" : Parameters) + ", '" +
           (LockClient ? "True" : "False") + "')";
  }
  TDuoLang Language() const override { return TDuoLang::English; }
  std::string LangCode() const override { return "en-US"; }
  std::string LangName() const override { return "English"; }
  TDuoTerm* Lang() const override { return Terms(); }
  TDuoTerm* LangNav() const override { return Terms(); }
  TDuoAPPTerm* LangAPP() const override { return nullptr; }
  void RemoveDuoForm(TDuoClass*) override {}
  void ReloadPage() override {}
  bool Lock(const std::string&) override { return true; }
  void UnLock(const std::string&) override {}

private:
  TDuoLanguage FLanguage;
  TDuoTerm* Terms() const { return &static_cast<TDuoTerm&>(FLanguage.DuoTerm()); }
};

// A form with a label and an edit whose answers to tags and translations themselves hold tags.
class TTagForm : public TDuoForm {
public:
  explicit TTagForm(TComponent* AOwner) : TDuoForm(AOwner) {
    SetFormName("fFuzz");
    lblNome = new TLabel(this);
    lblNome->SetName("lblNome");
    lblNome->SetParent(this);
    edtNome = new TEdit(this);
    edtNome->SetName("edtNome");
    edtNome->SetParent(this);
    edtNome->SetText("{{Nome}} {%edtNome%}");
  }
  void ExportDuo() override {
    SetTitle("{{Title}}");
    TDuoItems& row = GetDuo()->Items.Add().Row().Items;
    row.Add().UIObj(lblNome);
    row.Add().UIObj(edtNome);
  }
  void TagHTML(const std::string& TagString, std::string& ReplaceTag) override {
    if (TagString == "Nome")
      ReplaceTag = "Maria";
    else if (TagString == "Grow")
      ReplaceTag = "{{Nome}} and {{Grow}}";
    else if (TagString == "Empty")
      ReplaceTag = "";
    else if (TagString == "Open")
      ReplaceTag = "{";
  }
  void TagTranslate(TDuoLang, const std::string& AContext, const std::string& ATerm,
                    std::string& ATranslated) override {
    if (!AContext.empty())
      ATranslated = "{{_" + ATerm + "_}}";
    else if (ATerm == "File")
      ATranslated = "Arquivo";
  }
  TLabel* lblNome;
  TEdit* edtNome;
};

struct TFixture {
  TFixture()
      : App(std::unique_ptr<TUIBackend>(new THeadlessBackend)), Scope(App),
        Form(new TTagForm(&App)), Page(*Form, &Session) {
    // A form naming no template files is built from the page skeleton; nothing is read.
    Page.Build(std::filesystem::temp_directory_path());
  }
  TApplication App;
  TApplicationScope Scope;
  TSession Session;
  TTagForm* Form;
  TDuoFacetPage Page;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static TFixture* fixture = new TFixture;
  std::string html(reinterpret_cast<const char*>(data), size);
  const std::unique_ptr<TFacetForm> page = std::make_unique<TFacetForm>(fixture->Form);
  page->SetBaseClass(&fixture->Page.Duo());
  page->SetSession(&fixture->Session);
  page->ProcessTags(html);
  page->ProcessTagHTML(html);
  page->ProcessCallBackTagHTML(html);
  page->ProcessTagTranslate(html);
  return 0;
}
