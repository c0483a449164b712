#pragma once

#include <string>
#include <vector>

// A program's arguments after its own name, in UTF-8, split by the platform's usual rules: on
// Windows from the wide command line as the console splits it (the C runtime's argv would carry
// the ANSI code page's letters), elsewhere as the system hands them over.
std::vector<std::string> CommandArguments(int argc, char** argv);

// While one of these lives, what the program prints in UTF-8 reads right on a Windows console;
// elsewhere the terminal takes UTF-8 already.
class TUtf8Console {
public:
    TUtf8Console();
    ~TUtf8Console();
    TUtf8Console(const TUtf8Console&) = delete;
    TUtf8Console& operator=(const TUtf8Console&) = delete;

private:
    unsigned OldCodePage = 0;
};
