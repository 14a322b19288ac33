// Starting a program from a test and reading what it prints.
#pragma once

#include <windows.h>

#include <string>

namespace testing_support {

// Runs `command_line` and returns what the program writes to its standard
// output, once it has ended (waiting up to ten seconds); nothing when it
// could not be started.
std::string RunAndRead(std::wstring command_line);

// The path of the running test program.
std::wstring ThisProgram();

}  // namespace testing_support
