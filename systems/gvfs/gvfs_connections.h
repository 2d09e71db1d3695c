// Drive letters on Linux. The letters are the program's own map of SMB
// connections: each connected letter is a symbolic link
// "~/Network Drives/E" to the files of a GVfs mount
// ($XDG_RUNTIME_DIR/gvfs/smb-share:server=...,share=..., served by
// gvfsd-fuse). Mounting and unmounting go through the `gio` tool; the user
// name and password are answered on its standard input, never put on a
// command line. A connection without a letter is a mount this object holds
// with no link: it keeps the mount alive while letters come and go.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "child_process.h"
#include "connections.h"

namespace tessavue {

struct GvfsOptions {
  // Folder holding one link per connected letter. Empty: "$HOME/Network Drives".
  std::string driveFolder;
  // The gio program (looked up on PATH when it has no slash).
  std::string gioProgram = "gio";
  // Longest a single gio run may take before it is killed.
  int timeoutMillis = 30000;
  // Answer to gio's "User" prompt when the caller gives no user name.
  // Empty: the logged-on user's name.
  std::string defaultUser;
  // Root below which open files and working directories are looked for.
  std::string procRoot = "/proc";
};

class GvfsConnections : public NetworkConnections {
 public:
  explicit GvfsConnections(GvfsOptions options = {});

  // A letter whose link points at a mount that is gone (logged out, server
  // away) is remembered but unavailable: the remote name is given with
  // kUnavailable.
  ConnectionResult GetConnection(const std::string& localName, std::string& remoteName) override;
  ConnectionResult AddConnection(const std::string& localName, const std::string& remoteName,
                                 const std::string& password, const std::string& userName,
                                 unsigned flags) override;
  ConnectionResult CancelConnection(const std::string& localName, unsigned flags,
                                    bool force) override;
  unsigned GetDriveType(const std::string& localName) override;
  // Called every few milliseconds while a gio run lasts.
  void SetWaitHook(WaitHook* hook) override { waitHook_ = hook; }

  const std::string& driveFolder() const { return driveFolder_; }

  // "smb://server/share" from "\\server\share"; false when the name is not of
  // that form. Exposed for the tests.
  static bool RemoteNameToUri(const std::string& remoteName, std::string& uri);
  // "smb://user@server/share" ("smb://domain;user@...") from
  // "smb://server/share" and a user name ("user", "DOMAIN\user"); the URI
  // as it is when no user is named.
  static std::string UriWithUser(const std::string& uri, const std::string& userName);
  // What a failed "gio mount" came to, from what it wrote on standard error.
  static ConnectionResult MountFailure(const std::string& errors);
  // Server and share named by the last part of a GVfs fuse path
  // ("smb-share:server=box,share=public"); false for anything else.
  static bool ParseMountName(const std::string& path, std::string& server, std::string& share);

 private:
  std::string LinkPath(char letter) const;
  // The user name a mount logs in with: `userName`, or the default user when
  // it names none ("DOMAIN\" keeps its domain).
  std::string LoginUser(const std::string& userName) const;
  // The link's target when `letter` has a link naming an SMB mount.
  bool ReadDriveLink(char letter, std::string& target, std::string& server,
                     std::string& share) const;
  // true when the target of a link is a live mount now.
  static bool MountIsLive(const std::string& target);
  // Some process has a file open, or its working directory, below `mountPath`.
  bool FilesOpenBelow(const std::string& mountPath) const;
  // The fuse path of a mounted location, from "gio info".
  bool LocalPathOf(const std::string& uri, std::string& path);
  // Mounts `uri` with the credentials, or finds it mounted already; its fuse
  // path in `mountPath`, `mountedHere` when this call made the mount.
  ConnectionResult Mount(const std::string& uri, const std::string& password,
                         const std::string& userName, std::string& mountPath, bool& mountedHere);
  // Waits, bounded, until gvfsd-fuse shows a mount that gio has just made.
  void AwaitFuseView(const std::string& mountPath);
  // Some letter's link, or a connection without a letter, other than
  // `exceptLetter`, holds the mount at `mountPath`.
  bool MountHeld(const std::string& mountPath, char exceptLetter) const;
  // One gio run with `args`, within the time limit, the wait hook called
  // meanwhile.
  ChildResult Gio(const std::vector<std::string>& args,
                  const std::function<ChildReply(const std::string&)>& converse = {});

  GvfsOptions options_;
  std::string driveFolder_;
  std::string gioPath_;
  WaitHook* waitHook_ = nullptr;
  // The connections without a letter, in the order they were made.
  struct Deviceless {
    std::string remoteName;
    std::string mountPath;
    bool mountedHere;
  };
  std::vector<Deviceless> deviceless_;
};

}  // namespace tessavue
