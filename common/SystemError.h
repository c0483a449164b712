#pragma once

#include <string>

// The system's text for an errno value ("No such file or directory"). Safe to call from several
// threads at once, unlike std::strerror, whose buffer is shared by the whole process.
std::string SystemErrorText(int code);
