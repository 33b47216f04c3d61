#include "ui/Buttons.h"
#include "ui/ComCtrls.h"
#include "ui/Dialogs.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/Menus.h"
#include "ui/StdCtrls.h"

namespace detail {

// Class information is registered by name the first time a class's StaticClass() runs; running
// them all here makes every control class known by name before any is created.
void RegisterControlClasses() {
  static const bool registered = [] {
    for (const TClassInfo* info :
         {&TControl::StaticClass(),        &TWinControl::StaticClass(),
          &TGraphicControl::StaticClass(), &TLabel::StaticClass(),
          &TCustomEdit::StaticClass(),     &TEdit::StaticClass(),
          &TCustomMemo::StaticClass(),     &TMemo::StaticClass(),
          &TButton::StaticClass(),         &TCustomCheckBox::StaticClass(),
          &TCheckBox::StaticClass(),       &TRadioButton::StaticClass(),
          &TCustomComboBox::StaticClass(), &TComboBox::StaticClass(),
          &TCustomGroupBox::StaticClass(), &TGroupBox::StaticClass(),
          &TCustomPanel::StaticClass(),    &TPanel::StaticClass(),
          &TImage::StaticClass(),          &TCustomRadioGroup::StaticClass(),
          &TRadioGroup::StaticClass(),     &TLabeledEdit::StaticClass(),
          &TBitBtn::StaticClass(),         &TSpeedButton::StaticClass(),
          &TTabSheet::StaticClass(),       &TPageControl::StaticClass(),
          &TDateTimePicker::StaticClass(), &TCustomForm::StaticClass(),
          &TForm::StaticClass(),           &TApplication::StaticClass(),
          &TMenuItem::StaticClass(),       &TMenu::StaticClass(),
          &TMainMenu::StaticClass(),       &TPopupMenu::StaticClass(),
          &TOpenDialog::StaticClass()})
      (void)info;
    return true;
  }();
  (void)registered;
}

} // namespace detail
