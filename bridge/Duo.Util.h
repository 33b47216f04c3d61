#pragma once

// Small helpers of the bridge layer used by the items that wrap controls.

#include <string>
#include <string_view>

class TControl;

// The text trimmed, with every `=""` removed: an empty attribute such as `style=""` becomes the
// bare word `style`.
std::string TrataHTMLTag(std::string_view Text);

// The control's Enabled, and-ed with that of its parents up to the form it sits on.
bool GetEnabledRecursive(const TControl* Control);

// The control's Visible, and-ed with that of its parents up to the form it sits on; a tab sheet
// on the way counts by its TabVisible.
bool GetVisibleRecursive(const TControl* Control);

// A length in pixels at the screen's density, converted to the default density of 96 pixels per
// inch (rounded to the nearest, halves away from zero).
int WidthPPI(int Value);

// The text with & < > " ' written as character references, for HTML text and attribute values:
// the browser shows exactly the text, and no value ends an attribute or opens a tag.
std::string HTMLEncode(std::string_view Text);

// The text as a double-quoted script string literal.  Besides quotes, backslashes and control
// characters, "<", ">" and "&" are written as escapes, so a value never ends the script block it
// stands in, and the two line separators that end a script line are escaped too.
std::string QuotedJSString(std::string_view Text);

// The text as a single-quoted script string literal, escaped as QuotedJSString escapes.
std::string SingleQuotedJSString(std::string_view Text);
