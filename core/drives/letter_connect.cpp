#include "letter_connect.h"

namespace tessavue {

namespace {

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
  ConnectionResult result = connections.AddConnection(localName, remoteName, password, userName,
                                                      kConnectUpdateProfile | extraFlags);
  if (result != ConnectionResult::kDone && !held.empty() &&
      HeldBy(connections, localName).empty()) {
    // The old connection comes back under the credentials the system keeps
    // for its server; an empty password would be "no password".
    connections.Reconnect(localName, held);
  }
  return result;
}

}  // namespace

ConnectionResult ConnectLetter(NetworkConnections& connections, const std::string& localName,
                               const std::string& remoteName, const std::string& password,
                               const std::string& userName, unsigned extraFlags) {
  std::string held = HeldBy(connections, localName);
  // A connection to the share without a letter that was there before (the
  // user's own) is not ours to drop afterwards.
  bool heldWithoutLetter = connections.ConnectedWithoutLetter(remoteName);
  // "Other credentials in use" fails here too, even when this very letter
  // holds the server under the other user name: the new credentials cannot
  // be tried without dropping the letter, and a letter dropped for
  // credentials that then fail could not be put back.
  ConnectionResult probe =
      connections.AddConnection("", remoteName, password, userName, extraFlags);
  if (probe != ConnectionResult::kDone) return probe;
  ConnectionResult result =
      MoveLetter(connections, localName, remoteName, password, userName, held, extraFlags);
  // The letter (new or old) holds its own connection; the one without a
  // letter has done its work.
  if (!heldWithoutLetter) connections.CancelConnection(remoteName, 0, false);
  return result;
}

}  // namespace tessavue
