#pragma once
#include "app/Acesso.h"
#include "app/SessionGlobal.h"
#include "data/Connection.h"
#include "data/DB.h"
#include "data/Query.h"
#include "runtime/Component.h"

#include <optional>
#include <string>

// The application's single holder of database state: the connection, every query the forms use
// and one data source per query.  Forms bind their controls to the data sources and call the
// queries directly.
class TDM : public TComponent {
  DUO_CLASS(TDM, TComponent)
public:
  explicit TDM(TComponent* AOwner);
  // Clears DM when it refers to this module.
  ~TDM() override;

  TConnection* conBD;

  TQuery* qryPrefeitura;
  TQuery* qryLisSolicitacao;
  TQuery* qrySolicitacao;
  TQuery* qrySituacao;
  TQuery* qryTipoSolicitacao;
  TQuery* qryUnidades;
  TQuery* qryTipoUnidade;
  TQuery* qryTipoUsuario;
  TQuery* qryLisUsuario;
  TQuery* qryUsuario;
  TQuery* qryDashQt;
  TQuery* qryDashTipo;

  TDataSource* dtsPrefeitura;
  TDataSource* dtsLisSolicitacao;
  TDataSource* dtsSolicitacao;
  TDataSource* dtsSituacao;
  TDataSource* dtsTipoSolicitacao;
  TDataSource* dtsUnidades;
  TDataSource* dtsTipoUnidade;
  TDataSource* dtsTipoUsuario;
  TDataSource* dtsLisUsuarios;
  TDataSource* dtsUsuario;
  TDataSource* dtsDashQt;
  TDataSource* dtsDashTipo;

  // Connects with the database settings of `configFile` ("Config.ini" beside the program when
  // empty; the built-in settings when it does not exist).  An embedded database file that does
  // not exist yet is created with the schema, procedures and starting data; a database on a
  // server is never created.
  void Connect(const std::string& configFile = {});
  // The program's start-up on its database, once per run (the web server's own attachment, the
  // desktop start): connects as Connect does, brings an older embedded database up to date or
  // refuses a database the program cannot use (UpgradeSchema: newer than the program, or older
  // and on a server), then stores as hashes the passwords the database still holds as typed.
  // Raises an Exception that says why the program cannot start.
  void ConnectAtStart(const std::string& configFile = {});
  // Opens the queries the forms start from, in this order: qryPrefeitura, qrySituacao,
  // qryTipoSolicitacao, qryUnidades, qryTipoUnidade, qryTipoUsuario, qryDashQt, qryDashTipo,
  // qryLisUsuario, qryLisSolicitacao (oldest request first, as BuscaSolicitacoes("") reads it).
  void OpenQueries();
  // Rebuilds and reopens qryLisSolicitacao with every request, newest first for
  // "DATA_DESCENDING" and oldest first for anything else.  Its local filter stays as it is.
  void BuscaSolicitacoes(std::string cORDER);
  // Clears qryLisSolicitacao's SQL and writes its select list, FROM, joins and "WHERE 1=1", line
  // by line as the request list and the dashboard rebuild it, with a citizen's own requests as
  // the only ones; the caller adds its conditions ("AND ...") and the order.
  void BeginListaSolicitacoesSQL();
  // The user whose login is exactly `login` (letter case and blanks included) and whose password
  // is `senha`, with the access level of the user's type; nothing when no such user exists or the
  // type has no valid level.  A password still kept as typed is accepted and stored as a hash at
  // once, as is one hashed at a lower cost than the program uses now.
  std::optional<TUsuarioLogado> ConfereLogin(const std::string& login, const std::string& senha);
  // Stores `senha` as the password of the user row `id`, as a hash.
  void GravaSenha(int64_t id, const std::string& senha);
  // Stores as a hash every password still kept as typed; returns how many.  A password that
  // changes meanwhile (another process hashing it, a user saving a new one) is left to that
  // change.
  int HashTypedPasswords();

  void qrySolicitacaoNewRecord(TDataSet* DataSet);
  void qrySituacaoNewRecord(TDataSet* DataSet);
  void qryTipoSolicitacaoNewRecord(TDataSet* DataSet);
  void qryUnidadesNewRecord(TDataSet* DataSet);
  void qryTipoUnidadeNewRecord(TDataSet* DataSet);
  void qryTipoUsuarioNewRecord(TDataSet* DataSet);
  // A new user gets key 0 (the database numbers it) and a fresh random access key, so that a
  // user filled in on the form can be saved.
  void qryUsuarioNewRecord(TDataSet* DataSet);

  // "Config.ini" beside the running program.
  static std::string DefaultConfigFile();

  // The desktop program's start-up: connect, log in, open the queries, run the menu; returns
  // when the menu closes (app/uDMCreate.cpp).
  void DataModuleCreate(TObject* Sender);
};

// The application's data module.
extern TSessionGlobal<TDM> DM;
