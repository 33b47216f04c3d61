#pragma once

// The page form: the server side of one form's page in one browser session.  It owns the list of
// the page's controls, resolves the template tags of the page while the page is built, keeps the
// page's state, and brings the browser up to date: after every event, callback, popup or focus
// handler and after the page loads, it compares each control with what it last sent and pushes
// the differences to the browser as one message.  Nothing runs while the page is idle.

#include "bridge/Duo.Forms.h"
#include "render/Facet.DBGrid.h"
#include "render/Facet.Forms.Interfaces.h"
#include "runtime/Component.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class IFacetOptions;
class TFacetControl;
class TFacetForm;

// Called once with the freshly loaded page HTML, which it may change.
using TProcessHTMLNotify = std::function<void(TObject* Sender, std::string& AHTMLText)>;

// The callbacks registered for one page, each under an id of its own; they leave with the page.
class TFacetFormCallBacks : public IFacetFormCallBacks {
public:
  void Register(const std::string& AName, TCallBackEvent ACallBackEventProc) override;
  void Register(const std::string& AName, const std::string& Parameters) override;
  void Unregister(const std::string& AName) override;
  const TFacetCallBack* GetCallBack(const std::string& AName) const override;
  // The callback the browser names by its id (compared exactly); nullptr for an unknown id.
  const TFacetCallBack* ByID(const std::string& AID) const;
  // Runs a callback: the form's CallBack hook, then the handler when there is one.
  static void Execute(TFacetForm& AForm, const TFacetCallBack& ACallBack, TStrings* EventParams);
  // Runs the first callback of that name; false when there is none.
  bool Execute(TFacetForm& AForm, const std::string& AName, TStrings* EventParams) const;
  const std::vector<TFacetCallBack>& Items() const { return FItems; }

private:
  TFacetCallBack& Add(const std::string& AName);

  std::vector<TFacetCallBack> FItems;
};

class TFacetForm : public TComponent, public IFacetForm, public IFacetDBGridOwner {
  DUO_CLASS(TFacetForm, TComponent)

public:
  // A callback written into the page as "{{CallBack=Name(Parameters)}}".
  struct TSimpleCallBack {
    std::string Referente;
    std::string Name;
    std::string Parameters;
  };

  explicit TFacetForm(TComponent* AOwner);
  ~TFacetForm() override;

  TComponent& AsComponent() override { return *this; }
  // Leaves the page: it is no longer loaded.
  void Hide() override { onFormUnload(); }
  // Has the browser load the page again; for a form shown modally, then waits until the form
  // closes, and ends the caller's work silently when the session ends meanwhile.
  void Show() override;
  // Forgets the page's controls and its finished HTML.
  void Clear() override;
  TDuoClass* GetBaseClass() const override { return FBaseClass; }
  void SetBaseClass(TDuoClass* Value) override { FBaseClass = Value; }
  std::string GetFormUUID() const override { return FFormUUID; }
  void AddNested(TObject* ADuoForm) override;
  const std::vector<IFacetControl*>& GetControls() const override { return FControls; }
  void AddControl(IFacetControl* AFacetControl) override;
  std::string GetControlsPrefix() const override;
  bool GetEnableControlsPrefix() const { return FEnableControlsPrefix; }
  void SetEnableControlsPrefix(bool Value) override { FEnableControlsPrefix = Value; }
  IFacetFormCallBacks* CallBacks() override { return &FCallBacks; }
  const TFacetFormCallBacks& FormCallBacks() const { return FCallBacks; }
  IFacetSession* GetSession() const override { return FFacetSession; }
  void SetSession(IFacetSession* Value) { FFacetSession = Value; }
  TFacetPageState GetFormPageState() const override { return FFormPageState; }
  bool GetComponentsUpdating() const override { return FFormComponentsUpdating; }
  // The form that owns the page; for a page no form owns, the form of the session's active page.
  TDuoForm* DuoForm() const override;
  // The server's options; nullptr while no server runs.
  const IFacetOptions* FacetOptions() const;
  // The language of the server's options; empty while no server runs.
  std::string GetLanguage() const override;

  const std::string& GetTemplateMasterHTMLFile() const { return FTemplateMasterHTMLFile; }
  void SetTemplateMasterHTMLFile(const std::string& Value) { FTemplateMasterHTMLFile = Value; }
  const std::string& GetTemplatePageHTMLFile() const { return FTemplatePageHTMLFile; }
  void SetTemplatePageHTMLFile(const std::string& Value) { FTemplatePageHTMLFile = Value; }
  const std::string& GetFormHTMLText() const { return FFormHTMLText; }
  void SetFormHTMLText(const std::string& Value) { FFormHTMLText = Value; }
  const std::string& GetFormCacheHTMLText() const { return FFormCacheHTMLText; }
  void SetFormCacheHTMLText(const std::string& Value) { FFormCacheHTMLText = Value; }
  // Text the page server writes into the page's head after its own script blocks.
  const std::string& GetHeadHTMLFacet() const { return FHeadHTMLFacet; }
  void SetHeadHTMLFacet(const std::string& Value) { FHeadHTMLFacet = Value; }
  const std::vector<TSimpleCallBack>& SimpleCallBacks() const { return FSimpleCallBacks; }
  TFacetControl* GetFocusedControl() const { return FFocusedControl; }
  // Runs the exit event of the control that had the focus and the enter event of the new one.
  void SetFocusedControl(TFacetControl* Value);

  // Resolves the template tags of a page whose templates (or skeleton) are loaded, in the order
  // the tags depend on each other, leaving the finished page in `HTML` and in the cache.  The
  // page's body is the rendered body of the form's bridge object.
  void BuildPage(std::string& HTML);
  void ProcessPopup(std::string& HTML) const;
  void ProcessNested(std::string& HTML) const;
  void ProcessTags(std::string& HTML) const;
  void ProcessTagHTML(std::string& HTML);
  void Initialize();
  void ProcessControlsToHTML(std::string& HTML);
  void ProcessCallBackTagHTML(std::string& HTML) const;
  void ProcessTagTranslate(std::string& HTML);

  // Hooks for the page's tags: the form's OnTagHTML, then TagHTML, then the bridged form.
  virtual void DoTagHTML(const std::string& TagString, std::string& ReplaceTag);
  virtual void TagHTML(const std::string& TagString, std::string& ReplaceTag);
  virtual void DoTagTranslate(TDuoLang Language, const std::string& AContext,
                              std::string& ATranslated, const std::string& ATerm);
  virtual void DoUpload(TStrings* AFiles, TObject* Sender);
  virtual void DoCallBack(const std::string& CallBackName, TStrings* EventParams);
  virtual void DoBeginTranslate();
  virtual void DoBeginTagHTML();
  virtual void DoEndTagHTML();
  // A grid's cell button was clicked on the record `RowID`: the form's dispatcher with the page's
  // grid and button.
  void DoCellButtonClick(TFacetDBGrid& Grid, TFacetDBGridColumnButton& Button, int RowID,
                         int ColIndex) override;
  void ShowPopup(const std::string& AName);
  void ClosePopup(const std::string& AName);

  void OnBeforePageLoad();
  // The browser loaded the page: it is brought up to date with what changed meanwhile.
  void OnAfterPageLoad();
  void onFormUnload();
  void Close() { FFormPageState = PageStateUnloaded; }
  // Bracket the browser's control states applied before an event: nothing is sent meanwhile.
  void onComponentsUpdating() { FFormComponentsUpdating = true; }
  void onComponentsUpdated() { FFormComponentsUpdating = false; }
  // The next update re-sends every control's state.
  void UpdateControls() { FForceUpdateControls = true; }
  // Compares every control with what it last sent and pushes the differences as one message;
  // nothing while the browser's states are being applied or when nothing changed.  Returns
  // whether a message was sent.
  bool FlushControlUpdates();
  // The differences as one script statement, taken as sent; empty when there are none (or while
  // the browser's states are being applied).
  std::string TakeControlUpdates();
  // The form's state changed outside an event: the differences are sent by the session within
  // 100 milliseconds, once however often the page is marked meanwhile.
  void MarkDirty();

  TProcessHTMLNotify OnProcessHTML;
  TNotifyEvent OnPageLoaded;
  TOnTagHTML OnTagHTML;
  TOnPopup OnShowPopup;
  TOnPopup OnClosePopup;
  TOnUpload OnUpload;

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  void PlaceControl(TFacetControl& AControl, std::string& HTML);

  TDuoClass* FBaseClass = nullptr;
  std::string FTemplateMasterHTMLFile;
  std::string FTemplatePageHTMLFile;
  std::vector<IFacetControl*> FControls;
  std::string FFormUUID;
  IFacetSession* FFacetSession = nullptr;
  std::string FFormHTMLText;
  std::string FFormCacheHTMLText;
  std::string FHeadHTMLFacet;
  TFacetPageState FFormPageState = PageStateUnloaded;
  bool FFormComponentsUpdating = false;
  bool FForceUpdateControls = false;
  TFacetControl* FFocusedControl = nullptr;
  std::string FControlsPrefix;
  bool FEnableControlsPrefix = false;
  TFacetFormCallBacks FCallBacks;
  std::vector<TSimpleCallBack> FSimpleCallBacks;
  bool FFlushPending = false;
  // Lets a flush the session runs later find out whether the page still exists.
  std::shared_ptr<TFacetForm*> FAlive = std::make_shared<TFacetForm*>(this);
};
