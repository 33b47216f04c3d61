#pragma once
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>

// The texts of the refusals a user of a form can cause: by what they type into a field, or by
// saving a row another user changed or deleted meanwhile.  Errors only a developer can cause
// (a misspelt field name, a query without SQL) are not among them.  The defaults are English; an
// application sets the texts in its users' language once, at start.
//
// Placeholders: {field} the field's display label, {value} the value given, {length} and {max}
// the length of a text and the most a field holds, {character} a character that cannot be
// stored, {detail} the database's own description.
struct TDataTexts {
  std::string Required = "Field \"{field}\" must have a value";
  std::string NotInteger = "\"{value}\" is not a valid integer for field \"{field}\"";
  std::string NotNumber = "\"{value}\" is not a valid number for field \"{field}\"";
  std::string NotDate = "\"{value}\" is not a valid date for field \"{field}\"";
  std::string NotTime = "\"{value}\" is not a valid time for field \"{field}\"";
  std::string NotDateTime = "\"{value}\" is not a valid date and time for field \"{field}\"";
  std::string OutOfRange = "{value} is out of the range of field \"{field}\"";
  std::string TooLong =
      "The text of {length} characters is longer than the {max} allowed for field \"{field}\"";
  std::string NotStorable = "The character \"{character}\" cannot be stored in field \"{field}\": "
                            "the database holds WIN1252 text";
  std::string RecordChanged = "The record was changed by another user since it was read; nothing "
                              "was saved.  Cancel and reload it to see the other user's changes";
  std::string RecordDeleted =
      "The record no longer exists in the database (another user deleted it); nothing was saved";
  std::string RecordLocked = "Another user is saving the same record right now; nothing was "
                             "saved.  Try again in a moment";
  std::string DuplicateKey =
      "A record with the same key already exists; nothing was saved ({detail})";
  std::string RecordReferenced = "The record is used by other records and cannot be deleted, or "
                                 "refers to a record that does not exist; nothing was saved";
  std::string ConnectionLost = "The connection to the database was lost; the next operation "
                               "connects again ({detail})";
};

// The texts in use.  Safe to call from any thread; a caller keeps the set it read even when
// another thread replaces it.
std::shared_ptr<const TDataTexts> DataTexts();
// Replaces the texts; meant for the program's start.
void SetDataTexts(const TDataTexts& texts);

// `text` with every "{name}" replaced by its value.
std::string FormatDataText(const std::string& text,
                           std::initializer_list<std::pair<const char*, std::string>> values);
