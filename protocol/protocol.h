// The device protocol: transport, discovery and the four requests that address
// one device. All process-wide state of the protocol lives in one
// DeviceProtocol object that the application owns.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/network.h"
#include "protocol/lists.h"

namespace tessavue {

// Reply wait loop parameters (cycles counted, pause between cycles).
struct WaitLoopLimits {
  int cycles;
  std::int64_t pauseMicros;
};

class DeviceProtocol {
 public:
  DeviceProtocol(DatagramNetwork& network, Clock& clock);
  ~DeviceProtocol();
  DeviceProtocol(const DeviceProtocol&) = delete;
  DeviceProtocol& operator=(const DeviceProtocol&) = delete;

  // Starts the socket layer, makes LocalIp and ClientId, opens both sockets.
  // false only when the socket layer cannot be started: the caller then ends
  // the process with exit code 1.
  bool InitTransport();
  // Closes both sockets and releases the socket layer. Safe to run twice and
  // before InitTransport.
  void ShutdownTransport();
  bool TransportStarted() const { return started_; }

  // One datagram to the group.
  void SendRequest(const std::uint8_t* message, std::size_t length);

  // Clears DeviceList and fills it from the replies to three searches.
  void SearchDevices();

  // Requests addressed to the device whose record's ip equals
  // SelectedDeviceIp. Non-zero for success, 0 for failure.
  int CheckAdminPassword();
  int FetchShares();
  int SetDeviceDhcp();
  int SetDeviceStatic();

  // The record of the selected device, or nullptr.
  DeviceRecord* FindSelectedDevice();

  // Process-wide state, by the names the rest of the program knows it.
  char LocalIp[16] = {};
  std::uint8_t ClientId[10] = {};
  DeviceListType DeviceList;
  ShareListType ShareList;
  char SelectedDeviceIp[16] = {};
  // The two login texts may hold 16 characters; the 17th byte keeps them
  // terminated.
  char LoginUserName[17] = {};
  char LoginPassword[17] = {};
  char NewIp[16] = {};
  char NewNetmask[16] = {};
  char NewGateway[16] = {};

 private:
  DatagramNetwork& network_;
  Clock& clock_;
  bool socketLayerUp_ = false;
  bool started_ = false;
};

// Bounded copy of a text into a fixed buffer of `size` bytes: at most size-1
// characters, always terminated.
void CopyText(char* destination, std::size_t size, const char* source);
// "%d.%d.%d.%d" of four octets into a 16-byte buffer.
void FormatDotted(const std::uint8_t octets[4], char out[16]);
// Strict dotted-decimal parse ("a.b.c.d", each 0-255). false on anything else.
bool ParseDotted(const char* text, std::uint8_t octets[4]);

}  // namespace tessavue
