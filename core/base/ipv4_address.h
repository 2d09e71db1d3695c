// The one IPv4 address value every layer passes around.
#pragma once

#include <cstdint>

namespace tessavue {

// IPv4 address, octets in network order (octet[0] is the first of "a.b.c.d").
struct Ipv4Address {
  std::uint8_t octet[4] = {0, 0, 0, 0};
  friend bool operator==(const Ipv4Address&, const Ipv4Address&) = default;
};

}  // namespace tessavue
