// The "Login" dialog's behaviour: a user name and a password of at most 16
// characters each, for the device's administrator or for a Windows account.
#pragma once

#include <string>

#include "controls.h"
#include "system.h"

namespace tessavue {

constexpr int kLoginDialogTemplate = 134;
constexpr int kUserNameEditId = 1016;
constexpr int kPasswordEditId = 1017;
constexpr int kRememberPasswordId = 1023;
constexpr int kLoginTextLimit = 16;
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;

// Whom the "Login" dialog asks for.
enum class LoginMode {
  kWindowsAccount,       // Connect: an account of the device's shares
  kDeviceAdministrator,  // Apply: the device's administrator (user name fixed)
};

// The login texts the window keeps for its run: the last user name and
// password the "Login" dialog took (or Apply's default administrator), which
// the device login and the drive letters both use, and whom the dialog asks
// for next. At most 16 characters each.
struct Login {
  std::string userName;  // LoginUserName
  std::string password;  // LoginPassword
  LoginMode AdminLoginMode = LoginMode::kWindowsAccount;
};

// The logic itself; the windows that show the dialog (the views: Win32,
// Qt, headless) drive it through LoginDialogLogic.
class LoginDialog : public LoginDialogLogic {
 public:
  // Opens in `login`'s mode; "OK" writes the texts into it.
  LoginDialog(Login& login, SystemInfo& system);

  // Called by the host once the edits and the check box exist. "Remember
  // password" is shown, unticked, for a Windows account only.
  void OnInitDialog(EditControl& userNameEdit, EditControl& passwordEdit,
                    CheckBox& rememberBox) override;
  // "OK": the edits become the login's user name and password, the check
  // box rememberPassword. Returns kIdOk.
  int OnOK() override;
  // "Cancel": the credentials keep their values. Returns kIdCancel.
  int OnCancel() override;

  std::string userName;
  std::string password;
  // The password is to be kept where the system keeps such passwords.
  bool rememberPassword = false;

 private:
  Login& login_;
  SystemInfo& system_;
  EditControl* userNameEdit_ = nullptr;
  EditControl* passwordEdit_ = nullptr;
  CheckBox* rememberBox_ = nullptr;
};

class HandlerState;

// Runs the "Login" dialog over `login` for a handler (its wait state lifted
// meanwhile). true when the user ended it with "OK" and "Remember password"
// ticked.
bool AskLogin(HandlerState& state, Login& login, SystemInfo& system);

}  // namespace tessavue
