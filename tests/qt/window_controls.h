// The controls of the Qt windows as a test reaches them: found by the object
// names the windows give them, as any tool that drives the window would.
#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <QWidget>

#include "qt_controls.h"

namespace tessavue {

// The child of `parent` named `name`; a test failure when there is none.
// (The control classes carry no meta-object of their own: found as widgets.)
template <typename Control>
Control* Child(QWidget& parent, const char* name) {
  auto* control = dynamic_cast<Control*>(parent.findChild<QWidget*>(QLatin1String(name)));
  EXPECT_NE(control, nullptr) << "no " << name << " in " << parent.windowTitle().toStdString();
  return control;
}

// The main window's controls, by their Windows names.
struct MainWindowControls {
  explicit MainWindowControls(QWidget& window)
      : deviceList(Child<QtListView>(window, "deviceList")),
        refreshButton(Child<QtButton>(window, "refreshButton")),
        configurationButton(Child<QtButton>(window, "configurationButton")),
        ipAddress(Child<QtIpAddressEdit>(window, "ipAddress")),
        netmaskAddress(Child<QtIpAddressEdit>(window, "netmaskAddress")),
        gatewayAddress(Child<QtIpAddressEdit>(window, "gatewayAddress")),
        applyButton(Child<QtButton>(window, "applyButton")),
        shareList(Child<QtListView>(window, "shareList")),
        connectButton(Child<QtButton>(window, "connectButton")),
        disconnectButton(Child<QtButton>(window, "disconnectButton")),
        exitButton(Child<QtButton>(window, "exitButton")),
        driveCombo(Child<QtComboBox>(window, "driveCombo")),
        dhcpCombo(Child<QtComboBox>(window, "dhcpCombo")),
        aboutButton(Child<QtButton>(window, "aboutButton")) {}

  QtListView* deviceList;
  QtButton* refreshButton;
  QtButton* configurationButton;
  QtIpAddressEdit* ipAddress;
  QtIpAddressEdit* netmaskAddress;
  QtIpAddressEdit* gatewayAddress;
  QtButton* applyButton;
  QtListView* shareList;
  QtButton* connectButton;
  QtButton* disconnectButton;
  QtButton* exitButton;
  QtComboBox* driveCombo;
  QtComboBox* dhcpCombo;
  QtButton* aboutButton;
};

// The "Login" dialog's controls.
struct LoginWindowControls {
  explicit LoginWindowControls(QWidget& dialog)
      : userNameEdit(Child<QtEditControl>(dialog, "userNameEdit")),
        passwordEdit(Child<QtEditControl>(dialog, "passwordEdit")),
        rememberBox(Child<QtCheckBox>(dialog, "rememberBox")),
        okButton(Child<QtButton>(dialog, "okButton")),
        cancelButton(Child<QtButton>(dialog, "cancelButton")) {}

  QtEditControl* userNameEdit;
  QtEditControl* passwordEdit;
  QtCheckBox* rememberBox;
  QtButton* okButton;
  QtButton* cancelButton;
};

// The "Search at address" dialog's controls.
struct SearchAddressWindowControls {
  explicit SearchAddressWindowControls(QWidget& dialog)
      : addressField(Child<QtIpAddressEdit>(dialog, "addressField")),
        prefixField(Child<QtEditControl>(dialog, "prefixField")),
        okButton(Child<QtButton>(dialog, "okButton")),
        cancelButton(Child<QtButton>(dialog, "cancelButton")) {}

  QtIpAddressEdit* addressField;
  QtEditControl* prefixField;
  QtButton* okButton;
  QtButton* cancelButton;
};

}  // namespace tessavue
