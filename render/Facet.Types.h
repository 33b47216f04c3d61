#pragma once

// Value types and small text helpers shared by the page controls, the data grid and the server:
// the kinds of browser events a control can have, grid column models and alignments, and the
// functions that write values into HTML attribute texts and script statements.

#include "bridge/Duo.Types.h"

#include <functional>
#include <string>
#include <string_view>

enum class TFacetEventType {
  EventOnClick,
  EventOnDblClick,
  EventOnSelectAll,
  EventOnUnselectAll,
  EventOnLoadJSON,
  EventOnSelect,
  EventOnCellClick,
  EventOnCheckChange,
  EventOnCheck,
  EventOnUncheck,
  EventOnEnter,
  EventOnExit,
  EventOnChange,
  EventOnKeyDown,
  EventOnKeyUp,
  EventOnKeyPress,
  EventOnFocused,
  EventOnCellPost,
  EventOnCellButtonClick,
  EventOnShowPopup,
  EventOnClosePopup
};
using enum TFacetEventType;

enum class TFacetFieldModel {
  FacetFieldModelNone,
  FacetFieldModelField,
  FacetFieldModelCombobox,
  FacetFieldModelCheckbox,
  FacetFieldModelLookup,
  FacetFieldModelButton,
  FacetFieldModelHTML
};
using enum TFacetFieldModel;

enum class TFacetAlignment {
  FacetAlignNone,
  FacetAlignLeft,
  FacetAlignRigth,
  FacetAlignCenter,
  FacetAlignJustified
};
using enum TFacetAlignment;

// A handler that answers an event with a text (the grid's data loads and cell posts).
using TFacetGetStrEvent = std::function<std::string()>;

// The browser event a listener is attached to for an event type: "click", "input", "keydown",
// "keyup", "keypress"; empty for the types the page wires itself.
std::string EventJSName(TFacetEventType EventType);

// The attributes that make an input element hold values of a field type (`type="number"`, …);
// empty for text.
std::string InputHTMLTypeByFacetFieldType(TFacetFieldType FieldType);

// Adds a word to the class attribute of an attribute text, first and followed by a blank; a
// word already there changes nothing.  A text without a class attribute gets one.
std::string HTMLAddItemFromClass(std::string_view HTML, std::string_view Item);
// Removes every occurrence of a word from the class attribute of an attribute text.
std::string HTMLRemoveItemFromClass(std::string_view HTML, std::string_view Item);

// The value as a double-quoted script string literal that no character of the value can end.
std::string FormatValueHTML(std::string_view Value);

// A value that comes from a dataset or from the browser, for HTML text or an attribute: escaped
// like any value, and with "{" written as a character reference so that a template tag inside
// the data is shown as typed instead of being resolved by the page.
std::string HTMLEncodeData(std::string_view Value);
