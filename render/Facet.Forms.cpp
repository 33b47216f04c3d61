#include "render/Facet.Forms.h"

#include "bridge/Duo.BaseClass.h"
#include "bridge/Duo.Item.Tabs.h"
#include "bridge/Duo.Manager.h"
#include "bridge/Duo.Util.h"
#include "bridge/Duo.h"
#include "render/Facet.Forms.Controls.h"
#include "runtime/Exceptions.h"
#include "runtime/Random.h"
#include "runtime/StrUtils.h"
#include "runtime/TextSearch.h"

#include <algorithm>

namespace {

// Every occurrence of `from` (exactly) replaced by `to`.
void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
  text = StringReplaceAll(text, from, to);
}

// A tag "{{" inner "}}" on one line, found at or after `from`; `skipUnderscore` selects the
// template tags (inner not beginning with "_") and translation tags ("{{_" ... "_}}").
struct TTagMatch {
  size_t Start = std::string::npos;
  size_t Length = 0;
  std::string Inner;
};

TTagMatch FindTemplateTag(const std::string& html, size_t from) {
  for (size_t start = html.find("{{", from); start != std::string::npos;
       start = html.find("{{", start + 1)) {
    if (start + 2 < html.size() && html[start + 2] == '_')
      continue;
    const size_t close = html.find("}}", start + 2);
    if (close == std::string::npos)
      return {};
    const size_t lineEnd = html.find_first_of("\r\n", start + 2);
    if (lineEnd != std::string::npos && lineEnd < close)
      continue;
    return {start, close + 2 - start, html.substr(start + 2, close - start - 2)};
  }
  return {};
}

TTagMatch FindTranslationTag(const std::string& html, size_t from) {
  for (size_t start = html.find("{{_", from); start != std::string::npos;
       start = html.find("{{_", start + 1)) {
    const size_t close = html.find("_}}", start + 3);
    if (close == std::string::npos)
      return {};
    const size_t lineEnd = html.find_first_of("\r\n", start + 3);
    if (lineEnd != std::string::npos && lineEnd < close)
      continue;
    return {start, close + 3 - start, html.substr(start + 3, close - start - 3)};
  }
  return {};
}

// Where the scan goes on after a replacement: at the last character of what was inserted, or
// before the match when nothing was.
size_t ResumeAfter(size_t start, size_t inserted) {
  if (inserted > 0)
    return start + inserted - 1;
  return start > 0 ? start - 1 : 0;
}

} // namespace

TFacetCallBack& TFacetFormCallBacks::Add(const std::string& AName) {
  std::string id;
  do
    id = GenerateRandomString(18);
  while (ByID(id) != nullptr);
  return FItems.emplace_back(TFacetCallBack{AName, id, "", nullptr});
}

void TFacetFormCallBacks::Register(const std::string& AName, TCallBackEvent ACallBackEventProc) {
  const auto found = std::find_if(FItems.begin(), FItems.end(), [&](const TFacetCallBack& item) {
    return SameText(item.Name, AName);
  });
  (found != FItems.end() ? *found : Add(AName)).Proc = std::move(ACallBackEventProc);
}

void TFacetFormCallBacks::Register(const std::string& AName, const std::string& Parameters) {
  Add(AName).Parameters = Parameters;
}

void TFacetFormCallBacks::Unregister(const std::string& AName) {
  std::erase_if(FItems, [&](const TFacetCallBack& item) { return SameText(item.Name, AName); });
}

const TFacetCallBack* TFacetFormCallBacks::GetCallBack(const std::string& AName) const {
  for (const TFacetCallBack& item : FItems)
    if (SameText(item.Name, AName))
      return &item;
  return nullptr;
}

const TFacetCallBack* TFacetFormCallBacks::ByID(const std::string& AID) const {
  for (const TFacetCallBack& item : FItems)
    if (item.ID == AID)
      return &item;
  return nullptr;
}

void TFacetFormCallBacks::Execute(TFacetForm& AForm, const TFacetCallBack& ACallBack,
                                  TStrings* EventParams) {
  AForm.DoCallBack(ACallBack.Name, EventParams);
  if (ACallBack.Proc)
    ACallBack.Proc(EventParams);
}

bool TFacetFormCallBacks::Execute(TFacetForm& AForm, const std::string& AName,
                                  TStrings* EventParams) const {
  const TFacetCallBack* found = GetCallBack(AName);
  if (found == nullptr)
    return false;
  Execute(AForm, *found, EventParams);
  return true;
}

const TClassInfo& TFacetForm::StaticClass() {
  static const TClassInfo info = TClassBuilder<TFacetForm>("TFacetForm").Build();
  return info;
}

TFacetForm::TFacetForm(TComponent* AOwner)
    : TComponent(AOwner), FFormUUID(GenerateRandomString(14)),
      FControlsPrefix(GenerateRandomJustString(7)) {}

TFacetForm::~TFacetForm() {
  FFormComponentsUpdating = true;
  DestroyComponents();
}

void TFacetForm::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation != TOperation::opRemove)
    return;
  if (auto* control = dynamic_cast<IFacetControl*>(AComponent))
    FControls.erase(std::remove(FControls.begin(), FControls.end(), control), FControls.end());
  if (AComponent == FFocusedControl)
    FFocusedControl = nullptr;
}

void TFacetForm::Show() {
  if (FFacetSession == nullptr)
    return;
  FFacetSession->ReloadPage();
  const TDuoForm* form = DuoForm();
  if (form != nullptr && form->GetShowingModal() && !FFacetSession->Lock(FFormUUID + "_showmodal"))
    throw EAbort();
}

void TFacetForm::Clear() {
  FControls.clear();
  FFormCacheHTMLText.clear();
}

void TFacetForm::AddControl(IFacetControl* AFacetControl) {
  if (auto* control = dynamic_cast<TFacetControl*>(AFacetControl))
    control->SetForm(this);
  if (std::find(FControls.begin(), FControls.end(), AFacetControl) == FControls.end())
    FControls.push_back(AFacetControl);
}

void TFacetForm::AddNested(TObject* ADuoForm) {
  auto* form = dynamic_cast<TDuoForm*>(ADuoForm);
  if (form == nullptr || FBaseClass == nullptr || form->GetDuo() == nullptr)
    return;
  FBaseClass->AddNested(*form);
  if (IDuoFrameworkForm* nested = form->GetDuo()->FrameworkForm())
    for (IFacetControl* control : nested->GetControls())
      AddControl(control);
}

std::string TFacetForm::GetControlsPrefix() const {
  return FEnableControlsPrefix ? FControlsPrefix : "";
}

TDuoForm* TFacetForm::DuoForm() const {
  if (auto* form = dynamic_cast<TDuoForm*>(GetOwner()))
    return form;
  const TDuoClass* active = FFacetSession != nullptr ? FFacetSession->ActiveDuo() : nullptr;
  return active != nullptr ? dynamic_cast<TDuoForm*>(active->Owner()) : nullptr;
}

const IFacetOptions* TFacetForm::FacetOptions() const {
  const TDuoManager* manager = DuoManager();
  return manager != nullptr && manager->Facet() != nullptr ? &manager->Facet()->Options() : nullptr;
}

std::string TFacetForm::GetLanguage() const {
  const IFacetOptions* options = FacetOptions();
  return options != nullptr ? options->GetLanguage() : std::string();
}

void TFacetForm::SetFocusedControl(TFacetControl* Value) {
  if (FFocusedControl != nullptr)
    if (TFacetControlEvent* exit = FFocusedControl->Events().Item(EventOnExit))
      exit->CallEvent(nullptr);
  FFocusedControl = nullptr;
  if (Value == nullptr)
    return;
  if (TFacetControlEvent* enter = Value->Events().Item(EventOnEnter))
    enter->CallEvent(nullptr);
  FFocusedControl = Value;
}

void TFacetForm::BuildPage(std::string& HTML) {
  // Each build finds the page's callback tags afresh; a page built again does not pile them up.
  FSimpleCallBacks.clear();
  if (OnProcessHTML)
    OnProcessHTML(this, HTML);
  DoBeginTranslate();
  const std::string body =
      FBaseClass != nullptr ? FBaseClass->HTML().Render().Body().GetText() : std::string();
  if (const size_t pos = PosText("$facetbody", HTML); pos != std::string::npos)
    HTML.replace(pos, std::string("$facetbody").size(), body);
  ProcessPopup(HTML);
  ProcessNested(HTML);
  DoBeginTagHTML();
  ProcessTags(HTML);
  ProcessTagHTML(HTML);
  DoEndTagHTML();
  Initialize();
  ProcessControlsToHTML(HTML);
  ProcessTagHTML(HTML);
  ProcessCallBackTagHTML(HTML);
  ProcessTagTranslate(HTML);
  FFormCacheHTMLText = HTML;
}

void TFacetForm::ProcessPopup(std::string& HTML) const {
  if (FBaseClass == nullptr)
    return;
  for (int i = 0; i < FBaseClass->PopupCount(); ++i) {
    const std::string id = FBaseClass->Popup(i).GetItemID();
    ReplaceAll(HTML, "$facetpopup(" + UpperCase(id) + ")",
               FBaseClass->HTML().Render().GetHTMLControls(id));
  }
}

void TFacetForm::ProcessNested(std::string& HTML) const {
  if (FBaseClass == nullptr)
    return;
  for (int i = 0; i < FBaseClass->NestedCount(); ++i) {
    TDuoClass& nested = FBaseClass->Nested(i);
    const std::string name = nested.Owner() != nullptr ? nested.Owner()->GetName() : "";
    ReplaceAll(HTML, "$facetnested(" + UpperCase(name) + ")",
               nested.HTML().Render().Body().GetText());
  }
}

void TFacetForm::ProcessTags(std::string& HTML) const {
  if (FBaseClass == nullptr)
    return;
  for (const auto& [name, html] : FBaseClass->HTML().Render().HTMLControls())
    ReplaceAll(HTML, "$facettag(" + name + ")", html);
}

void TFacetForm::ProcessTagHTML(std::string& HTML) {
  for (TTagMatch tag = FindTemplateTag(HTML, 0); tag.Start != std::string::npos;) {
    const std::string value = HTML.substr(tag.Start, tag.Length);
    std::string replacement = value;
    if (tag.Inner == "CallBackClose") {
      tag = FindTemplateTag(HTML, tag.Start + tag.Length);
      continue;
    }
    if (tag.Inner.rfind("CallBack=", 0) == 0) {
      const std::string rest = tag.Inner.substr(std::string("CallBack=").size());
      const size_t open = rest.find('(');
      const size_t close = rest.rfind(')');
      TSimpleCallBack callBack{tag.Inner, Trim(rest.substr(0, open)), ""};
      if (open != std::string::npos && close != std::string::npos && close > open)
        callBack.Parameters = rest.substr(open + 1, close - open - 1);
      // A name the form registered already keeps the handler the form gave it.
      if (FCallBacks.GetCallBack(callBack.Name) == nullptr)
        FCallBacks.Register(callBack.Name, TCallBackEvent());
      // The tag stays in the page until the callbacks are written in, so a later pass of the
      // same build meets it again.
      const bool known =
          std::any_of(FSimpleCallBacks.begin(), FSimpleCallBacks.end(),
                      [&](const TSimpleCallBack& c) { return c.Referente == callBack.Referente; });
      if (!known)
        FSimpleCallBacks.push_back(std::move(callBack));
      tag = FindTemplateTag(HTML, tag.Start + tag.Length);
      continue;
    }
    DoTagHTML(tag.Inner, replacement);
    if (tag.Inner == "Title" && replacement == value)
      if (const TDuoForm* form = DuoForm())
        replacement = form->GetTitle();
    HTML.replace(tag.Start, tag.Length, replacement);
    tag = FindTemplateTag(HTML, ResumeAfter(tag.Start, replacement.size()));
  }
}

void TFacetForm::Initialize() {
  TDuoForm* form = DuoForm();
  for (IFacetControl* item : std::vector<IFacetControl*>(FControls)) {
    auto* control = dynamic_cast<TFacetControl*>(item);
    if (control == nullptr)
      continue;
    control->Initialize();
    std::string html = control->GetHTMLControl();
    if (form != nullptr)
      form->DoRenderFacetControl(control, html);
    control->SetHTMLControl(html);
    control->ProcessHTML();
  }
}

void TFacetForm::ProcessControlsToHTML(std::string& HTML) {
  for (IFacetControl* item : std::vector<IFacetControl*>(FControls))
    if (auto* control = dynamic_cast<TFacetControl*>(item))
      PlaceControl(*control, HTML);
}

void TFacetForm::PlaceControl(TFacetControl& AControl, std::string& HTML) {
  const std::string& html = AControl.GetHTMLControl();
  const std::string& tag = AControl.GetUnformatedHTMLControl();
  if (html.empty() || tag.empty())
    return;
  if ((FTemplateMasterHTMLFile.empty() && FTemplatePageHTMLFile.empty()) ||
      HTML.find(tag) != std::string::npos) {
    HTML = ReplaceAllText(HTML, tag, html);
    return;
  }
  const std::string name = AControl.GetNamePrefix();
  std::string target;
  std::string core = AControl.GetHTMLCore();
  if (const size_t plain = PosText("{%" + name + "%}", HTML); plain != std::string::npos) {
    target = HTML.substr(plain, name.size() + 4);
  } else if (const size_t open = PosText("{%" + name + " ", HTML); open != std::string::npos) {
    const size_t close = HTML.find("%}", open);
    if (close == std::string::npos)
      return;
    target = HTML.substr(open, close + 2 - open);
    core = HTML.substr(open + 2 + name.size(), close - open - 2 - name.size()) + " id=\"" +
           UpperCase(name) + "\"";
  } else {
    return;
  }
  std::string placed = html;
  ReplaceFirstText(placed, AControl.GetHTMLCore(), core);
  ReplaceFirstText(HTML, target, placed);
  if (core != AControl.GetHTMLCore())
    AControl.SetHTMLCore(core);
  AControl.SetTemplateControl(true);
  if (FBaseClass != nullptr)
    FBaseClass->HTML().Render().RemoveHTMLControlToBody(AControl.GetName());
}

void TFacetForm::ProcessCallBackTagHTML(std::string& HTML) const {
  if (FFacetSession == nullptr)
    return;
  for (const TFacetCallBack& callBack : FCallBacks.Items())
    HTML = ReplaceAllText(HTML, "{{" + callBack.Name + "}}",
                          FFacetSession->CallBackJS(callBack.Name, FFormUUID, "", true));
  for (const TSimpleCallBack& callBack : FSimpleCallBacks)
    HTML =
        ReplaceAllText(HTML, "{{" + callBack.Referente + "}}",
                       FFacetSession->CallBackJS(callBack.Name, FFormUUID,
                                                 SingleQuotedJSString(callBack.Parameters), true));
}

void TFacetForm::ProcessTagTranslate(std::string& HTML) {
  const TDuoLang language =
      FFacetSession != nullptr ? FFacetSession->Language() : TDuoLang::English;
  for (TTagMatch tag = FindTranslationTag(HTML, 0); tag.Start != std::string::npos;) {
    const size_t comma = tag.Inner.find(',');
    const std::string context = comma == std::string::npos ? "" : tag.Inner.substr(0, comma);
    const std::string term = comma == std::string::npos ? tag.Inner : tag.Inner.substr(comma + 1);
    std::string translated;
    DoTagTranslate(language, context, translated, term);
    size_t inserted = tag.Length;
    if (!translated.empty()) {
      HTML.replace(tag.Start, tag.Length, translated);
      inserted = translated.size();
    }
    tag = FindTranslationTag(HTML, ResumeAfter(tag.Start, inserted));
  }
}

void TFacetForm::DoTagHTML(const std::string& TagString, std::string& ReplaceTag) {
  if (OnTagHTML)
    OnTagHTML(TagString, ReplaceTag);
  TagHTML(TagString, ReplaceTag);
  if (ReplaceTag == TagString || ReplaceTag == "{{" + TagString + "}}")
    if (TDuoForm* form = DuoForm())
      form->DoTagHTML(TagString, ReplaceTag);
}

void TFacetForm::TagHTML(const std::string& /*TagString*/, std::string& /*ReplaceTag*/) {}

void TFacetForm::DoTagTranslate(TDuoLang Language, const std::string& AContext,
                                std::string& ATranslated, const std::string& ATerm) {
  if (TDuoForm* form = DuoForm())
    form->DoTagTranslate(Language, AContext, ATerm, ATranslated);
}

void TFacetForm::DoUpload(TStrings* AFiles, TObject* Sender) {
  if (OnUpload)
    OnUpload(AFiles, Sender);
  if (TDuoForm* form = DuoForm())
    form->DoUpload(AFiles, Sender);
}

void TFacetForm::DoCallBack(const std::string& CallBackName, TStrings* EventParams) {
  if (TDuoForm* form = DuoForm())
    form->DoCallBack(CallBackName, EventParams);
}

void TFacetForm::DoBeginTranslate() {
  if (TDuoForm* form = DuoForm())
    form->DoBeginTranslate();
}

void TFacetForm::DoBeginTagHTML() {
  if (TDuoForm* form = DuoForm())
    form->DoBeginTagHTML();
}

void TFacetForm::DoEndTagHTML() {
  if (TDuoForm* form = DuoForm())
    form->DoEndTagHTML();
}

void TFacetForm::DoCellButtonClick(TFacetDBGrid& Grid, TFacetDBGridColumnButton& Button, int RowID,
                                   int ColIndex) {
  if (TDuoForm* form = DuoForm())
    form->DoCellButtonClick(&Grid, &Button, ColIndex, RowID);
}

void TFacetForm::ShowPopup(const std::string& AName) {
  if (TDuoForm* form = DuoForm())
    form->ShowPopup(AName);
}

void TFacetForm::ClosePopup(const std::string& AName) {
  if (TDuoForm* form = DuoForm())
    form->ClosePopup(AName);
}

void TFacetForm::OnBeforePageLoad() {
  FFormPageState = PageStateLoading;
}

void TFacetForm::OnAfterPageLoad() {
  FFormPageState = PageStateLoaded;
  if (OnPageLoaded)
    OnPageLoaded(this);
  if (TDuoForm* form = DuoForm())
    form->DoPageLoaded();
  FlushControlUpdates();
}

void TFacetForm::onFormUnload() {
  FFormPageState = PageStateUnloaded;
}

void TFacetForm::MarkDirty() {
  if (FFlushPending || FFacetSession == nullptr)
    return;
  FFlushPending = true;
  FFacetSession->RunSoon([alive = std::weak_ptr<TFacetForm*>(FAlive)] {
    if (const std::shared_ptr<TFacetForm*> page = alive.lock()) {
      (*page)->FFlushPending = false;
      (*page)->FlushControlUpdates();
    }
  });
}

std::string TFacetForm::TakeControlUpdates() {
  if (FFormComponentsUpdating || FFacetSession == nullptr)
    return {};
  const bool force = FForceUpdateControls;
  FForceUpdateControls = false;
  std::string script;
  for (IFacetControl* item : std::vector<IFacetControl*>(FControls)) {
    auto* control = dynamic_cast<TFacetControl*>(item);
    if (control == nullptr)
      continue;
    std::vector<std::string> lines;
    control->UpdateServerControls(lines, force);
    if (lines.empty())
      continue;
    if (!script.empty())
      script += ' ';
    script +=
        "if (document.getElementById(" + QuotedJSString(control->ElementID()) + ") !== null) {";
    for (size_t i = 0; i < lines.size(); ++i)
      script += (i == 0 ? "" : " ") + lines[i];
    script += "}";
  }
  return script;
}

bool TFacetForm::FlushControlUpdates() {
  const std::string script = TakeControlUpdates();
  if (script.empty())
    return false;
  FFacetSession->ExecJS(script);
  return true;
}
