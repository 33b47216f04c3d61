#include "app/FormParts.h"

#include "app/DuoFormTemplate.h"
#include "app/VozmiraWeb.h"
#include "app/uMenu.h"
#include "bridge/Duo.Item.HTML.h"
#include "bridge/Duo.Item.UIObj.h"
#include "bridge/Duo.Item.Upload.h"
#include "bridge/Duo.h"

#include <filesystem>
#include <system_error>

namespace detail {

TPanel* PlainPanel(TComponent& owner, TWinControl* parent, const char* name, TAlign align,
                   int size) {
  TPanel* panel = Dock<TPanel>(owner, parent, name, align, size);
  panel->SetBevelOuter(bvNone);
  panel->SetShowCaption(false);
  return panel;
}

TTitleBar MakeTitleBar(TComponent& owner, TWinControl* parent, const char* panelName,
                       const std::string& title, bool bevelled) {
  TTitleBar bar{};
  bar.Panel = PlainPanel(owner, parent, panelName, alTop, 41);
  if (bevelled) {
    bar.Panel->SetBevelInner(bvRaised);
    bar.Panel->SetBevelOuter(bvLowered);
  }
  bar.Sair = Dock<TBitBtn>(owner, bar.Panel, "btnSair", alRight, 100);
  bar.Sair->SetCaption("Sair");
  bar.Title = Dock<TLabel>(owner, bar.Panel, "lblTituloTela", alClient);
  bar.Title->SetCaption(title);
  bar.Title->SetLayout(tlCenter);
  BoldFont(bar.Title->GetFont(), 21);
  return bar;
}

TBitBtn* StripButton(TComponent& owner, TWinControl* strip, const char* name,
                     const std::string& caption, int position) {
  constexpr int width = 111;
  constexpr int height = 41;
  constexpr int margin = 3;
  TBitBtn* button = Place<TBitBtn>(owner, strip, name, margin + position * (width + 2 * margin),
                                   margin, width, height);
  button->SetCaption(caption);
  return button;
}

void SetGridColumns(TDBGrid& grid, std::initializer_list<std::pair<const char*, int>> columns) {
  for (const auto& [field, width] : columns) {
    TColumn& column = grid.GetColumns().Add();
    column.SetFieldName(field);
    if (width > 0)
      column.SetWidth(width);
  }
}

TDBGrid* ReadOnlyGrid(TComponent& owner, TWinControl* parent, const char* name, TDataSource* source,
                      std::initializer_list<std::pair<const char*, int>> columns) {
  TDBGrid* grid = Dock<TDBGrid>(owner, parent, name, alClient);
  grid->SetReadOnly(true);
  grid->SetOptions(grid->GetOptions().Exclude(dgEditing));
  SetGridColumns(*grid, columns);
  grid->SetDataSource(source);
  return grid;
}

void KeyEditLook(TCustomEdit& edit, bool typable) {
  edit.SetColor(clBtnFace);
  if (!typable) {
    edit.SetReadOnly(true);
    edit.SetTabStop(false);
  }
}

bool IsEditing(const TDataSet& dataSet) {
  return dataSet.GetState() == TDataSetState::dsEdit ||
         dataSet.GetState() == TDataSetState::dsInsert;
}

void BoldFont(TFont& font, int pixels) {
  font.SetName("Segoe UI");
  font.SetHeight(-pixels);
  font.SetStyle({fsBold});
}

TDuoItems& ExportWorkPage(TDuoForm& form, const std::string& panelCaption, TLabel* title,
                          TControl* leave) {
  form.SetTitle("Brenvox");
  // The master template names the user, which the application's page form answers.
  form.SetTemplateClassForm(&TDuoFormTemplate::StaticClass());
  form.SetTemplateFiles("pages/template.html", "pages/itemtemplate.html");
  TDuoItems& items = form.GetDuo()->Items;
  TDuoItems& bar = items.Add().Row("row").Items;
  bar.Add().FormGroup(panelCaption, "col-auto");
  bar.Add().UIObj(title, "fs-2 fw-bold");
  bar.Add().FormGroup("", "col-auto").AddUIObj(leave);
  return items;
}

bool LerImagem(TDuoForm& form, const std::string& fileName, TPicture& picture) {
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(fileName, error);
  if (error)
    throw Exception("Cannot open file \"" + fileName + "\": " + error.message());
  if (size > MaxPictureFileSize) {
    form.ShowMessage("A imagem selecionado é maior que 1mb");
    return false;
  }
  // Read into a picture of its own first: a file that is no picture leaves `picture` as it was.
  TPicture read;
  read.LoadFromFile(fileName);
  picture.Assign(read);
  return true;
}

bool ImagemEnviada(TDuoForm& form, const TStrings* files, TPicture& picture) {
  return files != nullptr && files->Count() > 0 && LerImagem(form, files->Strings(0), picture);
}

void AdicionarEnvioDeImagem(TDuoItems& items, const std::string& caption) {
  items.Add().Upload(caption, "jpg,jpeg,png,gif,bmp", "", 1, 1);
}

bool KeepsSaveAvailable() {
  return TDuoForm::IsDuoContext();
}

void SairDaPagina() {
  if (TDuoForm::IsDuoContext())
    NavigateTo("dashboard");
  else
    FTDI->Fechar(false);
}

} // namespace detail
