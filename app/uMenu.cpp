#include "app/uMenu.h"

#include "app/Artwork.h"
#include "app/FormClasses.h"

#include "app/Acesso.h"
#include "app/uDM.h"

TSessionGlobal<TfMenu> fMenu;
TSessionGlobal<TTDI> FTDI;

namespace {

constexpr int SidePanelWidth = 200;
constexpr int SidePanelCollapsedWidth = 36;
constexpr int GroupClosedHeight = 33;
constexpr int ButtonHeight = 33;

TPanel* MakePanel(TfMenu& form, TWinControl* parent, const char* name, TAlign align, int size) {
  auto* panel = new TPanel(&form);
  panel->SetName(name);
  panel->SetParent(parent);
  panel->SetBevelOuter(bvNone);
  panel->SetShowCaption(false);
  panel->SetAlign(align);
  if (align == alLeft || align == alRight)
    panel->SetWidth(size);
  else
    panel->SetHeight(size);
  return panel;
}

// A flat command button of the side panel: 33 pixels high, its picture 5 pixels from the left
// edge and its text 10 pixels after the picture.
TSpeedButton* MakeSideButton(TfMenu& form, TWinControl* parent, const char* name,
                             const char* caption, TAlign align) {
  auto* button = new TSpeedButton(&form);
  button->SetName(name);
  button->SetParent(parent);
  button->SetAlign(align);
  button->SetHeight(ButtonHeight);
  button->SetCaption(caption);
  button->SetFlat(true);
  button->SetMargin(5);
  button->SetSpacing(10);
  return button;
}

TMenuItem* MakeItem(TfMenu& form, TMenuItem& parent, const char* name, const char* caption) {
  auto* item = new TMenuItem(&form);
  item->SetName(name);
  item->SetCaption(caption);
  parent.Add(item);
  return item;
}

void ToggleGroup(TPanel& group, int openHeight) {
  group.SetHeight(group.GetHeight() == GroupClosedHeight ? openHeight : GroupClosedHeight);
}

} // namespace

const TClassInfo& FormClassByName(const std::string& ClassName) {
  RegisterFormClasses();
  const TClassInfo* info = FindClass(ClassName);
  if (info == nullptr || !info->InheritsFrom(TCustomForm::StaticClass()))
    throw Exception("The form " + ClassName + " is not part of this program");
  return *info;
}

const TClassInfo& TfMenu::StaticClass() {
  static const TClassInfo info = TClassBuilder<TfMenu>("TfMenu").Creatable().Build();
  return info;
}

TfMenu::TfMenu(TComponent* AOwner) : TDuoForm(AOwner) {
  SetFormName("fMenu");
  SetCaption("Menu");
  SetWindowState(wsMaximized);
  SetColor(clWhite);
  GetFont().SetName("Open Sans");
  GetFont().SetSize(9);

  Panel1 = MakePanel(*this, this, "Panel1", alTop, 41);
  // The city hall's name, on the left of the top bar.
  DBText1 = new TDBText(this);
  DBText1->SetName("DBText1");
  DBText1->SetParent(Panel1);
  DBText1->SetBounds(10, 8, 600, 25);
  DBText1->GetFont().SetName("Open Sans");
  DBText1->GetFont().SetHeight(-19);
  DBText1->GetFont().SetStyle({fsBold});
  if (DM != nullptr)
    DBText1->SetDataSource(DM->dtsPrefeitura);
  DBText1->SetDataField("NOME_PREFEITURA");
  // Right-aligned controls line up from the right edge in creation order.
  btnFechar = new TSpeedButton(this);
  btnFechar->SetName("btnFechar");
  btnFechar->SetParent(Panel1);
  btnFechar->SetAlign(alRight);
  btnFechar->SetWidth(41);
  btnFechar->SetHint("Sair do sistema (Fechar)");
  btnFechar->SetShowHint(true);
  pnlEspaco = MakePanel(*this, Panel1, "pnlEspaco", alRight, 4);
  btnUser = new TSpeedButton(this);
  btnUser->SetName("btnUser");
  btnUser->SetParent(Panel1);
  btnUser->SetAlign(alRight);
  btnUser->SetWidth(41);
  btnUser->SetEnabled(false);
  btnUser->SetHint("Cadastro de Pessoas Físicas e Juríridas");
  btnUser->SetShowHint(true);

  pnlMenu = MakePanel(*this, this, "pnlMenu", alLeft, SidePanelWidth);
  pnlMenu->GetFont().SetName("Tahoma");
  btnRecolher = MakeSideButton(*this, pnlMenu, "btnRecolher", "Recolher", alTop);
  btnRecolher->GetFont().SetStyle({fsBold});

  pnlSolicitacoes = MakePanel(*this, pnlMenu, "pnlSolicitacoes", alTop, 103);
  btnMenuCategoria1 =
      MakeSideButton(*this, pnlSolicitacoes, "btnMenuCategoria1", "Solicitações", alTop);
  SpeedButton4 = MakeSideButton(*this, pnlSolicitacoes, "SpeedButton4", "Gerenciamento", alTop);
  btnOpcao1 = MakeSideButton(*this, pnlSolicitacoes, "btnOpcao1", "Relatório", alTop);
  btnOpcao1->SetEnabled(false);

  pnlUsuarios = MakePanel(*this, pnlMenu, "pnlUsuarios", alTop, 103);
  SpeedButton2 = MakeSideButton(*this, pnlUsuarios, "SpeedButton2", "Usuários", alTop);
  SpeedButton1 = MakeSideButton(*this, pnlUsuarios, "SpeedButton1", "Cad Usuários", alTop);
  SpeedButton3 = MakeSideButton(*this, pnlUsuarios, "SpeedButton3", "Tipos de Usuário", alTop);

  pnlCadastros = MakePanel(*this, pnlMenu, "pnlCadastros", alTop, 200);
  SpeedButton5 = MakeSideButton(*this, pnlCadastros, "SpeedButton5", "Cadastros", alTop);
  SpeedButton6 = MakeSideButton(*this, pnlCadastros, "SpeedButton6", "Prefeitura", alTop);
  SpeedButton7 = MakeSideButton(*this, pnlCadastros, "SpeedButton7", "Unidades", alTop);
  SpeedButton8 = MakeSideButton(*this, pnlCadastros, "SpeedButton8", "Tipos de Unidade", alTop);
  SpeedButton9 =
      MakeSideButton(*this, pnlCadastros, "SpeedButton9", "Tipos de Solicitações", alTop);
  SpeedButton10 = MakeSideButton(*this, pnlCadastros, "SpeedButton10", "Situações", alTop);

  btnConfiguracoes = MakeSideButton(*this, pnlMenu, "btnConfiguracoes", "Configurações", alBottom);

  // The logo in the middle of the client area; the workspace covers it while a tab is open.
  Image1 = new TImage(this);
  Image1->SetName("Image1");
  Image1->SetParent(this);
  Image1->SetAlign(alClient);
  Image1->SetCenter(true);
  // The pictures shipped with the program: the logo and the buttons' glyphs.
  LoadArtwork(Image1->GetPicture(), "menu-logo");
  for (const auto& [button, art] : std::initializer_list<std::pair<TSpeedButton*, const char*>>{
           {btnUser, "usuario"},
           {btnFechar, "fechar"},
           {btnRecolher, "recolher"},
           {btnMenuCategoria1, "solicitacoes"},
           {SpeedButton4, "gerenciamento"},
           {btnOpcao1, "relatorio"},
           {SpeedButton2, "usuarios"},
           {SpeedButton1, "cadusuarios"},
           {SpeedButton3, "tiposusuario"},
           {SpeedButton5, "cadastros"},
           {SpeedButton6, "prefeitura"},
           {SpeedButton7, "unidades"},
           {SpeedButton8, "tiposunidade"},
           {SpeedButton9, "tipossolicitacao"},
           {SpeedButton10, "situacoes"},
           {btnConfiguracoes, "configuracoes"}})
    LoadArtwork(button->GetGlyph(), art);

  MainMenu1 = new TMainMenu(this);
  MainMenu1->SetName("MainMenu1");
  TMenuItem& root = MainMenu1->GetItems();
  Cadastros1 = MakeItem(*this, root, "Cadastros1", "Cadastros");
  Prefeitura1 = MakeItem(*this, *Cadastros1, "Prefeitura1", "Prefeitura");
  Prefeitura2 = MakeItem(*this, *Cadastros1, "Prefeitura2", "Unidades");
  N1 = MakeItem(*this, *Cadastros1, "N1", "-");
  TipoDeUnidade1 = MakeItem(*this, *Cadastros1, "TipoDeUnidade1", "Tipo de Unidade");
  ipodeSolicitao1 = MakeItem(*this, *Cadastros1, "ipodeSolicitao1", "Tipo de Solicitação");
  SituaodeSolicitao1 =
      MakeItem(*this, *Cadastros1, "SituaodeSolicitao1", "Situação de Solicitação");
  Solicitaes1 = MakeItem(*this, root, "Solicitaes1", "Solicitações");
  GerenciamentodeSolicitaes1 =
      MakeItem(*this, *Solicitaes1, "GerenciamentodeSolicitaes1", "Gerenciamento de Solicitações");
  GerenciamentodeSolicitaes2 =
      MakeItem(*this, *Solicitaes1, "GerenciamentodeSolicitaes2", "Relatório das Solicitações");
  Usurios1 = MakeItem(*this, root, "Usurios1", "Usuários");
  CadastrodeUsurios1 = MakeItem(*this, *Usurios1, "CadastrodeUsurios1", "Cadastro de Usuários");
  iposdeUsurio1 = MakeItem(*this, *Usurios1, "iposdeUsurio1", "Tipos de Usuário");
  Sair1 = MakeItem(*this, root, "Sair1", "Sair");

  OnCreate = [this](TObject* Sender) { FormCreate(Sender); };
  OnShow = [this](TObject* Sender) { FormShow(Sender); };
  btnRecolher->OnClick = [this](TObject* Sender) { btnRecolherClick(Sender); };
  btnMenuCategoria1->OnClick = [this](TObject* Sender) { btnMenuCategoria1Click(Sender); };
  SpeedButton2->OnClick = [this](TObject* Sender) { SpeedButton2Click(Sender); };
  SpeedButton5->OnClick = [this](TObject* Sender) { SpeedButton5Click(Sender); };

  Prefeitura1->OnClick = [this](TObject* Sender) { Prefeitura1Click(Sender); };
  Prefeitura2->OnClick = [this](TObject* Sender) { Prefeitura2Click(Sender); };
  TipoDeUnidade1->OnClick = [this](TObject* Sender) { TipoDeUnidade1Click(Sender); };
  ipodeSolicitao1->OnClick = [this](TObject* Sender) { ipodeSolicitao1Click(Sender); };
  SituaodeSolicitao1->OnClick = [this](TObject* Sender) { SituaodeSolicitao1Click(Sender); };
  GerenciamentodeSolicitaes1->OnClick = [this](TObject* Sender) {
    GerenciamentodeSolicitaes1Click(Sender);
  };
  CadastrodeUsurios1->OnClick = [this](TObject* Sender) { CadastrodeUsurios1Click(Sender); };
  iposdeUsurio1->OnClick = [this](TObject* Sender) { iposdeUsurio1Click(Sender); };
  Sair1->OnClick = [this](TObject* Sender) { Sair1Click(Sender); };

  // The side buttons and the exit button run the commands of the menu's items.
  const auto invoke = [](TMenuItem* item) { return [item](TObject*) { item->Click(); }; };
  SpeedButton4->OnClick = invoke(GerenciamentodeSolicitaes1);
  SpeedButton1->OnClick = invoke(CadastrodeUsurios1);
  SpeedButton3->OnClick = invoke(iposdeUsurio1);
  SpeedButton6->OnClick = invoke(Prefeitura1);
  SpeedButton7->OnClick = invoke(Prefeitura2);
  SpeedButton8->OnClick = invoke(TipoDeUnidade1);
  SpeedButton9->OnClick = invoke(ipodeSolicitao1);
  SpeedButton10->OnClick = invoke(SituaodeSolicitao1);
  btnFechar->OnClick = invoke(Sair1);
}

TfMenu::~TfMenu() {
  // The workspace closes its tabs while the menu is still whole.
  if (FTDI != nullptr && FTDI->GetOwner() == this) {
    delete FTDI;
    FTDI = nullptr;
  }
  if (fMenu == this)
    fMenu = nullptr;
}

void TfMenu::ExportDuo() {
  TDuoForm::ExportDuo();
  SetTitle("Brenvox");
}

void TfMenu::FormCreate(TObject* /*Sender*/) {
  FTDI = new TTDI(this, nullptr);
  FTDI->SetMostrarMenuPopup(false);
}

void TfMenu::FormShow(TObject* /*Sender*/) {
  MostrarComandosDoNivel();
  Abrir("TfDashboard");
}

void TfMenu::MostrarComandosDoNivel() {
  struct TCommand {
    TMenuItem* Item;
    TSpeedButton* Button;
    const char* FormClass;
  };
  const TCommand commands[] = {
      {GerenciamentodeSolicitaes1, SpeedButton4, "TfLisSolicitacoes"},
      {CadastrodeUsurios1, SpeedButton1, "TfCadUsuarios"},
      {iposdeUsurio1, SpeedButton3, "TfCadTipoUsuario"},
      {Prefeitura1, SpeedButton6, "TfCadPrefeitura"},
      {Prefeitura2, SpeedButton7, "TfCadUnidades"},
      {TipoDeUnidade1, SpeedButton8, "TfCadTipoUnidade"},
      {ipodeSolicitao1, SpeedButton9, "TfCadTipoSolicitacao"},
      {SituaodeSolicitao1, SpeedButton10, "TfCadSituacao"},
  };
  for (const TCommand& command : commands) {
    const bool allowed = PodeAbrir(command.FormClass);
    command.Item->SetVisible(allowed);
    command.Button->SetVisible(allowed);
  }
  // The reference tables are one level's together; the users and their types another's.
  const bool cadastros = PodeAbrir("TfCadUnidades");
  Cadastros1->SetVisible(cadastros);
  pnlCadastros->SetVisible(cadastros);
  const bool usuarios = PodeAbrir("TfCadUsuarios");
  Usurios1->SetVisible(usuarios);
  pnlUsuarios->SetVisible(usuarios);
}

void TfMenu::btnRecolherClick(TObject* /*Sender*/) {
  if (btnRecolher->GetCaption() == "Recolher") {
    pnlMenu->SetWidth(SidePanelCollapsedWidth);
    btnRecolher->SetCaption("");
  } else {
    pnlMenu->SetWidth(SidePanelWidth);
    btnRecolher->SetCaption("Recolher");
  }
}

void TfMenu::btnMenuCategoria1Click(TObject* /*Sender*/) {
  ToggleGroup(*pnlSolicitacoes, 103);
}

void TfMenu::SpeedButton2Click(TObject* /*Sender*/) {
  ToggleGroup(*pnlUsuarios, 103);
}

void TfMenu::SpeedButton5Click(TObject* /*Sender*/) {
  ToggleGroup(*pnlCadastros, 200);
}

void TfMenu::Abrir(const std::string& ClassName) {
  ExigirAcesso(ClassName);
  FTDI->MostrarFormulario(FormClassByName(ClassName), false);
}

void TfMenu::Prefeitura1Click(TObject* /*Sender*/) {
  Abrir("TfCadPrefeitura");
}

void TfMenu::Prefeitura2Click(TObject* /*Sender*/) {
  Abrir("TfCadUnidades");
}

void TfMenu::TipoDeUnidade1Click(TObject* /*Sender*/) {
  Abrir("TfCadTipoUnidade");
}

void TfMenu::ipodeSolicitao1Click(TObject* /*Sender*/) {
  Abrir("TfCadTipoSolicitacao");
}

void TfMenu::SituaodeSolicitao1Click(TObject* /*Sender*/) {
  Abrir("TfCadSituacao");
}

void TfMenu::GerenciamentodeSolicitaes1Click(TObject* /*Sender*/) {
  Abrir("TfLisSolicitacoes");
}

void TfMenu::CadastrodeUsurios1Click(TObject* /*Sender*/) {
  Abrir("TfCadUsuarios");
}

void TfMenu::iposdeUsurio1Click(TObject* /*Sender*/) {
  Abrir("TfCadTipoUsuario");
}

void TfMenu::Sair1Click(TObject* /*Sender*/) {
  GetApplication().Terminate();
}
