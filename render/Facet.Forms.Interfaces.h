#pragma once

// The page form as its page controls see it: where a control registers, the page's element-id
// prefix and state, the session that carries its statements, and the form it stands for.

#include "bridge/Duo.Interfaces.h"

#include <string>

class TDuoForm;

enum class TFacetPageState { PageStateUnloaded, PageStateLoading, PageStateLoaded };
using enum TFacetPageState;

class IFacetForm : public IDuoFrameworkForm {
public:
  // The session the page lives in; nullptr before the page has one.
  virtual IFacetSession* GetSession() const = 0;
  virtual TFacetPageState GetFormPageState() const = 0;
  // True while the browser's control states are being applied before an event runs.
  virtual bool GetComponentsUpdating() const = 0;
  // The bridged form whose hooks the controls call; nullptr when there is none.
  virtual TDuoForm* DuoForm() const = 0;
  // The language of the server's options: data-aware edits write it into their lang attribute.
  virtual std::string GetLanguage() const = 0;
};
