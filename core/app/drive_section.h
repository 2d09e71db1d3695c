// The "Link Info" group: the shown device's shares with the drive letters
// that map them, the "Network Drive :" list, "Connect" and "Disconnect".
#pragma once

#include <string>

#include "controls.h"
#include "device_list_section.h"
#include "drive_table.h"
#include "handler_state.h"
#include "login_dialog.h"
#include "name_resolver.h"
#include "protocol.h"
#include "system.h"

namespace tessavue {

struct DriveControls {
  ListView& shareList;
  ComboBox& driveCombo;
  Button& connectButton;
  Button& disconnectButton;
};

class DriveSection {
 public:
  // The system services the drive letters use.
  struct Services {
    NetworkConnections& connections;
    NameResolver& resolver;
    SystemInfo& system;
  };

  DriveSection(DeviceProtocol& protocol, DriveLetterTable& drives, Services services,
               HandlerState& state, DriveControls controls);

  void InitColumns();
  // The letters as the system has them now, and the drive list from them.
  void ScanLetters();
  // The same, and the "Location" of every share of `device` (the device in
  // view; nullptr: the share list stays as it is): mappings made outside the
  // program show up.
  void RescanDrives(const ShownDevice* device);
  // No device shown: no shares.
  void ClearShares() { c_.shareList.DeleteAllItems(); }
  // `device` is shown: its shares asked for and listed; "Connect" and
  // "Disconnect" only for a device they can reach.
  void ShowDevice(const ShownDevice& device);
  // A share row is chosen.
  bool ShareChosen() const;

  // "Connect": the chosen share of `device` (nullptr: none in view) on the
  // chosen letter, logging in with `login`.
  void Connect(const ShownDevice* device, Login& login);
  // "Disconnect": the chosen share's letter, or the chosen letter.
  void Disconnect(const ShownDevice* device);

 private:
  // The share list of `device`, each share with the letter that maps it
  // (by the device's name or its address).
  void ListShares(const ShownDevice* device);
  // Connect's login and connection: on the NT family the "Login" dialog
  // first, elsewhere only after a first failure.
  ConnectionResult ConnectWithLogin(const std::string& localName, const std::string& remoteName,
                                    Login& login);
  // After a change of drive letters: the table, the drive list and the
  // share list anew.
  void ShowDriveChange(const ShownDevice* device);
  // The letter a Disconnect names; empty when nothing is chosen.
  bool ChosenLetter(std::string& localName) const;

  DeviceProtocol& protocol_;
  DriveLetterTable& drives_;
  Services services_;
  HandlerState& state_;
  DriveControls c_;
};

}  // namespace tessavue
