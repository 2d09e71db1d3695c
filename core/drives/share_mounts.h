// The mounts behind the Linux drive letters: one SMB share, mounted as one
// user, seen as a folder of the local file system.
#pragma once

#include <string>

#include "connections.h"
#include "wait_hook.h"

namespace tessavue {

// One share as one user. `user` is never empty (the logged-on user's name
// when nobody was named); `domain` may be.
struct ShareLogin {
  std::string server;
  std::string share;
  std::string user;
  std::string domain;
};

// What to do when the server asks for a password.
enum class PasswordAnswer {
  kGiven,          // answer with the password given, once; keep it nowhere
  kGivenRemember,  // the same, and keep it in the desktop's keyring for the next time
  kKeyringOnly,    // answer nothing: only a password the keyring holds is used
};

class ShareMounts {
 public:
  virtual ~ShareMounts() = default;
  // The local folder of the mount of `login`, when there is one now.
  virtual bool Find(const ShareLogin& login, std::string& path) = 0;
  // Mounts `login`'s share; its local folder in `path`. A mount that is there
  // already is found and kept, and kDone is returned with it.
  virtual ConnectionResult Mount(const ShareLogin& login, const std::string& password,
                                 PasswordAnswer answer, std::string& path) = 0;
  // Unmounts the mount whose local folder is `path`. Without `force` a mount
  // in use stays (kFilesOpen).
  virtual ConnectionResult Unmount(const std::string& path, bool force) = 0;
  // Called every few milliseconds while a call waits (nullptr: nobody).
  virtual void SetWaitHook(WaitHook* /*hook*/) {}
};

}  // namespace tessavue
