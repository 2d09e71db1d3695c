// The network connections of the drive letters, as the system keeps them.
#pragma once

#include <string>

#include "wait_hook.h"

namespace tessavue {

// Results and flags shaped after the Windows networking (MPR) functions.
constexpr int kNoError = 0;
constexpr int kErrorNotConnected = 2250;               // ERROR_NOT_CONNECTED
constexpr int kErrorBadNetName = 67;                   // ERROR_BAD_NET_NAME
constexpr int kErrorAccessDenied = 5;                  // ERROR_ACCESS_DENIED
constexpr int kErrorInvalidPassword = 86;              // ERROR_INVALID_PASSWORD
constexpr int kErrorOpenFiles = 2401;                  // ERROR_OPEN_FILES
constexpr int kErrorAlreadyAssigned = 85;              // ERROR_ALREADY_ASSIGNED
constexpr int kErrorBadDevice = 1200;                  // ERROR_BAD_DEVICE
constexpr int kErrorSessionCredentialConflict = 1219;  // ERROR_SESSION_CREDENTIAL_CONFLICT
constexpr unsigned kConnectUpdateProfile = 1;          // CONNECT_UPDATE_PROFILE

// Drive types as GetDriveTypeA returns them.
enum DriveType : unsigned {
  kDriveUnknown = 0,
  kDriveNoRootDir = 1,
  kDriveRemovable = 2,
  kDriveFixed = 3,
  kDriveRemote = 4,
  kDriveCdrom = 5,
  kDriveRamdisk = 6,
};

class NetworkConnections {
 public:
  virtual ~NetworkConnections() = default;
  // The remote name ("\\server\share") connected to `localName` ("E:").
  // kNoError on success, an error code otherwise.
  virtual int GetConnection(const std::string& localName, std::string& remoteName) = 0;
  // Connects `remoteName` to `localName` with the credentials (either may be
  // empty). `flags` may hold kConnectUpdateProfile (remember the connection).
  // An empty `localName` makes a connection without a drive letter: the share
  // is reached (and the credentials checked) without any letter changing.
  virtual int AddConnection(const std::string& localName, const std::string& remoteName,
                            const std::string& password, const std::string& userName,
                            unsigned flags) = 0;
  // Drops the connection of `localName`; without `force` a drive with open
  // files stays connected and the call fails. A remote name ("\\server\share")
  // drops only the connections to it that have no drive letter.
  virtual int CancelConnection(const std::string& localName, unsigned flags, bool force) = 0;
  virtual unsigned GetDriveType(const std::string& localName) = 0;
  // Called while a connection call waits for a helper program (nullptr:
  // nobody). Connections that wait inside the system ignore it.
  virtual void SetWaitHook(WaitHook* /*hook*/) {}
};

}  // namespace tessavue
