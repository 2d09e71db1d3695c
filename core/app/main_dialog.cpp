#include "main_dialog.h"

#include "search_address_dialog.h"

namespace tessavue {

namespace {

constexpr const char* kAboutMenuText = "About Dorvel(&A)...";  // string 101

}  // namespace

MainDialog::MainDialog(DeviceProtocol& protocol, DriveLetterTable& drives, SystemServices services,
                       DialogHost& host, MainDialogControls controls)
    : protocol_(protocol),
      services_(services),
      host_(host),
      state_(host),
      devices_(protocol, host, state_, *this, services.shell, services.targetStore,
               DeviceListControls{controls.deviceList, controls.refreshButton,
                                  controls.configurationButton},
               *this),
      address_(protocol, state_, services.system,
               AddressControls{controls.dhcpCombo, controls.ipAddress, controls.netmaskAddress,
                               controls.gatewayAddress}),
      drives_(protocol, drives,
              DriveSection::Services{services.connections, services.resolver, services.system},
              state_,
              DriveControls{controls.shareList, controls.driveCombo, controls.connectButton,
                            controls.disconnectButton}) {
  protocol_.SetWaitHook(&host_.Waits());
  services_.connections.SetWaitHook(&host_.Waits());
}

MainDialog::~MainDialog() {
  protocol_.SetWaitHook(nullptr);
  services_.connections.SetWaitHook(nullptr);
}

bool MainDialog::OnInitDialog() {
  if (host_.AddSystemMenuAbout(kAboutMenuText)) {
    host_.AddSystemMenuEntry(kSearchAtAddressMenuText, kIdmSearchAtAddress);
    host_.AddSystemMenuEntry(kForgetTargetsMenuText, kIdmForgetTargets);
  }
  devices_.InitColumns();
  drives_.InitColumns();
  address_.InitChoices();

  HandlerState::Handler handler(state_, true);
  if (handler) drives_.ScanLetters();
  return true;
}

void MainDialog::OnWindowShown() {
  if (devices_.FirstSearchDone()) return;
  HandlerState::Handler handler(state_, true);
  if (handler) devices_.Refresh();
}

void MainDialog::OnRefresh() {
  HandlerState::Handler handler(state_, true);
  if (handler) devices_.Refresh();
}

void MainDialog::OnDeviceListClick() {
  HandlerState::Handler handler(state_, true);
  if (handler) devices_.OnClick();
}

void MainDialog::OnDeviceListSelectionChange() { devices_.OnSelectionChange(); }

void MainDialog::TimerFired(int timerId) {
  if (timerId == kSelectionSettleTimer) devices_.OnSelectionSettled();
  if (timerId == kDeviceRowsTimer) devices_.ShowJoinedRows();
}

void MainDialog::DevicesCleared() {
  drives_.ClearShares();
  address_.Clear();
}

void MainDialog::DeviceShown(const ShownDevice& device, const DeviceRecord* record) {
  address_.Show(device, record);
  drives_.ShowDevice(device);
}

void MainDialog::RescanDrives() { drives_.RescanDrives(devices_.InView()); }

bool MainDialog::OnSysCommand(unsigned commandId) {
  const bool ours = commandId == kIdmAboutBox || commandId == kIdmSearchAtAddress ||
                    commandId == kIdmForgetTargets;
  HandlerState::Handler handler(state_, false);
  if (!handler || !ours) return ours;
  if (commandId == kIdmAboutBox) {
    host_.RunAboutDialog();
  } else if (commandId == kIdmSearchAtAddress) {
    devices_.SearchAtAddress();
  } else {
    devices_.ForgetTargets();
  }
  return true;
}

void MainDialog::OnAbout() {
  HandlerState::Handler handler(state_, false);
  if (handler) host_.RunAboutDialog();
}

void MainDialog::OnSearchAtAddress() {
  HandlerState::Handler handler(state_, false);
  if (handler) devices_.SearchAtAddress();
}

void MainDialog::OnForgetTargets() {
  HandlerState::Handler handler(state_, false);
  if (handler) devices_.ForgetTargets();
}

void MainDialog::OnDhcpModeChange() {
  HandlerState::Handler handler(state_, false);
  if (!handler) return;
  const int choice = address_.DhcpChoice();
  if (choice < 0) return;
  // The choice is made for the row the list highlights: shown first, it
  // keeps the user's choice over its own.
  if (devices_.SettleSelection()) address_.ChooseDhcp(choice);
  address_.OnDhcpModeChange();
}

void MainDialog::OnExit() {
  if (!MayClose()) return;
  protocol_.ShutdownTransport();
  host_.DestroyWindow();
}

void MainDialog::OnDestroy() { protocol_.ShutdownTransport(); }

void MainDialog::OnApply() {
  HandlerState::Handler handler(state_, true);
  if (!handler) return;
  // The fields were filled for the device shown until now: the one the list
  // highlights is shown, and nothing is sent that the user has not seen.
  if (devices_.SettleSelection()) return;
  login_.AdminLoginMode = LoginMode::kDeviceAdministrator;
  if (!devices_.deviceSelected()) {
    state_.Report("You should select a server to modify IP!", kCaptionError, MessageIcon::Stop);
    return;
  }
  const ApplyResult result = address_.Apply(login_);
  if (result.changed) devices_.DeviceMoved(result.viaTarget, result.from);
}

void MainDialog::OnConfiguration() {
  HandlerState::Handler handler(state_, false);
  if (handler) devices_.OpenWebPage();
}

void MainDialog::OnConnect() {
  HandlerState::Handler handler(state_, true);
  if (!handler) return;
  // The share row chosen belonged to the device shown before: the list of
  // the device shown now has none chosen, which Connect's warning says. A
  // device shown now that cannot be reached has the button off.
  if (devices_.SettleSelection() && !devices_.shown().reachable) return;
  login_.AdminLoginMode = LoginMode::kWindowsAccount;
  drives_.Connect(devices_.InView(), login_);
}

void MainDialog::OnDisconnect() {
  HandlerState::Handler handler(state_, true);
  if (!handler) return;
  // A share row chosen in the list of the device shown before names a letter
  // the user no longer sees: nothing is unmapped then.
  const bool shareChosen = drives_.ShareChosen();
  if (devices_.SettleSelection() && (shareChosen || !devices_.shown().reachable)) return;
  drives_.Disconnect(devices_.InView());
}

}  // namespace tessavue
