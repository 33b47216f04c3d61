#include "ui/Clipbrd.h"

#include "ui/Forms.h"

void TClipboard::SetAsText(const std::string& text) {
  FPicture.Clear();
  FText = text;
  FHasText = true;
  Changed();
}

bool TClipboard::HasFormat(Word format) const {
  if (format == CF_TEXT)
    return FHasText;
  if (format == CF_BITMAP || format == CF_PICTURE)
    return !FPicture.Empty();
  return false;
}

void TClipboard::Clear() {
  FText.clear();
  FHasText = false;
  FPicture.Clear();
  Changed();
}

void TClipboard::Assign(const TPicture& picture) {
  FText.clear();
  FHasText = false;
  FPicture.Assign(picture);
  Changed();
}

void TClipboard::AssignTo(TPicture& picture) const {
  if (FPicture.Empty())
    throw EInvalidGraphic("The clipboard holds no picture");
  picture.Assign(FPicture);
}

void TClipboard::Changed() {
  if (OnChange)
    OnChange();
}

TClipboard& Clipboard() {
  return Application().GetClipboard();
}
