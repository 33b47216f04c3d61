#pragma once

// A small recording stand-in for the page layer and the session: page controls that keep what
// they were given, a page form that lists them and keeps its callbacks, framework items that
// create those page controls, and a session that collects the statements it would push.

#include "bridge/Duo.FrameworkItems.h"
#include "bridge/Duo.Interfaces.h"
#include "runtime/Component.h"
#include "runtime/Strings.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace fake {

class TPageControl : public TComponent, public virtual IFacetControl {
  DUO_CLASS(TPageControl, TComponent)

public:
  explicit TPageControl(TComponent* AOwner);

  TComponent& AsComponent() override { return *this; }
  void SetName(const std::string& Value) override { TComponent::SetName(Value); }
  std::string GetName() const override { return TComponent::GetName(); }
  std::string GetNamePrefix() const override;
  void SetIsHidden(bool Value) override { IsHidden = Value; }
  void SetRequired(bool Value) override { Required = Value; }
  void SetValidationGroup(const Variant& Value) override { ValidationGroup = Value; }
  void SetUIComponent(TComponent* Value) override { UIComponent = Value; }
  TComponent* GetUIComponent() const override { return UIComponent; }
  void FormatHTMLControl(const std::string& HTML) override { FormattedHTML.push_back(HTML); }
  void Refresh() override { ++Refreshes; }

  // Published so that properties copied by name from a control arrive here.
  const std::string& GetCaption() const { return Caption; }
  void SetCaption(const std::string& Value) { Caption = Value; }
  bool GetEnabled() const { return Enabled; }
  void SetEnabled(bool Value) { Enabled = Value; }
  bool GetVisible() const { return Visible; }
  void SetVisible(bool Value) { Visible = Value; }
  // Same name as a control's Left, another type: never copied.
  std::string GetLeft() const { return Left; }
  void SetLeft(std::string Value) { Left = std::move(Value); }

  bool IsHidden = false;
  bool Required = false;
  Variant ValidationGroup;
  TComponent* UIComponent = nullptr;
  std::vector<std::string> FormattedHTML;
  int Refreshes = 0;
  std::string Caption;
  bool Enabled = false;
  bool Visible = false;
  std::string Left;
  // The framework item's kind that created it.
  std::string Kind;
};

class THTMLElement : public TPageControl, public IFacetHTMLElement {
  DUO_CLASS(THTMLElement, TPageControl)

public:
  using TPageControl::TPageControl;
  void SetHTML(const std::string& Value) override { HTML = Value; }
  void SetComponentHTMLElement(TComponent* Value) override { Component = Value; }

  std::string HTML;
  TComponent* Component = nullptr;
};

class TCallBacks : public IFacetFormCallBacks {
public:
  void Register(const std::string& AName, TCallBackEvent ACallBackEventProc) override {
    Registered[AName] = std::move(ACallBackEventProc);
  }
  void Register(const std::string& AName, const std::string&) override { Registered[AName]; }
  void Unregister(const std::string& AName) override { Registered.erase(AName); }
  const TFacetCallBack* GetCallBack(const std::string&) const override { return nullptr; }
  std::map<std::string, TCallBackEvent> Registered;
};

class TPageForm : public TComponent, public IDuoFrameworkForm {
public:
  explicit TPageForm(TComponent* AOwner) : TComponent(AOwner) {}

  TComponent& AsComponent() override { return *this; }
  void Hide() override {}
  void Show() override {}
  void Clear() override { Controls.clear(); }
  TDuoClass* GetBaseClass() const override { return BaseClass; }
  void SetBaseClass(TDuoClass* Value) override { BaseClass = Value; }
  std::string GetFormUUID() const override { return "PAGEUUID000001"; }
  void AddNested(TObject*) override {}
  const std::vector<IFacetControl*>& GetControls() const override { return Controls; }
  void AddControl(IFacetControl* AFacetControl) override;
  std::string GetControlsPrefix() const override { return EnablePrefix ? "ABCDEFG" : ""; }
  void SetEnableControlsPrefix(bool Value) override { EnablePrefix = Value; }
  IFacetFormCallBacks* CallBacks() override { return &CallBackList; }

  TDuoClass* BaseClass = nullptr;
  std::vector<IFacetControl*> Controls;
  bool EnablePrefix = false;
  TCallBacks CallBackList;
};

// A framework item of kind `Base` that creates recording page controls and notes what it copied.
template <class Base> class TItem : public Base {
public:
  explicit TItem(std::string AKind) : Kind(std::move(AKind)) {}
  const TClassInfo& FrameworkClass() const override { return TPageControl::StaticClass(); }
  void ProcessPropertyClass(TComponent*, IFacetControl& NewObj) override {
    dynamic_cast<TPageControl&>(NewObj).Kind = Kind;
    PropertiesProcessed = true;
  }
  void ProcessEventClass(TComponent*, IFacetControl&) override { EventsProcessed = true; }

  std::string Kind;
  bool PropertiesProcessed = false;
  bool EventsProcessed = false;
};

class TFramework : public IDuoFrameworkType {
public:
  explicit TFramework(TPageForm* AForm) : FForm(AForm) {}

  IDuoFrameworkForm* GetForm() const override { return FForm; }
  bool FormShowing() const override { return true; }
  void SetTemplateMasterHTMLFile(const std::string& Value) override { Master = Value; }
  void SetTemplatePageHTMLFile(const std::string& Value) override { Page = Value; }
  std::string GetTemplateMasterHTMLFile() const override { return Master; }
  std::string GetTemplatePageHTMLFile() const override { return Page; }
  IFacetHTMLElement* CreateHTMLElement() override {
    return new THTMLElement(FForm != nullptr ? &FForm->AsComponent() : nullptr);
  }
  IDuoFrameworkItemLabel& Text() override { return FText; }
  IDuoFrameworkItemEdit& Edit() override { return FEdit; }
  IDuoFrameworkItemButton& Button() override { return FButton; }
  IDuoFrameworkItemCheckBox& CheckBox() override { return FCheckBox; }
  IDuoFrameworkItemImage& Image() override { return FImage; }
  IDuoFrameworkItemDBCheckBox& DBCheckBox() override { return FDBCheckBox; }
  IDuoFrameworkItemDBGrid& DBGrid() override { return FDBGrid; }
  IDuoFrameworkItemDBLookupCombobox& DBLookupCombobox() override { return FDBLookupCombobox; }
  IDuoFrameworkItemDBEdit& DBEdit() override { return FDBEdit; }
  IDuoFrameworkItemDBText& DBText() override { return FDBText; }
  IDuoFrameworkItemCombobox& Combobox() override { return FCombobox; }
  IDuoFrameworkItemDBCombobox& DBCombobox() override { return FDBCombobox; }
  IDuoFrameworkItemDBMemo& DBMemo() override { return FDBMemo; }
  IDuoFrameworkItemMemo& Memo() override { return FMemo; }

  std::string Master;
  std::string Page;
  TItem<IDuoFrameworkItemLabel> FText{"Text"};
  TItem<IDuoFrameworkItemEdit> FEdit{"Edit"};
  TItem<IDuoFrameworkItemButton> FButton{"Button"};
  TItem<IDuoFrameworkItemCheckBox> FCheckBox{"CheckBox"};
  TItem<IDuoFrameworkItemImage> FImage{"Image"};
  TItem<IDuoFrameworkItemDBCheckBox> FDBCheckBox{"DBCheckBox"};
  TItem<IDuoFrameworkItemDBGrid> FDBGrid{"DBGrid"};
  TItem<IDuoFrameworkItemDBLookupCombobox> FDBLookupCombobox{"DBLookupCombobox"};
  TItem<IDuoFrameworkItemDBEdit> FDBEdit{"DBEdit"};
  TItem<IDuoFrameworkItemDBText> FDBText{"DBText"};
  TItem<IDuoFrameworkItemCombobox> FCombobox{"Combobox"};
  TItem<IDuoFrameworkItemDBCombobox> FDBCombobox{"DBCombobox"};
  TItem<IDuoFrameworkItemDBMemo> FDBMemo{"DBMemo"};
  TItem<IDuoFrameworkItemMemo> FMemo{"Memo"};

private:
  TPageForm* FForm;
};

class TSession : public IFacetSession {
public:
  std::string GetUUID() const override { return "SESSIONUUID1"; }
  std::string GetToken() const override { return "TOKEN0000000000000000001"; }
  std::string ActiveFormUUID() const override { return "PAGEUUID000001"; }
  TDuoClass* ActiveDuo() const override { return nullptr; }
  void ExecJS(const std::string& AScript) override { Pushed.push_back(AScript); }
  void RunSoon(std::function<void()> AWork) override { Soon.push_back(std::move(AWork)); }
  std::string CallBackJS(const std::string& ACallBackName, const std::string& AFormUUID,
                         const std::string& Parameters, bool LockClient) override {
    return "FacetServer().CallBack('" + ACallBackName + "', '" + AFormUUID + "', " + Parameters +
           ", " + (LockClient ? "true" : "false") + ")";
  }
  TDuoLang Language() const override { return TDuoLang::English; }
  std::string LangCode() const override { return "en-US"; }
  std::string LangName() const override { return "English"; }
  TDuoTerm* Lang() const override { return Terms; }
  TDuoTerm* LangNav() const override { return Terms; }
  TDuoAPPTerm* LangAPP() const override { return nullptr; }
  void RemoveDuoForm(TDuoClass* ADuo) override { Removed.push_back(ADuo); }
  void ReloadPage() override { Pushed.push_back("reload"); }
  bool Lock(const std::string& AName) override {
    Pushed.push_back("lock " + AName);
    return !Ended;
  }
  void UnLock(const std::string& AName) override { Pushed.push_back("unlock " + AName); }
  bool Ended = false;

  TDuoTerm* Terms = nullptr;
  std::vector<std::string> Pushed;
  std::vector<std::function<void()>> Soon;
  std::vector<TDuoClass*> Removed;
};

inline TPageControl::TPageControl(TComponent* AOwner) : TComponent(AOwner) {
  if (auto* form = dynamic_cast<TPageForm*>(AOwner))
    form->AddControl(this);
}

inline std::string TPageControl::GetNamePrefix() const {
  auto* form = dynamic_cast<TPageForm*>(GetOwner());
  const std::string prefix = form != nullptr ? form->GetControlsPrefix() : "";
  return prefix.empty() ? GetName() : prefix + "_" + GetName();
}

inline const TClassInfo& TPageControl::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TPageControl>("TFakePageControl")
          .Property("Caption", &TPageControl::GetCaption, &TPageControl::SetCaption)
          .Property("Enabled", &TPageControl::GetEnabled, &TPageControl::SetEnabled)
          .Property("Visible", &TPageControl::GetVisible, &TPageControl::SetVisible)
          .Property("Left", &TPageControl::GetLeft, &TPageControl::SetLeft)
          .Creatable()
          .Build();
  return info;
}

inline const TClassInfo& THTMLElement::StaticClass() {
  static const TClassInfo info = TClassBuilder<THTMLElement>("TFakeHTMLElement").Build();
  return info;
}

inline void TPageForm::AddControl(IFacetControl* AFacetControl) {
  for (IFacetControl* control : Controls)
    if (control == AFacetControl)
      return;
  Controls.push_back(AFacetControl);
}

} // namespace fake
