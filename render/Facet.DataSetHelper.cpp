#include "render/Facet.DataSetHelper.h"

#include "data/DB.h"
#include "runtime/Hash.h"
#include "runtime/StrUtils.h"

#include <algorithm>

namespace {

TOrderedJSON FieldValueJSON(const TField& Field, const std::string& DateText,
                            const std::string& TimeText, const std::string& DateTimeText,
                            const TFormatSettings& Settings) {
  if (Field.IsNull())
    return nullptr;
  switch (Field.GetDataType()) {
  case TFieldType::ftSmallint:
  case TFieldType::ftInteger:
  case TFieldType::ftLargeint:
    return Field.GetAsLargeInt();
  case TFieldType::ftBoolean:
    return Field.GetAsBoolean();
  case TFieldType::ftFloat:
    return Field.GetAsFloat();
  case TFieldType::ftDate:
    return FormatDateTime(DateText, Field.GetAsDateTime(), Settings);
  case TFieldType::ftTime:
    return FormatDateTime(TimeText, Field.GetAsDateTime(), Settings);
  case TFieldType::ftDateTime:
  case TFieldType::ftTimeStamp:
    return FormatDateTime(DateTimeText, Field.GetAsDateTime(), Settings);
  case TFieldType::ftBytes:
  case TFieldType::ftBlob: {
    const TBytes bytes = Field.GetAsBytes();
    return Base64Encode(std::span<const uint8_t>(bytes.data(), bytes.size()));
  }
  default:
    return Trim(Field.GetAsString());
  }
}

} // namespace

TOrderedJSON DataSetToJSON(TDataSet& DataSet, const std::vector<std::string>& Names, int MaxRecords,
                           bool AddRecNo, const TFormatSettings& Settings) {
  std::vector<const TField*> fields;
  fields.reserve(Names.size());
  for (const std::string& name : Names)
    fields.push_back(DataSet.FindField(name));
  // "/" and ":" stand for the settings' date and time separators.
  const std::string dateText = "dd/mm/yyyy";
  const std::string timeText = "hh:nn:ss";
  const std::string dateTimeText = dateText + " " + timeText;

  TOrderedJSON rows = TOrderedJSON::array();
  int written = 0;
  DataSet.First();
  while (!DataSet.GetEof() && (MaxRecords <= 0 || written < MaxRecords)) {
    TOrderedJSON row = TOrderedJSON::object();
    for (size_t i = 0; i < Names.size(); ++i)
      row[Names[i]] = fields[i] != nullptr
                          ? FieldValueJSON(*fields[i], dateText, timeText, dateTimeText, Settings)
                          : TOrderedJSON(nullptr);
    ++written;
    if (AddRecNo)
      row["FacetRecNo"] = written;
    rows.push_back(std::move(row));
    DataSet.Next();
  }
  return rows;
}

std::string PrepareFloat(std::string_view Text, const TFormatSettings& Settings) {
  const char decimal = Settings.DecimalSeparator != '\0' ? Settings.DecimalSeparator : ',';
  const char thousands = Settings.ThousandSeparator != '\0' ? Settings.ThousandSeparator : '.';
  std::string text(Text);
  const auto decimals = std::count(text.begin(), text.end(), decimal);
  const auto groups = std::count(text.begin(), text.end(), thousands);
  if (decimals >= 2) {
    std::erase(text, decimal);
    std::replace(text.begin(), text.end(), thousands, decimal);
  } else if (decimals == 0 && groups == 1) {
    std::replace(text.begin(), text.end(), thousands, decimal);
  } else if (decimals == 0 && groups > 1) {
    std::erase(text, thousands);
  }
  return text;
}
