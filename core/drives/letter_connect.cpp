#include "letter_connect.h"

#include "remote_name.h"

namespace tessavue {

namespace {

// "server" of "\\server\share".
std::string ServerOf(const std::string& remoteName) {
  if (remoteName.size() < 3) return {};
  return remoteName.substr(2, remoteName.find('\\', 2) - 2);
}

// What a letter holds: its remote name, whether it is connected now or only
// remembered (server away). Empty when it holds nothing.
std::string HeldBy(NetworkConnections& connections, const std::string& localName) {
  std::string remote;
  ConnectionResult result = connections.GetConnection(localName, remote);
  if (result != ConnectionResult::kDone && remote.empty()) return {};
  return remote;
}

// Drops the letter's connection, connects the new one, and when that fails
// puts the old one back if it is gone: the letter ends with either the new
// connection or the old one.
ConnectionResult MoveLetter(NetworkConnections& connections, const std::string& localName,
                            const std::string& remoteName, const std::string& password,
                            const std::string& userName, const std::string& held,
                            unsigned extraFlags) {
  // Files open on the old connection keep it, and say why the letter cannot
  // move; any other refusal shows in the connect below.
  if (connections.CancelConnection(localName, kConnectUpdateProfile, false) ==
      ConnectionResult::kFilesOpen)
    return ConnectionResult::kFilesOpen;
  ConnectionResult result =
      connections.AddConnection(localName, remoteName, password, userName,
                                kConnectUpdateProfile | extraFlags);
  if (result != ConnectionResult::kDone && !held.empty() &&
      HeldBy(connections, localName).empty()) {
    // The old connection comes back under the credentials the system keeps
    // for its server.
    connections.AddConnection(localName, held, "", "", kConnectUpdateProfile);
  }
  return result;
}

}  // namespace

ConnectionResult ConnectLetter(NetworkConnections& connections, const std::string& localName,
                               const std::string& remoteName, const std::string& password,
                               const std::string& userName, unsigned extraFlags) {
  std::string held = HeldBy(connections, localName);
  ConnectionResult probe =
      connections.AddConnection("", remoteName, password, userName, extraFlags);
  if (probe == ConnectionResult::kOtherCredentialsInUse && !held.empty() &&
      EqualsIgnoringCase(ServerOf(held), ServerOf(remoteName))) {
    // The server is used under other credentials by this very letter: only
    // dropping the letter first can let the new ones in.
    return MoveLetter(connections, localName, remoteName, password, userName, held,
                      extraFlags);
  }
  if (probe != ConnectionResult::kDone) return probe;
  ConnectionResult result =
      MoveLetter(connections, localName, remoteName, password, userName, held, extraFlags);
  // The letter (new or old) holds its own connection; the one without a
  // letter has done its work.
  connections.CancelConnection(remoteName, 0, false);
  return result;
}

}  // namespace tessavue
