#pragma once
// The command line and the environment as UTF-8 text. On Windows both are read in their
// UTF-16 form, since the narrow forms pass through the ANSI code page and lose every
// character outside it; elsewhere they are the bytes as given.
#include <optional>
#include <string>
#include <vector>

namespace kelmo {

// The arguments after the program's name; argc and argv are main's.
std::vector<std::string> programArguments(int argc, char** argv);
// The variable's value; nothing when it is not set.
std::optional<std::string> environmentVariable(const char* name);

}  // namespace kelmo
