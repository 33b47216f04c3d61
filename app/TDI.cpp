#include "app/TDI.h"

#include "runtime/MainThread.h"

#include <memory>

const TClassInfo& TTDI::TPageControl::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TTDI::TPageControl>("TTDI.TPageControl").Creatable().Build();
  return info;
}

const TClassInfo& TTDI::StaticClass() {
  static const TClassInfo info = TClassBuilder<TTDI>("TTDI").Build();
  return info;
}

TTDI::TTDI(TWinControl* AOwner, const TClassInfo* aFormPadrao) : TWinControl(AOwner) {
  SetParent(AOwner);
  CriarPageControl();
  FFormPadrao = aFormPadrao;
  if (FFormPadrao != nullptr)
    MostrarFormulario(*FFormPadrao, false);
}

TTDI::~TTDI() {
  Fechar(true);
  MarkDestroying();
  DestroyComponents();
}

void TTDI::CriarPageControl() {
  FPageControl = new TPageControl(this);
  FPageControl->SetName("PageControl");
  FPageControl->SetVisible(false);
  FPageControl->SetAlign(alClient);
  FPageControl->SetParent(GetParent());
  FPageControl->OnDragOver = [this](TObject* Sender, TObject* Source, int X, int Y,
                                    TDragState State, bool& Accept) {
    PageControlDragOver(Sender, Source, X, Y, State, Accept);
  };
  FPageControl->OnMouseDown = [this](TObject* Sender, TMouseButton Button, TShiftState Shift, int X,
                                     int Y) { PageControlMouseDown(Sender, Button, Shift, X, Y); };
  FPageControl->OnDragDrop = [this](TObject* Sender, TObject* Source, int X, int Y) {
    PageControlDragDrop(Sender, Source, X, Y);
  };
  FPageControl->OnCloseClick = [this](TObject* Sender, TTabSheet* TabSheet) {
    PageControlCloseClick(Sender, TabSheet);
  };
}

TTabSheet* TTDI::NovaAba() {
  auto* sheet = new TTabSheet(FPageControl);
  sheet->SetPageControl(FPageControl);
  sheet->SetVisible(true);
  sheet->SetCaption("Carregando...");
  sheet->OnHide = [this](TObject* Sender) { OnTabHide(Sender); };
  sheet->SetPopupMenu(nullptr);
  FPageControl->SetVisible(true);
  FPageControl->SetActivePage(sheet);
  FPageControl->Change();
  FPageControl->UpdateCloseButtons();
  return sheet;
}

void TTDI::CriarFormulario(const TClassInfo& Classe) {
  if (!Classe.InheritsFrom(TCustomForm::StaticClass()) || !Classe.IsCreatable())
    throw Exception("Class " + Classe.ClassName() + " is not a form the workspace can create");
  TTabSheet* sheet = NovaAba();
  TCustomForm* form = CreateFormOfClass(Classe, sheet);
  form->SetAlign(alClient);
  form->SetBorderStyle(bsNone);
  form->SetParent(sheet);
  sheet->OnEnter = form->OnActivate;
  sheet->SetCaption(form->GetCaption() + EspacosBotaoFechar);
  detail::TFreeWatch watch(form);
  form->Show();
  if (!watch.Alive())
    return;
  try {
    form->SelectNext(nullptr, true, true);
  } catch (const std::exception&) {
    // A form whose first control cannot take the focus still opens.
  }
}

void TTDI::MostrarFormulario(const TClassInfo& Classe, bool Multi) {
  if (!Multi) {
    TTabSheet* previous = FPageControl->GetActivePage();
    const int page = Pagina(Classe);
    FPageControl->SetActivePageIndex(page);
    // Decided by the scan, not by whatever tab is active now: leaving no tab active may have
    // brought the default form back (OnTabHide), and that is no tab of this class.
    if (page >= 0) {
      if (FPageControl->GetActivePage() != previous)
        FPageControl->Change();
      return;
    }
  }
  CriarFormulario(Classe);
}

int TTDI::Pagina(const TClassInfo& aClasseForm) const {
  const int active = FPageControl->GetActivePageIndex();
  const auto holds = [&](int page) {
    const TCustomForm* form = Formulario(page);
    return form != nullptr && form->InheritsFrom(aClasseForm);
  };
  const int start = active >= 0 && holds(active) ? active : 0;
  int result = -1;
  for (int page = start; page < FPageControl->PageCount(); ++page)
    if (holds(page)) {
      result = page;
      if (page != active)
        break;
    }
  return result;
}

TCustomForm* TTDI::Formulario(int Pagina) const {
  if (Pagina < 0 || Pagina >= FPageControl->PageCount())
    return nullptr;
  const TTabSheet* sheet = FPageControl->Pages(Pagina);
  if (sheet->ComponentCount() <= INDEX_FORM)
    return nullptr;
  TComponent* component = sheet->Components(INDEX_FORM);
  return component->Is<TCustomForm>() ? static_cast<TCustomForm*>(component) : nullptr;
}

void TTDI::VisualizarAbas(IVisualizador& Visualizador, const TClassInfo* NaoExibir) const {
  for (int page = 0; page < FPageControl->PageCount(); ++page)
    if (TCustomForm* form = Formulario(page))
      if (&form->ClassType() != NaoExibir)
        Visualizador.Visualizar(form);
}

void TTDI::Fechar(bool Todas) {
  if (FPageControl->GetActivePage() == nullptr)
    return;
  if (Todas)
    for (int page = FPageControl->PageCount() - 1; page >= 0; --page)
      CloseTab(page);
  else
    CloseTab(FPageControl->GetActivePageIndex());
}

void TTDI::CloseTab(int Pagina) {
  if (TCustomForm* form = Formulario(Pagina)) {
    detail::TFreeWatch watch(form);
    form->Close();
    if (watch.Alive() && !form->GetVisible())
      delete form;
  }
  if (Pagina >= 0 && Pagina < FPageControl->PageCount() && Formulario(Pagina) == nullptr) {
    delete FPageControl->Pages(Pagina);
    FPageControl->Change();
    FPageControl->UpdateCloseButtons();
    FPageControl->Repaint();
  }
  FPageControl->SetVisible(FPageControl->PageCount() > 0);
}

void TTDI::OnTabHide(TObject* /*Sender*/) {
  if (FFormPadrao == nullptr || FPageControl->PageCount() != 1)
    return;
  MostrarFormulario(*FFormPadrao, false);
  const int page = Pagina(*FFormPadrao);
  if (page >= 0)
    FPageControl->SetActivePageIndex(page);
}

void TTDI::SetFormPadrao(const TClassInfo* Value) {
  if (Value == FFormPadrao)
    return;
  FFormPadrao = Value;
  if (Value != nullptr && FPageControl->GetActivePage() == nullptr)
    MostrarFormulario(*Value, false);
}

bool TTDI::GetMostrarMenuPopup() const {
  return FPageControl->GetPopupMenu() != nullptr;
}

void TTDI::SetMostrarMenuPopup(bool Value) {
  if (!Value) {
    FPageControl->SetPopupMenu(nullptr);
    return;
  }
  if (FPopup == nullptr) {
    FPopup = new TPopupMenu(FPageControl);
    FPopup->SetName("pop");
    auto* fechar = new TMenuItem(FPopup);
    fechar->SetCaption("Fechar janela");
    fechar->SetShortCut(ShortCut(VK_F4, {ssCtrl}));
    fechar->OnClick = [this](TObject* Sender) { MenuFechar(Sender); };
    FPopup->GetItems().Add(fechar);
    auto* todas = new TMenuItem(FPopup);
    todas->SetCaption("Fechar todas as janelas");
    todas->OnClick = [this](TObject* Sender) { MenuFecharTodas(Sender); };
    FPopup->GetItems().Add(todas);
  }
  FPageControl->SetPopupMenu(FPopup);
}

void TTDI::MenuFechar(TObject* /*Sender*/) {
  Fechar(false);
}

void TTDI::MenuFecharTodas(TObject* /*Sender*/) {
  Fechar(true);
}

void TTDI::PostCloseTab(int Pagina) {
  auto watch = std::make_shared<detail::TFreeWatch>(this);
  TThread::Queue([this, watch, Pagina] {
    if (watch->Alive())
      WM_CLOSETAB(Pagina);
  });
}

void TTDI::WM_CLOSETAB(int Pagina) {
  CloseTab(Pagina);
}

void TTDI::PageControlCloseClick(TObject* /*Sender*/, TTabSheet* /*TabSheet*/) {
  Fechar(false);
}

void TTDI::PageControlMouseDown(TObject* /*Sender*/, TMouseButton Button, TShiftState /*Shift*/,
                                int /*X*/, int /*Y*/) {
  if (Button == mbLeft)
    FPageControl->BeginDrag(false);
}

void TTDI::PageControlDragOver(TObject* /*Sender*/, TObject* /*Source*/, int /*X*/, int /*Y*/,
                               TDragState /*State*/, bool& Accept) {
  Accept = true;
}

void TTDI::PageControlDragDrop(TObject* /*Sender*/, TObject* /*Source*/, int X, int Y) {
  for (int tab = 0; tab < FPageControl->PageCount(); ++tab)
    if (FPageControl->TabRect(tab).Contains({X, Y})) {
      TTabSheet* active = FPageControl->GetActivePage();
      if (active != nullptr && active->GetPageIndex() != tab)
        active->SetPageIndex(tab);
      return;
    }
}
