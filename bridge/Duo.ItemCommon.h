#pragma once

// The layout tree a form declares for its web page: items, the lists that own them, and the
// builder through which a form adds them (Duo.Items.Add().Row("row").Items.Add()...).
//
// The renderer runs, for each item of a list: OnBeginReader, PreProcess, RenderHTML, Render,
// OnEndReader.  An item writes its opening markup in its begin reader, markup that precedes its
// children in RenderHTML, its children (or its placeholder tag) in Render, and its closing markup
// in its end reader.  Lines go into the body of the bridge object's HTML document.

#include "runtime/Variant.h"

#include <concepts>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class IFacetControl;
class TComponent;
class TDuoClass;
class TDuoItemHTMLAccordion;
class TDuoItemHTMLElement;
class TDuoItemHTMLFormGroup;
class TDuoItemHTMLPanelGroup;
class TDuoItemHTMLPopup;
class TDuoItemHTMLRow;
class TDuoItemHTMLTabs;
class TDuoItemHTMLUpload;
class TDuoItemNested;
class IFacetHTMLElement;
class TDuoItemUIObj;
class TItemAdd;
class TPopupMenu;

using TReaderNotify = std::function<void()>;

// The CSS classes, extra attribute text and inline style of an item's markup.
class IDuoHTMLTag {
public:
  virtual ~IDuoHTMLTag() = default;
  virtual std::string GetCSS() const = 0;
  virtual void SetCSS(const std::string& Value) = 0;
  virtual std::string GetHTMLExtras() const = 0;
  virtual void SetHTMLExtras(const std::string& Value) = 0;
  virtual std::string GetHTMLStyle() const = 0;
  virtual void SetHTMLStyle(const std::string& Value) = 0;
};

// What every item offers the renderer.
class IDuoItem : public IDuoHTMLTag {
public:
  virtual void PreProcess() = 0;
  virtual void Render() = 0;
  virtual void RenderHTML() = 0;
  virtual bool GetIsHidden() const = 0;
  virtual void SetIsHidden(bool Value) = 0;
  virtual std::string GetItemID() const = 0;
  virtual void SetItemID(const std::string& Value) = 0;
  // The item id with the page form's controls prefix, when the prefix is enabled.
  virtual std::string GetItemPrefixID() const = 0;
  virtual IFacetControl* GetFacetControl() const = 0;
  virtual void SetFacetControl(IFacetControl* Value) = 0;
};

// The base of every item: the bridge object it belongs to, its id, the common markup values and
// the two reader events.  The phases do nothing unless an item overrides them.
class TDuoItem : public IDuoItem {
public:
  explicit TDuoItem(TDuoClass& ABaseClass) : FBaseClass(ABaseClass) {}
  TDuoItem(const TDuoItem&) = delete;
  TDuoItem& operator=(const TDuoItem&) = delete;

  TDuoClass& BaseClass() const { return FBaseClass; }

  void PreProcess() override {}
  void Render() override {}
  void RenderHTML() override {}
  bool GetIsHidden() const override { return FIsHidden; }
  void SetIsHidden(bool Value) override { FIsHidden = Value; }
  std::string GetItemID() const override { return FItemID; }
  void SetItemID(const std::string& Value) override { FItemID = Value; }
  std::string GetItemPrefixID() const override;
  IFacetControl* GetFacetControl() const override { return FFacetControl; }
  void SetFacetControl(IFacetControl* Value) override { FFacetControl = Value; }
  std::string GetCSS() const override { return FCSS; }
  void SetCSS(const std::string& Value) override { FCSS = Value; }
  std::string GetHTMLExtras() const override { return FHTMLExtras; }
  void SetHTMLExtras(const std::string& Value) override { FHTMLExtras = Value; }
  std::string GetHTMLStyle() const override { return FHTMLStyle; }
  void SetHTMLStyle(const std::string& Value) override { FHTMLStyle = Value; }
  bool GetRenderized() const { return FRenderized; }
  void SetRenderized(bool Value) { FRenderized = Value; }

  TReaderNotify OnBeginReader;
  TReaderNotify OnEndReader;

protected:
  // Appends one line to the page body.
  void AddLine(const std::string& Line) const;

  std::string FCSS;
  std::string FHTMLExtras;
  std::string FHTMLStyle;

private:
  TDuoClass& FBaseClass;
  std::string FItemID;
  bool FIsHidden = false;
  bool FRenderized = false;
  IFacetControl* FFacetControl = nullptr;
};

// One list of items, in insertion order; it owns them and destroys them in list order.
class TDuoItems {
public:
  explicit TDuoItems(TDuoClass& ABaseClass);
  ~TDuoItems();
  TDuoItems(const TDuoItems&) = delete;
  TDuoItems& operator=(const TDuoItems&) = delete;

  // The builder of this list.
  TItemAdd& Add() { return *FAddItem; }
  // Appends the item and registers it with the bridge object under its id; an id already
  // registered in the form raises an error (the item is then already in the list).
  template <class T> T& Add(std::unique_ptr<T> Item) {
    T& result = *Item;
    AddItem(std::move(Item));
    return result;
  }
  std::vector<TDuoItem*> GetItems() const;
  int Count() const { return static_cast<int>(FItemList.size()); }
  // Raises an error for an index out of range.
  TDuoItem& Item(int AIndex) const;
  TDuoClass& BaseClass() const { return FBaseClass; }

private:
  void AddItem(std::unique_ptr<TDuoItem> Item);

  TDuoClass& FBaseClass;
  std::unique_ptr<TItemAdd> FAddItem;
  std::vector<std::unique_ptr<TDuoItem>> FItemList;
};

// The builder of one list: each operation creates one item, appends it and returns it.  An empty
// item id means a generated one (a prefix and the form's counter for that prefix).
class TItemAdd {
public:
  explicit TItemAdd(TDuoItems& ADuoItems) : FDuoItems(ADuoItems) {}

  // Adds an item made elsewhere; one without an id gets a generated "duoitem" id.
  TDuoItem& DuoItem(std::unique_ptr<TDuoItem> ADuoItem);
  // A control item with a generated "UIObj" id, registered under that id.
  TDuoItemUIObj& UIObj();
  TDuoItemUIObj& UIObj(TComponent* UIItem, const std::string& CSS = "",
                       const std::string& HTMLExtras = "", const std::string& HTMLStyle = "");
  TDuoItemUIObj& UIObj(TComponent* UIItem, TPopupMenu* APopupMenu, const std::string& CSS = "",
                       const std::string& HTMLExtras = "", const std::string& HTMLStyle = "");
  // The validation group is taken only as a Variant, so that no pointer or text argument of
  // the other overloads can turn into one.
  template <class V>
  requires std::same_as<V, Variant> TDuoItemUIObj&
  UIObj(TComponent* UIItem, const V& AValidationGroup, bool ARequired, const std::string& CSS = "",
        const std::string& HTMLExtras = "", const std::string& HTMLStyle = "") {
    return UIObjValidated(UIItem, AValidationGroup, ARequired, CSS, HTMLExtras, HTMLStyle);
  }
  TDuoItemUIObj& UIObjHidden(TComponent* UIItem);
  TDuoItemHTMLFormGroup&
  FormGroup(const std::string& ATextLabel = "", const std::string& AColSize = "col-xl-auto",
            const std::string& AItemID = "", bool AHTMLinLine = false, const std::string& ACSS = "",
            const std::string& AHTMLExtras = "", const std::string& AHTMLStyle = "");
  TDuoItemHTMLPanelGroup& PanelGroup(const std::string& ATitle = "",
                                     const std::string& AItemID = "", bool AHTMLinLine = false,
                                     const std::string& AColSize = "col-xl-auto",
                                     const std::string& ACSS = "expanel-default",
                                     const std::string& AHTMLExtras = "",
                                     const std::string& AHTMLStyle = "");
  TDuoItemHTMLRow& Row(const std::string& AHTMLTag = "row", const std::string& AItemID = "",
                       bool AHTMLinLine = false, const std::string& ACSS = "",
                       const std::string& AHTMLExtras = "", const std::string& AHTMLStyle = "");
  // A division with the given class text: a row that keeps its tag as written.
  TDuoItemHTMLRow& HTMLDIV(const std::string& AHTMLTag, const std::string& AItemID = "",
                           const std::string& ACSS = "", const std::string& AHTMLExtras = "",
                           const std::string& AHTMLStyle = "");
  TDuoItemHTMLTabs& Tabs(const std::string& AItemID = "", const std::string& ACSS = "",
                         const std::string& AHTMLExtras = "", const std::string& AHTMLStyle = "");
  TDuoItemHTMLAccordion& Accordion(const std::string& AItemID = "", const std::string& ACSS = "",
                                   const std::string& AHTMLExtras = "",
                                   const std::string& AHTMLStyle = "");
  // A modal popup whose id is its name in upper case; also registered with the bridge object.
  TDuoItemHTMLPopup& Popup(const std::string& AName, const std::string& ATitle = "",
                           bool AShowButtonClose = true);
  // The placeholder of a nested form, always with a generated "Nested" id.
  TDuoItemNested& Nested(const std::string& AFormName);
  TDuoItemHTMLUpload& Upload(const std::string& ACaption = "",
                             const std::string& AAllowedFileTypes = "jpg,jpeg,png,pdf",
                             const std::string& AItemID = "", int AMaxFiles = 1,
                             int AMaxFileSize = 20, bool AInputVisible = true,
                             const std::string& ACSSInput = "form-control",
                             const std::string& ACSSButtonUpload = "btn btn-primary",
                             const std::string& ACSSButtonClear = "btn btn-secondary",
                             const std::string& AFontICOUpload = "fa fa-upload",
                             const std::string& AFontICOClear = "fa fa-times",
                             bool AShowFinishMessage = false, int AMaxUploadSize = 20);
  // Raw markup, written into the page as it stands.
  TDuoItemHTMLElement& HTMLElement(const std::string& AHTMLElement,
                                   const std::string& AItemID = "");
  // A component whose content the page shows; the id defaults to the component's name.
  TDuoItemHTMLElement& HTMLElement(TComponent* ComponentHTMLElement,
                                   const std::string& AItemID = "");

private:
  TDuoItemUIObj& UIObjValidated(TComponent* UIItem, const Variant& AValidationGroup, bool ARequired,
                                const std::string& CSS, const std::string& HTMLExtras,
                                const std::string& HTMLStyle);
  std::string IdOrGenerated(const std::string& AItemID, const std::string& APrefix) const;

  TDuoItems& FDuoItems;
};
