#include "runtime/IniFile.h"

#include "runtime/Exceptions.h"
#include "runtime/StrUtils.h"

#include <charconv>
#include <filesystem>
#include <fstream>
#include <limits>
#include <mutex>
#include <optional>
#include <sstream>

namespace {

constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";

std::string_view TrimBlanks(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!text.empty() && blank(text.front()))
    text.remove_prefix(1);
  while (!text.empty() && blank(text.back()))
    text.remove_suffix(1);
  return text;
}

// The file as lines without their line breaks.
struct TIniText {
  std::vector<std::string> Lines;
  std::string LineBreak = "\n";
};

enum class TLineKind { Other, Section, Key };

struct TParsedLine {
  TLineKind Kind = TLineKind::Other;
  std::string_view Name; // section name or key
  std::string_view Value;
};

TParsedLine ParseLine(std::string_view line, bool first) {
  if (first && line.starts_with(ByteOrderMark))
    line.remove_prefix(ByteOrderMark.size());
  line = TrimBlanks(line);
  TParsedLine parsed;
  if (line.empty() || line.front() == ';' || line.front() == '#')
    return parsed;
  if (line.front() == '[') {
    const std::size_t close = line.find(']');
    if (close != std::string_view::npos) {
      parsed.Kind = TLineKind::Section;
      parsed.Name = TrimBlanks(line.substr(1, close - 1));
    }
    return parsed;
  }
  const std::size_t equals = line.find('=');
  if (equals != std::string_view::npos) {
    parsed.Kind = TLineKind::Key;
    parsed.Name = TrimBlanks(line.substr(0, equals));
    parsed.Value = TrimBlanks(line.substr(equals + 1));
  }
  return parsed;
}

// Missing file: no lines.  Raises only when the file exists and cannot be read.
TIniText Load(const std::string& fileName) {
  TIniText text;
  std::ifstream in(fileName, std::ios::binary);
  if (!in) {
    std::error_code error;
    if (std::filesystem::exists(fileName, error))
      throw Exception("Cannot read the configuration file \"" + fileName + "\"");
    return text;
  }
  std::ostringstream content;
  content << in.rdbuf();
  const std::string all = content.str();
  std::size_t start = 0;
  bool breakStyleKnown = false;
  while (start < all.size()) {
    std::size_t end = all.find('\n', start);
    if (end == std::string::npos)
      end = all.size();
    std::string line = all.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') {
      line.pop_back();
      if (!breakStyleKnown)
        text.LineBreak = "\r\n";
    }
    breakStyleKnown = breakStyleKnown || end < all.size();
    text.Lines.push_back(std::move(line));
    start = end + 1;
  }
  return text;
}

// Writes next to the file and renames over it, so that a failed write never leaves half a file.
void Save(const std::string& fileName, const TIniText& text) {
  const std::string temporary = fileName + ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    for (const std::string& line : text.Lines)
      out << line << text.LineBreak;
    out.flush();
    if (!out)
      throw Exception("Cannot write the configuration file \"" + fileName + "\"");
  }
  std::error_code error;
  std::filesystem::rename(temporary, fileName, error);
  if (error) {
    std::filesystem::remove(temporary, error);
    throw Exception("Cannot write the configuration file \"" + fileName + "\"");
  }
}

// Calls visit(lineIndex, parsedLine, currentSectionName) for each line.
template <typename Visit> void ForEachLine(const TIniText& text, Visit visit) {
  std::string_view section;
  bool inSection = false;
  for (std::size_t i = 0; i < text.Lines.size(); ++i) {
    const TParsedLine parsed = ParseLine(text.Lines[i], i == 0);
    if (parsed.Kind == TLineKind::Section) {
      section = parsed.Name;
      inSection = true;
    }
    if (inSection)
      visit(i, parsed, section);
  }
}

std::optional<std::string> FindValue(const TIniText& text, std::string_view section,
                                     std::string_view ident) {
  std::optional<std::string> found;
  ForEachLine(text, [&](std::size_t, const TParsedLine& line, std::string_view current) {
    if (!found && line.Kind == TLineKind::Key && SameText(current, section) &&
        SameText(line.Name, ident))
      found = std::string(line.Value);
  });
  return found;
}

bool HasLineBreak(std::string_view text) {
  return text.find_first_of("\r\n") != std::string_view::npos;
}

void CheckNames(std::string_view section, std::string_view ident, std::string_view value) {
  const std::string_view trimmedSection = TrimBlanks(section);
  if (trimmedSection.empty() || HasLineBreak(section) ||
      section.find(']') != std::string_view::npos)
    throw Exception("Invalid configuration section name \"" + std::string(section) + "\"");
  const std::string_view trimmedIdent = TrimBlanks(ident);
  if (trimmedIdent.empty() || HasLineBreak(ident) || ident.find('=') != std::string_view::npos ||
      trimmedIdent.front() == '[' || trimmedIdent.front() == ';' || trimmedIdent.front() == '#')
    throw Exception("Invalid configuration key name \"" + std::string(ident) + "\"");
  if (HasLineBreak(value))
    throw Exception("The value of configuration key \"" + std::string(ident) +
                    "\" holds a line break");
}

std::optional<long long> ParseInteger(std::string_view text) {
  text = TrimBlanks(text);
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  int base = 10;
  if (text.starts_with("0x") || text.starts_with("0X")) {
    base = 16;
    text.remove_prefix(2);
  } else if (text.starts_with("$")) {
    base = 16;
    text.remove_prefix(1);
  }
  long long value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (text.empty() || error != std::errc() || end != text.data() + text.size())
    return std::nullopt;
  return negative ? -value : value;
}

// Writes are read-modify-write of the whole file; one at a time within the process.
std::mutex WriteLock;

} // namespace

TIniFile::TIniFile(std::string FileName) : FFileName(std::move(FileName)) {}

std::string TIniFile::ReadString(std::string_view Section, std::string_view Ident,
                                 std::string_view Default) const {
  std::optional<std::string> value = FindValue(Load(FFileName), Section, Ident);
  return value ? *value : std::string(Default);
}

int TIniFile::ReadInteger(std::string_view Section, std::string_view Ident, int Default) const {
  const std::optional<std::string> text = FindValue(Load(FFileName), Section, Ident);
  if (!text)
    return Default;
  const std::optional<long long> value = ParseInteger(*text);
  if (!value || *value < std::numeric_limits<int>::min() ||
      *value > std::numeric_limits<int>::max())
    return Default;
  return static_cast<int>(*value);
}

bool TIniFile::ReadBool(std::string_view Section, std::string_view Ident, bool Default) const {
  const std::optional<std::string> text = FindValue(Load(FFileName), Section, Ident);
  if (!text)
    return Default;
  if (SameText(*text, "true"))
    return true;
  if (SameText(*text, "false"))
    return false;
  const std::optional<long long> value = ParseInteger(*text);
  return value ? *value != 0 : Default;
}

void TIniFile::WriteString(std::string_view Section, std::string_view Ident,
                           std::string_view Value) {
  CheckNames(Section, Ident, Value);
  Section = TrimBlanks(Section);
  Ident = TrimBlanks(Ident);
  Value = TrimBlanks(Value);

  std::lock_guard<std::mutex> guard(WriteLock);
  TIniText text = Load(FFileName);
  // An existing key is changed where it stands; a new key goes after the last key of the first
  // section of that name (or right after its header).
  std::optional<std::size_t> keyLine;
  std::optional<std::size_t> insertAfter;
  bool inFirstSection = false;
  ForEachLine(text, [&](std::size_t index, const TParsedLine& line, std::string_view current) {
    if (line.Kind == TLineKind::Section) {
      inFirstSection = !insertAfter && SameText(current, Section);
      if (inFirstSection)
        insertAfter = index;
    } else if (line.Kind == TLineKind::Key && SameText(current, Section)) {
      if (!keyLine && SameText(line.Name, Ident))
        keyLine = index;
      if (inFirstSection)
        insertAfter = index;
    }
  });

  if (keyLine) {
    const std::string_view line = text.Lines[*keyLine];
    // Keep the key as written and the blanks after "=", replace only the value.
    std::size_t valueStart = line.find('=') + 1;
    while (valueStart < line.size() && (line[valueStart] == ' ' || line[valueStart] == '\t'))
      ++valueStart;
    text.Lines[*keyLine] = std::string(line.substr(0, valueStart)) + std::string(Value);
  } else if (insertAfter) {
    text.Lines.insert(text.Lines.begin() + static_cast<std::ptrdiff_t>(*insertAfter) + 1,
                      std::string(Ident) + "=" + std::string(Value));
  } else {
    if (!text.Lines.empty() && !TrimBlanks(text.Lines.back()).empty())
      text.Lines.emplace_back();
    text.Lines.push_back("[" + std::string(Section) + "]");
    text.Lines.push_back(std::string(Ident) + "=" + std::string(Value));
  }
  Save(FFileName, text);
}

void TIniFile::WriteInteger(std::string_view Section, std::string_view Ident, int Value) {
  WriteString(Section, Ident, std::to_string(Value));
}

void TIniFile::WriteBool(std::string_view Section, std::string_view Ident, bool Value) {
  WriteString(Section, Ident, Value ? "1" : "0");
}

bool TIniFile::SectionExists(std::string_view Section) const {
  bool found = false;
  ForEachLine(Load(FFileName), [&](std::size_t, const TParsedLine& line, std::string_view current) {
    found = found || (line.Kind == TLineKind::Section && SameText(current, Section));
  });
  return found;
}

bool TIniFile::ValueExists(std::string_view Section, std::string_view Ident) const {
  return FindValue(Load(FFileName), Section, Ident).has_value();
}

std::vector<std::string> TIniFile::ReadSection(std::string_view Section) const {
  std::vector<std::string> keys;
  ForEachLine(Load(FFileName), [&](std::size_t, const TParsedLine& line, std::string_view current) {
    if (line.Kind == TLineKind::Key && SameText(current, Section))
      keys.emplace_back(line.Name);
  });
  return keys;
}

std::vector<std::string> TIniFile::ReadSections() const {
  std::vector<std::string> sections;
  ForEachLine(Load(FFileName), [&](std::size_t, const TParsedLine& line, std::string_view) {
    if (line.Kind == TLineKind::Section)
      sections.emplace_back(line.Name);
  });
  return sections;
}
