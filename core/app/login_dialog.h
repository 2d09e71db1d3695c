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
constexpr int kLoginTextLimit = 16;
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;

class LoginDialog : public LoginPrompts {
 public:
  // `adminLoginMode` 1: the device administrator (user name fixed); 0: a
  // Windows account.
  LoginDialog(DeviceProtocol& protocol, int adminLoginMode, SystemInfo& system);

  // Called by the host once the two edits exist.
  void OnInitDialog(EditControl& userNameEdit, EditControl& passwordEdit) override;
  // "OK": the edits become LoginUserName and LoginPassword. Returns kIdOk.
  int OnOK() override;
  // "Cancel": the credentials keep their values. Returns kIdCancel.
  int OnCancel() override;

  std::string userName;
  std::string password;

 private:
  DeviceProtocol& protocol_;
  int adminLoginMode_;
  SystemInfo& system_;
  EditControl* userNameEdit_ = nullptr;
  EditControl* passwordEdit_ = nullptr;
};

}  // namespace tessavue
