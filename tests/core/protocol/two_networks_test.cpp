// A workstation on two networks, each with its own simulated devices, seen
// through the protocol: one search finds them all, and every request to a
// device goes out on the network it was found on, with that network's
// client identifier.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "memory_segment.h"
#include "memory_network.h"
#include "virtual_clock.h"
#include "protocol.h"
#include "wire.h"

namespace tessavue {
namespace {

Ipv4Address A(int a, int b, int c, int d) {
  return Ipv4Address{{std::uint8_t(a), std::uint8_t(b), std::uint8_t(c), std::uint8_t(d)}};
}

DeviceSettings Device(const char* name, Ipv4Address ip, std::uint8_t serial, ReplyMode reply,
                      std::int64_t delay = 2000) {
  DeviceSettings d;
  d.name = name;
  d.ip = ip;
  d.netmask = A(255, 255, 255, 0);
  d.gateway = A(ip.octet[0], ip.octet[1], ip.octet[2], 1);
  d.shares = std::string(name) + "-share";
  d.serial = {serial, 0x11, 0x22, 0x33, 0x44, 0x55};
  d.reply = reply;
  d.replyDelayMicros = delay;
  return d;
}

class TwoNetworks : public ::testing::Test {
 protected:
  static constexpr std::uint32_t kOffice = 0;  // 192.168.0.100
  static constexpr std::uint32_t kLab = 1;     // 10.7.0.5

  TwoNetworks() { network.SetLocalAddresses({A(192, 168, 0, 100), A(10, 7, 0, 5)}); }

  void Start() {
    ASSERT_TRUE(protocol.InitTransport());
    ASSERT_EQ(protocol.localInterfaces().size(), 2u);
  }
  const DeviceRecord* Find(const char* ip) { return FindByAddress(protocol.deviceList(), ip); }
  void Select(const char* ip) { protocol.SelectDevice(ip); }
  const std::uint8_t* IdOf(std::uint32_t i) { return protocol.localInterfaces().at(i).clientId; }
  // What went out since the last ClearSent, with the interface of each.
  std::vector<std::pair<std::size_t, wire::Bytes>> Sent() {
    std::vector<std::pair<std::size_t, wire::Bytes>> out;
    for (std::size_t i = 0; i < network.sent().size(); ++i)
      out.emplace_back(network.sentOn()[i], network.sent()[i]);
    return out;
  }

  VirtualClock clock{1'000'000};
  MemoryNetwork network{clock};
  SimulatedSegment office{network, kOffice};
  SimulatedSegment lab{network, kLab};
  DeviceProtocol protocol{network, clock};
};

TEST_F(TwoNetworks, EachNetworkHasItsIdentifierAndTheFirstIsTheWorkstationsAddress) {
  Start();
  const LocalInterface& first = protocol.localInterfaces()[0];
  const LocalInterface& second = protocol.localInterfaces()[1];
  EXPECT_STREQ(protocol.localIp(), "192.168.0.100");
  EXPECT_EQ(0, std::memcmp(protocol.clientId(), first.clientId, 10));
  // One set of random bytes, each network's own address after them.
  EXPECT_EQ(0, std::memcmp(first.clientId, second.clientId, 6));
  const std::uint8_t officeAddress[4] = {192, 168, 0, 100}, labAddress[4] = {10, 7, 0, 5};
  EXPECT_EQ(0, std::memcmp(first.clientId + 6, officeAddress, 4));
  EXPECT_EQ(0, std::memcmp(second.clientId + 6, labAddress, 4));
  EXPECT_EQ(network.boundAddress(kLab), A(10, 7, 0, 5));
}

TEST_F(TwoNetworks, OneSearchOfTheUsualLengthListsTheDevicesOfBothNetworks) {
  office.AddDevice(Device("office-unicast", A(192, 168, 0, 20), 1, ReplyMode::kUnicast));
  office.AddDevice(Device("office-group", A(192, 168, 0, 21), 2, ReplyMode::kGroup, 30'000));
  lab.AddDevice(Device("lab-broadcast", A(10, 7, 0, 40), 3, ReplyMode::kBroadcast, 10'000));
  lab.AddDevice(Device("lab-unicast", A(10, 7, 0, 41), 4, ReplyMode::kUnicast, 900'000));
  Start();
  std::vector<std::int64_t> sendTimes;
  network.AddGroupListener(
      [&](const std::uint8_t*, std::size_t) { sendTimes.push_back(clock.NowMicros()); });

  const std::int64_t start = clock.NowMicros();
  protocol.SearchDevices();
  const std::int64_t elapsed = clock.NowMicros() - start;

  ASSERT_EQ(protocol.deviceList().size(), 4u);
  for (const char* ip : {"192.168.0.20", "192.168.0.21"}) {
    ASSERT_NE(Find(ip), nullptr) << ip;
    EXPECT_EQ(Find(ip)->localInterface, kOffice) << ip;
  }
  for (const char* ip : {"10.7.0.40", "10.7.0.41"}) {
    ASSERT_NE(Find(ip), nullptr) << ip;
    EXPECT_EQ(Find(ip)->localInterface, kLab) << ip;
  }
  // Three rounds, each on both networks at the same instant, each request
  // with the identifier of the network it goes out on.
  const auto sent = Sent();
  ASSERT_EQ(sent.size(), 6u);
  for (std::size_t i = 0; i < sent.size(); ++i) {
    EXPECT_EQ(sent[i].first, i % 2);
    EXPECT_EQ(sent[i].second, wire::BuildSearchRequest(IdOf(static_cast<std::uint32_t>(i % 2))));
  }
  EXPECT_EQ(sendTimes, (std::vector<std::int64_t>{start, start, start + 80'000, start + 80'000,
                                                  start + 160'000, start + 160'000}));
  EXPECT_GE(elapsed, kSearchWindowMicros);
  EXPECT_LE(elapsed, kSearchWindowMicros + 100'000);
}

TEST_F(TwoNetworks, ADeviceHeardOnBothNetworksIsListedOnceUnderTheFirstReply) {
  // The same device (same serial and address) on both links; its answers on
  // the lab link come first.
  office.AddDevice(Device("bridged", A(172, 16, 0, 9), 7, ReplyMode::kGroup, 20'000));
  lab.AddDevice(Device("bridged", A(172, 16, 0, 9), 7, ReplyMode::kGroup, 5'000));
  Start();
  protocol.SearchDevices();
  ASSERT_EQ(protocol.deviceList().size(), 1u);
  EXPECT_EQ(protocol.deviceList().front().localInterface, kLab);

  // The other way round, the office wins.
  VirtualClock otherClock{1'000'000};
  MemoryNetwork otherNetwork{otherClock};
  otherNetwork.SetLocalAddresses({A(192, 168, 0, 100), A(10, 7, 0, 5)});
  SimulatedSegment first{otherNetwork, kOffice}, second{otherNetwork, kLab};
  first.AddDevice(Device("bridged", A(172, 16, 0, 9), 7, ReplyMode::kGroup, 5'000));
  second.AddDevice(Device("bridged", A(172, 16, 0, 9), 7, ReplyMode::kGroup, 20'000));
  DeviceProtocol other(otherNetwork, otherClock);
  ASSERT_TRUE(other.InitTransport());
  other.SearchDevices();
  ASSERT_EQ(other.deviceList().size(), 1u);
  EXPECT_EQ(other.deviceList().front().localInterface, kOffice);
}

TEST_F(TwoNetworks, EveryRequestGoesOutOnTheDevicesNetworkWithItsIdentifier) {
  SimulatedDevice& officeDevice =
      office.AddDevice(Device("office", A(192, 168, 0, 20), 1, ReplyMode::kUnicast));
  SimulatedDevice& labDevice =
      lab.AddDevice(Device("lab", A(10, 7, 0, 40), 2, ReplyMode::kUnicast));
  Start();
  protocol.SearchDevices();
  ASSERT_EQ(protocol.deviceList().size(), 2u);
  network.ClearSent();

  Select("10.7.0.40");
  ASSERT_EQ(protocol.FetchShares(), 1);
  ASSERT_FALSE(protocol.shareList().empty());
  EXPECT_STREQ(protocol.shareList().front().name, "lab-share");
  EXPECT_NE(protocol.CheckAdminPassword("qewro", "qewro"), 0);
  protocol.SetNewAddress("10.7.0.77", "255.255.255.0", "10.7.0.1");
  ASSERT_EQ(protocol.SetDeviceStatic(), 1);
  EXPECT_EQ(labDevice.settings().ip, A(10, 7, 0, 77));

  // After the change the record keeps its network: the next request, to the
  // new address, still goes there.
  ASSERT_NE(Find("10.7.0.77"), nullptr);
  EXPECT_EQ(Find("10.7.0.77")->localInterface, kLab);
  EXPECT_EQ(protocol.FetchShares(), 1);
  const auto sent = Sent();
  ASSERT_EQ(sent.size(), 4u);
  for (const auto& [via, datagram] : sent) {
    EXPECT_EQ(via, kLab);
    ASSERT_GE(datagram.size(), 11u);
    EXPECT_EQ(0, std::memcmp(datagram.data() + 1, IdOf(kLab), 10));
  }
  // The office device heard only the searches.
  EXPECT_EQ(officeDevice.counters().shareQueries + officeDevice.counters().passwordChecks +
                officeDevice.counters().setStatic,
            0);
  EXPECT_EQ(labDevice.counters().shareQueries, 2);

  // And the office device is asked on the office network.
  network.ClearSent();
  Select("192.168.0.20");
  EXPECT_NE(protocol.CheckAdminPassword("qewro", "qewro"), 0);
  ASSERT_EQ(network.sentOn(), std::vector<std::size_t>{kOffice});
  EXPECT_EQ(0, std::memcmp(network.sent()[0].data() + 1, IdOf(kOffice), 10));
  ASSERT_EQ(protocol.SetDeviceDhcp(), 1);
  EXPECT_EQ(network.sentOn(), (std::vector<std::size_t>{kOffice, kOffice}));
  EXPECT_EQ(Find("192.168.0.20")->localInterface, kOffice);
}

TEST_F(TwoNetworks, AReplyCarryingTheOtherNetworksIdentifierDoesNotAnswerARequest) {
  lab.AddDevice(Device("lab", A(10, 7, 0, 40), 2, ReplyMode::kUnicast));
  Start();
  protocol.SearchDevices();
  ASSERT_EQ(protocol.deviceList().size(), 1u);
  lab.SetSilent(0, true);
  Select("10.7.0.40");
  // The device's answer as it would be, but to the office's identifier.
  const std::uint8_t id[10] = {2, 0x11, 0x22, 0x33, 0x44, 0x55, 10, 7, 0, 40};
  network.AddGroupListener(kLab, [&](const std::uint8_t*, std::size_t) {
    network.Deliver(wire::BuildShareReply(IdOf(kOffice), id, "wrong"), 1000);
  });
  EXPECT_EQ(protocol.FetchShares(), 0);
  EXPECT_EQ(protocol.shareList().size(), 0u);
}

TEST_F(TwoNetworks, SearchRepliesToNoneOfOurIdentifiersAreNotListed) {
  Start();
  // A workstation with our random bytes on a third address, and one with
  // other random bytes on the lab address.
  std::uint8_t third[10], stranger[10];
  std::memcpy(third, IdOf(kLab), 10);
  third[9] = 6;
  std::memcpy(stranger, IdOf(kLab), 10);
  stranger[0] ^= 0xFF;
  const std::uint8_t id[10] = {9, 9, 9, 9, 9, 9, 10, 7, 0, 50};
  network.AddGroupListener(kLab, [&](const std::uint8_t*, std::size_t) {
    network.Deliver(wire::BuildSearchReply(third, id, '0', "255.255.255.0", "10.7.0.1", "x"), 1000);
    network.Deliver(wire::BuildSearchReply(stranger, id, '0', "255.255.255.0", "10.7.0.1", "y"),
                    1000);
  });
  protocol.SearchDevices();
  EXPECT_EQ(protocol.deviceList().size(), 0u);
}

TEST_F(TwoNetworks, ARecordNamingNoNetworkOfTheTransportIsAskedOnTheFirst) {
  // Heard on the lab; the transport then starts again on the office's
  // network alone, so the record names a network it no longer has.
  lab.AddDevice(Device("lab", A(10, 7, 0, 40), 2, ReplyMode::kUnicast));
  Start();
  protocol.SearchDevices();
  ASSERT_NE(Find("10.7.0.40"), nullptr);
  ASSERT_EQ(Find("10.7.0.40")->localInterface, kLab);
  protocol.ShutdownTransport();
  network.SetLocalAddresses({A(192, 168, 0, 100)});
  ASSERT_TRUE(protocol.InitTransport());
  network.ClearSent();
  Select("10.7.0.40");
  // Nobody on the office's network answers for it.
  EXPECT_EQ(protocol.FetchShares(), 0);
  EXPECT_EQ(network.sentOn(), std::vector<std::size_t>{kOffice});
  ASSERT_EQ(network.sent().size(), 1u);
  EXPECT_EQ(0, std::memcmp(network.sent()[0].data() + 1, IdOf(kOffice), 10));
}

}  // namespace
}  // namespace tessavue
