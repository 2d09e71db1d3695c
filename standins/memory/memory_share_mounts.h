// SMB mounts for the tests: each mount a folder below a root folder, named as
// GVfs names its fuse view's folders, over shares that take one user and
// password each, with a keyring of kept passwords. The server is asked as
// GVfs asks it: a kept password first, then the caller's answer.
#pragma once

#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "share_mounts.h"

namespace tessavue {

class MemoryShareMounts : public ShareMounts {
 public:
  // Mounts show as folders below `root`, made as needed.
  explicit MemoryShareMounts(std::string root);

  bool Find(const ShareLogin& login, std::string& path) override;
  ConnectionResult Mount(const ShareLogin& login, const std::string& password,
                         PasswordAnswer answer, std::string& path) override;
  ConnectionResult Unmount(const std::string& path, bool force) override;
  // Called once per mount, as a wait would call it.
  void SetWaitHook(WaitHook* hook) override { waitHook_ = hook; }

  // A share that takes `user` (case ignored) with `password` (exact).
  void AddShare(const std::string& server, const std::string& share, const std::string& user,
                const std::string& password);
  // The share is gone from its server (kShareNotFound from then on).
  void RemoveShare(const std::string& server, const std::string& share);
  // The server does not answer (kServerUnreachable) until it is back.
  void SetServerAway(const std::string& server, bool away);
  // Unmounts without force fail as when a program holds files open.
  void SetBusy(bool busy) { busy_ = busy; }
  // The session ends: every mount goes, the keyring stays.
  void EndSession();
  // The folder the mount of `login` has (or would have).
  std::string PathOf(const ShareLogin& login) const;

  // The password the keyring holds for `login`'s user on its server; empty
  // when none.
  std::string KeptPassword(const ShareLogin& login) const;
  // How often the password question was answered by the caller.
  int answers() const { return answers_; }
  // Every call: "mount <folder> <how>" ("given", "remember", "keyring"),
  // "unmount <folder> force=0|1".
  std::vector<std::string> calls;

 private:
  using Key = std::tuple<std::string, std::string, std::string>;  // lower case
  static Key KeyOf(const std::string& a, const std::string& b, const std::string& c);
  bool LetsIn(const ShareLogin& login, const std::string& password) const;

  std::string root_;
  WaitHook* waitHook_ = nullptr;
  std::map<Key, std::pair<std::string, std::string>> shares_;  // server, share -> user, password
  std::set<std::string> away_;
  std::set<std::string> mounted_;       // folder names
  std::map<Key, std::string> keyring_;  // user, domain, server -> password
  bool busy_ = false;
  int answers_ = 0;
};

}  // namespace tessavue
