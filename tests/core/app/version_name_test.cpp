#include "version_name.h"

#include <gtest/gtest.h>

#include "memory_system.h"

namespace tessavue {
namespace {

struct VersionCase {
  std::uint32_t platform, major, minor, build;
  const char* name;
};

std::string NameOf(const VersionCase& v) {
  MemorySystem system;
  system.SetVersion(v.platform, v.major, v.minor, v.build);
  std::string name = "left over";
  GetWindowsVersionName(system, name);
  return name;
}

TEST(WindowsVersionName, TableAtItsBoundaries) {
  const char* unknown = "unknown Windows version";
  const VersionCase cases[] = {
      {1, 4, 0, 949, unknown},
      {1, 4, 0, 950, "Windows 95"},
      {1, 4, 0, 951, "Windows 95 SP1"},
      {1, 4, 3, 1080, "Windows 95 SP1"},
      {1, 4, 0, 1081, "Windows 95 OSR2"},
      {1, 4, 9, 0x04000457, "Windows 95 OSR2"},  // build 1111 in the low 16 bits
      {1, 4, 10, 1997, unknown},
      {1, 4, 10, 1998, "Windows 98"},
      {1, 4, 10, 1999, "Windows 98 SP1"},
      {1, 4, 10, 2182, "Windows 98 SP1"},
      {1, 4, 10, 2183, "Windows 98 SE"},
      {1, 4, 10, 0x0A0A08AE, "Windows 98 SE"},  // 2222 in the low 16 bits
      {1, 4, 10, 0x000107CE, "Windows 98"},     // 1998 + 65536: only the low bits count
      {1, 4, 10, 0x00010000 + 1997, unknown},
      {1, 4, 11, 2222, unknown},
      {1, 4, 89, 3000, unknown},
      {1, 4, 90, 3000, "Windows ME"},
      {1, 4, 91, 3000, unknown},
      {1, 5, 0, 950, unknown},
      {2, 3, 51, 1057, "Windows NT 3.51"},
      {2, 3, 50, 807, unknown},
      {2, 4, 0, 1381, "Windows NT 4"},
      {2, 5, 0, 2195, "Windows 2000"},
      {2, 5, 1, 2600, "Windows XP"},
      {2, 5, 2, 3790, unknown},
      {2, 6, 0, 6000, unknown},
      {2, 10, 0, 19045, unknown},
      {3, 7, 9, 1, "Windows CE"},
      {0, 3, 10, 0, unknown},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(NameOf(c), c.name) << c.platform << " " << c.major << "." << c.minor << " build "
                                 << c.build;
  }
}

TEST(WindowsVersionName, AsksTheSystemEveryTimeAndFallsBackWhenItCannot) {
  MemorySystem system;
  std::string name;
  GetWindowsVersionName(system, name);
  EXPECT_EQ(name, "Windows XP");
  system.versionAvailable = false;
  GetWindowsVersionName(system, name);
  EXPECT_EQ(name, "unknown Windows version");
  EXPECT_EQ(system.versionQueries, 2);
}

TEST(WindowsVersionName, FamilyGoesWithTheName) {
  using F = WindowsFamily;
  const struct {
    std::uint32_t platform, major, minor, build;
    WindowsFamily family;
  } cases[] = {
      {1, 4, 0, 950, F::kWindows95},     {1, 4, 0, 1081, F::kWindows95},
      {1, 4, 10, 1998, F::kWindows98},   {1, 4, 10, 2183, F::kWindows98},
      {1, 4, 90, 3000, F::kWindowsMe},   {2, 3, 51, 1057, F::kNt4OrEarlier},
      {2, 4, 0, 1381, F::kNt4OrEarlier}, {2, 5, 0, 2195, F::kNt5},
      {2, 5, 1, 2600, F::kNt5},          {3, 7, 9, 1, F::kCe},
      {2, 6, 0, 6000, F::kUnknown},      {1, 4, 10, 1997, F::kUnknown},
  };
  for (const auto& c : cases) {
    MemorySystem system;
    system.SetVersion(c.platform, c.major, c.minor, c.build);
    EXPECT_EQ(GetWindowsVersion(system).family, c.family)
        << c.platform << " " << c.major << "." << c.minor << " build " << c.build;
  }
}

}  // namespace
}  // namespace tessavue
