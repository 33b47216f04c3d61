#include "bridge/Duo.FrameworkItems.h"

void IDuoFrameworkItem::Clear() {
  for (TOnEventProc* proc :
       {&OnClick, &OnDblClick, &OnEnter, &OnExit, &OnChange, &OnKeyDown, &OnKeyUp, &OnKeyPress,
        &OnSelectAll, &OnUnselectAll, &OnSelect, &OnCheck, &OnCheckChange, &OnUnCheck})
    *proc = nullptr;
  ProcGetEnabled = nullptr;
  ProcSetEnabled = nullptr;
  ProcGetVisible = nullptr;
  ProcSetVisible = nullptr;
  ProcGetReadOnly = nullptr;
  ProcSetReadOnly = nullptr;
  ProcGetPlaceholder = nullptr;
}

void TDuoDatawareDataSource::Clear() {
  DataSource = nullptr;
  DataField.clear();
}

void TDuoDatawareListSource::Clear() {
  ListField.clear();
  KeyField.clear();
  ListSource = nullptr;
}

void TDuoDataware::Clear() {
  FDataSource.Clear();
  FListSource.Clear();
}

TDuoFrameworkItemDBGridColumn& TDuoFrameworkItemDBGridColumns::Add() {
  return *FColumns.emplace_back(std::make_unique<TDuoFrameworkItemDBGridColumn>());
}

void IDuoFrameworkItemLabel::Clear() {
  IDuoFrameworkItem::Clear();
  OnGetText = nullptr;
  ForControl.clear();
}

void IDuoFrameworkItemButton::Clear() {
  IDuoFrameworkItem::Clear();
  Caption.clear();
}

void IDuoFrameworkItemEdit::Clear() {
  IDuoFrameworkItem::Clear();
  EditDataType = FacetFieldTypeAuto;
  CharCase = ecNormal;
  OnGetText = nullptr;
  OnSetText = nullptr;
}

void IDuoFrameworkItemMemo::Clear() {
  IDuoFrameworkItem::Clear();
  Lines = nullptr;
  Rows = 3;
}

void IDuoFrameworkItemImage::Clear() {
  IDuoFrameworkItem::Clear();
  Picture = nullptr;
}

void IDuoFrameworkItemCheckBox::Clear() {
  IDuoFrameworkItem::Clear();
  CheckBoxType = CBSwitchType;
  OnGetText = nullptr;
  OnGetChecked = nullptr;
  OnSetChecked = nullptr;
}

void IDuoFrameworkItemCombobox::Clear() {
  IDuoFrameworkItem::Clear();
  ProcGetItems = nullptr;
  ProcGetSelectedItem = nullptr;
  ProcSetSelectedItem = nullptr;
}

void IDuoFrameworkItemDBText::Clear() {
  IDuoFrameworkItem::Clear();
  Dataware.Clear();
}

void IDuoFrameworkItemDBEdit::Clear() {
  IDuoFrameworkItem::Clear();
  EditDataType = FacetFieldTypeAuto;
  CharCase = ecNormal;
  Dataware.Clear();
}

void IDuoFrameworkItemDBMemo::Clear() {
  IDuoFrameworkItem::Clear();
  Dataware.Clear();
}

void IDuoFrameworkItemDBCheckBox::Clear() {
  IDuoFrameworkItem::Clear();
  CheckBoxType = CBSwitchType;
  Dataware.Clear();
  OnGetText = nullptr;
  ValueChecked.clear();
  ValueUnChecked.clear();
}

void IDuoFrameworkItemDBCombobox::Clear() {
  IDuoFrameworkItem::Clear();
  ProcGetItems = nullptr;
  Dataware.Clear();
}

void IDuoFrameworkItemDBLookupCombobox::Clear() {
  IDuoFrameworkItem::Clear();
  Dataware.Clear();
  OnGetText = nullptr;
  OnSetText = nullptr;
}

void IDuoFrameworkItemDBGrid::Clear() {
  IDuoFrameworkItem::Clear();
  OnGetSelectedRow = nullptr;
  OnSetSelectedRow = nullptr;
  ProcEditable = nullptr;
  MultiSelect = false;
  // A fresh list: the page grid of the previous control keeps the one it was given.
  SelectedRowsID = std::make_shared<std::vector<int>>();
  Columns.Clear();
  Dataware.Clear();
}
