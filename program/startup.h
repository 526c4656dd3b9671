#pragma once
// Program entry: with arguments the headless command-line run (after the launcher when
// the first one is "/sc"), without them the window.

namespace brevine {

int RunProgram(int argc, char** argv);

}  // namespace brevine
