#include "startup.h"

int main(int argc, char** argv) { return brevine::RunProgram(argc, argv); }
