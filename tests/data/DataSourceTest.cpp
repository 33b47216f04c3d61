#include "data/TestDatabase.h"

#include <gtest/gtest.h>

using testdb::DatabaseTest;

namespace {

class DataSourceTest : public DatabaseTest {
protected:
  void SetUp() override {
    DatabaseTest::SetUp();
    Query = NewQuery("qrySituacao", "SELECT SIT.* FROM SITUACAO SIT ORDER BY SIT.ID_SITUACAO");
    Source = new TDataSource(&Owner);
    Source->OnStateChange = [this](TObject* sender) {
      EXPECT_EQ(sender, Source);
      States.push_back(Source->GetState());
    };
  }
  TQuery* Query = nullptr;
  TDataSource* Source = nullptr;
  std::vector<TDataSetState> States;
};

} // namespace

TEST_F(DataSourceTest, LinkingToADataSetCountsAsAStateChange) {
  Query->Open();
  Source->SetDataSet(Query);
  EXPECT_EQ(States, std::vector<TDataSetState>{TDataSetState::dsBrowse});
  Query->Edit();
  Query->FieldByName("COR_SITUACAO").SetAsString("#111111");
  Query->Post();
  Query->Close();
  EXPECT_EQ(States,
            (std::vector<TDataSetState>{TDataSetState::dsBrowse, TDataSetState::dsEdit,
                                        TDataSetState::dsBrowse, TDataSetState::dsInactive}));
}

TEST_F(DataSourceTest, DataChangeTellsWhichFieldChanged) {
  Source->SetDataSet(Query);
  Query->Open();
  std::vector<std::string> changes;
  Source->OnDataChange = [&](TObject*, TField* field) {
    changes.push_back(field != nullptr ? field->GetFieldName() : "*");
  };
  Query->Next();
  Query->Edit();
  Query->FieldByName("NOME_SITUACAO").SetAsString("Triagem");
  EXPECT_EQ(changes, (std::vector<std::string>{"*", "NOME_SITUACAO"}));
}

TEST_F(DataSourceTest, FieldLinkFollowsTheRecordTheStateAndItsField) {
  Source->SetDataSet(Query);
  TFieldDataLink link;
  std::vector<std::string> log;
  link.OnActiveChange = [&] { log.push_back(link.GetActive() ? "active" : "inactive"); };
  link.OnEditingChange = [&] { log.push_back(link.GetEditing() ? "editing" : "not editing"); };
  link.OnDataChange = [&] { log.push_back("data"); };
  link.SetDataSource(Source);
  link.SetFieldName("NOME_SITUACAO");
  EXPECT_EQ(link.GetField(), nullptr);
  Query->Open();
  ASSERT_NE(link.GetField(), nullptr);
  EXPECT_EQ(link.GetField()->GetAsString(), "Aberta");
  EXPECT_EQ(log, (std::vector<std::string>{"data", "active", "data", "data"}));
  log.clear();

  Query->Next();
  EXPECT_TRUE(link.Edit()); // AutoEdit puts the dataset into edit state
  EXPECT_EQ(Query->GetState(), TDataSetState::dsEdit);
  link.GetField()->SetAsString("Triagem");
  Query->FieldByName("COR_SITUACAO").SetAsString("#222222"); // another field: not this link's
  Query->Cancel();
  EXPECT_EQ(log, (std::vector<std::string>{"data", "editing", "data", "not editing", "data"}));

  // Without AutoEdit, or on a read-only field, the link cannot start editing.
  Source->SetAutoEdit(false);
  EXPECT_FALSE(link.Edit());
  EXPECT_EQ(Query->GetState(), TDataSetState::dsBrowse);
  TQuery* joined = NewQuery("qryLis", "SELECT SOL.ID_SOLICITACAO, SIT.NOME_SITUACAO FROM "
                                      "SOLICITACAO SOL LEFT JOIN SITUACAO SIT ON "
                                      "SIT.ID_SITUACAO = SOL.ID_SITUACAO");
  Source->SetAutoEdit(true);
  Source->SetDataSet(joined);
  joined->Open();
  EXPECT_FALSE(link.GetCanModify());
  EXPECT_FALSE(link.Edit());
  EXPECT_EQ(joined->GetState(), TDataSetState::dsBrowse);

  // A link outlives its dataset safely.
  delete joined;
  EXPECT_FALSE(link.GetActive());
  EXPECT_EQ(link.GetField(), nullptr);
  EXPECT_EQ(Source->GetDataSet(), nullptr);
}

TEST_F(DataSourceTest, DisabledControlsHearNothingUntilEnabledAgain) {
  Source->SetDataSet(Query);
  Query->Open();
  int changes = 0;
  Source->OnDataChange = [&](TObject*, TField*) { ++changes; };
  States.clear();
  Query->DisableControls();
  Query->DisableControls();
  for (Query->First(); !Query->GetEof(); Query->Next()) {
  }
  Query->Edit();
  Query->EnableControls();
  EXPECT_EQ(changes, 0);
  EXPECT_TRUE(States.empty());
  Query->EnableControls();
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(States, std::vector<TDataSetState>{TDataSetState::dsEdit});
}
