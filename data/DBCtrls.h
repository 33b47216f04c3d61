#pragma once
// Data-aware controls: each shows one field of its data source's current record and writes the
// user's input into it.  Typing or choosing in a control whose data source has AutoEdit puts the
// dataset into edit state first (an empty dataset starts a new record); a control whose field is
// read-only, or whose data source does not allow editing, refuses the input.  Values go through
// the field's conversion rules: a text the field refuses stays in the control and is written,
// raising the field's error, when the control is left or the record posted.
#include "data/DB.h"
#include "ui/ExtCtrls.h"
#include "ui/StdCtrls.h"

#include <functional>
#include <string>
#include <vector>

namespace detail {

// The field link of a data-aware control and the accessors every such control publishes.
class TFieldControl {
public:
  TDataSource* GetDataSource() const { return FDataLink.GetDataSource(); }
  void SetDataSource(TDataSource* dataSource) { FDataLink.SetDataSource(dataSource); }
  const std::string& GetDataField() const { return FDataLink.GetFieldName(); }
  void SetDataField(const std::string& dataField) { FDataLink.SetFieldName(dataField); }
  TField* GetField() const { return FDataLink.GetField(); }
  TFieldDataLink& GetDataLink() { return FDataLink; }

protected:
  TFieldDataLink FDataLink;
};

// Ties the text of a text box to a field: shows the field's text, writes what the user types.
class TTextFieldBinding {
public:
  TTextFieldBinding(TFieldDataLink& link, std::function<std::string()> getText,
                    std::function<void(const std::string&)> showText);
  // After the user changed the text: writes it when the field takes it, keeps it pending when
  // not.
  void Typed();
  // Writes pending text; raises the field's refusal.
  void Flush();

private:
  TFieldDataLink& Link;
  std::function<std::string()> FGetText;
  std::function<void(const std::string&)> FShowText;
  bool FPending = false;
  bool FWriting = false;
  void Show();
  void Write();
};

} // namespace detail

// Shows a field's display text.
class TDBText : public TLabel, public detail::TFieldControl {
  DUO_CLASS(TDBText, TLabel)
public:
  explicit TDBText(TComponent* AOwner);

private:
  void DataChange();
};

// An edit on a field: its display text while browsing, its edit text while editing.
class TDBEdit : public TCustomEdit, public detail::TFieldControl {
  DUO_CLASS(TDBEdit, TCustomEdit)
public:
  explicit TDBEdit(TComponent* AOwner);
  void DoExit() override;

protected:
  void Change() override;
  bool EditCanModify() override;

private:
  detail::TTextFieldBinding FBinding;
};

class TDBMemo : public TCustomMemo, public detail::TFieldControl {
  DUO_CLASS(TDBMemo, TCustomMemo)
public:
  explicit TDBMemo(TComponent* AOwner);
  void DoExit() override;

protected:
  void Change() override;
  bool EditCanModify() override;

private:
  detail::TTextFieldBinding FBinding;
};

// Checked when the field's text is ValueChecked (without regard to case); the user's click
// writes ValueChecked or ValueUnchecked.
class TDBCheckBox : public TCustomCheckBox, public detail::TFieldControl {
  DUO_CLASS(TDBCheckBox, TCustomCheckBox)
public:
  explicit TDBCheckBox(TComponent* AOwner);
  const std::string& GetValueChecked() const { return FValueChecked; }
  void SetValueChecked(const std::string& value);
  const std::string& GetValueUnchecked() const { return FValueUnchecked; }
  void SetValueUnchecked(const std::string& value);
  // While set, the user cannot change the field through the control; it still shows it.
  bool GetReadOnly() const { return FDataLink.GetReadOnly(); }
  void SetReadOnly(bool readOnly);
  void Toggle() override;

protected:
  void StateChanged() override;

private:
  std::string FValueChecked = "True";
  std::string FValueUnchecked = "False";
  bool FSyncing = false;
  void DataChange();
};

// A combo box whose text is the field's text; choosing or typing writes it.
class TDBComboBox : public TCustomComboBox, public detail::TFieldControl {
  DUO_CLASS(TDBComboBox, TCustomComboBox)
public:
  explicit TDBComboBox(TComponent* AOwner);
  // While set, the user cannot change the field through the control; it still shows it.
  bool GetReadOnly() const { return FDataLink.GetReadOnly(); }
  void SetReadOnly(bool readOnly);
  void SelectItem(int index) override;
  void InsertText(const std::string& text) override;

protected:
  void Change() override;
  void Select() override;

private:
  bool FSyncing = false;
  void DataChange();
  void WriteField();
};

// A choice among the rows of a list dataset: shows ListField of the row whose KeyField equals
// the data field; choosing a row stores its key in the data field.
class TDBLookupComboBox : public TCustomComboBox, public detail::TFieldControl {
  DUO_CLASS(TDBLookupComboBox, TCustomComboBox)
public:
  explicit TDBLookupComboBox(TComponent* AOwner);
  ~TDBLookupComboBox() override;
  TDataSource* GetListSource() const;
  void SetListSource(TDataSource* listSource);
  const std::string& GetListField() const { return FListField; }
  void SetListField(const std::string& listField);
  const std::string& GetKeyField() const { return FKeyField; }
  void SetKeyField(const std::string& keyField);
  // While set, the user cannot change the field through the control; it still shows it.
  bool GetReadOnly() const { return FDataLink.GetReadOnly(); }
  void SetReadOnly(bool readOnly);
  // The key of the row shown; null when none is.
  Variant GetKeyValue() const;
  void SelectItem(int index) override;

private:
  class TListLink;
  std::unique_ptr<TListLink> FListLink;
  std::string FListField;
  std::string FKeyField;
  std::vector<Variant> FKeys;
  bool FSyncing = false;
  void DataChange();
  void RebuildList();
};

// A radio group whose items stand for the stored Values (the items' captions themselves when
// Values is empty).  A stored value outside Values selects no button.
class TDBRadioGroup : public TCustomRadioGroup, public detail::TFieldControl {
  DUO_CLASS(TDBRadioGroup, TCustomRadioGroup)
public:
  explicit TDBRadioGroup(TComponent* AOwner);
  TStrings& GetValues() { return FValues; }
  void SetValues(const TStrings& values);
  void SelectItem(int index) override;

private:
  TStringList FValues;
  void DataChange();
  std::string ValueOf(int index) const;
};

// A picture held in a blob field.  A picture replaced while the record is being edited is
// written to the field when the record is posted; one replaced while browsing is not saved, and
// the stored picture comes back when the record changes or editing starts.
class TDBImage : public TImage, public detail::TFieldControl {
  DUO_CLASS(TDBImage, TImage)
public:
  explicit TDBImage(TComponent* AOwner);

protected:
  void PictureChanged() override;

private:
  bool FLoading = false;
  bool FChangedWhileEditing = false;
  void LoadPicture();
  void UpdateData();
};
