#pragma once

// The structural items: rows (and plain divisions), form groups and panel groups.

#include "bridge/Duo.ItemCommon.h"

#include <concepts>
#include <memory>
#include <string>

// A division holding a list of items; "row" is widened to "row mt-2 mb-2" by the builder.
class TDuoItemHTMLRow : public TDuoItem {
public:
  explicit TDuoItemHTMLRow(TDuoClass& ABaseClass);

  bool GetInLine() const { return FInLine; }
  void SetInLine(bool Value) { FInLine = Value; }
  const std::string& GetHTMLTagRow() const { return FTagRow; }
  void SetHTMLTagRow(const std::string& Value) { FTagRow = Value; }
  void Render() override;

  TDuoItems Items;

private:
  void BeginReader();

  bool FInLine = false;
  std::string FTagRow = "row";
};

// A labelled group holding one control item and, optionally, a label control item.
class TDuoItemHTMLFormGroup : public TDuoItem {
public:
  explicit TDuoItemHTMLFormGroup(TDuoClass& ABaseClass);
  ~TDuoItemHTMLFormGroup() override;

  TDuoItemUIObj& AddUIObj(TComponent* UIItem, const std::string& CSS = "",
                          const std::string& HTMLExtras = "", const std::string& HTMLStyle = "");
  // The validation group is taken only as a Variant, so that no pointer or text argument of
  // the other overloads can turn into one.
  template <class V>
  requires std::same_as<V, Variant> TDuoItemUIObj&
  AddUIObj(TComponent* UIItem, const V& AValidationGroup, bool ARequired,
           const std::string& CSS = "", const std::string& HTMLExtras = "",
           const std::string& HTMLStyle = "") {
    return AddUIObjValidated(UIItem, AValidationGroup, ARequired, CSS, HTMLExtras, HTMLStyle);
  }
  TDuoItemUIObj& AddUIObj(TComponent* UIItem, TPopupMenu* APopupMenu, const std::string& CSS = "",
                          const std::string& HTMLExtras = "", const std::string& HTMLStyle = "");
  TDuoItemUIObj& AddUIObjWithLabel(TComponent* UIItem, const std::string& ATextLabel,
                                   const std::string& CSS = "", const std::string& HTMLExtras = "",
                                   const std::string& HTMLStyle = "");
  TDuoItemUIObj& AddLabelUIObj(TComponent* UIItem, const std::string& CSS = "",
                               const std::string& HTMLExtras = "",
                               const std::string& HTMLStyle = "");
  const std::string& GetTextLabel() const { return FTextLabel; }
  void SetTextLabel(const std::string& Value) { FTextLabel = Value; }
  const std::string& GetColSize1() const { return FColSize1; }
  void SetColSize1(const std::string& Value) { FColSize1 = Value; }
  const std::string& GetColSize2() const { return FColSize2; }
  void SetColSize2(const std::string& Value) { FColSize2 = Value; }
  bool GetInLine() const { return FInLine; }
  void SetInLine(bool Value) { FInLine = Value; }

  void RenderHTML() override;
  void Render() override;

private:
  TDuoItemUIObj& AddUIObjValidated(TComponent* UIItem, const Variant& AValidationGroup,
                                   bool ARequired, const std::string& CSS,
                                   const std::string& HTMLExtras, const std::string& HTMLStyle);
  void BeginReader();
  bool HasControl() const;
  bool HasLabelControl() const;

  std::string FColSize1 = "col-xl-auto";
  std::string FColSize2;
  std::unique_ptr<TDuoItemUIObj> FItem;
  std::unique_ptr<TDuoItemUIObj> FItemLabel;
  std::string FTextLabel;
  bool FInLine = false;
};

// A titled panel holding a list of items.
class TDuoItemHTMLPanelGroup : public TDuoItem {
public:
  explicit TDuoItemHTMLPanelGroup(TDuoClass& ABaseClass);

  const std::string& GetColSize() const { return FColSize; }
  void SetColSize(const std::string& Value) { FColSize = Value; }
  const std::string& GetTitle() const { return FTitle; }
  void SetTitle(const std::string& Value) { FTitle = Value; }
  bool GetInLine() const { return FInLine; }
  void SetInLine(bool Value) { FInLine = Value; }
  void Render() override;

  TDuoItems Items;

private:
  void BeginReader();

  std::string FColSize = "col-xl-auto";
  std::string FTitle;
  bool FInLine = false;
};

// The place of a nested form: a "$facetnested(NAME)" marker the page form replaces.
class TDuoItemNested : public TDuoItem {
public:
  using TDuoItem::TDuoItem;

  const std::string& GetNestedFormName() const { return FNestedFormName; }
  void SetNestedFormName(const std::string& Value) { FNestedFormName = Value; }
  void Render() override;

private:
  std::string FNestedFormName;
};

// Raw markup (or a component's content) shown through its own page control, made when the item
// first renders on a page; the markup is the developer's and is written as it stands.
class TDuoItemHTMLElement : public TDuoItem {
public:
  explicit TDuoItemHTMLElement(TDuoClass& ABaseClass);

  const std::string& GetHTML() const { return FHTML; }
  void SetHTML(const std::string& Value);
  TComponent* GetComponentHTMLElement() const { return FComponentHTMLElement; }
  void SetComponentHTMLElement(TComponent* Value);
  // Renames the page control too.
  void SetItemID(const std::string& Value) override;
  void Render() override;

private:
  void BeginReader();

  std::string FHTML;
  TComponent* FComponentHTMLElement = nullptr;
  IFacetHTMLElement* FElement = nullptr;
};
