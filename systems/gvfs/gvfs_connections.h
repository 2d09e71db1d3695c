// Drive letters on Linux. The letters are the program's own map of SMB
// connections: each connected letter is a symbolic link
// "~/Network Drives/E" to the files of a GVfs mount
// ($XDG_RUNTIME_DIR/gvfs/smb-share:server=...,share=..., served by
// gvfsd-fuse). Mounting and unmounting go through the share mounts (GVfs's
// own API). A connection without a letter is a mount this object holds
// with no link: it keeps the mount alive while letters come and go.
#pragma once

#include <string>
#include <vector>

#include "connections.h"
#include "share_mounts.h"

namespace tessavue {

struct GvfsOptions {
  // Folder holding one link per connected letter. Empty: "$HOME/Network Drives".
  std::string driveFolder;
  // The user a mount is made as when the caller names none. Empty: the
  // logged-on user's name.
  std::string defaultUser;
  // Root below which open files and working directories are looked for.
  std::string procRoot = "/proc";
};

class GvfsConnections : public NetworkConnections {
 public:
  explicit GvfsConnections(ShareMounts& mounts, GvfsOptions options = {});

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
  // A remembered letter whose mount is gone is mounted again as the user it
  // was made as, with the password the keyring holds (none asked for).
  ConnectionResult ReconnectRemembered(const std::string& localName) override;
  // Called every few milliseconds while a mount or an unmount lasts.
  void SetWaitHook(WaitHook* hook) override {
    waitHook_ = hook;
    mounts_.SetWaitHook(hook);
  }

  const std::string& driveFolder() const { return driveFolder_; }

  // The share and the user named by the last part of a GVfs fuse path
  // ("smb-share:domain=HOME,server=box,share=public,user=bob"); false for
  // anything that names no server and share.
  static bool ParseMountName(const std::string& path, ShareLogin& login);

 private:
  std::string LinkPath(char letter) const;
  // The share as the user a mount logs in with: `userName` ("user",
  // "DOMAIN\user"), or the default user when it names none ("DOMAIN\" keeps
  // its domain).
  ShareLogin LoginOf(const std::string& server, const std::string& share,
                     const std::string& userName) const;
  // The link's target when `letter` has a link naming an SMB mount.
  bool ReadDriveLink(char letter, std::string& target, ShareLogin& login) const;
  // true when the target of a link is a live mount now.
  static bool MountIsLive(const std::string& target);
  // Some process has a file open, or its working directory, below `mountPath`.
  bool FilesOpenBelow(const std::string& mountPath) const;
  // Mounts `login` with the password, or finds it mounted already; its fuse
  // path in `mountPath`, `mountedHere` when this call made the mount.
  ConnectionResult Mount(const ShareLogin& login, const std::string& password,
                         PasswordAnswer answer, std::string& mountPath, bool& mountedHere);
  // Waits, bounded, until gvfsd-fuse shows a mount that was just made.
  void AwaitFuseView(const std::string& mountPath);
  // Some letter's link, or a connection without a letter, other than
  // `exceptLetter`, holds the mount at `mountPath`.
  bool MountHeld(const std::string& mountPath, char exceptLetter) const;

  ShareMounts& mounts_;
  GvfsOptions options_;
  std::string driveFolder_;
  WaitHook* waitHook_ = nullptr;
  // The connections without a letter, in the order they were made.
  struct Letterless {
    std::string remoteName;
    std::string mountPath;
    bool mountedHere;
  };
  std::vector<Letterless> letterless_;
};

}  // namespace tessavue
