#include "ui/Backend.h"

#include "ui/StdCtrls.h"

#include <cmath>

TModalResult ModalResultOf(TMsgDlgBtn button) {
  switch (button) {
  case mbYes:
    return mrYes;
  case mbNo:
    return mrNo;
  case mbOK:
    return mrOk;
  case mbCancel:
    return mrCancel;
  case mbAbort:
    return mrAbort;
  case mbRetry:
    return mrRetry;
  case mbIgnore:
    return mrIgnore;
  case mbAll:
    return mrAll;
  case mbNoToAll:
    return mrNoToAll;
  case mbYesToAll:
    return mrYesToAll;
  case mbHelp:
    return mrHelp;
  case mbClose:
    return mrClose;
  }
  return mrNone;
}

std::vector<TMsgDlgBtn> ButtonsOf(TMsgDlgButtons buttons) {
  std::vector<TMsgDlgBtn> result;
  for (TMsgDlgBtn button : {mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll,
                            mbNoToAll, mbYesToAll, mbHelp, mbClose})
    if (buttons.Contains(button))
      result.push_back(button);
  return result;
}

const char* ButtonCaption(TMsgDlgBtn button) {
  switch (button) {
  case mbYes:
    return "Yes";
  case mbNo:
    return "No";
  case mbOK:
    return "OK";
  case mbCancel:
    return "Cancel";
  case mbAbort:
    return "Abort";
  case mbRetry:
    return "Retry";
  case mbIgnore:
    return "Ignore";
  case mbAll:
    return "All";
  case mbNoToAll:
    return "No to All";
  case mbYesToAll:
    return "Yes to All";
  case mbHelp:
    return "Help";
  case mbClose:
    return "Close";
  }
  return "";
}

int TUIBackend::TextWidth(const TFont& font, const std::string& text) const {
  // An average character is a little over half as wide as the font is high.
  const int pixelHeight = std::abs(font.GetHeight());
  const int characters = detail::Utf8Length(text);
  return (characters * pixelHeight * 55 + 99) / 100;
}
