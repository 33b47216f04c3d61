#pragma once

// What the control adapter tests share: a form to put controls on and a way to let a control's
// adapter fill its framework item.

#include "FakeFramework.h"

#include "bridge/Duo.BaseClass.h"
#include "bridge/Duo.Item.UIObj.h"
#include "runtime/Exceptions.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/Headless.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace uiobjtest {

using TMake = std::function<TControl*(TComponent* Owner)>;

template <class T> TMake Make() {
  return [](TComponent* Owner) -> TControl* { return new T(Owner); };
}

// A form with a panel, its bridge object on a recording framework type, and control items whose
// adapters fill the framework items as rendering does.
class AdapterTest : public ::testing::Test {
protected:
  AdapterTest()
      : App(std::unique_ptr<TUIBackend>(new THeadlessBackend)), Scope(App), Form(new TForm(&App)),
        Panel(new TPanel(Form)), PageForm(new fake::TPageForm(Form)),
        Page(new fake::TPageControl(PageForm)), Duo(Form) {
    Panel->SetParent(Form);
    auto framework = std::make_unique<fake::TFramework>(PageForm);
    Framework = framework.get();
    Duo.SetFrameworkExportType(std::move(framework));
  }

  template <class T> T* Add(const std::string& Name) {
    return static_cast<T*>(AddMade(Make<T>(), Name));
  }

  TControl* AddMade(const TMake& AMake, const std::string& Name) {
    TControl* control = AMake(Form);
    control->SetName(Name);
    control->SetParent(Panel);
    return control;
  }

  TDuoItemUIObj& Wrap(TComponent* Control) {
    TDuoItemUIObj& item = *Items.emplace_back(std::make_unique<TDuoItemUIObj>(Duo));
    item.SetItem(Control);
    return item;
  }

  // The control's adapter after it filled its (cleared) framework item.
  IDuoUIObj& Adapt(TComponent* Control) {
    IDuoUIObj* adapter = Wrap(Control).GetBridgeUIObj();
    if (adapter == nullptr)
      throw Exception("no adapter for " + Control->ClassName());
    adapter->FrameworkItemClass().Clear();
    adapter->ProcessPropertyClass(*Page);
    adapter->ProcessEventClass();
    return *adapter;
  }

  TApplication App;
  TApplicationScope Scope;
  TForm* Form;
  TPanel* Panel;
  fake::TPageForm* PageForm;
  fake::TPageControl* Page;
  TDuoClass Duo;
  fake::TFramework* Framework = nullptr;
  std::vector<std::unique_ptr<TDuoItemUIObj>> Items;
};

// Event parameters carrying a browser key name.
inline std::unique_ptr<TStringList> KeyParams(const std::string& Key) {
  auto params = std::make_unique<TStringList>();
  params->SetValue("key", Key);
  return params;
}

} // namespace uiobjtest
