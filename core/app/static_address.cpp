#include "static_address.h"

#include "text.h"

namespace tessavue {

const char* MissingAddressText(bool haveIp, bool haveNetmask, bool haveGateway) {
  if (!haveIp) return "Please input IP address!";
  if (!haveNetmask) return "Please input net mask address!";
  if (!haveGateway) return "Please input gateway address!";
  return nullptr;
}

bool GatewayInSubnet(const std::uint8_t ip[4], const std::uint8_t netmask[4],
                     const std::uint8_t gateway[4]) {
  return SameSubnet(gateway, ip, netmask);
}

}  // namespace tessavue
