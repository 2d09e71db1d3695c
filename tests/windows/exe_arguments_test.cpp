// tessavue.exe's command line, word by word.
#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

#include "exe_arguments.h"

namespace tessavue::win32 {
namespace {

ExeArguments Parse(std::initializer_list<const char*> words) {
  std::vector<const char*> argv{"tessavue.exe"};
  argv.insert(argv.end(), words);
  return ParseExeArguments(static_cast<int>(argv.size()), argv.data());
}

TEST(ExeArguments, KnownWordsOnlyAsWholeWords) {
  EXPECT_EQ(Parse({}).command, ExeCommand::Window);
  EXPECT_EQ(Parse({"--demo"}).command, ExeCommand::Demo);
  EXPECT_EQ(Parse({"--version"}).command, ExeCommand::Version);
  EXPECT_EQ(Parse({"--help"}).command, ExeCommand::Help);
  // --version and --help answer at once, whatever stands beside them.
  EXPECT_EQ(Parse({"--demo", "--version"}).command, ExeCommand::Version);
  EXPECT_EQ(Parse({"--help", "--version"}).command, ExeCommand::Help);
  // A path or word that merely contains a known one is not it.
  for (const char* word :
       {"C:\\x\\--demo.txt", "--demo=1", "--DEMO", "-demo", "--versions", "--", "", "demo"}) {
    ExeArguments parsed = Parse({word});
    EXPECT_EQ(parsed.command, ExeCommand::Unknown) << word;
    EXPECT_EQ(parsed.unknown, word);
  }
  // One unknown word spoils the line, before or after a known one.
  EXPECT_EQ(Parse({"--demo", "file.txt"}).unknown, "file.txt");
  EXPECT_EQ(Parse({"x", "--version"}).command, ExeCommand::Unknown);
}

TEST(ExeArguments, UsageNamesEveryArgument) {
  const std::string usage = ExeUsage();
  for (const char* word : {"--demo", "--version", "--help"})
    EXPECT_NE(usage.find(word), std::string::npos) << word;
}

}  // namespace
}  // namespace tessavue::win32
