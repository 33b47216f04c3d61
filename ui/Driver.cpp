#include "ui/Driver.h"

#include "runtime/StrUtils.h"
#include "ui/Buttons.h"
#include "ui/ComCtrls.h"
#include "ui/ExtCtrls.h"
#include "ui/Input.h"
#include "ui/Menus.h"

#include <sstream>

namespace {

std::string FormName(const TCustomForm& form) {
  return form.GetName().empty() ? form.ClassName() : form.GetName();
}

// Searches the components a component owns, and theirs, for one with the name that passes the
// test.
TComponent* FindOwned(const TComponent& owner, const std::string& name,
                      const std::function<bool(const TComponent&)>& wanted) {
  for (int i = 0; i < owner.ComponentCount(); ++i) {
    TComponent* c = owner.Components(i);
    if (SameText(c->GetName(), name) && wanted(*c))
      return c;
  }
  for (int i = 0; i < owner.ComponentCount(); ++i)
    if (TComponent* found = FindOwned(*owner.Components(i), name, wanted))
      return found;
  return nullptr;
}

// Why the user could not give input to the control, or "" when they could.
std::string InputRefusal(const TControl& control) {
  for (const TControl* c = &control; c != nullptr; c = c->GetParent()) {
    const std::string who = c == &control          ? "it"
                            : c->GetName().empty() ? "its parent"
                                                   : c->GetName();
    if (!c->GetVisible())
      return who + " is hidden";
    if (!c->GetEnabled())
      return who + " is disabled";
  }
  const TCustomForm* form = GetParentForm(&control);
  if (form == nullptr || !form->GetShowing())
    return "its form is not shown";
  return {};
}

std::string Quote(const std::string& text) {
  std::string result = "\"";
  for (char c : text) {
    if (c == '\r')
      result += "\\r";
    else if (c == '\n')
      result += "\\n";
    else if (c == '"')
      result += "\\\"";
    else
      result += c;
  }
  return result + "\"";
}

void DumpControl(std::ostringstream& out, const TControl& c, int depth) {
  out << std::string(static_cast<size_t>(depth) * 2, ' ') << c.ClassName();
  if (!c.GetName().empty())
    out << ' ' << c.GetName();
  if (!c.GetText().empty())
    out << ' ' << Quote(c.GetText());
  out << " (" << c.GetLeft() << ',' << c.GetTop() << ',' << c.GetWidth() << 'x' << c.GetHeight()
      << ')';
  if (c.GetAlign() != alNone)
    out << " align=" << static_cast<int>(c.GetAlign());
  if (!c.GetVisible())
    out << " hidden";
  if (!c.GetEnabled())
    out << " disabled";
  if (c.IsWindowed() && static_cast<const TWinControl&>(c).Focused())
    out << " focused";
  if (c.Is<TButton>()) {
    const auto& b = static_cast<const TButton&>(c);
    if (b.GetDefault())
      out << " default";
    if (b.GetCancel())
      out << " cancel";
    if (b.GetModalResult() != mrNone)
      out << " modalresult=" << b.GetModalResult();
  }
  if (c.Is<TCustomEdit>()) {
    const auto& e = static_cast<const TCustomEdit&>(c);
    if (e.GetReadOnly())
      out << " readonly";
    if (e.GetPasswordChar() != '\0')
      out << " password";
  }
  if (c.Is<TCustomCheckBox>())
    out << (static_cast<const TCustomCheckBox&>(c).GetChecked() ? " checked" : " unchecked");
  if (c.Is<TRadioButton>() && static_cast<const TRadioButton&>(c).GetChecked())
    out << " checked";
  if (c.Is<TCustomComboBox>()) {
    const auto& b = static_cast<const TCustomComboBox&>(c);
    out << " items=" << Quote(b.GetItems().GetCommaText()) << " index=" << b.GetItemIndex();
  }
  if (c.Is<TCustomRadioGroup>()) {
    const auto& g = static_cast<const TCustomRadioGroup&>(c);
    out << " items=" << Quote(g.GetItems().GetCommaText()) << " index=" << g.GetItemIndex();
  }
  if (c.Is<TPageControl>()) {
    const TTabSheet* page = static_cast<const TPageControl&>(c).GetActivePage();
    out << " active=" << (page == nullptr ? std::string("none") : page->GetName());
  }
  if (c.Is<TTabSheet>() && !static_cast<const TTabSheet&>(c).GetTabVisible())
    out << " tabhidden";
  if (c.Is<TImage>()) {
    const TPicture& p = static_cast<const TImage&>(c).GetPicture();
    if (!p.Empty())
      out << " picture=" << p.GetFormat() << ' ' << p.GetWidth() << 'x' << p.GetHeight();
  }
  if (c.Is<TSpeedButton>() && static_cast<const TSpeedButton&>(c).GetDown())
    out << " down";
  out << '\n';
  if (c.IsWindowed()) {
    const auto& w = static_cast<const TWinControl&>(c);
    for (int i = 0; i < w.ControlCount(); ++i)
      DumpControl(out, *w.Controls(i), depth + 1);
  }
}

THeadlessBackend& HeadlessBackendOf(TApplication& app) {
  auto* backend = dynamic_cast<THeadlessBackend*>(&app.GetBackend());
  if (backend == nullptr)
    throw EDriverError("The application does not run on the headless backend");
  return *backend;
}

} // namespace

TCustomForm& TFormRef::Resolve(TApplication& app) const {
  if (FForm != nullptr)
    return *FForm;
  TCustomForm* form = app.GetScreen().FindForm(FName);
  if (form == nullptr)
    throw EDriverError("There is no form named " + FName);
  return *form;
}

THeadlessDriver::THeadlessDriver(TApplication& app) : FApp(app), FBackend(HeadlessBackendOf(app)) {}

void THeadlessDriver::Queue(std::function<void()> action) {
  FBackend.QueueAction(std::move(action));
}

TCustomForm& THeadlessDriver::Form(const std::string& name) const {
  return TFormRef(name).Resolve(FApp);
}

TControl& THeadlessDriver::Find(const TFormRef& formRef, const std::string& name) const {
  TCustomForm& form = formRef.Resolve(FApp);
  if (TControl* control = form.FindChildControl(name))
    return *control;
  TComponent* owned = FindOwned(form, name, [](const TComponent& c) { return c.Is<TControl>(); });
  if (owned == nullptr)
    throw EDriverError("Form " + FormName(form) + " has no control named " + name);
  return static_cast<TControl&>(*owned);
}

TMenuItem& THeadlessDriver::FindMenuItem(const TFormRef& formRef, const std::string& name) const {
  TCustomForm& form = formRef.Resolve(FApp);
  TComponent* item = FindOwned(form, name, [](const TComponent& c) { return c.Is<TMenuItem>(); });
  if (item == nullptr)
    throw EDriverError("Form " + FormName(form) + " has no menu item named " + name);
  return static_cast<TMenuItem&>(*item);
}

TControl& THeadlessDriver::Target(const TFormRef& form, const std::string& name) const {
  TControl& control = Find(form, name);
  const std::string refusal = InputRefusal(control);
  if (!refusal.empty())
    throw EDriverError("Control " + name + " cannot take input: " + refusal);
  return control;
}

TWinControl& THeadlessDriver::Input(const TFormRef& form, const std::string& name) const {
  TControl& control = Target(form, name);
  if (!control.IsWindowed())
    throw EDriverError("Control " + name + " (" + control.ClassName() +
                       ") takes no keyboard input");
  return static_cast<TWinControl&>(control);
}

void THeadlessDriver::Type(const TFormRef& form, const std::string& control,
                           const std::string& text) {
  TWinControl& target = Input(form, control);
  if (!target.Focused() && !TUserInput::FocusByUser(target))
    throw EDriverError("Control " + control + " did not take the focus");
  TUserInput::TypeText(target, text);
}

void THeadlessDriver::PressKey(const TFormRef& form, Word key, TShiftState shift) {
  TCustomForm& target = form.Resolve(FApp);
  if (!target.GetShowing())
    throw EDriverError("Form " + FormName(target) + " is not shown");
  TUserInput::PressKey(target, key, shift);
}

void THeadlessDriver::Click(const TFormRef& form, const std::string& control) {
  TUserInput::Click(Target(form, control));
}

void THeadlessDriver::DblClick(const TFormRef& form, const std::string& control) {
  TControl& target = Target(form, control);
  TUserInput::DblClick(target, target.GetWidth() / 2, target.GetHeight() / 2);
}

void THeadlessDriver::Choose(const TFormRef& form, const std::string& control,
                             const std::string& item) {
  TControl& target = Target(form, control);
  const TStrings* items = nullptr;
  if (target.Is<TCustomComboBox>())
    items = &static_cast<TCustomComboBox&>(target).GetItems();
  else if (target.Is<TCustomRadioGroup>())
    items = &static_cast<TCustomRadioGroup&>(target).GetItems();
  else
    throw EDriverError("Control " + control + " (" + target.ClassName() + ") has no items");
  const int index = items->IndexOf(item);
  if (index < 0)
    throw EDriverError("Item \"" + item + "\" is not in " + control);
  ChooseIndex(form, control, index);
}

void THeadlessDriver::ChooseIndex(const TFormRef& form, const std::string& control, int index) {
  TWinControl& target = Input(form, control);
  if (!TUserInput::FocusByUser(target))
    throw EDriverError("Control " + control + " did not take the focus");
  if (target.Is<TCustomComboBox>()) {
    auto& box = static_cast<TCustomComboBox&>(target);
    if (index < 0 || index >= box.GetItems().Count())
      throw EDriverError("Item " + std::to_string(index) + " is not in " + control);
    FApp.RunUserAction([&] { box.SelectItem(index); });
  } else if (target.Is<TCustomRadioGroup>()) {
    auto& group = static_cast<TCustomRadioGroup&>(target);
    if (index < 0 || index >= group.GetItems().Count())
      throw EDriverError("Item " + std::to_string(index) + " is not in " + control);
    FApp.RunUserAction([&] { group.SelectItem(index); });
  } else {
    throw EDriverError("Control " + control + " (" + target.ClassName() + ") has no items");
  }
}

void THeadlessDriver::Check(const TFormRef& form, const std::string& control, bool checked) {
  TControl& target = Target(form, control);
  if (target.Is<TRadioButton>()) {
    if (!checked)
      throw EDriverError("A radio button cannot be unchecked by clicking it (" + control + ")");
    TUserInput::Click(target);
    return;
  }
  if (!target.Is<TCustomCheckBox>())
    throw EDriverError("Control " + control + " (" + target.ClassName() + ") is not a check box");
  auto& box = static_cast<TCustomCheckBox&>(target);
  detail::TFreeWatch watch(&box);
  for (int clicks = 0; clicks < 3 && watch.Alive() && box.GetChecked() != checked; ++clicks)
    TUserInput::Click(box);
}

void THeadlessDriver::PickDate(const TFormRef& form, const std::string& control, TDateTime value) {
  TWinControl& target = Input(form, control);
  if (!target.Is<TDateTimePicker>())
    throw EDriverError("Control " + control + " (" + target.ClassName() + ") is not a date picker");
  if (!TUserInput::FocusByUser(target))
    throw EDriverError("Control " + control + " did not take the focus");
  FApp.RunUserAction([&] { static_cast<TDateTimePicker&>(target).ChangeByUser(value); });
}

void THeadlessDriver::PickMenuItem(const TFormRef& form, const std::string& name) {
  TMenuItem& item = FindMenuItem(form, name);
  for (const TMenuItem* i = &item; i != nullptr; i = i->GetParent()) {
    if (!i->GetVisible())
      throw EDriverError("Menu item " + name + " is hidden");
    if (!i->GetEnabled())
      throw EDriverError("Menu item " + name + " is disabled");
  }
  FApp.RunUserAction([&] { item.Click(); });
}

void THeadlessDriver::MouseDown(const TFormRef& form, const std::string& control,
                                TMouseButton button, int x, int y, TShiftState shift) {
  TUserInput::MouseDown(Target(form, control), button, shift, x, y);
}

void THeadlessDriver::MouseMove(const TFormRef& form, const std::string& control, int x, int y,
                                TShiftState shift) {
  TUserInput::MouseMove(Target(form, control), shift, x, y);
}

void THeadlessDriver::MouseUp(const TFormRef& form, const std::string& control, TMouseButton button,
                              int x, int y, TShiftState shift) {
  TUserInput::MouseUp(Target(form, control), button, shift, x, y);
}

void THeadlessDriver::MouseLeave(const TFormRef& form, const std::string& control) {
  TUserInput::MouseLeave(Find(form, control));
}

void THeadlessDriver::AnswerMessage(TModalResult result) {
  FBackend.QueueMessageAnswer(result);
}

void THeadlessDriver::AnswerOpenDialog(const std::string& fileName) {
  FBackend.QueueFileAnswer(fileName);
}

void THeadlessDriver::CancelOpenDialog() {
  FBackend.QueueFileAnswer(std::nullopt);
}

const TShownMessage& THeadlessDriver::LastMessage() const {
  if (FBackend.Messages().empty())
    throw EDriverError("No message has been shown");
  return FBackend.Messages().back();
}

std::string THeadlessDriver::Dump(const TFormRef& form) const {
  return Dump(form.Resolve(FApp));
}

std::string THeadlessDriver::Dump(const TControl& control) {
  std::ostringstream out;
  DumpControl(out, control, 0);
  return out.str();
}
