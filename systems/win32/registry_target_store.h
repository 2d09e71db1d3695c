// The remembered search targets on Windows: the value "SearchTargets"
// (REG_MULTI_SZ, one target a string) of HKEY_CURRENT_USER\Software\Tessavue.
#pragma once

#include <string>
#include <vector>

#include "remembered_targets.h"

namespace tessavue {

class RegistryTargetStore : public TargetStore {
 public:
  RegistryTargetStore() = default;
  // Another key under HKEY_CURRENT_USER (tests).
  explicit RegistryTargetStore(std::string subKey) : subKey_(std::move(subKey)) {}

  Read ReadLines(std::vector<std::string>& lines) override;
  bool WriteLines(const std::vector<std::string>& lines) override;
  std::string Where() const override;

 private:
  std::string subKey_ = "Software\\Tessavue";
};

// The strings of a REG_MULTI_SZ value (`size` bytes at `data`); false when
// it is not one.
bool SplitMultiString(const char* data, std::size_t size, std::vector<std::string>& strings);

}  // namespace tessavue
