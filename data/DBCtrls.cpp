#include "data/DBCtrls.h"

#include "runtime/Exceptions.h"
#include "runtime/StrUtils.h"

namespace {

bool IsEditingState(const TField* field) {
  return field != nullptr && (field->GetDataSet()->GetState() == TDataSetState::dsEdit ||
                              field->GetDataSet()->GetState() == TDataSetState::dsInsert);
}

// Sets a flag for the lifetime of the guard.
class TFlagGuard {
public:
  explicit TFlagGuard(bool& flag) : FFlag(flag) { FFlag = true; }
  ~TFlagGuard() { FFlag = false; }
  TFlagGuard(const TFlagGuard&) = delete;
  TFlagGuard& operator=(const TFlagGuard&) = delete;

private:
  bool& FFlag;
};

// Sets a control's read-only flag on its field link; whether it changed.
bool SetLinkReadOnly(TFieldDataLink& link, bool readOnly) {
  if (link.GetReadOnly() == readOnly)
    return false;
  link.SetReadOnly(readOnly);
  return true;
}

} // namespace

// ---- Text binding -----------------------------------------------------------------------------

namespace detail {

TTextFieldBinding::TTextFieldBinding(TFieldDataLink& link, std::function<std::string()> getText,
                                     std::function<void(const std::string&)> showText)
    : Link(link), FGetText(std::move(getText)), FShowText(std::move(showText)) {
  Link.OnDataChange = [this] { Show(); };
  Link.OnEditingChange = [this] { Show(); };
  Link.OnUpdateData = [this] { Flush(); };
}

void TTextFieldBinding::Show() {
  if (FWriting)
    return;
  FPending = false;
  const TField* field = Link.GetField();
  const std::string text = field == nullptr        ? std::string()
                           : IsEditingState(field) ? field->GetText()
                                                   : field->GetDisplayText();
  // The same text is left alone, so that the caret and selection stay where the user put them.
  if (text != FGetText())
    FShowText(text);
}

void TTextFieldBinding::Write() {
  TField* field = Link.GetField();
  if (field == nullptr || !Link.GetEditing())
    return;
  TFlagGuard writing(FWriting);
  field->SetText(FGetText());
  FPending = false;
}

void TTextFieldBinding::Typed() {
  if (FWriting || Link.GetField() == nullptr || !Link.GetEditing())
    return;
  try {
    Write();
  } catch (const EConvertError&) {
    FPending = true;
  }
}

void TTextFieldBinding::Flush() {
  if (FPending)
    Write();
}

} // namespace detail

// ---- TDBText ----------------------------------------------------------------------------------

const TClassInfo& TDBText::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TDBText>("TDBText")
          .Property("DataField", &TDBText::GetDataField, &TDBText::SetDataField)
          .Creatable()
          .Build();
  return info;
}

TDBText::TDBText(TComponent* AOwner) : TLabel(AOwner) {
  FDataLink.OnDataChange = [this] { DataChange(); };
}

void TDBText::DataChange() {
  const TField* field = FDataLink.GetField();
  SetCaption(field != nullptr ? field->GetDisplayText() : std::string());
}

// ---- TDBEdit, TDBMemo -------------------------------------------------------------------------

const TClassInfo& TDBEdit::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TDBEdit>("TDBEdit")
          .Property("DataField", &TDBEdit::GetDataField, &TDBEdit::SetDataField)
          .Creatable()
          .Build();
  return info;
}

TDBEdit::TDBEdit(TComponent* AOwner)
    : TCustomEdit(AOwner),
      FBinding(
          FDataLink, [this] { return GetText(); },
          [this](const std::string& text) {
            const TField* field = GetField();
            SetMaxLength(field != nullptr && field->GetDataType() == TFieldType::ftString
                             ? field->GetSize()
                             : 0);
            SetTextWithoutChange(text);
          }) {}

void TDBEdit::Change() {
  FBinding.Typed();
  TCustomEdit::Change();
}

bool TDBEdit::EditCanModify() {
  return FDataLink.Edit();
}

void TDBEdit::DoExit() {
  FBinding.Flush();
  TCustomEdit::DoExit();
}

const TClassInfo& TDBMemo::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TDBMemo>("TDBMemo")
          .Property("DataField", &TDBMemo::GetDataField, &TDBMemo::SetDataField)
          .Creatable()
          .Build();
  return info;
}

TDBMemo::TDBMemo(TComponent* AOwner)
    : TCustomMemo(AOwner), FBinding(
                               FDataLink, [this] { return GetText(); },
                               [this](const std::string& text) { SetTextWithoutChange(text); }) {}

void TDBMemo::Change() {
  FBinding.Typed();
  TCustomMemo::Change();
}

bool TDBMemo::EditCanModify() {
  return FDataLink.Edit();
}

void TDBMemo::DoExit() {
  FBinding.Flush();
  TCustomMemo::DoExit();
}

// ---- TDBCheckBox ------------------------------------------------------------------------------

const TClassInfo& TDBCheckBox::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TDBCheckBox>("TDBCheckBox")
          .Property("DataField", &TDBCheckBox::GetDataField, &TDBCheckBox::SetDataField)
          .Property("ValueChecked", &TDBCheckBox::GetValueChecked, &TDBCheckBox::SetValueChecked)
          .Property("ValueUnchecked", &TDBCheckBox::GetValueUnchecked,
                    &TDBCheckBox::SetValueUnchecked)
          .Property("ReadOnly", &TDBCheckBox::GetReadOnly, &TDBCheckBox::SetReadOnly)
          .Creatable()
          .Build();
  return info;
}

TDBCheckBox::TDBCheckBox(TComponent* AOwner) : TCustomCheckBox(AOwner) {
  FDataLink.OnDataChange = [this] { DataChange(); };
}

void TDBCheckBox::SetValueChecked(const std::string& value) {
  FValueChecked = value;
  DataChange();
}

void TDBCheckBox::SetValueUnchecked(const std::string& value) {
  FValueUnchecked = value;
  DataChange();
}

void TDBCheckBox::DataChange() {
  TFlagGuard syncing(FSyncing);
  const TField* field = FDataLink.GetField();
  TCheckBoxState state = cbUnchecked;
  if (field != nullptr) {
    const std::string text = field->GetText();
    if (SameText(text, FValueChecked))
      state = cbChecked;
    else if (!SameText(text, FValueUnchecked) && GetAllowGrayed())
      state = cbGrayed;
  }
  SetStateQuietly(state);
}

void TDBCheckBox::SetReadOnly(bool readOnly) {
  if (SetLinkReadOnly(FDataLink, readOnly))
    Changed("ReadOnly");
}

void TDBCheckBox::Toggle() {
  if (!GetReadOnly() && FDataLink.Edit())
    TCustomCheckBox::Toggle();
}

void TDBCheckBox::StateChanged() {
  TField* field = FDataLink.GetField();
  if (FSyncing || field == nullptr || !FDataLink.GetEditing())
    return;
  if (GetState() == cbGrayed)
    field->Clear();
  else
    field->SetAsString(GetChecked() ? FValueChecked : FValueUnchecked);
}

// ---- TDBComboBox ------------------------------------------------------------------------------

const TClassInfo& TDBComboBox::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TDBComboBox>("TDBComboBox")
          .Property("DataField", &TDBComboBox::GetDataField, &TDBComboBox::SetDataField)
          .Property("ReadOnly", &TDBComboBox::GetReadOnly, &TDBComboBox::SetReadOnly)
          .Creatable()
          .Build();
  return info;
}

TDBComboBox::TDBComboBox(TComponent* AOwner) : TCustomComboBox(AOwner) {
  FDataLink.OnDataChange = [this] { DataChange(); };
}

void TDBComboBox::DataChange() {
  TFlagGuard syncing(FSyncing);
  const TField* field = FDataLink.GetField();
  const std::string text = field != nullptr ? field->GetText() : std::string();
  const int index = GetItems().IndexOf(text);
  SetItemIndexQuietly(index);
  if (index < 0 && GetStyle() != csDropDownList)
    SetTextQuietly(text);
}

void TDBComboBox::WriteField() {
  TField* field = FDataLink.GetField();
  if (!FSyncing && field != nullptr && FDataLink.GetEditing())
    field->SetText(GetText());
}

void TDBComboBox::SetReadOnly(bool readOnly) {
  if (SetLinkReadOnly(FDataLink, readOnly))
    Changed("ReadOnly");
}

void TDBComboBox::SelectItem(int index) {
  if (!GetReadOnly() && FDataLink.Edit())
    TCustomComboBox::SelectItem(index);
}

void TDBComboBox::InsertText(const std::string& text) {
  if (!GetReadOnly() && FDataLink.Edit())
    TCustomComboBox::InsertText(text);
}

void TDBComboBox::Change() {
  WriteField();
  TCustomComboBox::Change();
}

void TDBComboBox::Select() {
  WriteField();
  TCustomComboBox::Select();
}

// ---- TDBLookupComboBox ------------------------------------------------------------------------

// Follows the list dataset: its rows become the box's items.
class TDBLookupComboBox::TListLink : public TDataLink {
public:
  explicit TListLink(TDBLookupComboBox& owner) : FOwner(owner) {}

protected:
  void ActiveChanged() override { FOwner.RebuildList(); }
  void DataSetChanged() override { FOwner.RebuildList(); }
  void DataSetScrolled() override {}
  void EditingChanged() override {
    if (!GetEditing())
      FOwner.RebuildList();
  }

private:
  TDBLookupComboBox& FOwner;
};

const TClassInfo& TDBLookupComboBox::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TDBLookupComboBox>("TDBLookupComboBox")
          .Property("DataField", &TDBLookupComboBox::GetDataField, &TDBLookupComboBox::SetDataField)
          .Property("ListField", &TDBLookupComboBox::GetListField, &TDBLookupComboBox::SetListField)
          .Property("KeyField", &TDBLookupComboBox::GetKeyField, &TDBLookupComboBox::SetKeyField)
          .Property("ReadOnly", &TDBLookupComboBox::GetReadOnly, &TDBLookupComboBox::SetReadOnly)
          .Creatable()
          .Build();
  return info;
}

TDBLookupComboBox::TDBLookupComboBox(TComponent* AOwner)
    : TCustomComboBox(AOwner), FListLink(std::make_unique<TListLink>(*this)) {
  SetStyle(csDropDownList);
  FDataLink.OnDataChange = [this] { DataChange(); };
}

TDBLookupComboBox::~TDBLookupComboBox() = default;

TDataSource* TDBLookupComboBox::GetListSource() const {
  return FListLink->GetDataSource();
}

void TDBLookupComboBox::SetListSource(TDataSource* listSource) {
  FListLink->SetDataSource(listSource);
  RebuildList();
}

void TDBLookupComboBox::SetListField(const std::string& listField) {
  FListField = listField;
  RebuildList();
}

void TDBLookupComboBox::SetKeyField(const std::string& keyField) {
  FKeyField = keyField;
  RebuildList();
}

void TDBLookupComboBox::RebuildList() {
  if (FSyncing)
    return;
  TFlagGuard syncing(FSyncing);
  std::vector<Variant> keys;
  TStringList items;
  TDataSet* list = FListLink->GetDataSet();
  const bool readable =
      list != nullptr && list->GetActive() && list->GetState() == TDataSetState::dsBrowse &&
      list->FindField(FListField) != nullptr && list->FindField(FKeyField) != nullptr;
  if (readable) {
    const TField& shown = list->FieldByName(FListField);
    const TField& key = list->FieldByName(FKeyField);
    const int recNo = list->GetRecNo();
    list->DisableControls();
    try {
      for (list->First(); !list->GetEof(); list->Next()) {
        items.Add(shown.GetDisplayText());
        keys.push_back(key.GetAsVariant());
      }
      list->SetRecNo(recNo);
    } catch (...) {
      list->EnableControls();
      throw;
    }
    list->EnableControls();
  }
  FKeys = std::move(keys);
  GetItems().Assign(items);
  FSyncing = false;
  DataChange();
}

void TDBLookupComboBox::DataChange() {
  if (FSyncing)
    return;
  TFlagGuard syncing(FSyncing);
  const TField* field = FDataLink.GetField();
  int index = -1;
  if (field != nullptr && !field->IsNull()) {
    const Variant value = field->GetAsVariant();
    for (size_t i = 0; i < FKeys.size() && index < 0; ++i) {
      const bool same = value.IsNumeric() && FKeys[i].IsNumeric()
                            ? value.AsInt64() == FKeys[i].AsInt64()
                            : value.AsString() == FKeys[i].AsString();
      if (same)
        index = static_cast<int>(i);
    }
  }
  SetItemIndexQuietly(index);
}

Variant TDBLookupComboBox::GetKeyValue() const {
  const int index = GetItemIndex();
  return index >= 0 && index < static_cast<int>(FKeys.size()) ? FKeys[index] : Variant::Null();
}

void TDBLookupComboBox::SetReadOnly(bool readOnly) {
  if (SetLinkReadOnly(FDataLink, readOnly))
    Changed("ReadOnly");
}

void TDBLookupComboBox::SelectItem(int index) {
  if (index < 0 || index >= static_cast<int>(FKeys.size()) || GetReadOnly() || !FDataLink.Edit())
    return;
  FDataLink.GetField()->SetAsVariant(FKeys[index]);
  TCustomComboBox::SelectItem(index);
}

// ---- TDBRadioGroup ----------------------------------------------------------------------------

const TClassInfo& TDBRadioGroup::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TDBRadioGroup>("TDBRadioGroup")
          .Property("DataField", &TDBRadioGroup::GetDataField, &TDBRadioGroup::SetDataField)
          .Creatable()
          .Build();
  return info;
}

TDBRadioGroup::TDBRadioGroup(TComponent* AOwner) : TCustomRadioGroup(AOwner) {
  FDataLink.OnDataChange = [this] { DataChange(); };
  FValues.OnChange = [this](TStrings&) { DataChange(); };
}

void TDBRadioGroup::SetValues(const TStrings& values) {
  FValues.Assign(values);
}

std::string TDBRadioGroup::ValueOf(int index) const {
  if (index < FValues.Count())
    return FValues[index];
  return FValues.Count() == 0 && index < GetItems().Count() ? GetItems()[index] : std::string();
}

void TDBRadioGroup::DataChange() {
  const TField* field = FDataLink.GetField();
  int index = -1;
  if (field != nullptr && !field->IsNull()) {
    const std::string text = field->GetText();
    for (int i = 0; i < GetItems().Count() && index < 0; ++i)
      if (ValueOf(i) == text)
        index = i;
  }
  SetItemIndexQuietly(index);
}

void TDBRadioGroup::SelectItem(int index) {
  if (index < 0 || index >= GetItems().Count() || !FDataLink.Edit())
    return;
  FDataLink.GetField()->SetAsString(ValueOf(index));
  TCustomRadioGroup::SelectItem(index);
}

// ---- TDBImage ---------------------------------------------------------------------------------

const TClassInfo& TDBImage::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TDBImage>("TDBImage")
          .Property("DataField", &TDBImage::GetDataField, &TDBImage::SetDataField)
          .Creatable()
          .Build();
  return info;
}

TDBImage::TDBImage(TComponent* AOwner) : TImage(AOwner) {
  FDataLink.OnDataChange = [this] { LoadPicture(); };
  FDataLink.OnEditingChange = [this] {
    if (FDataLink.GetEditing())
      LoadPicture();
  };
  FDataLink.OnUpdateData = [this] { UpdateData(); };
}

void TDBImage::LoadPicture() {
  if (FChangedWhileEditing && FDataLink.GetEditing())
    return;
  TFlagGuard loading(FLoading);
  FChangedWhileEditing = false;
  const TField* field = FDataLink.GetField();
  try {
    GetPicture().LoadFromBytes(field != nullptr ? field->GetAsBytes() : TBytes{});
  } catch (const Exception&) {
    // Bytes that are no picture show as none; they stay in the field untouched.
    GetPicture().Clear();
  }
}

void TDBImage::PictureChanged() {
  TImage::PictureChanged();
  if (!FLoading)
    FChangedWhileEditing = FDataLink.GetEditing();
}

void TDBImage::UpdateData() {
  TField* field = FDataLink.GetField();
  if (!FChangedWhileEditing || field == nullptr)
    return;
  if (GetPicture().Empty())
    field->Clear();
  else
    field->SetAsBytes(GetPicture().GetData());
  FChangedWhileEditing = false;
}
