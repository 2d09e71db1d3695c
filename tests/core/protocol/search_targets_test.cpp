// Devices beyond the workstation's segment, found through search targets: a
// segment behind a router lets the workstation's unicast through and sends
// back only the replies addressed to it by unicast.
#include <gtest/gtest.h>

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
    for (const DeviceRecord* r = protocol.deviceList().head; r; r = r->next)
      names.push_back(r->name);
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
  ASSERT_NE(protocol.shareList().head, nullptr);
  EXPECT_STREQ(protocol.shareList().head->name, "Far-share");
  protocol.SetLogin("qewro", "qewro");
  EXPECT_TRUE(protocol.CheckAdminPassword());
  protocol.SetLogin("qewro", "wrong");
  EXPECT_FALSE(protocol.CheckAdminPassword());
  // A device on the segment keeps the group.
  protocol.SelectDevice("192.168.0.20");
  ASSERT_TRUE(protocol.FetchShares());
  EXPECT_STREQ(protocol.shareList().head->name, "Near-share");

  protocol.SelectDevice("10.9.0.30");
  protocol.SetNewAddress("10.9.0.44", "255.255.255.0", "10.9.0.1");
  ASSERT_TRUE(protocol.SetDeviceStatic());
  EXPECT_EQ(far->settings().ip, A(10, 9, 0, 44));
  EXPECT_EQ(protocol.targets(), std::vector<Ipv4Address>{A(10, 9, 0, 44)});
  // Under its new address the next request still reaches it.
  ASSERT_TRUE(protocol.FetchShares());
  EXPECT_STREQ(protocol.shareList().head->name, "Far-share");

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
  EXPECT_EQ(protocol.targets(), std::vector<Ipv4Address>{A(10, 9, 0, 99)});
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
      {"10.9.0.30", TargetProblem::kNone},         {"223.255.255.254", TargetProblem::kNone},
      {"1.2.3", TargetProblem::kNotAnAddress},     {"1.2.3.256", TargetProblem::kNotAnAddress},
      {"", TargetProblem::kNotAnAddress},          {" 1.2.3.4", TargetProblem::kNotAnAddress},
      {"1.2.3.4.5", TargetProblem::kNotAnAddress}, {"nas.local", TargetProblem::kNotAnAddress},
      {"0.0.0.0", TargetProblem::kUnspecified},    {"255.255.255.255", TargetProblem::kBroadcast},
      {"224.0.0.1", TargetProblem::kMulticast},    {"239.255.255.250", TargetProblem::kMulticast},
      {"127.0.0.1", TargetProblem::kLoopback},     {"127.200.0.9", TargetProblem::kLoopback},
  };
  for (const Case& c : cases) {
    Ipv4Address parsed;
    EXPECT_EQ(CheckTarget(c.text, parsed), c.problem) << c.text;
    if (c.problem != TargetProblem::kNone) {
      EXPECT_NE(TargetProblemMessage(c.problem, c.text), "") << c.text;
    }
  }
  EXPECT_NE(TargetProblemMessage(TargetProblem::kMulticast, "224.0.0.1").find("224.0.0.1"),
            std::string::npos);
  EXPECT_FALSE(protocol.AddTarget(A(127, 0, 0, 1)));
  EXPECT_FALSE(protocol.AddTarget(A(224, 0, 0, 1)));
  EXPECT_TRUE(protocol.AddTarget(A(10, 9, 0, 30)));
  EXPECT_FALSE(protocol.AddTarget(A(10, 9, 0, 30)));  // already there
  EXPECT_EQ(protocol.targets().size(), 1u);

  // No interface at all, so no route: the target gets nothing and the
  // search still ends as usual.
  network.SetNoLocalAddress(true);
  network.ClearSent();
  const std::int64_t start = clock.NowMicros();
  protocol.SearchDevices();
  EXPECT_EQ(network.sent().size(), 0u);
  EXPECT_EQ(protocol.deviceList().count, 0);
  EXPECT_GE(clock.NowMicros() - start, kSearchWindowMicros);
}

}  // namespace
}  // namespace tessavue
