#include "data/FilterExpression.h"

#include "data/DB.h"
#include "runtime/Exceptions.h"
#include "runtime/StrUtils.h"

#include <cctype>

namespace detail {

struct TFilterExpression::TNode {
  enum class Kind { Field, Literal, And, Or, Not, Compare, Like, IsNull };
  enum class Op { Eq, Ne, Lt, Le, Gt, Ge };
  Kind NodeKind = Kind::Literal;
  Op Operator = Op::Eq;
  bool Negated = false; // NOT LIKE, IS NOT NULL
  int FieldSlot = -1;   // index into FieldNames for a field operand
  Variant Value;        // a literal's value
  std::unique_ptr<TNode> Left, Right;
};

TFilterExpression::~TFilterExpression() = default;

namespace {

using TNode = TFilterExpression::TNode;

struct TToken {
  enum class Kind { End, Name, String, Number, Symbol, Keyword } TokenKind = Kind::End;
  std::string Text; // name, text value, symbol, or upper-cased keyword
  size_t Position = 0;
};

bool IsKeywordText(const std::string& upper) {
  return upper == "AND" || upper == "OR" || upper == "NOT" || upper == "LIKE" || upper == "IS" ||
         upper == "NULL";
}

} // namespace

class TFilterParser {
public:
  explicit TFilterParser(const std::string& text) : FText(text) {}

  std::shared_ptr<const TFilterExpression> Run() {
    if (FText.size() > MaxFilterLength)
      throw Exception("Invalid filter: the expression is " + std::to_string(FText.size()) +
                      " characters long; at most " + std::to_string(MaxFilterLength) +
                      " are allowed");
    auto expression = std::shared_ptr<TFilterExpression>(new TFilterExpression());
    FExpression = expression.get();
    Advance();
    if (FToken.TokenKind == TToken::Kind::End)
      Fail("the expression is empty");
    expression->FRoot = ParseOr();
    if (FToken.TokenKind != TToken::Kind::End)
      Fail("unexpected \"" + FToken.Text + "\"");
    return expression;
  }

private:
  const std::string& FText;
  size_t FPos = 0;
  TToken FToken;
  TFilterExpression* FExpression = nullptr;
  int FNesting = 0;

  // Counts one level of parentheses or NOT for as long as it is being parsed.
  class TNestingLevel {
  public:
    explicit TNestingLevel(TFilterParser& parser) : FParser(parser) {
      if (++FParser.FNesting > MaxFilterNesting)
        FParser.Fail("parentheses and NOT are nested more than " +
                     std::to_string(MaxFilterNesting) + " levels deep");
    }
    ~TNestingLevel() { --FParser.FNesting; }
    TNestingLevel(const TNestingLevel&) = delete;
    TNestingLevel& operator=(const TNestingLevel&) = delete;

  private:
    TFilterParser& FParser;
  };

  // The start of the expression, for messages: a long expression is cut (at a character).
  std::string Quoted() const {
    constexpr size_t Shown = 80;
    if (FText.size() <= Shown)
      return FText;
    size_t end = Shown;
    while (end > 0 && (static_cast<unsigned char>(FText[end]) & 0xC0) == 0x80)
      --end;
    return FText.substr(0, end) + "...";
  }

  [[noreturn]] void Fail(const std::string& what) const {
    std::string message = "Invalid filter \"";
    message += Quoted();
    message += "\": ";
    message += what;
    message += " at position ";
    message += std::to_string(FToken.Position + 1);
    throw Exception(message);
  }

  void Advance() {
    while (FPos < FText.size() && std::isspace(static_cast<unsigned char>(FText[FPos])))
      ++FPos;
    FToken = TToken{};
    FToken.Position = FPos;
    if (FPos >= FText.size())
      return;
    const char c = FText[FPos];
    if (c == '\'') {
      std::string value;
      size_t i = FPos + 1;
      while (true) {
        if (i >= FText.size()) {
          FToken.Text.assign(1, '\'');
          Fail("the text literal is not closed");
        }
        if (FText[i] == '\'') {
          if (i + 1 < FText.size() && FText[i + 1] == '\'') {
            value += '\'';
            i += 2;
            continue;
          }
          break;
        }
        value += FText[i++];
      }
      FToken.TokenKind = TToken::Kind::String;
      FToken.Text = std::move(value);
      FPos = i + 1;
      return;
    }
    if (c == '[') {
      const size_t end = FText.find(']', FPos);
      if (end == std::string::npos)
        Fail("the bracketed field name is not closed");
      FToken.TokenKind = TToken::Kind::Name;
      FToken.Text = FText.substr(FPos + 1, end - FPos - 1);
      FPos = end + 1;
      return;
    }
    if (std::isdigit(static_cast<unsigned char>(c)) ||
        ((c == '-' || c == '.') && FPos + 1 < FText.size() &&
         std::isdigit(static_cast<unsigned char>(FText[FPos + 1])))) {
      size_t i = FPos + 1;
      while (i < FText.size() &&
             (std::isdigit(static_cast<unsigned char>(FText[i])) || FText[i] == '.'))
        ++i;
      FToken.TokenKind = TToken::Kind::Number;
      FToken.Text = FText.substr(FPos, i - FPos);
      FPos = i;
      return;
    }
    if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
      size_t i = FPos + 1;
      while (i < FText.size() && (std::isalnum(static_cast<unsigned char>(FText[i])) ||
                                  FText[i] == '_' || FText[i] == '$'))
        ++i;
      FToken.Text = FText.substr(FPos, i - FPos);
      const std::string upper = UpperCase(FToken.Text);
      if (IsKeywordText(upper)) {
        FToken.TokenKind = TToken::Kind::Keyword;
        FToken.Text = upper;
      } else {
        FToken.TokenKind = TToken::Kind::Name;
      }
      FPos = i;
      return;
    }
    for (const char* symbol : {"<>", "<=", ">=", "!=", "=", "<", ">", "(", ")"}) {
      const std::string s(symbol);
      if (FText.compare(FPos, s.size(), s) == 0) {
        FToken.TokenKind = TToken::Kind::Symbol;
        FToken.Text = s;
        FPos += s.size();
        return;
      }
    }
    FToken.Text = std::string(1, c);
    Fail("unexpected character \"" + FToken.Text + "\"");
  }

  bool IsKeyword(const char* keyword) const {
    return FToken.TokenKind == TToken::Kind::Keyword && FToken.Text == keyword;
  }
  bool IsSymbol(const char* symbol) const {
    return FToken.TokenKind == TToken::Kind::Symbol && FToken.Text == symbol;
  }

  std::unique_ptr<TNode> Binary(TNode::Kind kind, std::unique_ptr<TNode> left,
                                std::unique_ptr<TNode> right) {
    auto node = std::make_unique<TNode>();
    node->NodeKind = kind;
    node->Left = std::move(left);
    node->Right = std::move(right);
    return node;
  }

  std::unique_ptr<TNode> ParseOr() {
    auto left = ParseAnd();
    while (IsKeyword("OR")) {
      Advance();
      left = Binary(TNode::Kind::Or, std::move(left), ParseAnd());
    }
    return left;
  }

  std::unique_ptr<TNode> ParseAnd() {
    auto left = ParseFactor();
    while (IsKeyword("AND")) {
      Advance();
      left = Binary(TNode::Kind::And, std::move(left), ParseFactor());
    }
    return left;
  }

  std::unique_ptr<TNode> ParseFactor() {
    if (IsKeyword("NOT")) {
      const TNestingLevel level(*this);
      Advance();
      return Binary(TNode::Kind::Not, ParseFactor(), nullptr);
    }
    if (IsSymbol("(")) {
      const TNestingLevel level(*this);
      Advance();
      auto inner = ParseOr();
      if (!IsSymbol(")"))
        Fail(FToken.TokenKind == TToken::Kind::End
                 ? "a \")\" is missing"
                 : "expected \")\" instead of \"" + FToken.Text + "\"");
      Advance();
      return inner;
    }
    auto left = ParseOperand();
    if (IsKeyword("IS")) {
      Advance();
      auto node = Binary(TNode::Kind::IsNull, std::move(left), nullptr);
      if (IsKeyword("NOT")) {
        node->Negated = true;
        Advance();
      }
      if (!IsKeyword("NULL"))
        Fail("expected NULL after IS");
      Advance();
      return node;
    }
    bool negated = false;
    if (IsKeyword("NOT")) {
      negated = true;
      Advance();
      if (!IsKeyword("LIKE"))
        Fail("expected LIKE after NOT");
    }
    if (IsKeyword("LIKE")) {
      Advance();
      auto node = Binary(TNode::Kind::Like, std::move(left), ParseOperand());
      node->Negated = negated;
      return node;
    }
    static const std::pair<const char*, TNode::Op> Operators[] = {
        {"=", TNode::Op::Eq},  {"<>", TNode::Op::Ne}, {"!=", TNode::Op::Ne}, {"<", TNode::Op::Lt},
        {"<=", TNode::Op::Le}, {">", TNode::Op::Gt},  {">=", TNode::Op::Ge}};
    for (const auto& [symbol, op] : Operators) {
      if (IsSymbol(symbol)) {
        Advance();
        auto node = Binary(TNode::Kind::Compare, std::move(left), ParseOperand());
        node->Operator = op;
        return node;
      }
    }
    Fail(FToken.TokenKind == TToken::Kind::End
             ? std::string("a comparison is missing at the end")
             : "expected a comparison instead of \"" + FToken.Text + "\"");
  }

  std::unique_ptr<TNode> ParseOperand() {
    auto node = std::make_unique<TNode>();
    switch (FToken.TokenKind) {
    case TToken::Kind::Name: {
      node->NodeKind = TNode::Kind::Field;
      auto& names = FExpression->FFieldNames;
      int slot = -1;
      for (size_t i = 0; i < names.size(); ++i)
        if (SameText(names[i], FToken.Text))
          slot = static_cast<int>(i);
      if (slot < 0) {
        names.push_back(FToken.Text);
        slot = static_cast<int>(names.size()) - 1;
      }
      node->FieldSlot = slot;
      break;
    }
    case TToken::Kind::String:
      node->Value = FToken.Text;
      break;
    case TToken::Kind::Number:
      if (FToken.Text.find('.') != std::string::npos) {
        try {
          size_t used = 0;
          node->Value = std::stod(FToken.Text, &used);
          if (used != FToken.Text.size())
            Fail("\"" + FToken.Text + "\" is not a number");
        } catch (const std::logic_error&) {
          Fail("\"" + FToken.Text + "\" is not a number");
        }
      } else {
        try {
          node->Value = static_cast<int64_t>(std::stoll(FToken.Text));
        } catch (const std::logic_error&) {
          Fail("\"" + FToken.Text + "\" is not a number");
        }
      }
      break;
    case TToken::Kind::End:
      Fail("a value is missing at the end");
    default:
      Fail("expected a field name or a value instead of \"" + FToken.Text + "\"");
    }
    Advance();
    return node;
  }
};

std::shared_ptr<const TFilterExpression> TFilterExpression::Parse(const std::string& text) {
  return TFilterParser(text).Run();
}

namespace {

struct TOperand {
  Variant Value;
  const TField* Field = nullptr;
};

TOperand Evaluate(const TNode& node, const std::vector<const TField*>& fields,
                  const std::vector<Variant>& values) {
  if (node.NodeKind == TNode::Kind::Field) {
    const TField* field = fields[node.FieldSlot];
    return {values[field->GetIndex()], field};
  }
  return {node.Value, nullptr};
}

bool IsText(const Variant& value) {
  return value.GetKind() == Variant::Kind::String;
}

// Brings a literal to the type of the field on the other side.
void Align(TOperand& a, TOperand& b) {
  if (a.Field != nullptr && b.Field == nullptr)
    b.Value = a.Field->Convert(b.Value);
  else if (b.Field != nullptr && a.Field == nullptr)
    a.Value = b.Field->Convert(a.Value);
}

int Compare(const Variant& a, const Variant& b) {
  using K = Variant::Kind;
  const K ka = a.GetKind();
  const K kb = b.GetKind();
  if ((ka == K::Integer || ka == K::Int64) && (kb == K::Integer || kb == K::Int64)) {
    const int64_t x = a.AsInt64();
    const int64_t y = b.AsInt64();
    return x < y ? -1 : x > y ? 1 : 0;
  }
  if (a.IsNumeric() && b.IsNumeric()) {
    const double x = a.AsFloat();
    const double y = b.AsFloat();
    return x < y ? -1 : x > y ? 1 : 0;
  }
  if (ka == K::DateTime && kb == K::DateTime) {
    const double x = a.AsDateTime().Value;
    const double y = b.AsDateTime().Value;
    return x < y ? -1 : x > y ? 1 : 0;
  }
  const int c = a.AsString().compare(b.AsString());
  return c < 0 ? -1 : c > 0 ? 1 : 0;
}

bool Test(const TNode& node, const std::vector<const TField*>& fields,
          const std::vector<Variant>& values) {
  switch (node.NodeKind) {
  case TNode::Kind::And:
    return Test(*node.Left, fields, values) && Test(*node.Right, fields, values);
  case TNode::Kind::Or:
    return Test(*node.Left, fields, values) || Test(*node.Right, fields, values);
  case TNode::Kind::Not:
    return !Test(*node.Left, fields, values);
  case TNode::Kind::IsNull:
    return Evaluate(*node.Left, fields, values).Value.IsEmptyOrNull() != node.Negated;
  case TNode::Kind::Like: {
    const TOperand text = Evaluate(*node.Left, fields, values);
    const TOperand pattern = Evaluate(*node.Right, fields, values);
    if (text.Value.IsEmptyOrNull() || pattern.Value.IsEmptyOrNull())
      return false;
    const std::string subject = !IsText(text.Value) && text.Field != nullptr
                                    ? text.Field->GetText()
                                    : text.Value.AsString();
    return MatchesLike(subject, pattern.Value.AsString()) != node.Negated;
  }
  case TNode::Kind::Compare: {
    TOperand a = Evaluate(*node.Left, fields, values);
    TOperand b = Evaluate(*node.Right, fields, values);
    if (a.Value.IsEmptyOrNull() || b.Value.IsEmptyOrNull())
      return false;
    Align(a, b);
    const int c = Compare(a.Value, b.Value);
    switch (node.Operator) {
    case TNode::Op::Eq:
      return c == 0;
    case TNode::Op::Ne:
      return c != 0;
    case TNode::Op::Lt:
      return c < 0;
    case TNode::Op::Le:
      return c <= 0;
    case TNode::Op::Gt:
      return c > 0;
    case TNode::Op::Ge:
      return c >= 0;
    }
    return false;
  }
  default:
    return false;
  }
}

// Splits UTF-8 text into characters so that "_" stands for one character, not one byte.
std::vector<std::string_view> Characters(const std::string& text) {
  std::vector<std::string_view> chars;
  size_t i = 0;
  while (i < text.size()) {
    size_t next = i + 1;
    while (next < text.size() && (static_cast<unsigned char>(text[next]) & 0xC0) == 0x80)
      ++next;
    chars.emplace_back(text.data() + i, next - i);
    i = next;
  }
  return chars;
}

void ValidateNode(const TNode& node, const std::vector<const TField*>& fields) {
  if (node.NodeKind == TNode::Kind::Compare) {
    const TNode& left = *node.Left;
    const TNode& right = *node.Right;
    if (left.NodeKind == TNode::Kind::Field && right.NodeKind == TNode::Kind::Literal)
      fields[left.FieldSlot]->Convert(right.Value);
    else if (right.NodeKind == TNode::Kind::Field && left.NodeKind == TNode::Kind::Literal)
      fields[right.FieldSlot]->Convert(left.Value);
    return;
  }
  if (node.Left)
    ValidateNode(*node.Left, fields);
  if (node.Right)
    ValidateNode(*node.Right, fields);
}

} // namespace

void TFilterExpression::Validate(const std::vector<const TField*>& fields) const {
  ValidateNode(*FRoot, fields);
}

bool TFilterExpression::Matches(const std::vector<const TField*>& fields,
                                const std::vector<Variant>& values) const {
  return Test(*FRoot, fields, values);
}

bool MatchesLike(const std::string& text, const std::string& pattern) {
  const auto s = Characters(text);
  const auto p = Characters(pattern);
  size_t si = 0, pi = 0;
  size_t starP = std::string::npos, starS = 0;
  while (si < s.size()) {
    if (pi < p.size() && p[pi] != "%" && (p[pi] == "_" || p[pi] == s[si])) {
      ++si;
      ++pi;
    } else if (pi < p.size() && p[pi] == "%") {
      starP = pi++;
      starS = si;
    } else if (starP != std::string::npos) {
      pi = starP + 1;
      si = ++starS;
    } else {
      return false;
    }
  }
  while (pi < p.size() && p[pi] == "%")
    ++pi;
  return pi == p.size();
}

} // namespace detail
