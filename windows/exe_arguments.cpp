#include "exe_arguments.h"

#include <cstring>

namespace tessavue::win32 {

ExeArguments ParseExeArguments(int argc, const char* const* argv) {
  ExeArguments result;
  bool demo = false;
  ExeCommand early = ExeCommand::Window;
  for (int i = 1; i < argc; ++i) {
    const char* argument = argv[i] ? argv[i] : "";
    if (std::strcmp(argument, "--demo") == 0) {
      demo = true;
    } else if (std::strcmp(argument, "--version") == 0 || std::strcmp(argument, "--help") == 0) {
      if (early == ExeCommand::Window)
        early = argument[2] == 'v' ? ExeCommand::Version : ExeCommand::Help;
    } else {
      result.command = ExeCommand::Unknown;
      result.unknown = argument;
      return result;
    }
  }
  result.command = early != ExeCommand::Window ? early
                   : demo                      ? ExeCommand::Demo
                                               : ExeCommand::Window;
  return result;
}

const char* ExeUsage() {
  return "Usage: tessavue.exe [--demo] [--version] [--help]\n"
         "\n"
         "  --demo       three simulated devices and drive letters held in memory\n"
         "  --version    the program's name and version\n"
         "  --help       this text";
}

}  // namespace tessavue::win32
