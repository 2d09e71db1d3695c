// The three dialogs of tessavue.exe over the raw Win32 dialog manager: the
// main window (template 102) with its message dispatch, the "Login" dialog
// (134) and the About box (100), all in the program's colours.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "login_dialog.h"
#include "main_dialog.h"
#include "win32_controls.h"
#include "windows_api.h"

namespace tessavue::win32 {

// Background and text colour of every dialog of the program, with the brush
// that paints the background. Set once at start, kept for the whole run.
class DialogLook {
 public:
  DialogLook() = default;
  ~DialogLook();
  DialogLook(const DialogLook&) = delete;
  DialogLook& operator=(const DialogLook&) = delete;

  // Colours as 0x00BBGGRR.
  void SetColors(unsigned background, unsigned text);
  // The dialog procedures' answer to a WM_CTLCOLOR* message: the brush (as
  // the dialog procedure's result) after setting the colours on the device
  // context, or 0 to leave the control to its default colours.
  INT_PTR Answer(UINT message, WPARAM wParam, LPARAM lParam) const;

 private:
  bool set_ = false;
  COLORREF background_ = 0;
  COLORREF text_ = 0;
  HBRUSH brush_ = nullptr;
};

// The main dialog's window: creates the control wrappers over the template's
// controls, runs the MainDialog logic from the window's messages, and hosts
// the message boxes and the two small dialogs.
class MainWindow : public DialogHost, public WaitHook, public TimeService {
 public:
  MainWindow(HINSTANCE instance, DeviceProtocol& protocol, DriveLetterTable& drives,
             SystemServices services, const DialogLook& look);
  ~MainWindow() override;
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // A modal run with no owner, until the dialog ends.
  INT_PTR RunModal();

  // DialogHost
  void MessageBox(const std::string& text, const std::string& caption, MessageIcon icon) override;
  int RunLoginDialog(LoginDialogLogic& dialog) override;
  void RunAboutDialog() override;
  bool AddSystemMenuAbout(const std::string& text) override;
  bool AddSystemMenuEntry(const std::string& text, unsigned commandId) override;
  int RunSearchAtAddressDialog(AddressPrompts& dialog) override;
  void DestroyWindow() override;
  WaitHook& Waits() override { return *this; }
  TimeService& Time() override { return *this; }
  bool SelectionKeyHeld() const override;

  // TimeService: the window's timers (SetTimer), which its WM_TIMER runs;
  // a wait's KeepAlive dispatches WM_TIMER too.
  void StartTimer(int timerId, int milliseconds, bool repeating, TimerHandler& handler) override;
  void StopTimer(int timerId) override;

  // WaitHook: during a wait the window is disabled (it takes no mouse or
  // keys, and its close box does nothing) and shows the wait cursor; the
  // thread's messages are handled meanwhile, user input among them thrown
  // away, so the window paints and is never shown as not responding.
  void WaitBegins() override;
  void KeepAlive() override;
  void WaitEnds() override;

 private:
  static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
  BOOL OnInitDialog();
  // Shows and paints the window, then runs its first search.
  void ShowAndSearch();
  bool OnCommand(int id, int notification);
  void EndMainDialog(int result);
  bool OnNotify(const NMHDR& header);
  void OnTimer(UINT_PTR windowTimerId);
  // Minimised: the icon, centred in the client area, as the paint.
  void DrawIconCentered();
  // The window moved to a monitor of another DPI: the list columns follow
  // (the dialog manager scales the window, its font and its controls).
  void OnDpiChanged(int dpi);

  HINSTANCE instance_;
  DeviceProtocol& protocol_;
  DriveLetterTable& drives_;
  SystemServices services_;
  const DialogLook& look_;
  HICON icon_ = nullptr;
  HWND window_ = nullptr;
  int waitDepth_ = 0;
  HWND focusBeforeWait_ = nullptr;
  // The last key pressed in the device list (LVN_KEYDOWN).
  WORD deviceListKey_ = 0;
  // The DPI the list columns were last sized for.
  int dpi_ = 96;
  // The timers that run, by the logic's id, with their handlers.
  struct RunningTimer {
    TimerHandler* handler = nullptr;
    bool repeating = false;
  };
  std::map<int, RunningTimer> timers_;

  Win32Button configurationButton_, disconnectButton_, connectButton_, refreshButton_;
  Win32ComboBox dhcpCombo_, driveCombo_;
  Win32ListView shareList_, deviceList_;
  Win32IpAddress ipAddress_, netmaskAddress_, gatewayAddress_;
  std::unique_ptr<MainDialog> logic_;
};

// Where the icon goes when the window is minimised: centred in the client
// area, with the icon's size from the system.
void CenteredIconOrigin(int clientWidth, int clientHeight, int iconWidth, int iconHeight, int& x,
                        int& y);

// Registers the common control classes the dialogs hold (list views, IP
// address fields). Run once before the first dialog.
void InitCommonControlClasses();

}  // namespace tessavue::win32
