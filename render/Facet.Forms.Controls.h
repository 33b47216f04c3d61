#pragma once

// The page control base: the server-side stand-in of one form control shown in a page.  It owns
// the control's HTML, remembers the state it last sent to the browser, turns every change of
// that state into a script statement, takes the state the browser sends back, and holds the
// control's events.  When the framework item hands over getter and setter procedures, the state
// is read from and written to the live form control through them, so the desktop control and
// the page control always agree.

#include "runtime/Component.h"
#include "runtime/Json.h"

#include "bridge/Duo.Interfaces.h"
#include "render/Facet.Events.h"
#include "render/Facet.Types.h"

#include <string>
#include <vector>

class IFacetForm;
class TDuoTerm;
class TStrings;

class TFacetControl : public TComponent, public virtual IFacetControl {
  DUO_CLASS(TFacetControl, TComponent)

public:
  // Registers the control with its owner when the owner is a page form.
  explicit TFacetControl(TComponent* AOwner);
  ~TFacetControl() override;

  TComponent& AsComponent() override { return *this; }
  void SetName(const std::string& Value) override { TComponent::SetName(Value); }
  std::string GetName() const override { return TComponent::GetName(); }
  std::string GetNamePrefix() const override;
  // The control's element id in the page: the name prefix in upper case.
  std::string ElementID() const;
  // The element id of the page's control named `AName` (this form's prefix, upper case).
  std::string ElementIDOf(const std::string& AName) const;
  // `document.getElementById("ID")`, the element the statements address.
  std::string ElementJS() const;

  bool GetEnabled() const;
  void SetEnabled(bool Value);
  bool GetVisible() const;
  void SetVisible(bool Value);
  bool GetReadOnly() const;
  void SetReadOnly(bool Value);
  std::string GetPlaceholder() const;
  bool GetIsHidden() const { return FIsHidden; }
  void SetIsHidden(bool Value) override { FIsHidden = Value; }
  bool GetRequired() const { return FRequired; }
  void SetRequired(bool Value) override { FRequired = Value; }
  const Variant& GetValidationGroup() const { return FValidationGroup; }
  void SetValidationGroup(const Variant& Value) override { FValidationGroup = Value; }
  void SetUIComponent(TComponent* Value) override;
  TComponent* GetUIComponent() const override { return FUIComponent; }
  void SetForm(IFacetForm* Value) { FForm = Value; }
  IFacetForm* GetForm() const { return FForm; }

  // The state procedures of the live form control.
  void SetProcGetEnabled(TOnGetValue Value) { FProcGetEnabled = std::move(Value); }
  void SetProcSetEnabled(TOnSetValue Value) { FProcSetEnabled = std::move(Value); }
  void SetProcGetVisible(TOnGetValue Value) { FProcGetVisible = std::move(Value); }
  void SetProcSetVisible(TOnSetValue Value) { FProcSetVisible = std::move(Value); }
  void SetProcGetReadOnly(TOnGetValue Value) { FProcGetReadOnly = std::move(Value); }
  void SetProcSetReadOnly(TOnSetValue Value) { FProcSetReadOnly = std::move(Value); }
  void SetProcGetPlaceholder(TOnGetValue Value) { FProcGetPlaceholder = std::move(Value); }

  // Takes the tag the renderer wrote for the control ("{%NAME attributes%}") and builds the
  // core from its attributes and the control's state.
  void FormatHTMLControl(const std::string& HTML) override;
  void SetHTMLControl(const std::string& Value) { FHTMLControl = Value; }
  const std::string& GetHTMLControl() const { return FHTMLControl; }
  // The tag exactly as the renderer wrote it, by which the page form finds the control.
  const std::string& GetUnformatedHTMLControl() const { return FUnformatedHTMLControl; }
  const std::string& GetHTMLCore() const { return FHTMLCore; }
  void SetHTMLCore(const std::string& Value) { FHTMLCore = Value; }
  TFacetControlEvents& Events() { return FEvents; }
  const TFacetControlEvents& Events() const { return FEvents; }
  void Refresh() override { FRefreshControl = true; }
  bool RefreshControl() const { return FRefreshControl; }
  bool GetTemplateControl() const { return FTemplateControl; }
  void SetTemplateControl(bool Value) { FTemplateControl = Value; }

  virtual bool IsDBGrid() const { return false; }
  virtual bool IsButton() const { return false; }
  virtual bool IsCheckBox() const { return false; }
  virtual bool IsCombobox() const { return false; }
  virtual bool IsDBCheckBox() const { return false; }
  virtual bool IsDBCombobox() const { return false; }
  virtual bool IsDBEdit() const { return false; }
  virtual bool IsDBMemo() const { return false; }
  virtual bool IsDBText() const { return false; }
  virtual bool IsEdit() const { return false; }
  virtual bool IsLabel() const { return false; }
  virtual bool IsImage() const { return false; }
  virtual bool IsMemo() const { return false; }
  virtual bool IsHTMLElement() const { return false; }
  virtual bool NeedCheckValidation() const { return false; }

  // The framework's terms in the language of the session's browser; nullptr without a session.
  TDuoTerm* Lang() const;

  // Takes the current state as the state the browser has, while the page is built; the first
  // time also lets the bridged form initialise the control.
  virtual void Initialize();
  // Builds the control's HTML from its core and its current state.
  virtual void ProcessHTML() = 0;
  // Appends one statement per state value that changed since it was last sent (every value of
  // the control when forced or refreshed) and remembers what was sent.
  void UpdateServerControls(std::vector<std::string>& ScriptJS, bool AForceUpdate);
  // Applies the parameters of one of the control's events before its handler runs.
  virtual void ProcessEventParameters(TFacetControlEvent& Event, TStrings* Parameters);
  // Applies the state object the browser sent for the control.
  virtual void ProcessComponentState(const TJSON& ComponentStateInfo) = 0;
  // Whether the control has a browser-side state to send.
  virtual bool GetEnableComponentState() const = 0;

protected:
  // Appends the statements of the control's own values; `AForceUpdate` asks for all of them.
  virtual void UpdateControlState(std::vector<std::string>& ScriptJS, bool AForceUpdate) = 0;
  void Notification(TComponent* AComponent, TOperation Operation) override;

  std::string FHTMLControl;
  std::string FHTMLCore;

private:
  std::string FUnformatedHTMLControl;
  TFacetControlEvents FEvents{*this};
  TComponent* FUIComponent = nullptr;
  bool FIsHidden = false;
  bool FRequired = false;
  Variant FValidationGroup;
  IFacetForm* FForm = nullptr;
  bool FStoredEnabled = true;
  bool FStoredVisible = true;
  bool FStoredReadOnly = false;
  std::string FStoredPlaceholder;
  TOnGetValue FProcGetEnabled;
  TOnSetValue FProcSetEnabled;
  TOnGetValue FProcGetVisible;
  TOnSetValue FProcSetVisible;
  TOnGetValue FProcGetReadOnly;
  TOnSetValue FProcSetReadOnly;
  TOnGetValue FProcGetPlaceholder;
  bool FRefreshControl = false;
  bool FTemplateControl = false;
  bool FInitilized = false;

  void UpdateBaseState(std::vector<std::string>& ScriptJS);
};

// The text of a value in a browser state object: strings as they are, other values as JSON.
std::string JSONStateText(const TJSON& Value);
