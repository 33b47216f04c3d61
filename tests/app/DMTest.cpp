#include "app/uDM.h"
#include "data/TestDatabase.h"
#include <gtest/gtest.h>
TEST(DM, Smoke) {
  testdb::TTempFolder folder;
  TComponent owner(nullptr);
  auto* dm = new TDM(&owner);
  std::ofstream(folder.Path() / "Config.ini") << "[Database]\nDatabase=brenvox.fdb\n";
  dm->Connect((folder.Path() / "Config.ini").string());
  dm->OpenQueries();
  EXPECT_EQ(dm->qryLisSolicitacao->GetRecordCount(), 60);
}
