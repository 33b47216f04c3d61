#include "bridge/Duo.FieldType.h"

TFacetFieldType FacetFieldType(TFieldType DataType) {
  switch (DataType) {
  case TFieldType::ftSmallint:
  case TFieldType::ftInteger:
  case TFieldType::ftLargeint:
    return FacetFieldTypeInteger;
  case TFieldType::ftFloat:
  case TFieldType::ftDate:
  case TFieldType::ftTime:
    return FacetFieldTypeNumber;
  case TFieldType::ftDateTime:
  case TFieldType::ftTimeStamp:
    return FacetFieldTypeDateTime;
  default:
    return FacetFieldTypeString;
  }
}
