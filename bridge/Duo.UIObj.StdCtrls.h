#pragma once

// Adapters of the standard controls: label, edit, buttons, memo, combo box, check box, radio
// button, date picker and image.

#include "bridge/Duo.UIObj.Common.h"
#include "ui/Buttons.h"
#include "ui/ComCtrls.h"
#include "ui/ExtCtrls.h"

// A label as plain text.
class TUIObjTLabel : public detail::TUIObjOf<TLabel, &TLabel::StaticClass, IDuoFrameworkItemLabel,
                                             &IDuoFrameworkType::Text> {
public:
  using TUIObjOf::TUIObjOf;
  std::string CSSClass() const override { return "form-control-plaintext"; }
  void ProcessPropertyClass(IFacetControl& NewObj) override;
  void ProcessEventClass() override;
};

// A text box: labelled edits are served as edits.
class TUIObjTEdit : public detail::TUIObjOf<TCustomEdit, &TEdit::StaticClass, IDuoFrameworkItemEdit,
                                            &IDuoFrameworkType::Edit> {
public:
  using TUIObjOf::TUIObjOf;
  std::string CSSClass() const override { return "form-control"; }
  void ProcessPropertyClass(IFacetControl& NewObj) override;
  void ProcessEventClass() override;
};

// A push button: picture buttons are served as push buttons.
class TUIObjTButton : public detail::TUIObjOf<TWinControl, &TButton::StaticClass,
                                              IDuoFrameworkItemButton, &IDuoFrameworkType::Button> {
public:
  using TUIObjOf::TUIObjOf;
  std::string CSSClass() const override { return "btn"; }
  bool IsButton() const override { return true; }
  void ProcessPropertyClass(IFacetControl& NewObj) override;
  void ProcessEventClass() override;
};

// A tool button, shown as a push button.
class TUIObjTSpeedButton
    : public detail::TUIObjOf<TSpeedButton, &TSpeedButton::StaticClass, IDuoFrameworkItemButton,
                              &IDuoFrameworkType::Button> {
public:
  using TUIObjOf::TUIObjOf;
  std::string CSSClass() const override { return "btn"; }
  bool IsButton() const override { return true; }
  void ProcessPropertyClass(IFacetControl& NewObj) override;
  void ProcessEventClass() override;
};

class TUIObjTMemo : public detail::TUIObjOf<TCustomMemo, &TMemo::StaticClass, IDuoFrameworkItemMemo,
                                            &IDuoFrameworkType::Memo> {
public:
  using TUIObjOf::TUIObjOf;
  std::string CSSClass() const override { return "form-control"; }
  void ProcessPropertyClass(IFacetControl& NewObj) override;
  void ProcessEventClass() override;
};

// A combo box: search combo boxes are served as combo boxes.
class TUIObjTComboBox
    : public detail::TUIObjOf<TCustomComboBox, &TComboBox::StaticClass, IDuoFrameworkItemCombobox,
                              &IDuoFrameworkType::Combobox> {
public:
  using TUIObjOf::TUIObjOf;
  std::string CSSClass() const override { return "form-select"; }
  void ProcessPropertyClass(IFacetControl& NewObj) override;
  void ProcessEventClass() override;
};

class TUIObjTCheckBox
    : public detail::TUIObjOf<TCustomCheckBox, &TCheckBox::StaticClass, IDuoFrameworkItemCheckBox,
                              &IDuoFrameworkType::CheckBox> {
public:
  using TUIObjOf::TUIObjOf;
  std::string CSSClass() const override { return "form-check-input"; }
  void ProcessPropertyClass(IFacetControl& NewObj) override;
  void ProcessEventClass() override;
};

// A radio button, shown as a check box.
class TUIObjTRadioButton
    : public detail::TUIObjOf<TRadioButton, &TRadioButton::StaticClass, IDuoFrameworkItemCheckBox,
                              &IDuoFrameworkType::CheckBox> {
public:
  using TUIObjOf::TUIObjOf;
  std::string CSSClass() const override { return "form-check-input"; }
  void ProcessPropertyClass(IFacetControl& NewObj) override;
  void ProcessEventClass() override;
};

// A date picker, shown as a date edit whose text is the date in the short date format.  It has no
// read-only flag of its own: a disabled picker counts as read-only.
class TUIObjTDateTimePicker
    : public detail::TUIObjOf<TDateTimePicker, &TDateTimePicker::StaticClass, IDuoFrameworkItemEdit,
                              &IDuoFrameworkType::Edit> {
public:
  using TUIObjOf::TUIObjOf;
  std::string CSSClass() const override { return "form-control"; }
  void ProcessPropertyClass(IFacetControl& NewObj) override;
  void ProcessEventClass() override;
};

class TUIObjTImage : public detail::TUIObjOf<TImage, &TImage::StaticClass, IDuoFrameworkItemImage,
                                             &IDuoFrameworkType::Image> {
public:
  using TUIObjOf::TUIObjOf;
  std::string CSSClass() const override { return "rounded float-left img-fluid"; }
  void ProcessPropertyClass(IFacetControl& NewObj) override;
  // An image hands over no events.
  void ProcessEventClass() override {}
};
