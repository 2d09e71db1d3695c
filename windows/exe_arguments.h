// What tessavue.exe was asked to do by its command line, each argument taken
// as a whole word.
#pragma once

#include <string>

namespace tessavue::win32 {

enum class ExeCommand { Window, Demo, Version, Help, Unknown };

struct ExeArguments {
  ExeCommand command = ExeCommand::Window;
  // The first argument the program does not know (ExeCommand::Unknown).
  std::string unknown;
};

// argv[0] is the program; the first of --version and --help wins, then
// --demo; any other argument, anywhere, makes the whole line unknown.
ExeArguments ParseExeArguments(int argc, const char* const* argv);

// The text of the usage message box.
const char* ExeUsage();

}  // namespace tessavue::win32
