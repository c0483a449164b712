#pragma once

#include <string>
#include <vector>

// The updater's arguments as its process received them, its own path left out. On Windows they are
// split from the process command line by the updater's own rules (a backslash is an ordinary
// character, so a quoted folder ending in "\" stays whole), not by the C runtime's; elsewhere the
// system hands them over split already.
std::vector<std::string> ProcessArguments(int argc, char** argv);
