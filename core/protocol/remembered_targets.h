// The search targets a user entered, kept for the next runs: the port that
// stores them, and the list the programs read and change through it.
#pragma once

#include <string>
#include <vector>

#include "search_target.h"

namespace tessavue {

// Where the remembered targets live: one line of text a target. The
// workstation's own store is a file on Linux and the registry on Windows;
// the tests use one in memory.
class TargetStore {
 public:
  virtual ~TargetStore() = default;
  enum class Read { kRead, kNothing, kUnreadable };
  // kNothing when no list was ever stored (`lines` empty); kUnreadable when
  // it is there but cannot be read.
  virtual Read ReadLines(std::vector<std::string>& lines) = 0;
  // Replaces the stored list (an empty one included). false when it could
  // not be stored.
  virtual bool WriteLines(const std::vector<std::string>& lines) = 0;
  // Where the list lives, for the user ("~/.config/tessavue/targets").
  virtual std::string Where() const = 0;
};

// The remembered list over its store. A damaged list (unreadable, or a
// line that is no usable target) is treated as empty; the first Load that
// finds it says so once through damage().
class RememberedTargets {
 public:
  explicit RememberedTargets(TargetStore& store) : store_(store) {}

  // Reads the list anew (empty when damaged or never stored).
  const std::vector<SearchTarget>& Load();
  const std::vector<SearchTarget>& targets() const { return targets_; }
  // Why the list was treated as empty, the first time it was; then "".
  std::string TakeDamage();
  std::string Where() const { return store_.Where(); }

  // Each reads the list anew, changes it and stores it; false when it could
  // not be stored. Add: false too when it is already there (`added` false)
  // or it would take the list past kMostTargetAddresses.
  bool Add(const SearchTarget& target, bool& added);
  // Forget: `found` false when the target was not in the list.
  bool Forget(const SearchTarget& target, bool& found);
  bool ForgetAll();
  // A device found through a target moved: the list follows it as
  // FollowMovedDevice says, and only when `from` itself is remembered while
  // `onlyRemembered` (a device given for one run leaves the list alone).
  bool FollowMovedDevice(const Ipv4Address& from, const Ipv4Address& to,
                         bool onlyRemembered = true);

 private:
  bool Store();

  TargetStore& store_;
  std::vector<SearchTarget> targets_;
  std::string damage_;
  bool damageReported_ = false;
};

}  // namespace tessavue
