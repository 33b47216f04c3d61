// The web layouts the application's forms declare, rendered through the layout model on a
// recording page layer: every control in its place, with its classes.

#include "AppFormsFixture.h"
#include "bridge/FakeFramework.h"

#include "app/uCadPrefeitura.h"
#include "app/uCadSituacao.h"
#include "app/uCadTipoUsuario.h"
#include "app/uCadUsuarios.h"
#include "app/uDashboard.h"
#include "app/uLisSolicitacoes.h"
#include "app/uMenu.h"
#include "app/uSolicitacao.h"
#include "app/uUsuario.h"
#include "bridge/Duo.h"

#include <gmock/gmock.h>

namespace {

using apptest::AppForms;
using ::testing::ElementsAreArray;

class WebLayouts : public AppForms {
protected:
  // Gives the form a bridge object, lets it declare its layout and renders it.
  std::vector<std::string> Export(TDuoForm& form) {
    auto* page = new fake::TPageForm(&form);
    auto duo = std::make_unique<TDuo>(&form);
    auto framework = std::make_unique<fake::TFramework>(page);
    Framework = framework.get();
    duo->SetFrameworkExportType(std::move(framework));
    form.SetDuo(duo.get());
    form.ExportDuo();
    form.Render();
    Duos.push_back(std::move(duo));
    return Duos.back()->HTML().Render().Body().ToVector();
  }
  void TearDown() override {
    for (auto& duo : Duos)
      static_cast<TDuoForm*>(duo->Owner())->SetDuo(nullptr);
    Duos.clear();
    AppForms::TearDown();
  }

  std::vector<std::unique_ptr<TDuo>> Duos;
  fake::TFramework* Framework = nullptr;
};

const std::vector<std::string> LoginLayout = {
    R"x(<div class="row mt-2 mb-2" style>)x",
    R"x({%lblLogin class="form-control-plaintext fs-4 fw-bold" style=" white-space: pre-line;"%})x",
    R"x({%edtLogin class="form-control fs-4" style%})x",
    R"x({%lblSenha class="form-control-plaintext fs-4 fw-bold" style=" white-space: pre-line;"%})x",
    R"x({%edtSenha class="form-control fs-4" style%})x",
    R"x(</div>)x",
    R"x(<div class="row mt-2 mb-2" style>)x",
    R"x({%btnEntrar class="btn btn-primary" style%})x",
    R"x(</div>)x",
};

const std::vector<std::string> RequestListLayout = {
    R"x(<div class="row mt-2 mb-2" style>)x",
    R"x(<div class="mt-1 col-auto   align-self-end" style>)x",
    R"x(<div class="form-group" style>)x",
    R"x(</div>)x",
    R"x(</div>)x",
    R"x({%lblTituloTela class="form-control-plaintext fs-2 fw-bold" style=" white-space: pre-line;"%})x",
    R"x(<div class="mt-1 col-auto   align-self-end" style>)x",
    R"x(<div class="form-group" style>)x",
    R"x({%btnSair class="btn btn-primary" style%})x",
    R"x(</div>)x",
    R"x(</div>)x",
    R"x(</div>)x",
    R"x(<div class="row mt-2 mb-2" style>)x",
    R"x(<div class="col pt-2">)x",
    R"x(<div class="expanel expanel-default" style="" >)x",
    R"x(<div class="expanel-heading">)x",
    R"x(<h3 class="expanel-title">Filtragem</h3>)x",
    R"x(</div>)x",
    R"x(<div class="expanel-body">)x",
    R"x(<div class="row mt-2 mb-2" style>)x",
    R"x(<div class="mt-1 col-auto   align-self-end" style>)x",
    R"x(<div class="form-group" style>)x",
    R"x({%lblSituacao class="form-control-plaintext" style=" white-space: pre-line;"%})x",
    R"x(</div>)x",
    R"x(</div>)x",
    R"x(<div class="mt-1 col-auto   align-self-end" style>)x",
    R"x(<div class="form-group" style>)x",
    R"x({%cbbSituacao class="form-select" style%})x",
    R"x(</div>)x",
    R"x(</div>)x",
    R"x(<div class="mt-1 col-auto   align-self-end" style>)x",
    R"x(<div class="form-group" style>)x",
    R"x({%lblPesquisa class="form-control-plaintext" style=" white-space: pre-line;"%})x",
    R"x(</div>)x",
    R"x(</div>)x",
    R"x(<div class="mt-1 col-auto   align-self-end" style>)x",
    R"x(<div class="form-group" style>)x",
    R"x({%edtPesquisa class="form-control" style%})x",
    R"x(</div>)x",
    R"x(</div>)x",
    R"x(<div class="mt-1 col-auto   align-self-end" style>)x",
    R"x(<div class="form-group" style>)x",
    R"x({%lblDtInicial class="form-control-plaintext" style=" white-space: pre-line;"%})x",
    R"x(</div>)x",
    R"x(</div>)x",
    R"x(<div class="mt-1 col-auto   align-self-end" style>)x",
    R"x(<div class="form-group" style>)x",
    R"x({%dtpDtInicial class="form-control" style%})x",
    R"x(</div>)x",
    R"x(</div>)x",
    R"x(<div class="mt-1 col-auto   align-self-end" style>)x",
    R"x(<div class="form-group" style>)x",
    R"x({%lblDtFinal class="form-control-plaintext" style=" white-space: pre-line;"%})x",
    R"x(</div>)x",
    R"x(</div>)x",
    R"x(<div class="mt-1 col-auto   align-self-end" style>)x",
    R"x(<div class="form-group" style>)x",
    R"x({%dtpDtFinal class="form-control" style%})x",
    R"x(</div>)x",
    R"x(</div>)x",
    R"x(<div class="mt-1 col-auto   align-self-end" style>)x",
    R"x(<div class="form-group" style>)x",
    R"x(<button type="button" class="btn btn-primary" id="BTNBUSCAR" ><i class="fe fe-search fa fa-search me-2"></i>Buscar</button>)x",
    R"x(</div>)x",
    R"x(</div>)x",
    R"x(</div>)x",
    R"x(</div>)x",
    R"x(</div>)x",
    R"x(</div>)x",
    R"x(</div>)x",
    R"x(<div class="row mt-2 mb-2" style>)x",
    R"x(<div class="col pt-2">)x",
    R"x(<div class="expanel expanel-default" style="" >)x",
    R"x(<div class="expanel-heading">)x",
    R"x(<h3 class="expanel-title">Solicitações</h3>)x",
    R"x(</div>)x",
    R"x(<div class="expanel-body">)x",
    R"x(<div class="row mt-2 mb-2" style>)x",
    R"x(<div class="mt-1 col-auto   align-self-end" style>)x",
    R"x(<div class="form-group" style>)x",
    R"x(<button type="button" class="btn btn-success" id="BTNNOVO" ><i class="fe fe-plus fa fa-plus me-2"></i>Novo</button>)x",
    R"x(</div>)x",
    R"x(</div>)x",
    R"x(<div class="mt-1 col-auto   align-self-end" style>)x",
    R"x(<div class="form-group" style>)x",
    R"x(<button type="button" class="btn btn-primary" id="BTNALTERAR" ><i class="fe fe-edit fa fa-edit me-2"></i>Alterar</button>)x",
    R"x(</div>)x",
    R"x(</div>)x",
    R"x(</div>)x",
    R"x(<div class="row mt-2 mb-2" style>)x",
    R"x(<div class="mt-1 col   align-self-end" style>)x",
    R"x(<div class="form-group" style>)x",
    R"x({%lblLimite class="form-control-plaintext" style=" white-space: pre-line;"%})x",
    R"x(</div>)x",
    R"x(</div>)x",
    R"x(</div>)x",
    R"x(<div class="row mt-2 mb-2" style>)x",
    R"x({%dbgTarefas class="table table-hover table-sm table-bordered ui-jqgrid-htable cursor-pointer" style%})x",
    R"x(</div>)x",
    R"x(</div>)x",
    R"x(</div>)x",
    R"x(</div>)x",
    R"x(</div>)x",
};

const std::vector<std::string> RequestFormLayout = {
    R"x(<div class="row mt-2 mb-2" style>)x",
    R"x(<div class="mt-1 col-auto   align-self-end" style>)x",
    R"x(<div class="form-group" style>)x",
    R"x(</div>)x",
    R"x(</div>)x",
    R"x({%lblTituloTela class="form-control-plaintext fs-2 fw-bold" style=" white-space: pre-line;"%})x",
    R"x(<div class="mt-1 col-auto   align-self-end" style>)x",
    R"x(<div class="form-group" style>)x",
    R"x({%btnSair class="btn btn-primary" style%})x",
    R"x(</div>)x",
    R"x(</div>)x",
    R"x(</div>)x",
    R"x(<div class="row mt-2 mb-2" style>)x",
    R"x({%lblControle class="form-control-plaintext" style=" white-space: pre-line;"%})x",
    R"x({%dbeControle class="form-control" style%})x",
    R"x(</div>)x",
    R"x(<div class="row mt-2 mb-2" style>)x",
    R"x({%lblTipo class="form-control-plaintext" style=" white-space: pre-line;"%})x",
    R"x({%cbbTipo class="form-select" style%})x",
    R"x(</div>)x",
    R"x(<div class="row mt-2 mb-2" style>)x",
    R"x({%lblData class="form-control-plaintext" style=" white-space: pre-line;"%})x",
    R"x({%dbeData class="form-control" style%})x",
    R"x(</div>)x",
    R"x(<div class="row mt-2 mb-2" style>)x",
    R"x({%lblDescricao class="form-control-plaintext" style=" white-space: pre-line;"%})x",
    R"x({%dbeDescricao class="form-control" style%})x",
    R"x(</div>)x",
    R"x(<div class="row mt-2 mb-2" style>)x",
    R"x({%lblUnidade class="form-control-plaintext" style=" white-space: pre-line;"%})x",
    R"x({%cbbUnidade class="form-select" style%})x",
    R"x(</div>)x",
    R"x(<div class="row mt-2 mb-2" style>)x",
    R"x({%lblSituacao class="form-control-plaintext" style=" white-space: pre-line;"%})x",
    R"x({%cbbSituacao class="form-select" style%})x",
    R"x(</div>)x",
    R"x(<div class="row mt-2 mb-2" style>)x",
    R"x(<div class="mt-1 col-auto   align-self-end" style>)x",
    R"x(<div class="form-group" style>)x",
    R"x(<label >Fotos</label>)x",
    R"x(</div>)x",
    R"x(</div>)x",
    R"x({%dbiImage1 class="rounded float-left img-fluid" style%})x",
    R"x(<div class="mt-1 col-auto   align-self-end" style>)x",
    R"x(<div class="form-group" style>)x",
    R"x(</div>)x",
    R"x(</div>)x",
    R"x({%dbiImage2 class="rounded float-left img-fluid" style%})x",
    R"x(<div class="mt-1 col-auto   align-self-end" style>)x",
    R"x(<div class="form-group" style>)x",
    R"x(</div>)x",
    R"x(</div>)x",
    R"x({%dbiImage3 class="rounded float-left img-fluid" style%})x",
    R"x(<div class="mt-1 col-auto   align-self-end" style>)x",
    R"x(<div class="form-group" style>)x",
    R"x(</div>)x",
    R"x(</div>)x",
    R"x({%dbiImage4 class="rounded float-left img-fluid" style%})x",
    R"x(<div class="mt-1 col-auto   align-self-end" style>)x",
    R"x(<div class="form-group" style>)x",
    R"x(</div>)x",
    R"x(</div>)x",
    R"x({%dbiImage5 class="rounded float-left img-fluid" style%})x",
    R"x(</div>)x",
    R"x(<div class="d-flex justify-content-start gap-2" style>)x",
    R"x(<button type="button" class="btn btn-success" id="BTNSALVAR" ><i class="fe fe-save fa fa-save me-2"></i>Salvar</button>)x",
    R"x(<button type="button" class="btn btn-warning" id="BTNCANCELAR" ><i class="fe fe-x fa fa-x me-2"></i>Cancelar</button>)x",
    R"x(</div>)x",
};

const std::vector<std::string> DashboardLayout = {
    R"x(<div class="row mt-2 mb-2" style>)x",
    R"x(<div class="col pt-2">)x",
    R"x(<div class="expanel expanel-default" style="" >)x",
    R"x(<div class="expanel-heading">)x",
    R"x(<h3 class="expanel-title">Novas Solicitações</h3>)x",
    R"x(</div>)x",
    R"x(<div class="expanel-body">)x",
    R"x({%dbgNovasSolicitacoes class="table table-hover table-sm table-bordered ui-jqgrid-htable cursor-pointer" style%})x",
    R"x(</div>)x",
    R"x(</div>)x",
    R"x(</div>)x",
    R"x(</div>)x",
    R"x(<div class="row mt-2 mb-2" style>)x",
    R"x(<div class="col pt-2">)x",
    R"x(<div class="expanel expanel-default" style="" >)x",
    R"x(<div class="expanel-heading">)x",
    R"x(<h3 class="expanel-title">Tipo de Solicitações</h3>)x",
    R"x(</div>)x",
    R"x(<div class="expanel-body">)x",
    R"x({%dbgTipoSolicitacoes class="table table-hover table-sm table-bordered ui-jqgrid-htable cursor-pointer" style%})x",
    R"x(</div>)x",
    R"x(</div>)x",
    R"x(</div>)x",
    R"x(</div>)x",
};

// Kinds of page control each form's controls became, in page order.
std::vector<std::string> Kinds(const fake::TPageForm& page) {
  std::vector<std::string> kinds;
  for (IFacetControl* control : page.Controls)
    kinds.push_back(control->GetName() + ":" + dynamic_cast<fake::TPageControl&>(*control).Kind);
  return kinds;
}

TEST_F(WebLayouts, TheLoginPageHoldsTheTwoPairsAndTheEnterButton) {
  auto* login = CreateForm<TfLogin>(&App);
  EXPECT_THAT(Export(*login), ElementsAreArray(LoginLayout));
  EXPECT_EQ(login->GetTitle(), "Brenvox");
  EXPECT_EQ(Framework->Master, "");
  EXPECT_EQ(Framework->Page, "pages\\login.html");
  EXPECT_THAT(Kinds(*static_cast<fake::TPageForm*>(Framework->GetForm())),
              ElementsAreArray({"lblLogin:Text", "edtLogin:Edit", "lblSenha:Text", "edtSenha:Edit",
                                "btnEntrar:Button"}));
}

TEST_F(WebLayouts, TheRequestListPageHasItsFiltersAndItsGrid) {
  TfLisSolicitacoes& list = Open<TfLisSolicitacoes>();
  EXPECT_THAT(Export(list), ElementsAreArray(RequestListLayout));
  EXPECT_EQ(list.GetTitle(), "Brenvox");
  EXPECT_EQ(Framework->Master, "pages/template.html");
  EXPECT_EQ(Framework->Page, "pages/itemtemplate.html");
  EXPECT_THAT(Kinds(*static_cast<fake::TPageForm*>(Framework->GetForm())),
              ElementsAreArray({"lblTituloTela:Text", "btnSair:Button", "lblSituacao:Text",
                                "cbbSituacao:Combobox", "lblPesquisa:Text", "edtPesquisa:Edit",
                                "lblDtInicial:Text", "dtpDtInicial:Edit", "lblDtFinal:Text",
                                "dtpDtFinal:Edit", "btnBuscar:Button", "btnNovo:Button",
                                "btnAlterar:Button", "lblLimite:Text", "dbgTarefas:DBGrid"}));
}

TEST_F(WebLayouts, TheRequestPageHasOneRowPerFieldThePhotosAndTheTwoButtons) {
  auto* request = CreateForm<TfSolicitacao>(&App);
  EXPECT_THAT(Export(*request), ElementsAreArray(RequestFormLayout));
  EXPECT_EQ(request->GetTitle(), "Brenvox");
  EXPECT_EQ(Framework->Page, "pages/itemtemplate.html");
  const std::vector<std::string> kinds =
      Kinds(*static_cast<fake::TPageForm*>(Framework->GetForm()));
  EXPECT_THAT(std::vector<std::string>(kinds.begin() + 2, kinds.begin() + 8),
              ElementsAreArray({"lblControle:Text", "dbeControle:DBEdit", "lblTipo:Text",
                                "cbbTipo:DBLookupCombobox", "lblData:Text", "dbeData:DBEdit"}));
  EXPECT_EQ(kinds.back(), "btnCancelar:Button");
  EXPECT_NE(std::find(kinds.begin(), kinds.end(), "dbiImage5:Image"), kinds.end());
}

TEST_F(WebLayouts, TheDashboardShowsItsGridsAndAnswersTheCountTagsExactly) {
  TfDashboard& dashboard = Open<TfDashboard>();
  EXPECT_THAT(Export(dashboard), ElementsAreArray(DashboardLayout));
  EXPECT_EQ(dashboard.GetTitle(), "Dashboard");
  EXPECT_EQ(Framework->Master, "pages/template.html");
  EXPECT_EQ(Framework->Page, "pages/dashboard.html");
  for (const std::string tag : {"QT_NOVAS", "QT_ANDAMENTO", "QT_FINALIZADAS"}) {
    std::string replaced = "{{" + tag + "}}";
    dashboard.DoTagHTML(tag, replaced);
    EXPECT_EQ(replaced, DM->qryDashQt->FieldByName(tag).GetAsString()) << tag;
    EXPECT_NE(replaced, "") << tag;
  }
  std::string lower = "{{qt_novas}}";
  dashboard.DoTagHTML("qt_novas", lower);
  EXPECT_EQ(lower, "{{qt_novas}}");
}

TEST_F(WebLayouts, TheMenuHasNoLayoutOfItsOwn) {
  TTDI* workspace = FTDI;
  auto* menu = CreateForm<TfMenu>(&App);
  EXPECT_THAT(Export(*menu), testing::IsEmpty());
  EXPECT_EQ(menu->GetTitle(), "Brenvox");
  Duos.back().reset();
  menu->SetDuo(nullptr);
  Duos.pop_back();
  delete menu;
  FTDI = workspace;
}

// The administration pages in the office's template: each page's controls in order, the
// password as a plain edit that is no data control, and an upload item for each picture.
TEST_F(WebLayouts, TheAdministrationPagesHoldTheirControlsInTheOfficesTemplate) {
  const auto kinds = [&](TDuoForm& form) {
    const std::vector<std::string> body = Export(form);
    EXPECT_EQ(form.GetTitle(), "Brenvox");
    EXPECT_EQ(Framework->Master, "pages/template.html");
    std::vector<std::string> found = Kinds(*static_cast<fake::TPageForm*>(Framework->GetForm()));
    const bool upload = std::any_of(body.begin(), body.end(), [](const std::string& line) {
      return line.find("type=\"file\"") != std::string::npos;
    });
    if (upload)
      found.push_back("upload");
    return found;
  };
  EXPECT_THAT(
      kinds(Open<TfCadSituacao>()),
      ElementsAreArray({"lblTituloTela:Text", "btnSair:Button", "btnNovo:Button",
                        "btnSalvar:Button", "btnCancelar:Button", "DBGrid1:DBGrid",
                        "lblIdSituacao:Text", "dbeIdSituacao:DBEdit", "lblNomeSituacao:Text",
                        "dbeNomeSituacao:DBEdit", "lblLogoSituacao:Text", "dbiLogoSituacao:Image",
                        "lblCorSituacao:Text", "dbeCorSituacao:DBEdit"}));
  const std::vector<std::string> userTypes = kinds(Open<TfCadTipoUsuario>());
  EXPECT_THAT(std::vector<std::string>(userTypes.end() - 2, userTypes.end()),
              ElementsAreArray({"lblTipoAcesso:Text", "dbcTipoAcesso:DBCombobox"}));
  EXPECT_THAT(
      kinds(Open<TfCadPrefeitura>()),
      ElementsAreArray({"lblTituloTela:Text", "btnSair:Button", "lblIdPrefeitura:Text",
                        "dbeIdPrefeitura:DBEdit", "lblNomePrefeitura:Text",
                        "dbeNomePrefeitura:DBEdit", "lblLogoPrefeitura:Text", "dbiLogo:Image",
                        "btnSalvar:Button", "btnCancelar:Button", "upload"}));
  EXPECT_THAT(kinds(Open<TfCadUsuarios>()),
              ElementsAreArray({"lblTituloTela:Text", "btnSair:Button", "btnNovo:Button",
                                "btnAlterar:Button", "DBGrid1:DBGrid"}));
  auto* user = CreateForm<TfUsuario>(&App);
  const std::vector<std::string> userKinds = kinds(*user);
  EXPECT_NE(std::find(userKinds.begin(), userKinds.end(), "edtSenha:Edit"), userKinds.end());
  EXPECT_NE(std::find(userKinds.begin(), userKinds.end(), "dbiFoto:Image"), userKinds.end());
  EXPECT_EQ(userKinds.back(), "upload");
}

} // namespace
