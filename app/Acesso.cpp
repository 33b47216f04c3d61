#include "app/Acesso.h"

#include "app/VozmiraWeb.h"
#include "runtime/Exceptions.h"

#include <string_view>

namespace {

TUsuarioLogado DesktopUser;

struct TFormAccess {
  std::string_view FormClass;
  std::string_view Niveis;
};

// The levels that open each form.
constexpr TFormAccess FormAccess[] = {
    {"TfDashboard", "AGSC"},
    {"TfLisSolicitacoes", "AGSC"},
    {"TfSolicitacao", "AGSC"},
    {"TfCadSituacao", "AG"},
    {"TfCadTipoSolicitacao", "AG"},
    {"TfCadUnidades", "AG"},
    {"TfCadTipoUnidade", "AG"},
    {"TfCadPrefeitura", "AG"},
    {"TfCadTipoUsuario", "A"},
    {"TfCadUsuarios", "A"},
    {"TfUsuario", "A"},
};

} // namespace

bool NivelValido(char nivel) {
  return nivel != 0 && std::string_view("AGSC").find(nivel) != std::string_view::npos;
}

const TUsuarioLogado& UsuarioAtual() {
  if (const TVozmiraSessionData* data = VozmiraSessionData())
    return data->Usuario;
  return DesktopUser;
}

void DefinirUsuarioAtual(const TUsuarioLogado& usuario) {
  if (TVozmiraSessionData* data = VozmiraSessionData())
    data->Usuario = usuario;
  else
    DesktopUser = usuario;
}

bool PodeAbrir(const std::string& formClass) {
  const TUsuarioLogado& usuario = UsuarioAtual();
  if (usuario.Login.empty() || !NivelValido(usuario.Nivel))
    return false;
  for (const TFormAccess& access : FormAccess)
    if (access.FormClass == formClass)
      return access.Niveis.find(usuario.Nivel) != std::string_view::npos;
  return false;
}

void ExigirAcesso(const std::string& formClass) {
  if (!PodeAbrir(formClass))
    throw Exception("Acesso negado");
}

bool UsuarioCidadao() {
  return UsuarioAtual().Nivel == 'C';
}
