// A network that hands every call to another one. A program that changes one
// or two of the calls (the address the user named, interfaces that come and
// go) derives from it and overrides only those.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "network.h"

namespace tessavue {

class ForwardingNetwork : public DatagramNetwork {
 public:
  explicit ForwardingNetwork(DatagramNetwork& inner) : inner_(inner) {}

  bool Startup() override { return inner_.Startup(); }
  void Cleanup() override { inner_.Cleanup(); }
  bool LocalAddresses(std::vector<Ipv4Address>& addresses) override {
    return inner_.LocalAddresses(addresses);
  }
  bool OpenInterfaces(const std::vector<Ipv4Address>& locals) override {
    return inner_.OpenInterfaces(locals);
  }
  bool ChangeInterfaces(const std::vector<Ipv4Address>& locals) override {
    return inner_.ChangeInterfaces(locals);
  }
  void Close() override { inner_.Close(); }
  void SendToGroupOn(std::size_t via, const std::uint8_t* data, std::size_t length) override {
    inner_.SendToGroupOn(via, data, length);
  }
  bool RouteSource(const Ipv4Address& to, Ipv4Address& source) override {
    return inner_.RouteSource(to, source);
  }
  SendResult SendToAddress(const Ipv4Address& to, const std::uint8_t* data,
                           std::size_t length) override {
    return inner_.SendToAddress(to, data, length);
  }
  bool LocalBroadcasts(std::vector<Ipv4Address>& addresses) override {
    return inner_.LocalBroadcasts(addresses);
  }
  void HearUnicastAt(const std::vector<Ipv4Address>& addresses) override {
    inner_.HearUnicastAt(addresses);
  }
  bool WaitReadable(std::int64_t timeoutMicros) override {
    return inner_.WaitReadable(timeoutMicros);
  }
  int Receive(std::uint8_t* buffer, std::size_t capacity) override {
    return inner_.Receive(buffer, capacity);
  }
  void FillRandom(std::uint8_t* out, std::size_t length) override {
    inner_.FillRandom(out, length);
  }

 protected:
  DatagramNetwork& inner() { return inner_; }

 private:
  DatagramNetwork& inner_;
};

}  // namespace tessavue
