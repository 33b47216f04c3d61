#include "runtime/Component.h"
#include "runtime/Exceptions.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

enum class TShade { Light, Dark };

// Two classes that share no ancestor but TComponent, publishing some properties of the same
// names; the second has a property of the same name but another type.
class TSourceThing : public TComponent {
  DUO_CLASS(TSourceThing, TComponent)
public:
  using TComponent::TComponent;
  std::string GetCaption() const { return FCaption; }
  void SetCaption(std::string v) { FCaption = std::move(v); }
  bool GetEnabled() const { return FEnabled; }
  void SetEnabled(bool v) { FEnabled = v; }
  int32_t GetWidth() const { return FWidth; }
  void SetWidth(int32_t v) { FWidth = v; }
  TShade GetShade() const { return FShade; }
  void SetShade(TShade v) { FShade = v; }
  std::string GetOnly() const { return "source"; }

private:
  std::string FCaption = "Salvar";
  bool FEnabled = false;
  int32_t FWidth = 111;
  TShade FShade = TShade::Dark;
};

class TTargetThing : public TComponent {
  DUO_CLASS(TTargetThing, TComponent)
public:
  using TComponent::TComponent;
  std::string Caption;
  bool Enabled = true;
  std::string Width = "unchanged"; // same name, other type: never copied
  TShade Shade = TShade::Light;
};

const TClassInfo& TSourceThing::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TSourceThing>("TSourceThing")
          .Property("Caption", &TSourceThing::GetCaption, &TSourceThing::SetCaption)
          .Property("Enabled", &TSourceThing::GetEnabled, &TSourceThing::SetEnabled)
          .Property("Width", &TSourceThing::GetWidth, &TSourceThing::SetWidth)
          .Property("Shade", &TSourceThing::GetShade, &TSourceThing::SetShade)
          .ReadOnly("Only", &TSourceThing::GetOnly)
          .Creatable()
          .Build();
  return info;
}

const TClassInfo& TTargetThing::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TTargetThing>("TTargetThing")
          .Property<std::string>(
              "CAPTION", [](const TTargetThing& t) { return t.Caption; },
              [](TTargetThing& t, std::string v) { t.Caption = std::move(v); })
          .Property<bool>(
              "enabled", [](const TTargetThing& t) { return t.Enabled; },
              [](TTargetThing& t, bool v) { t.Enabled = v; })
          .Property<std::string>(
              "Width", [](const TTargetThing& t) { return t.Width; },
              [](TTargetThing& t, std::string v) { t.Width = std::move(v); })
          .Property<TShade>(
              "Shade", [](const TTargetThing& t) { return t.Shade; },
              [](TTargetThing& t, TShade v) { t.Shade = v; })
          .Build();
  return info;
}

TEST(ObjectTest, ClassInfoKnowsNamesParentsAndRegistry) {
  TSourceThing thing(nullptr);
  EXPECT_EQ(thing.ClassName(), "TSourceThing");
  EXPECT_EQ(thing.ClassType().ClassParent(), &TComponent::StaticClass());
  EXPECT_TRUE(thing.Is<TComponent>());
  EXPECT_TRUE(thing.Is<TObject>());
  EXPECT_FALSE(thing.Is<TTargetThing>());

  EXPECT_EQ(FindClass("tsourcething"), &TSourceThing::StaticClass());
  EXPECT_EQ(FindClass("TNoSuchThing"), nullptr);
  EXPECT_THROW(GetClass("TNoSuchThing"), EClassNotFound);

  TComponent owner(nullptr);
  TObject* made = CreateObjectByClassName("TSourceThing", &owner);
  ASSERT_TRUE(made->Is<TSourceThing>());
  EXPECT_EQ(owner.ComponentCount(), 1);
  EXPECT_THROW(CreateObjectByClassName("TTargetThing", &owner), EClassNotFound);
}

TEST(ObjectTest, PropertiesByNameReadWriteAndRefuse) {
  TSourceThing thing(nullptr);
  EXPECT_EQ(thing.GetPropValue("caption").AsString(), "Salvar");
  thing.SetPropValue("Width", Variant("200"));
  EXPECT_EQ(thing.GetWidth(), 200);
  EXPECT_THROW(thing.SetPropValue("Width", Variant("wide")), EConvertError);
  EXPECT_EQ(thing.GetWidth(), 200);
  EXPECT_THROW(thing.GetPropValue("Missing"), EPropertyError);
  EXPECT_THROW(thing.SetPropValue("Only", Variant("x")), EPropertyError);
  // Inherited properties are found too.
  thing.SetPropValue("Name", Variant("btnSalvar"));
  EXPECT_EQ(thing.GetName(), "btnSalvar");
}

TEST(ObjectTest, CopyByNameBetweenUnrelatedClassesMatchesNameAndType) {
  TSourceThing source(nullptr);
  TTargetThing target(nullptr);
  const auto copied =
      CopyPropertiesByName(source, target, {"Caption", "enabled", "Width", "Shade"});
  EXPECT_EQ(target.Caption, "Salvar");
  EXPECT_FALSE(target.Enabled);
  EXPECT_EQ(target.Width, "unchanged");
  EXPECT_EQ(target.Shade, TShade::Dark);
  EXPECT_EQ(copied, (std::vector<std::string>{"CAPTION", "enabled", "Shade"}));

  // Only the listed names are copied.
  TTargetThing other(nullptr);
  CopyPropertiesByName(source, other, {"Caption"});
  EXPECT_TRUE(other.Enabled);
}

class TRecorder : public TComponent {
  DUO_CLASS(TRecorder, TComponent)
public:
  TRecorder(TComponent* owner, std::string tag, std::vector<std::string>& log)
      : TComponent(owner), FTagText(std::move(tag)), FLog(log) {}
  ~TRecorder() override { FLog.push_back(FTagText); }

private:
  std::string FTagText;
  std::vector<std::string>& FLog;
};

const TClassInfo& TRecorder::StaticClass() {
  static const TClassInfo info = TClassBuilder<TRecorder>("TRecorder").Build();
  return info;
}

TEST(ComponentTest, OwnerDestroysInReverseCreationOrder) {
  std::vector<std::string> log;
  {
    auto owner = std::make_unique<TComponent>(nullptr);
    new TRecorder(owner.get(), "first", log);
    auto* second = new TRecorder(owner.get(), "second", log);
    new TRecorder(second, "grandchild", log);
    new TRecorder(owner.get(), "third", log);
    EXPECT_EQ(owner->ComponentCount(), 3);
  }
  // A component's own destructor runs before it destroys what it owns.
  EXPECT_EQ(log, (std::vector<std::string>{"third", "second", "grandchild", "first"}));
}

TEST(ComponentTest, EarlyDestructionLeavesOwnerAndNotifiesWatchers) {
  TComponent owner(nullptr);
  auto* a = new TComponent(&owner);
  a->SetName("edtLogin");
  auto* b = new TComponent(&owner);
  b->SetName("edtSenha");
  EXPECT_EQ(owner.FindComponent("EDTSENHA"), b);
  delete a;
  EXPECT_EQ(owner.ComponentCount(), 1);
  EXPECT_EQ(owner.FindComponent("edtLogin"), nullptr);

  class TWatcher : public TComponent {
  public:
    using TComponent::TComponent;
    TComponent* Watched = nullptr;

  protected:
    void Notification(TComponent* c, TOperation op) override {
      if (op == TOperation::opRemove && c == Watched)
        Watched = nullptr;
    }
  };
  TWatcher watcher(nullptr);
  watcher.Watched = b;
  watcher.FreeNotification(b);
  delete b;
  EXPECT_EQ(watcher.Watched, nullptr);
}

TEST(ComponentTest, NamesMustBeIdentifiersAndUniqueAmongSiblings) {
  TComponent owner(nullptr);
  auto* a = new TComponent(&owner);
  a->SetName("btnSair");
  auto* b = new TComponent(&owner);
  EXPECT_THROW(b->SetName("BTNSAIR"), EComponentError);
  EXPECT_THROW(b->SetName("1abc"), EComponentError);
  EXPECT_THROW(b->SetName("a b"), EComponentError);
  EXPECT_EQ(b->GetName(), "");
  b->SetName("btnNovo");
  b->SetTag(7);
  EXPECT_EQ(b->GetTag(), 7);
}

} // namespace
