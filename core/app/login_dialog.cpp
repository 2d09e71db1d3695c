#include "login_dialog.h"

#include "handler_state.h"
#include "version_name.h"
#include "protocol.h"

namespace tessavue {

namespace {

// GetUserNameA fills a 128-byte buffer.
constexpr std::size_t kUserNameBuffer = 128;

}  // namespace

LoginDialog::LoginDialog(Login& login, SystemInfo& system) : login_(login), system_(system) {}

void LoginDialog::OnInitDialog(EditControl& userNameEdit, EditControl& passwordEdit,
                               CheckBox& rememberBox) {
  userNameEdit_ = &userNameEdit;
  passwordEdit_ = &passwordEdit;
  rememberBox_ = &rememberBox;
  // The administrator's password is the device's, never the system's to keep.
  rememberPassword = false;
  rememberBox.SetCheck(false);
  const bool administrator = login_.AdminLoginMode == LoginMode::kDeviceAdministrator;
  rememberBox.Show(!administrator);
  userNameEdit.SetLimitText(kLoginTextLimit);
  passwordEdit.SetLimitText(kLoginTextLimit);

  bool fixedUser = false;
  if (administrator) {
    userName = kDefaultAdministrator;
    fixedUser = true;
  } else {
    WindowsFamily family = GetWindowsVersion(system_).family;
    if (family == WindowsFamily::kWindows98 || family == WindowsFamily::kWindowsMe) {
      userName = system_.GetUserName().substr(0, kUserNameBuffer - 1);
      fixedUser = true;
    } else {
      userName.clear();
    }
  }
  userNameEdit.SetText(userName);
  userNameEdit.Enable(!fixedUser);
  password.clear();
  passwordEdit.SetText(password);
}

int LoginDialog::OnOK() {
  // Both texts go into 16-byte fields: what is longer (a Windows user name
  // shown in the disabled edit) is cut to the 16 characters that fit.
  if (userNameEdit_) userName = userNameEdit_->GetText();
  if (passwordEdit_) password = passwordEdit_->GetText();
  userName = userName.substr(0, kLoginTextLimit);
  password = password.substr(0, kLoginTextLimit);
  rememberPassword = login_.AdminLoginMode != LoginMode::kDeviceAdministrator && rememberBox_ &&
                     rememberBox_->GetCheck();
  login_.userName = userName;
  login_.password = password;
  return kIdOk;
}

int LoginDialog::OnCancel() { return kIdCancel; }

bool AskLogin(HandlerState& state, Login& login, SystemInfo& system) {
  LoginDialog dialog(login, system);
  return state.RunLoginDialog(dialog) == kIdOk && dialog.rememberPassword;
}

}  // namespace tessavue
