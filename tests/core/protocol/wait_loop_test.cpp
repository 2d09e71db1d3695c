// The reply wait loop, seen through the password check (query loop) and the
// set requests (set loop): what ends it, and how long it can last.
#include <gtest/gtest.h>

#include "simulated_lan.h"

namespace tessavue::testing {
namespace {

const std::uint8_t kSelected[4] = {192, 168, 0, 20};
const std::uint8_t kOther[4] = {192, 168, 0, 21};

// A LAN with one listed, selected device that does not answer by itself.
struct QuietLan : Lan {
  SimulatedDevice& device;
  QuietLan() : device(AddDevice()) {
    protocol.SearchDevices();
    Select("192.168.0.20");
    device.settings().queryAnswer.silent = true;
    device.settings().setAnswer.silent = true;
    net.ClearSent();
  }
  wire::Bytes Verdict(const std::uint8_t address[4], std::uint8_t verdict) {
    wire::Bytes d = Reply(wire::kQueryReply, address);
    d[28] = verdict;
    return d;
  }
};

TEST(WaitLoop, GivesUpAfterItsLongestWaitWhenNothingAnswers) {
  QuietLan lan;
  std::int64_t start = lan.clock.NowMicros();
  EXPECT_EQ(lan.protocol.CheckAdminPassword("", ""), 0);
  // 11 waits of 10 ms and 10 pauses of 100 ms.
  EXPECT_EQ(lan.clock.NowMicros() - start, LongestWait(kQueryLoop));
  EXPECT_EQ(LongestWait(kQueryLoop), 1110000);

  start = lan.clock.NowMicros();
  EXPECT_EQ(lan.protocol.SetDeviceDhcp(), 0);
  EXPECT_EQ(lan.clock.NowMicros() - start, 11010000);
  EXPECT_STREQ(lan.protocol.selectedDeviceIp(), "192.168.0.20");
}

// Every kind of datagram that is not the answer: other workstations' replies
// with the awaited opcodes, other devices' answers, wrong opcodes, errors.
struct Flood {
  QuietLan& lan;
  std::int64_t spacing;
  // For the DHCP set, whose answer may come from any device: no opcode-6
  // reply for this workstation among the strays.
  bool forDhcp = false;
  int sent = 0;
  // From now on, one stray datagram every `spacing` microseconds up to `span`,
  // cycling through the kinds, with some receive errors up front.
  void Fill(std::int64_t span) {
    lan.net.FailNextReceives(50);
    for (std::int64_t t = 0; t <= span; t += spacing, ++sent) {
      wire::Bytes d;
      switch (sent % 7) {
        case 0:
          d = lan.Reply(wire::kQueryReply, kSelected);
          d[1] ^= 0x01;
          break;  // other workstation
        case 1:
          d = lan.Reply(wire::kSetReply, kSelected);
          d[10] ^= 0x80;
          break;                                    // other workstation
        case 2: d = lan.Verdict(kOther, 1); break;  // other device
        case 3:                                     // other device
          d = lan.Reply(wire::kSetReply, kOther);
          if (forDhcp) d[5] ^= 0x10;
          break;
        case 4: d = lan.Reply(wire::kSearchReply, kSelected); break;   // wrong opcode
        case 5: d = lan.Reply(wire::kQueryRequest, kSelected); break;  // a request
        default: break;                                                // empty
      }
      lan.net.Deliver(d, t);
    }
  }
};

TEST(WaitLoop, StrayRepliesNeitherShortenNorLengthenTheWait) {
  // Without an answer each wait lasts exactly its longest wait, whether the
  // strays come one every 20 us (50,000/s) or every 5 ms, and go on past it.
  for (std::int64_t spacing : {20, 5000}) {
    SCOPED_TRACE(spacing);
    QuietLan lan;
    Flood flood{lan, spacing};
    flood.Fill(LongestWait(kQueryLoop) * 2);
    std::int64_t start = lan.clock.NowMicros();
    EXPECT_EQ(lan.protocol.CheckAdminPassword("", ""), 0);
    EXPECT_EQ(lan.clock.NowMicros() - start, LongestWait(kQueryLoop));

    start = lan.clock.NowMicros();
    EXPECT_EQ(lan.protocol.FetchShares(), 0);
    EXPECT_EQ(lan.clock.NowMicros() - start, LongestWait(kQueryLoop));
    EXPECT_EQ(lan.protocol.shareList().size(), 0u);
  }

  // The set loop, with another device's opcode-6 reply among the strays.
  QuietLan lan;
  Flood flood{lan, 1000};
  flood.Fill(LongestWait(kSetLoop) + 500000);
  lan.protocol.SetNewAddress("192.168.0.30", "", "");
  std::int64_t start = lan.clock.NowMicros();
  EXPECT_EQ(lan.protocol.SetDeviceStatic(), 0);
  EXPECT_EQ(lan.clock.NowMicros() - start, LongestWait(kSetLoop));
  EXPECT_EQ(LongestWait(kSetLoop), 11010000);
  EXPECT_STREQ(lan.protocol.selectedDeviceIp(), "192.168.0.20");
}

TEST(WaitLoop, LateAnswerIsFoundBehindAFlood) {
  QuietLan lan;
  Flood flood{lan, 20};
  flood.Fill(LongestWait(kQueryLoop));
  // Behind some 55,000 strays, 1 ms before the wait ends.
  const std::int64_t answerAt = LongestWait(kQueryLoop) - 1000;
  lan.net.Deliver(lan.Verdict(kSelected, 0x21), answerAt);
  const std::int64_t start = lan.clock.NowMicros();
  EXPECT_TRUE(lan.protocol.CheckAdminPassword("", ""));
  EXPECT_EQ(lan.clock.NowMicros() - start, answerAt);

  // An answer 1 ms too late is not taken.
  QuietLan late;
  Flood lateFlood{late, 20};
  lateFlood.Fill(LongestWait(kQueryLoop));
  late.net.Deliver(late.Verdict(kSelected, 0x21), LongestWait(kQueryLoop) + 1000);
  EXPECT_EQ(late.protocol.CheckAdminPassword("", ""), 0);

  // The DHCP set takes this workstation's opcode-6 reply from any device,
  // but not another workstation's.
  QuietLan set;
  Flood setFlood{set, 500, /*forDhcp=*/true};
  setFlood.Fill(9000000);
  const std::uint8_t moved[4] = {192, 168, 0, 88};
  set.net.Deliver(set.Reply(wire::kSetReply, moved), 9000000);
  EXPECT_EQ(set.protocol.SetDeviceDhcp(), 1);
  EXPECT_STREQ(set.protocol.selectedDeviceIp(), "192.168.0.88");
}

TEST(WaitLoop, FirstMatchingReplyWinsAndIsHandledWhenItArrives) {
  QuietLan lan;
  lan.net.Deliver(lan.Verdict(kSelected, 0x7F), 250000);
  lan.net.Deliver(lan.Verdict(kSelected, 0), 260000);
  const std::int64_t start = lan.clock.NowMicros();
  EXPECT_TRUE(lan.protocol.CheckAdminPassword("", ""));  // the refusal after it is not read
  // Read during a pause, not after it.
  EXPECT_EQ(lan.clock.NowMicros() - start, 250000);

  // A negative verdict byte is still an acceptance.
  lan.net.Deliver(lan.Verdict(kSelected, 0xFF), 0);
  EXPECT_TRUE(lan.protocol.CheckAdminPassword("", ""));
}

TEST(WaitLoop, DatagramSizeLimit) {
  QuietLan lan;
  // 4096 bytes are accepted, and the text at its very end is terminated
  // just after it.
  wire::Bytes big = lan.Reply(wire::kQueryReply, kSelected, 4096);
  std::memset(big.data() + 28, 'a', 4096 - 28);
  big[4095] = 'z';
  big[4040] = ':';
  lan.net.Deliver(big, 0);
  ASSERT_EQ(lan.protocol.FetchShares(), 1);
  ASSERT_EQ(lan.protocol.shareList().size(), 2u);
  EXPECT_EQ(std::string(lan.protocol.shareList().back().name), std::string(54, 'a') + "z");

  // 4097 bytes are a receive error: ignored, and not counted.
  wire::Bytes bigger = lan.Reply(wire::kQueryReply, kSelected, 4097);
  std::memcpy(bigger.data() + 28, "BIG", 3);
  for (int i = 0; i < 15; ++i) lan.net.Deliver(bigger, 0);
  wire::Bytes small = lan.Reply(wire::kQueryReply, kSelected, 33);
  std::memcpy(small.data() + 28, "SMALL", 5);
  lan.net.Deliver(small, 0);
  ASSERT_EQ(lan.protocol.FetchShares(), 1);
  ASSERT_EQ(lan.protocol.shareList().size(), 1u);
  EXPECT_STREQ(lan.protocol.shareList().front().name, "SMALL");
}

}  // namespace
}  // namespace tessavue::testing
