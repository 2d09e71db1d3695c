#include "winsock_network.h"

// clang-format off
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
// clang-format on

#include <cstring>

namespace tessavue {

namespace {

in_addr ToInAddr(const Ipv4Address& a) {
  in_addr out{};
  std::memcpy(&out.s_addr, a.octet, 4);
  return out;
}

SOCKET AsSocket(std::uintptr_t s) { return static_cast<SOCKET>(s); }

void CloseOne(std::uintptr_t& s, std::uintptr_t none) {
  if (s != none) closesocket(AsSocket(s));
  s = none;
}

using RtlGenRandomFn = BOOLEAN(WINAPI*)(PVOID, ULONG);
using CryptAcquireContextFn = BOOL(WINAPI*)(ULONG_PTR*, LPCSTR, LPCSTR, DWORD, DWORD);
using CryptGenRandomFn = BOOL(WINAPI*)(ULONG_PTR, DWORD, BYTE*);
using CryptReleaseContextFn = BOOL(WINAPI*)(ULONG_PTR, DWORD);

template <typename F>
F Lookup(HMODULE module, const char* name) {
  return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

bool SystemRandom(std::uint8_t* out, std::size_t length) {
  HMODULE advapi = LoadLibraryA("advapi32.dll");
  if (advapi == nullptr) return false;
  bool ok = false;
  if (auto rtlGenRandom = Lookup<RtlGenRandomFn>(advapi, "SystemFunction036")) {
    ok = rtlGenRandom(out, static_cast<ULONG>(length)) != 0;
  }
  if (!ok) {
    auto acquire = Lookup<CryptAcquireContextFn>(advapi, "CryptAcquireContextA");
    auto generate = Lookup<CryptGenRandomFn>(advapi, "CryptGenRandom");
    auto release = Lookup<CryptReleaseContextFn>(advapi, "CryptReleaseContext");
    ULONG_PTR provider = 0;
    if (acquire != nullptr && generate != nullptr && release != nullptr &&
        acquire(&provider, nullptr, nullptr, 1 /* PROV_RSA_FULL */,
                0xF0000000 /* CRYPT_VERIFYCONTEXT */)) {
      ok = generate(provider, static_cast<DWORD>(length), out) != 0;
      release(provider, 0);
    }
  }
  FreeLibrary(advapi);
  return ok;
}

}  // namespace

// Its own Close: a destructor cannot reach an override.
WinsockNetwork::~WinsockNetwork() { WinsockNetwork::Close(); }

bool WinsockNetwork::Startup() {
  WSADATA data;
  return WSAStartup(0x0101, &data) == 0;
}

void WinsockNetwork::Cleanup() { WSACleanup(); }

bool WinsockNetwork::LocalAddresses(std::vector<Ipv4Address>& addresses) {
  addresses.clear();
  if (options_.localAddress) {
    addresses.push_back(*options_.localAddress);
    return true;
  }
  char name[128] = {};
  if (gethostname(name, sizeof name) != 0) return false;
  hostent* host = gethostbyname(name);
  if (host == nullptr || host->h_addr_list == nullptr || host->h_addr_list[0] == nullptr ||
      host->h_length != 4)
    return false;
  // The host's addresses in the system's order, the first first: a
  // workstation with one network keeps the address it always had. Loopback
  // and 0.0.0.0 are no interface's: a workstation with no network gets
  // loopback alone here, and then has no address to search on.
  for (int i = 0; host->h_addr_list[i] != nullptr && i < 64; ++i) {
    Ipv4Address a;
    std::memcpy(a.octet, host->h_addr_list[i], 4);
    if (a.octet[0] == 0 || a.octet[0] == 127) continue;
    bool seen = false;
    for (const Ipv4Address& b : addresses) seen = seen || a == b;
    if (!seen) addresses.push_back(a);
  }
  return !addresses.empty();
}

namespace {

// The port `s` is bound to; 0 when the system cannot say.
std::uint16_t BoundPortOf(SOCKET s) {
  sockaddr_in bound{};
  int boundLength = sizeof bound;
  if (getsockname(s, reinterpret_cast<sockaddr*>(&bound), &boundLength) != 0) return 0;
  return ntohs(bound.sin_port);
}

// Joins the group on the receive socket `s` of the interface `local`, with
// multicast loop-back off. One interface (`onlyOne`): the group joined on
// any interface, as it always was. Several: each socket joins on its own.
void JoinGroupOn(SOCKET s, const Ipv4Address& local, bool onlyOne) {
  ip_mreq membership{};
  membership.imr_multiaddr.s_addr = inet_addr(kGroupAddressText);
  membership.imr_interface = onlyOne ? in_addr{} : ToInAddr(local);
  setsockopt(s, IPPROTO_IP, IP_ADD_MEMBERSHIP, reinterpret_cast<const char*>(&membership),
             sizeof membership);
  const DWORD loop = 0;
  setsockopt(s, IPPROTO_IP, IP_MULTICAST_LOOP, reinterpret_cast<const char*>(&loop), sizeof loop);
}

}  // namespace

bool WinsockNetwork::OpenInterfaces(const std::vector<Ipv4Address>& locals) {
  Close();
  SOCKET send = socket(AF_INET, SOCK_DGRAM, 0);
  sendSocket_ = send == INVALID_SOCKET ? kNoSocket : static_cast<std::uintptr_t>(send);
  if (sendSocket_ == kNoSocket) return false;
  locals_ = locals;
  bool ok = true;
  for (const Ipv4Address& local : locals_) {
    bool bound = false;
    const std::uintptr_t receive = OpenReceiveSocket(local, bound);
    if (receive == kNoSocket) {
      ok = false;
      continue;
    }
    receiveSockets_.push_back(receive);
    ok = ok && bound;
    if (boundPort_ == 0) boundPort_ = BoundPortOf(AsSocket(receive));
    JoinGroupOn(AsSocket(receive), local, locals_.size() == 1);
  }
  const DWORD loop = 0;
  setsockopt(send, IPPROTO_IP, IP_MULTICAST_LOOP, reinterpret_cast<const char*>(&loop),
             sizeof loop);
  return ok;
}

std::uintptr_t WinsockNetwork::OpenReceiveSocket(const Ipv4Address& local, bool& bound) {
  bound = false;
  SOCKET receive = socket(AF_INET, SOCK_DGRAM, 0);
  if (receive == INVALID_SOCKET) return kNoSocket;
  const BOOL on = TRUE;
  const int wanted = options_.receiveBufferBytes;
  setsockopt(receive, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&on), sizeof on);
  setsockopt(receive, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&wanted), sizeof wanted);
  // Receive reads without asking select first: under Wine every select is
  // a trip to the wineserver, and a burst of replies overflows the buffer
  // while the program makes them.
  u_long nonBlocking = 1;
  ioctlsocket(receive, FIONBIO, &nonBlocking);
  sockaddr_in bindAddress{};
  bindAddress.sin_family = AF_INET;
  bindAddress.sin_port = htons(options_.receivePort);
  bindAddress.sin_addr = ToInAddr(local);
  bound = bind(receive, reinterpret_cast<sockaddr*>(&bindAddress), sizeof bindAddress) == 0;
  return static_cast<std::uintptr_t>(receive);
}

bool WinsockNetwork::RouteSource(const Ipv4Address& to, Ipv4Address& source) {
  SOCKET probe = socket(AF_INET, SOCK_DGRAM, 0);
  if (probe == INVALID_SOCKET) return false;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(kProtocolPort);
  address.sin_addr = ToInAddr(to);
  bool ok = false;
  if (connect(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
    sockaddr_in self{};
    int length = sizeof self;
    if (getsockname(probe, reinterpret_cast<sockaddr*>(&self), &length) == 0) {
      std::memcpy(source.octet, &self.sin_addr.s_addr, 4);
      ok = source.octet[0] != 0 && source.octet[0] != 127;
    }
  }
  closesocket(probe);
  return ok;
}

SendResult WinsockNetwork::SendToAddress(const Ipv4Address& to, const std::uint8_t* data,
                                         std::size_t length) {
  if (sendSocket_ == kNoSocket) return SendResult::kNotOpen;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(options_.destinationPort);
  address.sin_addr = ToInAddr(to);
  if (sendto(AsSocket(sendSocket_), reinterpret_cast<const char*>(data), static_cast<int>(length),
             0, reinterpret_cast<sockaddr*>(&address), sizeof address) != SOCKET_ERROR)
    return SendResult::kSent;
  switch (WSAGetLastError()) {
    case WSAEACCES: return SendResult::kDenied;
    case WSAENETUNREACH:
    case WSAEHOSTUNREACH:
    case WSAENETDOWN:
    case WSAEHOSTDOWN: return SendResult::kUnreachable;
    case WSAENOBUFS:
    case WSAEWOULDBLOCK: return SendResult::kBufferFull;
    default: return SendResult::kFailed;
  }
}

bool WinsockNetwork::LocalBroadcasts(std::vector<Ipv4Address>& addresses) {
  addresses.clear();
  SOCKET probe = socket(AF_INET, SOCK_DGRAM, 0);
  if (probe == INVALID_SOCKET) return false;
  INTERFACE_INFO list[32];
  DWORD bytes = 0;
  const bool ok = WSAIoctl(probe, SIO_GET_INTERFACE_LIST, nullptr, 0, list, sizeof list, &bytes,
                           nullptr, nullptr) == 0;
  closesocket(probe);
  if (!ok) return false;
  // The system's broadcast field is often 255.255.255.255: the directed
  // broadcast is made from the address and its netmask.
  for (DWORD i = 0; i < bytes / sizeof list[0]; ++i) {
    if ((list[i].iiFlags & IFF_BROADCAST) == 0) continue;
    const std::uint32_t a = list[i].iiAddress.AddressIn.sin_addr.s_addr;
    const std::uint32_t m = list[i].iiNetmask.AddressIn.sin_addr.s_addr;
    const std::uint32_t b = a | ~m;
    Ipv4Address broadcast;
    std::memcpy(broadcast.octet, &b, 4);
    bool seen = false;
    for (const Ipv4Address& x : addresses) seen = seen || x == broadcast;
    if (!seen) addresses.push_back(broadcast);
  }
  return true;
}

void WinsockNetwork::HearUnicastAt(const std::vector<Ipv4Address>& addresses) {
  std::vector<Ipv4Address> wanted;
  for (const Ipv4Address& a : addresses) {
    bool have = false;
    for (const Ipv4Address& l : locals_) have = have || l == a;
    if (!have) wanted.push_back(a);
  }
  if (wanted == beyond_) return;
  for (std::uintptr_t& s : beyondSockets_) CloseOne(s, kNoSocket);
  beyondSockets_.clear();
  beyond_ = wanted;
  if (sendSocket_ == kNoSocket) return;
  for (const Ipv4Address& a : beyond_) {
    bool bound = false;
    const std::uintptr_t s = OpenReceiveSocket(a, bound);
    if (s != kNoSocket) beyondSockets_.push_back(s);
  }
  nextReceive_ = 0;
}

std::vector<std::uintptr_t> WinsockNetwork::AllReceiveSockets() const {
  std::vector<std::uintptr_t> all = receiveSockets_;
  all.insert(all.end(), beyondSockets_.begin(), beyondSockets_.end());
  return all;
}

void WinsockNetwork::Close() {
  CloseOne(sendSocket_, kNoSocket);
  for (std::uintptr_t& s : receiveSockets_) CloseOne(s, kNoSocket);
  receiveSockets_.clear();
  for (std::uintptr_t& s : beyondSockets_) CloseOne(s, kNoSocket);
  beyondSockets_.clear();
  beyond_.clear();
  locals_.clear();
  sendInterface_ = -1;
  nextReceive_ = 0;
  boundPort_ = 0;
}

void WinsockNetwork::SendToGroupOn(std::size_t via, const std::uint8_t* data, std::size_t length) {
  if (sendSocket_ == kNoSocket || via >= locals_.size()) return;
  // One interface: the system's choice, as it always was.
  if (locals_.size() > 1 && sendInterface_ != static_cast<long>(via)) {
    const in_addr out = ToInAddr(locals_[via]);
    setsockopt(AsSocket(sendSocket_), IPPROTO_IP, IP_MULTICAST_IF,
               reinterpret_cast<const char*>(&out), sizeof out);
    sendInterface_ = static_cast<long>(via);
  }
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(options_.destinationPort);
  to.sin_addr = ToInAddr(options_.destination);
  sendto(AsSocket(sendSocket_), reinterpret_cast<const char*>(data), static_cast<int>(length), 0,
         reinterpret_cast<sockaddr*>(&to), sizeof to);
}

bool WinsockNetwork::WaitReadable(std::int64_t timeoutMicros) {
  if (timeoutMicros < 0) timeoutMicros = 0;
  const std::vector<std::uintptr_t> sockets = AllReceiveSockets();
  if (sockets.empty()) {
    Sleep(static_cast<DWORD>((timeoutMicros + 999) / 1000));
    return false;
  }
  fd_set readable;
  readable.fd_count = 0;
  for (std::uintptr_t s : sockets) {
    if (readable.fd_count == FD_SETSIZE) break;
    readable.fd_array[readable.fd_count++] = static_cast<SOCKET>(s);
  }
  timeval timeout;
  timeout.tv_sec = static_cast<long>(timeoutMicros / 1000000);
  timeout.tv_usec = static_cast<long>(timeoutMicros % 1000000);
  return select(0, &readable, nullptr, nullptr, &timeout) > 0;
}

int WinsockNetwork::Receive(std::uint8_t* buffer, std::size_t capacity) {
  const std::vector<std::uintptr_t> sockets = AllReceiveSockets();
  // The sockets do not block: each is tried in turn, from the one after the
  // last that gave a datagram, so that no interface starves the others.
  const std::size_t count = sockets.size();
  for (std::size_t k = 0; k < count; ++k) {
    const std::size_t i = (nextReceive_ + k) % count;
    sockaddr_in from{};
    int fromLength = sizeof from;
    int n =
        recvfrom(AsSocket(sockets[i]), reinterpret_cast<char*>(buffer), static_cast<int>(capacity),
                 0, reinterpret_cast<sockaddr*>(&from), &fromLength);
    if (n == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK) continue;
    nextReceive_ = (i + 1) % count;
    // SOCKET_ERROR covers WSAEMSGSIZE: a datagram that did not fit.
    if (n == SOCKET_ERROR || n < 0 || static_cast<std::size_t>(n) > capacity) return -1;
    return n;
  }
  return -1;
}

void WinsockNetwork::FillRandom(std::uint8_t* out, std::size_t length) {
  if (SystemRandom(out, length)) return;
  // Neither source exists (Windows 95 without the crypto provider): mix the
  // counters the system has.
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  std::uint64_t state = static_cast<std::uint64_t>(counter.QuadPart) ^
                        static_cast<std::uint64_t>(GetTickCount()) << 32 ^ GetCurrentProcessId();
  for (std::size_t i = 0; i < length; ++i) {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    out[i] = static_cast<std::uint8_t>(state >> 56);
  }
}

}  // namespace tessavue
