#include <iostream>
#include <string>
#include <vector>

#include "command_line.h"
#include "file_system.h"

int main(int argc, char** argv) {
  if (argc > 1) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    return brevine::RunCommandLine(args, brevine::platform::ExecutablePath());
  }
  std::cout << "usage: brevine IMAGE...  (reduces each image to a JPEG)\n";
  return 0;
}
