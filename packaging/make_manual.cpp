// Writes the manual page from its template, with the lists of flags and of settings keys
// made from the option table, so that the page cannot drift from the program.
// make_manual TEMPLATE OUTPUT

#include <fstream>
#include <iostream>
#include <string>

#include "command_line.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: make_manual TEMPLATE OUTPUT\n";
    return 2;
  }
  std::ifstream in(argv[1]);
  std::ofstream out(argv[2]);
  std::string line;
  bool options = false, settings = false;
  while (std::getline(in, line)) {
    if (line == ".\\\" flags from the option table") {
      out << brevine::ManualOptions();
      options = true;
    } else if (line == ".\\\" settings from the option table") {
      out << brevine::ManualSettings();
      settings = true;
    } else {
      out << line << "\n";
    }
  }
  if (!in.eof() || !options || !settings || !out.flush()) {
    std::cerr << "make_manual: " << argv[1] << ": cannot make the page\n";
    return 1;
  }
  return 0;
}
