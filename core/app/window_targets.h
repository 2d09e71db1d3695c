// The addresses and subnets the window searches beyond the segment: those
// remembered between runs (in the target store) and those of this run that
// the store could not take.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "handler_state.h"
#include "protocol.h"
#include "remembered_targets.h"

namespace tessavue {

class WindowTargets {
 public:
  // `store` nullptr: the targets last for the run.
  WindowTargets(DeviceProtocol& protocol, TargetStore* store, HandlerState& state);

  // Before every search: the remembered targets read anew (a damaged list
  // said once), with those that could not be stored.
  void BeforeSearch();
  // "Search at address...": `target` is remembered, or kept for the run
  // when it cannot be (which the user is told).
  void Add(const SearchTarget& target);
  // "Forget searched addresses": none is searched any more.
  void ForgetAll();
  // The selected device, which was at `from` and was found through a target
  // when `viaTarget`, has moved to the protocol's selected address: its
  // target follows it.
  void FollowMove(bool viaTarget, const std::string& from);

 private:
  DeviceProtocol& protocol_;
  HandlerState& state_;
  // The remembered targets (none without a store), and the targets of this
  // run that the store could not take.
  std::unique_ptr<RememberedTargets> remembered_;
  std::vector<SearchTarget> runOnly_;
};

}  // namespace tessavue
