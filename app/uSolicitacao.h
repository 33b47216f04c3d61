#pragma once

// The request form: one citizen's request, new or existing, for entry or change.  Every data
// control writes into the current record of the data module's request query, which the request
// list prepares before showing the form and closes after it.

#include "app/SessionGlobal.h"
#include "bridge/Duo.Forms.h"
#include "data/DBCtrls.h"
#include "runtime/Variant.h"
#include "ui/Buttons.h"
#include "ui/ExtCtrls.h"
#include "ui/StdCtrls.h"

class TfSolicitacao : public TDuoForm {
  DUO_CLASS(TfSolicitacao, TDuoForm)

public:
  explicit TfSolicitacao(TComponent* AOwner);
  ~TfSolicitacao() override;

  TPanel* pnButtons;
  TLabel* lblTituloTela;
  TBitBtn* btnSair;
  TLabel* lblControle;
  TDBEdit* dbeControle;
  TLabel* lblTipo;
  TDBLookupComboBox* cbbTipo;
  TLabel* lblData;
  TDBEdit* dbeData;
  TLabel* lblDescricao;
  TDBEdit* dbeDescricao;
  TLabel* lblUnidade;
  TDBLookupComboBox* cbbUnidade;
  TLabel* lblSituacao;
  TDBLookupComboBox* cbbSituacao;
  TGroupBox* gpbFotos;
  TDBImage* dbiImage1;
  TDBImage* dbiImage2;
  TDBImage* dbiImage3;
  TDBImage* dbiImage4;
  TDBImage* dbiImage5;
  TBitBtn* btnSalvar;
  TBitBtn* btnCancelar;

  // The request page: title bar, one row per field, the photos and the two buttons.
  void ExportDuo() override;

  // Stores the request being edited or entered, and keeps showing it as stored.
  void btnSalvarClick(TObject* Sender);
  // Discards the changes made since the request was opened or last saved.
  void btnCancelarClick(TObject* Sender);
  // Closes the form, ending its modal run.
  void btnSairClick(TObject* Sender);

private:
  // For a citizen: the status box is disabled, the unit box too unless the request is new, and
  // the request's status and unit as stored are kept to be written back on saving.
  void GuardarSituacaoEUnidade();
  // A citizen's request's status and unit as stored when the form opened or last saved.
  Variant FSituacaoGuardada;
  Variant FUnidadeGuardada;
};

extern TSessionGlobal<TfSolicitacao> fSolicitacao;
