#include "login_dialog.h"

#include <gtest/gtest.h>

#include "headless_controls.h"
#include "memory_system.h"

namespace tessavue {
namespace {

class LoginDialogTest : public ::testing::Test {
 protected:
  LoginRun Run(LoginMode mode, LoginAnswer answer) {
    host.ScriptLogin(std::move(answer));
    login.AdminLoginMode = mode;
    LoginDialog dialog(login, system);
    host.RunLoginDialog(dialog);
    return host.loginRuns.back();
  }

  static constexpr LoginMode kAdministrator = LoginMode::kDeviceAdministrator;
  static constexpr LoginMode kAccount = LoginMode::kWindowsAccount;
  Login login;
  MemorySystem system;
  ScriptedDialogHost host;
};

TEST_F(LoginDialogTest, AdministratorModeFixesTheUserName) {
  LoginRun run = Run(kAdministrator, {"root", "pw", true});
  EXPECT_EQ(run.userNameShown, "qewro");
  EXPECT_FALSE(run.userNameEnabled);
  EXPECT_EQ(run.passwordShown, "");
  EXPECT_EQ(run.endCode, kIdOk);
  EXPECT_EQ(login.userName, "qewro");
  EXPECT_EQ(login.password, "pw");
}

TEST_F(LoginDialogTest, WindowsAccountModeByVersion) {
  system.userName = "Mary";
  system.SetVersion(1, 4, 10, 2222);  // Windows 98 SE: the logged-on user, fixed
  LoginRun run = Run(kAccount, {"someone", "x", true});
  EXPECT_EQ(run.userNameShown, "Mary");
  EXPECT_FALSE(run.userNameEnabled);
  EXPECT_EQ(login.userName, "Mary");

  system.SetVersion(1, 4, 90, 3000);  // Windows ME
  EXPECT_EQ(Run(kAccount, {std::nullopt, "", true}).userNameShown, "Mary");

  system.SetVersion(2, 5, 1, 2600);  // XP: typed by the user
  run = Run(kAccount, {"bob", "pw", true});
  EXPECT_EQ(run.userNameShown, "");
  EXPECT_TRUE(run.userNameEnabled);
  EXPECT_EQ(login.userName, "bob");
  EXPECT_EQ(login.password, "pw");
}

TEST_F(LoginDialogTest, SixteenCharactersFitAndNoMore) {
  const std::string sixteen = "abcdefghijklmnop";
  LoginRun run = Run(kAccount, {sixteen + "qrs", sixteen + "XYZ", true});
  EXPECT_EQ(run.userNameLimit, 16);
  EXPECT_EQ(run.passwordLimit, 16);
  EXPECT_EQ(login.userName, sixteen);
  EXPECT_EQ(login.password, sixteen);

  // A long Windows user name shown in the fixed edit is cut to the field.
  system.SetVersion(1, 4, 10, 1998);
  system.userName = std::string(40, 'u');
  Run(kAccount, {std::nullopt, "p", true});
  EXPECT_EQ(login.userName, std::string(16, 'u'));
}

TEST_F(LoginDialogTest, CancelKeepsTheCredentials) {
  login.userName = "keep";
  login.password = "these";
  LoginRun run = Run(kAccount, {"other", "typed", false});
  EXPECT_EQ(run.endCode, kIdCancel);
  EXPECT_EQ(login.userName, "keep");
  EXPECT_EQ(login.password, "these");
}

// "Remember password": a Windows account's login only, unticked at every
// opening whatever the box showed before; the administrator's never.
TEST_F(LoginDialogTest, RememberPasswordIsAWindowsAccountsChoiceMadeEachTime) {
  auto remembered = [this](LoginMode mode, LoginAnswer answer) {
    host.ScriptLogin(std::move(answer));
    login.AdminLoginMode = mode;
    LoginDialog dialog(login, system);
    host.RunLoginDialog(dialog);
    return dialog.rememberPassword;
  };
  LoginAnswer ticked{"mary", "pw", true, true};
  EXPECT_TRUE(remembered(kAccount, ticked));
  EXPECT_TRUE(host.loginRuns.back().rememberShown);
  EXPECT_FALSE(host.loginRuns.back().rememberTicked);
  EXPECT_FALSE(remembered(kAccount, {"mary", "pw", true, false}));
  EXPECT_FALSE(host.loginRuns.back().rememberTicked);
  // Cancelled, nothing is to be kept.
  EXPECT_FALSE(remembered(kAccount, {"mary", "pw", false, true}));

  EXPECT_FALSE(remembered(kAdministrator, ticked));
  EXPECT_FALSE(host.loginRuns.back().rememberShown);
}

}  // namespace
}  // namespace tessavue
