#include "window_targets.h"

#include <algorithm>

namespace tessavue {

WindowTargets::WindowTargets(DeviceProtocol& protocol, TargetStore* store, HandlerState& state)
    : protocol_(protocol), state_(state) {
  if (store != nullptr) remembered_ = std::make_unique<RememberedTargets>(*store);
}

void WindowTargets::BeforeSearch() {
  std::vector<SearchTarget> targets;
  if (remembered_ != nullptr) {
    targets = remembered_->Load();
    if (std::string damage = remembered_->TakeDamage(); !damage.empty()) {
      damage[0] = static_cast<char>(damage[0] - 'a' + 'A');
      state_.Report(damage + ".", kCaptionWarning, MessageIcon::Exclamation);
    }
  } else {
    // Without a store the targets of the run are the protocol's own, a
    // moved device's followed included.
    targets = protocol_.targets();
  }
  targets.insert(targets.end(), runOnly_.begin(), runOnly_.end());
  protocol_.SetTargets(targets);
}

void WindowTargets::Add(const SearchTarget& target) {
  // Given twice, the address stays one target.
  bool added = false;
  if (remembered_ != nullptr && remembered_->Add(target, added)) return;
  if (remembered_ != nullptr)
    state_.Report("The address could not be remembered in " + remembered_->Where() + ".",
                  kCaptionWarning, MessageIcon::Exclamation);
  if (std::find(runOnly_.begin(), runOnly_.end(), target) == runOnly_.end())
    runOnly_.push_back(target);
}

void WindowTargets::ForgetAll() {
  runOnly_.clear();
  if (remembered_ != nullptr && !remembered_->ForgetAll())
    state_.Report("The searched addresses could not be forgotten in " + remembered_->Where() + ".",
                  kCaptionWarning, MessageIcon::Exclamation);
  protocol_.SetTargets({});
}

void WindowTargets::FollowMove(bool viaTarget, const std::string& from) {
  Ipv4Address old, now;
  if (!viaTarget || !ParseDotted(from.c_str(), old.octet) ||
      !ParseDotted(protocol_.selectedDeviceIp(), now.octet))
    return;
  FollowMovedDevice(runOnly_, old, now);
  if (remembered_ != nullptr) remembered_->FollowMovedDevice(old, now, false);
}

}  // namespace tessavue
