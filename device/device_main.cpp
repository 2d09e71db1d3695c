// tessavue-device: plays storage devices on a real network (Linux).
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <optional>
#include <queue>
#include <string>
#include <thread>
#include <vector>

#include "version.h"
#include "device.h"
#include "device_options.h"

namespace {

volatile sig_atomic_t stopRequested = 0;
void OnStopSignal(int) { stopRequested = 1; }

using SteadyClock = std::chrono::steady_clock;

struct PendingReply {
  SteadyClock::time_point due;
  std::uint64_t sequence;
  tessavue::Ipv4Address destination;
  std::vector<std::uint8_t> datagram;
  bool operator>(const PendingReply& other) const {
    return due != other.due ? due > other.due : sequence > other.sequence;
  }
};

void SendReply(int fd, const tessavue::Ipv4Address& to, const std::vector<std::uint8_t>& data) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(tessavue::kProtocolPort);
  std::memcpy(&address.sin_addr, to.octet, 4);
  // A burst of replies can fill the socket's buffer for a moment; retry a
  // bounded number of times before the reply is given up.
  for (int attempt = 0; attempt < 50; ++attempt) {
    ssize_t sent = sendto(fd, data.data(), data.size(), 0,
                          reinterpret_cast<const sockaddr*>(&address), sizeof address);
    if (sent >= 0) return;
    if (errno != ENOBUFS && errno != EAGAIN && errno != EINTR) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

// Large buffers for bursts, then the protocol's port on every address.
bool BindPort(int fd) {
  int one = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  int buffer = 4 << 20;
  // The address each datagram was sent to: a unicast request is for the
  // device at that address alone.
  setsockopt(fd, IPPROTO_IP, IP_PKTINFO, &one, sizeof one);
  setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &buffer, sizeof buffer);
  setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &buffer, sizeof buffer);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(tessavue::kProtocolPort);
  local.sin_addr.s_addr = htonl(INADDR_ANY);
  if (bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0) return true;
  std::fprintf(stderr, "tessavue-device: cannot bind UDP port %u: %s\n",
               unsigned(tessavue::kProtocolPort), std::strerror(errno));
  return false;
}

// Joins the group on the named interface (or the system's choice) and sets
// how replies to the group and by broadcast leave.
bool JoinGroup(int fd, const tessavue::DeviceProgramOptions& options) {
  ip_mreq membership{};
  inet_pton(AF_INET, tessavue::kGroupAddressText, &membership.imr_multiaddr);
  if (options.haveInterface)
    std::memcpy(&membership.imr_interface, options.interfaceAddress.octet, 4);
  else
    membership.imr_interface.s_addr = htonl(INADDR_ANY);
  if (setsockopt(fd, IPPROTO_IP, IP_ADD_MEMBERSHIP, &membership, sizeof membership) != 0) {
    std::fprintf(stderr, "tessavue-device: cannot join %s: %s\n", tessavue::kGroupAddressText,
                 std::strerror(errno));
    return false;
  }
  unsigned char loop = 0;
  setsockopt(fd, IPPROTO_IP, IP_MULTICAST_LOOP, &loop, sizeof loop);
  // Replies to the group stay on the segment and leave through the named
  // interface; broadcast replies need the permission to broadcast.
  unsigned char ttl = 1;
  setsockopt(fd, IPPROTO_IP, IP_MULTICAST_TTL, &ttl, sizeof ttl);
  if (options.haveInterface)
    setsockopt(fd, IPPROTO_IP, IP_MULTICAST_IF, &membership.imr_interface,
               sizeof membership.imr_interface);
  int one = 1;
  setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &one, sizeof one);
  return true;
}

int OpenSocket(const tessavue::DeviceProgramOptions& options) {
  int fd = socket(AF_INET, SOCK_DGRAM, 0);
  if (fd < 0) {
    std::fprintf(stderr, "tessavue-device: cannot open a UDP socket: %s\n", std::strerror(errno));
    return -1;
  }
  if (!BindPort(fd) || !JoinGroup(fd, options)) {
    close(fd);
    return -1;
  }
  return fd;
}

// Plays the devices on the socket: answers every request as each device
// would, at once or after the device's delay.
class Player {
 public:
  Player(int fd, std::vector<tessavue::SimulatedDevice>& devices, bool log)
      : fd_(fd), devices_(devices), log_(log) {}

  // Until SIGINT or SIGTERM.
  void Run() {
    std::vector<std::uint8_t> buffer(65536);
    while (!stopRequested) {
      pollfd watch{fd_, POLLIN, 0};
      int ready = poll(&watch, 1, SendDueReplies());
      if (ready > 0) Drain(buffer);
    }
  }

 private:
  // Replies whose time has come leave; the milliseconds until the next one
  // is due (at most a second).
  int SendDueReplies() {
    const auto now = SteadyClock::now();
    while (!pending_.empty() && pending_.top().due <= now) {
      SendReply(fd_, pending_.top().destination, pending_.top().datagram);
      pending_.pop();
    }
    if (pending_.empty()) return 1000;
    auto wait = std::chrono::ceil<std::chrono::milliseconds>(pending_.top().due - now);
    return int(std::max<std::int64_t>(0, std::min<std::int64_t>(wait.count(), 1000)));
  }

  // Drains what is queued, so a burst of requests is not answered late.
  void Drain(std::vector<std::uint8_t>& buffer) {
    for (int drained = 0; drained < 256; ++drained) {
      iovec data{buffer.data(), buffer.size()};
      alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))];
      msghdr message{};
      message.msg_iov = &data;
      message.msg_iovlen = 1;
      message.msg_control = control;
      message.msg_controllen = sizeof control;
      ssize_t got = recvmsg(fd_, &message, MSG_DONTWAIT | MSG_TRUNC);
      if (got < 0) break;
      // Longer than the protocol's largest datagram: not a request.
      if (std::size_t(got) > tessavue::kMaxDatagram) continue;
      const auto received = SteadyClock::now();
      const std::optional<tessavue::Ipv4Address> unicastTo = UnicastDestination(message);
      for (auto& device : devices_) {
        if (unicastTo && !(device.settings().ip == *unicastTo)) continue;
        Answer(device, buffer.data(), std::size_t(got), received);
      }
      if (log_) std::fflush(stdout);
    }
  }

  // The address a datagram was sent to, when it is one device's: the group,
  // a broadcast or an address that no device plays is for every device.
  std::optional<tessavue::Ipv4Address> UnicastDestination(msghdr& message) const {
    for (cmsghdr* c = CMSG_FIRSTHDR(&message); c != nullptr; c = CMSG_NXTHDR(&message, c)) {
      if (c->cmsg_level != IPPROTO_IP || c->cmsg_type != IP_PKTINFO) continue;
      in_pktinfo info;
      std::memcpy(&info, CMSG_DATA(c), sizeof info);
      tessavue::Ipv4Address to;
      std::memcpy(to.octet, &info.ipi_addr, 4);
      for (const auto& device : devices_)
        if (device.settings().ip == to) return to;
      return std::nullopt;
    }
    return std::nullopt;
  }

  void Answer(tessavue::SimulatedDevice& device, const std::uint8_t* data, std::size_t length,
              SteadyClock::time_point received) {
    tessavue::RequestOutcome outcome = device.Handle(data, length);
    if (outcome.kind == tessavue::RequestKind::kIgnored) return;
    if (log_) {
      std::string verdict;
      if (outcome.kind == tessavue::RequestKind::kPasswordCheck)
        verdict = outcome.accepted ? " accepted" : " refused";
      std::printf("%s for %s%s\n", tessavue::RequestKindName(outcome.kind),
                  tessavue::DottedText(device.settings().ip).c_str(), verdict.c_str());
    }
    if (!outcome.reply) return;
    const std::int64_t delay = outcome.reply->delayMicros;
    if (delay == 0) {
      SendReply(fd_, outcome.reply->destination, outcome.reply->datagram);
    } else {
      pending_.push(PendingReply{received + std::chrono::microseconds(delay), sequence_++,
                                 outcome.reply->destination, std::move(outcome.reply->datagram)});
    }
  }

  int fd_;
  std::vector<tessavue::SimulatedDevice>& devices_;
  bool log_;
  std::priority_queue<PendingReply, std::vector<PendingReply>, std::greater<>> pending_;
  std::uint64_t sequence_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  tessavue::DeviceProgramOptions options;
  std::string error;
  if (!tessavue::ParseDeviceProgramArgs(args, options, error)) {
    std::fprintf(stderr, "tessavue-device: %s\nTry 'tessavue-device --help'.\n", error.c_str());
    return 2;
  }
  if (options.help) {
    std::fputs(tessavue::kDeviceProgramHelp, stdout);
    return 0;
  }
  if (options.version) {
    std::puts("tessavue-device " TESSAVUE_VERSION);
    return 0;
  }

  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);

  const int fd = OpenSocket(options);
  if (fd < 0) return 1;

  std::vector<tessavue::SimulatedDevice> devices;
  devices.reserve(options.devices.size());
  for (auto& settings : options.devices) devices.emplace_back(std::move(settings));

  std::printf("tessavue-device: ready, %zu device(s) on UDP port %u\n", devices.size(),
              unsigned(tessavue::kProtocolPort));
  std::fflush(stdout);

  Player(fd, devices, options.log).Run();
  close(fd);
  return 0;
}
