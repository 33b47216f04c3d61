#include "ui/Input.h"

#include "ui/Forms.h"
#include "ui/Menus.h"
#include "ui/StdCtrls.h"

#include <cstdlib>

namespace {

bool IsDialogKey(Word key) {
  return key == VK_TAB || key == VK_RETURN || key == VK_ESCAPE;
}

TWinControl& KeyTarget(TCustomForm& form) {
  TWinControl* focused = form.GetFocusedControl();
  return focused != nullptr ? *focused : form;
}

void KeyUpPhase(TApplication& app, TCustomForm& form, detail::TFreeWatch& formWatch, Word key,
                TShiftState shift) {
  if (!formWatch.Alive())
    return;
  TWinControl& target = KeyTarget(form);
  detail::TFreeWatch targetWatch(&target);
  Word up = key;
  if (form.GetKeyPreview() && &target != &form)
    app.RunUserAction([&] { form.KeyUp(up, shift); });
  if (up != 0 && targetWatch.Alive())
    app.RunUserAction([&] { target.KeyUp(up, shift); });
}

} // namespace

Word TUserInput::KeyOfChar(char c, TShiftState& shift) {
  shift = {};
  if (c >= 'a' && c <= 'z')
    return static_cast<Word>(c - 'a' + 'A');
  if (c >= 'A' && c <= 'Z') {
    shift.Include(ssShift);
    return static_cast<Word>(c);
  }
  if (c >= '0' && c <= '9')
    return static_cast<Word>(c);
  static const std::pair<char, Word> plain[] = {
      {' ', VK_SPACE},     {'\r', VK_RETURN},   {'\n', VK_RETURN},    {'\t', VK_TAB},
      {'\b', VK_BACK},     {'\x1b', VK_ESCAPE}, {';', VK_OEM_1},      {'=', VK_OEM_PLUS},
      {',', VK_OEM_COMMA}, {'-', VK_OEM_MINUS}, {'.', VK_OEM_PERIOD}, {'/', VK_OEM_2},
  };
  for (const auto& [ch, key] : plain)
    if (ch == c)
      return key;
  static const std::pair<char, Word> shifted[] = {
      {'!', '1'},          {'@', '2'},          {'#', '3'},           {'$', '4'},
      {'%', '5'},          {'^', '6'},          {'&', '7'},           {'*', '8'},
      {'(', '9'},          {')', '0'},          {':', VK_OEM_1},      {'+', VK_OEM_PLUS},
      {'<', VK_OEM_COMMA}, {'_', VK_OEM_MINUS}, {'>', VK_OEM_PERIOD}, {'?', VK_OEM_2},
  };
  for (const auto& [ch, key] : shifted)
    if (ch == c) {
      shift.Include(ssShift);
      return key;
    }
  return 0;
}

std::string TUserInput::CharOfKey(Word key, TShiftState shift) {
  if (shift.Contains(ssCtrl) || shift.Contains(ssAlt))
    return {};
  if (key >= 'A' && key <= 'Z')
    return std::string(1, static_cast<char>(shift.Contains(ssShift) ? key : key - 'A' + 'a'));
  if (key >= '0' && key <= '9' && !shift.Contains(ssShift))
    return std::string(1, static_cast<char>(key));
  switch (key) {
  case VK_SPACE:
    return " ";
  case VK_RETURN:
    return "\r";
  case VK_ESCAPE:
    return "\x1b";
  case VK_BACK:
    return "\b";
  case VK_TAB:
    return "\t";
  default:
    return {};
  }
}

void TUserInput::PressKey(TCustomForm& form, Word key, TShiftState shift) {
  PressKey(form, key, shift, CharOfKey(key, shift));
}

void TUserInput::PressKey(TCustomForm& form, Word key, TShiftState shift,
                          const std::string& typed) {
  TApplication& app = form.GetApplication();
  detail::TFreeWatch formWatch(&form);
  TWinControl& target = KeyTarget(form);
  detail::TFreeWatch targetWatch(&target);

  bool used = false;
  app.RunUserAction([&] { used = form.IsShortCut(key, shift); });
  if (used || !formWatch.Alive())
    return;
  if (IsDialogKey(key) && !target.WantsKey(key)) {
    app.RunUserAction([&] { used = form.DialogKey(key, shift); });
    if (used) {
      KeyUpPhase(app, form, formWatch, key, shift);
      return;
    }
  }

  Word down = key;
  if (form.GetKeyPreview() && &target != &form)
    app.RunUserAction([&] { form.KeyDown(down, shift); });
  if (down != 0 && targetWatch.Alive())
    app.RunUserAction([&] {
      target.KeyDown(down, shift);
      if (down != 0 && targetWatch.Alive())
        target.KeyDownDefault(down, shift);
    });

  if (down != 0 && !typed.empty() && formWatch.Alive() && targetWatch.Alive()) {
    if (typed.size() == 1 && static_cast<unsigned char>(typed[0]) < 0x80) {
      char c = typed[0];
      if (form.GetKeyPreview() && &target != &form)
        app.RunUserAction([&] { form.KeyPress(c); });
      if (c != 0 && targetWatch.Alive())
        app.RunUserAction([&] {
          target.KeyPress(c);
          if (c != 0 && targetWatch.Alive())
            target.KeyPressDefault(c);
        });
    } else {
      app.RunUserAction([&] { target.InsertText(typed); });
    }
  }
  KeyUpPhase(app, form, formWatch, key, shift);
}

void TUserInput::TypeText(TWinControl& control, const std::string& text) {
  TCustomForm* form = GetParentForm(&control);
  if (form == nullptr)
    return;
  detail::TFreeWatch watch(&control);
  if (!control.Focused() && !FocusByUser(control))
    return;
  for (const std::string& character : detail::Utf8Characters(text)) {
    if (!watch.Alive())
      return;
    TShiftState shift;
    Word key = character.size() == 1 ? KeyOfChar(character[0], shift) : Word{0};
    // A character without a key of its own on a standard keyboard (a quote, a bracket, a
    // letter with an accent) comes as a packet of typed text.
    if (key == 0)
      key = 0xE7;
    PressKey(*form, key, shift, character);
  }
}

bool TUserInput::FocusByUser(TWinControl& control) {
  if (control.Focused())
    return true;
  if (!control.CanFocus())
    return false;
  detail::TFreeWatch watch(&control);
  control.GetApplication().RunUserAction([&] { control.SetFocus(); });
  return watch.Alive() && control.Focused();
}

void TUserInput::Click(TControl& control) {
  Click(control, control.GetWidth() / 2, control.GetHeight() / 2);
}

void TUserInput::Click(TControl& control, int x, int y) {
  TApplication& app = control.GetApplication();
  detail::TFreeWatch watch(&control);
  if (control.IsWindowed()) {
    auto& win = static_cast<TWinControl&>(control);
    if (win.TakesFocusOnClick() && !FocusByUser(win))
      return;
  }
  if (watch.Alive())
    app.RunUserAction([&] { control.MouseDown(mbLeft, {ssLeft}, x, y); });
  if (watch.Alive())
    app.RunUserAction([&] { control.PerformClick(); });
  if (watch.Alive())
    app.RunUserAction([&] { control.MouseUp(mbLeft, {}, x, y); });
}

void TUserInput::DblClick(TControl& control, int x, int y) {
  TApplication& app = control.GetApplication();
  detail::TFreeWatch watch(&control);
  Click(control, x, y);
  if (watch.Alive())
    app.RunUserAction([&] { control.MouseDown(mbLeft, {ssLeft, ssDouble}, x, y); });
  if (watch.Alive())
    app.RunUserAction([&] { control.DblClick(); });
  if (watch.Alive())
    app.RunUserAction([&] { control.MouseUp(mbLeft, {}, x, y); });
}

void TUserInput::MouseDown(TControl& control, TMouseButton button, TShiftState shift, int x,
                           int y) {
  TApplication& app = control.GetApplication();
  detail::TFreeWatch watch(&control);
  if (button == mbLeft && control.IsWindowed()) {
    auto& win = static_cast<TWinControl&>(control);
    if (win.TakesFocusOnClick() && !FocusByUser(win))
      return;
  }
  if (watch.Alive())
    app.RunUserAction([&] { control.MouseDown(button, shift, x, y); });
}

void TUserInput::MouseMove(TControl& control, TShiftState shift, int x, int y) {
  TApplication& app = control.GetApplication();
  TDragInfo& drag = app.GetDrag();
  if (drag.Source == nullptr) {
    app.RunUserAction([&] { control.MouseMove(shift, x, y); });
    return;
  }
  if (!drag.Started) {
    if (std::abs(x - drag.Start.X) < drag.Threshold && std::abs(y - drag.Start.Y) < drag.Threshold)
      return;
    drag.Started = true;
    TControl* source = drag.Source;
    app.RunUserAction([&] { source->DoStartDrag(); });
    if (app.GetDrag().Source == nullptr)
      return;
  }
  TDragState state = app.GetDrag().Target == &control ? dsDragMove : dsDragEnter;
  if (app.GetDrag().Target != nullptr && app.GetDrag().Target != &control) {
    TControl* left = app.GetDrag().Target;
    bool ignored = false;
    app.RunUserAction([&] { left->DragOver(app.GetDrag().Source, x, y, dsDragLeave, ignored); });
  }
  bool accept = false;
  app.RunUserAction([&] {
    if (app.GetDrag().Source != nullptr)
      control.DragOver(app.GetDrag().Source, x, y, state, accept);
  });
  if (app.GetDrag().Source != nullptr) {
    app.GetDrag().Target = &control;
    app.GetDrag().Accepted = accept;
  }
}

void TUserInput::MouseUp(TControl& control, TMouseButton button, TShiftState shift, int x, int y) {
  TApplication& app = control.GetApplication();
  TDragInfo drag = app.GetDrag();
  if (drag.Source != nullptr) {
    app.GetDrag() = TDragInfo{};
    if (drag.Started) {
      const bool dropped = drag.Accepted && drag.Target == &control;
      detail::TFreeWatch sourceWatch(drag.Source);
      if (dropped)
        app.RunUserAction([&] { control.DragDrop(drag.Source, x, y); });
      if (sourceWatch.Alive())
        app.RunUserAction([&] {
          drag.Source->DoEndDrag(dropped ? static_cast<TObject*>(&control) : nullptr, x, y);
        });
      return;
    }
  }
  detail::TFreeWatch watch(&control);
  app.RunUserAction([&] { control.MouseUp(button, shift, x, y); });
  if (button == mbRight && watch.Alive()) {
    TPopupMenu* popup = control.GetPopupMenu();
    if (popup != nullptr && popup->GetAutoPopup()) {
      const TPoint at = control.ClientToParentForm({x, y});
      app.RunUserAction([&] {
        popup->SetPopupComponent(&control);
        popup->Popup(at.X, at.Y);
      });
    }
  }
}

void TUserInput::MouseLeave(TControl& control) {
  control.GetApplication().RunUserAction([&] { control.MouseLeave(); });
}
