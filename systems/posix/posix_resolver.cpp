#include "posix_resolver.h"

#include <netdb.h>
#include <sys/socket.h>

namespace tessavue {

bool PosixNameResolver::Resolves(const std::string& name) {
  if (name.empty()) return false;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0) return false;
  freeaddrinfo(found);
  return true;
}

}  // namespace tessavue
