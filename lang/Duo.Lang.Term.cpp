#include "lang/Duo.Lang.Term.h"

#include "runtime/Exceptions.h"

// Out of line so that the items' complete type is known where they are destroyed.
TDuoTermBaseClass::~TDuoTermBaseClass() = default;

const std::string& TDuoTermBaseClass::Context() const {
  static const std::string NoContext;
  return NoContext;
}

TDuoTermItem& TDuoTermBaseClass::Items(std::size_t Index) const {
  if (Index >= FItems.size())
    throw EListError("Term item index " + std::to_string(Index) + " out of bounds (" +
                     std::to_string(FItems.size()) + " items)");
  return *FItems[Index];
}

TDuoTerm::TDuoTerm(IDuoLang& ADuoLang)
    : TDuoTermBaseClass(ADuoLang), FButton(CreateItem<TDuoTermButton>()),
      FMessageButton(CreateItem<TDuoTermMessageButton>()),
      FMessageType(CreateItem<TDuoTermMessageType>()), FUpload(CreateItem<TDuoTermUpload>()),
      FCombobox(CreateItem<TDuoTermCombobox>()), FGrid(CreateItem<TDuoTermGrid>()),
      FLoader(CreateItem<TDuoTermLoader>()), FError500(CreateItem<TDuoTermError500>()) {}
