// The timers of the window's loop. The core starts and stops its timers by
// ids of its own choosing; the front end runs them on its own loop (SetTimer
// on Windows, QTimer on Linux, the virtual clock in the tests) and, when one
// comes due, calls the handler given at its start: between two messages of
// the loop, or inside a wait's KeepAlive, never in the middle of a handler's
// own step.
#pragma once

namespace tessavue {

class TimerHandler {
 public:
  virtual ~TimerHandler() = default;
  virtual void TimerFired(int timerId) = 0;
};

class TimeService {
 public:
  virtual ~TimeService() = default;
  // Timer `timerId` fires `milliseconds` from now, once, or with `repeating`
  // every `milliseconds` until it is stopped. 0 milliseconds: at the loop's
  // next turn (at most once a turn; a system may make it its shortest
  // period). Starting a timer that runs starts its time anew.
  virtual void StartTimer(int timerId, int milliseconds, bool repeating, TimerHandler& handler) = 0;
  // A stopped timer does not fire; stopping one that does not run does
  // nothing.
  virtual void StopTimer(int timerId) = 0;
};

}  // namespace tessavue
