// generate_dialog_layout SCRIPT.rc OUT.h: the dialog templates of a resource
// script as the constant tables of dialog_layout.h.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>

#include "rc_dialogs.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: generate_dialog_layout SCRIPT.rc OUT.h\n";
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::cerr << argv[1] << ": cannot read\n";
    return 1;
  }
  std::stringstream script;
  script << in.rdbuf();
  std::string header;
  try {
    header = tessavue::DialogLayoutHeader(tessavue::ParseRcDialogs(script.str()));
  } catch (const tessavue::RcParseError& e) {
    std::cerr << argv[1] << ": " << e.what() << "\n";
    return 1;
  }
  // Written whole or not at all, so that a failed run leaves no half table.
  const std::string temporary = std::string(argv[2]) + ".tmp";
  std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
  out << header;
  out.close();
  if (!out || std::rename(temporary.c_str(), argv[2]) != 0) {
    std::cerr << argv[2] << ": cannot write\n";
    return 1;
  }
  return 0;
}
