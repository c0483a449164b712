#pragma once

#include <string>

// The full path of the running program's own file; empty when the system cannot tell.
std::string OwnProgramPath();
