#include "handler_state.h"

namespace tessavue {

void HandlerState::Enter() {
  if (waitDepth_++ == 0) host_.Waits().WaitBegins();
}

void HandlerState::Leave() {
  if (waitDepth_ > 0 && --waitDepth_ == 0) host_.Waits().WaitEnds();
}

void HandlerState::Lift() {
  if (waitDepth_ > 0) host_.Waits().WaitEnds();
}

void HandlerState::Resume() {
  if (waitDepth_ > 0) host_.Waits().WaitBegins();
}

HandlerState::Wait::Wait(HandlerState& state) : state_(state) { state_.Enter(); }

HandlerState::Wait::~Wait() { state_.Leave(); }

HandlerState::Handler::Handler(HandlerState& state, bool waits)
    : state_(state), entered_(!state.running_), waits_(waits && entered_) {
  if (!entered_) return;
  state_.running_ = true;
  if (waits_) state_.Enter();
}

HandlerState::Handler::~Handler() {
  if (!entered_) return;
  if (waits_) state_.Leave();
  state_.running_ = false;
}

void HandlerState::Report(const std::string& text, const std::string& caption, MessageIcon icon) {
  Lift();
  host_.MessageBox(text, caption, icon);
  Resume();
}

void HandlerState::ReportFailure(const std::string& text, const char* reason) {
  Report(text + "\n" + reason, kCaptionError, MessageIcon::Stop);
}

int HandlerState::RunLoginDialog(LoginDialogLogic& dialog) {
  Lift();
  const int result = host_.RunLoginDialog(dialog);
  Resume();
  return result;
}

int HandlerState::RunSearchAtAddressDialog(AddressPrompts& dialog) {
  Lift();
  const int result = host_.RunSearchAtAddressDialog(dialog);
  Resume();
  return result;
}

}  // namespace tessavue
