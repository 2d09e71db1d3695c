// The "Login" dialog's behaviour: a user name and a password of at most 16
// characters each, for the device's administrator or for a Windows account.
#pragma once

#include <string>

#include "controls.h"
#include "system.h"

namespace tessavue {

class DeviceProtocol;

constexpr int kLoginDialogTemplate = 134;
constexpr int kUserNameEditId = 1016;
constexpr int kPasswordEditId = 1017;
constexpr int kRememberPasswordId = 1023;
constexpr int kLoginTextLimit = 16;
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;

class LoginDialog : public LoginPrompts {
 public:
  // `adminLoginMode` 1: the device administrator (user name fixed); 0: a
  // Windows account.
  LoginDialog(DeviceProtocol& protocol, int adminLoginMode, SystemInfo& system);

  // Called by the host once the edits and the check box exist. "Remember
  // password" is shown, unticked, for a Windows account only.
  void OnInitDialog(EditControl& userNameEdit, EditControl& passwordEdit,
                    CheckBox& rememberBox) override;
  // "OK": the edits become LoginUserName and LoginPassword, the check box
  // rememberPassword. Returns kIdOk.
  int OnOK() override;
  // "Cancel": the credentials keep their values. Returns kIdCancel.
  int OnCancel() override;

  std::string userName;
  std::string password;
  // The password is to be kept where the system keeps such passwords.
  bool rememberPassword = false;

 private:
  DeviceProtocol& protocol_;
  int adminLoginMode_;
  SystemInfo& system_;
  EditControl* userNameEdit_ = nullptr;
  EditControl* passwordEdit_ = nullptr;
  CheckBox* rememberBox_ = nullptr;
};

}  // namespace tessavue
