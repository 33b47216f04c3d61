#include "UiTest.h"

#include "ui/Clipbrd.h"

#include <filesystem>
#include <fstream>

namespace {

using MenusDialogs = UiTest;

TMenuItem* Item(TComponent* owner, TMenuItem& parent, const std::string& name,
                const std::string& caption) {
  auto* item = new TMenuItem(owner);
  item->SetName(name);
  item->SetCaption(caption);
  parent.Add(item);
  return item;
}

TEST_F(MenusDialogs, PickingAMenuItemClicksIt) {
  TForm* form = NewForm("fMenu");
  auto* menu = new TMainMenu(form);
  TMenuItem* cadastros = Item(form, menu->GetItems(), "Cadastros1", "Cadastros");
  TMenuItem* prefeitura = Item(form, *cadastros, "Prefeitura1", "Prefeitura");
  Item(form, *cadastros, "N1", "-");
  TMenuItem* relatorio = Item(form, *cadastros, "Relatorio1", "Relatório");
  TMenuItem* sair = Item(form, menu->GetItems(), "Sair1", "Sair");
  prefeitura->OnClick = Note("Prefeitura1");
  relatorio->OnClick = Note("Relatorio1");
  sair->OnClick = [&](TObject*) { App.Terminate(); };
  relatorio->SetEnabled(false);
  EXPECT_TRUE(cadastros->Items(1)->IsLine());
  EXPECT_EQ(cadastros->Find("&prefeitura"), prefeitura);
  EXPECT_EQ(menu->FindItemByName("Relatorio1"), relatorio);

  Driver.PickMenuItem(*form, "Prefeitura1");
  EXPECT_THROW(Driver.PickMenuItem(*form, "Relatorio1"), EDriverError);
  cadastros->SetVisible(false);
  EXPECT_THROW(Driver.PickMenuItem(*form, "Prefeitura1"), EDriverError)
      << "an item under a hidden item cannot be reached";
  relatorio->Click();
  EXPECT_EQ(Log, (std::vector<std::string>{"Prefeitura1"})) << "a disabled item does not click";

  // Picked inside a modal run, the exit item ends it.
  Driver.Queue([&] { Driver.PickMenuItem("fMenu", "Sair1"); });
  EXPECT_EQ(form->ShowModal(), mrCancel);
}

TEST_F(MenusDialogs, DestroyingAnItemDestroysItsSubItems) {
  TForm* form = NewForm("fItems");
  auto* menu = new TPopupMenu(form);
  TMenuItem* parent = Item(form, menu->GetItems(), "Parent1", "Parent");
  Item(form, *parent, "Child1", "Child");
  Item(form, *parent, "Child2", "Child");
  EXPECT_EQ(form->ComponentCount(), 4);
  delete parent;
  EXPECT_EQ(form->ComponentCount(), 1);
  EXPECT_EQ(menu->GetItems().Count(), 0);
}

TEST_F(MenusDialogs, ShortcutsTextRoundTrip) {
  struct TCase {
    Word Key;
    TShiftState Shift;
    const char* Text;
  };
  const TCase cases[] = {
      {VK_F4, {ssCtrl}, "Ctrl+F4"},
      {'A', {ssShift, ssCtrl}, "Shift+Ctrl+A"},
      {VK_DELETE, {}, "Del"},
      {VK_RETURN, {ssAlt}, "Alt+Enter"},
      {'7', {}, "7"},
  };
  for (const TCase& c : cases) {
    const TShortCut shortCut = ShortCut(c.Key, c.Shift);
    EXPECT_EQ(ShortCutToText(shortCut), c.Text);
    EXPECT_EQ(TextToShortCut(c.Text), shortCut) << c.Text;
    Word key = 0;
    TShiftState shift;
    ShortCutToKey(shortCut, key, shift);
    EXPECT_EQ(key, c.Key);
    EXPECT_EQ(shift, c.Shift);
  }
  EXPECT_EQ(TextToShortCut("Ctrl+Nothing"), 0);
}

TEST_F(MenusDialogs, AShortcutClicksThePopupItemOfTheFocusedControlsParents) {
  TForm* form = NewForm("fShortcut");
  TPageControl* pages = Add<TPageControl>(form, "pgc");
  auto* sheet = new TTabSheet(pages);
  sheet->SetPageControl(pages);
  TEdit* edit = Add<TEdit>(sheet, "edt", form);
  LogKeys(edit);
  auto* popup = new TPopupMenu(pages);
  popup->SetName("pop");
  TMenuItem* close = Item(pages, popup->GetItems(), "FecharJanela", "Fechar janela");
  close->SetShortCut(TextToShortCut("Ctrl+F4"));
  close->OnClick = Note("Fechar");
  pages->SetPopupMenu(popup);
  form->Show();
  edit->SetFocus();
  Driver.PressKey(*form, VK_F4, {ssCtrl});
  EXPECT_EQ(Log, (std::vector<std::string>{"Fechar"})) << "the shortcut takes the key";
  // A right click shows the control's popup menu, which the backend is asked to present.
  struct TPopups : TControlObserver {
    std::vector<TPoint> Points;
    void MenuPopup(TPopupMenu&, TPoint at) override { Points.push_back(at); }
  } popups;
  App.AddObserver(&popups);
  popup->OnPopup = Note("OnPopup");
  Driver.MouseUp(*form, "pgc", mbRight, 10, 10);
  App.RemoveObserver(&popups);
  EXPECT_EQ(popup->GetPopupComponent(), pages);
  EXPECT_EQ(popups.Points, (std::vector<TPoint>{pages->ClientToParentForm({10, 10})}));
  EXPECT_EQ(Log.back(), "OnPopup");
  EXPECT_EQ(Driver.FindMenuItem(*form, "FecharJanela").GetCaption(), "Fechar janela");
}

TEST_F(MenusDialogs, MessageDialogsTakeTheQueuedAnswers) {
  App.SetTitle("Vozmira");
  Driver.AnswerMessage(mrNo);
  EXPECT_EQ(MessageDlg("Excluir?", mtConfirmation, mbYesNo, 0), mrNo);
  // A dialog with a single button answers itself.
  EXPECT_EQ(MessageDlg("Usuário ou Senha não confere!", mtWarning, {mbOK}, 0), mrOk);
  ShowMessage("Informe o Login");
  ASSERT_EQ(Driver.Messages().size(), 3u);
  const TShownMessage& warning = Driver.Messages()[1];
  EXPECT_EQ(warning.Text, "Usuário ou Senha não confere!");
  EXPECT_EQ(warning.Type, mtWarning);
  EXPECT_EQ(warning.Caption, "Warning");
  EXPECT_EQ(warning.Buttons, TMsgDlgButtons{mbOK});
  EXPECT_EQ(Driver.LastMessage().Text, "Informe o Login");
  EXPECT_EQ(Driver.LastMessage().Caption, "Vozmira");
  EXPECT_EQ(Driver.LastMessage().Type, mtCustom);
  // Errors that reach the runtime's default handling show the error dialog.
  HandleDefaultError(Exception("Falha na conexão"));
  EXPECT_EQ(Driver.LastMessage().Text, "Falha na conexão.");
  EXPECT_EQ(Driver.LastMessage().Type, mtError);
}

TEST_F(MenusDialogs, AnUnansweredOrWronglyAnsweredDialogFails) {
  try {
    MessageDlg("Salvar alterações?", mtConfirmation, mbYesNoCancel, 0);
    FAIL();
  } catch (const EPresentationError& e) {
    EXPECT_STREQ(e.what(),
                 "Message dialog \"Salvar alterações?\" is waiting for an answer but none is "
                 "queued");
  }
  Driver.AnswerMessage(mrOk);
  EXPECT_THROW(MessageDlg("Excluir?", mtConfirmation, mbYesNo, 0), EPresentationError);
  // The failure reaches the test even from inside a handler.
  TForm* form = NewForm("fAsk");
  TButton* ask = Add<TButton>(form, "btnAsk");
  ask->OnClick = [](TObject*) { MessageDlg("Excluir?", mtConfirmation, mbYesNo, 0); };
  form->Show();
  EXPECT_THROW(Driver.Click(*form, "btnAsk"), EPresentationError);
}

TEST_F(MenusDialogs, OpenDialogReturnsTheQueuedFileOrCancel) {
  TOpenDialog dialog(nullptr);
  dialog.SetTitle("Logo");
  Driver.AnswerOpenDialog("/tmp/logo.png");
  Driver.CancelOpenDialog();
  EXPECT_TRUE(dialog.Execute());
  EXPECT_EQ(dialog.GetFileName(), "/tmp/logo.png");
  EXPECT_FALSE(dialog.Execute());
  EXPECT_EQ(dialog.GetFileName(), "/tmp/logo.png");
  EXPECT_THROW(dialog.Execute(), EPresentationError);
  EXPECT_EQ(Driver.Backend().FileDialogs().size(), 3u);
  EXPECT_EQ(Driver.Backend().FileDialogs()[0].Title, "Logo");
}

class Pictures : public UiTest {
protected:
  std::filesystem::path Dir =
      std::filesystem::temp_directory_path() / ("ui_pictures_" + std::to_string(::getpid()));
  void SetUp() override { std::filesystem::create_directories(Dir); }
  void TearDown() override { std::filesystem::remove_all(Dir); }

  std::string Write(const std::string& name, const TBytes& bytes) {
    const std::filesystem::path path = Dir / name;
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return path.string();
  }
};

// The smallest headers of each format, for a 3 x 2 picture.
TBytes PngBytes() {
  return {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13, 'I', 'H', 'D',
          'R',  0,   0,   0,   3,    0,    0,    0,    2, 8, 2, 0,  0,   0};
}
TBytes GifBytes() {
  return {'G', 'I', 'F', '8', '9', 'a', 3, 0, 2, 0, 0, 0, 0};
}
TBytes BmpBytes() {
  TBytes b(54, 0);
  b[0] = 'B';
  b[1] = 'M';
  b[2] = 54;
  b[14] = 40;
  b[18] = 3;
  b[22] = 2;
  return b;
}
TBytes JpegBytes() {
  return {0xFF, 0xD8, 0xFF, 0xE0, 0, 4, 0, 0, 0xFF, 0xC0, 0, 11, 8, 0, 2, 0, 3, 1, 1, 0x11, 0};
}

TEST_F(Pictures, LoadingFollowsTheExtensionAndReadsTheSize) {
  struct TCase {
    const char* File;
    TBytes Bytes;
    const char* Format;
  };
  const TCase cases[] = {{"a.png", PngBytes(), "png"},
                         {"b.GIF", GifBytes(), "gif"},
                         {"c.bmp", BmpBytes(), "bmp"},
                         {"d.jpeg", JpegBytes(), "jpeg"},
                         {"e.jpg", JpegBytes(), "jpeg"}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.File);
    TPicture picture;
    picture.LoadFromFile(Write(c.File, c.Bytes));
    EXPECT_EQ(picture.GetFormat(), c.Format);
    EXPECT_EQ(picture.GetWidth(), 3);
    EXPECT_EQ(picture.GetHeight(), 2);
    EXPECT_EQ(picture.GetData(), c.Bytes);
  }
}

TEST_F(Pictures, BytesThatAreNotAPictureAreRefusedAndThePictureKept) {
  TForm* form = NewForm("fLogo");
  TImage* image = Add<TImage>(form, "dbiLogo");
  image->GetPicture().LoadFromFile(Write("logo.png", PngBytes()));
  int changes = 0;
  image->GetPicture().OnChange = [&] { ++changes; };
  const std::string text = Write("notes.png", TBytes{'h', 'e', 'l', 'l', 'o'});
  const std::string jpegNamedPng = Write("photo.png", JpegBytes());
  const std::string unknown = Write("logo.tiff", PngBytes());
  for (const std::string& file : {text, jpegNamedPng, unknown, (Dir / "missing.png").string()})
    EXPECT_THROW(image->GetPicture().LoadFromFile(file), EInvalidGraphic) << file;
  EXPECT_EQ(image->GetPicture().GetFormat(), "png");
  EXPECT_EQ(changes, 0);
  EXPECT_THROW(image->GetPicture().LoadFromBytes({1, 2, 3}), EInvalidGraphic);
  image->GetPicture().LoadFromBytes({});
  EXPECT_TRUE(image->GetPicture().Empty());
}

TEST_F(Pictures, TheClipboardHoldsATextOrAPicture) {
  TClipboard& clipboard = Clipboard();
  EXPECT_EQ(&clipboard, &App.GetClipboard());
  clipboard.SetAsText("abc");
  EXPECT_TRUE(clipboard.HasFormat(CF_TEXT));
  EXPECT_FALSE(clipboard.HasFormat(CF_BITMAP));
  TPicture picture;
  EXPECT_THROW(clipboard.AssignTo(picture), EInvalidGraphic);
  TPicture bitmap;
  bitmap.LoadFromBytes(BmpBytes());
  clipboard.Assign(bitmap);
  EXPECT_TRUE(clipboard.HasFormat(CF_BITMAP));
  EXPECT_FALSE(clipboard.HasFormat(CF_TEXT));
  clipboard.AssignTo(picture);
  EXPECT_EQ(picture.GetFormat(), "bmp");
}

TEST_F(MenusDialogs, ScreenPixelsPerInchBelongToTheApplication) {
  EXPECT_EQ(Screen().GetPixelsPerInch(), 96);
  Screen().SetPixelsPerInch(144);
  EXPECT_EQ(App.GetScreen().GetPixelsPerInch(), 144);
  TApplication other;
  TApplicationScope scope(other);
  EXPECT_EQ(Screen().GetPixelsPerInch(), 96);
}

} // namespace
