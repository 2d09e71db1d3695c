// transport_probe: what the workstation's receive socket hears, for the
// real-network tests (e2e.sh).
//   transport_probe listen LOCAL_IP MILLISECONDS
//     opens the transport as the programs do, sends "self" to the group (it
//     must not come back), prints "ready", then one line per datagram heard,
//     its bytes as text (other bytes as '.'), until the time is up.
//   transport_probe send DEST_IP TEXT|hex:HEX
//     one datagram to DEST_IP on the protocol port (broadcast allowed, TTL 1).
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "posix_clock.h"
#include "posix_network.h"

namespace {

int Usage() {
  std::fputs(
      "usage: transport_probe listen LOCAL_IP MILLISECONDS\n"
      "       transport_probe send DEST_IP TEXT|hex:HEX\n",
      stderr);
  return 2;
}

bool Parse(const char* text, tessavue::Ipv4Address& address) {
  in_addr in{};
  if (inet_pton(AF_INET, text, &in) != 1) return false;
  std::memcpy(address.octet, &in.s_addr, 4);
  return true;
}

bool FromHex(const std::string& hex, std::vector<std::uint8_t>& out) {
  if (hex.size() % 2 != 0) return false;
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    unsigned value = 0;
    if (std::sscanf(hex.substr(i, 2).c_str(), "%2x", &value) != 1) return false;
    out.push_back(std::uint8_t(value));
  }
  return true;
}

int Listen(const tessavue::Ipv4Address& local, long milliseconds) {
  tessavue::PosixNetwork network;
  network.SetLocalAddress(local);
  if (!network.Open(local)) {
    std::fprintf(stderr, "transport_probe: cannot open the transport\n");
    return 1;
  }
  const char self[] = "self";
  network.SendToGroup(reinterpret_cast<const std::uint8_t*>(self), 4);
  std::printf("ready\n");
  std::fflush(stdout);
  tessavue::PosixClock clock;
  const std::int64_t end = clock.NowMicros() + milliseconds * 1000;
  std::uint8_t buffer[tessavue::kMaxDatagram];
  for (std::int64_t now = clock.NowMicros(); now < end; now = clock.NowMicros()) {
    if (!network.WaitReadable(end - now)) continue;
    int n = network.Receive(buffer, sizeof buffer);
    if (n < 0) continue;
    std::string line;
    for (int i = 0; i < n; ++i)
      line += buffer[i] >= 0x20 && buffer[i] < 0x7f ? char(buffer[i]) : '.';
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
  }
  return 0;
}

int Send(const tessavue::Ipv4Address& to, const std::vector<std::uint8_t>& data) {
  int fd = socket(AF_INET, SOCK_DGRAM, 0);
  if (fd < 0) return 1;
  const int on = 1;
  const unsigned char ttl = 1;
  setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
  setsockopt(fd, IPPROTO_IP, IP_MULTICAST_TTL, &ttl, sizeof ttl);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(tessavue::kProtocolPort);
  std::memcpy(&address.sin_addr, to.octet, 4);
  ssize_t sent = sendto(fd, data.data(), data.size(), 0, reinterpret_cast<sockaddr*>(&address),
                        sizeof address);
  if (sent < 0) std::perror("transport_probe: sendto");
  close(fd);
  return sent == static_cast<ssize_t>(data.size()) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) return Usage();
  const std::string command = argv[1];
  tessavue::Ipv4Address address;
  if (!Parse(argv[2], address)) return Usage();
  if (command == "listen") {
    long milliseconds = std::strtol(argv[3], nullptr, 10);
    if (milliseconds <= 0 || milliseconds > 60000) return Usage();
    return Listen(address, milliseconds);
  }
  if (command == "send") {
    std::string payload = argv[3];
    std::vector<std::uint8_t> data;
    if (payload.rfind("hex:", 0) == 0) {
      if (!FromHex(payload.substr(4), data)) return Usage();
    } else {
      data.assign(payload.begin(), payload.end());
    }
    return Send(address, data);
  }
  return Usage();
}
