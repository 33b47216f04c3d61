#pragma once

// The web framework type of one bridge object: one framework item per kind of control, each of
// which creates its kind of page control and copies into it what the control adapter collected;
// the page form of the bridged form; and the hand-over of each rendered item's markup to the
// page control of the same name.

#include "bridge/Duo.FrameworkItems.h"
#include "bridge/Duo.Interfaces.h"

#include <memory>
#include <string>

class TClassInfo;
class TComponent;
class TDuoClass;
class TFacetControl;
class TFacetForm;

namespace detail {

// Copies the state procedures every kind collects, and adds one event to the page control for
// each event procedure that is set.
void ProcessBaseProperties(const IDuoFrameworkItem& Item, TFacetControl& Control);
void ProcessBaseEvents(const IDuoFrameworkItem& Item, TFacetControl& Control);

// A framework item of kind `TItem` that creates page controls of class `TControl`.
template <class TItem, class TControl> class TDuoFacetItem : public TItem {
public:
  const TClassInfo& FrameworkClass() const override { return TControl::StaticClass(); }
  void ProcessPropertyClass(TComponent* UIObj, IFacetControl& NewObj) override;
  void ProcessEventClass(TComponent* /*UIObj*/, IFacetControl& NewObj) override {
    ProcessBaseEvents(*this, dynamic_cast<TControl&>(NewObj));
  }
};

} // namespace detail

class TDuoFacetFramework : public IDuoFrameworkType {
public:
  // Takes over the markup hand-over of the bridge object's HTML document.
  explicit TDuoFacetFramework(TDuoClass& ABaseClass);
  ~TDuoFacetFramework() override;
  TDuoFacetFramework(const TDuoFacetFramework&) = delete;
  TDuoFacetFramework& operator=(const TDuoFacetFramework&) = delete;

  // Creates the page form of class `FormClass` (a TFacetForm class; the default page form when
  // null) owned by `AOwner`, with this framework's bridge object and template files.
  TFacetForm& AddFormByClass(const TClassInfo* FormClass, TComponent* AOwner);

  TDuoClass& BaseClass() const { return FBaseClass; }
  IDuoFrameworkForm* GetForm() const override;
  TFacetForm* GetFacetForm() const { return FFrameworkForm; }
  bool FormShowing() const override;
  void SetTemplateMasterHTMLFile(const std::string& Value) override;
  void SetTemplatePageHTMLFile(const std::string& Value) override;
  std::string GetTemplateMasterHTMLFile() const override { return FTemplateMasterHTMLFile; }
  std::string GetTemplatePageHTMLFile() const override { return FTemplatePageHTMLFile; }
  IFacetHTMLElement* CreateHTMLElement() override;
  IDuoFrameworkItemLabel& Text() override { return *FLabel; }
  IDuoFrameworkItemEdit& Edit() override { return *FEdit; }
  IDuoFrameworkItemButton& Button() override { return *FButton; }
  IDuoFrameworkItemCheckBox& CheckBox() override { return *FCheckBox; }
  IDuoFrameworkItemImage& Image() override { return *FImage; }
  IDuoFrameworkItemDBCheckBox& DBCheckBox() override { return *FDBCheckBox; }
  IDuoFrameworkItemDBGrid& DBGrid() override { return *FDBGrid; }
  IDuoFrameworkItemDBLookupCombobox& DBLookupCombobox() override { return *FDBLookupCombobox; }
  IDuoFrameworkItemDBEdit& DBEdit() override { return *FDBEdit; }
  IDuoFrameworkItemDBText& DBText() override { return *FDBText; }
  IDuoFrameworkItemCombobox& Combobox() override { return *FCombobox; }
  IDuoFrameworkItemDBCombobox& DBCombobox() override { return *FDBCombobox; }
  IDuoFrameworkItemDBMemo& DBMemo() override { return *FDBMemo; }
  IDuoFrameworkItemMemo& Memo() override { return *FMemo; }

private:
  // Gives a rendered item's markup to the page control of that name and prefixed name.
  void OnAddHTMLControls(const std::string& AName, const std::string& ANamePrefix,
                         const std::string& HTMLText) const;

  TDuoClass& FBaseClass;
  TFacetForm* FFrameworkForm = nullptr;
  std::string FTemplateMasterHTMLFile;
  std::string FTemplatePageHTMLFile;
  std::unique_ptr<IDuoFrameworkItemLabel> FLabel;
  std::unique_ptr<IDuoFrameworkItemButton> FButton;
  std::unique_ptr<IDuoFrameworkItemEdit> FEdit;
  std::unique_ptr<IDuoFrameworkItemCheckBox> FCheckBox;
  std::unique_ptr<IDuoFrameworkItemDBCheckBox> FDBCheckBox;
  std::unique_ptr<IDuoFrameworkItemDBText> FDBText;
  std::unique_ptr<IDuoFrameworkItemDBEdit> FDBEdit;
  std::unique_ptr<IDuoFrameworkItemDBGrid> FDBGrid;
  std::unique_ptr<IDuoFrameworkItemDBMemo> FDBMemo;
  std::unique_ptr<IDuoFrameworkItemDBCombobox> FDBCombobox;
  std::unique_ptr<IDuoFrameworkItemDBLookupCombobox> FDBLookupCombobox;
  std::unique_ptr<IDuoFrameworkItemCombobox> FCombobox;
  std::unique_ptr<IDuoFrameworkItemImage> FImage;
  std::unique_ptr<IDuoFrameworkItemMemo> FMemo;
};
