// Why a connection could not be made or dropped, in plain words, with what
// the user can do about it: the line that follows the failure message.
#pragma once

#include <string>

#include "connections.h"
#include "name_resolver.h"

namespace tessavue {

// The reason a Connect ended with `result` (anything but kDone).
const char* ConnectFailureReason(ConnectionResult result);
// The reason a Disconnect ended with `result` (anything but kDone).
const char* DisconnectFailureReason(ConnectionResult result);
// A device or share name that cannot be part of "\\server\share".
extern const char* const kUnusableNameReason;

// The remote name that Connect uses for `share` of the device named
// `deviceName` at `deviceIp`: "\\name\share" when the name resolves on this
// workstation, "\\address\share" when it does not (a device behind a router,
// over a VPN, on a network without name service) or when it could not be
// part of a path. false when the share name cannot be, or the address is
// none.
bool DeviceRemoteName(NameResolver& resolver, const std::string& deviceName,
                      const std::string& deviceIp, const std::string& share,
                      std::string& remoteName);

}  // namespace tessavue
