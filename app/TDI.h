#pragma once

// The tabbed workspace: forms shown as tabs of a page control that covers the client area of
// the workspace's form.  One tab per form class unless asked otherwise; a tab closes with its
// close button, and tabs are moved by dragging them.

#include "app/TabCloseButton.h"
#include "ui/Forms.h"
#include "ui/Menus.h"

#include <string>

// Appended to every tab caption to leave room for the close button.
inline const std::string EspacosBotaoFechar = "      ";
// The message a hosted form posts to close a tab; its first parameter is the tab's index.
inline constexpr unsigned WM_CLOSE_TAB = 0x0400 + 1;
// A tab's form is the first component its tab sheet owns.
inline constexpr int INDEX_FORM = 0;

// A visitor of the forms of the workspace's tabs.
class IVisualizador {
public:
  virtual ~IVisualizador() = default;
  virtual void Visualizar(TCustomForm* Formulario) = 0;
};

class TTDI : public TWinControl {
  DUO_CLASS(TTDI, TWinControl)

public:
  // The workspace's page control.
  class TPageControl : public TTabCloseButton {
    DUO_CLASS(TPageControl, TTabCloseButton)

  public:
    using TTabCloseButton::TTabCloseButton;
  };

  // Becomes a child of AOwner and shows aFormPadrao when one is given.
  TTDI(TWinControl* AOwner, const TClassInfo* aFormPadrao);
  ~TTDI() override;

  // Shows a form of class Classe in a tab: an existing tab of the class is activated unless
  // Multi asks for a new one.
  void MostrarFormulario(const TClassInfo& Classe, bool Multi);
  // Closes the active tab, or every tab.
  void Fechar(bool Todas);
  // The form of tab number Pagina, or nullptr.
  TCustomForm* Formulario(int Pagina) const;
  // Passes the form of every tab, in tab order, to the visitor, except forms of exactly the
  // class NaoExibir.
  void VisualizarAbas(IVisualizador& Visualizador, const TClassInfo* NaoExibir) const;

  const TClassInfo* GetFormPadrao() const { return FFormPadrao; }
  void SetFormPadrao(const TClassInfo* Value);
  bool GetMostrarMenuPopup() const;
  void SetMostrarMenuPopup(bool Value);
  TPageControl* GetPageControl() const { return FPageControl; }

  // Hands the workspace a request to close tab Pagina; it is handled by the main thread's loop
  // after the caller (the tab's own form) has returned.
  void PostCloseTab(int Pagina);
  // The handler of that request.
  void WM_CLOSETAB(int Pagina);

  // The tab that MostrarFormulario activates for a class: the first tab with a form of that
  // class after the active one, the active one when it is the only one, -1 when none.  The scan
  // starts at the active tab when it holds such a form, else at the first tab, and does not
  // wrap around.
  int Pagina(const TClassInfo& aClasseForm) const;

private:
  TPageControl* FPageControl = nullptr;
  const TClassInfo* FFormPadrao = nullptr;
  TPopupMenu* FPopup = nullptr;

  TTabSheet* NovaAba();
  void CriarFormulario(const TClassInfo& Classe);
  void CriarPageControl();
  void CloseTab(int Pagina);
  void OnTabHide(TObject* Sender);
  void MenuFechar(TObject* Sender);
  void MenuFecharTodas(TObject* Sender);
  void PageControlCloseClick(TObject* Sender, TTabSheet* TabSheet);
  void PageControlMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void PageControlDragOver(TObject* Sender, TObject* Source, int X, int Y, TDragState State,
                           bool& Accept);
  void PageControlDragDrop(TObject* Sender, TObject* Source, int X, int Y);
};
