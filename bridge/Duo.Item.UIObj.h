#pragma once

// The control item: wraps one control of the form.  It finds the control's adapter, writes the
// control's placeholder tag ("{%NAME attributes%}") into the page body, and at its first
// rendering creates the page control that stands for the control in the browser, filled from the
// control through the adapter.

#include "bridge/Duo.ItemCommon.h"
#include "bridge/Duo.UIObj.h"

#include <memory>
#include <string>

class TMenuItem;
class TStrings;

class TDuoItemUIObj : public TDuoItem {
public:
  explicit TDuoItemUIObj(TDuoClass& ABaseClass);
  ~TDuoItemUIObj() override;

  TComponent* GetItem() const { return FItem; }
  // Takes the control, finds its adapter and takes the control's name as the item id.
  void SetItem(TComponent* Value);
  bool GetRequired() const { return FRequired; }
  void SetRequired(bool Value) { FRequired = Value; }
  const Variant& GetValidationGroup() const { return FValidationGroup; }
  void SetValidationGroup(const Variant& Value) { FValidationGroup = Value; }
  TPopupMenu* GetPopupMenu() const { return FPopupMenu; }
  void SetPopupMenu(TPopupMenu* Value) { FPopupMenu = Value; }
  // The adapter; nullptr when the control's class has none.
  IDuoUIObj* GetBridgeUIObj() const { return FBridgeUIObj.get(); }

  // Labels get " white-space: pre-line;" after their own style, so line breaks show.
  std::string GetHTMLStyle() const override;
  // Takes the accelerator marks ("&") out of a button's caption.
  void PreProcess() override;
  void RenderHTML() override;
  // Creates the page control once.
  void Render() override;

private:
  // Raises the "not supported" error when the control's class has no adapter.
  IDuoUIObj& Adapter() const;
  bool HasPopupMenuButton() const;
  void RenderPopupMenu();
  void PopupMenuCallBack(TStrings* EventParams) const;
  void AddPopupMenuEntry(const TMenuItem& AItem, const std::string& ACaption,
                         const std::string& ACallBackName);

  TComponent* FItem = nullptr;
  TPopupMenu* FPopupMenu = nullptr;
  std::unique_ptr<IDuoUIObj> FBridgeUIObj;
  bool FRequired = false;
  Variant FValidationGroup;
};
