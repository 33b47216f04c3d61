// Failed logins slow down further attempts of their address and user name.

#include "server/Facet.Server.LoginThrottle.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;
using TClock = TFacetLoginThrottle::TClock;

TEST(LoginThrottle, FailuresDelayTheirAddressAndNameAndASuccessClearsThem) {
  TFacetLoginThrottle::TPolicy policy;
  policy.FreeFailures = 2;
  policy.FirstDelay = 1s;
  policy.MaxDelay = 4s;
  policy.LockOutFailures = 6;
  policy.LockOut = 60s;
  TFacetLoginThrottle throttle(policy);
  const TClock::time_point t0{};
  // Each row: after this many failures of ("1.1.1.1", "ana") at t0, whether another attempt is
  // allowed this long after t0.
  struct TCase {
    int Failures;
    std::chrono::milliseconds After;
    bool Allowed;
  };
  const TCase cases[] = {
      {1, 0ms, true},    {2, 0ms, true},      {3, 0ms, false},    {3, 999ms, false},
      {3, 1000ms, true}, {4, 1999ms, false},  {4, 2000ms, true},  {5, 3999ms, false},
      {5, 4000ms, true}, {6, 59000ms, false}, {6, 60000ms, true},
  };
  int failed = 0;
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.Failures) + " failures, " + std::to_string(c.After.count()));
    for (; failed < c.Failures; ++failed)
      throttle.Failed("1.1.1.1", "ana", t0);
    EXPECT_EQ(throttle.Allowed("1.1.1.1", "ana", t0 + c.After), c.Allowed);
    // The same name from elsewhere, and the same address for another name, wait as well.
    EXPECT_EQ(throttle.Allowed("2.2.2.2", "ana", t0 + c.After), c.Allowed);
    EXPECT_EQ(throttle.Allowed("1.1.1.1", "bia", t0 + c.After), c.Allowed);
    EXPECT_TRUE(throttle.Allowed("2.2.2.2", "bia", t0 + c.After));
  }
  throttle.Succeeded("1.1.1.1", "ana");
  EXPECT_TRUE(throttle.Allowed("1.1.1.1", "ana", t0));
}

// User names are the browser's to choose: long ones count under their first few hundred bytes,
// and endless new names fill the table only up to its bound, after which the address alone counts.
TEST(LoginThrottle, NamesTheBrowserChoosesCannotGrowTheTableWithoutEnd) {
  TFacetLoginThrottle::TPolicy policy;
  policy.FreeFailures = 0;
  TFacetLoginThrottle throttle(policy);
  const TClock::time_point t0{};
  const std::string longName(100000, 'n');
  throttle.Failed("1.1.1.1", longName, t0);
  EXPECT_FALSE(throttle.Allowed("2.2.2.2", longName + "other tail", t0));
  EXPECT_TRUE(throttle.Allowed("2.2.2.2", "n", t0));

  for (int i = 0; i < 100001; ++i)
    throttle.Failed("3.3.3.3", "name" + std::to_string(i), t0);
  EXPECT_FALSE(throttle.Allowed("4.4.4.4", "name1", t0));
  // Past the bound a new name is not counted for itself; its address still is.
  throttle.Failed("5.5.5.5", "one more", t0);
  EXPECT_TRUE(throttle.Allowed("6.6.6.6", "one more", t0));
  EXPECT_FALSE(throttle.Allowed("5.5.5.5", "anyone", t0));
}

} // namespace
