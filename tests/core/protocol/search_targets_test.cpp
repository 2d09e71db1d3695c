// Devices beyond the workstation's segment, found through search targets: a
// segment behind a router lets the workstation's unicast through and sends
// back only the replies addressed to it by unicast.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "memory_network.h"
#include "memory_segment.h"
#include "protocol.h"
#include "virtual_clock.h"
#include "wire.h"

namespace tessavue {
namespace {

Ipv4Address A(int a, int b, int c, int d) {
  return Ipv4Address{{std::uint8_t(a), std::uint8_t(b), std::uint8_t(c), std::uint8_t(d)}};
}

DeviceSettings Device(const char* name, Ipv4Address ip, std::uint8_t serial,
                      ReplyMode reply = ReplyMode::kUnicast) {
  DeviceSettings d;
  d.name = name;
  d.ip = ip;
  d.netmask = A(255, 255, 255, 0);
  d.gateway = A(ip.octet[0], ip.octet[1], ip.octet[2], 1);
  d.shares = std::string(name) + "-share";
  d.serial = {serial, 0x11, 0x22, 0x33, 0x44, 0x55};
  d.reply = reply;
  d.replyDelayMicros = 3000;
  d.dhcpAddress = A(10, 9, 0, 99);
  return d;
}

class SearchTargets : public ::testing::Test {
 protected:
  SearchTargets() {
    near = &office.AddDevice(Device("Near", A(192, 168, 0, 20), 1));
    far = &beyond.AddDevice(Device("Far", A(10, 9, 0, 30), 2));
    farGroup = &beyond.AddDevice(Device("FarGroup", A(10, 9, 0, 31), 3, ReplyMode::kGroup));
    farBroadcast =
        &beyond.AddDevice(Device("FarBroadcast", A(10, 9, 0, 32), 4, ReplyMode::kBroadcast));
    EXPECT_TRUE(protocol.InitTransport());
  }
  const DeviceRecord* Find(const char* ip) { return FindByAddress(protocol.deviceList(), ip); }
  std::vector<std::string> Names() {
    std::vector<std::string> names;
    for (const DeviceRecord& r : protocol.deviceList()) names.push_back(r.name);
    return names;
  }
  // The requests sent since the last ClearSent to `to`, and the client
  // identifier each carried.
  std::vector<wire::Bytes> SentTo(const Ipv4Address& to) {
    std::vector<wire::Bytes> out;
    for (std::size_t i = 0; i < network.sent().size(); ++i)
      if (network.sentTo()[i] == to) out.push_back(network.sent()[i]);
    return out;
  }
  static bool Carries(const wire::Bytes& request, const Ipv4Address& address) {
    return request.size() >= 11 && std::memcmp(request.data() + 7, address.octet, 4) == 0;
  }

  const Ipv4Address workstation = A(192, 168, 0, 100);
  const Ipv4Address group = A(224, 0, 0, 1);
  VirtualClock clock{1'000'000};
  MemoryNetwork network{clock};
  SimulatedSegment office{network, 0};
  SimulatedSegment beyond{network, 0, SegmentPlace::kBehindRouter};
  DeviceProtocol protocol{network, clock};
  SimulatedDevice* near = nullptr;
  SimulatedDevice* far = nullptr;
  SimulatedDevice* farGroup = nullptr;
  SimulatedDevice* farBroadcast = nullptr;
};

TEST_F(SearchTargets, BehindTheRouterOnlyATargetThatAnswersByUnicastIsFound) {
  protocol.SearchDevices();
  EXPECT_EQ(Names(), std::vector<std::string>{"Near"});
  EXPECT_EQ(far->counters().searches, 0);

  ASSERT_TRUE(protocol.AddTarget(A(10, 9, 0, 30)));
  ASSERT_TRUE(protocol.AddTarget(A(10, 9, 0, 31)));
  ASSERT_TRUE(protocol.AddTarget(A(10, 9, 0, 32)));
  network.ClearSent();
  protocol.SearchDevices();
  EXPECT_EQ(Names(), (std::vector<std::string>{"Near", "Far"}));
  // The group- and broadcast-answering devices heard the request, and their
  // replies stayed behind the router.
  EXPECT_EQ(farGroup->counters().searches, 3);
  EXPECT_EQ(farBroadcast->counters().searches, 3);
  EXPECT_GE(beyond.repliesToOthers(), 6);

  // Each target gets the request at the same three instants as the group,
  // with the identifier of the route's interface, and only its own device
  // answers it.
  EXPECT_EQ(far->counters().searches, 3);
  EXPECT_EQ(near->counters().searches, 6);  // both searches, by the group only
  ASSERT_EQ(network.sent().size(), 12u);
  for (std::size_t send = 0; send < 3; ++send) {
    EXPECT_EQ(network.sentTo()[send * 4], group);
    EXPECT_EQ(network.sentTo()[send * 4 + 1], A(10, 9, 0, 30));
  }
  for (const wire::Bytes& r : SentTo(A(10, 9, 0, 30))) {
    EXPECT_EQ(r[0], wire::kSearchRequest);
    EXPECT_EQ(0, std::memcmp(r.data() + 1, protocol.clientId(), 10));
  }
  const DeviceRecord* record = Find("10.9.0.30");
  ASSERT_NE(record, nullptr);
  EXPECT_NE(record->viaTarget, 0u);
  EXPECT_EQ(Find("192.168.0.20")->viaTarget, 0u);
}

TEST_F(SearchTargets, RequestsToADeviceFoundThroughATargetGoByUnicastAndFollowItsNewAddress) {
  protocol.AddTarget(A(10, 9, 0, 30));
  protocol.SearchDevices();
  ASSERT_NE(Find("10.9.0.30"), nullptr);

  network.ClearSent();
  protocol.SelectDevice("10.9.0.30");
  ASSERT_TRUE(protocol.FetchShares());
  ASSERT_FALSE(protocol.shareList().empty());
  EXPECT_STREQ(protocol.shareList().front().name, "Far-share");
  EXPECT_TRUE(protocol.CheckAdminPassword("qewro", "qewro"));
  EXPECT_FALSE(protocol.CheckAdminPassword("qewro", "wrong"));
  // A device on the segment keeps the group.
  protocol.SelectDevice("192.168.0.20");
  ASSERT_TRUE(protocol.FetchShares());
  EXPECT_STREQ(protocol.shareList().front().name, "Near-share");

  protocol.SelectDevice("10.9.0.30");
  protocol.SetNewAddress("10.9.0.44", "255.255.255.0", "10.9.0.1");
  ASSERT_TRUE(protocol.SetDeviceStatic());
  EXPECT_EQ(far->settings().ip, A(10, 9, 0, 44));
  EXPECT_EQ(protocol.targets(), std::vector<SearchTarget>{{A(10, 9, 0, 44)}});
  // Under its new address the next request still reaches it.
  ASSERT_TRUE(protocol.FetchShares());
  EXPECT_STREQ(protocol.shareList().front().name, "Far-share");

  const std::vector<wire::Bytes> toFar = SentTo(A(10, 9, 0, 30));
  const std::vector<wire::Bytes> toFarNow = SentTo(A(10, 9, 0, 44));
  ASSERT_EQ(toFar.size(), 4u);  // shares, two logins, the static set
  EXPECT_EQ(toFar[0][0], wire::kQueryRequest);
  EXPECT_EQ(toFar[3][0], wire::kSetRequest);
  ASSERT_EQ(toFarNow.size(), 1u);
  for (const auto& r : toFar) EXPECT_TRUE(Carries(r, workstation));
  const std::vector<wire::Bytes> toGroup = SentTo(group);
  ASSERT_EQ(toGroup.size(), 1u);
  EXPECT_EQ(toGroup[0][0], wire::kQueryRequest);

  // The next search goes to the new address, not the old one.
  network.ClearSent();
  protocol.SearchDevices();
  EXPECT_EQ(Names(), (std::vector<std::string>{"Near", "Far"}));
  EXPECT_NE(Find("10.9.0.44"), nullptr);
  EXPECT_EQ(SentTo(A(10, 9, 0, 30)).size(), 0u);
  EXPECT_EQ(SentTo(A(10, 9, 0, 44)).size(), 3u);

  // DHCP: the address the device confirms becomes the target.
  protocol.SelectDevice("10.9.0.44");
  ASSERT_TRUE(protocol.SetDeviceDhcp());
  EXPECT_EQ(protocol.targets(), std::vector<SearchTarget>{{A(10, 9, 0, 99)}});
  protocol.SearchDevices();
  EXPECT_NE(Find("10.9.0.99"), nullptr);
}

TEST_F(SearchTargets, AVpnRouteThatTheSegmentSearchDoesNotUse) {
  // The VPN's tun interface has no multicast: the segment search keeps the
  // office interface, and the route to the far subnet leaves by the tunnel.
  const Ipv4Address tunnel = A(172, 16, 5, 2);
  network.AddRoute(A(10, 9, 0, 0), A(255, 255, 0, 0), tunnel);
  protocol.AddTarget(A(10, 9, 0, 30));
  protocol.SearchDevices();
  EXPECT_EQ(network.heardBeyond(), std::vector<Ipv4Address>{tunnel});
  const DeviceRecord* record = Find("10.9.0.30");
  ASSERT_NE(record, nullptr);
  for (const wire::Bytes& r : SentTo(A(10, 9, 0, 30))) EXPECT_TRUE(Carries(r, tunnel));

  network.ClearSent();
  protocol.SelectDevice("10.9.0.30");
  ASSERT_TRUE(protocol.FetchShares());
  ASSERT_EQ(SentTo(A(10, 9, 0, 30)).size(), 1u);
  EXPECT_TRUE(Carries(SentTo(A(10, 9, 0, 30))[0], tunnel));
  EXPECT_EQ(0, std::memcmp(protocol.TargetRouteOf(*record)->clientId + 6, tunnel.octet, 4));

  // The tunnel goes down: the route now leaves from the office address, to
  // which the device's answer would not be sent. Nothing is sent.
  network.ClearRoutes();
  network.ClearSent();
  EXPECT_FALSE(protocol.FetchShares());
  EXPECT_EQ(network.sent().size(), 0u);
  // The next search follows: the target is reached from the office address,
  // and the device is found through the router again.
  protocol.SearchDevices();
  EXPECT_TRUE(network.heardBeyond().empty());
  ASSERT_NE(Find("10.9.0.30"), nullptr);
  for (const wire::Bytes& r : SentTo(A(10, 9, 0, 30))) EXPECT_TRUE(Carries(r, workstation));
}

TEST_F(SearchTargets, ADeviceOnTheSegmentGivenAsTargetIsListedOnce) {
  protocol.AddTarget(A(192, 168, 0, 20));
  protocol.SearchDevices();
  EXPECT_EQ(Names(), std::vector<std::string>{"Near"});
  EXPECT_EQ(near->counters().searches, 6);
  protocol.SelectDevice("192.168.0.20");
  EXPECT_TRUE(protocol.FetchShares());
}

TEST_F(SearchTargets, BadTargetsAreRefusedAndATargetWithoutARouteSendsNothing) {
  struct Case {
    const char* text;
    TargetProblem problem;
  } cases[] = {
      {"10.9.0.30", TargetProblem::kNone},
      {"223.255.255.254", TargetProblem::kNone},
      {"1.2.3", TargetProblem::kNotAnAddress},
      {"1.2.3.256", TargetProblem::kNotAnAddress},
      {"", TargetProblem::kNotAnAddress},
      {" 1.2.3.4", TargetProblem::kNotAnAddress},
      {"1.2.3.4.5", TargetProblem::kNotAnAddress},
      {"nas.local", TargetProblem::kNotAnAddress},
      {"0.0.0.0", TargetProblem::kUnspecified},
      {"255.255.255.255", TargetProblem::kBroadcast},
      {"224.0.0.1", TargetProblem::kMulticast},
      {"239.255.255.250", TargetProblem::kMulticast},
      {"127.0.0.1", TargetProblem::kLoopback},
      {"127.200.0.9", TargetProblem::kLoopback},
      {"240.0.0.1", TargetProblem::kReserved},
      {"0.1.2.3", TargetProblem::kUnspecified},
      // Subnets: /22 to /32, given by their network address.
      {"10.9.0.0/24", TargetProblem::kNone},
      {"10.9.0.0/22", TargetProblem::kNone},
      {"10.9.0.6/31", TargetProblem::kNone},
      {"10.9.0.7/32", TargetProblem::kNone},
      {"10.9.0.0/21", TargetProblem::kTooWide},
      {"10.0.0.0/8", TargetProblem::kTooWide},
      {"10.9.0.5/24", TargetProblem::kHostBits},
      {"10.9.2.0/22", TargetProblem::kHostBits},
      {"10.9.0.7/31", TargetProblem::kHostBits},
      {"10.9.0.0/", TargetProblem::kBadPrefix},
      {"10.9.0.0/33", TargetProblem::kBadPrefix},
      {"10.9.0.0/024", TargetProblem::kBadPrefix},
      {"10.9.0.0/2x", TargetProblem::kBadPrefix},
      {"10.9.0.0/-4", TargetProblem::kBadPrefix},
      {"10.9.0/24", TargetProblem::kNotAnAddress},
      {"224.0.0.0/24", TargetProblem::kMulticast},
      {"127.0.0.0/24", TargetProblem::kLoopback},
  };
  for (const Case& c : cases) {
    SearchTarget parsed;
    EXPECT_EQ(CheckTarget(c.text, parsed), c.problem) << c.text;
    const std::string text = c.text;
    if (c.problem == TargetProblem::kNone) {
      EXPECT_EQ(parsed.Text(), text.substr(0, text.find("/32")));
    }
    if (c.problem != TargetProblem::kNone) {
      EXPECT_NE(TargetProblemMessage(c.problem, c.text), "") << c.text;
    }
  }
  EXPECT_NE(TargetProblemMessage(TargetProblem::kMulticast, "224.0.0.1").find("224.0.0.1"),
            std::string::npos);
  // A single address takes no prefix where only an address is asked for.
  Ipv4Address single;
  EXPECT_EQ(CheckTarget("10.9.0.0/24", single), TargetProblem::kNotAnAddress);
  // The broadcast of the workstation's own network is refused; elsewhere
  // the same last octet is an ordinary address.
  const std::vector<Ipv4Address> broadcasts{A(192, 168, 0, 255)};
  EXPECT_EQ(CheckTarget(SearchTarget{A(192, 168, 0, 255)}, broadcasts),
            TargetProblem::kOwnBroadcast);
  EXPECT_EQ(CheckTarget(SearchTarget{A(10, 9, 0, 255)}, broadcasts), TargetProblem::kNone);
  EXPECT_FALSE(protocol.AddTarget(A(127, 0, 0, 1)));
  EXPECT_FALSE(protocol.AddTarget(A(224, 0, 0, 1)));
  EXPECT_TRUE(protocol.AddTarget(A(10, 9, 0, 30)));
  EXPECT_FALSE(protocol.AddTarget(A(10, 9, 0, 30)));  // already there
  EXPECT_EQ(protocol.targets().size(), 1u);
  // Four /22s fill the budget; a fifth address is one too many.
  protocol.SetTargets({{A(10, 8, 0, 0), 22}, {A(10, 8, 4, 0), 22}, {A(10, 8, 8, 0), 22}});
  EXPECT_TRUE(protocol.AddTarget(SearchTarget{A(10, 8, 12, 0), 22}));
  EXPECT_EQ(TargetAddressCount(protocol.targets()), 4088u);
  EXPECT_TRUE(protocol.AddTarget(SearchTarget{A(10, 9, 0, 0), 29}));
  EXPECT_TRUE(protocol.AddTarget(SearchTarget{A(10, 9, 0, 8), 31}));
  EXPECT_FALSE(protocol.AddTarget(A(10, 9, 1, 1)));
  protocol.SetTargets({{A(10, 9, 0, 30)}});

  // No interface at all, so no route: the target gets nothing and the
  // search still ends as usual.
  network.SetNoLocalAddress(true);
  network.ClearSent();
  const std::int64_t start = clock.NowMicros();
  protocol.SearchDevices();
  EXPECT_EQ(network.sent().size(), 0u);
  EXPECT_EQ(protocol.deviceList().size(), 0u);
  EXPECT_GE(clock.NowMicros() - start, kSearchWindowMicros);
}

// The unicast sends of the last search, by virtual time, and the most that
// left within any one millisecond.
int MostUnicastPerMillisecond(const MemoryNetwork& network, const Ipv4Address& group) {
  std::vector<std::int64_t> at;
  for (std::size_t i = 0; i < network.sent().size(); ++i)
    if (!(network.sentTo()[i] == group)) at.push_back(network.sentAt()[i]);
  int most = 0;
  for (std::size_t i = 0, j = 0; i < at.size(); ++i) {
    while (at[i] - at[j] >= 1000) ++j;
    most = std::max(most, static_cast<int>(i - j + 1));
  }
  return most;
}

TEST_F(SearchTargets, ASubnetIsSweptHostByHostPacedWithinTheSearchWindow) {
  SimulatedDevice& second = beyond.AddDevice(Device("FarTwo", A(10, 9, 0, 2), 5));
  // A plain search, for its length.
  std::int64_t start = clock.NowMicros();
  protocol.SearchDevices();
  const std::int64_t plain = clock.NowMicros() - start;

  ASSERT_TRUE(protocol.AddTarget(SearchTarget{A(10, 9, 0, 0), 24}));
  // Given once more inside the subnet: still one request a round.
  ASSERT_TRUE(protocol.AddTarget(A(10, 9, 0, 30)));
  network.ClearSent();
  start = clock.NowMicros();
  protocol.SearchDevices();
  EXPECT_EQ(clock.NowMicros() - start, plain);
  EXPECT_EQ(Names(), (std::vector<std::string>{"Near", "FarTwo", "Far"}));
  EXPECT_EQ(second.counters().searches, 3);
  EXPECT_EQ(far->counters().searches, 3);
  // Every host address three times, neither the network nor its broadcast.
  EXPECT_EQ(SentTo(A(10, 9, 0, 1)).size(), 3u);
  EXPECT_EQ(SentTo(A(10, 9, 0, 254)).size(), 3u);
  EXPECT_TRUE(SentTo(A(10, 9, 0, 0)).empty());
  EXPECT_TRUE(SentTo(A(10, 9, 0, 255)).empty());
  EXPECT_EQ(network.sent().size(), 3u * (254 + 1));
  EXPECT_LE(MostUnicastPerMillisecond(network, group), kSweepBatch);

  // Requests to a device found in the subnet go to it by unicast.
  network.ClearSent();
  protocol.SelectDevice("10.9.0.2");
  ASSERT_TRUE(protocol.FetchShares());
  EXPECT_EQ(SentTo(A(10, 9, 0, 2)).size(), 1u);
}

TEST_F(SearchTargets, A22SweepAddsNoTimeAndEachRoundEndsBeforeTheNext) {
  beyond.AddDevice(Device("FarCorner", A(10, 9, 3, 254), 6));
  ASSERT_TRUE(protocol.AddTarget(SearchTarget{A(10, 9, 0, 0), 22}));
  network.ClearSent();
  const std::int64_t start = clock.NowMicros();
  protocol.SearchDevices();
  EXPECT_EQ(clock.NowMicros() - start, kSearchWindowMicros);
  EXPECT_NE(Find("10.9.3.254"), nullptr);
  EXPECT_NE(Find("10.9.0.30"), nullptr);
  std::vector<std::int64_t> groupAt, lastUnicastOfRound(3, 0);
  std::size_t unicast = 0;
  for (std::size_t i = 0; i < network.sent().size(); ++i) {
    if (network.sentTo()[i] == group) {
      groupAt.push_back(network.sentAt()[i]);
    } else {
      lastUnicastOfRound[unicast++ / 1022] = network.sentAt()[i];
    }
  }
  ASSERT_EQ(groupAt.size(), 3u);
  EXPECT_EQ(unicast, 3u * 1022);
  EXPECT_LT(lastUnicastOfRound[0], groupAt[1]);
  EXPECT_LT(lastUnicastOfRound[1], groupAt[2]);
  EXPECT_LT(lastUnicastOfRound[2], groupAt[2] + kSearchLastGapMicros);
  EXPECT_LE(MostUnicastPerMillisecond(network, group), kSweepBatch);
}

TEST_F(SearchTargets, TargetsThatCannotBeSentToAreReportedAndTheRestIsSearched) {
  network.SetLocalBroadcasts({A(192, 168, 0, 255)});
  // Refused up front, and passed over (reported) when it became the
  // workstation's broadcast after it was added.
  ASSERT_TRUE(protocol.AddTarget(A(192, 168, 0, 255)));
  ASSERT_TRUE(protocol.AddTarget(A(10, 9, 0, 30)));
  ASSERT_TRUE(protocol.AddTarget(A(10, 9, 0, 77)));
  // The workstation's own subnet: its address and broadcast are skipped.
  ASSERT_TRUE(protocol.AddTarget(SearchTarget{A(192, 168, 0, 0), 24}));
  network.FailSendsTo(A(10, 9, 0, 77), SendResult::kDenied);
  network.FailSendsTo(A(192, 168, 0, 9), SendResult::kBufferFull);
  network.ClearSent();
  protocol.SearchDevices();
  EXPECT_EQ(Names(), (std::vector<std::string>{"Near", "Far"}));
  EXPECT_TRUE(SentTo(A(192, 168, 0, 255)).empty());
  EXPECT_TRUE(SentTo(workstation).empty());
  EXPECT_EQ(SentTo(A(192, 168, 0, 20)).size(), 3u);

  const std::vector<TargetTrouble>& troubles = protocol.targetTroubles();
  ASSERT_EQ(troubles.size(), 3u);
  EXPECT_EQ(troubles[0].problem, TargetProblem::kOwnBroadcast);
  EXPECT_NE(TargetTroubleMessage(troubles[0]).find("192.168.0.255"), std::string::npos);
  EXPECT_EQ(troubles[1].target, SearchTarget{A(10, 9, 0, 77)});
  EXPECT_EQ(troubles[1].result, SendResult::kDenied);
  EXPECT_EQ(TargetTroubleMessage(troubles[1]).rfind("10.9.0.77: not searched", 0), 0u);
  EXPECT_EQ(troubles[2].result, SendResult::kBufferFull);
  EXPECT_EQ(troubles[2].failed, 3u);
  EXPECT_EQ(troubles[2].tried, 3u * 253);
  EXPECT_NE(TargetTroubleMessage(troubles[2]).find("3 of 759"), std::string::npos);

  // Sends that go again: nothing to report.
  network.FailSendsTo(A(10, 9, 0, 77), SendResult::kSent);
  network.FailSendsTo(A(192, 168, 0, 9), SendResult::kSent);
  protocol.SetTargets({{A(10, 9, 0, 77)}});
  protocol.SearchDevices();
  EXPECT_TRUE(protocol.targetTroubles().empty());
}

TEST_F(SearchTargets, OnlyTheMovedDevicesOwnTargetFollowsIt) {
  // Targets through the same interface (a VPN's). The second is an address
  // the far router forwards to the device at 10.9.0.2, which answers from its
  // own address: its reply names neither target.
  network.AddRoute(A(10, 9, 0, 0), A(255, 255, 0, 0), A(172, 16, 5, 2));
  SimulatedDevice& forwarded = beyond.AddDevice(Device("Forwarded", A(10, 9, 0, 2), 5));
  network.AddUnicastListener(
      [this, &forwarded](const Ipv4Address& to, const std::uint8_t* d, std::size_t n) {
        if (to == A(10, 9, 0, 50)) network.SendToAddress(forwarded.settings().ip, d, n);
      });
  protocol.SetTargets({{A(10, 9, 0, 30)}, {A(10, 9, 0, 50)}, {A(10, 9, 4, 0), 24}});
  beyond.AddDevice(Device("InSubnet", A(10, 9, 4, 8), 6));
  protocol.SearchDevices();
  ASSERT_NE(Find("10.9.0.2"), nullptr);
  ASSERT_NE(Find("10.9.4.8"), nullptr);

  protocol.SelectDevice("10.9.0.2");
  protocol.SetNewAddress("10.9.0.3", "255.255.255.0", "10.9.0.1");
  ASSERT_TRUE(protocol.SetDeviceStatic());
  // Far's target stays; the moved device's new address is searched.
  EXPECT_EQ(protocol.targets(),
            (std::vector<SearchTarget>{
                {A(10, 9, 0, 30)}, {A(10, 9, 0, 50)}, {A(10, 9, 4, 0), 24}, {A(10, 9, 0, 3)}}));
  // Moved inside the subnet it was found in: nothing to change.
  protocol.SelectDevice("10.9.4.8");
  protocol.SetNewAddress("10.9.4.9", "255.255.255.0", "10.9.4.1");
  ASSERT_TRUE(protocol.SetDeviceStatic());
  EXPECT_EQ(protocol.targets().size(), 4u);
  // Far's own target follows Far, into the subnet: it just goes.
  protocol.SelectDevice("10.9.0.30");
  protocol.SetNewAddress("10.9.4.30", "255.255.255.0", "10.9.4.1");
  ASSERT_TRUE(protocol.SetDeviceStatic());
  EXPECT_EQ(protocol.targets(),
            (std::vector<SearchTarget>{{A(10, 9, 0, 50)}, {A(10, 9, 4, 0), 24}, {A(10, 9, 0, 3)}}));
  protocol.SearchDevices();
  EXPECT_NE(Find("10.9.0.3"), nullptr);
  EXPECT_NE(Find("10.9.4.30"), nullptr);
  EXPECT_NE(Find("10.9.4.9"), nullptr);
}

}  // namespace
}  // namespace tessavue
