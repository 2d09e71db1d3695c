// The workstation's networks change while the program runs (a cable plugged
// in late, a new lease, a second network that comes and goes): every search
// works on the networks of the moment, and a request to a device whose
// network has gone is not sent.
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

DeviceSettings Device(const char* name, Ipv4Address ip, Ipv4Address netmask, std::uint8_t serial) {
  DeviceSettings d;
  d.name = name;
  d.ip = ip;
  d.netmask = netmask;
  d.gateway = A(ip.octet[0], ip.octet[1], 0, 1);
  d.shares = std::string(name) + "-share";
  d.serial = {serial, 1, 2, 3, 4, 5};
  d.reply = ReplyMode::kUnicast;  // to the address the request names
  d.replyDelayMicros = 3000;
  return d;
}

class ChangingNetworks : public ::testing::Test {
 protected:
  const Ipv4Address kOfficeLease = A(192, 168, 0, 100);
  const Ipv4Address kNewLease = A(192, 168, 0, 150);
  const Ipv4Address kLabAddress = A(10, 7, 0, 5);
  const Ipv4Address kClass24 = A(255, 255, 255, 0);

  ChangingNetworks() {
    office.AddDevice(Device("office", A(192, 168, 0, 20), kClass24, 1));
    lab.AddDevice(Device("lab", A(10, 7, 0, 40), kClass24, 2));
  }

  void Start(std::vector<Ipv4Address> locals) {
    network.SetLocalAddresses(std::move(locals));
    ASSERT_TRUE(protocol.InitTransport());
    std::memcpy(random, protocol.clientId(), 6);
  }
  // The names of the devices listed, in order.
  std::vector<std::string> Listed() {
    std::vector<std::string> names;
    for (const DeviceRecord& r : protocol.deviceList()) names.push_back(r.name);
    return names;
  }
  std::vector<std::string> Search() {
    network.ClearSent();
    protocol.SearchDevices();
    return Listed();
  }
  // The identifier every interface's requests carry: the process's random
  // bytes, then that interface's address.
  void ExpectIdentifiers(const std::vector<Ipv4Address>& locals) {
    ASSERT_EQ(protocol.localInterfaces().size(), locals.size());
    for (std::size_t i = 0; i < locals.size(); ++i) {
      EXPECT_EQ(protocol.localInterfaces()[i].address, locals[i]);
      EXPECT_EQ(0, std::memcmp(protocol.localInterfaces()[i].clientId, random, 6)) << i;
      EXPECT_EQ(0, std::memcmp(protocol.localInterfaces()[i].clientId + 6, locals[i].octet, 4))
          << i;
    }
    const Ipv4Address first = locals.empty() ? Ipv4Address{} : locals.front();
    char dotted[16];
    FormatDotted(first.octet, dotted);
    EXPECT_STREQ(protocol.localIp(), dotted);
    EXPECT_EQ(0, std::memcmp(protocol.clientId(), random, 6));
    EXPECT_EQ(0, std::memcmp(protocol.clientId() + 6, first.octet, 4));
  }
  // The last search's requests on the wire: three rounds, one per interface
  // in order, each with its interface's identifier.
  void ExpectSearchRequestsFor(std::size_t interfaces) {
    ASSERT_EQ(network.sent().size(), 3 * interfaces);
    for (std::size_t i = 0; i < network.sent().size(); ++i) {
      EXPECT_EQ(network.sentOn()[i], i % interfaces);
      EXPECT_EQ(network.sent()[i],
                wire::BuildSearchRequest(protocol.localInterfaces()[i % interfaces].clientId));
    }
  }
  // A share request to `ip` that must fail without anything going out or
  // any time spent waiting.
  void ExpectRefusedAtOnce(const char* ip) {
    protocol.SelectDevice(ip);
    network.ClearSent();
    const std::int64_t before = clock.NowMicros();
    EXPECT_EQ(protocol.FetchShares(), 0) << ip;
    EXPECT_EQ(protocol.CheckAdminPassword("", ""), 0) << ip;
    protocol.SetNewAddress("10.7.0.77", "255.255.255.0", "10.7.0.1");
    EXPECT_EQ(protocol.SetDeviceStatic(), 0) << ip;
    EXPECT_EQ(protocol.SetDeviceDhcp(), 0) << ip;
    EXPECT_TRUE(network.sent().empty()) << ip;
    EXPECT_EQ(clock.NowMicros(), before) << ip;
  }

  VirtualClock clock{1'000'000};
  MemoryNetwork network{clock};
  SimulatedSegment office{network, 0};
  SimulatedSegment lab{network, 1};
  DeviceProtocol protocol{network, clock};
  std::uint8_t random[6] = {};
};

TEST_F(ChangingNetworks, NoAddressAtStartThenALinkLocalOne) {
  // A laptop wired straight to an enclosure: neither has an address when
  // the program starts; both take a link-local one a while later.
  office.SetSilent(0, true);
  SimulatedSegment wire{network, 0};
  wire.AddDevice(Device("direct", A(169, 254, 30, 40), A(255, 255, 0, 0), 3));
  Start({});
  ExpectIdentifiers({});
  EXPECT_TRUE(network.IsOpen());

  const std::int64_t start = clock.NowMicros();
  EXPECT_TRUE(Search().empty());
  EXPECT_TRUE(network.sent().empty());
  // The search still takes its usual time and returns: nothing hangs.
  EXPECT_GE(clock.NowMicros() - start, kSearchWindowMicros);
  EXPECT_TRUE(Search().empty());

  network.SetLocalAddresses({A(169, 254, 7, 9)});
  EXPECT_EQ(Search(), std::vector<std::string>{"direct"});
  ExpectIdentifiers({A(169, 254, 7, 9)});
  ExpectSearchRequestsFor(1);
  protocol.SelectDevice("169.254.30.40");
  EXPECT_EQ(protocol.FetchShares(), 1);
  ASSERT_EQ(protocol.shareList().size(), 1u);
  EXPECT_STREQ(protocol.shareList().front().name, "direct-share");
  // The sockets were moved, not opened again.
  EXPECT_EQ(network.opens(), 1);
  EXPECT_EQ(network.changes(), 1);
  EXPECT_EQ(network.boundAddress(0), A(169, 254, 7, 9));
}

TEST_F(ChangingNetworks, ANewLeaseIsTheAddressTheNextSearchAndItsRequestsCarry) {
  Start({kOfficeLease});
  EXPECT_EQ(Search(), std::vector<std::string>{"office"});

  // The lease changes after the search: the device was heard under the old
  // address, so nothing is asked of it until it is found again.
  network.SetLocalAddresses({kNewLease});
  ExpectRefusedAtOnce("192.168.0.20");

  // The device answers by unicast to the address the search names: only the
  // new one reaches the workstation.
  EXPECT_EQ(Search(), std::vector<std::string>{"office"});
  ExpectIdentifiers({kNewLease});
  ExpectSearchRequestsFor(1);
  EXPECT_EQ(office.repliesToOthers(), 0);
  network.ClearSent();
  protocol.SelectDevice("192.168.0.20");
  EXPECT_EQ(protocol.FetchShares(), 1);
  ASSERT_EQ(network.sent().size(), 1u);
  EXPECT_EQ(0, std::memcmp(network.sent()[0].data() + 1, protocol.clientId(), 10));
  EXPECT_EQ(network.opens(), 1);
  EXPECT_EQ(network.changes(), 1);
}

TEST_F(ChangingNetworks, ASecondNetworkComesAndGoes) {
  Start({kOfficeLease});
  EXPECT_EQ(Search(), std::vector<std::string>{"office"});
  EXPECT_EQ(lab.device(0).counters().searches, 0);

  // Docked: the lab network appears beside the office one.
  network.SetLocalAddresses({kOfficeLease, kLabAddress});
  EXPECT_EQ(Search(), (std::vector<std::string>{"office", "lab"}));
  ExpectIdentifiers({kOfficeLease, kLabAddress});
  ExpectSearchRequestsFor(2);
  EXPECT_EQ(FindByAddress(protocol.deviceList(), "10.7.0.40")->localInterface, 1u);

  // Undocked between the search and a request: the lab device was heard on
  // the network that has gone. The office device is still asked.
  network.SetLocalAddresses({kOfficeLease});
  ExpectRefusedAtOnce("10.7.0.40");
  EXPECT_EQ(lab.device(0).counters().shareQueries, 0);
  protocol.SelectDevice("192.168.0.20");
  network.ClearSent();
  EXPECT_EQ(protocol.FetchShares(), 1);
  EXPECT_EQ(network.sentOn(), std::vector<std::size_t>{0});

  // The next search covers the office network alone.
  EXPECT_EQ(Search(), std::vector<std::string>{"office"});
  ExpectIdentifiers({kOfficeLease});
  ExpectSearchRequestsFor(1);

  // Docked again: found again.
  network.SetLocalAddresses({kOfficeLease, kLabAddress});
  EXPECT_EQ(Search(), (std::vector<std::string>{"office", "lab"}));
  protocol.SelectDevice("10.7.0.40");
  EXPECT_EQ(protocol.FetchShares(), 1);
  EXPECT_EQ(network.opens(), 1);
  EXPECT_EQ(network.changes(), 3);
}

TEST_F(ChangingNetworks, EveryAddressGoneAndBack) {
  Start({kOfficeLease});
  EXPECT_EQ(Search(), std::vector<std::string>{"office"});

  // The cable is pulled.
  network.SetLocalAddresses({});
  ExpectRefusedAtOnce("192.168.0.20");
  EXPECT_TRUE(Search().empty());
  EXPECT_TRUE(network.sent().empty());
  ExpectIdentifiers({});

  // And put back.
  network.SetLocalAddresses({kOfficeLease});
  EXPECT_EQ(Search(), std::vector<std::string>{"office"});
  ExpectIdentifiers({kOfficeLease});
}

TEST_F(ChangingNetworks, UnchangedNetworksAreReadEachSearchAndNothingElseIsDone) {
  Start({kOfficeLease, kLabAddress});
  EXPECT_EQ(Search(), (std::vector<std::string>{"office", "lab"}));
  const std::vector<std::vector<std::uint8_t>> first = network.sent();
  const int reads = network.reads();
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(Search(), (std::vector<std::string>{"office", "lab"}));
    EXPECT_EQ(network.sent(), first);
  }
  // Read anew by every search; the sockets as they were opened.
  EXPECT_EQ(network.reads(), reads + 3);
  EXPECT_EQ(network.opens(), 1);
  EXPECT_EQ(network.changes(), 0);

  // The same two addresses in the other order (the route moved to the lab
  // network): the first one is the workstation's address now.
  network.SetLocalAddresses({kLabAddress, kOfficeLease});
  Search();
  ExpectIdentifiers({kLabAddress, kOfficeLease});
  EXPECT_EQ(network.changes(), 1);
}

TEST_F(ChangingNetworks, ARefreshBeforeTheTransportStartsOrAfterItEndsDoesNothing) {
  EXPECT_FALSE(protocol.RefreshInterfaces());
  EXPECT_EQ(network.opens(), 0);
  Start({kOfficeLease});
  network.SetLocalAddresses({kNewLease});
  protocol.ShutdownTransport();
  EXPECT_FALSE(protocol.RefreshInterfaces());
  EXPECT_FALSE(network.IsOpen());
}

}  // namespace
}  // namespace tessavue
