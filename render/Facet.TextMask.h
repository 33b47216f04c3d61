#pragma once

// Input masks for edits: each returns the text of an input-mask options object without its
// outer braces, which an edit writes into its data-inputmask attribute and into the script call
// that applies the mask in the browser.

#include <string>

class TFacetTextMask {
public:
  // Every mask an edit is given passes through here; masks are used as written.
  static std::string ProcessTextMask(const std::string& aMask) { return aMask; }

  static std::string BrazilCep();
  static std::string BrazilCNPJ();
  static std::string BrazilCPF();
  static std::string BrazilPhone();
  static std::string Phone();
  static std::string PhoneWithDDI();
  static std::string Email();
  static std::string IP();
  static std::string MAC();
  static std::string Integer();
  static std::string URL();
  static std::string USSocialSecurity();
  static std::string Decimal(int decimaldigits, char decimalseparador, char thousandseparator);
  static std::string Currency(const std::string& CurrSimbol, int decimaldigits,
                              char decimalseparador, char thousandseparator);
};
