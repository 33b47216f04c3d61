#pragma once

// The clipboard of an application: a text or a picture.  Putting one on it replaces what was
// there, as on the platform.

#include "ui/Graphics.h"

#include <functional>
#include <string>

inline constexpr Word CF_TEXT = 1;
inline constexpr Word CF_BITMAP = 2;
inline constexpr Word CF_PICTURE = 0xC000;

class TClipboard {
public:
  const std::string& GetAsText() const { return FText; }
  void SetAsText(const std::string& text);
  // CF_TEXT when a text is held; CF_BITMAP and CF_PICTURE when a picture is.
  bool HasFormat(Word format) const;
  void Clear();
  // Puts a copy of the picture on the clipboard.
  void Assign(const TPicture& picture);
  // Copies the clipboard's picture into `picture`; raises EInvalidGraphic when it holds none.
  void AssignTo(TPicture& picture) const;
  const TPicture& GetPicture() const { return FPicture; }

  // Runs after every change, so that a presentation can pass the content on.
  std::function<void()> OnChange;

private:
  std::string FText;
  bool FHasText = false;
  TPicture FPicture;

  void Changed();
};

// The calling thread's application's clipboard.
TClipboard& Clipboard();
