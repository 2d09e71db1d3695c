// The headless controls against the controls' contract (their keys and
// scrolling are checked through the window logic in tests/core/app).
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <utility>
#include <vector>

#include "controls_contract.h"
#include "headless_controls.h"
#include "virtual_clock.h"

namespace tessavue {
namespace {

class HeadlessHarness {
 public:
  ListView& MakeListView() { return lists_.emplace_back(); }
  ComboBox& MakeComboBox(bool sorted) { return combos_.emplace_back(sorted); }
  IpAddressControl& MakeIpAddress() { return addresses_.emplace_back(); }
  EditControl& MakeEdit() { return edits_.emplace_back(); }
  void ClickRow(ListView& list, int row) { static_cast<HeadlessListView&>(list).ClickRow(row); }
  void Type(EditControl& edit, const std::string& text) {
    static_cast<HeadlessEdit&>(edit).Type(text);
  }

 private:
  // A deque keeps every control where it was made.
  std::deque<HeadlessListView> lists_;
  std::deque<HeadlessComboBox> combos_;
  std::deque<HeadlessIpAddressControl> addresses_;
  std::deque<HeadlessEdit> edits_;
};

using namespace contract;
INSTANTIATE_TYPED_TEST_SUITE_P(HeadlessControls, ControlsContract, HeadlessHarness);

TEST(HeadlessComboBox, AnIndexPastTheItemsClearsTheSelection) {
  HeadlessComboBox combo;
  combo.AddString("d:");
  combo.AddString("E:");
  combo.SetCurSel(1);
  EXPECT_EQ(combo.CurrentText(), "E:");
  combo.SetCurSel(7);
  EXPECT_EQ(combo.GetCurSel(), -1);
  EXPECT_EQ(combo.CurrentText(), "");
}

// The window's timers as the tests run them: a window's loop on the virtual
// clock, which turns at every keep-alive of a wait and while time passes.
class VirtualTimersTest : public ::testing::Test, public TimerHandler {
 protected:
  VirtualTimersTest() { timers.clock = &clock; }
  void TimerFired(int timerId) override {
    fired.emplace_back(timerId, clock.NowMicros());
    if (onFire) onFire(timerId);
  }

  VirtualClock clock;
  VirtualTimers timers;
  std::vector<std::pair<int, std::int64_t>> fired;
  std::function<void(int)> onFire;
};

TEST_F(VirtualTimersTest, OneShotsRepeatsAndStopsFireAtTheirTimes) {
  const std::int64_t t0 = clock.NowMicros();
  timers.StartTimer(1, 250, false, *this);
  timers.StartTimer(2, 100, true, *this);
  timers.Pass(260'000);
  using Fire = std::pair<int, std::int64_t>;
  EXPECT_EQ(fired, (std::vector<Fire>{{2, t0 + 100'000}, {2, t0 + 200'000}, {1, t0 + 250'000}}));
  EXPECT_FALSE(timers.Running(1));
  EXPECT_TRUE(timers.Running(2));
  EXPECT_EQ(clock.NowMicros(), t0 + 260'000);

  // Started again, a timer's time starts anew; stopped, it never fires.
  fired.clear();
  timers.StopTimer(2);
  timers.StartTimer(1, 250, false, *this);
  timers.Pass(200'000);
  timers.StartTimer(1, 250, false, *this);
  timers.Pass(200'000);
  EXPECT_TRUE(fired.empty());
  timers.Pass(100'000);
  EXPECT_EQ(fired, (std::vector<Fire>{{1, t0 + 710'000}}));
  EXPECT_EQ(timers.starts(1), 3);
  EXPECT_EQ(timers.fires(1), 2);
}

TEST_F(VirtualTimersTest, AZeroPeriodTimerFiresOnceATurnOfTheLoop) {
  RecordingWaitHook waits;
  waits.timers = &timers;
  timers.StartTimer(7, 0, true, *this);
  // A handler that starts its own timer again does not hold the turn.
  onFire = [&](int id) { timers.StartTimer(id, 0, true, *this); };
  waits.KeepAlive();
  EXPECT_EQ(fired.size(), 1u);
  waits.KeepAlive();
  waits.KeepAlive();
  EXPECT_EQ(fired.size(), 3u);
  timers.StopTimer(7);
  waits.KeepAlive();
  EXPECT_EQ(fired.size(), 3u);
  // A one-shot restarted from its own handler fires again, later, in Pass.
  onFire = [&](int id) {
    if (timers.fires(id) < 3) timers.StartTimer(id, 50, false, *this);
  };
  timers.StartTimer(8, 50, false, *this);
  timers.Pass(1'000'000);
  EXPECT_EQ(timers.fires(8), 3);
}

}  // namespace
}  // namespace tessavue
