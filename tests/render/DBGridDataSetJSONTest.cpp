#include "data/TestDatabase.h"

#include "render/Facet.DataSetHelper.h"

#include "runtime/StrUtils.h"

#include <gtest/gtest.h>

namespace {

const char* AllTypesSchema = R"(
CREATE TABLE ALLTYPES (
  ID INTEGER NOT NULL PRIMARY KEY,
  NAME VARCHAR(40),
  CODE CHAR(4),
  SMALL SMALLINT,
  BIG BIGINT,
  FLAG BOOLEAN,
  PRICE NUMERIC(15,2),
  RATIO DOUBLE PRECISION,
  DAY_DATE DATE,
  AT_TIME TIME,
  STAMP TIMESTAMP,
  NOTES BLOB SUB_TYPE TEXT,
  PHOTO BLOB SUB_TYPE BINARY,
  RAW VARCHAR(3) CHARACTER SET OCTETS);
INSERT INTO ALLTYPES VALUES (1, '  Solicitação <b>{{Title}}</b>  ', 'AB', -7, 9007199254740993,
  TRUE, 1234.5, 0.25, '2024-06-24', '14:05:09', '2024-06-24 14:05:09', 'line 1' || ASCII_CHAR(13) || ASCII_CHAR(10) || 'line 2',
  X'00FF10', X'414243');
INSERT INTO ALLTYPES (ID) VALUES (2);
)";

class DataSetJSON : public ::testing::Test {
protected:
  DataSetJSON() {
    Connection = new TConnection(&Owner);
    testdb::SetEmbeddedParams(*Connection, Folder.Path() / "types.fdb");
    Connection->CreateDatabase({AllTypesSchema}, TForcedWrites::fwOff);
    Query = new TQuery(&Owner);
    Query->SetConnection(Connection);
    Query->GetSQL().SetText("SELECT * FROM ALLTYPES ORDER BY ID");
    Query->Open();
  }

  testdb::TTempFolder Folder;
  TComponent Owner{nullptr};
  TConnection* Connection = nullptr;
  TQuery* Query = nullptr;
};

TEST_F(DataSetJSON, EveryFieldTypeAndItsNull) {
  const struct {
    const char* Field;
    TFieldType Type;
    TOrderedJSON Value;
  } cases[] = {
      {"NAME", TFieldType::ftString, "Solicitação <b>{{Title}}</b>"},
      {"CODE", TFieldType::ftString, "AB"},
      {"SMALL", TFieldType::ftSmallint, -7},
      {"BIG", TFieldType::ftLargeint, 9007199254740993LL},
      {"FLAG", TFieldType::ftBoolean, true},
      {"PRICE", TFieldType::ftFloat, 1234.5},
      {"RATIO", TFieldType::ftFloat, 0.25},
      {"DAY_DATE", TFieldType::ftDate, "24/06/2024"},
      {"AT_TIME", TFieldType::ftTime, "14:05:09"},
      {"STAMP", TFieldType::ftTimeStamp, "24/06/2024 14:05:09"},
      {"NOTES", TFieldType::ftMemo, "line 1\r\nline 2"},
      {"PHOTO", TFieldType::ftBlob, "AP8Q"},
      {"RAW", TFieldType::ftBytes, "QUJD"},
  };
  std::vector<std::string> names;
  for (const auto& c : cases)
    names.push_back(c.Field);
  names.push_back("MISSING");
  const TOrderedJSON rows = DataSetToJSON(*Query, names, 0, true);
  ASSERT_EQ(rows.size(), 2u);
  for (const auto& c : cases) {
    EXPECT_EQ(Query->FieldByName(c.Field).GetDataType(), c.Type) << c.Field;
    EXPECT_EQ(rows[0][c.Field], c.Value) << c.Field;
    EXPECT_TRUE(rows[1][c.Field].is_null()) << c.Field;
  }
  EXPECT_TRUE(rows[0]["MISSING"].is_null());
  EXPECT_EQ(rows[1]["FacetRecNo"], 2);
  // Members in the order of the names, the record number last.
  EXPECT_EQ(rows[0].begin().key(), "NAME");
  EXPECT_EQ((--rows[0].end()).key(), "FacetRecNo");
}

TEST_F(DataSetJSON, NamesFoundWithoutCaseAndRecordNumbersOptional) {
  const TOrderedJSON rows = DataSetToJSON(*Query, {"name"}, 0, false);
  EXPECT_EQ(rows[0]["name"], "Solicitação <b>{{Title}}</b>");
  EXPECT_FALSE(rows[0].contains("FacetRecNo"));
}

TEST(DataSetJSONMemory, DateTimeFieldsAndTheRecordLimit) {
  TComponent owner(nullptr);
  auto* dataSet = new TDataSet(&owner);
  dataSet->DefineField("WHEN", TFieldType::ftDateTime);
  dataSet->Open();
  for (int day = 1; day <= 6; ++day) {
    dataSet->Append();
    dataSet->FieldByName("WHEN").SetAsDateTime(EncodeDateTime(2024, 6, day, 14, 5, 9, 0));
    dataSet->Post();
  }
  const TOrderedJSON rows = DataSetToJSON(*dataSet, {"WHEN"}, 5, true);
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_EQ(rows[0]["WHEN"], "01/06/2024 14:05:09");
  EXPECT_EQ(rows[4]["FacetRecNo"], 5);
  EXPECT_EQ(DataSetToJSON(*dataSet, {"WHEN"}, 0, true).size(), 6u);
}

// The grid's text must be what the JSON library writes of the same document with its ASCII-only
// option, byte for byte, and text that is not UTF-8 must be refused as the library refuses it.
TEST(DataSetJSONMemory, TheTextIsTheLibrarysCompactASCIIText) {
  const std::string cases[] = {
      "plain text",
      "  blanks around, trimmed  ",
      "quote \" backslash \\ slash / tab \t",
      std::string("controls \b\f\n\r\x01\x1f and DEL \x7f and NUL ") + '\0' + " inside",
      "Solicitação número 7 — Iluminação pública",
      "two-byte \u00e9, three-byte \u20ac \uffff, four-byte \U0001F600 \U0010FFFF",
      "<b>{{Title}}</b> & 'x'",
      "",
  };
  TComponent owner(nullptr);
  auto* dataSet = new TDataSet(&owner);
  dataSet->DefineField("TEXT", TFieldType::ftString, 200);
  dataSet->DefineField("N", TFieldType::ftLargeint);
  dataSet->DefineField("FLAG", TFieldType::ftBoolean);
  dataSet->DefineField("RATIO", TFieldType::ftFloat);
  dataSet->Open();
  TOrderedJSON expected = TOrderedJSON::array();
  long long number = -9007199254740993LL;
  for (const std::string& text : cases) {
    dataSet->Append();
    dataSet->FieldByName("TEXT").SetAsString(text);
    dataSet->FieldByName("N").SetAsLargeInt(number);
    dataSet->FieldByName("FLAG").SetAsBoolean(number % 2 == 0);
    if (!text.empty())
      dataSet->FieldByName("RATIO").SetAsFloat(static_cast<double>(number) / 3);
    dataSet->Post();
    TOrderedJSON row;
    row["TEXT"] = text.empty() ? TOrderedJSON(nullptr) : TOrderedJSON(Trim(text));
    row["N"] = number;
    row["FLAG"] = number % 2 == 0;
    row["RATIO"] =
        text.empty() ? TOrderedJSON(nullptr) : TOrderedJSON(static_cast<double>(number) / 3);
    row["MISSING"] = nullptr;
    row["FacetRecNo"] = expected.size() + 1;
    expected.push_back(row);
    number = number / 7 + 1;
  }
  // A name given twice is one member.
  const std::vector<std::string> names = {"TEXT", "N", "FLAG", "RATIO", "MISSING", "TEXT"};
  EXPECT_EQ(DataSetToJSONText(*dataSet, names, 0, true), expected.dump(-1, ' ', true));
  EXPECT_EQ(DataSetToJSONText(*dataSet, {}, 2, false), "[{},{}]");
  EXPECT_EQ(DataSetToJSONText(*dataSet, {}, 1, true), R"([{"FacetRecNo":1}])");

  // Ill-formed UTF-8: a lone continuation byte, a cut sequence, an overlong form, a surrogate,
  // a value above U+10FFFF.
  for (const char* bad : {"a\x80"
                          "b",
                          "cut \xc3", "\xc0\xaf", "\xed\xa0\x80", "\xf4\x90\x80\x80"}) {
    dataSet->Append();
    dataSet->FieldByName("TEXT").SetAsString(bad);
    dataSet->Post();
    EXPECT_THROW(DataSetToJSONText(*dataSet, {"TEXT"}, 0, true), TOrderedJSON::type_error) << bad;
    dataSet->Delete();
  }
}

TEST(GridPrepareFloat, SeparatorRules) {
  TFormatSettings brazil = PtBrFormatSettings();
  TFormatSettings unset = brazil;
  unset.DecimalSeparator = '\0';
  unset.ThousandSeparator = '\0';
  const TFormatSettings& english = FormatSettings();
  const struct {
    const char* Text;
    const TFormatSettings& Settings;
    const char* Expected;
  } cases[] = {
      {"1234,5", brazil, "1234,5"},     // one decimal separator: kept
      {"1,234,5", brazil, "12345"},     // two decimals: all dropped
      {"1,2.3,4", brazil, "12,34"},     // two decimals dropped, the thousands one becomes decimal
      {"1234.5", brazil, "1234,5"},     // no decimal, one thousands: becomes the decimal
      {"1.234.567", brazil, "1234567"}, // no decimal, several thousands: dropped
      {"1.234,5", brazil, "1.234,5"},   // one of each: kept
      {"12", brazil, "12"},             // neither: kept
      {"", brazil, ""},                 //
      {"1.5", unset, "1,5"},            // unset separators stand for "," and "."
      {"1,5", english, "1.5"},          // with "." decimal, a lone "," becomes "."
      {"1.000.5", english, "10005"},    // two "." decimals: dropped
  };
  for (const auto& c : cases)
    EXPECT_EQ(PrepareFloat(c.Text, c.Settings), c.Expected) << c.Text;
}

} // namespace
