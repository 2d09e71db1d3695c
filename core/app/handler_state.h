// Which of the window's handlers runs, and the wait state it holds: the wait
// cursor and no user input while it waits for the network or the system,
// lifted while it asks the user something. Every handler enters both here,
// so the window is busy, idle or asking in one way only.
#pragma once

#include <string>

#include "controls.h"

namespace tessavue {

// Captions of the window's message boxes.
constexpr const char* kCaptionError = "Error";
constexpr const char* kCaptionWarning = "Warnning";
constexpr const char* kCaptionConfirm = "Confirm";

class HandlerState {
 public:
  explicit HandlerState(DialogHost& host) : host_(host) {}
  HandlerState(const HandlerState&) = delete;
  HandlerState& operator=(const HandlerState&) = delete;

  // A handler is running (its waits and questions included).
  bool Running() const { return running_; }
  // The user asks to end the window (Enter, Escape, the close box, "Exit"):
  // not while a handler runs, which may be asking the user something.
  bool MayClose() const { return !running_; }

  // The wait state (wait cursor, no user input) for a scope; scopes nest,
  // only the outermost changes the window.
  class Wait {
   public:
    explicit Wait(HandlerState& state);
    ~Wait();
    Wait(const Wait&) = delete;
    Wait& operator=(const Wait&) = delete;

   private:
    HandlerState& state_;
  };

  // A handler's life: false when another one already runs (this one then
  // does nothing). One that `waits` holds the wait state from its first
  // step to its end.
  class Handler {
   public:
    Handler(HandlerState& state, bool waits);
    ~Handler();
    Handler(const Handler&) = delete;
    Handler& operator=(const Handler&) = delete;
    explicit operator bool() const { return entered_; }

   private:
    HandlerState& state_;
    bool entered_;
    bool waits_;
  };

  // The handler's own modal dialogs, with the wait state lifted while they
  // are up (the user answers them).
  void Report(const std::string& text, const std::string& caption, MessageIcon icon);
  // A failure: the message, then the reason on a line of its own.
  void ReportFailure(const std::string& text, const char* reason);
  int RunLoginDialog(LoginDialogLogic& dialog);
  int RunSearchAtAddressDialog(AddressPrompts& dialog);

 private:
  void Enter();
  void Leave();
  // While a modal dialog is up.
  void Lift();
  void Resume();

  DialogHost& host_;
  bool running_ = false;
  int waitDepth_ = 0;
};

}  // namespace tessavue
