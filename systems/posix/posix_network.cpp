#include "posix_network.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/random.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>

namespace tessavue {

namespace {

in_addr ToInAddr(const Ipv4Address& a) {
  in_addr out{};
  std::memcpy(&out.s_addr, a.octet, 4);
  return out;
}

Ipv4Address FromInAddr(const in_addr& in) {
  Ipv4Address a;
  std::memcpy(a.octet, &in.s_addr, 4);
  return a;
}

bool IsUsable(const Ipv4Address& a) { return a.octet[0] != 0 && a.octet[0] != 127; }

// The source address the routing table picks for `to`.
bool RouteAddressTo(const in_addr& to, Ipv4Address& address) {
  int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  sockaddr_in group{};
  group.sin_family = AF_INET;
  group.sin_port = htons(kProtocolPort);
  group.sin_addr = to;
  bool ok = false;
  if (connect(fd, reinterpret_cast<sockaddr*>(&group), sizeof group) == 0) {
    sockaddr_in self{};
    socklen_t length = sizeof self;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&self), &length) == 0) {
      address = FromInAddr(self.sin_addr);
      ok = IsUsable(address);
    }
  }
  close(fd);
  return ok;
}

// The source address the routing table picks for the group.
bool RouteAddress(Ipv4Address& address) {
  in_addr group{};
  inet_pton(AF_INET, kGroupAddressText, &group);
  return RouteAddressTo(group, address);
}

// An IPv4 address of an interface, and the system's index of the interface.
struct InterfaceAddress {
  Ipv4Address address;
  unsigned index;
};

// The IPv4 addresses of the interfaces that are up and not loopback, in the
// system's order; only the multicast-capable ones when `multicastOnly`.
std::vector<InterfaceAddress> UpInterfaces(bool multicastOnly) {
  std::vector<InterfaceAddress> found;
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return found;
  for (ifaddrs* i = list; i != nullptr; i = i->ifa_next) {
    if (i->ifa_addr == nullptr || i->ifa_addr->sa_family != AF_INET) continue;
    if ((i->ifa_flags & IFF_UP) == 0 || (i->ifa_flags & IFF_LOOPBACK) != 0) continue;
    if (multicastOnly && (i->ifa_flags & IFF_MULTICAST) == 0) continue;
    Ipv4Address a = FromInAddr(reinterpret_cast<sockaddr_in*>(i->ifa_addr)->sin_addr);
    if (IsUsable(a)) found.push_back({a, if_nametoindex(i->ifa_name)});
  }
  freeifaddrs(list);
  return found;
}

// Index of the interface that holds `address`; 0 when none does.
unsigned InterfaceIndexOf(const Ipv4Address& address) {
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return 0;
  unsigned index = 0;
  for (ifaddrs* i = list; i != nullptr && index == 0; i = i->ifa_next) {
    if (i->ifa_addr == nullptr || i->ifa_addr->sa_family != AF_INET) continue;
    if (FromInAddr(reinterpret_cast<sockaddr_in*>(i->ifa_addr)->sin_addr) == address)
      index = if_nametoindex(i->ifa_name);
  }
  freeifaddrs(list);
  return index;
}

void CloseSocket(int& fd) {
  if (fd >= 0) close(fd);
  fd = -1;
}

}  // namespace

// Its own Close: a destructor cannot reach an override.
PosixNetwork::~PosixNetwork() { PosixNetwork::Close(); }

bool PosixNetwork::LocalAddresses(std::vector<Ipv4Address>& addresses) {
  addresses.clear();
  if (options_.localAddress) {
    addresses.push_back(*options_.localAddress);
    return true;
  }
  Ipv4Address route;
  const bool haveRoute = RouteAddress(route);
  const std::vector<InterfaceAddress> found = UpInterfaces(true);
  // One address per interface: a second address on the same link would
  // only put every request on it twice. The route's own address first, so
  // that a workstation with one network behaves as before.
  std::vector<unsigned> taken;
  auto add = [&](const InterfaceAddress& i) {
    if (i.index != 0 && std::find(taken.begin(), taken.end(), i.index) != taken.end()) return;
    taken.push_back(i.index);
    addresses.push_back(i.address);
  };
  if (haveRoute) {
    for (const InterfaceAddress& i : found)
      if (i.address == route) add(i);
  }
  for (const InterfaceAddress& i : found) add(i);
  if (!addresses.empty()) return true;
  // No multicast-capable interface (a point-to-point link only, say): the
  // route's address, else the first interface that is up.
  if (haveRoute) {
    addresses.push_back(route);
    return true;
  }
  const std::vector<InterfaceAddress> up = UpInterfaces(false);
  if (up.empty()) return false;
  addresses.push_back(up.front().address);
  return true;
}

bool PosixNetwork::OpenInterfaces(const std::vector<Ipv4Address>& locals) {
  Close();
  sendSocket_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  receiveSocket_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (sendSocket_ < 0 || receiveSocket_ < 0) {
    Close();
    return false;
  }
  AskForReceiveBuffer();
  locals_ = locals;
  for (const Ipv4Address& local : locals_) interfaceIndexes_.push_back(InterfaceIndexOf(local));
  const bool ok = BindReceiveSocket();
  JoinGroupOnEachInterface();
  return ok;
}

void PosixNetwork::AskForReceiveBuffer() {
  const int on = 1;
  // Another program of ours may have the port already: both then hear
  // replies to the group and broadcasts (SO_REUSEPORT is not used: it would
  // share unicast replies out between the two by the sender's port).
  setsockopt(receiveSocket_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  // As root the limit of the system can be passed over; otherwise take what
  // it grants.
  const int wanted = options_.receiveBufferBytes;
  if (geteuid() != 0 ||
      setsockopt(receiveSocket_, SOL_SOCKET, SO_RCVBUFFORCE, &wanted, sizeof wanted) != 0)
    setsockopt(receiveSocket_, SOL_SOCKET, SO_RCVBUF, &wanted, sizeof wanted);
  socklen_t granted = sizeof grantedBuffer_;
  getsockopt(receiveSocket_, SOL_SOCKET, SO_RCVBUF, &grantedBuffer_, &granted);
}

bool PosixNetwork::BindReceiveSocket() {
  // Devices answer by unicast to the workstation, to the group or by
  // broadcast. A socket bound to a unicast address hears only the first, so
  // the socket takes the port on every address, and Receive keeps only what
  // arrives on the workstation's interfaces (IP_PKTINFO names them, and
  // needs no privileges, unlike SO_BINDTODEVICE on older kernels).
  const int on = 1;
  setsockopt(receiveSocket_, IPPROTO_IP, IP_PKTINFO, &on, sizeof on);
  sockaddr_in bindAddress{};
  bindAddress.sin_family = AF_INET;
  bindAddress.sin_port = htons(options_.receivePort);
  bindAddress.sin_addr.s_addr = htonl(INADDR_ANY);
  const bool ok =
      bind(receiveSocket_, reinterpret_cast<sockaddr*>(&bindAddress), sizeof bindAddress) == 0;
  sockaddr_in bound{};
  socklen_t boundLength = sizeof bound;
  if (getsockname(receiveSocket_, reinterpret_cast<sockaddr*>(&bound), &boundLength) == 0)
    boundPort_ = ntohs(bound.sin_port);
  return ok;
}

void PosixNetwork::JoinGroupOnEachInterface() {
  // The group is joined on each of the workstation's interfaces, and each
  // request leaves through the interface it is meant for (SendToGroupOn):
  // the system's own choice would be one interface for all. Group datagrams
  // are taken only for the memberships made here, not for those of other
  // programs.
  for (std::size_t i = 0; i < locals_.size(); ++i)
    Membership(IP_ADD_MEMBERSHIP, interfaceIndexes_[i], locals_[i]);
  const int all = 0;
  const unsigned char loop = 0;
  setsockopt(receiveSocket_, IPPROTO_IP, IP_MULTICAST_ALL, &all, sizeof all);
  setsockopt(receiveSocket_, IPPROTO_IP, IP_MULTICAST_LOOP, &loop, sizeof loop);
  setsockopt(sendSocket_, IPPROTO_IP, IP_MULTICAST_LOOP, &loop, sizeof loop);
}

bool PosixNetwork::Membership(int option, unsigned index, const Ipv4Address& address) {
  // By the interface's index where it has one: an interface whose address
  // has gone can still be left.
  ip_mreqn membership{};
  inet_pton(AF_INET, kGroupAddressText, &membership.imr_multiaddr);
  membership.imr_ifindex = static_cast<int>(index);
  if (index == 0) membership.imr_address = ToInAddr(address);
  return setsockopt(receiveSocket_, IPPROTO_IP, option, &membership, sizeof membership) == 0;
}

bool PosixNetwork::ChangeInterfaces(const std::vector<Ipv4Address>& locals) {
  if (receiveSocket_ < 0 || sendSocket_ < 0) return OpenInterfaces(locals);
  std::vector<unsigned> indexes;
  indexes.reserve(locals.size());
  for (const Ipv4Address& local : locals) indexes.push_back(InterfaceIndexOf(local));
  auto holds = [](const std::vector<unsigned>& list, const std::vector<Ipv4Address>& addresses,
                  unsigned index, const Ipv4Address& address) {
    for (std::size_t i = 0; i < list.size(); ++i)
      if (index != 0 ? list[i] == index : list[i] == 0 && addresses[i] == address) return true;
    return false;
  };
  // An interface that keeps its index keeps its membership, even under a
  // new address; one that was removed from the system has lost it already,
  // and leaving it again fails harmlessly.
  for (std::size_t i = 0; i < locals_.size(); ++i) {
    if (!holds(indexes, locals, interfaceIndexes_[i], locals_[i]))
      Membership(IP_DROP_MEMBERSHIP, interfaceIndexes_[i], locals_[i]);
  }
  bool ok = true;
  for (std::size_t i = 0; i < locals.size(); ++i) {
    if (!holds(interfaceIndexes_, locals_, indexes[i], locals[i]) &&
        !Membership(IP_ADD_MEMBERSHIP, indexes[i], locals[i]))
      ok = false;
  }
  locals_ = locals;
  interfaceIndexes_ = indexes;
  // The next request sets its interface again: positions may have moved.
  sendInterface_ = -1;
  return ok;
}

void PosixNetwork::Close() {
  CloseSocket(sendSocket_);
  CloseSocket(receiveSocket_);
  boundPort_ = 0;
  locals_.clear();
  interfaceIndexes_.clear();
  sendInterface_ = -1;
}

void PosixNetwork::SendToGroupOn(std::size_t via, const std::uint8_t* data, std::size_t length) {
  if (sendSocket_ < 0 || via >= locals_.size()) return;
  if (sendInterface_ != static_cast<long>(via)) {
    const in_addr out = ToInAddr(locals_[via]);
    // An address the workstation no longer has: the request is not sent
    // rather than sent out of whichever interface was set before.
    if (out.s_addr != 0 &&
        setsockopt(sendSocket_, IPPROTO_IP, IP_MULTICAST_IF, &out, sizeof out) != 0)
      return;
    sendInterface_ = static_cast<long>(via);
  }
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(options_.destinationPort);
  to.sin_addr = ToInAddr(options_.destination);
  // The outcome is not looked at: a request that cannot go simply gets no
  // answer.
  (void)sendto(sendSocket_, data, length, 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
}

bool PosixNetwork::RouteSource(const Ipv4Address& to, Ipv4Address& source) {
  return RouteAddressTo(ToInAddr(to), source);
}

SendResult PosixNetwork::SendToAddress(const Ipv4Address& to, const std::uint8_t* data,
                                       std::size_t length) {
  if (sendSocket_ < 0) return SendResult::kNotOpen;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(options_.destinationPort);
  address.sin_addr = ToInAddr(to);
  if (sendto(sendSocket_, data, length, MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&address),
             sizeof address) >= 0)
    return SendResult::kSent;
  switch (errno) {
    case EACCES:
    case EPERM: return SendResult::kDenied;
    case ENETUNREACH:
    case EHOSTUNREACH:
    case ENETDOWN:
    case EHOSTDOWN: return SendResult::kUnreachable;
    case ENOBUFS:
    case EAGAIN: return SendResult::kBufferFull;
    default: return SendResult::kFailed;
  }
}

bool PosixNetwork::LocalBroadcasts(std::vector<Ipv4Address>& addresses) {
  addresses.clear();
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return false;
  for (ifaddrs* i = list; i != nullptr; i = i->ifa_next) {
    if (i->ifa_addr == nullptr || i->ifa_addr->sa_family != AF_INET) continue;
    if ((i->ifa_flags & IFF_BROADCAST) == 0 || i->ifa_broadaddr == nullptr ||
        i->ifa_broadaddr->sa_family != AF_INET)
      continue;
    const Ipv4Address b = FromInAddr(reinterpret_cast<sockaddr_in*>(i->ifa_broadaddr)->sin_addr);
    if (std::find(addresses.begin(), addresses.end(), b) == addresses.end()) addresses.push_back(b);
  }
  freeifaddrs(list);
  return true;
}

bool PosixNetwork::WaitReadable(std::int64_t timeoutMicros) {
  if (timeoutMicros < 0) timeoutMicros = 0;
  timespec timeout{static_cast<time_t>(timeoutMicros / 1000000),
                   static_cast<long>(timeoutMicros % 1000000) * 1000};
  if (receiveSocket_ < 0) {
    while (nanosleep(&timeout, &timeout) != 0 && errno == EINTR) {
    }
    return false;
  }
  pollfd p{receiveSocket_, POLLIN, 0};
  int n = ppoll(&p, 1, &timeout, nullptr);
  return n > 0 && (p.revents & (POLLIN | POLLERR)) != 0;
}

int PosixNetwork::Receive(std::uint8_t* buffer, std::size_t capacity) {
  if (receiveSocket_ < 0) return -1;
  // What came in on another interface is passed over as if it had never
  // arrived; the walk is bounded by what is queued now.
  for (int skipped = 0; skipped < kMaxSkippedPerReceive; ++skipped) {
    iovec data{buffer, capacity};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))];
    msghdr message{};
    message.msg_iov = &data;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    // MSG_TRUNC: the result is the datagram's real length, so one that did
    // not fit is known and refused.
    ssize_t n = recvmsg(receiveSocket_, &message, MSG_TRUNC | MSG_DONTWAIT);
    if (n < 0) return -1;
    if (!FromWorkstationInterface(message)) continue;
    if (static_cast<std::size_t>(n) > capacity) return -1;
    return static_cast<int>(n);
  }
  return -1;
}

bool PosixNetwork::FromWorkstationInterface(const msghdr& message) const {
  for (const cmsghdr* c = CMSG_FIRSTHDR(&message); c != nullptr;
       c = CMSG_NXTHDR(const_cast<msghdr*>(&message), const_cast<cmsghdr*>(c))) {
    if (c->cmsg_level != IPPROTO_IP || c->cmsg_type != IP_PKTINFO) continue;
    in_pktinfo info;
    std::memcpy(&info, CMSG_DATA(c), sizeof info);
    const unsigned arrival = static_cast<unsigned>(info.ipi_ifindex);
    // Unicast to a target route's address, whichever interface brought it.
    const Ipv4Address to = FromInAddr(info.ipi_addr);
    if (std::find(beyond_.begin(), beyond_.end(), to) != beyond_.end()) return true;
    return arrival != 0 && std::find(interfaceIndexes_.begin(), interfaceIndexes_.end(), arrival) !=
                               interfaceIndexes_.end();
  }
  return true;  // no arrival details (not expected): keep it
}

void PosixNetwork::FillRandom(std::uint8_t* out, std::size_t length) {
  std::size_t done = 0;
  while (done < length) {
    ssize_t n = getrandom(out + done, length - done, 0);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
    } else if (n < 0 && errno != EINTR) {
      break;
    }
  }
  if (done == length) return;
  int fd = open("/dev/urandom", O_RDONLY | O_CLOEXEC);
  if (fd >= 0) {
    while (done < length) {
      ssize_t n = read(fd, out + done, length - done);
      if (n <= 0) break;
      done += static_cast<std::size_t>(n);
    }
    close(fd);
  }
  // Last resort, never expected on Linux: time and address bits.
  for (; done < length; ++done) {
    out[done] = static_cast<std::uint8_t>(std::time(nullptr) >> (done % 4 * 8) ^
                                          reinterpret_cast<std::uintptr_t>(out) >> done);
  }
}

}  // namespace tessavue
