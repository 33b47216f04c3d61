#pragma once

// Adapters of the data-aware controls: each hands over its data source and field besides the
// state of its plain counterpart.

#include "bridge/Duo.UIObj.Common.h"
#include "data/DBCtrls.h"

class TUIObjTDBText : public detail::TUIObjOf<TDBText, &TDBText::StaticClass,
                                              IDuoFrameworkItemDBText, &IDuoFrameworkType::DBText> {
public:
  using TUIObjOf::TUIObjOf;
  std::string CSSClass() const override { return "form-control-plaintext"; }
  void ProcessPropertyClass(IFacetControl& NewObj) override;
  void ProcessEventClass() override;
};

class TUIObjTDBEdit : public detail::TUIObjOf<TDBEdit, &TDBEdit::StaticClass,
                                              IDuoFrameworkItemDBEdit, &IDuoFrameworkType::DBEdit> {
public:
  using TUIObjOf::TUIObjOf;
  std::string CSSClass() const override { return "form-control"; }
  void ProcessPropertyClass(IFacetControl& NewObj) override;
  void ProcessEventClass() override;
};

class TUIObjTDBMemo : public detail::TUIObjOf<TDBMemo, &TDBMemo::StaticClass,
                                              IDuoFrameworkItemDBMemo, &IDuoFrameworkType::DBMemo> {
public:
  using TUIObjOf::TUIObjOf;
  std::string CSSClass() const override { return "form-control"; }
  void ProcessPropertyClass(IFacetControl& NewObj) override;
  void ProcessEventClass() override;
};

// Its text follows the field, so the text is never copied by name.
class TUIObjTDBComboBox
    : public detail::TUIObjOf<TDBComboBox, &TDBComboBox::StaticClass, IDuoFrameworkItemDBCombobox,
                              &IDuoFrameworkType::DBCombobox> {
public:
  using TUIObjOf::TUIObjOf;
  std::string CSSClass() const override { return "form-select"; }
  std::vector<std::string> PropertyCopyList() const override;
  void ProcessPropertyClass(IFacetControl& NewObj) override;
  void ProcessEventClass() override;
};

// Its text follows the field, so the text is never copied by name.
class TUIObjTDBLookupComboBox
    : public detail::TUIObjOf<TDBLookupComboBox, &TDBLookupComboBox::StaticClass,
                              IDuoFrameworkItemDBLookupCombobox,
                              &IDuoFrameworkType::DBLookupCombobox> {
public:
  using TUIObjOf::TUIObjOf;
  std::string CSSClass() const override { return "form-select"; }
  std::vector<std::string> PropertyCopyList() const override;
  void ProcessPropertyClass(IFacetControl& NewObj) override;
  void ProcessEventClass() override;
};

class TUIObjTDBCheckBox
    : public detail::TUIObjOf<TDBCheckBox, &TDBCheckBox::StaticClass, IDuoFrameworkItemDBCheckBox,
                              &IDuoFrameworkType::DBCheckBox> {
public:
  using TUIObjOf::TUIObjOf;
  std::string CSSClass() const override { return "form-check-input"; }
  void ProcessPropertyClass(IFacetControl& NewObj) override;
  void ProcessEventClass() override;
};

// A data-aware picture box is shown as an image: its picture, whether loaded from its field or
// set by the form.
class TUIObjTDBImage : public detail::TUIObjOf<TDBImage, &TDBImage::StaticClass,
                                               IDuoFrameworkItemImage, &IDuoFrameworkType::Image> {
public:
  using TUIObjOf::TUIObjOf;
  std::string CSSClass() const override { return "rounded float-left img-fluid"; }
  void ProcessPropertyClass(IFacetControl& NewObj) override;
  // An image hands over no events.
  void ProcessEventClass() override {}
};
