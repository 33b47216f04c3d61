#pragma once

// A configuration file of "[Section]" headers and "Key=Value" lines.  Section and key names are
// compared without regard to case; blanks around names and values are ignored; lines starting
// with ";" or "#" are comments.  Every read looks at the file as it is now and never creates it;
// every write updates the file at once (creating it when missing), changing only the one line it
// concerns and keeping all other sections, keys, comments and the file's line-break style.

#include <string>
#include <string_view>
#include <vector>

class TIniFile {
public:
  explicit TIniFile(std::string FileName);

  const std::string& GetFileName() const { return FFileName; }

  // The stored value, or Default when the file, section or key is missing.
  std::string ReadString(std::string_view Section, std::string_view Ident,
                         std::string_view Default) const;
  // Decimal, or hexadecimal with "0x" or "$"; Default when missing, malformed or out of range.
  int ReadInteger(std::string_view Section, std::string_view Ident, int Default) const;
  // "1"/"0" as written by WriteBool, also any other integer (non-zero is true) and "true"/"false";
  // Default for anything else.
  bool ReadBool(std::string_view Section, std::string_view Ident, bool Default) const;

  // Raise Exception when the file cannot be written, and for names or values that would break
  // the file's structure (line breaks, "=" or "]" in names, empty names).
  void WriteString(std::string_view Section, std::string_view Ident, std::string_view Value);
  void WriteInteger(std::string_view Section, std::string_view Ident, int Value);
  void WriteBool(std::string_view Section, std::string_view Ident, bool Value);

  bool SectionExists(std::string_view Section) const;
  bool ValueExists(std::string_view Section, std::string_view Ident) const;
  // The key names of a section, in file order.
  std::vector<std::string> ReadSection(std::string_view Section) const;
  // The section names, in file order.
  std::vector<std::string> ReadSections() const;

private:
  std::string FFileName;
};
