// The transport: start and end of the socket layer, ClientId, sending, and
// the reply wait loop that every request runs.
#include <algorithm>
#include <cstring>

#include "protocol.h"
#include "wire.h"

namespace tessavue {

DeviceProtocol::DeviceProtocol(DatagramNetwork& network, Clock& clock)
    : network_(network), clock_(clock) {}

DeviceProtocol::~DeviceProtocol() { ShutdownTransport(); }

bool DeviceProtocol::InitTransport() {
  if (started_) return true;
  if (!network_.Startup()) return false;
  socketLayerUp_ = true;

  // One set of random bytes for the process; each interface's identifier
  // ends with its own address.
  network_.FillRandom(randomBytes_, sizeof randomBytes_);
  // When no address can be found the transport still opens: the requests
  // then simply get no answers, and a later search finds the networks.
  const std::vector<Ipv4Address> locals = ReadInterfaces();
  UseInterfaces(locals);
  network_.OpenInterfaces(locals);
  started_ = true;
  return true;
}

std::vector<Ipv4Address> DeviceProtocol::ReadInterfaces() {
  std::vector<Ipv4Address> locals;
  if (!network_.LocalAddresses(locals)) locals.clear();
  return locals;
}

void DeviceProtocol::UseInterfaces(const std::vector<Ipv4Address>& locals) {
  LocalInterfaces.clear();
  for (const Ipv4Address& local : locals) {
    LocalInterface& i = LocalInterfaces.emplace_back();
    i.address = local;
    std::memcpy(i.clientId, randomBytes_, sizeof randomBytes_);
    std::memcpy(i.clientId + 6, local.octet, 4);
  }
  const Ipv4Address first = locals.empty() ? Ipv4Address{} : locals.front();
  FormatDotted(first.octet, LocalIp);
  std::memcpy(ClientId, randomBytes_, sizeof randomBytes_);
  std::memcpy(ClientId + 6, first.octet, 4);
}

Ipv4Address DeviceProtocol::FirstInterfaceAddress() const {
  return LocalInterfaces.empty() ? Ipv4Address{} : LocalInterfaces.front().address;
}

bool DeviceProtocol::RefreshInterfaces() {
  if (!started_) return false;
  const std::vector<Ipv4Address> locals = ReadInterfaces();
  bool same = locals.size() == LocalInterfaces.size();
  for (std::size_t i = 0; same && i < locals.size(); ++i)
    same = locals[i] == LocalInterfaces[i].address;
  if (same) return false;
  UseInterfaces(locals);
  network_.ChangeInterfaces(locals);
  return true;
}

bool DeviceProtocol::InterfaceStillThere(const DeviceRecord& device) {
  if (!started_ || LocalInterfaces.empty()) return false;
  const Ipv4Address heardOn = LocalInterfaces[InterfaceIndexOf(device)].address;
  for (const Ipv4Address& now : ReadInterfaces())
    if (now == heardOn) return true;
  return false;
}

void DeviceProtocol::ShutdownTransport() {
  if (started_) network_.Close();
  started_ = false;
  if (socketLayerUp_) network_.Cleanup();
  socketLayerUp_ = false;
}

void DeviceProtocol::SendRequest(const std::uint8_t* message, std::size_t length) {
  SendRequestOn(0, message, length);
}

void DeviceProtocol::SendRequestOn(std::size_t localInterface, const std::uint8_t* message,
                                   std::size_t length) {
  if (!started_) return;
  network_.SendToGroupOn(localInterface, message, length);
}

std::size_t DeviceProtocol::InterfaceIndexOf(const DeviceRecord& device) const {
  return device.localInterface < LocalInterfaces.size() ? device.localInterface : 0;
}

const LocalInterface& DeviceProtocol::InterfaceOf(const DeviceRecord& device) const {
  static const LocalInterface kNone{};
  return LocalInterfaces.empty() ? kNone : LocalInterfaces[InterfaceIndexOf(device)];
}

bool DeviceProtocol::WaitReadableUntil(std::int64_t deadline) {
  for (;;) {
    std::int64_t now = clock_.NowMicros();
    // Also while datagrams keep coming: a flood must not freeze the window.
    if (waitHook_ && now - lastKeepAlive_ >= kKeepAliveMicros) {
      waitHook_->KeepAlive();
      lastKeepAlive_ = now = clock_.NowMicros();
    }
    if (now >= deadline) return false;
    if (network_.WaitReadable(std::min(deadline - now, kKeepAliveMicros))) return true;
  }
}

bool DeviceProtocol::ReceiveOne(std::int64_t deadline) {
  if (!WaitReadableUntil(deadline)) return false;
  int n = network_.Receive(receiveBuffer_, kMaxDatagram);
  if (n < 0 || static_cast<std::size_t>(n) > kMaxDatagram) return false;
  receiveLength_ = static_cast<std::size_t>(n);
  // Text at the very end of the datagram stays terminated.
  receiveBuffer_[receiveLength_] = 0;
  return true;
}

bool DeviceProtocol::SenderIs(const wire::WireView& reply, const char* text) const {
  std::uint8_t octets[4];
  wire::SenderAddress(reply, octets);
  char dotted[16];
  FormatDotted(octets, dotted);
  return std::strncmp(dotted, text, sizeof dotted) == 0;
}

bool DeviceProtocol::WaitForReply(std::uint8_t opcode, const std::uint8_t* clientId,
                                  const WaitLoopLimits& limits, const MatchTest& match) {
  // The wait lasts as long as its cycles and pauses would on a quiet
  // network, and only the answer ends it sooner. Receive errors, other
  // opcodes, other workstations' replies and other devices' answers are
  // passed over without using up any of that time: on a busy segment (every
  // workstation hears the replies sent to the group) they would otherwise end
  // the wait in milliseconds.
  const std::int64_t deadline = clock_.NowMicros() + LongestWait(limits);
  while (clock_.NowMicros() < deadline) {
    if (!ReceiveOne(deadline)) continue;
    wire::WireView reply(receiveBuffer_, receiveLength_);
    if (reply.At(wire::kOpcodeOffset) == opcode &&
        reply.Equals(wire::kClientIdOffset, clientId, wire::kIdLength) && match(reply))
      return true;
  }
  return false;
}

}  // namespace tessavue
