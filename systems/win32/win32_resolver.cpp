#include "win32_resolver.h"

#include <winsock2.h>

namespace tessavue::win32 {

bool Win32NameResolver::Resolves(const std::string& name) {
  if (name.empty()) return false;
  // Winsock counts its starts: this one neither depends on nor disturbs the
  // transport's.
  WSADATA data;
  if (::WSAStartup(MAKEWORD(1, 1), &data) != 0) return false;
  const hostent* host = ::gethostbyname(name.c_str());
  const bool found = host != nullptr && host->h_addrtype == AF_INET &&
                     host->h_addr_list != nullptr && host->h_addr_list[0] != nullptr;
  ::WSACleanup();
  return found;
}

}  // namespace tessavue::win32
