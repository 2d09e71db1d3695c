#include "main_dialog.h"

#include <algorithm>
#include <cstring>

#include "connection_reasons.h"
#include "letter_connect.h"
#include "login_dialog.h"
#include "version_name.h"
#include "remote_name.h"
#include "search_address_dialog.h"
#include "static_address.h"

namespace tessavue {

namespace {

// Empties the drive drop-down list and lists `choices` with its preselection
// (the list sorts by text, which for "X:..." is letter order).
void FillDriveCombo(ComboBox& driveCombo, const DriveChoices& choices) {
  driveCombo.ResetContent();
  for (const std::string& item : choices.items) driveCombo.AddString(item);
  driveCombo.SetCurSel(choices.preselected);
}

constexpr const char* kAboutMenuText = "About Dorvel(&A)...";  // string 101

constexpr const char* kCaptionError = "Error";
constexpr const char* kCaptionWarning = "Warnning";
constexpr const char* kCaptionConfirm = "Confirm";

// The index of the item with exactly `text`, or `fallback` when none has it.
int FindItem(const ComboBox& combo, const std::string& text, int fallback) {
  for (int i = 0; i < combo.GetCount(); ++i) {
    if (combo.GetLBText(i) == text) return i;
  }
  return fallback;
}

// Shows a row's dotted text in an address control, octets in their written
// order; text that is no address leaves the control blank.
void ShowAddress(IpAddressControl& control, const std::string& text) {
  std::uint8_t fields[4];
  if (ParseDotted(text.c_str(), fields)) {
    control.SetAddress(fields);
  } else {
    control.ClearAddress();
  }
}

}  // namespace

MainDialog::MainDialog(DeviceProtocol& protocol, DriveMap& drives, SystemServices services,
                       DialogHost& host, MainDialogControls controls)
    : protocol_(protocol), drives_(drives), services_(services), host_(host), c_(controls) {
  if (services_.targetStore != nullptr)
    remembered_ = std::make_unique<RememberedTargets>(*services_.targetStore);
  protocol_.SetWaitHook(&host_.Waits());
  services_.connections.SetWaitHook(&host_.Waits());
}

MainDialog::~MainDialog() {
  protocol_.SetWaitHook(nullptr);
  services_.connections.SetWaitHook(nullptr);
}

MainDialog::HandlerScope::HandlerScope(MainDialog& dialog, bool waits)
    : dialog_(dialog), entered_(!dialog.handlerRunning_), waits_(waits && entered_) {
  if (!entered_) return;
  dialog_.handlerRunning_ = true;
  if (waits_) {
    dialog_.host_.Waits().WaitBegins();
    dialog_.waiting_ = true;
  }
}

MainDialog::HandlerScope::~HandlerScope() {
  if (!entered_) return;
  if (waits_) {
    dialog_.waiting_ = false;
    dialog_.host_.Waits().WaitEnds();
  }
  dialog_.handlerRunning_ = false;
}

void MainDialog::Report(const std::string& text, const std::string& caption, MessageIcon icon) {
  if (waiting_) host_.Waits().WaitEnds();
  host_.MessageBox(text, caption, icon);
  if (waiting_) host_.Waits().WaitBegins();
}

void MainDialog::AskLogin() {
  LoginDialog login(protocol_, AdminLoginMode, services_.system);
  if (waiting_) host_.Waits().WaitEnds();
  rememberPassword_ = host_.RunLoginDialog(login) == kIdOk && login.rememberPassword;
  if (waiting_) host_.Waits().WaitBegins();
}

int MainDialog::FindSelectedRow(const ListView& list, int startRow) {
  int row = startRow > list.GetTopIndex() ? startRow : list.GetTopIndex();
  if (row < 0) row = 0;
  for (; row < list.GetItemCount(); ++row) {
    if (list.GetItemState(row, kListItemSelected) == kListItemSelected) return row;
  }
  return -1;
}

void MainDialog::CenteredIconOrigin(int clientWidth, int clientHeight, int iconWidth,
                                    int iconHeight, int& x, int& y) {
  x = (clientWidth - iconWidth + 1) / 2;
  y = (clientHeight - iconHeight + 1) / 2;
}

bool MainDialog::OnInitDialog() {
  if (host_.AddSystemMenuAbout(kAboutMenuText)) {
    host_.AddSystemMenuEntry(kSearchAtAddressMenuText, kIdmSearchAtAddress);
    host_.AddSystemMenuEntry(kForgetTargetsMenuText, kIdmForgetTargets);
  }

  c_.deviceList.SetFullRowSelect();
  c_.deviceList.InsertColumn(0, "Name", 94);
  c_.deviceList.InsertColumn(1, "IP", 81);
  c_.deviceList.InsertColumn(2, "Netmask", 81);
  c_.deviceList.InsertColumn(3, "Gateway", 81);

  c_.shareList.SetFullRowSelect();
  c_.shareList.InsertColumn(0, "Link Name", 120);
  c_.shareList.InsertColumn(1, "Location", 100);

  // The address-mode list holds its two choices from the start; a front end
  // whose dialog template does not bring them gets them here.
  if (c_.dhcpCombo.GetCount() == 0) {
    c_.dhcpCombo.AddString(kDhcpDisabled);
    c_.dhcpCombo.AddString(kDhcpEnabled);
  }

  HandlerScope scope(*this, true);
  if (!scope) return true;
  drives_.ScanDrives();
  FillDriveCombo(c_.driveCombo, drives_.UsableDrives());
  deviceSelected = 0;
  return true;
}

void MainDialog::OnWindowShown() {
  if (firstSearchDone_) return;
  HandlerScope scope(*this, true);
  if (!scope) return;
  Refresh();
}

void MainDialog::OnRefresh() {
  HandlerScope scope(*this, true);
  if (!scope) return;
  Refresh();
}

void MainDialog::Refresh() {
  // The rows go: a row the keyboard chose has nothing left to settle to, and
  // no device is shown any more.
  selectionPending_ = false;
  host_.CancelSelectionTimer();
  deviceSelected = 0;
  c_.deviceList.DeleteAllItems();
  c_.shareList.DeleteAllItems();
  c_.ipAddress.ClearAddress();
  c_.netmaskAddress.ClearAddress();
  c_.gatewayAddress.ClearAddress();
  RunSearchAndFillDevices();
}

void MainDialog::RunSearchAndFillDevices() {
  // A search the user started before the window's own first one stands for it.
  firstSearchDone_ = true;
  c_.refreshButton.Enable(false);
  UseRememberedTargets();
  DeviceRows rows(*this);
  rows.PaintBeforeSearch();
  protocol_.SearchDevices();
  c_.refreshButton.Enable(true);
  rows.ShowRemaining();
  // The list shows no selection now, so none is kept.
  deviceSelected = 0;
}

// ---- device rows during a search ----

MainDialog::DeviceRows::DeviceRows(MainDialog& dialog)
    : dialog_(dialog),
      previousListener_(dialog.protocol_.deviceListener()),
      previousHook_(dialog.protocol_.waitHook()) {
  dialog_.protocol_.SetDeviceListener(this);
  dialog_.protocol_.SetWaitHook(this);
}

MainDialog::DeviceRows::~DeviceRows() {
  dialog_.protocol_.SetWaitHook(previousHook_);
  dialog_.protocol_.SetDeviceListener(previousListener_);
}

void MainDialog::DeviceRows::PaintBeforeSearch() {
  if (previousHook_) previousHook_->KeepAlive();
}

void MainDialog::DeviceRows::DeviceJoined(const DeviceRecord& device, int index) {
  // Records arrive in list order; the row's place is the record's.
  if (index != static_cast<int>(joined_.size())) return;
  joined_.push_back(&device);
  // Due rows go in now: the first reply's row does not wait for the next
  // keep-alive.
  if (RowsDue()) KeepAlive();
}

void MainDialog::DeviceRows::WaitBegins() {
  if (previousHook_) previousHook_->WaitBegins();
}

bool MainDialog::DeviceRows::RowsDue() const {
  return shown_ < static_cast<int>(joined_.size()) &&
         dialog_.protocol_.clock().NowMicros() >= nextRowsAt_;
}

void MainDialog::DeviceRows::KeepAlive() {
  if (!RowsDue()) {
    if (previousHook_) previousHook_->KeepAlive();
    return;
  }
  Clock& clock = dialog_.protocol_.clock();
  const std::int64_t start = clock.NowMicros();
  InsertJoinedRows();
  if (previousHook_) previousHook_->KeepAlive();
  // Rows and their paint take at most half of the wait: a list that is slow
  // to draw (Wine's on a busy machine takes tens of milliseconds a paint)
  // leaves the rest to reading the replies.
  const std::int64_t cost = clock.NowMicros() - start;
  nextRowsAt_ = start + std::max(kKeepAliveMicros, 2 * cost);
}

void MainDialog::DeviceRows::InsertJoinedRows() {
  // The new rows go in unseen and are painted together: a list view that
  // keeps its scroll bar and paint up with every row (Wine's) spends tens
  // of milliseconds a row.
  ListView& list = dialog_.c_.deviceList;
  list.SetRedraw(false);
  Clock& clock = dialog_.protocol_.clock();
  const std::int64_t start = clock.NowMicros();
  while (shown_ < static_cast<int>(joined_.size())) {
    dialog_.ShowDeviceRow(shown_, *joined_[shown_]);
    ++shown_;
    if (clock.NowMicros() - start >= kRowsMicrosPerKeepAlive) break;
  }
  list.SetRedraw(true);
}

void MainDialog::DeviceRows::WaitEnds() {
  if (previousHook_) previousHook_->WaitEnds();
}

void MainDialog::DeviceRows::ShowRemaining() {
  if (shown_ >= dialog_.protocol_.deviceList().count) return;
  ListView& list = dialog_.c_.deviceList;
  list.SetRedraw(false);
  int row = 0;
  for (const DeviceRecord* d = dialog_.protocol_.deviceList().head; d; d = d->next, ++row) {
    if (row >= shown_) dialog_.ShowDeviceRow(row, *d);
  }
  shown_ = row;
  list.SetRedraw(true);
}

void MainDialog::ShowDeviceRow(int row, const DeviceRecord& device) {
  int at = c_.deviceList.InsertItem(row, "");
  if (at < 0) return;
  c_.deviceList.SetItemText(at, 0, device.name);
  c_.deviceList.SetItemText(at, 1, device.ip);
  c_.deviceList.SetItemText(at, 2, device.netmask);
  c_.deviceList.SetItemText(at, 3, device.gateway);
}

void MainDialog::OnDeviceListClick() {
  HandlerScope scope(*this, true);
  if (!scope) return;
  // The click shows its row now; a change by the keyboard just before it has
  // nothing left to wait for.
  host_.CancelSelectionTimer();
  selectionPending_ = false;
  c_.deviceList.SetFocus();
  int row = FindSelectedRow(c_.deviceList, c_.deviceList.GetTopIndex());
  if (row < 0) {
    // A click beside the rows: no device is selected any more.
    deviceSelected = 0;
    return;
  }
  ShowDevice(row);
}

void MainDialog::OnDeviceListSelectionChange() {
  // The program's own changes (rows deleted and inserted by a refresh) come
  // while a handler runs; they are no choice of the user's.
  if (handlerRunning_) return;
  selectionPending_ = true;
  host_.ArmSelectionTimer(kSelectionSettleMillis);
}

void MainDialog::OnSelectionSettled() {
  // Not now: a handler is busy (its wait lets the timer through), or the key
  // that moves the selection is still held down. Look again later.
  if (handlerRunning_ || host_.SelectionKeyHeld()) {
    host_.ArmSelectionTimer(kSelectionSettleMillis);
    return;
  }
  HandlerScope scope(*this, true);
  if (!scope) return;
  selectionPending_ = true;
  SettleSelection();
}

bool MainDialog::SettleSelection() {
  if (!selectionPending_) return false;
  selectionPending_ = false;
  host_.CancelSelectionTimer();
  int row = FindSelectedRow(c_.deviceList, c_.deviceList.GetTopIndex());
  // The keyboard always lands on a row; no row means the rows went away.
  if (row < 0) return false;
  // Back where it started (Down, then Up): the window already shows it.
  if (deviceSelected && row == shownRow_ && c_.deviceList.GetItemText(row, 1) == shownIp_)
    return false;
  // The device's shares are asked for: a wait, also inside a handler that
  // does not wait itself.
  const bool waitedAlready = waiting_;
  if (!waitedAlready) {
    host_.Waits().WaitBegins();
    waiting_ = true;
  }
  ShowDevice(row);
  if (!waitedAlready) {
    waiting_ = false;
    host_.Waits().WaitEnds();
  }
  return true;
}

void MainDialog::ShowDevice(int row) {
  deviceSelected = 1;
  shownRow_ = row;

  std::string ip = c_.deviceList.GetItemText(row, 1);
  shownIp_ = ip;
  shownName_ = c_.deviceList.GetItemText(row, 0);
  protocol_.SelectDevice(ip.c_str());
  ShowAddress(c_.ipAddress, ip);

  for (const DeviceRecord* d = protocol_.deviceList().head; d; d = d->next) {
    if (ip != d->ip) continue;
    bool dhcp = d->dhcpFlag[0] == '1';
    c_.dhcpCombo.SetCurSel(dhcp ? FindItem(c_.dhcpCombo, kDhcpEnabled, 1)
                                : FindItem(c_.dhcpCombo, kDhcpDisabled, 0));
    c_.ipAddress.Enable(!dhcp);
    c_.gatewayAddress.Enable(!dhcp);
    c_.netmaskAddress.Enable(!dhcp);
  }

  ShowAddress(c_.netmaskAddress, c_.deviceList.GetItemText(row, 2));

  bool sameSubnet = DeviceReachable(ip);
  c_.connectButton.Enable(sameSubnet);
  c_.disconnectButton.Enable(sameSubnet);
  c_.configurationButton.Enable(sameSubnet);

  ShowAddress(c_.gatewayAddress, c_.deviceList.GetItemText(row, 3));

  protocol_.FetchShares();
  RefreshShareList();
}

bool MainDialog::DeviceReachable(const std::string& ip) {
  // The workstation's side is the first interface's when no record holds
  // the row's address.
  std::uint8_t device[4], mask[4];
  c_.ipAddress.GetAddress(device);
  c_.netmaskAddress.GetAddress(mask);
  const Ipv4Address first = protocol_.FirstInterfaceAddress();
  const std::uint8_t* workstation = first.octet;
  // A device found through a search target is beyond the segment by
  // design: it counts as reachable.
  bool sameSubnet = true;
  const DeviceRecord* heard = FindByAddress(protocol_.deviceList(), ip.c_str());
  if (heard != nullptr) workstation = protocol_.InterfaceOf(*heard).address.octet;
  for (int i = 0; i < 4; ++i) {
    if ((workstation[i] & mask[i]) != (mask[i] & device[i])) sameSubnet = false;
  }
  if (heard != nullptr && protocol_.TargetRouteOf(*heard) != nullptr) sameSubnet = true;
  return sameSubnet;
}

void MainDialog::RefreshShareList() {
  // The shares listed are the shown device's, so their letters are looked
  // up by its name and address, not by whatever row the keyboard has just
  // highlighted.
  if (!deviceSelected || FindSelectedRow(c_.deviceList, c_.deviceList.GetTopIndex()) < 0) return;

  c_.shareList.DeleteAllItems();
  c_.shareList.Redraw();
  const std::string& name = shownName_;
  const std::string& ip = shownIp_;

  int j = 0;
  for (const ShareRecord* s = protocol_.shareList().head; s; s = s->next, ++j) {
    int at = c_.shareList.InsertItem(j, "");
    if (at < 0) continue;
    c_.shareList.SetItemText(at, 0, s->name);
    std::string location = drives_.ShareLocation(name, ip, s->name);
    if (!location.empty()) c_.shareList.SetItemText(at, 1, location);
  }
}

void MainDialog::OnPaint() {
  drives_.ScanDrives();
  FillDriveCombo(c_.driveCombo, drives_.UsableDrives());
  RefreshShareList();
  if (host_.IsIconic()) host_.DrawIconCentered();
}

bool MainDialog::OnSysCommand(unsigned commandId) {
  HandlerScope scope(*this, false);
  if (!scope)
    return (commandId & 0xFFF0u) == kIdmAboutBox || (commandId & 0xFFF0u) == kIdmSearchAtAddress ||
           (commandId & 0xFFF0u) == kIdmForgetTargets;
  if ((commandId & 0xFFF0u) == kIdmAboutBox) {
    host_.RunAboutDialog();
    return true;
  }
  if ((commandId & 0xFFF0u) == kIdmSearchAtAddress) {
    SearchAtAddress();
    return true;
  }
  if ((commandId & 0xFFF0u) == kIdmForgetTargets) {
    ForgetTargets();
    return true;
  }
  return false;
}

void MainDialog::OnForgetTargets() {
  HandlerScope scope(*this, false);
  if (!scope) return;
  ForgetTargets();
}

void MainDialog::OnSearchAtAddress() {
  HandlerScope scope(*this, false);
  if (!scope) return;
  SearchAtAddress();
}

void MainDialog::SearchAtAddress() {
  SearchAddressDialog dialog(host_);
  if (host_.RunSearchAtAddressDialog(dialog) != kIdOk) return;
  // Given twice, the address stays one target; the refresh runs all the same.
  bool added = false;
  if (remembered_ == nullptr || !remembered_->Add(dialog.target, added)) {
    if (remembered_ != nullptr)
      Report("The address could not be remembered in " + remembered_->Where() + ".",
             kCaptionWarning, MessageIcon::Exclamation);
    if (std::find(runOnly_.begin(), runOnly_.end(), dialog.target) == runOnly_.end())
      runOnly_.push_back(dialog.target);
  }
  host_.Waits().WaitBegins();
  waiting_ = true;
  Refresh();
  waiting_ = false;
  host_.Waits().WaitEnds();
}

void MainDialog::ForgetTargets() {
  runOnly_.clear();
  if (remembered_ != nullptr && !remembered_->ForgetAll())
    Report("The searched addresses could not be forgotten in " + remembered_->Where() + ".",
           kCaptionWarning, MessageIcon::Exclamation);
  protocol_.SetTargets({});
  host_.Waits().WaitBegins();
  waiting_ = true;
  Refresh();
  waiting_ = false;
  host_.Waits().WaitEnds();
}

void MainDialog::UseRememberedTargets() {
  std::vector<SearchTarget> targets;
  if (remembered_ != nullptr) {
    targets = remembered_->Load();
    if (std::string damage = remembered_->TakeDamage(); !damage.empty()) {
      damage[0] = static_cast<char>(damage[0] - 'a' + 'A');
      Report(damage + ".", kCaptionWarning, MessageIcon::Exclamation);
    }
  } else {
    // Without a store the targets of the run are the protocol's own, a
    // moved device's followed included.
    targets = protocol_.targets();
  }
  targets.insert(targets.end(), runOnly_.begin(), runOnly_.end());
  protocol_.SetTargets(targets);
}

void MainDialog::RememberMove(bool viaTarget, const std::string& from) {
  Ipv4Address old, now;
  if (!viaTarget || !ParseDotted(from.c_str(), old.octet) ||
      !ParseDotted(protocol_.selectedDeviceIp(), now.octet))
    return;
  FollowMovedDevice(runOnly_, old, now);
  if (remembered_ != nullptr) remembered_->FollowMovedDevice(old, now, false);
}

void MainDialog::OnAbout() {
  HandlerScope scope(*this, false);
  if (!scope) return;
  host_.RunAboutDialog();
}

void MainDialog::OnDhcpModeChange() {
  HandlerScope scope(*this, false);
  if (!scope) return;
  int sel = c_.dhcpCombo.GetCurSel();
  if (sel < 0) return;
  // The choice is made for the row the list highlights: shown first, it
  // keeps the user's choice over its own.
  if (SettleSelection()) c_.dhcpCombo.SetCurSel(sel);
  bool dhcp = c_.dhcpCombo.GetLBText(sel) == kDhcpEnabled;
  c_.ipAddress.Enable(!dhcp);
  c_.gatewayAddress.Enable(!dhcp);
  c_.netmaskAddress.Enable(!dhcp);
}

void MainDialog::OnExit() {
  if (handlerRunning_) return;
  protocol_.ShutdownTransport();
  host_.DestroyWindow();
}

void MainDialog::OnDestroy() { protocol_.ShutdownTransport(); }

// ---- IP settings ----

bool MainDialog::AdministratorLogin() {
  protocol_.SetLogin(kDefaultAdministrator, kDefaultAdministrator);
  if (protocol_.CheckAdminPassword()) return true;

  AskLogin();
  if (protocol_.CheckAdminPassword()) return true;

  Report("Wrong administrator password input!", kCaptionError, MessageIcon::Stop);
  return false;
}

void MainDialog::OnApply() {
  HandlerScope scope(*this, true);
  if (!scope) return;
  // The fields were filled for the device shown until now: the one the list
  // highlights is shown, and nothing is sent that the user has not seen.
  if (SettleSelection()) return;
  AdminLoginMode = 1;
  if (!deviceSelected) {
    Report("You should select a server to modify IP!", kCaptionError, MessageIcon::Stop);
    return;
  }
  int sel = c_.dhcpCombo.GetCurSel();
  if (sel < 0) return;

  if (c_.dhcpCombo.GetLBText(sel) == kDhcpEnabled) {
    ApplyDhcp();
  } else {
    ApplyStaticAddress();
  }
}

void MainDialog::ApplyDhcp() {
  if (!AdministratorLogin()) return;
  const DeviceRecord* device = protocol_.FindSelectedDevice();
  const bool viaTarget = device != nullptr && device->viaTarget != 0;
  const std::string from = protocol_.selectedDeviceIp();
  if (protocol_.SetDeviceDhcp()) {
    RememberMove(viaTarget, from);
    Report("Set to dhcp client done!", kCaptionConfirm, MessageIcon::Information);
    Refresh();
  } else {
    Report("Set to dhcp client fail", kCaptionError, MessageIcon::Stop);
  }
}

void MainDialog::ApplyStaticAddress() {
  if (const char* missing = MissingAddressText(
          !c_.ipAddress.IsBlank(), !c_.netmaskAddress.IsBlank(), !c_.gatewayAddress.IsBlank())) {
    Report(missing, kCaptionWarning, MessageIcon::Exclamation);
    return;
  }

  std::uint8_t ip[4], mask[4], gateway[4];
  c_.ipAddress.GetAddress(ip);
  c_.netmaskAddress.GetAddress(mask);
  c_.gatewayAddress.GetAddress(gateway);
  char ipText[16], netmaskText[16], gatewayText[16];
  FormatDotted(ip, ipText);
  FormatDotted(mask, netmaskText);
  FormatDotted(gateway, gatewayText);
  protocol_.SetNewAddress(ipText, netmaskText, gatewayText);

  if (!GatewayInSubnet(ip, mask, gateway)) {
    Report(kGatewayInputError, kCaptionWarning, MessageIcon::Exclamation);
    return;
  }

  if (!AdministratorLogin()) return;
  const DeviceRecord* device = protocol_.FindSelectedDevice();
  const bool viaTarget = device != nullptr && device->viaTarget != 0;
  const std::string from = protocol_.selectedDeviceIp();
  // A change the device never confirmed is a failure, as on the DHCP path:
  // the fields keep what the user entered.
  if (!protocol_.SetDeviceStatic()) {
    Report("Set static IP fail", kCaptionError, MessageIcon::Stop);
    return;
  }
  RememberMove(viaTarget, from);
  Refresh();
}

// ---- web page ----

void MainDialog::OnConfiguration() {
  HandlerScope scope(*this, false);
  if (!scope) return;
  // A device shown now whose page cannot be reached has its button off.
  if (SettleSelection() && !c_.configurationButton.IsEnabled()) return;
  int row = FindSelectedRow(c_.deviceList, c_.deviceList.GetTopIndex());
  if (row < 0) {
    Report("You should select a sever to connect.", kCaptionWarning, MessageIcon::Exclamation);
    return;
  }
  std::string ip = c_.deviceList.GetItemText(row, 1);
  // The row shows a dotted address made by the search; nothing else is
  // handed to the shell.
  std::uint8_t octets[4];
  if (!ParseDotted(ip.c_str(), octets)) return;
  services_.shell.OpenWebPage("http://" + ip);
}

// ---- mount and unmount ----

void MainDialog::OnConnect() {
  HandlerScope scope(*this, true);
  if (!scope) return;
  // The share row chosen belonged to the device shown before: the list of
  // the device shown now has none chosen, which the warning below says.
  if (SettleSelection() && !c_.connectButton.IsEnabled()) return;
  AdminLoginMode = 0;
  bool nt4OrEarlier = GetWindowsVersion(services_.system).family == WindowsFamily::kNt4OrEarlier;

  int deviceRow = FindSelectedRow(c_.deviceList, c_.deviceList.GetTopIndex());
  int shareRow = FindSelectedRow(c_.shareList, c_.shareList.GetTopIndex());
  if (shareRow < 0 || deviceRow < 0) {
    Report("You should select a samba server disk to mount!", kCaptionWarning,
           MessageIcon::Exclamation);
    return;
  }
  std::string share = c_.shareList.GetItemText(shareRow, 0);

  int sel = c_.driveCombo.GetCurSel();
  if (sel < 0) return;
  std::string localName = c_.driveCombo.GetLBText(sel).substr(0, 2);

  // By the device's name where this workstation finds it, else by the
  // address it answered from.
  std::string remoteName;
  if (!DeviceRemoteName(services_.resolver, c_.deviceList.GetItemText(deviceRow, 0),
                        c_.deviceList.GetItemText(deviceRow, 1), share, remoteName)) {
    ReportFailure("Mount Disk Fail!", kUnusableNameReason);
    return;
  }

  // Whatever the letter held before, current or remembered, gives way only
  // to a connection that works.
  if (ConnectionResult result = ConnectWithLogin(localName, remoteName, nt4OrEarlier);
      result != ConnectionResult::kDone)
    return ReportFailure("Mount Disk Fail!", ConnectFailureReason(result));

  Report("Mount Disk OK!", kCaptionConfirm, MessageIcon::Information);
  ShowDriveChange();
}

void MainDialog::ReportFailure(const std::string& text, const char* reason) {
  Report(text + "\n" + reason, kCaptionError, MessageIcon::Stop);
}

ConnectionResult MainDialog::ConnectWithLogin(const std::string& localName,
                                              const std::string& remoteName, bool nt4OrEarlier) {
  // Only a password typed into the "Login" dialog of this Connect, with the
  // box ticked, is kept.
  rememberPassword_ = false;
  auto connect = [&] {
    return ConnectLetter(services_.connections, localName, remoteName, protocol_.loginPassword(),
                         protocol_.loginUserName(),
                         rememberPassword_ ? kConnectRememberPassword : 0u);
  };
  if (nt4OrEarlier) {
    AskLogin();
    return connect();
  }
  ConnectionResult result = connect();
  if (result != ConnectionResult::kDone) {
    AskLogin();
    result = connect();
  }
  return result;
}

void MainDialog::ShowDriveChange() {
  drives_.ScanDrives();
  c_.driveCombo.ResetContent();
  FillDriveCombo(c_.driveCombo, drives_.UsableDrives());
  RefreshShareList();
}

void MainDialog::OnDisconnect() {
  HandlerScope scope(*this, true);
  if (!scope) return;
  // A share row chosen in the list of the device shown before names a letter
  // the user no longer sees: nothing is unmapped then.
  const bool shareChosen = FindSelectedRow(c_.shareList, c_.shareList.GetTopIndex()) >= 0;
  if (SettleSelection() && (shareChosen || !c_.disconnectButton.IsEnabled())) return;
  std::string driveText;
  bool shareRowFound = false;
  for (int row = c_.shareList.GetTopIndex(); row < c_.shareList.GetItemCount(); ++row) {
    if (row < 0) continue;
    if (c_.shareList.GetItemState(row, kListItemSelected) == kListItemSelected) {
      driveText = c_.shareList.GetItemText(row, 1);
      shareRowFound = true;
    }
  }
  if (!shareRowFound) {
    int sel = c_.driveCombo.GetCurSel();
    if (sel < 0) return;
    driveText = c_.driveCombo.GetLBText(sel);
  }
  std::string localName = driveText.substr(0, 2);

  // A share that no letter maps has nothing to unmount.
  ConnectionResult result = localName.empty() ? ConnectionResult::kNotConnected
                                              : services_.connections.CancelConnection(
                                                    localName, kConnectUpdateProfile, false);
  if (result != ConnectionResult::kDone) {
    ReportFailure(
        "Umount Disk Fail!\nPlease checked if you had selected a drive to un-mount,\n"
        "or any file opened on selected drive that did not close.",
        DisconnectFailureReason(result));
    return;
  }

  Report("Umount Disk OK!", kCaptionConfirm, MessageIcon::Information);
  ShowDriveChange();
}

}  // namespace tessavue
