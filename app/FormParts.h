#pragma once

// Pieces the application's forms share: placing a control, the title bar with its "Sair" button,
// grid columns, and the rules that follow a dataset's state.

#include "app/Acesso.h"
#include "app/SessionGlobal.h"
#include "bridge/Duo.Forms.h"
#include "data/DB.h"
#include "data/DBGrids.h"
#include "ui/Buttons.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"

#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>

class TDuoItems;

namespace detail {

// Creates a control owned by `owner`, named, on `parent`, at the given bounds.
template <class T>
T* Place(TComponent& owner, TWinControl* parent, const char* name, int left, int top, int width,
         int height) {
  auto* control = new T(&owner);
  control->SetName(name);
  control->SetParent(parent);
  control->SetBounds(left, top, width, height);
  return control;
}

// Creates a control that takes an edge (or the rest) of its parent.
template <class T>
T* Dock(TComponent& owner, TWinControl* parent, const char* name, TAlign align, int size = 0) {
  auto* control = new T(&owner);
  control->SetName(name);
  control->SetParent(parent);
  if (align == alLeft || align == alRight)
    control->SetWidth(size);
  else if (align == alTop || align == alBottom)
    control->SetHeight(size);
  control->SetAlign(align);
  return control;
}

// A panel without caption or bevels.
TPanel* PlainPanel(TComponent& owner, TWinControl* parent, const char* name, TAlign align,
                   int size = 0);

// The title bar of a form: a panel along the top, 41 pixels high, with the title filling it and
// "Sair" at its right end.  `bevelled` gives the panel a raised inner and a lowered outer bevel;
// otherwise it is flat.
struct TTitleBar {
  TPanel* Panel;
  TLabel* Title;
  TBitBtn* Sair;
};
TTitleBar MakeTitleBar(TComponent& owner, TWinControl* parent, const char* panelName,
                       const std::string& title, bool bevelled);

// A button of a button strip: 111 x 41 pixels, lined up from the left with 3-pixel margins.
TBitBtn* StripButton(TComponent& owner, TWinControl* strip, const char* name,
                     const std::string& caption, int position);

// A read-only grid on a data source with the given columns (field name, width in pixels; a width
// of 0 keeps the default).  Column titles are the fields' labels.
void SetGridColumns(TDBGrid& grid, std::initializer_list<std::pair<const char*, int>> columns);
TDBGrid* ReadOnlyGrid(TComponent& owner, TWinControl* parent, const char* name, TDataSource* source,
                      std::initializer_list<std::pair<const char*, int>> columns);

// The look of a key edit: grey; read-only and out of the tab order unless `typable`.
void KeyEditLook(TCustomEdit& edit, bool typable);

bool IsEditing(const TDataSet& dataSet);

// Whether "Salvar" and "Cancelar" stay available while a row is only browsed.  In the browser
// what is typed into a field reaches the program only with the next event, so the row is not yet
// in edit state when the user wants to save it; there both buttons stay available and do
// nothing while the row is unchanged.
bool KeepsSaveAvailable();

// Shows the detail form `reference` refers to modally, creating it (owned by `owner`) when there
// is none; refused with "Acesso negado" when the user's access level may not open it.  The form
// is freed when it closes, or when showing it fails, and the reference cleared either way, so
// that it never points at a freed form.
template <class T> void ShowDetailModal(TSessionGlobal<T>& reference, TComponent* owner) {
  ExigirAcesso(T::StaticClass().ClassName());
  if (reference == nullptr)
    reference = CreateForm<T>(owner);
  struct TFreeForm {
    TSessionGlobal<T>& Reference;
    ~TFreeForm() {
      delete Reference.Get();
      Reference = nullptr;
    }
  } freeForm{reference};
  reference->ShowModal();
}

// Sets a bold "Segoe UI" font of the given height in pixels.
void BoldFont(TFont& font, int pixels);

// The web page of a working form inside the office's master template: the title "Brenvox", the
// application's page form, and a first row with an empty group titled by the title panel's
// caption, the title label and the "Sair" button.  Returns the page's root list of items.
TDuoItems& ExportWorkPage(TDuoForm& form, const std::string& panelCaption, TLabel* title,
                          TControl* leave);

// The largest picture file the forms take, in bytes.
constexpr std::uintmax_t MaxPictureFileSize = 1048576;

// Reads the picture file `fileName` into `picture`.  A file larger than MaxPictureFileSize is not
// read: `form` shows "A imagem selecionado é maior que 1mb" and the result is false.  A file
// that cannot be opened, or is no picture, raises the error and leaves `picture` as it was.
bool LerImagem(TDuoForm& form, const std::string& fileName, TPicture& picture);

// Takes the first file of an upload into `picture` (see LerImagem); false when there is none or
// it was refused.
bool ImagemEnviada(TDuoForm& form, const TStrings* files, TPicture& picture);

// The upload item of a page that takes one picture file.
void AdicionarEnvioDeImagem(TDuoItems& items, const std::string& caption);

// Leaves a working form by its "Sair": on the desktop its workspace tab closes; in the browser,
// where the form is a page of its own, the dashboard is shown.
void SairDaPagina();

} // namespace detail
