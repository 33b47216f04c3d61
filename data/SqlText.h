#pragma once
#include <string>
#include <string_view>
#include <vector>

// Reading SQL text without a server: named parameters, the main table of a select, and the
// statements of a script.  String literals ('it''s'), quoted identifiers ("Name") and comments
// (-- to the end of the line, /* ... */) are skipped as a unit everywhere.
namespace detail {

struct TParsedSql {
  std::string Sql;                     // the text with every :NAME replaced by ?
  std::vector<std::string> ParamNames; // the names in order of appearance, one per ?
};

// Rewrites `:NAME` parameters to the positional `?` the database understands.
TParsedSql RewriteParams(std::string_view sql);

// The first table after the outermost FROM of a select, upper-cased unless it was quoted; empty
// when there is none.
std::string MainTableOf(std::string_view sql);

// One statement of a script: its text without the terminator, and the line it starts on.
struct TScriptStatement {
  std::string Text;
  int Line = 0;
};

// Splits a script into statements.  `SET TERM <new> <old>` changes the terminator (needed around
// procedure and trigger bodies, which contain semicolons); it is consumed here, as the
// interactive tool does.  Statements that hold nothing but comments are dropped.
std::vector<TScriptStatement> SplitScript(std::string_view script);

} // namespace detail
