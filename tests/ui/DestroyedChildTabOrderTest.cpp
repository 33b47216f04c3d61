// A windowed control destroyed on its own leaves its parent's tab order.

#include "ui/Forms.h"
#include "ui/Headless.h"
#include "ui/StdCtrls.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

TEST(DestroyedChild, LeavesTheTabOrderOfItsParent) {
  TApplication app(std::unique_ptr<TUIBackend>(new THeadlessBackend));
  TApplicationScope scope(app);
  auto* form = CreateForm<TForm>(&app);
  auto* panel = new TGroupBox(form);
  panel->SetParent(form);
  auto* first = new TEdit(form);
  first->SetParent(panel);
  auto* second = new TEdit(form);
  second->SetParent(panel);
  auto* third = new TButton(form);
  third->SetParent(form);

  delete second;
  delete panel;
  const std::vector<TWinControl*> order = form->GetTabOrderList();
  ASSERT_EQ(order.size(), 1u);
  EXPECT_EQ(order[0], third);
  EXPECT_EQ(third->GetTabOrder(), 0);
  form->Show();
  EXPECT_EQ(form->GetFocusedControl(), third);
  delete form;
}

} // namespace
