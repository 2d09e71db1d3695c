#include "drive_section.h"

#include "connection_reasons.h"
#include "letter_connect.h"
#include "version_name.h"

namespace tessavue {

namespace {

// Empties the drive drop-down list and lists `choices` with its preselection
// (the list sorts by text, which for "X:..." is letter order).
void FillDriveCombo(ComboBox& driveCombo, const DriveChoices& choices) {
  driveCombo.ResetContent();
  for (const std::string& item : choices.items) driveCombo.AddString(item);
  driveCombo.SetCurSel(choices.preselected);
}

constexpr const char* kUnmountFailed =
    "Umount Disk Fail!\nPlease checked if you had selected a drive to un-mount,\n"
    "or any file opened on selected drive that did not close.";

}  // namespace

DriveSection::DriveSection(DeviceProtocol& protocol, DriveLetterTable& drives, Services services,
                           HandlerState& state, DriveControls controls)
    : protocol_(protocol), drives_(drives), services_(services), state_(state), c_(controls) {}

void DriveSection::InitColumns() {
  c_.shareList.SetFullRowSelect();
  c_.shareList.InsertColumn(0, "Link Name", 120);
  c_.shareList.InsertColumn(1, "Location", 100);
}

void DriveSection::ScanLetters() {
  drives_.ScanDrives();
  FillDriveCombo(c_.driveCombo, drives_.UsableDrives());
}

void DriveSection::RescanDrives(const ShownDevice* device) {
  ScanLetters();
  ListShares(device);
}

void DriveSection::ShowDevice(const ShownDevice& device) {
  c_.connectButton.Enable(device.reachable);
  c_.disconnectButton.Enable(device.reachable);
  protocol_.FetchShares();
  ListShares(&device);
}

void DriveSection::ListShares(const ShownDevice* device) {
  // The shares listed are the shown device's, so their letters are looked
  // up by its name and address, not by whatever row the keyboard has just
  // highlighted.
  if (device == nullptr) return;
  c_.shareList.DeleteAllItems();
  c_.shareList.Redraw();
  int j = 0;
  for (const ShareRecord& s : protocol_.shareList()) {
    int at = c_.shareList.InsertItem(j++, "");
    if (at < 0) continue;
    c_.shareList.SetItemText(at, 0, s.name);
    std::string location = drives_.ShareLocation(device->name, device->ip, s.name);
    if (!location.empty()) c_.shareList.SetItemText(at, 1, location);
  }
}

bool DriveSection::ShareChosen() const { return FindSelectedRow(c_.shareList) >= 0; }

void DriveSection::Connect(const ShownDevice* device, Login& login) {
  int shareRow = FindSelectedRow(c_.shareList);
  if (shareRow < 0 || device == nullptr) {
    state_.Report("You should select a samba server disk to mount!", kCaptionWarning,
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
  if (!DeviceRemoteName(services_.resolver, device->name, device->ip, share, remoteName))
    return state_.ReportFailure("Mount Disk Fail!", kUnusableNameReason);

  // Whatever the letter held before, current or remembered, gives way only
  // to a connection that works.
  if (ConnectionResult result = ConnectWithLogin(localName, remoteName, login);
      result != ConnectionResult::kDone)
    return state_.ReportFailure("Mount Disk Fail!", ConnectFailureReason(result));

  state_.Report("Mount Disk OK!", kCaptionConfirm, MessageIcon::Information);
  ShowDriveChange(device);
}

ConnectionResult DriveSection::ConnectWithLogin(const std::string& localName,
                                                const std::string& remoteName, Login& login) {
  // Only a password typed into the "Login" dialog of this Connect, with the
  // box ticked, is kept.
  bool remember = false;
  auto connect = [&] {
    return ConnectLetter(services_.connections, localName, remoteName, login.password,
                         login.userName, remember ? kConnectRememberPassword : 0u);
  };
  if (GetWindowsVersion(services_.system).family == WindowsFamily::kNt4OrEarlier) {
    remember = AskLogin(state_, login, services_.system);
    return connect();
  }
  ConnectionResult result = connect();
  if (result != ConnectionResult::kDone) {
    remember = AskLogin(state_, login, services_.system);
    result = connect();
  }
  return result;
}

void DriveSection::ShowDriveChange(const ShownDevice* device) {
  drives_.ScanDrives();
  c_.driveCombo.ResetContent();
  FillDriveCombo(c_.driveCombo, drives_.UsableDrives());
  ListShares(device);
}

bool DriveSection::ChosenLetter(std::string& localName) const {
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
    if (sel < 0) return false;
    driveText = c_.driveCombo.GetLBText(sel);
  }
  localName = driveText.substr(0, 2);
  return true;
}

void DriveSection::Disconnect(const ShownDevice* device) {
  std::string localName;
  if (!ChosenLetter(localName)) return;
  // A share that no letter maps has nothing to unmount.
  ConnectionResult result = localName.empty() ? ConnectionResult::kNotConnected
                                              : services_.connections.CancelConnection(
                                                    localName, kConnectUpdateProfile, false);
  if (result != ConnectionResult::kDone)
    return state_.ReportFailure(kUnmountFailed, DisconnectFailureReason(result));
  state_.Report("Umount Disk OK!", kCaptionConfirm, MessageIcon::Information);
  ShowDriveChange(device);
}

}  // namespace tessavue
