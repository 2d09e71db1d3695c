// An in-memory picture of a workstation's drive letters and the SMB shares it
// can reach: drive types per letter, current and remembered connections,
// shares that need a user name and password, connections without a drive
// letter, and drives with open files. It answers like the Windows networking
// functions do, down to a server taking one user name at a time (and saying
// so before it looks at the password).
#pragma once

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "system.h"

namespace tessavue {

class MemoryConnections : public NetworkConnections {
 public:
  // A: removable, C: fixed, every other letter free (no root directory).
  MemoryConnections();

  ConnectionResult GetConnection(const std::string& localName, std::string& remoteName) override;
  ConnectionResult AddConnection(const std::string& localName, const std::string& remoteName,
                                 const std::string& password, const std::string& userName,
                                 unsigned flags) override;
  ConnectionResult CancelConnection(const std::string& localName, unsigned flags,
                                    bool force) override;
  // A connected letter is remote; otherwise the letter's own type.
  unsigned GetDriveType(const std::string& localName) override;
  // With the user name of a connection to the same server that is up, as
  // Windows reuses its session; without one, no credentials at all.
  ConnectionResult Reconnect(const std::string& localName, const std::string& remoteName) override;
  bool ConnectedWithoutLetter(const std::string& remoteName) override;
  // Connections here never wait; the hook is only kept.
  void SetWaitHook(WaitHook* hook) override { waitHook = hook; }

  // The machine: the type of a letter that is not connected.
  void SetDriveType(char letter, unsigned type);
  // A share the network offers as "\\server\share" (names compared ignoring
  // case). With a user name it only takes those credentials (user name case
  // ignored, password exact); without, any credentials do.
  void AddShare(const std::string& server, const std::string& share,
                const std::string& userName = "", const std::string& password = "");
  void RemoveShare(const std::string& server, const std::string& share);
  // A connection made outside the program (current and remembered), whatever
  // the network offers.
  void MapOutside(char letter, const std::string& remoteName);
  // A connection the system remembers but has not made (its server is away).
  void Remember(char letter, const std::string& remoteName);
  // The user name a letter's current connection was made with (empty: the
  // default credentials); a server already used under one user name refuses
  // another (kOtherCredentialsInUse).
  void SetConnectionUser(char letter, const std::string& userName);
  void SetOpenFiles(char letter, bool open);
  // Every connection to `server` ends with `result` (kServerUnreachable: the
  // server is off; kGuestRefused, kProtocolRefused: the system refuses what
  // it offers); kDone lifts it.
  void SetServerRefusal(const std::string& server, ConnectionResult result);

  // What is on a letter now.
  std::optional<std::string> Connection(char letter) const;
  bool IsRemembered(char letter) const;
  // The remote names of the connections without a drive letter, in order.
  std::vector<std::string> LetterlessConnections() const;
  // Every call, in order: "get E:", "add E: \\srv\data user=... flags=1",
  // "cancel E: flags=1 force=0", "type E:", "reconnect E: \\srv\data".
  std::vector<std::string> calls;
  // The credentials of the last AddConnection.
  std::string lastUserName;
  std::string lastPassword;
  WaitHook* waitHook = nullptr;

 private:
  struct Letter {
    unsigned type = kDriveNoRootDir;
    std::optional<std::string> current;
    std::optional<std::string> remembered;
    std::string userName;  // of the current connection
    bool openFiles = false;
  };
  struct Letterless {
    std::string remoteName;
    std::string userName;
  };
  struct Share {
    std::string server;
    std::string share;
    std::string userName;
    std::string password;
  };
  // Index 0 to 25 for "A:" to "Z:"; -1 for anything else.
  static int LetterIndex(const std::string& localName);
  const Share* FindShare(const std::string& remoteName) const;
  // The user name a connection to `server` that is up was made with; empty
  // when there is none (or only ones with the default credentials).
  std::string SessionUser(const std::string& server) const;
  // AddConnection onto a letter, unrecorded.
  ConnectionResult AddToLetter(const std::string& localName, const std::string& remoteName,
                               const std::string& password, const std::string& userName,
                               unsigned flags);
  // The share named, and the credentials: kDone when they let one in.
  ConnectionResult CheckAccess(const std::string& remoteName, const std::string& password,
                               const std::string& userName) const;

  Letter letters_[26];
  std::vector<Share> shares_;
  std::vector<Letterless> letterless_;
  std::vector<std::pair<std::string, ConnectionResult>> refusals_;
};

}  // namespace tessavue
