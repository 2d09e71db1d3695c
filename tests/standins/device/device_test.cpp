// The simulated device's answers, byte for byte, and its refusal of
// everything that is not a well-formed request for it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "demo_devices.h"
#include "device.h"

namespace tessavue {
namespace {

using Bytes = std::vector<std::uint8_t>;

const std::uint8_t kClient[10] = {0xde, 0xad, 0xbe, 0xef, 0x01, 0x02, 192, 168, 0, 100};

Ipv4Address A(int a, int b, int c, int d) {
  return Ipv4Address{{std::uint8_t(a), std::uint8_t(b), std::uint8_t(c), std::uint8_t(d)}};
}

DeviceSettings Nas() {
  DeviceSettings s;
  s.name = "NAS-1";
  s.ip = A(192, 168, 0, 20);
  s.netmask = A(255, 255, 255, 0);
  s.gateway = A(192, 168, 0, 1);
  s.shares = "public:media";
  s.serial = {1, 2, 3, 4, 5, 6};
  return s;
}

void Le32(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.at(at + i) = std::uint8_t(v >> (8 * i));
}
std::uint32_t Le32(const Bytes& b, std::size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | std::uint32_t(b[at + 3]) << 24;
}

Bytes Search() {
  Bytes b(11, 0);
  b[0] = 1;
  std::memcpy(&b[1], kClient, 10);
  return b;
}

// Common header of a request to the device with identifier `id`.
Bytes Request(std::uint8_t opcode, std::uint8_t subcode, const std::array<std::uint8_t, 10>& id,
              std::size_t length) {
  Bytes b(length, 0);
  b[0] = opcode;
  std::memcpy(&b[1], kClient, 10);
  std::memcpy(&b[11], id.data(), 10);
  b[21] = subcode;
  return b;
}

// The requests with a text body are made at their full length and the texts
// copied in place: appending them (vector::insert) draws false -Warray-bounds
// reports from GCC 12 at -O3.
Bytes Login(const std::array<std::uint8_t, 10>& id, const std::string& user,
            const std::string& password) {
  Bytes b = Request(3, 4, id, 28 + user.size() + 2 + password.size());
  Le32(b, 24, std::uint32_t(user.size() + password.size() + 2));
  auto at = std::copy(user.begin(), user.end(), b.begin() + 28);
  *at++ = 0x55;
  *at++ = 0xAA;
  std::copy(password.begin(), password.end(), at);
  return b;
}

Bytes SetStatic(const std::array<std::uint8_t, 10>& id, const std::string& ip,
                const std::string& netmask, const std::string& gateway) {
  Bytes b = Request(5, 1, id, 60 + ip.size());
  std::memcpy(&b[24], netmask.data(), std::min<std::size_t>(16, netmask.size()));
  std::memcpy(&b[40], gateway.data(), std::min<std::size_t>(16, gateway.size()));
  Le32(b, 56, std::uint32_t(ip.size()));
  std::copy(ip.begin(), ip.end(), b.begin() + 60);
  return b;
}

std::string Text(const Bytes& b, std::size_t at, std::size_t n) {
  return std::string(reinterpret_cast<const char*>(b.data() + at), n);
}
std::string CText(const Bytes& b, std::size_t at) {
  return std::string(reinterpret_cast<const char*>(b.data() + at));
}

RequestOutcome Send(SimulatedDevice& d, const Bytes& b) { return d.Handle(b.data(), b.size()); }

TEST(SimulatedDevice, SearchReplyCarriesTheDeviceAndGoesToTheRequester) {
  DeviceSettings s = Nas();
  s.name = std::string("a\"b\\c\0d\xff", 8);
  s.dhcp = true;
  SimulatedDevice d(s);
  RequestOutcome out = Send(d, Search());
  ASSERT_EQ(out.kind, RequestKind::kSearch);
  ASSERT_TRUE(out.reply);
  EXPECT_EQ(out.reply->destination, A(192, 168, 0, 100));
  const Bytes& r = out.reply->datagram;
  ASSERT_EQ(r.size(), 60u + 8u);
  EXPECT_EQ(r[0], 2);
  EXPECT_EQ(0, std::memcmp(&r[1], kClient, 10));
  const std::uint8_t id[10] = {1, 2, 3, 4, 5, 6, 192, 168, 0, 20};
  EXPECT_EQ(0, std::memcmp(&r[11], id, 10));
  EXPECT_EQ(r[21], '1');
  EXPECT_EQ(CText(r, 24), "255.255.255.0");
  EXPECT_EQ(CText(r, 40), "192.168.0.1");
  EXPECT_EQ(Le32(r, 56), 8u);
  EXPECT_EQ(Text(r, 60, 8), s.name);

  d = SimulatedDevice(Nas());
  EXPECT_EQ(Send(d, Search()).reply->datagram[21], '0');
}

TEST(SimulatedDevice, ShareQueryAndPasswordCheck) {
  SimulatedDevice d(Nas());
  RequestOutcome shares = Send(d, Request(3, 3, d.DeviceId(), 28));
  ASSERT_TRUE(shares.reply);
  EXPECT_EQ(shares.reply->datagram[0], 4);
  EXPECT_EQ(Text(shares.reply->datagram, 28, shares.reply->datagram.size() - 28), "public:media");
  EXPECT_EQ(shares.reply->datagram[20], 20);  // reply's address byte

  struct Case {
    std::string user, password;
    bool accepted;
  } cases[] = {{"qewro", "qewro", true},  {"qewro", "qewr", false}, {"qewro", "qewroo", false},
               {"QEWRO", "qewro", false}, {"", "qewro", false},     {"qewro", "", false}};
  for (const Case& c : cases) {
    RequestOutcome out = Send(d, Login(d.DeviceId(), c.user, c.password));
    ASSERT_TRUE(out.reply) << c.user << "/" << c.password;
    EXPECT_EQ(out.reply->datagram.size(), 29u);
    EXPECT_EQ(out.reply->datagram[28] != 0, c.accepted) << c.user << "/" << c.password;
  }

  // Sixteen characters each, as the login dialog allows.
  DeviceSettings s = Nas();
  s.adminUser = "abcdefghijklmnop";
  s.adminPassword = "0123456789abcdef";
  SimulatedDevice full(s);
  EXPECT_TRUE(Send(full, Login(full.DeviceId(), s.adminUser, s.adminPassword)).accepted);
  EXPECT_EQ(full.counters().passwordsAccepted, 1);
}

TEST(SimulatedDevice, BrokenPasswordBodiesAreRefusedNotOverread) {
  SimulatedDevice d(Nas());
  Bytes good = Login(d.DeviceId(), "qewro", "qewro");

  Bytes tooLong = good;  // body length past the datagram's end
  Le32(tooLong, 24, 13);
  Bytes huge = good;
  Le32(huge, 24, 0xFFFFFFFFu);
  Bytes noSeparator = good;
  noSeparator[28 + 5] = 'x';
  Bytes shortBody = good;  // body cut before the password's end
  Le32(shortBody, 24, 11);
  for (const Bytes& b : {tooLong, huge, noSeparator, shortBody}) {
    RequestOutcome out = Send(d, b);
    ASSERT_TRUE(out.reply);
    EXPECT_EQ(out.reply->datagram[28], 0);
  }
  // Trailing bytes after the body are not part of the password.
  Bytes padded = good;
  padded.resize(200, 'z');
  EXPECT_TRUE(Send(d, padded).accepted);
}

TEST(SimulatedDevice, OnlyRequestsForItsOwnIdentifierAreAnswered) {
  SimulatedDevice d(Nas());
  auto otherSerial = d.DeviceId();
  otherSerial[0] ^= 1;
  auto otherAddress = d.DeviceId();
  otherAddress[9] ^= 1;
  for (const auto& id : {otherSerial, otherAddress}) {
    EXPECT_EQ(Send(d, Request(3, 3, id, 28)).kind, RequestKind::kIgnored);
    EXPECT_EQ(Send(d, Request(5, 2, id, 60)).kind, RequestKind::kIgnored);
  }
  EXPECT_FALSE(d.settings().dhcp);
  // Replies heard on the group, unknown opcodes and subcodes.
  for (std::uint8_t opcode : {0, 2, 4, 6, 7, 255}) {
    Bytes b = Request(opcode, 3, d.DeviceId(), 60);
    EXPECT_FALSE(Send(d, b).reply) << int(opcode);
  }
  EXPECT_EQ(Send(d, Request(3, 9, d.DeviceId(), 28)).kind, RequestKind::kMalformed);
  EXPECT_EQ(Send(d, Request(5, 3, d.DeviceId(), 60)).kind, RequestKind::kMalformed);
}

TEST(SimulatedDevice, ShortAndRandomDatagramsNeverCrashOrAnswerWrongly) {
  SimulatedDevice d(Nas());
  const DeviceSettings before = d.settings();
  // Every prefix of every well-formed request.
  for (const Bytes& full :
       {Search(), Request(3, 3, d.DeviceId(), 28), Login(d.DeviceId(), "qewro", "qewro"),
        Request(5, 2, d.DeviceId(), 60),
        SetStatic(d.DeviceId(), "192.168.0.77", "255.255.255.0", "192.168.0.1")}) {
    for (std::size_t n = 0; n < full.size(); ++n) {
      Bytes cut(full.begin(), full.begin() + n);
      RequestOutcome out = d.Handle(cut.empty() ? nullptr : cut.data(), n);
      // A cut password check is a refusal; anything else cut is not answered.
      if (out.kind == RequestKind::kPasswordCheck) {
        ASSERT_TRUE(out.reply);
        EXPECT_EQ(out.reply->datagram[28], 0) << "cut to " << n;
      } else {
        EXPECT_FALSE(out.reply) << "opcode " << int(full[0]) << " cut to " << n;
      }
    }
  }
  EXPECT_EQ(d.settings().ip, before.ip);
  EXPECT_FALSE(d.settings().dhcp);

  std::mt19937 random(1234);
  for (int i = 0; i < 20000; ++i) {
    Bytes b(random() % 120);
    for (auto& byte : b) byte = std::uint8_t(random());
    if (!b.empty()) b[0] = std::uint8_t(1 + random() % 6);
    if (b.size() > 21 && random() % 2) std::memcpy(&b[11], d.DeviceId().data(), 10);
    RequestOutcome out = d.Handle(b.data(), b.size());
    if (out.reply) {
      EXPECT_LE(out.reply->datagram.size(), kMaxDatagram);
    }
  }
}

TEST(SimulatedDevice, StaticSetMovesTheDeviceAndItAnswersUnderTheNewIdentifier) {
  SimulatedDevice d(Nas());
  d = SimulatedDevice([] {
    DeviceSettings s = Nas();
    s.dhcp = true;
    return s;
  }());
  const auto oldId = d.DeviceId();
  RequestOutcome out = Send(d, SetStatic(oldId, "10.1.2.3", "255.0.0.0", "10.0.0.254"));
  ASSERT_EQ(out.kind, RequestKind::kSetStatic);
  ASSERT_TRUE(out.reply);
  const Bytes& r = out.reply->datagram;
  ASSERT_EQ(r.size(), 21u);
  EXPECT_EQ(r[0], 6);
  const std::uint8_t newId[10] = {1, 2, 3, 4, 5, 6, 10, 1, 2, 3};
  EXPECT_EQ(0, std::memcmp(&r[11], newId, 10));

  EXPECT_EQ(Send(d, Request(3, 3, oldId, 28)).kind, RequestKind::kIgnored);
  EXPECT_TRUE(Send(d, Request(3, 3, d.DeviceId(), 28)).reply);
  const Bytes search = Send(d, Search()).reply->datagram;
  EXPECT_EQ(search[21], '0');
  EXPECT_EQ(CText(search, 24), "255.0.0.0");
  EXPECT_EQ(CText(search, 40), "10.0.0.254");
}

// Every reply follows the reply mode; a set request's reply is sent as the
// device is after the change (its new subnet's broadcast).
TEST(SimulatedDevice, RepliesGoWhereTheReplyModeSays) {
  for (ReplyMode mode : {ReplyMode::kUnicast, ReplyMode::kGroup, ReplyMode::kBroadcast}) {
    SCOPED_TRACE(ReplyModeName(mode));
    DeviceSettings s = Nas();
    s.reply = mode;
    SimulatedDevice d(s);
    const Ipv4Address before = mode == ReplyMode::kUnicast ? A(192, 168, 0, 100)
                               : mode == ReplyMode::kGroup ? A(224, 0, 0, 1)
                                                           : A(192, 168, 0, 255);
    for (const Bytes& request :
         {Search(), Request(3, 3, d.DeviceId(), 28), Login(d.DeviceId(), "qewro", "qewro")}) {
      RequestOutcome out = Send(d, request);
      ASSERT_TRUE(out.reply);
      EXPECT_EQ(out.reply->destination, before);
      // The workstation is still named in the reply, whatever its destination.
      EXPECT_EQ(0, std::memcmp(&out.reply->datagram[1], kClient, 10));
    }
    RequestOutcome moved =
        Send(d, SetStatic(d.DeviceId(), "10.20.30.40", "255.255.240.0", "10.20.16.1"));
    ASSERT_TRUE(moved.reply);
    EXPECT_EQ(moved.reply->destination,
              mode == ReplyMode::kBroadcast ? A(10, 20, 31, 255) : before);
  }
}

TEST(SimulatedDevice, MalformedStaticSetChangesNothing) {
  SimulatedDevice d(Nas());
  const auto id = d.DeviceId();
  Bytes unterminated = SetStatic(id, "10.1.2.3", "255.255.255.0", "10.1.2.1");
  std::memset(&unterminated[24], '1', 16);
  Bytes lengthPastEnd = SetStatic(id, "10.1.2.3", "255.255.255.0", "10.1.2.1");
  Le32(lengthPastEnd, 56, 9);
  Bytes lengthHuge = SetStatic(id, "10.1.2.3", "255.255.255.0", "10.1.2.1");
  Le32(lengthHuge, 56, 0xFFFFFFF0u);
  for (const Bytes& b : {SetStatic(id, "", "255.255.255.0", "10.1.2.1"),
                         SetStatic(id, "10.1.2.256", "255.255.255.0", "10.1.2.1"),
                         SetStatic(id, "10.1.2.3", "255.255.255", "10.1.2.1"),
                         SetStatic(id, "10.1.2.3 ", "255.255.255.0", "10.1.2.1"), unterminated,
                         lengthPastEnd, lengthHuge}) {
    RequestOutcome out = Send(d, b);
    EXPECT_EQ(out.kind, RequestKind::kMalformed);
    EXPECT_FALSE(out.reply);
  }
  EXPECT_EQ(d.DeviceId(), id);
  EXPECT_EQ(d.settings().netmask, A(255, 255, 255, 0));
}

TEST(SimulatedDevice, DhcpSetTakesTheDhcpAddressOrKeepsItsOwn) {
  SimulatedDevice keeps(Nas());
  RequestOutcome out = Send(keeps, Request(5, 2, keeps.DeviceId(), 60));
  ASSERT_TRUE(out.reply);
  EXPECT_EQ(out.reply->datagram[20], 20);
  EXPECT_TRUE(keeps.settings().dhcp);

  DeviceSettings s = Nas();
  s.dhcpAddress = A(192, 168, 0, 150);
  SimulatedDevice moves(s);
  out = Send(moves, Request(5, 2, moves.DeviceId(), 60));
  ASSERT_TRUE(out.reply);
  EXPECT_EQ(out.reply->datagram[17], 192);
  EXPECT_EQ(out.reply->datagram[20], 150);
  EXPECT_EQ(Send(moves, Search()).reply->datagram[21], '1');
  EXPECT_EQ(moves.counters().setDhcp, 1);
}

TEST(SimulatedDevice, EachClassOfRequestIsAnsweredLateOrNotAtAllAsItsSettingsSay) {
  DeviceSettings s = Nas();
  s.replyDelayMicros = 7000;
  s.setAnswer.delayMicros = 200000;
  SimulatedDevice d(s);
  // Searches and queries take the device's delay, set requests their own.
  ASSERT_TRUE(Send(d, Search()).reply);
  EXPECT_EQ(Send(d, Search()).reply->delayMicros, 7000);
  EXPECT_EQ(Send(d, Request(3, 3, d.DeviceId(), 28)).reply->delayMicros, 7000);
  EXPECT_EQ(Send(d, Login(d.DeviceId(), "qewro", "qewro")).reply->delayMicros, 7000);
  RequestOutcome out = Send(d, Request(5, 2, d.DeviceId(), 60));
  ASSERT_TRUE(out.reply);
  EXPECT_EQ(out.reply->delayMicros, 200000);

  // A silent class is still heard, counted and acted on, but not answered;
  // the others keep answering. Settings changed in play count from the next
  // datagram on.
  d.settings().queryAnswer.silent = true;
  d.settings().setAnswer.silent = true;
  out = Send(d, Login(d.DeviceId(), "qewro", "qewro"));
  EXPECT_EQ(out.kind, RequestKind::kPasswordCheck);
  EXPECT_TRUE(out.accepted);
  EXPECT_FALSE(out.reply);
  EXPECT_FALSE(Send(d, Request(3, 3, d.DeviceId(), 28)).reply);
  out = Send(d, SetStatic(d.DeviceId(), "10.1.2.3", "255.0.0.0", "10.0.0.1"));
  EXPECT_EQ(out.kind, RequestKind::kSetStatic);
  EXPECT_FALSE(out.reply);
  EXPECT_EQ(d.settings().ip, A(10, 1, 2, 3));
  EXPECT_EQ(d.counters().passwordsAccepted, 2);
  EXPECT_EQ(d.counters().shareQueries, 2);
  ASSERT_TRUE(Send(d, Search()).reply);
  d.settings().searchAnswer.silent = true;
  EXPECT_FALSE(Send(d, Search()).reply);
  EXPECT_EQ(d.counters().searches, 4);

  // Delays of their own are held to the same bounds as the device's.
  EXPECT_EQ(CheckSettings(s), "");
  s.queryAnswer.delayMicros = -1;
  EXPECT_EQ(CheckSettings(s), "reply delay outside 0 to 60000 ms");
  s.queryAnswer.delayMicros = kMaxReplyDelayMicros + 1;
  EXPECT_EQ(CheckSettings(s), "reply delay outside 0 to 60000 ms");
  s.queryAnswer.delayMicros = kMaxReplyDelayMicros;
  EXPECT_EQ(CheckSettings(s), "");
}

TEST(DemoDevices, ThreeDevicesAroundTheWorkstation) {
  for (const Ipv4Address& ws : {A(192, 168, 0, 100), A(10, 0, 5, 20), A(172, 16, 255, 31)}) {
    std::vector<DeviceSettings> demo = DemoDevices(ws);
    ASSERT_EQ(demo.size(), 3u);
    int onSubnet = 0, dhcp = 0, ownPassword = 0;
    std::set<std::array<std::uint8_t, 10>> ids;
    for (const auto& s : demo) {
      EXPECT_EQ(CheckSettings(s), "");
      EXPECT_NE(s.ip, ws);
      EXPECT_FALSE(s.shares.empty());
      bool same = true;
      for (int i = 0; i < 4; ++i)
        same &= (s.ip.octet[i] & s.netmask.octet[i]) == (ws.octet[i] & s.netmask.octet[i]);
      onSubnet += same;
      dhcp += s.dhcp;
      ownPassword += s.adminPassword != "qewro";
      ids.insert(SimulatedDevice(s).DeviceId());
    }
    EXPECT_EQ(onSubnet, 2);
    EXPECT_EQ(dhcp, 1);
    EXPECT_EQ(ownPassword, 1);
    EXPECT_EQ(ids.size(), 3u);
  }
}

}  // namespace
}  // namespace tessavue
