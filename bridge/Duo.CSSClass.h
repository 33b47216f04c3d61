#pragma once

// The framework's CSS class texts that layouts compose, and the HTML dialect layouts render in.

#include <string>

class TCSSClassButton {
public:
  // The classes of a button that shows an icon: the info colours and the class drawing the icon.
  static std::string iconbutton(const std::string& Icon);
};

// One holder serves every form and bridge object: it keeps no state.
class TCSSClass {
public:
  TCSSClassButton Button;
};

const TCSSClass& CSSClassConstants();

// The HTML dialect of a rendered layout.
class IDuoHTMLType {
public:
  virtual ~IDuoHTMLType() = default;
};

// The only dialect: Bootstrap markup.
class TDuoHTMLBootStrap final : public IDuoHTMLType {};
