#include "address_section.h"

#include "static_address.h"

namespace tessavue {

namespace {

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

AddressSection::AddressSection(DeviceProtocol& protocol, HandlerState& state, SystemInfo& system,
                               AddressControls controls)
    : protocol_(protocol), state_(state), system_(system), c_(controls) {}

void AddressSection::InitChoices() {
  // The address-mode list's two choices, for every front end.
  if (c_.dhcpCombo.GetCount() != 0) return;
  c_.dhcpCombo.AddString(kDhcpDisabled);
  c_.dhcpCombo.AddString(kDhcpEnabled);
}

void AddressSection::Clear() {
  c_.ipAddress.ClearAddress();
  c_.netmaskAddress.ClearAddress();
  c_.gatewayAddress.ClearAddress();
}

void AddressSection::EnableFields(bool enabled) {
  c_.ipAddress.Enable(enabled);
  c_.gatewayAddress.Enable(enabled);
  c_.netmaskAddress.Enable(enabled);
}

void AddressSection::Show(const ShownDevice& device, const DeviceRecord* record) {
  ShowAddress(c_.ipAddress, device.ip);
  if (record != nullptr) {
    const bool dhcp = record->dhcpFlag[0] == '1';
    c_.dhcpCombo.SetCurSel(dhcp ? FindItem(c_.dhcpCombo, kDhcpEnabled, 1)
                                : FindItem(c_.dhcpCombo, kDhcpDisabled, 0));
    EnableFields(!dhcp);
  }
  ShowAddress(c_.netmaskAddress, device.netmask);
  ShowAddress(c_.gatewayAddress, device.gateway);
}

void AddressSection::OnDhcpModeChange() {
  const int choice = c_.dhcpCombo.GetCurSel();
  if (choice < 0) return;
  EnableFields(c_.dhcpCombo.GetLBText(choice) != kDhcpEnabled);
}

ApplyResult AddressSection::Apply(Login& login) {
  const int choice = c_.dhcpCombo.GetCurSel();
  if (choice < 0) return {};
  if (c_.dhcpCombo.GetLBText(choice) == kDhcpEnabled) return ApplyDhcp(login);
  return ApplyStaticAddress(login);
}

bool AddressSection::AdministratorLogin(Login& login) {
  login.userName = kDefaultAdministrator;
  login.password = kDefaultAdministrator;
  if (protocol_.CheckAdminPassword(login.userName, login.password)) return true;

  AskLogin(state_, login, system_);
  if (protocol_.CheckAdminPassword(login.userName, login.password)) return true;

  state_.Report("Wrong administrator password input!", kCaptionError, MessageIcon::Stop);
  return false;
}

ApplyResult AddressSection::Changed(const std::string& from, bool viaTarget) {
  ApplyResult result;
  result.changed = true;
  result.from = from;
  result.viaTarget = viaTarget;
  return result;
}

ApplyResult AddressSection::ApplyDhcp(Login& login) {
  if (!AdministratorLogin(login)) return {};
  const DeviceRecord* device = protocol_.FindSelectedDevice();
  const bool viaTarget = device != nullptr && device->viaTarget != 0;
  const std::string from = protocol_.selectedDeviceIp();
  if (!protocol_.SetDeviceDhcp()) {
    state_.Report("Set to dhcp client fail", kCaptionError, MessageIcon::Stop);
    return {};
  }
  state_.Report("Set to dhcp client done!", kCaptionConfirm, MessageIcon::Information);
  return Changed(from, viaTarget);
}

ApplyResult AddressSection::ApplyStaticAddress(Login& login) {
  if (const char* missing = MissingAddressText(
          !c_.ipAddress.IsBlank(), !c_.netmaskAddress.IsBlank(), !c_.gatewayAddress.IsBlank())) {
    state_.Report(missing, kCaptionWarning, MessageIcon::Exclamation);
    return {};
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
    state_.Report(kGatewayInputError, kCaptionWarning, MessageIcon::Exclamation);
    return {};
  }
  if (!AdministratorLogin(login)) return {};
  const DeviceRecord* device = protocol_.FindSelectedDevice();
  const bool viaTarget = device != nullptr && device->viaTarget != 0;
  const std::string from = protocol_.selectedDeviceIp();
  // A change the device never confirmed is a failure, as on the DHCP path:
  // the fields keep what the user entered.
  if (!protocol_.SetDeviceStatic()) {
    state_.Report("Set static IP fail", kCaptionError, MessageIcon::Stop);
    return {};
  }
  return Changed(from, viaTarget);
}

}  // namespace tessavue
