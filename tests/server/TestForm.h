#pragma once

// A small form for serving tests: an edit, a check box, a combo box, a button whose handler reads
// them into a label, and a button that asks a question in the browser.

#include "bridge/Duo.Forms.h"
#include "bridge/Duo.Item.Upload.h"
#include "bridge/Duo.h"
#include "ui/StdCtrls.h"

#include <string>

namespace servertest {

class TTestForm : public TDuoForm {
  DUO_CLASS(TTestForm, TDuoForm)

public:
  explicit TTestForm(TComponent* AOwner) : TDuoForm(AOwner) {
    SetFormName("fTest");
    edtName = Make<TEdit>("edtName");
    chkAgree = Make<TCheckBox>("chkAgree");
    chkAgree->SetCaption("Agree");
    cmbColour = Make<TComboBox>("cmbColour");
    cmbColour->GetItems().Add("Red");
    cmbColour->GetItems().Add("Green");
    cmbColour->GetItems().Add("Blue");
    btnRead = Make<TButton>("btnRead");
    btnRead->SetCaption("Read");
    btnRead->OnClick = [this](TObject*) {
      lblResult->SetCaption(edtName->GetText() + "|" + (chkAgree->GetChecked() ? "on" : "off") +
                            "|" + cmbColour->GetText());
    };
    btnAsk = Make<TButton>("btnAsk");
    btnAsk->SetCaption("Ask");
    btnAsk->OnClick = [this](TObject*) {
      const int answer = MessageDlg("Continue?", mtConfirmation, mbYesNo, 0);
      lblResult->SetCaption(answer == mrYes ? "answered yes" : "answered no");
    };
    lblResult = Make<TLabel>("lblResult");
    lblResult->SetCaption("nothing yet");
  }

  void ExportDuo() override {
    SetTitle("Test form");
    ExportDuoAllControls();
  }

  TEdit* edtName;
  TCheckBox* chkAgree;
  TComboBox* cmbColour;
  TButton* btnRead;
  TButton* btnAsk;
  TLabel* lblResult;

  // The last grid cell-button click the form heard.
  struct TCellButtonClick {
    TFacetDBGrid* Grid = nullptr;
    TFacetDBGridColumnButton* Button = nullptr;
    int ColIndex = -1;
    int Row = -1;
  } LastCellButton;
  void CellButtonClick(TFacetDBGrid* AGrid, TFacetDBGridColumnButton* AButton, int AColIndex,
                       int ARow) override {
    LastCellButton = {AGrid, AButton, AColIndex, ARow};
  }

protected:
  template <class T> T* Make(const std::string& AName) {
    T* control = new T(this);
    control->SetName(AName);
    control->SetParent(this);
    return control;
  }
};

inline const TClassInfo& TTestForm::StaticClass() {
  static const TClassInfo info = TClassBuilder<TTestForm>("TTestForm").Creatable().Build();
  return info;
}

// A form whose page template is missing.
class TBrokenForm : public TDuoForm {
  DUO_CLASS(TBrokenForm, TDuoForm)

public:
  explicit TBrokenForm(TComponent* AOwner) : TDuoForm(AOwner) { SetFormName("fBroken"); }
  void ExportDuo() override { SetTemplateFiles("", "pages\\missing.html"); }
};

inline const TClassInfo& TBrokenForm::StaticClass() {
  static const TClassInfo info = TClassBuilder<TBrokenForm>("TBrokenForm").Creatable().Build();
  return info;
}

// The test form with an upload item: a page that takes files from the browser.
class TUploadForm : public TTestForm {
  DUO_CLASS(TUploadForm, TTestForm)

public:
  explicit TUploadForm(TComponent* AOwner) : TTestForm(AOwner) { SetFormName("fUpload"); }
  void ExportDuo() override {
    TTestForm::ExportDuo();
    GetDuo()->Items.Add().Upload("Send");
  }
};

inline const TClassInfo& TUploadForm::StaticClass() {
  static const TClassInfo info = TClassBuilder<TUploadForm>("TUploadForm").Creatable().Build();
  return info;
}

} // namespace servertest
