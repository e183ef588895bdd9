// The process's main routine: it records the command line, loads and runs
// the application image, and returns 0 whether or not the image started.
#pragma once

#include <string>

namespace tess {

int RuntimeMain(int argc, char** argv);

// The command line without the program name, arguments with spaces quoted.
const std::string& CommandLine();
std::string JoinCommandLine(int argc, char** argv);

}  // namespace tess
