// A hostile network for the real-network tests and the flood benchmark:
// floods the workstation with junk of every kind, paced to a given rate and
// bounded in time. Runs only inside a network namespace other than the
// host's (the tests' own), so nothing it sends can leave them.
//
// The junk: replies with the awaited opcodes (2, 4, 6) for other
// workstations (one of them on the workstation's own address, as a second
// copy of the tool would be), replies from other devices to requests it has
// overheard (--learn), wrong opcodes, requests, random bytes, empty and
// oversized datagrams; by unicast to the workstation, and to the group and
// a broadcast address when asked.
//
// --half-device ADDR plays one more device that answers searches and
// password checks (accepting any password) but never a share query or a set
// request: the waits for it must run their full time and end there.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <algorithm>
#include <string>
#include <vector>

#include "network.h"
#include "wire.h"

namespace {

using namespace tessavue;
using Steady = std::chrono::steady_clock;

volatile sig_atomic_t stopRequested = 0;
void OnStop(int) { stopRequested = 1; }

constexpr long kMaxRate = 2'000'000;
constexpr double kMaxSeconds = 300;
constexpr int kBatch = 32;

const char* const kHelp =
    "Usage: flood --to ADDR [--rate N|max] [--seconds S] [--group] [--broadcast ADDR]\n"
    "             [--stray-net A.B.C] [--learn] [--half-device ADDR]\n"
    "Sends junk datagrams to ADDR port 13579 at N per second (default 100000;\n"
    "max: as fast as it can, at most 2000000) for S seconds (default 10, at most\n"
    "300), then prints what it sent. Runs only in a network namespace of its own.\n"
    "  --group            a share of the junk goes to the group 224.0.0.1\n"
    "  --broadcast ADDR   a share of the junk goes to this broadcast address\n"
    "  --stray-net A.B.C  the devices the stray replies seem to come from are\n"
    "                     A.B.C.0 to A.B.C.63 (default: the /24 of --to plus 1)\n"
    "  --learn            listen to the requests on the group: other devices'\n"
    "                     answers carry the requester's own client identifier\n"
    "  --half-device ADDR answer searches and password checks as the device ADDR,\n"
    "                     nothing else (implies --learn)\n";

// True inside a namespace made with `ip netns add` (its file in /run/netns
// is the same namespace as our own), which the host's never is.
bool InOwnNamespace() {
  struct stat self {};
  if (stat("/proc/self/ns/net", &self) != 0) return false;
  DIR* named = opendir("/run/netns");
  if (named == nullptr) return false;
  bool found = false;
  while (dirent* entry = readdir(named)) {
    const std::string path = std::string("/run/netns/") + entry->d_name;
    struct stat ns {};
    if (entry->d_name[0] != '.' && stat(path.c_str(), &ns) == 0 && ns.st_ino == self.st_ino &&
        ns.st_dev == self.st_dev)
      found = true;
  }
  closedir(named);
  return found;
}

bool Parse4(const char* text, std::uint8_t out[4]) {
  in_addr a{};
  if (inet_pton(AF_INET, text, &a) != 1) return false;
  std::memcpy(out, &a, 4);
  return true;
}

sockaddr_in Endpoint(const std::uint8_t address[4]) {
  sockaddr_in s{};
  s.sin_family = AF_INET;
  s.sin_port = htons(kProtocolPort);
  std::memcpy(&s.sin_addr, address, 4);
  return s;
}

struct Stats {
  long sent = 0, errors = 0, learnt = 0, searchesAnswered = 0, passwordsAnswered = 0;
};

class Flood {
 public:
  std::uint8_t to[4] = {};
  std::uint8_t strayNet[3] = {};
  bool group = false, haveBroadcast = false, learn = false, haveHalf = false;
  std::uint8_t broadcast[4] = {};
  std::uint8_t half[4] = {};

  bool Open() {
    send_ = socket(AF_INET, SOCK_DGRAM, 0);
    if (send_ < 0) return false;
    int one = 1, buffer = 4 << 20;
    setsockopt(send_, SOL_SOCKET, SO_BROADCAST, &one, sizeof one);
    setsockopt(send_, SOL_SOCKET, SO_SNDBUF, &buffer, sizeof buffer);
    // The group junk is not heard back in this namespace.
    unsigned char loop = 0;
    setsockopt(send_, IPPROTO_IP, IP_MULTICAST_LOOP, &loop, sizeof loop);
    // Fake workstations: random identifiers on nearby addresses, and one
    // on the workstation's own address.
    for (int k = 0; k < 8; ++k) {
      Identifier id;
      for (auto& b : id.bytes) b = std::uint8_t(random_());
      std::uint8_t address[4] = {to[0], to[1], to[2], std::uint8_t(k == 0 ? to[3] : 100 + k)};
      std::memcpy(id.bytes + 6, address, 4);
      workstations_.push_back(id);
    }
    if (!learn) return true;
    listen_ = socket(AF_INET, SOCK_DGRAM, 0);
    if (listen_ < 0) return false;
    setsockopt(listen_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in any{};
    any.sin_family = AF_INET;
    any.sin_port = htons(kProtocolPort);
    if (bind(listen_, reinterpret_cast<sockaddr*>(&any), sizeof any) != 0) return false;
    ip_mreq m{};
    inet_pton(AF_INET, kGroupAddressText, &m.imr_multiaddr);
    return setsockopt(listen_, IPPROTO_IP, IP_ADD_MEMBERSHIP, &m, sizeof m) == 0;
  }

  // One batch of junk.
  void SendBatch() {
    mmsghdr messages[kBatch] = {};
    iovec io[kBatch];
    sockaddr_in targets[kBatch];
    for (int i = 0; i < kBatch; ++i) {
      datagrams_[i] = Next(targets[i]);
      io[i] = {datagrams_[i].data(), datagrams_[i].size()};
      messages[i].msg_hdr.msg_iov = &io[i];
      messages[i].msg_hdr.msg_iovlen = 1;
      messages[i].msg_hdr.msg_name = &targets[i];
      messages[i].msg_hdr.msg_namelen = sizeof targets[i];
    }
    int done = 0;
    while (done < kBatch) {
      int n = sendmmsg(send_, messages + done, kBatch - done, 0);
      if (n <= 0) {
        // A full buffer or a destination that cannot be reached: that one
        // is dropped, the flood goes on.
        ++stats.errors;
        ++done;
        continue;
      }
      done += n;
      stats.sent += n;
    }
  }

  // Requests overheard on the group: learn their client identifiers, and
  // answer as the half device.
  void Overhear() {
    if (listen_ < 0) return;
    std::uint8_t buffer[kMaxDatagram + 1];
    for (int i = 0; i < 64; ++i) {
      ssize_t n = recv(listen_, buffer, sizeof buffer, MSG_DONTWAIT);
      if (n < 0) return;
      const wire::WireView request(buffer, std::size_t(n));
      const wire::RequestHeader h = wire::ParseRequestHeader(request);
      if (h.opcode != wire::kSearchRequest && h.opcode != wire::kQueryRequest &&
          h.opcode != wire::kSetRequest)
        continue;
      if (n < 11) continue;
      if (learnt_.empty() || std::memcmp(learnt_.back().bytes, h.clientId, 10) != 0) {
        Identifier id;
        std::memcpy(id.bytes, h.clientId, 10);
        learnt_.push_back(id);
        if (learnt_.size() > 16) learnt_.erase(learnt_.begin());
        ++stats.learnt;
      }
      if (haveHalf) AnswerAsHalfDevice(h);
    }
  }

  Stats stats;

 private:
  struct Identifier {
    std::uint8_t bytes[10];
  };

  void AnswerAsHalfDevice(const wire::RequestHeader& h) {
    std::uint8_t id[10] = {0x4a, 0x55, 0x4e, 0x4b, 0x00, 0x01};
    std::memcpy(id + 6, half, 4);
    wire::Bytes reply;
    if (h.opcode == wire::kSearchRequest) {
      reply = wire::BuildSearchReply(h.clientId, id, '0', "255.255.0.0", "10.213.0.254", "Half");
      ++stats.searchesAnswered;
    } else if (h.opcode == wire::kQueryRequest && h.subcode == wire::kQueryPassword &&
               std::memcmp(h.deviceId, id, 10) == 0) {
      reply = wire::BuildPasswordReply(h.clientId, id, 1);
      ++stats.passwordsAnswered;
    } else {
      return;
    }
    const sockaddr_in target = Endpoint(h.clientId + 6);
    sendto(send_, reply.data(), reply.size(), 0, reinterpret_cast<const sockaddr*>(&target),
           sizeof target);
  }

  wire::Bytes Next(sockaddr_in& target) {
    const long i = counter_++;
    target = Endpoint(to);
    std::uint8_t device[10];
    for (int b = 0; b < 6; ++b) device[b] = std::uint8_t(random_());
    device[6] = strayNet[0];
    device[7] = strayNet[1];
    device[8] = strayNet[2];
    device[9] = std::uint8_t(i % 64);
    const std::uint8_t* other = workstations_[std::size_t(i / 16) % workstations_.size()].bytes;
    const std::uint8_t* overheard = learnt_.empty() ? other : learnt_.back().bytes;
    switch (i % 16) {
      case 0:
      case 1:
      case 2:
      case 3: return wire::BuildShareReply(other, device, "public:media");
      case 4:
      case 5: return wire::BuildPasswordReply(other, device, 1);
      case 6:
      case 7:
      case 8: return wire::BuildSetReply(other, device);
      case 9:
        return wire::BuildSearchReply(other, device, '1', "255.255.255.0", "10.0.0.1", "Stray");
      case 10: {
        // Another device answering this workstation's own query.
        std::uint8_t elsewhere[10];
        std::memcpy(elsewhere, device, 10);
        elsewhere[8] = 250;
        return wire::BuildShareReply(overheard, elsewhere, "not:yours");
      }
      case 11: {
        wire::Bytes d = wire::BuildSetReply(overheard, device);
        static const std::uint8_t wrong[] = {0, 1, 3, 5, 7, 8, 0x84, 0xff};
        d[0] = wrong[(i / 16) % sizeof wrong];
        return d;
      }
      case 12: {
        wire::Bytes d(1 + random_() % 600);
        for (auto& b : d) b = std::uint8_t(random_());
        if (d[0] % 2 == 1) d[0] ^= 1;  // no requests by broadcast: the devices would answer
        if (haveBroadcast && (i / 16) % 4 == 0) target = Endpoint(broadcast);
        return d;
      }
      case 13:
        if (group && (i / 16) % 2 == 0) {
          static const std::uint8_t groupAddress[4] = {224, 0, 0, 1};
          target = Endpoint(groupAddress);
          return wire::BuildShareReply(other, device, "group");
        }
        return {};  // an empty datagram
      case 14: {
        wire::Bytes d = wire::BuildSearchRequest(other);
        if ((i / 16) % 2) d = wire::BuildShareQuery(other, device);
        return d;
      }
      default:
        if ((i / 16) % 64 == 0) return wire::Bytes(4500, 0x04);  // longer than any reply
        if (haveBroadcast && (i / 16) % 2 == 0) {
          target = Endpoint(broadcast);
          return wire::BuildSetReply(other, device);
        }
        return wire::BuildPasswordReply(other, device, 0);
    }
  }

  int send_ = -1;
  int listen_ = -1;
  long counter_ = 0;
  std::mt19937 random_{0xF100D};
  std::vector<Identifier> workstations_;
  std::vector<Identifier> learnt_;
  wire::Bytes datagrams_[kBatch];
};

}  // namespace

int main(int argc, char** argv) {
  Flood flood;
  long rate = 100000;
  double seconds = 10;
  bool haveTo = false, haveNet = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    auto need = [&]() {
      if (value == nullptr) {
        std::fprintf(stderr, "flood: %s needs a value\n", a.c_str());
        std::exit(2);
      }
      ++i;
      return value;
    };
    if (a == "--to") {
      haveTo = Parse4(need(), flood.to);
    } else if (a == "--rate") {
      const std::string r = need();
      rate = r == "max" ? 0 : std::atol(r.c_str());
      if (r != "max" && (rate <= 0 || rate > kMaxRate)) {
        std::fprintf(stderr, "flood: --rate is 1 to %ld or max\n", kMaxRate);
        return 2;
      }
    } else if (a == "--seconds") {
      seconds = std::atof(need());
      if (!(seconds > 0 && seconds <= kMaxSeconds)) {
        std::fprintf(stderr, "flood: --seconds is more than 0 and at most 300\n");
        return 2;
      }
    } else if (a == "--group") {
      flood.group = true;
    } else if (a == "--broadcast") {
      flood.haveBroadcast = Parse4(need(), flood.broadcast);
      if (!flood.haveBroadcast) return 2;
    } else if (a == "--stray-net") {
      std::uint8_t four[4] = {};
      haveNet = Parse4((std::string(need()) + ".0").c_str(), four);
      std::memcpy(flood.strayNet, four, 3);
      if (!haveNet) return 2;
    } else if (a == "--learn") {
      flood.learn = true;
    } else if (a == "--half-device") {
      flood.haveHalf = flood.learn = Parse4(need(), flood.half);
      if (!flood.haveHalf) return 2;
    } else if (a == "--help") {
      std::fputs(kHelp, stdout);
      return 0;
    } else {
      std::fprintf(stderr, "flood: unknown argument\n%s", kHelp);
      return 2;
    }
  }
  if (!haveTo) {
    std::fprintf(stderr, "flood: --to ADDR is required\n");
    return 2;
  }
  if (!haveNet) {
    std::memcpy(flood.strayNet, flood.to, 3);
    flood.strayNet[2] = std::uint8_t(flood.strayNet[2] + 1);
  }
  if (!InOwnNamespace()) {
    std::fprintf(stderr, "flood: refusing to run outside a network namespace of its own\n");
    return 2;
  }
  if (!flood.Open()) {
    std::fprintf(stderr, "flood: cannot open its sockets: %s\n", std::strerror(errno));
    return 1;
  }
  struct sigaction action {};
  action.sa_handler = OnStop;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);

  std::printf("flood: ready\n");
  std::fflush(stdout);
  const auto start = Steady::now();
  const auto end =
      start + std::chrono::duration_cast<Steady::duration>(std::chrono::duration<double>(seconds));
  while (!stopRequested) {
    const auto now = Steady::now();
    if (now >= end) break;
    flood.Overhear();
    if (rate > 0) {
      // Ahead of the rate: wait for the next batch's turn.
      const double elapsed = std::chrono::duration<double>(now - start).count();
      const double due = elapsed * double(rate);
      if (double(flood.stats.sent + flood.stats.errors) >= due) {
        const double wait =
            (double(flood.stats.sent + flood.stats.errors + kBatch) - due) / double(rate);
        const timespec pause{0, long(std::min(wait, 0.001) * 1e9)};
        nanosleep(&pause, nullptr);
        continue;
      }
    }
    flood.SendBatch();
  }
  const double took = std::chrono::duration<double>(Steady::now() - start).count();
  std::printf(
      "flood: %ld datagrams in %.2f s (%.0f/s), %ld not sent, %ld client ids learnt, "
      "%ld searches and %ld password checks answered\n",
      flood.stats.sent, took, double(flood.stats.sent) / took, flood.stats.errors,
      flood.stats.learnt, flood.stats.searchesAnswered, flood.stats.passwordsAnswered);
  return 0;
}
