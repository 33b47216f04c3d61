#pragma once

// The design the reference-table forms share: a title bar with "Sair"; a strip with "Novo",
// "Salvar" and "Cancelar", whose availability follows the state of the table's query; a grid
// listing the table on the left; the current row's fields on the right.

#include "bridge/Duo.Forms.h"
#include "data/DBCtrls.h"
#include "data/DBGrids.h"
#include "data/Query.h"
#include "ui/Buttons.h"
#include "ui/ExtCtrls.h"
#include "ui/StdCtrls.h"

#include <initializer_list>
#include <string>
#include <utility>

namespace detail {

class TCadastroForm : public TDuoForm {
  DUO_CLASS(TCadastroForm, TDuoForm)

public:
  struct TLayout {
    const char* FormName;
    const char* Caption;
    TQuery* Query;
    TDataSource* DataSource;
    const char* KeyField;
    std::initializer_list<std::pair<const char*, int>> Columns;
    int ListagemWidth;
  };

  TCadastroForm(TComponent* AOwner, const TLayout& Layout);

  TPanel* pnButtons;
  TLabel* lblTituloTela;
  TBitBtn* btnSair;
  TPanel* pnlDados;
  TPanel* Panel1;
  TBitBtn* btnNovo;
  TBitBtn* btnSalvar;
  TBitBtn* btnCancelar;
  TGroupBox* gpbListagem;
  TDBGrid* DBGrid1;
  TGroupBox* gpbDetalhes;
  TDataSource* dtsStatus;

  // Appends a new row to the table's query.
  void btnNovoClick(TObject* Sender);
  // Stores the row being edited or entered and reads the table again; nothing while browsing.
  void btnSalvarClick(TObject* Sender);
  // Discards the changes of the row being edited or entered; nothing while browsing.
  void btnCancelarClick(TObject* Sender);
  // Closes the form's tab.
  void btnSairClick(TObject* Sender);
  // "Novo" while browsing; "Salvar" and "Cancelar" while a row is edited or entered.
  void dtsStatusStateChange(TObject* Sender);
  // The web page: the title bar, the three buttons, the grid and the detail controls, in the
  // office's template.
  void ExportDuo() override;

  TQuery& GetQuery() const { return *FQuery; }

protected:
  // The controls of "Detalhes", one label and one control per field, from the top down.
  TLabel* DetailLabel(const char* name, const char* caption);
  TDBEdit* DetailEdit(const char* name, const char* field, int width);
  TDBImage* DetailImage(const char* name, const char* field, int size);
  TDBLookupComboBox* DetailLookup(const char* name, const char* field, TDataSource* list,
                                  const char* listField, int width);
  TDBRadioGroup* DetailRadioGroup(const char* name, const char* caption, const char* field,
                                  std::initializer_list<std::pair<const char*, const char*>> items);

private:
  TQuery* FQuery;
  TDataSource* FDataSource;
  std::string FKeyField;
  int FNextTop = 24;
};

} // namespace detail
