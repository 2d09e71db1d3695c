#include "remembered_targets.h"

#include <algorithm>

namespace tessavue {

namespace {

// The list is a handful of lines; anything much longer is not one.
constexpr std::size_t kMostLines = 1024;

}  // namespace

const std::vector<SearchTarget>& RememberedTargets::Load() {
  targets_.clear();
  std::vector<std::string> lines;
  std::string damage;
  switch (store_.ReadLines(lines)) {
    case TargetStore::Read::kNothing: return targets_;
    case TargetStore::Read::kUnreadable: damage = "it cannot be read"; break;
    case TargetStore::Read::kRead:
      if (lines.size() > kMostLines) damage = "it is far too long";
      for (std::size_t i = 0; i < lines.size() && damage.empty(); ++i) {
        SearchTarget t;
        // The whole line is the target: nothing may hide behind a zero byte.
        if (lines[i].find('\0') != std::string::npos ||
            CheckTarget(lines[i].c_str(), t) != TargetProblem::kNone ||
            std::find(targets_.begin(), targets_.end(), t) != targets_.end())
          damage = "line " + std::to_string(i + 1) + " is no usable address or subnet";
        else
          targets_.push_back(t);
      }
      if (damage.empty() && TargetAddressCount(targets_) > kMostTargetAddresses)
        damage = "its targets reach more than 4096 addresses";
      break;
  }
  if (!damage.empty()) {
    targets_.clear();
    if (damage_.empty()) damage_ = damage;
  }
  return targets_;
}

std::string RememberedTargets::TakeDamage() {
  if (damage_.empty() || damageReported_) return "";
  damageReported_ = true;
  return "the list of searched addresses in " + store_.Where() + " is damaged (" + damage_ +
         "); it is left out";
}

bool RememberedTargets::Store() {
  std::vector<std::string> lines;
  for (const SearchTarget& t : targets_) lines.push_back(t.Text());
  return store_.WriteLines(lines);
}

bool RememberedTargets::Add(const SearchTarget& target, bool& added) {
  Load();
  added = std::find(targets_.begin(), targets_.end(), target) == targets_.end() &&
          CheckTarget(target) == TargetProblem::kNone &&
          TargetAddressCount(targets_) + target.HostCount() <= kMostTargetAddresses;
  if (!added) return true;
  targets_.push_back(target);
  return Store();
}

bool RememberedTargets::Forget(const SearchTarget& target, bool& found) {
  Load();
  auto at = std::find(targets_.begin(), targets_.end(), target);
  found = at != targets_.end();
  if (!found) return true;
  targets_.erase(at);
  return Store();
}

bool RememberedTargets::ForgetAll() {
  targets_.clear();
  return Store();
}

bool RememberedTargets::FollowMovedDevice(const Ipv4Address& from, const Ipv4Address& to,
                                          bool onlyRemembered) {
  Load();
  const SearchTarget own{from, 32};
  if (onlyRemembered && std::find(targets_.begin(), targets_.end(), own) == targets_.end())
    return true;
  return !tessavue::FollowMovedDevice(targets_, from, to) || Store();
}

}  // namespace tessavue
