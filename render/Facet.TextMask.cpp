#include "render/Facet.TextMask.h"

std::string TFacetTextMask::BrazilCep() {
  return "'mask' : '99999-999'";
}

std::string TFacetTextMask::BrazilCNPJ() {
  return "'mask' : '99.999.999/9999.99', 'autoUnmask' : true";
}

std::string TFacetTextMask::BrazilCPF() {
  return "'mask': '999.999.999.99', 'autoUnmask' : true";
}

std::string TFacetTextMask::BrazilPhone() {
  return "'mask' : '(99) 9999[9]-9999', 'autoUnmask' : true";
}

std::string TFacetTextMask::Phone() {
  return "'mask' : '(9[9][9]) 999[9][9]-9999[9]', 'autoUnmask' : true";
}

std::string TFacetTextMask::PhoneWithDDI() {
  return "'mask' : '+9[9][9] (9{*}) 999[9][9]-9999[9]', 'autoUnmask' : true";
}

std::string TFacetTextMask::Email() {
  return "'alias' : 'email'";
}

std::string TFacetTextMask::IP() {
  return "'alias' : 'ip'";
}

std::string TFacetTextMask::MAC() {
  return "'alias' : 'mac'";
}

std::string TFacetTextMask::Integer() {
  return "'alias' : 'integer'";
}

std::string TFacetTextMask::URL() {
  return "'alias' : 'url'";
}

std::string TFacetTextMask::USSocialSecurity() {
  return "'alias' : 'ssn'";
}

std::string TFacetTextMask::Decimal(int decimaldigits, char decimalseparador,
                                    char thousandseparator) {
  return "'decimal', {'radixPoint' : '" + std::string(1, decimalseparador) +
         "', 'inputtype' : 'text', 'groupSeparator' : '" + std::string(1, thousandseparator) +
         "', 'digits' : '" + std::to_string(decimaldigits) + "', 'autoUnmask' : true}";
}

std::string TFacetTextMask::Currency(const std::string& CurrSimbol, int decimaldigits,
                                     char decimalseparador, char thousandseparator) {
  return "'decimal', {'prefix' : '" + CurrSimbol + " ', 'radixPoint' : '" +
         std::string(1, decimalseparador) + "', 'inputtype' : 'text', 'groupSeparator' : '" +
         std::string(1, thousandseparator) + "', 'digits' : '" + std::to_string(decimaldigits) +
         "', 'autoUnmask' : true}";
}
