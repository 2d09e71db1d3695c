#include "win32_dialogs.h"

#include <cstring>

#include "resource.h"
#include "win32_accessible.h"
#include "search_address_dialog.h"

namespace tessavue::win32 {

// The resource script and the window logic name the same controls.
static_assert(IDD_TESSAVUE_DIALOG == kMainDialogTemplate && IDD_ABOUTBOX == kAboutDialogTemplate);
static_assert(IDD_LOGIN == kLoginDialogTemplate && IDS_ABOUTBOX == kIdsAboutMenu);
static_assert(IDR_MAINFRAME == kIdrMainIcon && IDM_ABOUTBOX == kIdmAboutBox);
static_assert(IDC_DEVICE_LIST == kIdDeviceList && IDC_SHARE_LIST == kIdShareList);
static_assert(IDC_REFRESH == kIdRefresh && IDC_CONNECT == kIdConnect);
static_assert(IDC_DISCONNECT == kIdDisconnect && IDC_IPADDRESS == kIdIpAddress);
static_assert(IDC_APPLY == kIdApply && IDC_CONFIGURATION == kIdConfiguration);
static_assert(IDC_EXIT == kIdExit && IDC_NETMASK == kIdNetmask && IDC_GATEWAY == kIdGateway);
static_assert(IDC_DRIVE_COMBO == kIdDriveCombo && IDC_DHCP_COMBO == kIdDhcpCombo);
static_assert(IDC_ABOUT == kIdAbout && IDC_USERNAME == kUserNameEditId);
static_assert(IDC_REMEMBER_PASSWORD == kRememberPasswordId);
static_assert(IDC_PASSWORD == kPasswordEditId && IDOK == kIdOk && IDCANCEL == kIdCancel);
static_assert(IDD_SEARCH_ADDRESS == kSearchAddressDialogTemplate &&
              IDC_SEARCH_ADDRESS == kSearchAddressFieldId &&
              IDC_SEARCH_PREFIX == kSearchPrefixFieldId &&
              IDM_SEARCH_ADDRESS == kIdmSearchAtAddress && IDM_FORGET_TARGETS == kIdmForgetTargets);

void InitCommonControlClasses() {
  INITCOMMONCONTROLSEX classes{};
  classes.dwSize = sizeof classes;
  classes.dwICC = ICC_LISTVIEW_CLASSES | ICC_INTERNET_CLASSES | ICC_STANDARD_CLASSES;
  ::InitCommonControlsEx(&classes);
}

// --- colours ---

DialogLook::~DialogLook() {
  if (brush_) ::DeleteObject(brush_);
}

void DialogLook::SetColors(unsigned background, unsigned text) {
  if (brush_) ::DeleteObject(brush_);
  background_ = background;
  text_ = text;
  brush_ = ::CreateSolidBrush(background_);
  set_ = brush_ != nullptr;
}

INT_PTR DialogLook::Answer(UINT message, WPARAM wParam, LPARAM lParam) const {
  if (!set_) return 0;
  if (message == WM_CTLCOLORSTATIC || message == WM_CTLCOLORBTN) {
    // Static texts, group boxes and the button surrounds take the colours;
    // a disabled edit (which also asks with WM_CTLCOLORSTATIC) keeps its own.
    char className[16] = {};
    ::GetClassNameA(reinterpret_cast<HWND>(lParam), className, sizeof className);
    if (std::strcmp(className, "Static") != 0 && std::strcmp(className, "Button") != 0) return 0;
  } else if (message != WM_CTLCOLORDLG) {
    return 0;
  }
  HDC dc = reinterpret_cast<HDC>(wParam);
  ::SetTextColor(dc, text_);
  ::SetBkColor(dc, background_);
  return reinterpret_cast<INT_PTR>(brush_);
}

namespace {

// The window's timer ids are the logic's, above the ones the system may use
// for the dialog's own controls.
constexpr UINT_PTR kTimerIdBase = 0x100;
// WM_DPICHANGED, which older headers lack.
constexpr UINT kWmDpiChanged = 0x02E0;
// Posted at the end of WM_INITDIALOG: the window goes on screen, then the
// first search runs.
constexpr UINT kWmShowAndSearch = WM_APP + 1;

bool IsColorMessage(UINT message) {
  return message == WM_CTLCOLORDLG || message == WM_CTLCOLORSTATIC || message == WM_CTLCOLORBTN ||
         message == WM_CTLCOLOREDIT || message == WM_CTLCOLORLISTBOX ||
         message == WM_CTLCOLORSCROLLBAR || message == WM_CTLCOLORMSGBOX;
}

int SystemDpi() { return WindowDpi(nullptr); }

HCURSOR SystemCursor(LPCSTR id) { return ::LoadCursorA(nullptr, id); }
HCURSOR WaitCursor() { return SystemCursor(reinterpret_cast<LPCSTR>(IDC_WAIT)); }
HCURSOR ArrowCursor() { return SystemCursor(reinterpret_cast<LPCSTR>(IDC_ARROW)); }

UINT IconStyle(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Stop: return MB_ICONSTOP;
    case MessageIcon::Exclamation: return MB_ICONEXCLAMATION;
    case MessageIcon::Information: return MB_ICONINFORMATION;
  }
  return 0;
}

// --- the "Search at address" dialog ---

struct SearchAddressRun {
  AddressPrompts& logic;
  const DialogLook& look;
  Win32IpAddress address;
  Win32Edit prefix;
};

INT_PTR CALLBACK SearchAddressProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* run = reinterpret_cast<SearchAddressRun*>(lParam);
    ::SetWindowLongPtrA(window, DWLP_USER, lParam);
    run->address.Attach(::GetDlgItem(window, kSearchAddressFieldId));
    NameFieldsByLabels(window);
    run->prefix.Attach(::GetDlgItem(window, kSearchPrefixFieldId));
    run->logic.OnInitDialog(run->address);
    run->logic.OnInitPrefix(run->prefix);
    return TRUE;
  }
  auto* run = reinterpret_cast<SearchAddressRun*>(::GetWindowLongPtrA(window, DWLP_USER));
  if (!run) return FALSE;
  if (IsColorMessage(message)) return run->look.Answer(message, wParam, lParam);
  if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
    if (LOWORD(wParam) == IDOK) {
      // A refused address: the logic has said why, and the dialog stays.
      const int result = run->logic.OnOK();
      if (result != 0) {
        ::EndDialog(window, result);
      } else {
        ::SetFocus(run->address.window());
      }
      return TRUE;
    }
    if (LOWORD(wParam) == IDCANCEL) {
      ::EndDialog(window, run->logic.OnCancel());
      return TRUE;
    }
  }
  return FALSE;
}

// --- the "Login" dialog ---

struct LoginRun {
  LoginDialogLogic& logic;
  const DialogLook& look;
  Win32Edit userName;
  Win32Edit password;
  Win32CheckBox remember;
};

INT_PTR CALLBACK LoginProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* run = reinterpret_cast<LoginRun*>(lParam);
    ::SetWindowLongPtrA(window, DWLP_USER, lParam);
    run->userName.Attach(::GetDlgItem(window, kUserNameEditId));
    run->password.Attach(::GetDlgItem(window, kPasswordEditId));
    run->remember.Attach(::GetDlgItem(window, kRememberPasswordId));
    NameFieldsByLabels(window);
    // At most 16 characters each, as the login buffers hold.
    run->userName.SetLimitText(kLoginTextLimit);
    run->password.SetLimitText(kLoginTextLimit);
    run->logic.OnInitDialog(run->userName, run->password, run->remember);
    return TRUE;
  }
  auto* run = reinterpret_cast<LoginRun*>(::GetWindowLongPtrA(window, DWLP_USER));
  if (!run) return FALSE;
  if (IsColorMessage(message)) return run->look.Answer(message, wParam, lParam);
  if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
    if (LOWORD(wParam) == IDOK) {
      ::EndDialog(window, run->logic.OnOK());
      return TRUE;
    }
    if (LOWORD(wParam) == IDCANCEL) {
      ::EndDialog(window, run->logic.OnCancel());
      return TRUE;
    }
  }
  return FALSE;
}

// --- the About box ---

INT_PTR CALLBACK AboutProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    ::SetWindowLongPtrA(window, DWLP_USER, lParam);
    return TRUE;
  }
  const auto* look = reinterpret_cast<const DialogLook*>(::GetWindowLongPtrA(window, DWLP_USER));
  if (!look) return FALSE;
  if (IsColorMessage(message)) return look->Answer(message, wParam, lParam);
  if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
    ::EndDialog(window, LOWORD(wParam));
    return TRUE;
  }
  return FALSE;
}

}  // namespace

// --- the main window ---

MainWindow::MainWindow(HINSTANCE instance, DeviceProtocol& protocol, DriveLetterTable& drives,
                       SystemServices services, const DialogLook& look)
    : instance_(instance), protocol_(protocol), drives_(drives), services_(services), look_(look) {
  icon_ = ::LoadIconA(instance_, MAKEINTRESOURCEA(IDR_MAINFRAME));
}

MainWindow::~MainWindow() = default;

INT_PTR MainWindow::RunModal() {
  return ::DialogBoxParamA(instance_, MAKEINTRESOURCEA(IDD_TESSAVUE_DIALOG), nullptr, Procedure,
                           reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK MainWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  MainWindow* self = nullptr;
  if (message == WM_INITDIALOG) {
    self = reinterpret_cast<MainWindow*>(lParam);
    ::SetWindowLongPtrA(window, DWLP_USER, lParam);
    self->window_ = window;
  } else {
    self = reinterpret_cast<MainWindow*>(::GetWindowLongPtrA(window, DWLP_USER));
  }
  if (!self) return FALSE;
  INT_PTR result = self->Dispatch(message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrA(window, DWLP_USER, 0);
    self->window_ = nullptr;
  }
  return result;
}

BOOL MainWindow::OnInitDialog() {
  configurationButton_.Attach(::GetDlgItem(window_, kIdConfiguration));
  disconnectButton_.Attach(::GetDlgItem(window_, kIdDisconnect));
  connectButton_.Attach(::GetDlgItem(window_, kIdConnect));
  dhcpCombo_.Attach(::GetDlgItem(window_, kIdDhcpCombo));
  driveCombo_.Attach(::GetDlgItem(window_, kIdDriveCombo));
  shareList_.Attach(::GetDlgItem(window_, kIdShareList));
  deviceList_.Attach(::GetDlgItem(window_, kIdDeviceList));
  refreshButton_.Attach(::GetDlgItem(window_, kIdRefresh));
  ipAddress_.Attach(::GetDlgItem(window_, kIdIpAddress));
  netmaskAddress_.Attach(::GetDlgItem(window_, kIdNetmask));
  gatewayAddress_.Attach(::GetDlgItem(window_, kIdGateway));

  NameFieldsByLabels(window_);
  ::SendMessageA(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
  ::SendMessageA(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));

  dpi_ = WindowDpi(window_);
  logic_ = std::make_unique<MainDialog>(
      protocol_, drives_, services_, *this,
      MainDialogControls{configurationButton_, disconnectButton_, connectButton_, dhcpCombo_,
                         driveCombo_, shareList_, deviceList_, refreshButton_, ipAddress_,
                         netmaskAddress_, gatewayAddress_});
  const BOOL result = logic_->OnInitDialog() ? TRUE : FALSE;
  ::PostMessageA(window_, kWmShowAndSearch, 0, 0);
  return result;
}

void MainWindow::ShowAndSearch() {
  // The dialog manager shows a modal dialog only once its queue has run
  // empty; the window is shown and painted here instead, so that it is on
  // screen before the first search's request leaves.
  if (!::IsWindowVisible(window_)) ::ShowWindow(window_, SW_SHOWNORMAL);
  ::UpdateWindow(window_);
  logic_->OnWindowShown();
}

bool MainWindow::OnCommand(int id, int notification) {
  if (id == kIdDhcpCombo) {
    if (notification != CBN_SELCHANGE) return false;
    logic_->OnDhcpModeChange();
    return true;
  }
  if (notification != BN_CLICKED) return false;
  switch (id) {
    case kIdExit: logic_->OnExit(); return true;
    case kIdApply: logic_->OnApply(); return true;
    case kIdConfiguration: logic_->OnConfiguration(); return true;
    case kIdRefresh: logic_->OnRefresh(); return true;
    case kIdConnect: logic_->OnConnect(); return true;
    case kIdDisconnect: logic_->OnDisconnect(); return true;
    case kIdAbout: logic_->OnAbout(); return true;
    // Enter, Escape and the close box end the dialog.
    case IDOK: EndMainDialog(IDOK); return true;
    case IDCANCEL: EndMainDialog(IDCANCEL); return true;
    default: return false;
  }
}

INT_PTR MainWindow::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
  if (IsColorMessage(message)) return look_.Answer(message, wParam, lParam);
  // The logic says when the dialog may end (not while a handler runs).
  const bool mayClose = !logic_ || logic_->MayClose();
  switch (message) {
    case WM_SETCURSOR:
      if (waitDepth_ == 0) return FALSE;
      ::SetCursor(WaitCursor());
      ::SetWindowLongPtrA(window_, DWLP_MSGRESULT, TRUE);
      return TRUE;
    case WM_CLOSE: return mayClose ? FALSE : TRUE;
    case WM_COMMAND:
      if (!mayClose && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) return TRUE;
      break;
    case WM_SYSCOMMAND:
      if (!mayClose && (wParam & 0xFFF0) == SC_CLOSE) return TRUE;
      break;
    default: break;
  }
  switch (message) {
    case WM_INITDIALOG: return OnInitDialog();
    case WM_SYSCOMMAND:
      // The low four bits of a system command are the system's own.
      return logic_ && logic_->OnSysCommand(static_cast<unsigned>(wParam & 0xFFF0)) ? TRUE : FALSE;
    case WM_PAINT:
      if (!logic_) return FALSE;
      logic_->RescanDrives();
      // Not minimised: the default processing paints (and validates).
      if (!::IsIconic(window_)) return FALSE;
      DrawIconCentered();
      return TRUE;
    case WM_QUERYDRAGICON: return reinterpret_cast<INT_PTR>(icon_);
    case WM_COMMAND: return logic_ && OnCommand(LOWORD(wParam), HIWORD(wParam)) ? TRUE : FALSE;
    case WM_NOTIFY:
      return logic_ && OnNotify(*reinterpret_cast<const NMHDR*>(lParam)) ? TRUE : FALSE;
    case WM_TIMER:
      if (wParam < kTimerIdBase) return FALSE;
      OnTimer(wParam);
      return TRUE;
    case kWmShowAndSearch:
      if (logic_) ShowAndSearch();
      return TRUE;
    case kWmDpiChanged:
      OnDpiChanged(LOWORD(wParam));
      // The dialog manager resizes the window to the suggested rectangle.
      return FALSE;
    case WM_DESTROY:
      if (logic_) logic_->OnDestroy();
      return FALSE;
    default: return FALSE;
  }
}

bool MainWindow::OnNotify(const NMHDR& header) {
  if (header.idFrom != static_cast<UINT_PTR>(kIdDeviceList)) return false;
  switch (header.code) {
    case static_cast<UINT>(NM_CLICK):
      logic_->OnDeviceListClick();
      ::SetWindowLongPtrA(window_, DWLP_MSGRESULT, 0);
      return true;
    case static_cast<UINT>(LVN_KEYDOWN):
      deviceListKey_ = reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey;
      return false;
    case static_cast<UINT>(LVN_ITEMCHANGED): {
      const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
      const bool nowSelected = (change.uChanged & LVIF_STATE) &&
                               ((change.uNewState ^ change.uOldState) & LVIS_SELECTED) &&
                               (change.uNewState & LVIS_SELECTED);
      // A mouse button down in the list: the click notification that follows
      // speaks for it.
      const bool mouse = ::GetKeyState(VK_LBUTTON) < 0 || ::GetKeyState(VK_RBUTTON) < 0 ||
                         ::GetKeyState(VK_MBUTTON) < 0;
      if (nowSelected && !mouse) logic_->OnDeviceListSelectionChange();
      return false;
    }
    default: return false;
  }
}

void MainWindow::StartTimer(int timerId, int milliseconds, bool repeating, TimerHandler& handler) {
  if (!window_) return;
  timers_[timerId] = RunningTimer{&handler, repeating};
  // 0 ms comes as the system's shortest period (USER_TIMER_MINIMUM).
  ::SetTimer(window_, kTimerIdBase + static_cast<UINT_PTR>(timerId),
             static_cast<UINT>(milliseconds), nullptr);
}

void MainWindow::StopTimer(int timerId) {
  timers_.erase(timerId);
  if (window_) ::KillTimer(window_, kTimerIdBase + static_cast<UINT_PTR>(timerId));
}

void MainWindow::OnTimer(UINT_PTR windowTimerId) {
  const int timerId = static_cast<int>(windowTimerId - kTimerIdBase);
  auto found = timers_.find(timerId);
  if (found == timers_.end()) {
    // Stopped while its WM_TIMER was on its way.
    ::KillTimer(window_, windowTimerId);
    return;
  }
  TimerHandler& handler = *found->second.handler;
  // A one-shot timer is over before its handler runs, which may start it
  // again.
  if (!found->second.repeating) StopTimer(timerId);
  handler.TimerFired(timerId);
}

bool MainWindow::SelectionKeyHeld() const {
  return deviceListKey_ != 0 && (::GetAsyncKeyState(deviceListKey_) & 0x8000) != 0;
}

void MainWindow::OnDpiChanged(int dpi) {
  if (dpi <= 0 || dpi == dpi_) return;
  for (HWND list : {deviceList_.window(), shareList_.window()}) {
    for (int i = 0; i < 16; ++i) {
      int width = static_cast<int>(::SendMessageA(list, LVM_GETCOLUMNWIDTH, i, 0));
      if (width <= 0) break;
      ::SendMessageA(list, LVM_SETCOLUMNWIDTH, i, ::MulDiv(width, dpi, dpi_));
    }
  }
  dpi_ = dpi;
}

namespace {

bool IsUserInput(UINT message) {
  return (message >= WM_KEYFIRST && message <= WM_KEYLAST) ||
         (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) ||
         (message >= WM_NCMOUSEMOVE && message <= WM_NCMBUTTONDBLCLK) ||
         (message >= WM_NCXBUTTONDOWN && message <= WM_NCXBUTTONDBLCLK) ||
         message == WM_NCMOUSEHOVER || message == WM_NCMOUSELEAVE || message == WM_MOUSEHOVER ||
         message == WM_MOUSELEAVE;
}

}  // namespace

void MainWindow::WaitBegins() {
  if (waitDepth_++ > 0) return;
  focusBeforeWait_ = ::GetFocus();
  if (window_) ::EnableWindow(window_, FALSE);
  ::SetCursor(WaitCursor());
}

void MainWindow::KeepAlive() {
  // A bounded batch: a flood of messages cannot hold the wait here.
  MSG message;
  for (int i = 0; i < 200 && ::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE); ++i) {
    if (message.message == WM_QUIT) {
      // For the loop that runs after the handler.
      ::PostQuitMessage(static_cast<int>(message.wParam));
      break;
    }
    if (IsUserInput(message.message)) continue;
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }
}

void MainWindow::WaitEnds() {
  if (waitDepth_ == 0 || --waitDepth_ > 0) return;
  // Keys and clicks of the wait, still queued, go unanswered.
  MSG message;
  for (int i = 0; i < 200 && ::PeekMessageA(&message, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE);
       ++i) {
  }
  for (int i = 0;
       i < 200 && ::PeekMessageA(&message, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE); ++i) {
  }
  if (!window_) return;
  ::EnableWindow(window_, TRUE);
  ::SetCursor(ArrowCursor());
  if (focusBeforeWait_ && ::IsWindow(focusBeforeWait_)) ::SetFocus(focusBeforeWait_);
}

void MainWindow::EndMainDialog(int result) {
  if (window_) ::EndDialog(window_, result);
}

void MainWindow::MessageBox(const std::string& text, const std::string& caption, MessageIcon icon) {
  // Owned by the dialog in front (the "Search at address" dialog while it
  // is up), so that it stays disabled while the box is shown.
  HWND owner = window_ ? ::GetLastActivePopup(window_) : nullptr;
  ::MessageBoxA(owner ? owner : window_, text.c_str(), caption.c_str(), MB_OK | IconStyle(icon));
}

int MainWindow::RunLoginDialog(LoginDialogLogic& dialog) {
  LoginRun run{dialog, look_, {}, {}, {}};
  auto result = ::DialogBoxParamA(instance_, MAKEINTRESOURCEA(IDD_LOGIN), window_, LoginProcedure,
                                  reinterpret_cast<LPARAM>(&run));
  return result == kIdOk ? kIdOk : kIdCancel;
}

void MainWindow::RunAboutDialog() {
  // Owned by the main window, which stays disabled while the box is up.
  ::DialogBoxParamA(instance_, MAKEINTRESOURCEA(IDD_ABOUTBOX), window_, AboutProcedure,
                    reinterpret_cast<LPARAM>(&look_));
}

bool MainWindow::AddSystemMenuAbout(const std::string& text) {
  HMENU menu = ::GetSystemMenu(window_, FALSE);
  if (!menu) return false;
  // The entry's text is string 101 of the program's resources; the text the
  // logic gives stands in when the string table has none.
  char loaded[256] = {};
  int length = ::LoadStringA(instance_, IDS_ABOUTBOX, loaded, sizeof loaded);
  std::string entry = length > 0 ? std::string(loaded, static_cast<std::size_t>(length)) : text;
  if (entry.empty()) return true;
  ::AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  ::AppendMenuA(menu, MF_STRING, IDM_ABOUTBOX, entry.c_str());
  return true;
}

bool MainWindow::AddSystemMenuEntry(const std::string& text, unsigned commandId) {
  HMENU menu = ::GetSystemMenu(window_, FALSE);
  if (!menu) return false;
  ::AppendMenuA(menu, MF_STRING, commandId, text.c_str());
  return true;
}

int MainWindow::RunSearchAtAddressDialog(AddressPrompts& dialog) {
  SearchAddressRun run{dialog, look_, {}, {}};
  auto result = ::DialogBoxParamA(instance_, MAKEINTRESOURCEA(IDD_SEARCH_ADDRESS), window_,
                                  SearchAddressProcedure, reinterpret_cast<LPARAM>(&run));
  return result == kIdOk ? kIdOk : kIdCancel;
}

void MainWindow::DestroyWindow() { EndMainDialog(IDCANCEL); }

void MainWindow::DrawIconCentered() {
  PAINTSTRUCT paint{};
  HDC dc = ::BeginPaint(window_, &paint);
  ::SendMessageA(window_, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  // The system's icon size is that of the system DPI; the window may be on
  // a monitor of another.
  int iconWidth = ::MulDiv(::GetSystemMetrics(SM_CXICON), dpi_, SystemDpi());
  int iconHeight = ::MulDiv(::GetSystemMetrics(SM_CYICON), dpi_, SystemDpi());
  RECT client{};
  ::GetClientRect(window_, &client);
  int x = 0, y = 0;
  CenteredIconOrigin(client.right - client.left, client.bottom - client.top, iconWidth, iconHeight,
                     x, y);
  ::DrawIconEx(dc, x, y, icon_, iconWidth, iconHeight, 0, nullptr, DI_NORMAL);
  ::EndPaint(window_, &paint);
}

void CenteredIconOrigin(int clientWidth, int clientHeight, int iconWidth, int iconHeight, int& x,
                        int& y) {
  x = (clientWidth - iconWidth + 1) / 2;
  y = (clientHeight - iconHeight + 1) / 2;
}

}  // namespace tessavue::win32
