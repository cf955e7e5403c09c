#include "convert/date_claims.h"

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "gtest/gtest.h"

namespace loopconv {
namespace {

TEST(DateClaimsTest, TheLaterFileOfADateWritesAfterTheEarlierOne) {
  DateClaims claims({"a", "b", "c", "d"});
  std::atomic<bool> aFinished{false};
  std::string cReplaces = "(waiting)";
  bool cSawAFinished = false;
  // c shares a's date; it may write only after a and b are settled.
  std::thread c([&] {
    DateClaim claim(&claims, 2);
    claim.announce("08/18/2021");
    cReplaces = claim.waitForTurn();
    cSawAFinished = aFinished;
    claim.complete();
  });
  {
    DateClaim d(&claims, 3);  // another date: waits for nobody's outputs
    d.announce("08/19/2021");
    DateClaim b(&claims, 1);
    b.announce("08/19/2021");
    DateClaim a(&claims, 0);
    a.announce("08/18/2021");
    EXPECT_EQ(a.waitForTurn(), "");
    EXPECT_EQ(b.waitForTurn(), "");
    b.complete();
    EXPECT_EQ(d.waitForTurn(), "b");  // b completed with d's date
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    aFinished = true;
    a.complete();
  }
  c.join();
  EXPECT_TRUE(cSawAFinished);
  EXPECT_EQ(cReplaces, "a");
}

TEST(DateClaimsTest, OnlyCompletedFilesAreReplaced) {
  DateClaims claims({"a", "b", "c", "d"});
  {
    DateClaim a(&claims, 0);
    a.announce("08/18/2021");
    a.complete();
  }
  { DateClaim b(&claims, 1); }  // refused before its date
  {
    DateClaim c(&claims, 2);
    c.announce("08/18/2021");
  }  // stopped before completing
  DateClaim d(&claims, 3);
  d.announce("08/18/2021");
  EXPECT_EQ(d.waitForTurn(), "a");
  DateClaim alone(nullptr, 0);  // no run around it: nothing to wait for
  alone.announce("08/18/2021");
  EXPECT_EQ(alone.waitForTurn(), "");
}

}  // namespace
}  // namespace loopconv
