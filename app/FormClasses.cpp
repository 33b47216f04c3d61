#include "app/FormClasses.h"

#include "app/uCadPrefeitura.h"
#include "app/uCadSituacao.h"
#include "app/uCadTipoSolicitacao.h"
#include "app/uCadTipoUnidade.h"
#include "app/uCadTipoUsuario.h"
#include "app/uCadUnidades.h"
#include "app/uCadUsuarios.h"
#include "app/uDashboard.h"
#include "app/uLisSolicitacoes.h"
#include "app/uSolicitacao.h"
#include "app/uUsuario.h"

void RegisterFormClasses() {
  // A class is registered by name the first time its class information is asked for.
  for (const TClassInfo* info :
       {&TfDashboard::StaticClass(), &TfLisSolicitacoes::StaticClass(),
        &TfSolicitacao::StaticClass(), &TfCadPrefeitura::StaticClass(),
        &TfCadSituacao::StaticClass(), &TfCadTipoSolicitacao::StaticClass(),
        &TfCadUnidades::StaticClass(), &TfCadTipoUnidade::StaticClass(),
        &TfCadTipoUsuario::StaticClass(), &TfCadUsuarios::StaticClass(), &TfUsuario::StaticClass()})
    static_cast<void>(info);
}
