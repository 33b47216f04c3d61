#pragma once

// The city hall's single row: its name and its logo.  The logo can be pasted from the clipboard
// or taken from a picture file of at most 1 MiB.

#include "bridge/Duo.Forms.h"
#include "data/DBCtrls.h"
#include "ui/Buttons.h"
#include "ui/Dialogs.h"
#include "ui/ExtCtrls.h"
#include "ui/Menus.h"
#include "ui/StdCtrls.h"

class TfCadPrefeitura : public TDuoForm {
  DUO_CLASS(TfCadPrefeitura, TDuoForm)

public:
  explicit TfCadPrefeitura(TComponent* AOwner);

  TPanel* pnButtons;
  TLabel* lblTituloTela;
  TBitBtn* btnSair;
  TPanel* pnlDados;
  TLabel* lblIdPrefeitura;
  TDBEdit* dbeIdPrefeitura;
  TLabel* lblNomePrefeitura;
  TDBEdit* dbeNomePrefeitura;
  TLabel* lblLogoPrefeitura;
  TDBImage* dbiLogo;
  TBitBtn* btnSalvar;
  TBitBtn* btnCancelar;
  TPopupMenu* ppmMenu;
  TMenuItem* ColardareadeTransferncia1;
  TMenuItem* Anexarimagem1;
  TOpenDialog* odlIMAGEPR;
  TDataSource* dtsStatus;

  void btnSalvarClick(TObject* Sender);
  void btnCancelarClick(TObject* Sender);
  void btnSairClick(TObject* Sender);
  // "Salvar" and "Cancelar" only while the row is edited.
  void dtsStatusStateChange(TObject* Sender);
  // Takes the clipboard's picture as the logo, when it holds one.
  void ColardareadeTransferncia1Click(TObject* Sender);
  // Takes a picture file chosen by the user as the logo.
  void Anexarimagem1Click(TObject* Sender);
  // In the browser: takes the picture file sent through the page's upload item as the logo.
  void FormUpload(TStrings* AFiles, TObject* Sender);
  // The web page: the row's fields, the logo with its upload item, "Salvar" and "Cancelar".
  void ExportDuo() override;

private:
  // Replaces the logo with the row in edit state, so that "Salvar" stores it.
  void TrocarLogo(const TPicture& Picture);
};
