// The "LAN" group: the shown device's address, netmask, gateway and DHCP
// choice, and "Apply", which sends them to the device after the
// administrator's login.
#pragma once

#include <string>

#include "controls.h"
#include "device_list_section.h"
#include "handler_state.h"
#include "login_dialog.h"
#include "protocol.h"
#include "system.h"

namespace tessavue {

// The "DHCP :" drop-down list's two items.
constexpr const char* kDhcpDisabled = "Disabled";
constexpr const char* kDhcpEnabled = "Enabled";

struct AddressControls {
  ComboBox& dhcpCombo;
  IpAddressControl& ipAddress;
  IpAddressControl& netmaskAddress;
  IpAddressControl& gatewayAddress;
};

// What an "Apply" came to.
struct ApplyResult {
  // The device took its new settings (the device list is to be searched
  // anew).
  bool changed = false;
  // Where the device was before, and whether it was found through a search
  // target.
  std::string from;
  bool viaTarget = false;
};

class AddressSection {
 public:
  AddressSection(DeviceProtocol& protocol, HandlerState& state, SystemInfo& system,
                 AddressControls controls);

  // The address-mode list holds its two choices from the start.
  void InitChoices();
  // No device shown: the three fields blank.
  void Clear();
  // `device`'s settings: its addresses, and its DHCP choice when the search
  // found its record (otherwise the choice stays as it was).
  void Show(const ShownDevice& device, const DeviceRecord* record);

  // The DHCP choice, -1 when none; a choice made again after the shown
  // device changed under it.
  int DhcpChoice() const { return c_.dhcpCombo.GetCurSel(); }
  void ChooseDhcp(int choice) { c_.dhcpCombo.SetCurSel(choice); }
  // The choice changed: the address fields are for a fixed address only.
  void OnDhcpModeChange();
  // "Apply" for the selected device, logging in with `login`.
  ApplyResult Apply(Login& login);

 private:
  // The administrator login of Apply; false when refused twice.
  bool AdministratorLogin(Login& login);
  ApplyResult ApplyDhcp(Login& login);
  ApplyResult ApplyStaticAddress(Login& login);
  // A change the device took: where it was before.
  ApplyResult Changed(const std::string& from, bool viaTarget);
  void EnableFields(bool enabled);

  DeviceProtocol& protocol_;
  HandlerState& state_;
  SystemInfo& system_;
  AddressControls c_;
};

}  // namespace tessavue
