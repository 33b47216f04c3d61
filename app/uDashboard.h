#pragma once

// The dashboard: the counts of new, in-progress and finished requests and of requests per type,
// as read at login, and every request, newest first.

#include "bridge/Duo.Forms.h"
#include "data/DBCtrls.h"
#include "data/DBGrids.h"
#include "ui/ExtCtrls.h"
#include "ui/StdCtrls.h"

class TfDashboard : public TDuoForm {
  DUO_CLASS(TfDashboard, TDuoForm)

public:
  explicit TfDashboard(TComponent* AOwner);

  TPanel* Panel1;
  TGroupBox* GroupBox1;
  TDBText* DBText1;
  TGroupBox* GroupBox2;
  TDBText* DBText2;
  TGroupBox* GroupBox3;
  TDBText* DBText3;
  TImage* Image1;
  TPanel* Panel2;
  TGroupBox* gpbTipoSolicitacoes;
  TDBGrid* dbgTipoSolicitacoes;
  TPanel* pnlDash1;
  TGroupBox* gpbNovasSolicitacoes;
  TDBGrid* dbgNovasSolicitacoes;

  // Rebuilds the shared request query with the newest requests first.
  void FormCreate(TObject* Sender);

  // The dashboard page: the two grids in their panels; the counts come through template tags.
  void ExportDuo() override;
  // Answers the tags QT_NOVAS, QT_ANDAMENTO and QT_FINALIZADAS (letter case included) with the
  // counts read at login; leaves every other tag alone.
  void TagHTML(const std::string& TagString, std::string& ReplaceTag) override;
};
