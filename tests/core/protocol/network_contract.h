// What every DatagramNetwork does alike, whatever carries the datagrams: the
// in-memory network, the Linux sockets and Windows Sockets. An
// implementation's test file instantiates the suite with a harness:
//
//   struct Harness {
//     DatagramNetwork& network();  // started, not yet opened
//     Clock& clock();              // the clock the network's waits pass on
//     bool Open();                 // opens the network on the harness's interface
//     // A datagram from a device, to the workstation's receive port (the
//     // port of the last Open, when the network is closed since).
//     void Arrive(const std::vector<std::uint8_t>& datagram);
//     // What reached the group's destination, or the address sent to, since
//     // the last call, in order.
//     std::vector<std::vector<std::uint8_t>> Sent();
//     // An address of the workstation that SendToAddress reaches the
//     // harness's device at.
//     Ipv4Address DeviceAddress();
//     void NameLocalAddress(const Ipv4Address& address);
//   };
//
//   INSTANTIATE_TYPED_TEST_SUITE_P(Posix, DatagramNetworkContract, Harness);
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

#include "network.h"

namespace tessavue::contract {

using Bytes = std::vector<std::uint8_t>;

template <typename Harness>
class DatagramNetworkContract : public ::testing::Test {
 protected:
  DatagramNetwork& net() { return harness.network(); }
  // Waits (bounded) for the next datagram and reads it; -2 when none came.
  int ReceiveNext(std::uint8_t* buffer, std::size_t capacity) {
    if (!net().WaitReadable(1'000'000)) return -2;
    return net().Receive(buffer, capacity);
  }

  Harness harness;
};

TYPED_TEST_SUITE_P(DatagramNetworkContract);

TYPED_TEST_P(DatagramNetworkContract, AWaitWithNothingToReadLastsItsTimeOut) {
  ASSERT_TRUE(this->harness.Open());
  Clock& clock = this->harness.clock();
  const std::int64_t start = clock.NowMicros();
  EXPECT_FALSE(this->net().WaitReadable(20'000));
  EXPECT_GE(clock.NowMicros() - start, 19'000);
  // A receive with nothing queued does not block: it fails at once.
  std::uint8_t buffer[16];
  EXPECT_EQ(this->net().Receive(buffer, sizeof buffer), -1);
}

TYPED_TEST_P(DatagramNetworkContract, DatagramsArriveWholeInOrderAndAnOverlongOneIsAnError) {
  ASSERT_TRUE(this->harness.Open());
  const Bytes exact(kMaxDatagram, 0x5A), over(kMaxDatagram + 1, 0x33), small{4, 1, 2};
  this->harness.Arrive(exact);
  this->harness.Arrive(over);
  this->harness.Arrive(small);
  std::uint8_t buffer[kMaxDatagram + 1];
  ASSERT_EQ(this->ReceiveNext(buffer, kMaxDatagram), static_cast<int>(kMaxDatagram));
  EXPECT_EQ(Bytes(buffer, buffer + kMaxDatagram), exact);
  // One byte too many for the buffer: an error, not a cut-down datagram, and
  // it is gone.
  EXPECT_EQ(this->ReceiveNext(buffer, kMaxDatagram), -1);
  ASSERT_EQ(this->ReceiveNext(buffer, kMaxDatagram), 3);
  EXPECT_EQ(Bytes(buffer, buffer + 3), small);
  EXPECT_EQ(this->net().Receive(buffer, kMaxDatagram), -1);
}

TYPED_TEST_P(DatagramNetworkContract, ClosedItHearsAndSendsNothingAndOpensAgain) {
  ASSERT_TRUE(this->harness.Open());
  this->net().Close();
  this->net().Close();  // twice is harmless
  this->harness.Arrive({7, 7});
  EXPECT_FALSE(this->net().WaitReadable(1'000));
  std::uint8_t buffer[16];
  EXPECT_EQ(this->net().Receive(buffer, sizeof buffer), -1);
  const std::uint8_t request[] = {1, 2};
  this->net().SendToGroup(request, sizeof request);
  EXPECT_EQ(this->net().SendToAddress(this->harness.DeviceAddress(), request, sizeof request),
            SendResult::kNotOpen);
  EXPECT_TRUE(this->harness.Sent().empty());

  // Opened again, it works as before.
  ASSERT_TRUE(this->harness.Open());
  this->harness.Arrive({8, 9});
  ASSERT_EQ(this->ReceiveNext(buffer, sizeof buffer), 2);
  EXPECT_EQ(buffer[1], 9);
  this->net().SendToGroup(request, sizeof request);
  EXPECT_EQ(this->harness.Sent(), std::vector<Bytes>{Bytes(request, request + 2)});
}

TYPED_TEST_P(DatagramNetworkContract, RequestsLeaveOnlyByAnInterfaceItWasGiven) {
  ASSERT_TRUE(this->harness.Open());
  const std::uint8_t first[] = {'v', 'i', 'a', '0'}, second[] = {'v', 'i', 'a', '1'};
  // Opened on one interface: there is no interface 1 to send out of.
  this->net().SendToGroupOn(1, second, sizeof second);
  this->net().SendToGroupOn(0, first, sizeof first);
  const std::uint8_t direct[] = {'u', 'n', 'i'};
  EXPECT_EQ(this->net().SendToAddress(this->harness.DeviceAddress(), direct, sizeof direct),
            SendResult::kSent);
  EXPECT_EQ(this->harness.Sent(),
            (std::vector<Bytes>{Bytes(first, first + 4), Bytes(direct, direct + 3)}));

  // No interface at all (the last network went): nothing goes to the group.
  ASSERT_TRUE(this->net().ChangeInterfaces({}));
  this->net().SendToGroupOn(0, first, sizeof first);
  EXPECT_TRUE(this->harness.Sent().empty());
}

TYPED_TEST_P(DatagramNetworkContract, ANamedAddressIsTheOnlyOne) {
  const Ipv4Address named{{10, 9, 8, 7}};
  this->harness.NameLocalAddress(named);
  std::vector<Ipv4Address> all;
  ASSERT_TRUE(this->net().LocalAddresses(all));
  EXPECT_EQ(all, std::vector<Ipv4Address>{named});
  Ipv4Address first;
  ASSERT_TRUE(this->net().LocalAddress(first));
  EXPECT_EQ(first, named);
}

TYPED_TEST_P(DatagramNetworkContract, RandomBytesDoNotRepeat) {
  // Two draws of 32 bytes do not repeat, and a draw fills every byte asked
  // for (32 bytes that all stayed as they were would be one in 2^256).
  std::uint8_t x[32] = {}, y[32] = {};
  this->net().FillRandom(x, sizeof x);
  this->net().FillRandom(y, sizeof y);
  EXPECT_NE(0, std::memcmp(x, y, sizeof x));
  std::uint8_t z[33];
  std::memset(z, 0xA5, sizeof z);
  this->net().FillRandom(z, 32);
  EXPECT_EQ(z[32], 0xA5);  // not a byte beyond
  const std::uint8_t untouched[32] = {};
  std::memset(x, 0, sizeof x);
  this->net().FillRandom(x, sizeof x);
  EXPECT_NE(0, std::memcmp(x, untouched, sizeof x));
}

// The harness of a network over real sockets, on loopback only: the
// network's receive socket takes a free port, and its "group" is `Device`, a
// plain socket on 127.0.0.1 that plays the device:
//   Device();                                  // bound to a free port
//   std::uint16_t port() const;
//   void SendTo(std::uint16_t port, const Bytes& datagram);  // to 127.0.0.1
//   std::vector<Bytes> ReadFor(int millis);    // until `millis` pass quietly
template <typename Network, typename Options, typename Device, typename RealClock>
class LoopbackHarness {
 public:
  LoopbackHarness() {
    Options o;
    o.receivePort = 0;
    o.destination = kLoopback;
    o.destinationPort = device_.port();
    network_.emplace(o);
    network_->Startup();
  }
  ~LoopbackHarness() {
    network_->Close();
    network_->Cleanup();
  }
  LoopbackHarness(const LoopbackHarness&) = delete;
  LoopbackHarness& operator=(const LoopbackHarness&) = delete;

  DatagramNetwork& network() { return *network_; }
  Clock& clock() { return clock_; }
  bool Open() {
    const bool ok = network_->Open(kLoopback);
    port_ = network_->boundPort();
    return ok && port_ != 0;
  }
  void Arrive(const Bytes& datagram) { device_.SendTo(port_, datagram); }
  std::vector<Bytes> Sent() { return device_.ReadFor(150); }
  Ipv4Address DeviceAddress() { return kLoopback; }
  void NameLocalAddress(const Ipv4Address& address) { network_->SetLocalAddress(address); }

  static constexpr Ipv4Address kLoopback{{127, 0, 0, 1}};

 private:
  Device device_;
  std::uint16_t port_ = 0;
  RealClock clock_;
  std::optional<Network> network_;
};

REGISTER_TYPED_TEST_SUITE_P(DatagramNetworkContract, AWaitWithNothingToReadLastsItsTimeOut,
                            DatagramsArriveWholeInOrderAndAnOverlongOneIsAnError,
                            ClosedItHearsAndSendsNothingAndOpensAgain,
                            RequestsLeaveOnlyByAnInterfaceItWasGiven, ANamedAddressIsTheOnlyOne,
                            RandomBytesDoNotRepeat);

}  // namespace tessavue::contract
