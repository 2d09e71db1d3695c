// The Linux shell and system facts.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "posix_resolver.h"
#include "posix_shell.h"
#include "posix_system.h"

namespace tessavue {
namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(PosixShell, HandsTheUrlAsOneArgumentWithoutAShell) {
  char dir[] = "/tmp/tessavue-shell-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  const std::string out = std::string(dir) + "/args";
  const std::string opener = std::string(dir) + "/opener";
  {
    std::ofstream script(opener);
    script << "#!/bin/sh\nfor a in \"$@\"; do printf '[%s]\\n' \"$a\"; done > " << out
           << ".tmp\nmv " << out << ".tmp " << out << "\n";
  }
  chmod(opener.c_str(), 0755);

  PosixShell shell(opener);
  const auto start = std::chrono::steady_clock::now();
  shell.OpenWebPage("http://10.0.0.5/$(touch pwned) x;y");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  // The opener runs detached: wait (bounded) for its record.
  for (int i = 0; i < 100 && access(out.c_str(), F_OK) != 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(ReadAll(out), "[http://10.0.0.5/$(touch pwned) x;y]\n");
  EXPECT_NE(access("pwned", F_OK), 0);

  // Only http URLs go to the opener; a missing opener is no error.
  unlink(out.c_str());
  shell.OpenWebPage("--help");
  shell.OpenWebPage("file:///etc/passwd");
  PosixShell missing(std::string(dir) + "/no-such-opener");
  missing.OpenWebPage("http://10.0.0.5");
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_NE(access(out.c_str(), F_OK), 0);
  unlink(opener.c_str());
  rmdir(dir);
}

TEST(PosixSystemInfo, NoWindowsVersionAndAUserName) {
  OsVersionInfo info;
  ParseKernelRelease("6.1.0-13-amd64", info);
  EXPECT_EQ(info.majorVersion, 6u);
  EXPECT_EQ(info.minorVersion, 1u);
  EXPECT_EQ(info.buildNumber, 0u);
  ParseKernelRelease("5.15.90.1-microsoft-standard-WSL2", info);
  EXPECT_EQ(info.minorVersion, 15u);
  EXPECT_EQ(info.buildNumber, 90u);
  ParseKernelRelease("", info);
  EXPECT_EQ(info.majorVersion, 0u);

  PosixSystemInfo system;
  ASSERT_TRUE(system.GetVersionInfo(info));
  EXPECT_EQ(info.platformId, 0u);
  const std::string user = system.GetUserName();
  EXPECT_FALSE(user.empty());
  EXPECT_LE(user.size(), 127u);
}

// Only names the system answers from this machine (the hosts file): nothing
// is asked of a name server.
TEST(PosixResolverTest, NamesOfTheHostsFileResolveAndNoNameDoesNot) {
  PosixNameResolver resolver;
  EXPECT_TRUE(resolver.Resolves("localhost"));
  EXPECT_TRUE(resolver.Resolves("127.0.0.1"));
  EXPECT_FALSE(resolver.Resolves(""));
}

}  // namespace
}  // namespace tessavue
