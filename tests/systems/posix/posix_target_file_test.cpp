// The remembered targets' file on Linux.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "posix_target_file.h"
#include "target_store_contract.h"

namespace tessavue {
namespace {

class Folder {
 public:
  Folder() {
    char pattern[] = "/tmp/tessavue-targets-XXXXXX";
    path_ = mkdtemp(pattern);
  }
  ~Folder() { std::system(("rm -rf '" + path_ + "'").c_str()); }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

struct FileHarness {
  Folder folder;
  // Folders that do not exist yet: the first write makes them.
  std::string path = folder.path() + "/config/tessavue/targets";
  PosixTargetFile file{path};
  std::unique_ptr<PosixTargetFile> other;
  TargetStore& store() { return file; }
  TargetStore& fresh() { return *(other = std::make_unique<PosixTargetFile>(path)); }
};

INSTANTIATE_TYPED_TEST_SUITE_P(Posix, TargetStoreContract, FileHarness);

TEST(PosixTargetFile, FollowsXdgConfigHomeAndForgivesHandEditing) {
  EXPECT_EQ(TargetFilePath("/x/cfg", "/home/u"), "/x/cfg/tessavue/targets");
  EXPECT_EQ(TargetFilePath(nullptr, "/home/u"), "/home/u/.config/tessavue/targets");
  // A relative XDG_CONFIG_HOME is ignored, as the XDG rules say.
  EXPECT_EQ(TargetFilePath("cfg", "/home/u"), "/home/u/.config/tessavue/targets");
  EXPECT_EQ(TargetFilePath("", nullptr), "");

  FileHarness h;
  ASSERT_TRUE(h.file.WriteLines({"10.9.0.30"}));
  struct stat info {};
  ASSERT_EQ(stat(h.path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  {
    std::ofstream out(h.path);
    out << "  10.9.0.30 \r\n\n\t10.9.4.0/22\n10.9.8.7";
  }
  std::vector<std::string> lines;
  ASSERT_EQ(h.file.ReadLines(lines), TargetStore::Read::kRead);
  EXPECT_EQ(lines, (std::vector<std::string>{"10.9.0.30", "10.9.4.0/22", "10.9.8.7"}));
}

TEST(PosixTargetFile, AFileThatCannotBeReadOrIsNoListIsUnreadable) {
  FileHarness h;
  std::vector<std::string> lines;
  // A folder where the file should be.
  ASSERT_EQ(std::system(("mkdir -p '" + h.path + "'").c_str()), 0);
  EXPECT_EQ(h.file.ReadLines(lines), TargetStore::Read::kUnreadable);
  EXPECT_FALSE(h.file.WriteLines({"10.9.0.30"}));
  ASSERT_EQ(rmdir(h.path.c_str()), 0);
  {
    std::ofstream out(h.path);
    out << std::string(70 * 1024, '1');
  }
  EXPECT_EQ(h.file.ReadLines(lines), TargetStore::Read::kUnreadable);
  // No home at all: nothing is read, and nothing can be written.
  PosixTargetFile homeless{std::string()};
  EXPECT_EQ(homeless.ReadLines(lines), TargetStore::Read::kNothing);
  EXPECT_FALSE(homeless.WriteLines({"10.9.0.30"}));
}

}  // namespace
}  // namespace tessavue
