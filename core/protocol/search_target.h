// Search targets: an address, or a whole subnet, that the search also reaches
// by unicast, for devices the group never reaches (another subnet, behind a
// router, at the far end of a VPN). Their text forms and their checks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "network.h"

namespace tessavue {

// The widest subnet a target may be: /22, 1024 addresses.
constexpr int kWidestTargetPrefix = 22;
// All targets together reach at most this many addresses, so that every
// search's three rounds of unicast still fit its window at the paced rate.
constexpr std::uint32_t kMostTargetAddresses = 4096;

// One target: `prefix` 32 is a single address; otherwise `address` is the
// subnet's network address (no host bits set).
struct SearchTarget {
  Ipv4Address address;
  int prefix = 32;
  friend bool operator==(const SearchTarget&, const SearchTarget&) = default;

  // How many addresses the search sends to: every host address of a subnet
  // (neither its network nor its broadcast address while it is /30 or
  // wider; both addresses of a /31).
  std::uint32_t HostCount() const;
  // The i-th of them, 0 <= i < HostCount().
  Ipv4Address Host(std::uint32_t i) const;
  bool Contains(const Ipv4Address& a) const;
  // "a.b.c.d" for one address, "a.b.c.d/nn" for a subnet.
  std::string Text() const;
};

// What makes a target unusable.
enum class TargetProblem {
  kNone,
  kNotAnAddress,
  kBadPrefix,
  kTooWide,
  kHostBits,
  kUnspecified,
  kBroadcast,
  kMulticast,
  kLoopback,
  kReserved,
  kOwnBroadcast,
  kTooMany,
};

// Parses and checks a target given as "a.b.c.d" or "a.b.c.d/nn". kNone
// with `target` set when it may be used.
TargetProblem CheckTarget(const char* text, SearchTarget& target);
// The same for one address given as text.
TargetProblem CheckTarget(const char* text, Ipv4Address& address);
TargetProblem CheckTarget(const SearchTarget& target);
TargetProblem CheckTarget(const Ipv4Address& address);
// A single address that is the broadcast address of one of the
// workstation's networks (`broadcasts`): that network is searched anyway,
// and a send there fails without the socket's broadcast permission.
TargetProblem CheckTarget(const SearchTarget& target, const std::vector<Ipv4Address>& broadcasts);
// How many addresses `targets` reach together (overlaps counted twice).
std::uint32_t TargetAddressCount(const std::vector<SearchTarget>& targets);
// A sentence that says why `text` is refused; `text` goes into it as it is
// (the caller makes it safe to show).
std::string TargetProblemMessage(TargetProblem problem, const char* text);

// After a device found through a target moves from `from` to `to`: the
// target that is its own old address follows it; when none is, and no
// target reaches the new address, that address becomes a target. No other
// target changes. true when `targets` changed.
bool FollowMovedDevice(std::vector<SearchTarget>& targets, const Ipv4Address& from,
                       const Ipv4Address& to);

}  // namespace tessavue
