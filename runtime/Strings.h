#pragma once

#include "runtime/Object.h"

#include <functional>
#include <string>
#include <vector>

enum class TDuplicates { dupIgnore, dupAccept, dupError };

// A list of strings, each with an optional associated object (not owned).
//
// - Text: every line followed by CR LF; setting it splits at CR LF, LF or CR.
// - Name=value lines: Values[name] (names compared without case), Names, ValueFromIndex.
// - DelimitedText / CommaText: items separated by Delimiter; unless StrictDelimiter is set, a
//   blank or control character also ends an item and blanks around items are skipped; an item
//   that starts with QuoteChar runs to the closing quote, a doubled quote standing for one; two
//   delimiters in a row give an empty item, as does a delimiter at the very end.
class TStrings : public TObject {
  DUO_CLASS(TStrings, TObject)

public:
  TStrings() = default;
  TStrings(std::initializer_list<std::string> lines);
  TStrings(const TStrings& other);
  TStrings& operator=(const TStrings& other);

  int Count() const { return static_cast<int>(FItems.size()); }
  const std::string& Strings(int index) const;
  const std::string& operator[](int index) const { return Strings(index); }
  void Put(int index, const std::string& value);
  TObject* Objects(int index) const;
  void PutObject(int index, TObject* object);

  virtual int Add(const std::string& value);
  int AddObject(const std::string& value, TObject* object);
  void AddStrings(const TStrings& other);
  virtual void Insert(int index, const std::string& value);
  void InsertObject(int index, const std::string& value, TObject* object);
  void Delete(int index);
  void Clear();
  void Exchange(int index1, int index2);
  void Move(int fromIndex, int toIndex);
  void Assign(const TStrings& other);
  // Index of the first line equal to `value` (without case unless CaseSensitive), or -1.
  virtual int IndexOf(const std::string& value) const;
  int IndexOfName(const std::string& name) const;
  int IndexOfObject(const TObject* object) const;

  std::string GetText() const;
  void SetText(const std::string& text);

  std::string GetValue(const std::string& name) const;
  // Setting a value to the empty text removes the line.
  void SetValue(const std::string& name, const std::string& value);
  std::string Names(int index) const;
  std::string ValueFromIndex(int index) const;

  char GetDelimiter() const { return FDelimiter; }
  void SetDelimiter(char delimiter) { FDelimiter = delimiter; }
  char GetQuoteChar() const { return FQuoteChar; }
  void SetQuoteChar(char quote) { FQuoteChar = quote; }
  char GetNameValueSeparator() const { return FNameValueSeparator; }
  void SetNameValueSeparator(char separator) { FNameValueSeparator = separator; }
  bool GetStrictDelimiter() const { return FStrictDelimiter; }
  void SetStrictDelimiter(bool strict) { FStrictDelimiter = strict; }
  bool GetCaseSensitive() const { return FCaseSensitive; }
  void SetCaseSensitive(bool caseSensitive) { FCaseSensitive = caseSensitive; }

  std::string GetDelimitedText() const;
  void SetDelimitedText(const std::string& text);
  // DelimitedText with "," as delimiter and '"' as quote, whatever the list's own settings.
  std::string GetCommaText() const;
  void SetCommaText(const std::string& text);

  std::vector<std::string> ToVector() const;

  // Changes are reported once per outermost BeginUpdate/EndUpdate pair.
  void BeginUpdate();
  void EndUpdate();
  std::function<void(TStrings& sender)> OnChange;

protected:
  struct TItem {
    std::string Value;
    TObject* Object = nullptr;
  };
  std::vector<TItem> FItems;

  bool SameItem(const std::string& a, const std::string& b) const;
  void CheckIndex(int index) const;
  virtual void InsertItem(int index, const std::string& value, TObject* object);
  void Changed();

private:
  char FDelimiter = ',';
  char FQuoteChar = '"';
  char FNameValueSeparator = '=';
  bool FStrictDelimiter = false;
  bool FCaseSensitive = false;
  int FUpdateCount = 0;
  bool FChangedWhileUpdating = false;

  std::string Delimited(char delimiter, char quote, bool strict) const;
  void ParseDelimited(const std::string& text, char delimiter, char quote, bool strict);
};

// A string list that can keep itself sorted.  While Sorted, Add puts a line in its place and
// Duplicates says what happens to a line already present; Insert is refused.
class TStringList : public TStrings {
  DUO_CLASS(TStringList, TStrings)

public:
  using TStrings::TStrings;

  bool GetSorted() const { return FSorted; }
  void SetSorted(bool sorted);
  TDuplicates GetDuplicates() const { return FDuplicates; }
  void SetDuplicates(TDuplicates duplicates) { FDuplicates = duplicates; }

  int Add(const std::string& value) override;
  void Insert(int index, const std::string& value) override;
  int IndexOf(const std::string& value) const override;
  // Binary search of a sorted list: true when found; `index` is where the line is or would go.
  bool Find(const std::string& value, int& index) const;
  void Sort();

private:
  bool FSorted = false;
  TDuplicates FDuplicates = TDuplicates::dupIgnore;

  int Compare(const std::string& a, const std::string& b) const;
};
