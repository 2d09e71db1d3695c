// The reply wait loop, seen through the password check (query loop) and the
// set requests (set loop): what counts as a cycle, and how long it can last.
#include <gtest/gtest.h>

#include "simulated_lan.h"

namespace tessavue::testing {
namespace {

const std::uint8_t kSelected[4] = {192, 168, 0, 20};
const std::uint8_t kOther[4] = {192, 168, 0, 21};

// A LAN with one listed, selected device that does not answer by itself.
struct QuietLan : Lan {
  ScriptedDevice& device;
  QuietLan() : device(AddDevice()) {
    protocol.SearchDevices();
    Select("192.168.0.20");
    device.queryDelay = -1;
    device.setDelay = -1;
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
  EXPECT_EQ(lan.protocol.CheckAdminPassword(), 0);
  // 11 waits of 10 ms and 10 pauses of 100 ms.
  EXPECT_EQ(lan.clock.NowMicros() - start, LongestWait(kQueryLoop));
  EXPECT_EQ(LongestWait(kQueryLoop), 1110000);

  start = lan.clock.NowMicros();
  EXPECT_EQ(lan.protocol.SetDeviceDhcp(), 0);
  EXPECT_EQ(lan.clock.NowMicros() - start, 11010000);
  EXPECT_STREQ(lan.protocol.SelectedDeviceIp, "192.168.0.20");
}

TEST(WaitLoop, WrongOpcodesAndReceiveErrorsAreNotCounted) {
  QuietLan lan;
  // Twenty stray opcodes and twenty receive errors right away, then the
  // answer at 1.0 s: with any of them counted the loop would have given up.
  for (int i = 0; i < 20; ++i) lan.net.Deliver(lan.Reply(wire::kSetReply, kSelected), 0);
  lan.net.Deliver(lan.Verdict(kSelected, 1), 1000000);
  lan.net.FailNextReceives(20);
  EXPECT_EQ(lan.protocol.CheckAdminPassword(), 1);
}

TEST(WaitLoop, OtherDevicesAndOtherWorkstationsUseUpCycles) {
  QuietLan lan;
  // Five replies from another device, six for another workstation: eleven
  // counted cycles, so the right answer queued behind them is never read.
  for (int i = 0; i < 5; ++i) lan.net.Deliver(lan.Verdict(kOther, 1), 0);
  for (int i = 0; i < 6; ++i) {
    wire::Bytes d = lan.Verdict(kSelected, 1);
    d[3] ^= 0x40;
    lan.net.Deliver(d, 0);
  }
  lan.net.Deliver(lan.Verdict(kSelected, 1), 0);
  EXPECT_EQ(lan.protocol.CheckAdminPassword(), 0);

  // Ten of them leave one cycle for the answer.
  lan.net.Deliver(wire::Bytes(), 0);  // an empty datagram has no opcode: not counted
  for (int i = 0; i < 10; ++i) lan.net.Deliver(lan.Verdict(kOther, 1), 0);
  lan.net.Deliver(lan.Verdict(kSelected, 1), 0);
  EXPECT_EQ(lan.protocol.CheckAdminPassword(), 1);
}

TEST(WaitLoop, ReplyReadInAPauseTakesThePlaceOfTheNextCycle) {
  QuietLan lan;
  // Another device answers about once per cycle, each time during a pause.
  // Read one per cycle, as if each had waited for the next cycle's turn,
  // they leave the selected device time to answer at 0.6 s.
  for (int i = 0; i < 20; ++i) lan.net.Deliver(lan.Verdict(kOther, 1), 50000 + i * 110000);
  lan.net.Deliver(lan.Verdict(kSelected, 1), 600000);
  EXPECT_EQ(lan.protocol.CheckAdminPassword(), 1);
}

TEST(WaitLoop, FirstMatchingReplyWinsAndIsHandledWhenItArrives) {
  QuietLan lan;
  lan.net.Deliver(lan.Verdict(kSelected, 0x7F), 250000);
  lan.net.Deliver(lan.Verdict(kSelected, 0), 260000);
  const std::int64_t start = lan.clock.NowMicros();
  EXPECT_EQ(lan.protocol.CheckAdminPassword(), 0x7F);
  // Read during a pause, not after it.
  EXPECT_EQ(lan.clock.NowMicros() - start, 250000);

  // A negative verdict byte is still an acceptance.
  lan.net.Deliver(lan.Verdict(kSelected, 0xFF), 0);
  EXPECT_EQ(lan.protocol.CheckAdminPassword(), -1);
}

TEST(WaitLoop, FloodOfJunkCannotHoldTheLoopOpen) {
  QuietLan lan;
  // Stray opcodes every 20 microseconds for 2 s.
  for (int i = 0; i < 100000; ++i) lan.net.Deliver(lan.Reply(wire::kSearchReply, kSelected), i * 20);
  const std::int64_t start = lan.clock.NowMicros();
  EXPECT_EQ(lan.protocol.CheckAdminPassword(), 0);
  EXPECT_LE(lan.clock.NowMicros() - start, LongestWait(kQueryLoop) + 100000);
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
  ASSERT_EQ(lan.protocol.ShareList.count, 2);
  EXPECT_EQ(std::string(lan.protocol.ShareList.tail->name), std::string(54, 'a') + "z");

  // 4097 bytes are a receive error: ignored, and not counted.
  wire::Bytes bigger = lan.Reply(wire::kQueryReply, kSelected, 4097);
  std::memcpy(bigger.data() + 28, "BIG", 3);
  for (int i = 0; i < 15; ++i) lan.net.Deliver(bigger, 0);
  wire::Bytes small = lan.Reply(wire::kQueryReply, kSelected, 33);
  std::memcpy(small.data() + 28, "SMALL", 5);
  lan.net.Deliver(small, 0);
  ASSERT_EQ(lan.protocol.FetchShares(), 1);
  ASSERT_EQ(lan.protocol.ShareList.count, 1);
  EXPECT_STREQ(lan.protocol.ShareList.head->name, "SMALL");
}

}  // namespace
}  // namespace tessavue::testing
