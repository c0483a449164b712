#pragma once

#include <string>

// The letters a to z turned to upper case, every other byte unchanged.
std::string UpperAsciiLetters(std::string text);

// a and b are the same text when letter case is not regarded.
bool EqualNoCase(const std::string& a, const std::string& b);
