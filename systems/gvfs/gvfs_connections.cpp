#include "gvfs_connections.h"

#include <dirent.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <initializer_list>

#include "child_process.h"
#include "remote_name.h"

namespace tessavue {
namespace {

// gio speaks English and starts no volume monitors of its own: its prompts
// are read as text, and a mount needs nothing but the GVfs daemon.
const std::vector<std::string> kGioEnvironment = {"LC_ALL=C", "LANGUAGE=C",
                                                  "GIO_USE_VOLUME_MONITOR=unix"};

// "E:" (either case) to 'E'; 0 when the name is not a drive letter.
char LetterOf(const std::string& localName) {
  if (localName.size() != 2 || localName[1] != ':') return 0;
  char c = static_cast<char>(std::toupper(static_cast<unsigned char>(localName[0])));
  return (c >= 'A' && c <= 'Z') ? c : '\0';
}

std::string PercentEncode(const std::string& text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : text) {
    if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

std::string PercentDecode(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() &&
        std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
        std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
      out += static_cast<char>(std::strtol(text.substr(i + 1, 2).c_str(), nullptr, 16));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

bool HasLineBreakOrNul(const std::string& text) {
  return text.find_first_of(std::string("\r\n\0", 3)) != std::string::npos;
}

std::string LoggedOnUser() {
  passwd pw{};
  passwd* found = nullptr;
  char buffer[4096];
  if (getpwuid_r(geteuid(), &pw, buffer, sizeof buffer, &found) == 0 && found && found->pw_name)
    return found->pw_name;
  const char* user = std::getenv("USER");
  return user ? user : "";
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

// The last line of what gio has printed since the last answer, when it is a
// prompt ("User [guest]: ", "Domain [WORKGROUP]: ", "Password: ").
std::string PromptOf(const std::string& pending) {
  std::size_t end = pending.size();
  if (end < 2 || pending.compare(end - 2, 2, ": ") != 0) return {};
  std::size_t lineStart = pending.rfind('\n');
  std::string line = pending.substr(lineStart == std::string::npos ? 0 : lineStart + 1);
  for (const char* name : {"User", "Domain", "Password"})
    if (line.rfind(name, 0) == 0) return name;
  return {};
}

// The answers to gio's questions for one mount. Each question is answered
// once; gio asks again after a refused login, and the second question is
// answered with end of input, which ends the attempt.
class LoginAnswers {
 public:
  // "DOMAIN\user" gives both; no user name gives `defaultUser`.
  LoginAnswers(const std::string& userName, const std::string& password,
               const std::string& defaultUser)
      : user_(userName), password_(password) {
    if (std::size_t cut = user_.find('\\'); cut != std::string::npos) {
      domain_ = user_.substr(0, cut);
      user_ = user_.substr(cut + 1);
    }
    if (user_.empty()) user_ = defaultUser.empty() ? LoggedOnUser() : defaultUser;
  }

  ChildReply Answer(const std::string& pending) {
    std::string prompt = PromptOf(pending);
    if (prompt.empty()) return {};
    bool& asked = prompt == "User"     ? askedUser_
                  : prompt == "Domain" ? askedDomain_
                                       : askedPassword_;
    if (asked) {
      refused_ = true;
      return {ChildReply::kCloseInput, {}};
    }
    asked = true;
    // An empty answer takes gio's default (shown in brackets).
    if (prompt == "User") return {ChildReply::kAnswer, user_};
    if (prompt == "Domain") return {ChildReply::kAnswer, domain_};
    return {ChildReply::kAnswer, password_};
  }

  // gio asked a question a second time: the login was refused.
  bool refused() const { return refused_; }

 private:
  std::string user_, domain_, password_;
  bool askedUser_ = false, askedDomain_ = false, askedPassword_ = false, refused_ = false;
};

}  // namespace

GvfsConnections::GvfsConnections(GvfsOptions options) : options_(std::move(options)) {
  driveFolder_ = options_.driveFolder;
  if (driveFolder_.empty()) {
    const char* home = std::getenv("HOME");
    std::string base = home && *home ? home : "";
    if (base.empty()) {
      passwd pw{};
      passwd* found = nullptr;
      char buffer[4096];
      if (getpwuid_r(geteuid(), &pw, buffer, sizeof buffer, &found) == 0 && found)
        base = found->pw_dir;
    }
    driveFolder_ = base + "/Network Drives";
  }
  while (driveFolder_.size() > 1 && driveFolder_.back() == '/') driveFolder_.pop_back();
  gioPath_ = FindProgram(options_.gioProgram);
}

bool GvfsConnections::RemoteNameToUri(const std::string& remoteName, std::string& uri) {
  if (remoteName.size() < 5 || remoteName[0] != '\\' || remoteName[1] != '\\') return false;
  std::size_t cut = remoteName.find('\\', 2);
  if (cut == std::string::npos) return false;
  std::string server = remoteName.substr(2, cut - 2);
  std::string share = remoteName.substr(cut + 1);
  if (server.empty() || share.empty()) return false;
  // One share, not a folder inside it; no control characters anywhere.
  for (const std::string* part : {&server, &share})
    for (unsigned char c : *part)
      if (c < 0x20 || c == 0x7f || c == '\\' || c == '/') return false;
  uri = "smb://" + PercentEncode(server) + "/" + PercentEncode(share);
  return true;
}

std::string GvfsConnections::UriWithUser(const std::string& uri, const std::string& userName) {
  static const std::string kScheme = "smb://";
  if (userName.empty() || uri.compare(0, kScheme.size(), kScheme) != 0) return uri;
  std::string user = userName;
  std::string domain;
  if (std::size_t cut = user.find('\\'); cut != std::string::npos) {
    domain = user.substr(0, cut);
    user = user.substr(cut + 1);
  }
  if (user.empty()) return uri;
  std::string who =
      domain.empty() ? PercentEncode(user) : PercentEncode(domain) + ";" + PercentEncode(user);
  return kScheme + who + "@" + uri.substr(kScheme.size());
}

ConnectionResult GvfsConnections::MountFailure(const std::string& errors) {
  std::string text;
  for (char c : errors) text += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  auto says = [&text](std::initializer_list<const char*> phrases) {
    for (const char* phrase : phrases)
      if (text.find(phrase) != std::string::npos) return true;
    return false;
  };
  // gio's last words, "gio: smb://...: Failed to mount Windows share: <why>",
  // <why> being the system's text for the SMB client's error.
  if (says({"protocol"})) return ConnectionResult::kProtocolRefused;
  if (says({"guest"})) return ConnectionResult::kGuestRefused;
  if (says({"permission denied", "access denied", "logon failure"}))
    return ConnectionResult::kLoginRefused;
  if (says({"timed out", "no route to host", "host is down", "network is unreachable",
            "connection refused", "name or service not known", "failed to retrieve share list"}))
    return ConnectionResult::kServerUnreachable;
  if (says({"no such file or directory", "not found", "does not exist"}))
    return ConnectionResult::kShareNotFound;
  return ConnectionResult::kFailed;
}

bool GvfsConnections::ParseMountName(const std::string& path, std::string& server,
                                     std::string& share) {
  std::size_t slash = path.rfind('/');
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  static const std::string kPrefix = "smb-share:";
  if (name.compare(0, kPrefix.size(), kPrefix) != 0) return false;
  std::string keys = name.substr(kPrefix.size());
  server.clear();
  share.clear();
  std::size_t start = 0;
  while (start <= keys.size()) {
    std::size_t end = keys.find(',', start);
    if (end == std::string::npos) end = keys.size();
    std::string pair = keys.substr(start, end - start);
    std::size_t eq = pair.find('=');
    if (eq != std::string::npos) {
      std::string key = pair.substr(0, eq);
      std::string value = PercentDecode(pair.substr(eq + 1));
      if (key == "server") server = value;
      if (key == "share") share = value;
    }
    start = end + 1;
  }
  return !server.empty() && !share.empty();
}

std::string GvfsConnections::LinkPath(char letter) const {
  return driveFolder_ + "/" + std::string(1, letter);
}

bool GvfsConnections::ReadDriveLink(char letter, std::string& target, std::string& server,
                                    std::string& share) const {
  struct stat st {};
  std::string link = LinkPath(letter);
  if (lstat(link.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return false;
  target = ReadLink(link);
  return !target.empty() && ParseMountName(target, server, share);
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

ChildResult GvfsConnections::Gio(const std::vector<std::string>& args,
                                 const std::function<ChildReply(const std::string&)>& converse) {
  std::vector<std::string> argv{gioPath_};
  argv.insert(argv.end(), args.begin(), args.end());
  std::function<void()> keepAlive;
  if (waitHook_) keepAlive = [this] { waitHook_->KeepAlive(); };
  return RunChild(argv, kGioEnvironment, options_.timeoutMillis, converse, keepAlive);
}

bool GvfsConnections::LocalPathOf(const std::string& uri, std::string& path) {
  if (gioPath_.empty()) return false;
  ChildResult run = Gio({"info", uri + "/"});
  if (run.exitCode != 0) return false;
  static const std::string kKey = "local path: ";
  std::size_t at = run.output.find("\n" + kKey);
  if (at == std::string::npos) {
    if (run.output.compare(0, kKey.size(), kKey) != 0) return false;
    at = 0;
  } else {
    at += 1;
  }
  std::size_t end = run.output.find('\n', at);
  path = run.output.substr(at + kKey.size(),
                           end == std::string::npos ? std::string::npos : end - at - kKey.size());
  return !path.empty() && path[0] == '/';
}

ConnectionResult GvfsConnections::GetConnection(const std::string& localName,
                                                std::string& remoteName) {
  char letter = LetterOf(localName);
  if (!letter) return ConnectionResult::kNoSuchLetter;
  std::string target, server, share;
  if (!ReadDriveLink(letter, target, server, share)) return ConnectionResult::kNotConnected;
  remoteName = "\\\\" + server + "\\" + share;
  return MountIsLive(target) ? ConnectionResult::kDone : ConnectionResult::kUnavailable;
}

ConnectionResult GvfsConnections::Mount(const std::string& uri, const std::string& password,
                                        const std::string& userName, std::string& mountPath,
                                        bool& mountedHere) {
  mountedHere = false;
  if (gioPath_.empty()) return ConnectionResult::kShareNotFound;
  LoginAnswers answers(userName, password, options_.defaultUser);

  if (LocalPathOf(uri, mountPath)) return ConnectionResult::kDone;
  ChildResult run = Gio({"mount", uri},
                        [&answers](const std::string& pending) { return answers.Answer(pending); });
  if (run.exitCode != 0) {
    if (answers.refused()) return ConnectionResult::kLoginRefused;
    // A mount that is already there (made by another program meanwhile)
    // is used as it is.
    return LocalPathOf(uri, mountPath) ? ConnectionResult::kDone : MountFailure(run.errors);
  }
  mountedHere = true;
  if (!LocalPathOf(uri, mountPath)) {
    // Mounted, but not shown as files (gvfsd-fuse is not running): a
    // letter could not reach it.
    Gio({"mount", "-u", uri});
    mountedHere = false;
    return ConnectionResult::kFailed;
  }
  AwaitFuseView(mountPath);
  return ConnectionResult::kDone;
}

void GvfsConnections::AwaitFuseView(const std::string& mountPath) {
  // gio reports the fuse path as soon as the mount exists, but gvfsd-fuse
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
    std::string otherTarget, server, share;
    if (other != exceptLetter && ReadDriveLink(other, otherTarget, server, share) &&
        otherTarget == mountPath)
      return true;
  }
  for (const Deviceless& d : deviceless_)
    if (d.mountPath == mountPath) return true;
  return false;
}

std::string GvfsConnections::LoginUser(const std::string& userName) const {
  std::size_t cut = userName.find('\\');
  std::string user = cut == std::string::npos ? userName : userName.substr(cut + 1);
  if (!user.empty()) return userName;
  std::string domain = cut == std::string::npos ? "" : userName.substr(0, cut + 1);
  return domain + (options_.defaultUser.empty() ? LoggedOnUser() : options_.defaultUser);
}

ConnectionResult GvfsConnections::AddConnection(const std::string& localName,
                                                const std::string& remoteName,
                                                const std::string& password,
                                                const std::string& userName, unsigned /*flags*/) {
  // The link is both the connection and its memory: it is made whatever the
  // flags say, and stays until the letter is disconnected.
  char letter = LetterOf(localName);
  if (!letter && !localName.empty()) return ConnectionResult::kNoSuchLetter;
  std::string uri;
  if (!RemoteNameToUri(remoteName, uri)) return ConnectionResult::kShareNotFound;
  // Every mount is made under the user name it logs in with (the logged-on
  // user's when none is given): a mount of the share under another identity
  // (the file manager's, as guest, say) is never taken for this one.
  uri = UriWithUser(uri, LoginUser(userName));
  // Each answer is one line of gio's standard input; a line break inside one
  // would answer the next question.
  if (HasLineBreakOrNul(password) || HasLineBreakOrNul(userName))
    return ConnectionResult::kLoginRefused;
  std::string link = letter ? LinkPath(letter) : std::string();
  struct stat st {};
  if (letter && lstat(link.c_str(), &st) == 0) return ConnectionResult::kLetterInUse;

  std::string mountPath;
  bool mountedHere = false;
  ConnectionResult result = Mount(uri, password, userName, mountPath, mountedHere);
  if (result != ConnectionResult::kDone) return result;
  if (!letter) {
    deviceless_.push_back(Deviceless{remoteName, mountPath, mountedHere});
    return ConnectionResult::kDone;
  }

  mkdir(driveFolder_.c_str(), 0700);
  if (symlink(mountPath.c_str(), link.c_str()) != 0) {
    int error = errno;
    if (mountedHere) Gio({"mount", "-u", uri});
    return error == EEXIST ? ConnectionResult::kLetterInUse : ConnectionResult::kFailed;
  }
  return ConnectionResult::kDone;
}

ConnectionResult GvfsConnections::CancelConnection(const std::string& localName, unsigned /*flags*/,
                                                   bool force) {
  if (localName.rfind("\\\\", 0) == 0) {
    // The connections to that share without a letter; a mount one of them
    // made goes with them unless a letter or another such connection holds
    // it.
    std::vector<Deviceless> dropped;
    std::erase_if(deviceless_, [&](const Deviceless& d) {
      if (!EqualsIgnoringCase(d.remoteName, localName)) return false;
      dropped.push_back(d);
      return true;
    });
    if (dropped.empty()) return ConnectionResult::kNotConnected;
    for (const Deviceless& d : dropped) {
      if (d.mountedHere && !MountHeld(d.mountPath, 0) && MountIsLive(d.mountPath) &&
          !FilesOpenBelow(d.mountPath) && !gioPath_.empty())
        Gio({"mount", "-u", d.mountPath});
    }
    return ConnectionResult::kDone;
  }
  char letter = LetterOf(localName);
  if (!letter) return ConnectionResult::kNoSuchLetter;
  std::string target, server, share;
  if (!ReadDriveLink(letter, target, server, share)) return ConnectionResult::kNotConnected;

  // The mount goes with its last letter; a letter that shares it with
  // another, or with a connection without a letter, only loses its link.
  if (!MountHeld(target, letter) && MountIsLive(target)) {
    if (!force && FilesOpenBelow(target)) return ConnectionResult::kFilesOpen;
    if (!gioPath_.empty()) {
      ChildResult run = Gio({"mount", "-u", target});
      if (run.exitCode != 0 && !force && MountIsLive(target)) return ConnectionResult::kFilesOpen;
    }
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

}  // namespace tessavue
