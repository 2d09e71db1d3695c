// transport_probe: what the workstation's receive socket hears, for the
// real-network tests (e2e.sh).
//   transport_probe listen LOCAL_IP MILLISECONDS
//     opens the transport as the programs do, sends "self" to the group (it
//     must not come back), prints "ready", then one line per datagram heard,
//     its bytes as text (other bytes as '.'), until the time is up.
//   transport_probe send DEST_IP TEXT|hex:HEX
//     one datagram to DEST_IP on the protocol port (broadcast allowed, TTL 1).
//   transport_probe session - MILLISECONDS
//     a long-lived workstation over every network it has, as the window is:
//     the protocol started once, then one command a line on standard input
//     until "quit", end of input or the time is up:
//       search     prints "interfaces A B ...", "device NAME IP" per device
//                  listed, then "searched N"
//       shares IP  prints "shares ok NAME:NAME... MS" or "shares fail MS",
//                  MS the milliseconds the request took
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "posix_clock.h"
#include "posix_network.h"
#include "protocol.h"

namespace {

int Usage() {
  std::fputs(
      "usage: transport_probe listen LOCAL_IP MILLISECONDS\n"
      "       transport_probe send DEST_IP TEXT|hex:HEX\n"
      "       transport_probe session - MILLISECONDS\n",
      stderr);
  return 2;
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

int Session(long milliseconds) {
  // The time limit holds even while a command waits for input.
  alarm(static_cast<unsigned>((milliseconds + 999) / 1000));
  tessavue::PosixNetwork network;
  tessavue::PosixClock clock;
  tessavue::DeviceProtocol protocol(network, clock);
  if (!protocol.InitTransport()) {
    std::fprintf(stderr, "transport_probe: cannot start the transport\n");
    return 1;
  }
  std::printf("ready\n");
  std::fflush(stdout);
  int searches = 0;
  for (std::string line; std::getline(std::cin, line) && line != "quit";) {
    if (line == "search") {
      protocol.SearchDevices();
      std::string interfaces = "interfaces";
      for (const tessavue::LocalInterface& i : protocol.localInterfaces())
        interfaces += " " + tessavue::DottedText(i.address);
      std::printf("%s\n", interfaces.c_str());
      for (const tessavue::DeviceRecord& r : protocol.deviceList())
        std::printf("device %s %s\n", r.name, r.ip);
      std::printf("searched %d\n", ++searches);
    } else if (line.rfind("shares ", 0) == 0) {
      protocol.SelectDevice(line.substr(7).c_str());
      const std::int64_t start = clock.NowMicros();
      const bool ok = protocol.FetchShares();
      const long ms = static_cast<long>((clock.NowMicros() - start) / 1000);
      std::string names;
      for (const tessavue::ShareRecord& r : protocol.shareList())
        names += (names.empty() ? "" : ":") + std::string(r.name);
      if (ok) {
        std::printf("shares ok %s %ld\n", names.c_str(), ms);
      } else {
        std::printf("shares fail %ld\n", ms);
      }
    } else {
      std::printf("unknown command %s\n", line.c_str());
    }
    std::fflush(stdout);
  }
  protocol.ShutdownTransport();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) return Usage();
  const std::string command = argv[1];
  if (command == "session") {
    long milliseconds = std::strtol(argv[3], nullptr, 10);
    if (milliseconds <= 0 || milliseconds > 600000) return Usage();
    return Session(milliseconds);
  }
  tessavue::Ipv4Address address;
  if (!tessavue::ParseAddress(argv[2], address)) return Usage();
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
