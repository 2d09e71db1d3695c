#include "memory_share_mounts.h"

#include <cctype>
#include <filesystem>
#include <system_error>

#include "text.h"

namespace tessavue {
namespace {

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

const char* HowOf(PasswordAnswer answer) {
  switch (answer) {
    case PasswordAnswer::kGiven: return "given";
    case PasswordAnswer::kGivenRemember: return "remember";
    case PasswordAnswer::kKeyringOnly: break;
  }
  return "keyring";
}

}  // namespace

MemoryShareMounts::MemoryShareMounts(std::string root) : root_(std::move(root)) {}

MemoryShareMounts::Key MemoryShareMounts::KeyOf(const std::string& a, const std::string& b,
                                                const std::string& c) {
  return {Lower(a), Lower(b), Lower(c)};
}

std::string MemoryShareMounts::PathOf(const ShareLogin& login) const {
  std::string name = "smb-share:";
  if (!login.domain.empty()) name += "domain=" + PercentEncode(login.domain) + ",";
  name += "server=" + PercentEncode(login.server) + ",share=" + PercentEncode(login.share);
  if (!login.user.empty()) name += ",user=" + PercentEncode(login.user);
  return root_ + "/" + name;
}

bool MemoryShareMounts::Find(const ShareLogin& login, std::string& path) {
  std::string candidate = PathOf(login);
  if (!mounted_.count(candidate)) return false;
  path = candidate;
  return true;
}

bool MemoryShareMounts::LetsIn(const ShareLogin& login, const std::string& password) const {
  auto share = shares_.find(KeyOf(login.server, login.share, ""));
  return share != shares_.end() && Lower(share->second.first) == Lower(login.user) &&
         share->second.second == password;
}

ConnectionResult MemoryShareMounts::Mount(const ShareLogin& login, const std::string& password,
                                          PasswordAnswer answer, std::string& path) {
  calls.push_back("mount " + PathOf(login) + " " + HowOf(answer));
  if (waitHook_) waitHook_->KeepAlive();
  if (Find(login, path)) return ConnectionResult::kDone;
  if (away_.count(Lower(login.server))) return ConnectionResult::kServerUnreachable;
  if (!shares_.count(KeyOf(login.server, login.share, ""))) return ConnectionResult::kShareNotFound;
  Key who = KeyOf(login.user, login.domain, login.server);
  auto kept = keyring_.find(who);
  bool in = kept != keyring_.end() && LetsIn(login, kept->second);
  if (!in) {
    if (answer == PasswordAnswer::kKeyringOnly) return ConnectionResult::kLoginRefused;
    ++answers_;
    if (!LetsIn(login, password)) return ConnectionResult::kLoginRefused;
    if (answer == PasswordAnswer::kGivenRemember) keyring_[who] = password;
  }
  path = PathOf(login);
  std::error_code ignored;
  std::filesystem::create_directories(path, ignored);
  mounted_.insert(path);
  return ConnectionResult::kDone;
}

ConnectionResult MemoryShareMounts::Unmount(const std::string& path, bool force) {
  calls.push_back("unmount " + path + " force=" + (force ? "1" : "0"));
  if (!mounted_.count(path)) return ConnectionResult::kNotConnected;
  if (busy_ && !force) return ConnectionResult::kFilesOpen;
  mounted_.erase(path);
  std::error_code ignored;
  std::filesystem::remove_all(path, ignored);
  return ConnectionResult::kDone;
}

void MemoryShareMounts::AddShare(const std::string& server, const std::string& share,
                                 const std::string& user, const std::string& password) {
  shares_[KeyOf(server, share, "")] = {user, password};
}

void MemoryShareMounts::RemoveShare(const std::string& server, const std::string& share) {
  shares_.erase(KeyOf(server, share, ""));
}

void MemoryShareMounts::SetServerAway(const std::string& server, bool away) {
  if (away) {
    away_.insert(Lower(server));
  } else {
    away_.erase(Lower(server));
  }
}

void MemoryShareMounts::EndSession() {
  std::error_code ignored;
  for (const std::string& path : mounted_) std::filesystem::remove_all(path, ignored);
  mounted_.clear();
}

std::string MemoryShareMounts::KeptPassword(const ShareLogin& login) const {
  auto kept = keyring_.find(KeyOf(login.user, login.domain, login.server));
  return kept == keyring_.end() ? std::string() : kept->second;
}

}  // namespace tessavue
