// The suite every store of remembered targets passes, instantiated in each
// one's tests. A harness gives a fresh, empty store, and a second object
// over the same place (a later run of the program):
//
//   struct Harness {
//     TargetStore& store();
//     TargetStore& fresh();
//   };
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "remembered_targets.h"

namespace tessavue {

template <typename Harness>
class TargetStoreContract : public ::testing::Test {
 protected:
  Harness harness;
};

TYPED_TEST_SUITE_P(TargetStoreContract);

TYPED_TEST_P(TargetStoreContract, KeepsWhatWasWrittenAndTellsNeverStoredFromEmpty) {
  TargetStore& store = this->harness.store();
  std::vector<std::string> lines{"stale"};
  EXPECT_EQ(store.ReadLines(lines), TargetStore::Read::kNothing);
  EXPECT_TRUE(lines.empty());

  const std::vector<std::string> written{"10.9.0.30", "10.9.4.0/22", "192.168.7.2/31"};
  ASSERT_TRUE(store.WriteLines(written));
  ASSERT_EQ(store.ReadLines(lines), TargetStore::Read::kRead);
  EXPECT_EQ(lines, written);
  // A shorter list replaces the longer one whole.
  ASSERT_TRUE(store.WriteLines({"10.9.0.31"}));
  ASSERT_EQ(store.ReadLines(lines), TargetStore::Read::kRead);
  EXPECT_EQ(lines, std::vector<std::string>{"10.9.0.31"});
  ASSERT_TRUE(store.WriteLines({}));
  EXPECT_EQ(store.ReadLines(lines), TargetStore::Read::kRead);
  EXPECT_TRUE(lines.empty());
  EXPECT_FALSE(store.Where().empty());
}

TYPED_TEST_P(TargetStoreContract, TheListLastsBeyondTheObjectThatWroteIt) {
  ASSERT_TRUE(this->harness.store().WriteLines({"10.9.0.0/24"}));
  RememberedTargets remembered(this->harness.fresh());
  EXPECT_EQ(remembered.Load(), (std::vector<SearchTarget>{{{{10, 9, 0, 0}}, 24}}));
  EXPECT_EQ(remembered.TakeDamage(), "");
}

REGISTER_TYPED_TEST_SUITE_P(TargetStoreContract, KeepsWhatWasWrittenAndTellsNeverStoredFromEmpty,
                            TheListLastsBeyondTheObjectThatWroteIt);

}  // namespace tessavue
