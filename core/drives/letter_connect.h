// Connecting a drive letter to a share in place of whatever the letter held.
#pragma once

#include <string>

#include "connections.h"

namespace tessavue {

// Connects `remoteName` to `localName` with the credentials, remembered
// (kConnectUpdateProfile), in place of the letter's earlier connection,
// current or remembered. The new share is reached without a letter first, so
// a refused password, a share that is gone or a server that is away fail
// before the letter is touched; only then does the letter move. A server in
// use under another user name fails the same way, even when it is this
// letter that holds it. When the move itself fails (open files on the old
// connection, among others), the letter keeps, or gets back, what it held.
// A connection to the share without a letter that was there before stays.
// kDone, or what the attempt came to.
// `extraFlags` (kConnectRememberPassword) go with the new share's connections.
ConnectionResult ConnectLetter(NetworkConnections& connections, const std::string& localName,
                               const std::string& remoteName, const std::string& password,
                               const std::string& userName, unsigned extraFlags = 0);

}  // namespace tessavue
