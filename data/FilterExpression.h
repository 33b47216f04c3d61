#pragma once
#include "runtime/Variant.h"

#include <memory>
#include <string>
#include <vector>

class TField;

// The local filter language of datasets:
//
//   expression := term { OR term }          term := factor { AND factor }
//   factor     := NOT factor | "(" expression ")" | operand predicate
//   predicate  := ( "=" | "<>" | "<" | "<=" | ">" | ">=" ) operand
//               | [NOT] LIKE operand | IS [NOT] NULL
//   operand    := field name | [field name] | 'text' ('' inside for a quote) | number
//
// Keywords in any letter case.  LIKE matches case-sensitively, "%" standing for any run of
// characters and "_" for one.  A comparison with a null value is false.  A literal compared
// with a field is converted to the field's type first.
//
// An expression is at most MaxFilterLength bytes long and nests parentheses and NOT at most
// MaxFilterNesting levels deep; past either limit it is refused like any malformed expression,
// so that no filter can exhaust the stack of the parser, the evaluation or the destruction.
namespace detail {

constexpr size_t MaxFilterLength = 4096;
constexpr int MaxFilterNesting = 64;

class TFilterExpression {
public:
  // Raises an Exception that quotes the expression and says what is wrong where.
  static std::shared_ptr<const TFilterExpression> Parse(const std::string& text);

  struct TNode;
  ~TFilterExpression();

  // The field names the expression refers to, each once, as written.
  const std::vector<std::string>& FieldNames() const { return FFieldNames; }
  // Evaluates on one record: `fields[i]` is the field named FieldNames()[i]; a field's value is
  // `values[field->GetIndex()]`.
  bool Matches(const std::vector<const TField*>& fields, const std::vector<Variant>& values) const;
  // Converts every literal compared with a field to that field's type, raising the field's
  // refusal for one that does not convert; after it passes, Matches raises nothing.
  void Validate(const std::vector<const TField*>& fields) const;

private:
  TFilterExpression() = default;
  std::unique_ptr<TNode> FRoot;
  std::vector<std::string> FFieldNames;
  friend class TFilterParser;
};

// SQL-style pattern matching over characters of UTF-8 text: "%" any run, "_" one character.
bool MatchesLike(const std::string& text, const std::string& pattern);

} // namespace detail
