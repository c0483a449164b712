#pragma once

#include <string>
#include <vector>

// Splits a text into arguments by the updater's rules: characters 1 to 32 separate arguments, a pair
// of double quotes at the start of an argument is skipped, a double quote opens a stretch that runs to
// the next double quote (quotes dropped, text around the stretch joins on), a backslash is an ordinary
// character. The text ends at its end or at a NUL. Every item found is returned, the first included:
// this is the form the configurator uses for the updater's parameter text.
std::vector<std::string> SplitCommandLine(const std::string& text);

// A whole process command line: the first item is the program's own path and is not returned.
std::vector<std::string> SplitProcessCommandLine(const std::string& text);

// text as one argument for SplitCommandLine: in double quotes, so that spaces in it do not split it.
std::string QuoteArgument(const std::string& text);
