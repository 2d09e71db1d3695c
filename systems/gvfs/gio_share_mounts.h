// SMB mounts through libgio: GVfs makes them (gvfsd-smb), gvfsd-fuse shows
// them as folders below $XDG_RUNTIME_DIR/gvfs. The server's password question
// is answered from the program, never typed; a password the user asked to
// keep goes with GVfs into the desktop's Secret Service keyring.
#pragma once

#include <memory>
#include <string>

#include "share_mounts.h"

namespace tessavue {

class GioShareMounts : public ShareMounts {
 public:
  // `timeoutMillis`: longest a mount or an unmount may take before it is
  // given up.
  explicit GioShareMounts(int timeoutMillis = 30000);
  ~GioShareMounts() override;
  GioShareMounts(const GioShareMounts&) = delete;
  GioShareMounts& operator=(const GioShareMounts&) = delete;

  bool Find(const ShareLogin& login, std::string& path) override;
  ConnectionResult Mount(const ShareLogin& login, const std::string& password,
                         PasswordAnswer answer, std::string& path) override;
  ConnectionResult Unmount(const std::string& path, bool force) override;
  void SetWaitHook(WaitHook* hook) override { waitHook_ = hook; }

  // "smb://DOMAIN;user@server/share", each part percent-encoded so that no
  // "@", ";" or ":" in a name reaches another server.
  static std::string UriOf(const ShareLogin& login);
  // What a failed mount came to, from GIO's error code and the server's
  // words in its message.
  static ConnectionResult MountFailure(int ioErrorCode, const std::string& message);

  // One mount or unmount under way (GIO's callbacks reach it).
  struct Call;

 private:
  // Runs this object's main context until `call` is over, calling the wait
  // hook meanwhile; at the time limit the call is cancelled.
  void Await(Call& call);

  // GIO's main context of this object's calls.
  struct Context;
  std::unique_ptr<Context> context_;
  int timeoutMillis_;
  WaitHook* waitHook_ = nullptr;
};

}  // namespace tessavue
