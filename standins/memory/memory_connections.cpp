#include "memory_connections.h"

#include <cctype>
#include <optional>

#include "remote_name.h"

namespace tessavue {

MemoryConnections::MemoryConnections() {
  letters_[0].type = kDriveRemovable;
  letters_[2].type = kDriveFixed;
}

int MemoryConnections::LetterIndex(const std::string& localName) {
  if (localName.size() != 2 || localName[1] != ':') return -1;
  int c = std::toupper(static_cast<unsigned char>(localName[0]));
  if (c < 'A' || c > 'Z') return -1;
  return c - 'A';
}

const MemoryConnections::Share* MemoryConnections::FindShare(const std::string& remoteName) const {
  std::optional<RemoteName> name = RemoteName::Parse(remoteName);
  if (!name) return nullptr;
  for (const Share& s : shares_) {
    if (EqualsIgnoringCase(s.server, name->server) && EqualsIgnoringCase(s.share, name->share))
      return &s;
  }
  return nullptr;
}

ConnectionResult MemoryConnections::GetConnection(const std::string& localName,
                                                  std::string& remoteName) {
  calls.push_back("get " + localName);
  remoteName.clear();
  int i = LetterIndex(localName);
  if (i < 0) return ConnectionResult::kNoSuchLetter;
  const Letter& l = letters_[i];
  if (l.current) {
    remoteName = *l.current;
    return ConnectionResult::kDone;
  }
  if (l.remembered) {
    remoteName = *l.remembered;
    return ConnectionResult::kUnavailable;
  }
  return ConnectionResult::kNotConnected;
}

std::string MemoryConnections::SessionUser(const std::string& server) const {
  auto onServer = [&](const std::string& remoteName) {
    std::optional<RemoteName> other = RemoteName::Parse(remoteName);
    return other && EqualsIgnoringCase(other->server, server);
  };
  for (const Letter& l : letters_) {
    if (l.current && !l.userName.empty() && onServer(*l.current)) return l.userName;
  }
  for (const Letterless& d : letterless_) {
    if (!d.userName.empty() && onServer(d.remoteName)) return d.userName;
  }
  return {};
}

ConnectionResult MemoryConnections::CheckAccess(const std::string& remoteName,
                                                const std::string& password,
                                                const std::string& userName) const {
  std::optional<RemoteName> name = RemoteName::Parse(remoteName);
  if (name) {
    for (const auto& [refusing, result] : refusals_)
      if (EqualsIgnoringCase(refusing, name->server)) return result;
  }
  const Share* s = FindShare(remoteName);
  if (!s) return ConnectionResult::kShareNotFound;
  // One user name per server at a time, over every connection to it; Windows
  // says so before it looks at the password.
  std::string sessionUser = SessionUser(name->server);
  if (!userName.empty() && !sessionUser.empty() && !EqualsIgnoringCase(sessionUser, userName))
    return ConnectionResult::kOtherCredentialsInUse;
  if (!s->userName.empty() &&
      (!EqualsIgnoringCase(s->userName, userName) || s->password != password)) {
    return ConnectionResult::kLoginRefused;
  }
  return ConnectionResult::kDone;
}

ConnectionResult MemoryConnections::AddConnection(const std::string& localName,
                                                  const std::string& remoteName,
                                                  const std::string& password,
                                                  const std::string& userName, unsigned flags) {
  calls.push_back("add " + (localName.empty() ? std::string("-") : localName) + " " + remoteName +
                  " user=" + userName + " flags=" + std::to_string(flags));
  lastUserName = userName;
  lastPassword = password;
  if (localName.empty()) {
    ConnectionResult access = CheckAccess(remoteName, password, userName);
    if (access != ConnectionResult::kDone) return access;
    // The same share again is the same connection.
    if (!ConnectedWithoutLetter(remoteName))
      letterless_.push_back(Letterless{remoteName, userName});
    return ConnectionResult::kDone;
  }
  return AddToLetter(localName, remoteName, password, userName, flags);
}

ConnectionResult MemoryConnections::AddToLetter(const std::string& localName,
                                                const std::string& remoteName,
                                                const std::string& password,
                                                const std::string& userName, unsigned flags) {
  int i = LetterIndex(localName);
  if (i < 0) return ConnectionResult::kNoSuchLetter;
  Letter& l = letters_[i];
  if (l.current || (l.type != kDriveNoRootDir && l.type != kDriveUnknown)) {
    return ConnectionResult::kLetterInUse;
  }
  if ((flags & kConnectUpdateProfile) && l.remembered) return ConnectionResult::kLetterInUse;
  ConnectionResult access = CheckAccess(remoteName, password, userName);
  if (access != ConnectionResult::kDone) return access;
  l.current = remoteName;
  l.userName = userName;
  if (flags & kConnectUpdateProfile) l.remembered = remoteName;
  return ConnectionResult::kDone;
}

ConnectionResult MemoryConnections::CancelConnection(const std::string& localName, unsigned flags,
                                                     bool force) {
  calls.push_back("cancel " + localName + " flags=" + std::to_string(flags) +
                  " force=" + (force ? "1" : "0"));
  if (RemoteName::IsRemoteNameText(localName)) {
    std::size_t before = letterless_.size();
    std::erase_if(letterless_,
                  [&](const Letterless& d) { return EqualsIgnoringCase(d.remoteName, localName); });
    return letterless_.size() < before ? ConnectionResult::kDone : ConnectionResult::kNotConnected;
  }
  int i = LetterIndex(localName);
  if (i < 0) return ConnectionResult::kNotConnected;
  Letter& l = letters_[i];
  if (!l.current && !(l.remembered && (flags & kConnectUpdateProfile)))
    return ConnectionResult::kNotConnected;
  if (l.current && l.openFiles && !force) return ConnectionResult::kFilesOpen;
  l.current.reset();
  l.userName.clear();
  l.openFiles = false;
  if (flags & kConnectUpdateProfile) l.remembered.reset();
  return ConnectionResult::kDone;
}

ConnectionResult MemoryConnections::Reconnect(const std::string& localName,
                                              const std::string& remoteName) {
  calls.push_back("reconnect " + localName + " " + remoteName);
  // The credentials the system holds: those of a connection to the server
  // that is still up; without one, the logged-on user's, which a share that
  // takes one user name only refuses.
  std::optional<RemoteName> name = RemoteName::Parse(remoteName);
  if (!name) return ConnectionResult::kShareNotFound;
  std::string user = SessionUser(name->server);
  const Share* s = FindShare(remoteName);
  if (s && !s->userName.empty() && !EqualsIgnoringCase(s->userName, user))
    return ConnectionResult::kLoginRefused;
  return AddToLetter(localName, remoteName, s ? s->password : "", user, kConnectUpdateProfile);
}

bool MemoryConnections::ConnectedWithoutLetter(const std::string& remoteName) {
  for (const Letterless& d : letterless_)
    if (EqualsIgnoringCase(d.remoteName, remoteName)) return true;
  return false;
}

unsigned MemoryConnections::GetDriveType(const std::string& localName) {
  calls.push_back("type " + localName);
  int i = LetterIndex(localName);
  if (i < 0) return kDriveNoRootDir;
  return letters_[i].current ? static_cast<unsigned>(kDriveRemote) : letters_[i].type;
}

void MemoryConnections::SetDriveType(char letter, unsigned type) {
  int i = LetterIndex(std::string(1, letter) + ":");
  if (i >= 0) letters_[i].type = type;
}

void MemoryConnections::AddShare(const std::string& server, const std::string& share,
                                 const std::string& userName, const std::string& password) {
  shares_.push_back(Share{server, share, userName, password});
}

void MemoryConnections::RemoveShare(const std::string& server, const std::string& share) {
  std::erase_if(shares_, [&](const Share& s) {
    return EqualsIgnoringCase(s.server, server) && EqualsIgnoringCase(s.share, share);
  });
}

void MemoryConnections::MapOutside(char letter, const std::string& remoteName) {
  int i = LetterIndex(std::string(1, letter) + ":");
  if (i < 0) return;
  letters_[i].current = remoteName;
  letters_[i].remembered = remoteName;
}

void MemoryConnections::Remember(char letter, const std::string& remoteName) {
  int i = LetterIndex(std::string(1, letter) + ":");
  if (i >= 0) letters_[i].remembered = remoteName;
}

void MemoryConnections::SetServerRefusal(const std::string& server, ConnectionResult result) {
  std::erase_if(refusals_, [&](const auto& r) { return EqualsIgnoringCase(r.first, server); });
  if (result != ConnectionResult::kDone) refusals_.emplace_back(server, result);
}

void MemoryConnections::SetOpenFiles(char letter, bool open) {
  int i = LetterIndex(std::string(1, letter) + ":");
  if (i >= 0) letters_[i].openFiles = open;
}

std::optional<std::string> MemoryConnections::Connection(char letter) const {
  int i = LetterIndex(std::string(1, letter) + ":");
  if (i < 0) return std::nullopt;
  return letters_[i].current;
}

void MemoryConnections::SetConnectionUser(char letter, const std::string& userName) {
  int i = LetterIndex(std::string(1, letter) + ":");
  if (i >= 0) letters_[i].userName = userName;
}

std::vector<std::string> MemoryConnections::LetterlessConnections() const {
  std::vector<std::string> names;
  for (const Letterless& d : letterless_) names.push_back(d.remoteName);
  return names;
}

bool MemoryConnections::IsRemembered(char letter) const {
  int i = LetterIndex(std::string(1, letter) + ":");
  return i >= 0 && letters_[i].remembered.has_value();
}

}  // namespace tessavue
