#pragma once

// The staff's working list of requests: narrowed by status (a new query) and by a text typed
// into a search box (a filter on the rows already read); opens the request form for a new
// request or for the selected one.

#include "bridge/Duo.Forms.h"
#include "data/DBGrids.h"
#include "ui/Buttons.h"
#include "ui/ComCtrls.h"
#include "ui/ExtCtrls.h"
#include "ui/StdCtrls.h"

#include <cstdint>
#include <vector>

class TfLisSolicitacoes : public TDuoForm {
  DUO_CLASS(TfLisSolicitacoes, TDuoForm)

public:
  explicit TfLisSolicitacoes(TComponent* AOwner);

  TPanel* pnlTituloTela;
  TLabel* lblTituloTela;
  TBitBtn* btnSair;
  TGroupBox* gpbFiltragem;
  TPanel* pnlFiltragem;
  TLabel* lblSituacao;
  TComboBox* cbbSituacao;
  TLabel* lblPesquisa;
  TEdit* edtPesquisa;
  TLabel* lblDtInicial;
  TDateTimePicker* dtpDtInicial;
  TLabel* lblDtFinal;
  TDateTimePicker* dtpDtFinal;
  TButton* btnBuscar;
  TGroupBox* gpbTarefas;
  TPanel* pnlBotoes;
  TBitBtn* btnNovo;
  TBitBtn* btnAlterar;
  // Shown when the browser's grid leaves requests out: how many it shows of how many.
  TLabel* lblLimite;
  TDBGrid* dbgTarefas;

  // The request list page: title bar, filters and the request grid with its buttons.
  void ExportDuo() override;
  // The most requests the browser's grid receives.
  static constexpr int MaxRegistrosWeb = 2000;

  // The request grid pages by 10 rows and sends at most MaxRegistrosWeb requests.
  void InitControlsDuo(TFacetControl* FacetControl) override;

  // Fills the status box: "Todos", then one item per status.
  void FormCreate(TObject* Sender);
  void FormShow(TObject* Sender);
  void cbbSituacaoChange(TObject* Sender);
  void edtPesquisaChange(TObject* Sender);
  void btnNovoClick(TObject* Sender);
  void btnAlterarClick(TObject* Sender);
  void btnSairClick(TObject* Sender);

  // Reads the requests again, with the chosen status when one is chosen, newest first, and
  // applies the search text to them.
  void BuscarDados();
  // Shows only the rows whose text contains the search text (case-sensitive; "%" and "_" keep
  // their wildcard meaning), or every row when the search box is empty; then tells the browser's
  // user when more rows remain than its grid receives.
  void FiltrarDados();

private:
  // The status ids in the order of the box's items after "Todos".
  std::vector<int64_t> FSituacaoIds;
  // Rows were read when the form was shown, for the page the browser loads next; the page's
  // loaded event ends that.
  bool FRowsForPage = false;

  // Shows lblLimite in the browser while the list has more rows than its grid receives.
  void MostrarLimite();

  // Opens the request form on the request query as it was prepared, then closes the query.
  void MostrarSolicitacao();
};
