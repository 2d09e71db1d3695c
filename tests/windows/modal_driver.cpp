#include "modal_driver.h"

#include <cstring>

#include "search_address_dialog.h"

namespace tessavue::win32 {
namespace {

DialogDriver* gDriver = nullptr;
ModalRun* gStarting = nullptr;

// Posted to a dialog that is to be answered; taken out of the queue by the
// driver's hook before anything else sees it.
UINT AnswerMessage() {
  static const UINT message = RegisterWindowMessageA("tessavue test: answer the dialog");
  return message;
}

std::string Text(HWND window) {
  char buffer[1024] = {};
  GetWindowTextA(window, buffer, sizeof buffer);
  return buffer;
}

bool IsDialog(HWND window) {
  char className[16] = {};
  GetClassNameA(window, className, sizeof className);
  return std::strcmp(className, "#32770") == 0;
}

// The program's own dialogs come from its resources; a message box is made
// by the system from a template of its own.
bool IsProgramDialog(HWND dialog) {
  return GetWindowLongPtrA(dialog, GWLP_HINSTANCE) ==
         reinterpret_cast<LONG_PTR>(GetModuleHandleA(nullptr));
}

MessageIcon IconOf(HICON icon) {
  if (icon == LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_HAND))) return MessageIcon::Stop;
  if (icon == LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_EXCLAMATION)))
    return MessageIcon::Exclamation;
  if (icon == LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_ASTERISK)))
    return MessageIcon::Information;
  // None of the three: no icon the program asks for. Recorded as a value no
  // test expects.
  return static_cast<MessageIcon>(-1);
}

void Click(HWND dialog, int button) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
}

}  // namespace

DialogDriver::DialogDriver() {
  gDriver = this;
  const DWORD thread = GetCurrentThreadId();
  afterWindowProc_ = SetWindowsHookExA(WH_CALLWNDPROCRET, AfterWindowProc, nullptr, thread);
  getMessage_ = SetWindowsHookExA(WH_GETMESSAGE, OnGetMessage, nullptr, thread);
}

DialogDriver::~DialogDriver() {
  if (afterWindowProc_) UnhookWindowsHookEx(afterWindowProc_);
  if (getMessage_) UnhookWindowsHookEx(getMessage_);
  if (gDriver == this) gDriver = nullptr;
}

LRESULT CALLBACK DialogDriver::AfterWindowProc(int code, WPARAM wParam, LPARAM lParam) {
  const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
  if (code == HC_ACTION && gDriver && IsDialog(call->hwnd)) {
    if (call->message == WM_INITDIALOG) {
      // Answered from its own modal loop, once it is up.
      PostMessageA(call->hwnd, AnswerMessage(), 0, 0);
    } else if (call->message == WM_WINDOWPOSCHANGED && !gDriver->mainShown_ &&
               (reinterpret_cast<const WINDOWPOS*>(call->lParam)->flags & SWP_SHOWWINDOW) &&
               GetDlgItem(call->hwnd, kIdDeviceList) != nullptr) {
      gDriver->mainShown_ = true;
      if (gDriver->answers.mainShown) gDriver->answers.mainShown(call->hwnd);
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK DialogDriver::OnGetMessage(int code, WPARAM wParam, LPARAM lParam) {
  auto* message = reinterpret_cast<MSG*>(lParam);
  if (code == HC_ACTION && wParam == PM_REMOVE && message->message == AnswerMessage()) {
    const HWND dialog = message->hwnd;
    message->message = WM_NULL;
    if (gDriver && IsWindow(dialog)) gDriver->Answer(dialog);
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

void DialogDriver::Answer(HWND dialog) {
  if (!IsProgramDialog(dialog)) {
    AnswerMessageBox(dialog);
    return;
  }
  // The program's dialogs, told apart by their controls; the main window
  // is the test's own business.
  if (GetDlgItem(dialog, kIdDeviceList)) return;
  const std::function<void(HWND)>* answer = &answers.about;
  if (GetDlgItem(dialog, kUserNameEditId)) answer = &answers.login;
  if (GetDlgItem(dialog, kSearchAddressFieldId)) answer = &answers.searchAddress;
  if (*answer) {
    (*answer)(dialog);
  } else {
    // Nobody said what to do: "Cancel" (the About box has only "OK").
    Click(dialog, GetDlgItem(dialog, IDCANCEL) ? IDCANCEL : IDOK);
  }
}

void DialogDriver::AnswerMessageBox(HWND box) {
  ShownMessageBox shown{{}, Text(box), static_cast<MessageIcon>(-1)};
  for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    char className[16] = {};
    GetClassNameA(child, className, sizeof className);
    if (std::strcmp(className, "Static") != 0) continue;
    if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
      shown.icon = IconOf(reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0)));
    } else if (shown.text.empty()) {
      shown.text = Text(child);
    }
  }
  messageBoxes.push_back(shown);
  Click(box, IDOK);
  // The dialog the box stood in front of is in front again.
  HWND owner = GetWindow(box, GW_OWNER);
  if (owner && IsDialog(owner) && IsProgramDialog(owner) && !GetDlgItem(owner, kIdDeviceList))
    PostMessageA(owner, AnswerMessage(), 0, 0);
}

namespace {

// The main window of this thread: the dialog that holds the device list.
BOOL CALLBACK FindMainWindow(HWND window, LPARAM found) {
  if (!IsDialog(window) || !GetDlgItem(window, kIdDeviceList)) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

HWND MainWindowOfThisThread() {
  HWND found = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindMainWindow, reinterpret_cast<LPARAM>(&found));
  return found;
}

}  // namespace

HWND ModalRun::Start(MainWindow& window) {
  window_ = &window;
  finished_ = false;
  // The test's thread becomes a fiber once, the first time it is needed.
  static void* const testThread = ConvertThreadToFiber(nullptr);
  caller_ = testThread;
  fiber_ = CreateFiber(0, RunOnFiber, this);
  if (!caller_ || !fiber_) return nullptr;
  gStarting = this;
  SetTimer(nullptr, 0, USER_TIMER_MINIMUM, WhenIdle);
  SwitchToFiber(fiber_);
  gStarting = nullptr;
  dialog_ = finished_ ? nullptr : MainWindowOfThisThread();
  return dialog_;
}

void CALLBACK ModalRun::RunOnFiber(void* self) {
  auto* run = static_cast<ModalRun*>(self);
  run->result_ = run->window_->RunModal();
  run->finished_ = true;
  // A fiber never returns: it hands the thread back for good.
  for (;;) SwitchToFiber(run->caller_);
}

void CALLBACK ModalRun::WhenIdle(HWND, UINT, UINT_PTR timer, DWORD) {
  ModalRun* run = gStarting;
  if (!run) {
    KillTimer(nullptr, timer);
    return;
  }
  // Up: shown, and its first search over. The window shows itself from
  // its queue and then searches, disabled while the search waits (timers
  // come only when the queue is empty).
  HWND window = MainWindowOfThisThread();
  if (!window || !IsWindowVisible(window) || !IsWindowEnabled(window)) return;
  KillTimer(nullptr, timer);
  SwitchToFiber(run->caller_);
}

INT_PTR ModalRun::Finish() {
  if (!fiber_) return result_;
  if (!finished_) {
    if (dialog_ && IsWindow(dialog_)) EndDialog(dialog_, IDCANCEL);
    SwitchToFiber(fiber_);
  }
  DeleteFiber(fiber_);
  fiber_ = nullptr;
  return result_;
}

}  // namespace tessavue::win32
