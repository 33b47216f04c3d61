#include "render/Facet.DataSetHelper.h"

#include "data/DB.h"
#include "runtime/Hash.h"
#include "runtime/StrUtils.h"

#include <algorithm>
#include <optional>
#include <utility>

namespace {

constexpr char HexDigits[] = "0123456789abcdef";

void AppendUnicodeEscape(std::string& AOut, uint32_t ACode) {
  AOut.append("\\u");
  for (int shift = 12; shift >= 0; shift -= 4)
    AOut.push_back(HexDigits[(ACode >> shift) & 0xF]);
}

// The code point of the well-formed UTF-8 sequence at `AText[AAt]` and its length; nullopt for
// an ill-formed one (overlong forms, surrogates and values above U+10FFFF included).
std::optional<std::pair<uint32_t, std::size_t>> DecodeUTF8(std::string_view AText,
                                                           std::size_t AAt) {
  const auto byte = [&](std::size_t AIndex) {
    return AIndex < AText.size() ? static_cast<unsigned char>(AText[AIndex]) : 0u;
  };
  const unsigned lead = byte(AAt);
  std::size_t length = 0;
  unsigned low = 0x80;
  unsigned high = 0xBF;
  uint32_t code = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    code = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    code = lead & 0x0F;
    low = lead == 0xE0 ? 0xA0 : 0x80;
    high = lead == 0xED ? 0x9F : 0xBF;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    code = lead & 0x07;
    low = lead == 0xF0 ? 0x90 : 0x80;
    high = lead == 0xF4 ? 0x8F : 0xBF;
  } else {
    return std::nullopt;
  }
  for (std::size_t i = 1; i < length; ++i) {
    const unsigned next = byte(AAt + i);
    if (AAt + i >= AText.size() || next < (i == 1 ? low : 0x80) || next > (i == 1 ? high : 0xBF))
      return std::nullopt;
    code = (code << 6) | (next & 0x3F);
  }
  return std::pair<uint32_t, std::size_t>{code, length};
}

// `AText` as a JSON string with every character below 32 and above 126 escaped, as the JSON
// library writes it with its ASCII-only option.  Text that is not well-formed UTF-8 is left to
// the library, which refuses it in its own words.
void AppendJSONString(std::string& AOut, std::string_view AText) {
  const std::size_t start = AOut.size();
  AOut.push_back('"');
  const auto plain = [](unsigned char c) { return c >= 0x20 && c < 0x7F && c != '"' && c != '\\'; };
  for (std::size_t at = 0; at < AText.size();) {
    std::size_t end = at;
    while (end < AText.size() && plain(static_cast<unsigned char>(AText[end])))
      ++end;
    AOut.append(AText.substr(at, end - at));
    if (end == AText.size())
      break;
    at = end;
    const unsigned char c = static_cast<unsigned char>(AText[at]);
    switch (c) {
    case '"':
      AOut.append("\\\"");
      break;
    case '\\':
      AOut.append("\\\\");
      break;
    case '\b':
      AOut.append("\\b");
      break;
    case '\t':
      AOut.append("\\t");
      break;
    case '\n':
      AOut.append("\\n");
      break;
    case '\f':
      AOut.append("\\f");
      break;
    case '\r':
      AOut.append("\\r");
      break;
    default:
      if (c < 0x80) {
        AppendUnicodeEscape(AOut, c);
        break;
      }
      const auto decoded = DecodeUTF8(AText, at);
      if (!decoded) {
        AOut.resize(start);
        AOut.append(TOrderedJSON(std::string(AText)).dump(-1, ' ', true));
        return;
      }
      const auto [code, length] = *decoded;
      if (code <= 0xFFFF) {
        AppendUnicodeEscape(AOut, code);
      } else {
        AppendUnicodeEscape(AOut, 0xD7C0 + (code >> 10));
        AppendUnicodeEscape(AOut, 0xDC00 + (code & 0x3FF));
      }
      at += length;
      continue;
    }
    ++at;
  }
  AOut.push_back('"');
}

void AppendFieldJSON(std::string& AOut, const TField& Field, const std::string& DateText,
                     const std::string& TimeText, const std::string& DateTimeText,
                     const TFormatSettings& Settings) {
  if (Field.IsNull()) {
    AOut.append("null");
    return;
  }
  switch (Field.GetDataType()) {
  case TFieldType::ftSmallint:
  case TFieldType::ftInteger:
  case TFieldType::ftLargeint:
    AOut.append(std::to_string(Field.GetAsLargeInt()));
    return;
  case TFieldType::ftBoolean:
    AOut.append(Field.GetAsBoolean() ? "true" : "false");
    return;
  case TFieldType::ftFloat:
    AOut.append(TOrderedJSON(Field.GetAsFloat()).dump(-1, ' ', true));
    return;
  case TFieldType::ftDate:
    AppendJSONString(AOut, FormatDateTime(DateText, Field.GetAsDateTime(), Settings));
    return;
  case TFieldType::ftTime:
    AppendJSONString(AOut, FormatDateTime(TimeText, Field.GetAsDateTime(), Settings));
    return;
  case TFieldType::ftDateTime:
  case TFieldType::ftTimeStamp:
    AppendJSONString(AOut, FormatDateTime(DateTimeText, Field.GetAsDateTime(), Settings));
    return;
  case TFieldType::ftBytes:
  case TFieldType::ftBlob: {
    const TBytes bytes = Field.GetAsBytes();
    AppendJSONString(AOut, Base64Encode(std::span<const uint8_t>(bytes.data(), bytes.size())));
    return;
  }
  default:
    AppendJSONString(AOut, Trim(Field.GetAsString()));
  }
}

} // namespace

std::string DataSetToJSONText(TDataSet& DataSet, const std::vector<std::string>& Names,
                              int MaxRecords, bool AddRecNo, const TFormatSettings& Settings) {
  // A name given twice is one member, where it first came (its field is the same).
  std::vector<std::string> names;
  for (const std::string& name : Names)
    if (std::find(names.begin(), names.end(), name) == names.end())
      names.push_back(name);
  std::vector<const TField*> fields;
  // Each member's name with its quotes and colon, written once; the first of a row opens it.
  std::vector<std::string> keys;
  for (const std::string& name : names) {
    fields.push_back(DataSet.FindField(name));
    std::string key(keys.empty() ? "{" : ",");
    AppendJSONString(key, name);
    keys.push_back(key + ':');
  }
  // "/" and ":" stand for the settings' date and time separators.
  const std::string dateText = "dd/mm/yyyy";
  const std::string timeText = "hh:nn:ss";
  const std::string dateTimeText = dateText + " " + timeText;

  std::string text = "[";
  int written = 0;
  DataSet.First();
  while (!DataSet.GetEof() && (MaxRecords <= 0 || written < MaxRecords)) {
    if (written > 0)
      text.push_back(',');
    for (size_t i = 0; i < names.size(); ++i) {
      text.append(keys[i]);
      if (fields[i] != nullptr)
        AppendFieldJSON(text, *fields[i], dateText, timeText, dateTimeText, Settings);
      else
        text.append("null");
    }
    ++written;
    // The first row tells how long the text grows: room for all of them at once, so that a text
    // of hundreds of kilobytes is not moved from one allocation to the next as it grows.
    if (written == 1) {
      const int count = MaxRecords > 0 ? std::min(MaxRecords, DataSet.GetRecordCount())
                                       : DataSet.GetRecordCount();
      text.reserve(text.size() * static_cast<std::size_t>(std::max(count, 1)) * 5 / 4 + 64);
    }
    if (AddRecNo)
      text.append(names.empty() ? "{" : ",")
          .append("\"FacetRecNo\":")
          .append(std::to_string(written));
    text.append(names.empty() && !AddRecNo ? "{}" : "}");
    DataSet.Next();
  }
  text.push_back(']');
  return text;
}

TOrderedJSON DataSetToJSON(TDataSet& DataSet, const std::vector<std::string>& Names, int MaxRecords,
                           bool AddRecNo, const TFormatSettings& Settings) {
  return TOrderedJSON::parse(DataSetToJSONText(DataSet, Names, MaxRecords, AddRecNo, Settings));
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
