// The four requests addressed to the selected device.
#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>

#include "protocol.h"
#include "wire.h"

namespace tessavue {

namespace {

// A fixed-size buffer's text, bounded by the buffer even when it is full.
template <std::size_t N>
std::string BufferText(const char (&buffer)[N]) {
  return std::string(buffer, strnlen(buffer, N));
}

// A login text as the request's 16-character field takes it: up to a zero
// byte, at most 16 characters.
std::string LoginField(const std::string& text) {
  return text.substr(0, std::min<std::size_t>(text.find('\0'), 16));
}

}  // namespace

DeviceRecord* DeviceProtocol::FindSelectedDevice() {
  char selected[sizeof SelectedDeviceIp + 1] = {};
  std::memcpy(selected, SelectedDeviceIp, sizeof SelectedDeviceIp);
  return FindByAddress(DeviceList, selected);
}

bool DeviceProtocol::CheckAdminPassword(const std::string& userName, const std::string& password) {
  DeviceRecord* device = FindSelectedDevice();
  if (device == nullptr || !StillReachable(*device)) return false;
  // A 16-character user name or password goes out whole.
  const std::uint8_t* clientId = ClientIdFor(*device);
  const wire::Bytes request = wire::BuildPasswordQuery(clientId, device->deviceId,
                                                       LoginField(userName), LoginField(password));
  SendToDevice(*device, request.data(), request.size());
  const std::string selected = BufferText(SelectedDeviceIp);
  if (!WaitForReply(wire::kQueryReply, clientId, kQueryLoop, [&](const wire::WireView& reply) {
        return SenderIs(reply, selected.c_str());
      })) {
    return false;
  }
  return wire::ParsePasswordVerdict(wire::WireView(receiveBuffer_, receiveLength_));
}

bool DeviceProtocol::FetchShares() {
  ShareList.clear();
  DeviceRecord* device = FindSelectedDevice();
  if (device == nullptr || !StillReachable(*device)) return false;
  const std::uint8_t* clientId = ClientIdFor(*device);
  const wire::Bytes request = wire::BuildShareQuery(clientId, device->deviceId);
  SendToDevice(*device, request.data(), request.size());
  const std::string selected = BufferText(SelectedDeviceIp);
  if (!WaitForReply(wire::kQueryReply, clientId, kQueryLoop, [&](const wire::WireView& reply) {
        return SenderIs(reply, selected.c_str());
      })) {
    return false;
  }
  for (const std::string& name :
       wire::ParseShareNames(wire::WireView(receiveBuffer_, receiveLength_))) {
    if (!ContainsName(ShareList, name.c_str())) AppendShare(ShareList, name.c_str());
  }
  return true;
}

bool DeviceProtocol::SetDeviceDhcp() {
  DeviceRecord* device = FindSelectedDevice();
  if (device == nullptr || !StillReachable(*device)) return false;
  const std::uint8_t* clientId = ClientIdFor(*device);
  const wire::Bytes request = wire::BuildDhcpSet(clientId, device->deviceId);
  SendToDevice(*device, request.data(), request.size());
  if (!WaitForReply(wire::kSetReply, clientId, kSetLoop,
                    [](const wire::WireView&) { return true; }))
    return false;

  std::uint8_t address[4];
  wire::SenderAddress(wire::WireView(receiveBuffer_, receiveLength_), address);
  char newIp[16];
  FormatDotted(address, newIp);
  if (DeviceRecord* record = FindSelectedDevice()) {
    FollowAddressChange(*record, Ipv4Address{{address[0], address[1], address[2], address[3]}});
    CopyText(record->ip, sizeof record->ip, newIp);
    std::memcpy(record->deviceId + 6, address, 4);
  }
  CopyText(SelectedDeviceIp, sizeof SelectedDeviceIp, newIp);
  return true;
}

bool DeviceProtocol::SetDeviceStatic() {
  DeviceRecord* device = FindSelectedDevice();
  if (device == nullptr || !StillReachable(*device)) return false;
  const std::string ip = BufferText(NewIp);
  const std::string netmask = BufferText(NewNetmask);
  const std::string gateway = BufferText(NewGateway);
  const std::uint8_t* clientId = ClientIdFor(*device);
  const wire::Bytes request =
      wire::BuildStaticSet(clientId, device->deviceId, netmask, gateway, ip);
  SendToDevice(*device, request.data(), request.size());
  if (!WaitForReply(wire::kSetReply, clientId, kSetLoop,
                    [&](const wire::WireView& reply) { return SenderIs(reply, ip.c_str()); })) {
    return false;
  }

  // The reply came from NewIp, so its address bytes are NewIp's.
  std::uint8_t address[4];
  wire::SenderAddress(wire::WireView(receiveBuffer_, receiveLength_), address);
  if (DeviceRecord* record = FindSelectedDevice()) {
    FollowAddressChange(*record, Ipv4Address{{address[0], address[1], address[2], address[3]}});
    CopyText(record->ip, sizeof record->ip, ip.c_str());
    CopyText(record->netmask, sizeof record->netmask, netmask.c_str());
    CopyText(record->gateway, sizeof record->gateway, gateway.c_str());
    std::memcpy(record->deviceId + 6, address, 4);
  }
  CopyText(SelectedDeviceIp, sizeof SelectedDeviceIp, ip.c_str());
  return true;
}

void DeviceProtocol::SelectDevice(const char* ip) {
  CopyText(SelectedDeviceIp, sizeof SelectedDeviceIp, ip);
}

void DeviceProtocol::SetNewAddress(const char* ip, const char* netmask, const char* gateway) {
  CopyText(NewIp, sizeof NewIp, ip);
  CopyText(NewNetmask, sizeof NewNetmask, netmask);
  CopyText(NewGateway, sizeof NewGateway, gateway);
}

}  // namespace tessavue
