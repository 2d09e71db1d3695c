#include "gvfs_connections.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <initializer_list>
#include <optional>

#include "posix_user.h"
#include "remote_name.h"
#include "text.h"

namespace tessavue {
namespace {

// "E:" (either case) to 'E'; 0 when the name is not a drive letter.
char LetterOf(const std::string& localName) {
  if (localName.size() != 2 || localName[1] != ':') return 0;
  char c = static_cast<char>(std::toupper(static_cast<unsigned char>(localName[0])));
  return (c >= 'A' && c <= 'Z') ? c : '\0';
}

std::string ReadLink(const std::string& path) {
  char buffer[4096];
  ssize_t n = readlink(path.c_str(), buffer, sizeof buffer - 1);
  if (n <= 0) return {};
  return std::string(buffer, static_cast<std::size_t>(n));
}

bool IsBelow(const std::string& path, const std::string& root) {
  if (path.compare(0, root.size(), root) != 0) return false;
  return path.size() == root.size() || path[root.size()] == '/';
}

}  // namespace

GvfsConnections::GvfsConnections(ShareMounts& mounts, GvfsOptions options)
    : mounts_(mounts), options_(std::move(options)) {
  driveFolder_ = options_.driveFolder;
  if (driveFolder_.empty()) {
    const char* home = std::getenv("HOME");
    std::string base = home && *home ? home : "";
    PasswdEntry entry;
    if (base.empty() && EffectiveUserEntry(entry)) base = entry.home;
    driveFolder_ = base + "/Network Drives";
  }
  while (driveFolder_.size() > 1 && driveFolder_.back() == '/') driveFolder_.pop_back();
}

bool GvfsConnections::ParseMountName(const std::string& path, ShareLogin& login) {
  std::size_t slash = path.rfind('/');
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  static const std::string kPrefix = "smb-share:";
  if (name.compare(0, kPrefix.size(), kPrefix) != 0) return false;
  std::string keys = name.substr(kPrefix.size());
  login = ShareLogin{};
  std::size_t start = 0;
  while (start <= keys.size()) {
    std::size_t end = keys.find(',', start);
    if (end == std::string::npos) end = keys.size();
    std::string pair = keys.substr(start, end - start);
    std::size_t eq = pair.find('=');
    if (eq != std::string::npos) {
      std::string key = pair.substr(0, eq);
      // GVfs escapes every byte it must; a '%' that starts no escape is
      // itself.
      std::string value;
      PercentDecode(pair.substr(eq + 1), value, BrokenEscape::kKeep);
      if (key == "server") login.server = value;
      if (key == "share") login.share = value;
      if (key == "user") login.user = value;
      if (key == "domain") login.domain = value;
    }
    start = end + 1;
  }
  return !login.server.empty() && !login.share.empty();
}

std::string GvfsConnections::LinkPath(char letter) const {
  return driveFolder_ + "/" + std::string(1, letter);
}

bool GvfsConnections::ReadDriveLink(char letter, std::string& target, ShareLogin& login) const {
  struct stat st {};
  std::string link = LinkPath(letter);
  if (lstat(link.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return false;
  target = ReadLink(link);
  return !target.empty() && ParseMountName(target, login);
}

bool GvfsConnections::MountIsLive(const std::string& target) {
  // Looked up in the listing of the fuse root rather than by stat of the
  // mount itself: the listing is answered by gvfsd-fuse alone, while a stat
  // would go out to a server that may be gone.
  std::size_t slash = target.rfind('/');
  if (slash == std::string::npos || slash + 1 >= target.size()) return false;
  std::string parent = slash == 0 ? "/" : target.substr(0, slash);
  std::string name = target.substr(slash + 1);
  DIR* dir = opendir(parent.c_str());
  if (!dir) return false;
  bool found = false;
  while (dirent* entry = readdir(dir)) {
    if (name == entry->d_name) {
      found = true;
      break;
    }
  }
  closedir(dir);
  return found;
}

bool GvfsConnections::FilesOpenBelow(const std::string& mountPath) const {
  DIR* proc = opendir(options_.procRoot.c_str());
  if (!proc) return false;
  bool open = false;
  while (!open) {
    dirent* entry = readdir(proc);
    if (!entry) break;
    const char* pidName = entry->d_name;
    if (!*pidName || std::strspn(pidName, "0123456789") != std::strlen(pidName)) continue;
    std::string base = options_.procRoot + "/" + pidName;
    for (const char* link : {"cwd", "root"})
      if (IsBelow(ReadLink(base + "/" + link), mountPath)) open = true;
    // Processes of other users cannot be looked into; they are skipped.
    DIR* fds = opendir((base + "/fd").c_str());
    if (!fds) continue;
    while (!open) {
      dirent* fd = readdir(fds);
      if (!fd) break;
      if (fd->d_name[0] == '.') continue;
      if (IsBelow(ReadLink(base + "/fd/" + fd->d_name), mountPath)) open = true;
    }
    closedir(fds);
  }
  closedir(proc);
  return open;
}

ConnectionResult GvfsConnections::GetConnection(const std::string& localName,
                                                std::string& remoteName) {
  char letter = LetterOf(localName);
  if (!letter) return ConnectionResult::kNoSuchLetter;
  std::string target;
  ShareLogin login;
  if (!ReadDriveLink(letter, target, login)) return ConnectionResult::kNotConnected;
  remoteName = RemoteName{login.server, login.share}.Text();
  return MountIsLive(target) ? ConnectionResult::kDone : ConnectionResult::kUnavailable;
}

ConnectionResult GvfsConnections::Mount(const ShareLogin& login, const std::string& password,
                                        PasswordAnswer answer, std::string& mountPath,
                                        bool& mountedHere) {
  mountedHere = false;
  if (mounts_.Find(login, mountPath)) return ConnectionResult::kDone;
  ConnectionResult result = mounts_.Mount(login, password, answer, mountPath);
  if (result != ConnectionResult::kDone) return result;
  mountedHere = true;
  AwaitFuseView(mountPath);
  return ConnectionResult::kDone;
}

void GvfsConnections::AwaitFuseView(const std::string& mountPath) {
  // GVfs reports the fuse path as soon as the mount exists, but gvfsd-fuse
  // may answer for it with I/O errors a moment longer (at once after the
  // same share was let go, on a loaded machine): a letter linked then would
  // show an unreadable folder. The wait ends when the folder can be listed;
  // a view that never recovers is left to the drive scan.
  constexpr int kSlices = 200;  // 10 ms each
  const timespec slice{0, 10L * 1000 * 1000};
  for (int i = 0; i < kSlices; ++i) {
    if (DIR* dir = opendir(mountPath.c_str())) {
      closedir(dir);
      if (MountIsLive(mountPath)) return;
    }
    if (waitHook_) waitHook_->KeepAlive();
    nanosleep(&slice, nullptr);
  }
}

bool GvfsConnections::MountHeld(const std::string& mountPath, char exceptLetter) const {
  for (char other = 'A'; other <= 'Z'; ++other) {
    std::string otherTarget;
    ShareLogin login;
    if (other != exceptLetter && ReadDriveLink(other, otherTarget, login) &&
        otherTarget == mountPath)
      return true;
  }
  for (const Letterless& d : letterless_)
    if (d.mountPath == mountPath) return true;
  return false;
}

ShareLogin GvfsConnections::LoginOf(const std::string& server, const std::string& share,
                                    const std::string& userName) const {
  ShareLogin login{server, share, userName, {}};
  if (std::size_t cut = userName.find('\\'); cut != std::string::npos) {
    login.domain = userName.substr(0, cut);
    login.user = userName.substr(cut + 1);
  }
  if (login.user.empty())
    login.user = options_.defaultUser.empty() ? LoggedOnUserName() : options_.defaultUser;
  return login;
}

ConnectionResult GvfsConnections::AddConnection(const std::string& localName,
                                                const std::string& remoteName,
                                                const std::string& password,
                                                const std::string& userName, unsigned flags) {
  // The link is both the connection and its memory: it is made whatever the
  // flags say, and stays until the letter is disconnected.
  char letter = LetterOf(localName);
  if (!letter && !localName.empty()) return ConnectionResult::kNoSuchLetter;
  // One share, not a folder inside it; no control characters anywhere.
  std::optional<RemoteName> name = RemoteName::Parse(remoteName);
  if (!name) return ConnectionResult::kShareNotFound;
  // Every mount is made under the user name it logs in with (the logged-on
  // user's when none is given): a mount of the share under another identity
  // (the file manager's, as guest, say) is never taken for this one.
  ShareLogin login = LoginOf(name->server, name->share, userName);
  std::string link = letter ? LinkPath(letter) : std::string();
  struct stat st {};
  if (letter && lstat(link.c_str(), &st) == 0) return ConnectionResult::kLetterInUse;

  std::string mountPath;
  bool mountedHere = false;
  PasswordAnswer answer =
      (flags & kConnectRememberPassword) ? PasswordAnswer::kGivenRemember : PasswordAnswer::kGiven;
  ConnectionResult result = Mount(login, password, answer, mountPath, mountedHere);
  if (result != ConnectionResult::kDone) return result;
  if (!letter) {
    letterless_.push_back(Letterless{remoteName, mountPath, mountedHere});
    return ConnectionResult::kDone;
  }

  mkdir(driveFolder_.c_str(), 0700);
  if (symlink(mountPath.c_str(), link.c_str()) != 0) {
    int error = errno;
    if (mountedHere) mounts_.Unmount(mountPath, true);
    return error == EEXIST ? ConnectionResult::kLetterInUse : ConnectionResult::kFailed;
  }
  return ConnectionResult::kDone;
}

ConnectionResult GvfsConnections::CancelConnection(const std::string& localName, unsigned /*flags*/,
                                                   bool force) {
  if (RemoteName::IsRemoteNameText(localName)) {
    // The connections to that share without a letter; a mount one of them
    // made goes with them unless a letter or another such connection holds
    // it.
    std::vector<Letterless> dropped;
    std::erase_if(letterless_, [&](const Letterless& d) {
      if (!EqualsIgnoringCase(d.remoteName, localName)) return false;
      dropped.push_back(d);
      return true;
    });
    if (dropped.empty()) return ConnectionResult::kNotConnected;
    for (const Letterless& d : dropped) {
      if (d.mountedHere && !MountHeld(d.mountPath, 0) && MountIsLive(d.mountPath) &&
          !FilesOpenBelow(d.mountPath))
        mounts_.Unmount(d.mountPath, false);
    }
    return ConnectionResult::kDone;
  }
  char letter = LetterOf(localName);
  if (!letter) return ConnectionResult::kNoSuchLetter;
  std::string target;
  ShareLogin login;
  if (!ReadDriveLink(letter, target, login)) return ConnectionResult::kNotConnected;

  // The mount goes with its last letter; a letter that shares it with
  // another, or with a connection without a letter, only loses its link.
  if (!MountHeld(target, letter) && MountIsLive(target)) {
    if (!force && FilesOpenBelow(target)) return ConnectionResult::kFilesOpen;
    ConnectionResult unmounted = mounts_.Unmount(target, force);
    if (unmounted != ConnectionResult::kDone && !force && MountIsLive(target))
      return ConnectionResult::kFilesOpen;
  }
  if (unlink(LinkPath(letter).c_str()) != 0) return ConnectionResult::kFailed;
  return ConnectionResult::kDone;
}

unsigned GvfsConnections::GetDriveType(const std::string& localName) {
  char letter = LetterOf(localName);
  if (!letter) return kDriveNoRootDir;
  struct stat st {};
  return lstat(LinkPath(letter).c_str(), &st) == 0 ? kDriveRemote : kDriveNoRootDir;
}

ConnectionResult GvfsConnections::ReconnectRemembered(const std::string& localName) {
  char letter = LetterOf(localName);
  if (!letter) return ConnectionResult::kNoSuchLetter;
  std::string target;
  ShareLogin login;
  if (!ReadDriveLink(letter, target, login)) return ConnectionResult::kNotConnected;
  if (MountIsLive(target)) return ConnectionResult::kDone;
  // A link made before mounts were made as their user names none: the
  // logged-on user's, as then.
  if (login.user.empty()) login = LoginOf(login.server, login.share, login.domain + "\\");
  std::string mountPath;
  bool mountedHere = false;
  ConnectionResult result = Mount(login, {}, PasswordAnswer::kKeyringOnly, mountPath, mountedHere);
  if (result != ConnectionResult::kDone) return result;
  if (mountPath == target) return ConnectionResult::kDone;
  // The mount shows under another folder now (another runtime folder): the
  // link follows it.
  std::string link = LinkPath(letter);
  std::string fresh = link + ".new";
  unlink(fresh.c_str());
  if (symlink(mountPath.c_str(), fresh.c_str()) != 0 || rename(fresh.c_str(), link.c_str()) != 0) {
    unlink(fresh.c_str());
    return ConnectionResult::kFailed;
  }
  return ConnectionResult::kDone;
}

}  // namespace tessavue
