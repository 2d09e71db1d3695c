#include "login_dialog.h"

#include <gtest/gtest.h>

#include "headless_controls.h"
#include "memory_network.h"
#include "memory_system.h"
#include "virtual_clock.h"
#include "protocol.h"

namespace tessavue {
namespace {

class LoginDialogTest : public ::testing::Test {
 protected:
  LoginRun Run(int adminMode, LoginAnswer answer) {
    host.ScriptLogin(std::move(answer));
    LoginDialog dialog(protocol, adminMode, system);
    host.RunLoginDialog(dialog);
    return host.loginRuns.back();
  }

  VirtualClock clock;
  MemoryNetwork network{clock};
  DeviceProtocol protocol{network, clock};
  MemorySystem system;
  ScriptedDialogHost host;
};

TEST_F(LoginDialogTest, AdministratorModeFixesTheUserName) {
  LoginRun run = Run(1, {"root", "pw", true});
  EXPECT_EQ(run.userNameShown, "qewro");
  EXPECT_FALSE(run.userNameEnabled);
  EXPECT_EQ(run.passwordShown, "");
  EXPECT_EQ(run.endCode, kIdOk);
  EXPECT_STREQ(protocol.loginUserName(), "qewro");
  EXPECT_STREQ(protocol.loginPassword(), "pw");
}

TEST_F(LoginDialogTest, WindowsAccountModeByVersion) {
  system.userName = "Mary";
  system.SetVersion(1, 4, 10, 2222);  // Windows 98 SE: the logged-on user, fixed
  LoginRun run = Run(0, {"someone", "x", true});
  EXPECT_EQ(run.userNameShown, "Mary");
  EXPECT_FALSE(run.userNameEnabled);
  EXPECT_STREQ(protocol.loginUserName(), "Mary");

  system.SetVersion(1, 4, 90, 3000);  // Windows ME
  EXPECT_EQ(Run(0, {std::nullopt, "", true}).userNameShown, "Mary");

  system.SetVersion(2, 5, 1, 2600);  // XP: typed by the user
  run = Run(0, {"bob", "pw", true});
  EXPECT_EQ(run.userNameShown, "");
  EXPECT_TRUE(run.userNameEnabled);
  EXPECT_STREQ(protocol.loginUserName(), "bob");
  EXPECT_STREQ(protocol.loginPassword(), "pw");
}

TEST_F(LoginDialogTest, SixteenCharactersFitAndNoMore) {
  const std::string sixteen = "abcdefghijklmnop";
  LoginRun run = Run(0, {sixteen + "qrs", sixteen + "XYZ", true});
  EXPECT_EQ(run.userNameLimit, 16);
  EXPECT_EQ(run.passwordLimit, 16);
  EXPECT_EQ(std::string(protocol.loginUserName()), sixteen);
  EXPECT_EQ(std::string(protocol.loginPassword()), sixteen);

  // A long Windows user name shown in the fixed edit is cut to the field.
  system.SetVersion(1, 4, 10, 1998);
  system.userName = std::string(40, 'u');
  Run(0, {std::nullopt, "p", true});
  EXPECT_EQ(std::string(protocol.loginUserName()), std::string(16, 'u'));
}

TEST_F(LoginDialogTest, CancelKeepsTheCredentials) {
  protocol.SetLogin("keep", "these");
  LoginRun run = Run(0, {"other", "typed", false});
  EXPECT_EQ(run.endCode, kIdCancel);
  EXPECT_STREQ(protocol.loginUserName(), "keep");
  EXPECT_STREQ(protocol.loginPassword(), "these");
}

// "Remember password": a Windows account's login only, unticked at every
// opening whatever the box showed before; the administrator's never.
TEST_F(LoginDialogTest, RememberPasswordIsAWindowsAccountsChoiceMadeEachTime) {
  auto remembered = [this](int adminMode, LoginAnswer answer) {
    host.ScriptLogin(std::move(answer));
    LoginDialog dialog(protocol, adminMode, system);
    host.RunLoginDialog(dialog);
    return dialog.rememberPassword;
  };
  LoginAnswer ticked{"mary", "pw", true, true};
  EXPECT_TRUE(remembered(0, ticked));
  EXPECT_TRUE(host.loginRuns.back().rememberShown);
  EXPECT_FALSE(host.loginRuns.back().rememberTicked);
  EXPECT_FALSE(remembered(0, {"mary", "pw", true, false}));
  EXPECT_FALSE(host.loginRuns.back().rememberTicked);
  // Cancelled, nothing is to be kept.
  EXPECT_FALSE(remembered(0, {"mary", "pw", false, true}));

  EXPECT_FALSE(remembered(1, ticked));
  EXPECT_FALSE(host.loginRuns.back().rememberShown);
}

}  // namespace
}  // namespace tessavue
