// The check "Apply" makes of a fixed address before it logs in to the device,
// made alike by the window and the command line.
#pragma once

#include <cstdint>

namespace tessavue {

// The message for the first of address, netmask and gateway that is not
// given ("Please input IP address!", ...); nullptr when all three are.
const char* MissingAddressText(bool haveIp, bool haveNetmask, bool haveGateway);

// The gateway must lie in the address's subnet.
bool GatewayInSubnet(const std::uint8_t ip[4], const std::uint8_t netmask[4],
                     const std::uint8_t gateway[4]);
constexpr const char* kGatewayInputError = "Gateway address input error!";

}  // namespace tessavue
