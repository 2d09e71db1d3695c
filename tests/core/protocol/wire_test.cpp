// Byte layout of every request, and reading replies that are short, long or
// hostile.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "simulated_lan.h"

namespace tessavue::testing {
namespace {

const std::uint8_t kClient[10] = {1, 2, 3, 4, 5, 6, 192, 168, 0, 100};
const std::uint8_t kDevice[10] = {0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 10, 0, 0, 9};

// Checks opcode, ClientId, DeviceId and subcode, and that the bytes 22..23
// are zero.
void ExpectHeader(const wire::Bytes& m, std::uint8_t opcode, std::uint8_t subcode) {
  ASSERT_GE(m.size(), 24u);
  EXPECT_EQ(m[0], opcode);
  EXPECT_EQ(0, std::memcmp(m.data() + 1, kClient, 10));
  EXPECT_EQ(0, std::memcmp(m.data() + 11, kDevice, 10));
  EXPECT_EQ(m[21], subcode);
  EXPECT_EQ(m[22], 0);
  EXPECT_EQ(m[23], 0);
}

std::uint32_t U32At(const wire::Bytes& m, std::size_t o) {
  return m[o] | m[o + 1] << 8 | m[o + 2] << 16 | static_cast<std::uint32_t>(m[o + 3]) << 24;
}

TEST(WireRequests, SearchAndShareQueryAndDhcpSet) {
  wire::Bytes search = wire::BuildSearchRequest(kClient);
  wire::Bytes expected = {1, 1, 2, 3, 4, 5, 6, 192, 168, 0, 100};
  EXPECT_EQ(search, expected);

  wire::Bytes shares = wire::BuildShareQuery(kClient, kDevice);
  ASSERT_EQ(shares.size(), 28u);
  ExpectHeader(shares, 3, 3);
  for (std::size_t i = 24; i < 28; ++i) EXPECT_EQ(shares[i], 0) << i;

  wire::Bytes dhcp = wire::BuildDhcpSet(kClient, kDevice);
  ASSERT_EQ(dhcp.size(), 60u);
  ExpectHeader(dhcp, 5, 2);
  for (std::size_t i = 22; i < 60; ++i) EXPECT_EQ(dhcp[i], 0) << i;
}

TEST(WireRequests, PasswordCheckBody) {
  // 15 + 15 characters: body 32, request 60.
  const std::string user = "abcdefghijklmno", password = "ABCDEFGHIJKLMNO";
  wire::Bytes m = wire::BuildPasswordQuery(kClient, kDevice, user, password);
  ASSERT_EQ(m.size(), 60u);
  ExpectHeader(m, 3, 4);
  EXPECT_EQ(U32At(m, 24), 32u);
  EXPECT_EQ(std::string(m.begin() + 28, m.begin() + 43), user);
  EXPECT_EQ(m[43], 0x55);
  EXPECT_EQ(m[44], 0xAA);
  EXPECT_EQ(std::string(m.begin() + 45, m.end()), password);

  // Empty texts still carry the separator.
  wire::Bytes empty = wire::BuildPasswordQuery(kClient, kDevice, "", "");
  ASSERT_EQ(empty.size(), 30u);
  EXPECT_EQ(U32At(empty, 24), 2u);
  EXPECT_EQ(empty[28], 0x55);
  EXPECT_EQ(empty[29], 0xAA);

  // The device's reading of it gives the two texts back.
  std::string u, p;
  ASSERT_TRUE(wire::ParsePasswordBody(wire::WireView(m.data(), m.size()), u, p));
  EXPECT_EQ(u, user);
  EXPECT_EQ(p, password);
  // A body length beyond the datagram is refused, not read.
  m[24] = 200;
  EXPECT_FALSE(wire::ParsePasswordBody(wire::WireView(m.data(), m.size()), u, p));
}

TEST(WireRequests, StaticSet) {
  wire::Bytes m =
      wire::BuildStaticSet(kClient, kDevice, "255.255.255.0", "192.168.10.254", "192.168.10.3");
  ASSERT_EQ(m.size(), 60u + 12u);
  ExpectHeader(m, 5, 1);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(m.data() + 24)), "255.255.255.0");
  for (std::size_t i = 24 + 13; i < 40; ++i) EXPECT_EQ(m[i], 0) << i;
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(m.data() + 40)), "192.168.10.254");
  for (std::size_t i = 40 + 14; i < 56; ++i) EXPECT_EQ(m[i], 0) << i;
  EXPECT_EQ(U32At(m, 56), 12u);
  EXPECT_EQ(std::string(m.begin() + 60, m.end()), "192.168.10.3");

  // An empty address gives exactly 60 bytes with length 0.
  wire::Bytes empty = wire::BuildStaticSet(kClient, kDevice, "", "", "");
  ASSERT_EQ(empty.size(), 60u);
  EXPECT_EQ(U32At(empty, 56), 0u);
  for (std::size_t i = 22; i < 60; ++i) EXPECT_EQ(empty[i], 0) << i;

  std::string nm, gw, ip;
  ASSERT_TRUE(wire::ParseStaticSet(wire::WireView(m.data(), m.size()), nm, gw, ip));
  EXPECT_EQ(nm, "255.255.255.0");
  EXPECT_EQ(gw, "192.168.10.254");
  EXPECT_EQ(ip, "192.168.10.3");
  m.pop_back();  // length now runs past the datagram
  EXPECT_FALSE(wire::ParseStaticSet(wire::WireView(m.data(), m.size()), nm, gw, ip));
}

TEST(WireReplies, SearchReplyFieldsAreCutToFit) {
  // A well-formed reply reads back as built.
  wire::Bytes r = wire::BuildSearchReply(kClient, kDevice, '1', "255.0.0.0", "10.0.0.1", "Cellar");
  wire::SearchReplyFields f = wire::ParseSearchReply(wire::WireView(r.data(), r.size()));
  EXPECT_EQ(f.name, "Cellar");
  EXPECT_EQ(f.netmask, "255.0.0.0");
  EXPECT_EQ(f.gateway, "10.0.0.1");
  EXPECT_EQ(f.addressMode, '1');
  EXPECT_EQ(0, std::memcmp(f.deviceId, kDevice, 10));
  EXPECT_EQ(f.address[0], 10);
  EXPECT_EQ(f.address[3], 9);

  // Unterminated 16-byte texts are cut at 15; a 300-byte name at 255.
  wire::Bytes hostile(60 + 300, 'x');
  hostile[0] = 2;
  std::memset(hostile.data() + 24, '9', 32);
  hostile[56] = 44;  // 300
  hostile[57] = 1;
  hostile[58] = 0;
  hostile[59] = 0;
  f = wire::ParseSearchReply(wire::WireView(hostile.data(), hostile.size()));
  EXPECT_EQ(f.netmask, std::string(15, '9'));
  EXPECT_EQ(f.gateway, std::string(15, '9'));
  EXPECT_EQ(f.name, std::string(255, 'x'));

  // A name length far beyond the datagram is bounded by the bytes received.
  hostile.resize(64);
  hostile[56] = hostile[57] = hostile[58] = hostile[59] = 0xFF;
  f = wire::ParseSearchReply(wire::WireView(hostile.data(), hostile.size()));
  EXPECT_EQ(f.name, "xxxx");

  // Shorter than the name field, or than the header: fields read as empty.
  wire::Bytes tiny = {2, 1, 2};
  f = wire::ParseSearchReply(wire::WireView(tiny.data(), tiny.size()));
  EXPECT_EQ(f.name, "");
  EXPECT_EQ(f.netmask, "");
  EXPECT_EQ(f.address[0], 0);
  EXPECT_EQ(f.deviceId[9], 0);
}

TEST(WireReplies, ShareTextSplitting) {
  auto names = [](const std::string& text) {
    wire::Bytes r = wire::BuildShareReply(kClient, kDevice, text);
    return wire::ParseShareNames(wire::WireView(r.data(), r.size()));
  };
  using V = std::vector<std::string>;
  EXPECT_EQ(names(":A::B:A:"), (V{"A", "B", "A"}));
  EXPECT_EQ(names(""), V{});
  EXPECT_EQ(names(":::"), V{});
  EXPECT_EQ(names("one share"), V{"one share"});
  EXPECT_EQ(names(std::string(100, 's') + ":t"), (V{std::string(63, 's'), "t"}));
  // The text ends at a zero byte inside the datagram.
  EXPECT_EQ(names(std::string("A:B\0C:D", 7)), (V{"A", "B"}));
}

}  // namespace
}  // namespace tessavue::testing
