#pragma once

// The main menu: a top bar with the exit button, a side panel of commands in three groups that
// open and close, and the tabbed workspace in the rest of the window.  Every command opens its
// form as a tab; the dashboard opens as the first tab when the menu is shown.

#include "app/SessionGlobal.h"
#include "app/TDI.h"
#include "bridge/Duo.Forms.h"
#include "data/DBCtrls.h"
#include "ui/Buttons.h"
#include "ui/ExtCtrls.h"
#include "ui/Menus.h"

#include <string>

class TfMenu : public TDuoForm {
  DUO_CLASS(TfMenu, TDuoForm)

public:
  explicit TfMenu(TComponent* AOwner);
  ~TfMenu() override;

  // The menu has no web layout of its own: only its title.
  void ExportDuo() override;

  TPanel* Panel1;
  TDBText* DBText1;
  TSpeedButton* btnUser;
  TPanel* pnlEspaco;
  TSpeedButton* btnFechar;
  TPanel* pnlMenu;
  TSpeedButton* btnRecolher;
  TPanel* pnlSolicitacoes;
  TSpeedButton* btnMenuCategoria1;
  TSpeedButton* SpeedButton4;
  TSpeedButton* btnOpcao1;
  TPanel* pnlUsuarios;
  TSpeedButton* SpeedButton2;
  TSpeedButton* SpeedButton1;
  TSpeedButton* SpeedButton3;
  TPanel* pnlCadastros;
  TSpeedButton* SpeedButton5;
  TSpeedButton* SpeedButton6;
  TSpeedButton* SpeedButton7;
  TSpeedButton* SpeedButton8;
  TSpeedButton* SpeedButton9;
  TSpeedButton* SpeedButton10;
  TSpeedButton* btnConfiguracoes;
  TImage* Image1;

  TMainMenu* MainMenu1;
  TMenuItem* Cadastros1;
  TMenuItem* Prefeitura1;
  TMenuItem* Prefeitura2;
  TMenuItem* N1;
  TMenuItem* TipoDeUnidade1;
  TMenuItem* ipodeSolicitao1;
  TMenuItem* SituaodeSolicitao1;
  TMenuItem* Solicitaes1;
  TMenuItem* GerenciamentodeSolicitaes1;
  TMenuItem* GerenciamentodeSolicitaes2;
  TMenuItem* Usurios1;
  TMenuItem* CadastrodeUsurios1;
  TMenuItem* iposdeUsurio1;
  TMenuItem* Sair1;

  void FormCreate(TObject* Sender);
  void FormShow(TObject* Sender);
  // Collapses the side panel to its pictures, or expands it again.
  void btnRecolherClick(TObject* Sender);
  // Open or close the groups "Solicitações", "Usuários" and "Cadastros".
  void btnMenuCategoria1Click(TObject* Sender);
  void SpeedButton2Click(TObject* Sender);
  void SpeedButton5Click(TObject* Sender);

  void Prefeitura1Click(TObject* Sender);
  void Prefeitura2Click(TObject* Sender);
  void TipoDeUnidade1Click(TObject* Sender);
  void ipodeSolicitao1Click(TObject* Sender);
  void SituaodeSolicitao1Click(TObject* Sender);
  void GerenciamentodeSolicitaes1Click(TObject* Sender);
  void CadastrodeUsurios1Click(TObject* Sender);
  void iposdeUsurio1Click(TObject* Sender);
  void Sair1Click(TObject* Sender);

private:
  // Opens the form of a class, named as it is registered, in the workspace; refused with
  // "Acesso negado" when the user's access level may not open it.
  void Abrir(const std::string& ClassName);
  // Hides the commands and side buttons of the forms the user's access level may not open, and
  // the groups left with none.
  void MostrarComandosDoNivel();
};

extern TSessionGlobal<TfMenu> fMenu;
// The menu's workspace; the forms in its tabs close themselves through it.
extern TSessionGlobal<TTDI> FTDI;

// The class of an application form, found by name among the classes the program registered.
// Raises an error naming the class when the program has no such form.
const TClassInfo& FormClassByName(const std::string& ClassName);
