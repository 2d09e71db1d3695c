// The remembered targets in the registry, under a key of the test's own in
// HKEY_CURRENT_USER (removed after each test).
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>

#include "registry_target_store.h"
#include "target_store_contract.h"

namespace tessavue {
namespace {

struct RegistryHarness {
  std::string key = "Software\\Tessavue-test-" + std::to_string(GetCurrentProcessId()) + "-" +
                    std::to_string(GetTickCount());
  RegistryTargetStore registry{key};
  std::unique_ptr<RegistryTargetStore> other;
  ~RegistryHarness() { RegDeleteKeyA(HKEY_CURRENT_USER, key.c_str()); }
  TargetStore& store() { return registry; }
  TargetStore& fresh() { return *(other = std::make_unique<RegistryTargetStore>(key)); }
};

INSTANTIATE_TYPED_TEST_SUITE_P(Registry, TargetStoreContract, RegistryHarness);

TEST(RegistryTargetStore, AValueOfAnotherTypeOrShapeIsUnreadable) {
  RegistryHarness h;
  EXPECT_NE(h.registry.Where().find("HKEY_CURRENT_USER\\Software\\Tessavue-test-"),
            std::string::npos);
  HKEY key;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, h.key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                            &key, nullptr),
            ERROR_SUCCESS);
  const char text[] = "10.9.0.30";
  RegSetValueExA(key, "SearchTargets", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof text);
  RegCloseKey(key);
  std::vector<std::string> lines;
  EXPECT_EQ(h.registry.ReadLines(lines), TargetStore::Read::kUnreadable);

  std::vector<std::string> strings;
  EXPECT_TRUE(SplitMultiString("a\0bc\0\0", 6, strings));
  EXPECT_EQ(strings, (std::vector<std::string>{"a", "bc"}));
  EXPECT_TRUE(SplitMultiString("\0", 1, strings));
  EXPECT_TRUE(strings.empty());
  // Not ended by a zero: cut off.
  EXPECT_FALSE(SplitMultiString("a\0bc", 4, strings));
}

}  // namespace
}  // namespace tessavue
