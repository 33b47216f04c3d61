#include "runtime/Strings.h"

#include "runtime/Exceptions.h"
#include "runtime/StrUtils.h"

#include <algorithm>

namespace {

bool IsBlank(char c) {
  return c != '\0' && static_cast<unsigned char>(c) <= ' ';
}

std::string Quoted(const std::string& value, char quote) {
  std::string result(1, quote);
  for (char c : value) {
    result += c;
    if (c == quote)
      result += quote;
  }
  result += quote;
  return result;
}

} // namespace

const TClassInfo& TStrings::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TStrings>("TStrings")
          .Property("Text", &TStrings::GetText, &TStrings::SetText)
          .Property("CommaText", &TStrings::GetCommaText, &TStrings::SetCommaText)
          .Creatable()
          .Build();
  return info;
}

const TClassInfo& TStringList::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TStringList>("TStringList")
          .Property("Sorted", &TStringList::GetSorted, &TStringList::SetSorted)
          .Creatable()
          .Build();
  return info;
}

TStrings::TStrings(std::initializer_list<std::string> lines) {
  for (const std::string& line : lines)
    FItems.push_back({line, nullptr});
}

TStrings::TStrings(const TStrings& other)
    : TObject(), FItems(other.FItems), FDelimiter(other.FDelimiter), FQuoteChar(other.FQuoteChar),
      FNameValueSeparator(other.FNameValueSeparator), FStrictDelimiter(other.FStrictDelimiter),
      FCaseSensitive(other.FCaseSensitive) {}

TStrings& TStrings::operator=(const TStrings& other) {
  Assign(other);
  return *this;
}

void TStrings::CheckIndex(int index) const {
  if (index < 0 || index >= Count())
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
}

bool TStrings::SameItem(const std::string& a, const std::string& b) const {
  return FCaseSensitive ? a == b : SameText(a, b);
}

void TStrings::Changed() {
  if (FUpdateCount > 0) {
    FChangedWhileUpdating = true;
    return;
  }
  if (OnChange)
    OnChange(*this);
}

void TStrings::BeginUpdate() {
  ++FUpdateCount;
}

void TStrings::EndUpdate() {
  if (FUpdateCount > 0 && --FUpdateCount == 0 && FChangedWhileUpdating) {
    FChangedWhileUpdating = false;
    Changed();
  }
}

const std::string& TStrings::Strings(int index) const {
  CheckIndex(index);
  return FItems[static_cast<size_t>(index)].Value;
}

void TStrings::Put(int index, const std::string& value) {
  CheckIndex(index);
  FItems[static_cast<size_t>(index)].Value = value;
  Changed();
}

TObject* TStrings::Objects(int index) const {
  CheckIndex(index);
  return FItems[static_cast<size_t>(index)].Object;
}

void TStrings::PutObject(int index, TObject* object) {
  CheckIndex(index);
  FItems[static_cast<size_t>(index)].Object = object;
  Changed();
}

void TStrings::InsertItem(int index, const std::string& value, TObject* object) {
  if (index < 0 || index > Count())
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  FItems.insert(FItems.begin() + index, TItem{value, object});
  Changed();
}

int TStrings::Add(const std::string& value) {
  InsertItem(Count(), value, nullptr);
  return Count() - 1;
}

int TStrings::AddObject(const std::string& value, TObject* object) {
  const int index = Add(value);
  FItems[static_cast<size_t>(index)].Object = object;
  return index;
}

void TStrings::AddStrings(const TStrings& other) {
  BeginUpdate();
  for (const TItem& item : std::vector<TItem>(other.FItems))
    AddObject(item.Value, item.Object);
  EndUpdate();
}

void TStrings::Insert(int index, const std::string& value) {
  InsertItem(index, value, nullptr);
}

void TStrings::InsertObject(int index, const std::string& value, TObject* object) {
  Insert(index, value);
  FItems[static_cast<size_t>(index)].Object = object;
}

void TStrings::Delete(int index) {
  CheckIndex(index);
  FItems.erase(FItems.begin() + index);
  Changed();
}

void TStrings::Clear() {
  if (FItems.empty())
    return;
  FItems.clear();
  Changed();
}

void TStrings::Exchange(int index1, int index2) {
  CheckIndex(index1);
  CheckIndex(index2);
  std::swap(FItems[static_cast<size_t>(index1)], FItems[static_cast<size_t>(index2)]);
  Changed();
}

void TStrings::Move(int fromIndex, int toIndex) {
  CheckIndex(fromIndex);
  CheckIndex(toIndex);
  if (fromIndex == toIndex)
    return;
  TItem item = FItems[static_cast<size_t>(fromIndex)];
  FItems.erase(FItems.begin() + fromIndex);
  FItems.insert(FItems.begin() + toIndex, item);
  Changed();
}

void TStrings::Assign(const TStrings& other) {
  if (&other == this)
    return;
  BeginUpdate();
  FItems.clear();
  FChangedWhileUpdating = true;
  AddStrings(other);
  EndUpdate();
}

int TStrings::IndexOf(const std::string& value) const {
  for (int i = 0; i < Count(); ++i)
    if (SameItem(FItems[static_cast<size_t>(i)].Value, value))
      return i;
  return -1;
}

int TStrings::IndexOfName(const std::string& name) const {
  for (int i = 0; i < Count(); ++i) {
    const std::string& line = FItems[static_cast<size_t>(i)].Value;
    const size_t sep = line.find(FNameValueSeparator);
    if (sep != std::string::npos && SameText(std::string_view(line).substr(0, sep), name))
      return i;
  }
  return -1;
}

int TStrings::IndexOfObject(const TObject* object) const {
  for (int i = 0; i < Count(); ++i)
    if (FItems[static_cast<size_t>(i)].Object == object)
      return i;
  return -1;
}

std::string TStrings::GetText() const {
  std::string text;
  for (const TItem& item : FItems)
    text.append(item.Value).append("\r\n");
  return text;
}

void TStrings::SetText(const std::string& text) {
  BeginUpdate();
  FItems.clear();
  FChangedWhileUpdating = true;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) {
      FItems.push_back({text.substr(start), nullptr});
      break;
    }
    FItems.push_back({text.substr(start, end - start), nullptr});
    start = end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
  }
  EndUpdate();
}

std::string TStrings::GetValue(const std::string& name) const {
  const int index = IndexOfName(name);
  return index < 0 ? std::string() : ValueFromIndex(index);
}

void TStrings::SetValue(const std::string& name, const std::string& value) {
  const int index = IndexOfName(name);
  if (value.empty()) {
    if (index >= 0)
      Delete(index);
    return;
  }
  const std::string line = name + FNameValueSeparator + value;
  if (index >= 0)
    Put(index, line);
  else
    Add(line);
}

std::string TStrings::Names(int index) const {
  const std::string& line = Strings(index);
  const size_t sep = line.find(FNameValueSeparator);
  return sep == std::string::npos ? std::string() : line.substr(0, sep);
}

std::string TStrings::ValueFromIndex(int index) const {
  const std::string& line = Strings(index);
  const size_t sep = line.find(FNameValueSeparator);
  return sep == std::string::npos ? std::string() : line.substr(sep + 1);
}

std::string TStrings::Delimited(char delimiter, char quote, bool strict) const {
  if (Count() == 1 && FItems[0].Value.empty())
    return std::string(2, quote);
  std::string result;
  for (size_t i = 0; i < FItems.size(); ++i) {
    if (i > 0)
      result += delimiter;
    const std::string& value = FItems[i].Value;
    const bool needsQuotes = std::any_of(value.begin(), value.end(), [&](char c) {
      return c == quote || c == delimiter || c == '\0' || (!strict && IsBlank(c));
    });
    result += needsQuotes ? Quoted(value, quote) : value;
  }
  return result;
}

void TStrings::ParseDelimited(const std::string& text, char delimiter, char quote, bool strict) {
  BeginUpdate();
  FItems.clear();
  FChangedWhileUpdating = true;
  const size_t n = text.size();
  size_t p = 0;
  auto skipBlanks = [&] {
    if (!strict)
      while (p < n && IsBlank(text[p]))
        ++p;
  };
  skipBlanks();
  while (p < n) {
    std::string item;
    if (text[p] == quote) {
      // A quoted item: up to the closing quote, a doubled quote standing for one.
      ++p;
      while (p < n) {
        if (text[p] == quote) {
          if (p + 1 < n && text[p + 1] == quote) {
            item += quote;
            p += 2;
            continue;
          }
          ++p;
          break;
        }
        item += text[p++];
      }
    } else {
      const size_t start = p;
      while (p < n && text[p] != delimiter && (strict || !IsBlank(text[p])))
        ++p;
      item = text.substr(start, p - start);
    }
    FItems.push_back({item, nullptr});
    skipBlanks();
    if (p < n && text[p] == delimiter) {
      if (p + 1 == n)
        FItems.push_back({std::string(), nullptr});
      ++p;
      skipBlanks();
    }
  }
  EndUpdate();
}

std::string TStrings::GetDelimitedText() const {
  return Delimited(FDelimiter, FQuoteChar, FStrictDelimiter);
}

void TStrings::SetDelimitedText(const std::string& text) {
  ParseDelimited(text, FDelimiter, FQuoteChar, FStrictDelimiter);
}

std::string TStrings::GetCommaText() const {
  return Delimited(',', '"', false);
}

void TStrings::SetCommaText(const std::string& text) {
  ParseDelimited(text, ',', '"', false);
}

std::vector<std::string> TStrings::ToVector() const {
  std::vector<std::string> result;
  result.reserve(FItems.size());
  for (const TItem& item : FItems)
    result.push_back(item.Value);
  return result;
}

int TStringList::Compare(const std::string& a, const std::string& b) const {
  if (GetCaseSensitive())
    return a.compare(b) < 0 ? -1 : (a == b ? 0 : 1);
  return CompareText(a, b);
}

void TStringList::SetSorted(bool sorted) {
  if (sorted && !FSorted)
    Sort();
  FSorted = sorted;
}

void TStringList::Sort() {
  std::stable_sort(FItems.begin(), FItems.end(), [this](const TItem& a, const TItem& b) {
    return Compare(a.Value, b.Value) < 0;
  });
  Changed();
}

bool TStringList::Find(const std::string& value, int& index) const {
  int low = 0;
  int high = Count() - 1;
  bool found = false;
  while (low <= high) {
    const int mid = (low + high) / 2;
    const int c = Compare(FItems[static_cast<size_t>(mid)].Value, value);
    if (c < 0) {
      low = mid + 1;
    } else {
      high = mid - 1;
      if (c == 0) {
        found = true;
        if (FDuplicates != TDuplicates::dupAccept)
          low = mid;
      }
    }
  }
  index = low;
  return found;
}

int TStringList::Add(const std::string& value) {
  if (!FSorted)
    return TStrings::Add(value);
  int index = 0;
  if (Find(value, index)) {
    if (FDuplicates == TDuplicates::dupIgnore)
      return index;
    if (FDuplicates == TDuplicates::dupError)
      throw EListError("String list does not allow duplicates");
  }
  InsertItem(index, value, nullptr);
  return index;
}

void TStringList::Insert(int index, const std::string& value) {
  if (FSorted)
    throw EListError("Operation not allowed on sorted list");
  TStrings::Insert(index, value);
}

int TStringList::IndexOf(const std::string& value) const {
  if (!FSorted)
    return TStrings::IndexOf(value);
  int index = 0;
  return Find(value, index) ? index : -1;
}
