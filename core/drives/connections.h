// The network connections of the drive letters, as the system keeps them.
#pragma once

#include <string>

#include "wait_hook.h"

namespace tessavue {

// What a connection call came to: the outcomes its callers tell apart. Each
// system layer maps its own results onto these.
enum class ConnectionResult {
  kDone,                   // the call did what it was asked
  kNotConnected,           // nothing is connected there
  kUnavailable,            // remembered, but not connected now (its server is away)
  kShareNotFound,          // the server has no share of that name, or the name is not one
  kServerUnreachable,      // the server does not answer (off, another network, a firewall)
  kLoginRefused,           // the credentials do not let the user in
  kOtherCredentialsInUse,  // the server is in use under another user name
  kFilesOpen,              // files are open on the connection, so it stays
  kLetterInUse,            // the letter holds a drive or a connection already
  kNoSuchLetter,           // the local name is no drive letter
  kGuestRefused,           // the server offers only a guest login, which this system refuses
  kProtocolRefused,        // the server offers only an SMB version this system refuses
  kFailed,                 // anything else (no network, no access, ...)
};

// Remember the connection (CONNECT_UPDATE_PROFILE).
constexpr unsigned kConnectUpdateProfile = 1;
// Keep the password where the system keeps such passwords, where its own
// reconnect at the next sign-in finds it. No Windows networking flag: the
// system layer keeps the password itself and never hands this on.
constexpr unsigned kConnectRememberPassword = 0x40000000;

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
  // With kUnavailable the remote name of the remembered connection may be
  // given too.
  virtual ConnectionResult GetConnection(const std::string& localName, std::string& remoteName) = 0;
  // Connects `remoteName` to `localName` with the credentials (either may be
  // empty). `flags` may hold kConnectUpdateProfile (remember the connection).
  // An empty `localName` makes a connection without a drive letter: the share
  // is reached (and the credentials checked) without any letter changing.
  virtual ConnectionResult AddConnection(const std::string& localName,
                                         const std::string& remoteName, const std::string& password,
                                         const std::string& userName, unsigned flags) = 0;
  // Drops the connection of `localName`; without `force` a drive with open
  // files stays connected and the call fails. A remote name ("\\server\share")
  // drops only the connections to it that have no drive letter.
  virtual ConnectionResult CancelConnection(const std::string& localName, unsigned flags,
                                            bool force) = 0;
  virtual unsigned GetDriveType(const std::string& localName) = 0;
  // Connects `remoteName` to `localName`, remembered, with the credentials
  // the system already holds for its server (Windows: no user name and no
  // password given, which is not the same as an empty password). How a
  // letter is put back when it could not move.
  virtual ConnectionResult Reconnect(const std::string& localName, const std::string& remoteName) {
    return AddConnection(localName, remoteName, "", "", kConnectUpdateProfile);
  }
  // Whether a connection to `remoteName` without a drive letter is made now
  // (by anyone: `net use \\server\share` too). A system that cannot tell
  // says no.
  virtual bool ConnectedWithoutLetter(const std::string& /*remoteName*/) { return false; }
  // Connects a remembered but unavailable letter again with what the system
  // keeps (the password of its keyring, or none); nobody is asked anything.
  // kDone for a letter connected already, kNotConnected for one that holds
  // nothing. By default the share is reached without a letter first, so that
  // a letter whose share cannot be reached stays remembered; only then is
  // the remembered letter made anew.
  virtual ConnectionResult ReconnectRemembered(const std::string& localName) {
    std::string remote;
    const ConnectionResult held = GetConnection(localName, remote);
    if (held != ConnectionResult::kUnavailable || remote.empty())
      return held == ConnectionResult::kDone || held == ConnectionResult::kNoSuchLetter
                 ? held
                 : ConnectionResult::kNotConnected;
    const ConnectionResult probe = AddConnection("", remote, "", "", 0);
    if (probe != ConnectionResult::kDone) return probe;
    CancelConnection(localName, kConnectUpdateProfile, false);
    const ConnectionResult result = Reconnect(localName, remote);
    CancelConnection(remote, 0, false);
    return result;
  }
  // Called while a connection call waits for a helper program (nullptr:
  // nobody). Connections that wait inside the system ignore it.
  virtual void SetWaitHook(WaitHook* /*hook*/) {}
};

}  // namespace tessavue
