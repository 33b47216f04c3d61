#include "app/uDM.h"

#include "app/SchemaVersion.h"
#include "app/db/DatabaseScripts.h"
#include "data/DataTexts.h"
#include "data/DatabaseError.h"
#include "data/Win1252.h"
#include "runtime/Password.h"
#include "runtime/Random.h"

#include <filesystem>
#include <initializer_list>
#include <iostream>
#include <mutex>
#include <utility>
#include <vector>

namespace {

using TLabels = std::initializer_list<std::pair<const char*, const char*>>;

TQuery* MakeQuery(TDM& owner, TConnection* connection, const char* name,
                  const std::vector<const char*>& sql, TLabels labels) {
  auto* query = new TQuery(&owner);
  query->SetName(name);
  query->SetConnection(connection);
  TStrings& lines = query->GetSQL();
  lines.BeginUpdate();
  for (const char* line : sql)
    lines.Add(line);
  lines.EndUpdate();
  for (const auto& [field, label] : labels)
    query->DefineField(field).SetDisplayLabel(label);
  return query;
}

TDataSource* MakeSource(TDM& owner, const char* name, TQuery* query) {
  auto* source = new TDataSource(&owner);
  source->SetName(name);
  source->SetDataSet(query);
  return source;
}

// The refusals the office's staff can cause, in their language, naming fields by their labels.
TDataTexts PortugueseDataTexts() {
  TDataTexts texts;
  texts.Required = "O campo \"{field}\" precisa ser preenchido";
  texts.NotInteger = "\"{value}\" não é um número inteiro válido para o campo \"{field}\"";
  texts.NotNumber = "\"{value}\" não é um número válido para o campo \"{field}\"";
  texts.NotDate = "\"{value}\" não é uma data válida para o campo \"{field}\"";
  texts.NotTime = "\"{value}\" não é uma hora válida para o campo \"{field}\"";
  texts.NotDateTime = "\"{value}\" não é uma data e hora válida para o campo \"{field}\"";
  texts.OutOfRange = "{value} está fora dos limites do campo \"{field}\"";
  texts.TooLong =
      "O texto de {length} caracteres é maior que os {max} permitidos no campo \"{field}\"";
  texts.NotStorable = "O caractere \"{character}\" não pode ser gravado no campo \"{field}\"; "
                      "remova-o e tente de novo";
  texts.RecordChanged = "O registro foi alterado por outro usuário depois de ser lido; nada foi "
                        "salvo. Cancele e recarregue o registro para ver as alterações do outro "
                        "usuário";
  texts.RecordDeleted = "O registro foi excluído por outro usuário; nada foi salvo";
  texts.RecordLocked = "Outro usuário está salvando o mesmo registro neste momento; nada foi "
                       "salvo. Tente de novo em instantes";
  texts.DuplicateKey = "Já existe um registro com a mesma chave; nada foi salvo";
  texts.RecordReferenced = "O registro é usado por outros registros e não pode ser excluído, ou "
                           "se refere a um registro que não existe; nada foi salvo";
  texts.ConnectionLost = "A conexão com o banco de dados foi perdida; a próxima operação conecta "
                         "de novo";
  return texts;
}

std::filesystem::path ProgramFolder() {
  std::error_code error;
  const auto program = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::current_path() : program.parent_path();
}

// The select list and joins that the request queries share, line by line as the request list
// and the dashboard rebuild the list's SQL.
constexpr std::initializer_list<const char*> RequestSelect = {
    "SELECT",
    "  SOL.ID_SOLICITACAO,",
    "  SOL.DATA_SOLICITACAO,",
    "  SOL.SOLICITACAO,",
    "  SOL.ID_USUARIO,",
    "  SOL.ID_PREFEITURA,",
    "  SOL.ID_SITUACAO,",
    "  SOL.ID_TIPO,",
    "  SOL.ID_UNIDADE,",
    "  USU.NOME_USUARIO,",
    "  SIT.NOME_SITUACAO,",
    "  TPS.NOME_TIPO,",
    "  UNI.NOME_UNIDADE",
    "FROM",
    "  SOLICITACAO SOL",
    "  LEFT JOIN USUARIO          USU ON USU.ID_USUARIO  = SOL.ID_USUARIO",
    "  LEFT JOIN SITUACAO         SIT ON SIT.ID_SITUACAO = SOL.ID_SITUACAO",
    "  LEFT JOIN TIPO_SOLICITACAO TPS ON TPS.ID_TIPO     = SOL.ID_TIPO",
    "  LEFT JOIN UNIDADE          UNI ON UNI.ID_UNIDADE  = SOL.ID_UNIDADE"};

} // namespace

const TClassInfo& TDM::StaticClass() {
  static const TClassInfo info = TClassBuilder<TDM>("TDM").Creatable().Build();
  return info;
}

TDM::TDM(TComponent* AOwner) : TComponent(AOwner) {
  static std::once_flag textsSet;
  std::call_once(textsSet, [] { SetDataTexts(PortugueseDataTexts()); });
  conBD = new TConnection(this);
  conBD->SetName("conBD");
  TStrings& params = conBD->GetParams();
  params.SetValue("DriverID", "FB");
  params.SetValue("Port", "3050");
  params.SetValue("Protocol", "TCPIP");
  params.SetValue("Database", (ProgramFolder() / "Brenvox.fdb").string());
  params.SetValue("User_Name", "SYSDBA");
  params.SetValue("Password", "tulipvane");
  params.SetValue("CharacterSet", "WIN1252");
  conBD->SetLoginPrompt(false);

  qryPrefeitura = MakeQuery(
      *this, conBD, "qryPrefeitura",
      {"SELECT", "ID_PREFEITURA,", "NOME_PREFEITURA,", "LOGO_PREFEITURA", "FROM", "PREFEITURA"},
      {{"ID_PREFEITURA", "Id Prefeitura"},
       {"NOME_PREFEITURA", "Nome Prefeitura"},
       {"LOGO_PREFEITURA", "Logo Prefeitura"}});

  std::vector<const char*> list(RequestSelect);
  list.insert(list.end(), {"ORDER BY", "SOL.DATA_SOLICITACAO"});
  qryLisSolicitacao = MakeQuery(*this, conBD, "qryLisSolicitacao", list,
                                {{"ID_SOLICITACAO", "Controle"},
                                 {"DATA_SOLICITACAO", "Data Solicitação"},
                                 {"SOLICITACAO", "Descrição"},
                                 {"NOME_USUARIO", "Usuário"},
                                 {"NOME_SITUACAO", "Situação"},
                                 {"NOME_TIPO", "Tipo"},
                                 {"NOME_UNIDADE", "Unidade"}});
  qryLisSolicitacao->FieldByName("ID_SOLICITACAO").SetDisplayFormat("00000000");

  std::vector<const char*> single(RequestSelect);
  single.push_back("WHERE SOL.ID_SOLICITACAO = :P_ID_SOLICITACAO");
  qrySolicitacao = MakeQuery(*this, conBD, "qrySolicitacao", single,
                             {{"ID_SOLICITACAO", "Id Solicitação"},
                              {"DATA_SOLICITACAO", "Data Solicitação"},
                              {"SOLICITACAO", "Descrição"},
                              {"ID_TIPO", "Tipo"},
                              {"ID_UNIDADE", "Unidade"},
                              {"ID_SITUACAO", "Situação"},
                              {"ID_USUARIO", "Usuário"},
                              {"ID_PREFEITURA", "Prefeitura"}});
  TParam& requestId = qrySolicitacao->ParamByName("P_ID_SOLICITACAO");
  requestId.SetDataType(TFieldType::ftLargeint);
  requestId.SetAsLargeInt(0);

  qrySituacao =
      MakeQuery(*this, conBD, "qrySituacao",
                {"SELECT", "SIT.*", "FROM", "SITUACAO SIT", "ORDER BY", "SIT.ID_SITUACAO"},
                {{"ID_SITUACAO", "Id Situacao"},
                 {"NOME_SITUACAO", "Situação"},
                 {"LOGO_SITUACAO", "Ícone Situação"},
                 {"COR_SITUACAO", "Cor Situação"}});
  qryTipoSolicitacao =
      MakeQuery(*this, conBD, "qryTipoSolicitacao",
                {"SELECT", "TPS.*", "FROM", "TIPO_SOLICITACAO TPS", "ORDER BY", "TPS.ID_TIPO"},
                {{"ID_TIPO", "Id Tipo"},
                 {"NOME_TIPO", "Tipo de Solicitação"},
                 {"LOGO_SITUACAO", "Ícone"},
                 {"COR_SITUACAO", "Cor"}});
  qryUnidades = MakeQuery(*this, conBD, "qryUnidades",
                          {"SELECT", "UNI.*", "FROM", "UNIDADE UNI", "ORDER BY", "UNI.ID_UNIDADE"},
                          {{"ID_UNIDADE", "Id Unidade"},
                           {"NOME_UNIDADE", "Nome da Unidade"},
                           {"ID_TIPO_UNIDADE", "Tipo de Unidade"}});
  qryTipoUnidade =
      MakeQuery(*this, conBD, "qryTipoUnidade",
                {"SELECT", "TPU.*", "FROM", "TIPO_UNIDADE TPU", "ORDER BY", "TPU.ID_TIPO_UNIDADE"},
                {{"ID_TIPO_UNIDADE", "Id Tipo Unidade"}, {"TIPO_UNIDADE", "Tipo de Unidade"}});
  qryTipoUsuario =
      MakeQuery(*this, conBD, "qryTipoUsuario",
                {"SELECT", "TPU.*", "FROM", "TIPO_USUARIO TPU", "ORDER BY", "TPU.ID_TIPO_USUARIO"},
                {{"ID_TIPO_USUARIO", "Id Tipo de Usuário"},
                 {"TIPO_USUARIO", "Tipo de Usuário"},
                 {"TIPO_ACESSO", "Nível de Acesso"}});
  qryLisUsuario =
      MakeQuery(*this, conBD, "qryLisUsuario",
                {"SELECT", "USU.ID_USUARIO,", "USU.LOGIN_USUARIO,", "USU.NOME_USUARIO,",
                 "USU.EMAIL_USUARIO,", "TPU.TIPO_USUARIO", "FROM", "USUARIO USU",
                 "LEFT JOIN TIPO_USUARIO TPU ON TPU.ID_TIPO_USUARIO = USU.ID_TIPO_USUARIO",
                 "ORDER BY", "USU.NOME_USUARIO"},
                {{"ID_USUARIO", "ID Usuário"},
                 {"LOGIN_USUARIO", "Login"},
                 {"NOME_USUARIO", "Nome"},
                 {"EMAIL_USUARIO", "Email"},
                 {"TIPO_USUARIO", "Tipo de Acesso"}});
  qryUsuario = MakeQuery(*this, conBD, "qryUsuario",
                         {"SELECT", "USU.*,", "TPU.TIPO_USUARIO", "FROM", "USUARIO USU",
                          "LEFT JOIN TIPO_USUARIO TPU ON TPU.ID_TIPO_USUARIO = "
                          "USU.ID_TIPO_USUARIO",
                          "WHERE USU.ID_USUARIO = :P_ID_USUARIO"},
                         {{"ID_USUARIO", "Id Usuário"},
                          {"LOGIN_USUARIO", "Login"},
                          {"NOME_USUARIO", "Nome"},
                          {"DATA_NASCIMENTO", "Data de Nascimento"},
                          {"EMAIL_USUARIO", "Email"},
                          {"SENHA_USUARIO", "Senha"},
                          {"KEY_USUARIO", "Chave "},
                          {"CELULAR_USUARIO", "Celular"},
                          {"FOTO_USUARIO", "Foto"},
                          {"ID_TIPO_USUARIO", "Id Tipo"},
                          {"TIPO_USUARIO", "Tipo de Usuario"}});
  qryUsuario->ParamByName("P_ID_USUARIO").SetDataType(TFieldType::ftLargeint);
  qryDashQt = MakeQuery(*this, conBD, "qryDashQt", {"SELECT", "*", "FROM", "SP_DASHBOARD_QT"}, {});
  qryDashTipo = MakeQuery(*this, conBD, "qryDashTipo", {"SELECT", "*", "FROM", "SP_DASHBOARD_TIPO"},
                          {{"NOME_TIPO", "Tipo de Solicitação"}, {"QT", "Quantidade"}});

  dtsPrefeitura = MakeSource(*this, "dtsPrefeitura", qryPrefeitura);
  dtsLisSolicitacao = MakeSource(*this, "dtsLisSolicitacao", qryLisSolicitacao);
  dtsSolicitacao = MakeSource(*this, "dtsSolicitacao", qrySolicitacao);
  dtsSituacao = MakeSource(*this, "dtsSituacao", qrySituacao);
  dtsTipoSolicitacao = MakeSource(*this, "dtsTipoSolicitacao", qryTipoSolicitacao);
  dtsUnidades = MakeSource(*this, "dtsUnidades", qryUnidades);
  dtsTipoUnidade = MakeSource(*this, "dtsTipoUnidade", qryTipoUnidade);
  dtsTipoUsuario = MakeSource(*this, "dtsTipoUsuario", qryTipoUsuario);
  dtsLisUsuarios = MakeSource(*this, "dtsLisUsuarios", qryLisUsuario);
  dtsUsuario = MakeSource(*this, "dtsUsuario", qryUsuario);
  dtsDashQt = MakeSource(*this, "dtsDashQt", qryDashQt);
  dtsDashTipo = MakeSource(*this, "dtsDashTipo", qryDashTipo);

  qrySolicitacao->OnNewRecord = [this](TDataSet* d) { qrySolicitacaoNewRecord(d); };
  qrySituacao->OnNewRecord = [this](TDataSet* d) { qrySituacaoNewRecord(d); };
  qryTipoSolicitacao->OnNewRecord = [this](TDataSet* d) { qryTipoSolicitacaoNewRecord(d); };
  qryUnidades->OnNewRecord = [this](TDataSet* d) { qryUnidadesNewRecord(d); };
  qryTipoUnidade->OnNewRecord = [this](TDataSet* d) { qryTipoUnidadeNewRecord(d); };
  qryTipoUsuario->OnNewRecord = [this](TDataSet* d) { qryTipoUsuarioNewRecord(d); };
  qryUsuario->OnNewRecord = [this](TDataSet* d) { qryUsuarioNewRecord(d); };
}

TDM::~TDM() {
  if (DM == this)
    DM = nullptr;
}

std::string TDM::DefaultConfigFile() {
  return (ProgramFolder() / "Config.ini").string();
}

void TDM::Connect(const std::string& configFile) {
  ReadDatabaseConfig(*conBD, configFile.empty() ? DefaultConfigFile() : configFile);
  const std::string database = conBD->GetParams().GetValue("Database");
  if (conBD->IsEmbedded() && !std::filesystem::exists(database))
    conBD->CreateDatabase(DatabaseScripts(), TForcedWrites::fwOn);
  else
    conBD->Open();
}

void TDM::ConnectAtStart(const std::string& configFile) {
  Connect(configFile);
  UpgradeSchema(*conBD, DatabaseMigrations());
  if (const int hashed = HashTypedPasswords())
    std::clog << ("passwords of " + std::to_string(hashed) + " users stored as hashes\n");
}

void TDM::OpenQueries() {
  for (TQuery* query : {qryPrefeitura, qrySituacao, qryTipoSolicitacao, qryUnidades, qryTipoUnidade,
                        qryTipoUsuario, qryDashQt, qryDashTipo, qryLisUsuario})
    query->Open();
  // The request list as the logged-in user may see it.
  BuscaSolicitacoes("");
}

void TDM::BeginListaSolicitacoesSQL() {
  qryLisSolicitacao->Close();
  TStrings& sql = qryLisSolicitacao->GetSQL();
  sql.BeginUpdate();
  sql.Clear();
  for (const char* line : RequestSelect)
    sql.Add(line);
  sql.Add("WHERE 1=1");
  // A citizen's lists hold their own requests only.
  if (UsuarioCidadao())
    sql.Add("   AND SOL.ID_USUARIO = " + std::to_string(UsuarioAtual().Id));
  sql.EndUpdate();
}

void TDM::BuscaSolicitacoes(std::string cORDER) {
  if (cORDER.empty())
    cORDER = "DATA_ASCENDING";
  BeginListaSolicitacoesSQL();
  TStrings& sql = qryLisSolicitacao->GetSQL();
  sql.Add("ORDER BY");
  sql.Add(cORDER == "DATA_DESCENDING" ? "  SOL.DATA_SOLICITACAO DESC" : "  SOL.DATA_SOLICITACAO");
  qryLisSolicitacao->Open();
}

std::optional<TUsuarioLogado> TDM::ConfereLogin(const std::string& login,
                                                const std::string& senha) {
  // A name the connection's character set cannot hold is no stored login.
  if (conBD->ConvertsText()) {
    try {
      detail::Utf8ToWin1252(login);
    } catch (const detail::EWin1252Error&) {
      return std::nullopt;
    }
  }
  TQuery query(nullptr);
  query.SetConnection(conBD);
  query.GetSQL().SetText(
      "SELECT USU.ID_USUARIO, USU.LOGIN_USUARIO, USU.SENHA_USUARIO, "
      "TPU.TIPO_ACESSO FROM USUARIO USU LEFT JOIN TIPO_USUARIO TPU ON "
      "TPU.ID_TIPO_USUARIO = USU.ID_TIPO_USUARIO WHERE USU.LOGIN_USUARIO = :LOGIN "
      "ORDER BY USU.ID_USUARIO");
  query.ParamByName("LOGIN").SetAsString(login);
  query.Open();
  bool checked = false;
  for (; !query.GetEof(); query.Next()) {
    // The database compares texts ignoring trailing blanks; the login does not.
    if (query.FieldByName("LOGIN_USUARIO").GetAsString() != login)
      continue;
    checked = true;
    const std::string stored = query.FieldByName("SENHA_USUARIO").GetAsString();
    const bool hashed = IsPasswordHash(stored);
    if (!(hashed ? VerifyPassword(stored, senha) : SameSecret(stored, senha)))
      continue;
    const std::string nivel = query.FieldByName("TIPO_ACESSO").GetAsString();
    const TUsuarioLogado usuario{login, query.FieldByName("ID_USUARIO").GetAsLargeInt(),
                                 nivel.size() == 1 ? nivel[0] : '\0'};
    if (!hashed || PasswordNeedsRehash(stored))
      GravaSenha(usuario.Id, senha);
    if (!NivelValido(usuario.Nivel))
      return std::nullopt;
    return usuario;
  }
  // An unknown login is refused in the time a wrong password takes.
  if (!checked)
    VerifyNoPassword(senha);
  return std::nullopt;
}

void TDM::GravaSenha(int64_t id, const std::string& senha) {
  TQuery update(nullptr);
  update.SetConnection(conBD);
  update.GetSQL().SetText("UPDATE USUARIO SET SENHA_USUARIO = :HASH WHERE ID_USUARIO = :ID");
  update.ParamByName("HASH").SetAsString(HashPassword(senha));
  update.ParamByName("ID").SetAsLargeInt(id);
  update.ExecSQL();
}

int TDM::HashTypedPasswords() {
  std::vector<std::pair<int64_t, std::string>> typed;
  {
    TQuery users(nullptr);
    users.SetConnection(conBD);
    users.GetSQL().SetText("SELECT ID_USUARIO, SENHA_USUARIO FROM USUARIO");
    for (users.Open(); !users.GetEof(); users.Next()) {
      std::string stored = users.FieldByName("SENHA_USUARIO").GetAsString();
      if (!IsPasswordHash(stored))
        typed.emplace_back(users.FieldByName("ID_USUARIO").GetAsLargeInt(), std::move(stored));
    }
  }
  int hashed = 0;
  for (const auto& [id, senha] : typed) {
    // The row changes only while it still holds the password read above.
    try {
      hashed += static_cast<int>(
          conBD->ExecSQL("UPDATE USUARIO SET SENHA_USUARIO = ? WHERE ID_USUARIO = ? AND "
                         "SENHA_USUARIO = ?",
                         {Variant(HashPassword(senha)), Variant(id), Variant(senha)}));
    } catch (const EDatabaseError& error) {
      if (error.GetKind() != TDatabaseErrorKind::dekLockConflict)
        throw;
    }
  }
  return hashed;
}

void TDM::qrySolicitacaoNewRecord(TDataSet* DataSet) {
  DataSet->FieldByName("ID_SOLICITACAO").SetAsLargeInt(0);
  DataSet->FieldByName("DATA_SOLICITACAO").SetAsDateTime(Now());
}

void TDM::qrySituacaoNewRecord(TDataSet* DataSet) {
  DataSet->FieldByName("ID_SITUACAO").SetAsLargeInt(0);
}

void TDM::qryTipoSolicitacaoNewRecord(TDataSet* DataSet) {
  DataSet->FieldByName("ID_TIPO").SetAsLargeInt(0);
}

void TDM::qryUnidadesNewRecord(TDataSet* DataSet) {
  DataSet->FieldByName("ID_UNIDADE").SetAsLargeInt(0);
}

void TDM::qryTipoUnidadeNewRecord(TDataSet* DataSet) {
  DataSet->FieldByName("ID_TIPO_UNIDADE").SetAsLargeInt(0);
}

void TDM::qryTipoUsuarioNewRecord(TDataSet* DataSet) {
  DataSet->FieldByName("ID_TIPO_USUARIO").SetAsLargeInt(0);
}

void TDM::qryUsuarioNewRecord(TDataSet* DataSet) {
  DataSet->FieldByName("ID_USUARIO").SetAsLargeInt(0);
  DataSet->FieldByName("KEY_USUARIO").SetAsString(GenerateRandomHex(32));
}
