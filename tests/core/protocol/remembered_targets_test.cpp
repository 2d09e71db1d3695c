// The remembered search targets over a store: what a damaged list becomes,
// and how adding, forgetting and a moved device change it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "memory_target_store.h"
#include "remembered_targets.h"
#include "target_store_contract.h"

namespace tessavue {
namespace {

struct MemoryHarness {
  MemoryTargetStore memory;
  TargetStore& store() { return memory; }
  TargetStore& fresh() { return memory; }
};
INSTANTIATE_TYPED_TEST_SUITE_P(Memory, TargetStoreContract, MemoryHarness);

SearchTarget T(int a, int b, int c, int d, int prefix = 32) {
  return SearchTarget{
      Ipv4Address{{std::uint8_t(a), std::uint8_t(b), std::uint8_t(c), std::uint8_t(d)}}, prefix};
}

TEST(RememberedTargets, ADamagedListIsEmptyAndSaidOnceNeverStoredIsNotDamage) {
  MemoryTargetStore store;
  RememberedTargets remembered(store);
  EXPECT_TRUE(remembered.Load().empty());
  EXPECT_EQ(remembered.TakeDamage(), "");

  const std::vector<std::vector<std::string>> damaged{
      {"10.9.0.30", "nas.local"},  // not an address
      {"10.9.0.0/21"},             // too wide
      {"10.9.0.30", "10.9.0.30"},  // twice
      // 4097 addresses, one too many
      {"10.8.0.0/22", "10.8.4.0/22", "10.8.8.0/22", "10.8.12.0/22", "10.9.0.0/29", "10.9.0.8/31",
       "10.9.1.1"},
      {std::string("10.9.0.30\0x", 11)},  // a zero byte inside
  };
  for (const auto& lines : damaged) {
    RememberedTargets fresh(store);
    store.SetLines(lines);
    EXPECT_TRUE(fresh.Load().empty()) << lines[0];
    const std::string said = fresh.TakeDamage();
    EXPECT_NE(said.find("damaged"), std::string::npos) << lines[0];
    EXPECT_NE(said.find("memory"), std::string::npos) << said;
    // Every later load finds the same damage, and says nothing more.
    EXPECT_TRUE(fresh.Load().empty());
    EXPECT_EQ(fresh.TakeDamage(), "");
  }
  RememberedTargets unreadable(store);
  store.SetUnreadable(true);
  EXPECT_TRUE(unreadable.Load().empty());
  EXPECT_NE(unreadable.TakeDamage().find("cannot be read"), std::string::npos);
  // Forgetting everything writes a sound list over the damage.
  EXPECT_TRUE(unreadable.ForgetAll());
  EXPECT_TRUE(unreadable.Load().empty());
  EXPECT_EQ(store.lines(), std::vector<std::string>{});
}

TEST(RememberedTargets, AddAndForgetReadTheListAnewAndStoreIt) {
  MemoryTargetStore store;
  RememberedTargets window(store), commandLine(store);
  bool added = false, found = false;
  ASSERT_TRUE(window.Add(T(10, 9, 0, 30), added));
  EXPECT_TRUE(added);
  // Another program added one meanwhile: both stay.
  ASSERT_TRUE(commandLine.Add(T(10, 9, 4, 0, 24), added));
  ASSERT_TRUE(window.Add(T(10, 9, 0, 30), added));
  EXPECT_FALSE(added);
  EXPECT_EQ(store.lines(), (std::vector<std::string>{"10.9.0.30", "10.9.4.0/24"}));

  ASSERT_TRUE(window.Forget(T(10, 9, 4, 0), found));
  EXPECT_FALSE(found);  // the subnet is not its first address
  ASSERT_TRUE(window.Forget(T(10, 9, 4, 0, 24), found));
  EXPECT_TRUE(found);
  EXPECT_EQ(commandLine.Load(), std::vector<SearchTarget>{T(10, 9, 0, 30)});

  store.SetWriteFails(true);
  EXPECT_FALSE(window.Add(T(10, 9, 0, 31), added));
  EXPECT_FALSE(window.ForgetAll());
  store.SetWriteFails(false);
  EXPECT_EQ(window.Load(), std::vector<SearchTarget>{T(10, 9, 0, 30)});
}

TEST(RememberedTargets, OnlyARememberedDeviceFollowsItsNewAddress) {
  MemoryTargetStore store;
  store.SetLines({"10.9.0.30", "10.9.4.0/24"});
  RememberedTargets remembered(store);
  const int writes = store.writes();
  // A device given for one run only: the list stays as it is.
  EXPECT_TRUE(remembered.FollowMovedDevice(T(10, 9, 7, 7).address, T(10, 9, 7, 8).address));
  EXPECT_TRUE(remembered.FollowMovedDevice(T(10, 9, 4, 5).address, T(10, 9, 9, 9).address));
  EXPECT_EQ(store.writes(), writes);
  EXPECT_TRUE(remembered.FollowMovedDevice(T(10, 9, 0, 30).address, T(10, 9, 0, 44).address));
  EXPECT_EQ(store.lines(), (std::vector<std::string>{"10.9.0.44", "10.9.4.0/24"}));
  // Into a remembered subnet: its own entry goes.
  EXPECT_TRUE(remembered.FollowMovedDevice(T(10, 9, 0, 44).address, T(10, 9, 4, 44).address));
  EXPECT_EQ(store.lines(), std::vector<std::string>{"10.9.4.0/24"});
}

}  // namespace
}  // namespace tessavue
