#include "bridge/Duo.Forms.h"
#include "bridge/Duo.Instance.h"
#include "ui/Headless.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

// Class names of the probe forms in the order they were destroyed.
std::vector<std::string> DestroyedProbes;

class TfLoginProbe : public TDuoForm {
  DUO_CLASS(TfLoginProbe, TDuoForm)

public:
  using TDuoForm::TDuoForm;
  ~TfLoginProbe() override { DestroyedProbes.push_back("TfLoginProbe"); }
};

const TClassInfo& TfLoginProbe::StaticClass() {
  static const TClassInfo info = TClassBuilder<TfLoginProbe>("TfLoginProbe").Creatable().Build();
  return info;
}

class TfMenuProbe : public TDuoForm {
  DUO_CLASS(TfMenuProbe, TDuoForm)

public:
  using TDuoForm::TDuoForm;
  ~TfMenuProbe() override { DestroyedProbes.push_back("TfMenuProbe"); }
};

const TClassInfo& TfMenuProbe::StaticClass() {
  static const TClassInfo info = TClassBuilder<TfMenuProbe>("TfMenuProbe").Creatable().Build();
  return info;
}

class TDMProbe : public TComponent {
  DUO_CLASS(TDMProbe, TComponent)

public:
  using TComponent::TComponent;
};

const TClassInfo& TDMProbe::StaticClass() {
  static const TClassInfo info = TClassBuilder<TDMProbe>("TDMProbe").Creatable().Build();
  return info;
}

namespace {

class DuoInstanceTest : public ::testing::Test {
protected:
  DuoInstanceTest()
      : App(std::unique_ptr<TUIBackend>(new THeadlessBackend)), Scope(App), Registry(&App) {}

  TApplication App;
  TApplicationScope Scope;
  TDuoInstance Registry;
};

TEST_F(DuoInstanceTest, CreatedFormsAreRegisteredOncePerClass) {
  TCustomForm* first = Registry.CreateInstance(TfLoginProbe::StaticClass());
  EXPECT_EQ(first->GetOwner(), &App);
  EXPECT_EQ(Registry.GetInstance(TfLoginProbe::StaticClass()), first);
  EXPECT_EQ(TDuoForm::GetInstance<TfLoginProbe>(), first);
  EXPECT_EQ(TDuoForm::GetInstance<TfMenuProbe>(), nullptr);

  // A second form of the class stays out, yet counts as registered.
  auto* second = new TfLoginProbe(&App);
  Registry.AddInstace(second);
  EXPECT_EQ(Registry.GetInstance(TfLoginProbe::StaticClass()), first);
  EXPECT_TRUE(second->GetUsedDuoInstance());

  // Freeing the second must not make the registry forget the first.
  delete second;
  EXPECT_EQ(Registry.GetInstance(TfLoginProbe::StaticClass()), first);
  EXPECT_EQ(Registry.InstanceCount(), 1);

  delete first;
  EXPECT_EQ(Registry.GetInstance(TfLoginProbe::StaticClass()), nullptr);
}

TEST_F(DuoInstanceTest, RemovingAnUnregisteredFormKeepsTheRegisteredOne) {
  TCustomForm* first = Registry.CreateInstance(TfLoginProbe::StaticClass());
  TfLoginProbe other(&App);
  Registry.RemoveInstance(&other);
  EXPECT_EQ(Registry.GetInstance(TfLoginProbe::StaticClass()), first);
  Registry.RemoveInstance(first);
  EXPECT_EQ(Registry.GetInstance(TfLoginProbe::StaticClass()), nullptr);
}

TEST_F(DuoInstanceTest, ClassFunctionsUseTheProcessRegistry) {
  EXPECT_EQ(CurrentDuoInstance(), &Registry);
  auto* form = TDuoForm::CreateInstance<TfMenuProbe>();
  EXPECT_EQ(TDuoForm::GetInstance<TfMenuProbe>(), form);
  TComponent* module = TDuoForm::CreateDataModuleInstance(TDMProbe::StaticClass());
  EXPECT_EQ(module->GetOwner(), &App);
  EXPECT_EQ(Registry.GetInstance(TDMProbe::StaticClass()), module);
  EXPECT_THROW(TDuoForm::CreateInstance(&TDMProbe::StaticClass()), Exception);
}

TEST_F(DuoInstanceTest, FindsByExactNameFirstThenByUsualName) {
  auto* numbered = new TfLoginProbe(&App);
  numbered->SetName("fLoginProbe_2");
  Registry.AddInstace(numbered);
  EXPECT_EQ(Registry.GetInstanceByObjectName("FLOGINPROBE"), numbered);

  auto* exact = new TfMenuProbe(&App);
  exact->SetName("fLoginProbe");
  Registry.AddInstace(exact);
  EXPECT_EQ(Registry.GetInstanceByObjectName("fLoginProbe"), exact);
  EXPECT_EQ(Registry.GetInstanceByObjectName("fLoginProbe_2"), numbered);
  EXPECT_EQ(Registry.GetInstanceByObjectName("fNada"), nullptr);
}

TEST(FixedInstanceName, MapsNumberedNamesToTheUsualName) {
  struct Case {
    std::string Name;
    std::string Fixed;
  };
  const std::vector<Case> cases = {
      {"fLoginProbe", "fLoginProbe"},
      {"fLoginProbe_1", "fLoginProbe"},
      {"fLoginProbe_12", "fLoginProbe"},
      {"fLoginProbe_", "fLoginProbe_"},
      {"fLoginProbe_x", "fLoginProbe_x"},
      {"fLoginProbe2", "fLoginProbe2"},
      {"", ""},
      {"fLogin_1", "fLogin_1"},
  };
  TComponent owner(nullptr);
  for (const Case& c : cases) {
    TfLoginProbe form(&owner);
    form.SetName(c.Name);
    EXPECT_EQ(FixedInstanceName(form), c.Fixed) << c.Name;
  }
}

TEST_F(DuoInstanceTest, DestroyInstanceFreesAndForgets) {
  TDuoForm::CreateInstance<TfLoginProbe>();
  TComponent* module = Registry.CreateDataModuleInstance(TDMProbe::StaticClass());
  const int owned = App.ComponentCount();
  Registry.DestroyInstance(TfLoginProbe::StaticClass());
  EXPECT_EQ(Registry.GetInstance(TfLoginProbe::StaticClass()), nullptr);
  EXPECT_EQ(App.ComponentCount(), owned - 1);
  EXPECT_EQ(Registry.GetInstance(TDMProbe::StaticClass()), module);
  // A class with no entry changes nothing.
  Registry.DestroyInstance(TfLoginProbe::StaticClass());
  EXPECT_EQ(Registry.InstanceCount(), 1);
}

TEST_F(DuoInstanceTest, DestroyAllInstancesEmptiesTheRegistryNewestFirst) {
  Registry.CreateInstance(TfLoginProbe::StaticClass());
  Registry.CreateInstance(TfMenuProbe::StaticClass());
  const int before = App.ComponentCount();
  DestroyedProbes.clear();
  Registry.DestroyAllInstances();
  EXPECT_EQ(Registry.InstanceCount(), 0);
  EXPECT_EQ(App.ComponentCount(), before - 2);
  EXPECT_EQ(DestroyedProbes, (std::vector<std::string>{"TfMenuProbe", "TfLoginProbe"}));
}

TEST_F(DuoInstanceTest, AComponentFreedElsewhereLeavesTheRegistry) {
  TComponent* module = Registry.CreateDataModuleInstance(TDMProbe::StaticClass());
  delete module;
  EXPECT_EQ(Registry.GetInstance(TDMProbe::StaticClass()), nullptr);
  Registry.DestroyAllInstances();
  EXPECT_EQ(Registry.InstanceCount(), 0);
}

TEST_F(DuoInstanceTest, PlainObjectsCanBeRegistered) {
  TObject* list = Registry.CreateObjectInstance(TStringList::StaticClass());
  EXPECT_EQ(Registry.GetInstance(TStringList::StaticClass()), list);
  Registry.DestroyInstance(TStringList::StaticClass());
  EXPECT_EQ(Registry.InstanceCount(), 0);
}

} // namespace
