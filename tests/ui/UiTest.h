#pragma once

#include "ui/Buttons.h"
#include "ui/ComCtrls.h"
#include "ui/Dialogs.h"
#include "ui/Driver.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/Menus.h"
#include "ui/StdCtrls.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// Every test runs on an application of its own, so that forms, focus and queued input of one
// test cannot leak into another.
class UiTest : public ::testing::Test {
protected:
  TApplication App;
  TApplicationScope Scope{App};
  THeadlessDriver Driver{App};
  std::vector<std::string> Log;

  // A control of type T owned by `owner`, placed on `parent`.
  template <class T>
  T* Add(TWinControl* parent, const std::string& name, TComponent* owner = nullptr) {
    T* control = new T(owner != nullptr ? owner : static_cast<TComponent*>(parent));
    control->SetName(name);
    control->SetParent(parent);
    return control;
  }

  TForm* NewForm(const std::string& name, int width = 400, int height = 300) {
    auto* form = new TForm(&App);
    form->SetName(name);
    form->SetClientWidth(width);
    form->SetClientHeight(height);
    return form;
  }

  // Handlers that write "<name>.<event>" into the log.
  TNotifyEvent Note(const std::string& entry) {
    return [this, entry](TObject*) { Log.push_back(entry); };
  }
  void LogFocus(TWinControl* control) {
    control->OnEnter = Note(control->GetName() + ".Enter");
    control->OnExit = Note(control->GetName() + ".Exit");
  }
  void LogKeys(TWinControl* control) {
    const std::string name = control->GetName();
    control->OnKeyDown = [this, name](TObject*, Word& key, TShiftState) {
      Log.push_back(name + ".KeyDown " + std::to_string(key));
    };
    control->OnKeyPress = [this, name](TObject*, char& key) {
      Log.push_back(name + ".KeyPress " + std::string(1, key));
    };
    control->OnKeyUp = [this, name](TObject*, Word& key, TShiftState) {
      Log.push_back(name + ".KeyUp " + std::to_string(key));
    };
  }
  void LogForm(TCustomForm* form) {
    const std::string name = form->GetName();
    form->OnShow = Note(name + ".Show");
    form->OnHide = Note(name + ".Hide");
    form->OnActivate = Note(name + ".Activate");
    form->OnDeactivate = Note(name + ".Deactivate");
    form->OnCloseQuery = [this, name](TObject*, bool&) { Log.push_back(name + ".CloseQuery"); };
    form->OnClose = [this, name](TObject*, TCloseAction&) { Log.push_back(name + ".Close"); };
  }
};
