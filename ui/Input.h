#pragma once

// The user's input as the platform processes it, for any backend: a key goes first to the menus'
// shortcuts, then to the form's navigation (Tab, Enter, Escape), then to OnKeyDown, OnKeyPress
// and the control's own handling, then OnKeyUp (a form with KeyPreview sees each event before
// the control); a click focuses the control, then raises OnMouseDown, the click and OnMouseUp;
// a mouse move while a drag is pending or running drives the drag.  Errors raised by handlers go
// to the application's error handling, one step at a time, as each message would.

#include "ui/Controls.h"

#include <string>

class TCustomForm;

class TUserInput {
public:
  // A key pressed on a form; `typed` is the text the key produces ("" for none; the key's own
  // character when omitted).
  static void PressKey(TCustomForm& form, Word key, TShiftState shift = {});
  static void PressKey(TCustomForm& form, Word key, TShiftState shift, const std::string& typed);
  // Types text into a control, focusing it first: each character is a key press.
  static void TypeText(TWinControl& control, const std::string& text);
  // A left click at a point of the control (its centre by default).
  static void Click(TControl& control);
  static void Click(TControl& control, int x, int y);
  static void DblClick(TControl& control, int x, int y);
  static void MouseDown(TControl& control, TMouseButton button, TShiftState shift, int x, int y);
  static void MouseMove(TControl& control, TShiftState shift, int x, int y);
  static void MouseUp(TControl& control, TMouseButton button, TShiftState shift, int x, int y);
  static void MouseLeave(TControl& control);
  // Moves the focus to a control as a click would; returns whether it has the focus.
  static bool FocusByUser(TWinControl& control);

  // The key code and shift state that type an ASCII character on a standard keyboard.
  static Word KeyOfChar(char c, TShiftState& shift);
  // The character a key types: letters and digits, Space, Enter, Escape, Backspace, Tab.
  static std::string CharOfKey(Word key, TShiftState shift);
};
