#pragma once

#include "tools/Commands.h"

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <vector>

// One option a command knows: its word, and whether a value follows it ("--give-up 5" or
// "--give-up=5").
struct TOptionRule {
    const char* Name;
    bool TakesValue = false;
};

// A subcommand's arguments split into options and positional arguments. Options may stand before,
// between or after the positional arguments; "--" ends the options; "-h" and "--help" ask for the
// help. Every argument is looked at, so that a flag such as --json is known even when the line is
// refused; Error holds the first thing wrong with it.
class TArguments {
public:
    // More than maxPositional positional arguments is an error; the command states its least count
    // with NeedPositional, in its own words.
    TArguments(const std::vector<std::string>& args, const std::vector<TOptionRule>& options,
               std::size_t maxPositional);

    bool Help = false;
    std::vector<std::string> Positional;
    // Empty when the line can be used, else what is wrong: an unknown option, a missing value,
    // missing or surplus positional arguments.
    std::string Error;

    bool Has(const std::string& name) const { return Given.count(name) != 0; }
    // The value of the option's last occurrence; none when it was not given.
    std::optional<std::string> Value(const std::string& name) const;
    // Sets Error (when it is still empty) to a problem the command found itself.
    void Refuse(const std::string& why);
    // Sets Error to `what` (when it is still empty) for fewer than `least` positional arguments.
    void NeedPositional(std::size_t least, const std::string& what);

private:
    std::map<std::string, std::vector<std::string>> Given;
};

// The value of --give-up in seconds, a plain decimal number from 0 up to a day; seconds is left as
// it is when the option is not given, and a value it cannot use is refused in parsed.
void TakeGiveUpSeconds(TArguments& parsed, double& seconds);

// "ze50321 COMMAND: why", a blank line and the command's help.
std::string UsageText(const char* command, const std::string& why, const std::string& help);

// The one rule for a command line the tool cannot use: UsageText on standard error, with json a
// document holding error and exit_code on standard output, and code (the command's exit code for
// it) as the answer.
int UsageError(const char* command, const std::string& why, const std::string& help, bool json = false,
               int code = ExitUsage);

// A path as typed, without the separators it ends with (a root stays itself): "p/" is "p".
std::string WithoutTrailingSeparators(const std::string& path);
