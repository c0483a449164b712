#include "tools/Arguments.h"

#include "common/Utf8Path.h"
#include "tools/Commands.h"
#include "tools/json/JsonWriter.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace {

bool IsOptionWord(const std::string& a) {
    return a == "-h" || (a.size() > 2 && a[0] == '-' && a[1] == '-');
}

} // namespace

TArguments::TArguments(const std::vector<std::string>& args, const std::vector<TOptionRule>& options,
                       std::size_t maxPositional) {
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (!optionsEnded && a == "--") {
            optionsEnded = true;
            continue;
        }
        if (optionsEnded || !IsOptionWord(a)) {
            Positional.push_back(a);
            continue;
        }
        if (a == "--help" || a == "-h") {
            Help = true;
            continue;
        }
        const std::size_t eq = a.find('=');
        const std::string name = a.substr(0, eq);
        const auto known = std::find_if(options.begin(), options.end(),
                                        [&name](const TOptionRule& o) { return name == o.Name; });
        if (known == options.end()) {
            Refuse("unknown option '" + a + "'");
        } else if (!known->TakesValue) {
            if (eq != std::string::npos)
                Refuse(name + " takes no value");
            else
                Given[name].emplace_back();
        } else if (eq != std::string::npos) {
            Given[name].push_back(a.substr(eq + 1));
        } else if (i + 1 < args.size() && !IsOptionWord(args[i + 1])) {
            Given[name].push_back(args[++i]);
        } else {
            // "--device --help" asks for the help; an option word is never taken as a value.
            Refuse(name + " needs a value");
        }
    }
    if (Positional.size() > maxPositional)
        Refuse("unexpected argument '" + Positional[maxPositional] + "'");
}

std::optional<std::string> TArguments::Value(const std::string& name) const {
    const auto it = Given.find(name);
    if (it == Given.end())
        return std::nullopt;
    return it->second.back();
}

void TArguments::Refuse(const std::string& why) {
    if (Error.empty())
        Error = why;
}

void TArguments::NeedPositional(std::size_t least, const std::string& what) {
    if (Positional.size() < least)
        Refuse(what);
}

void TakeGiveUpSeconds(TArguments& parsed, double& seconds) {
    constexpr double MaxGiveUpSeconds = 24 * 3600;
    const auto given = parsed.Value("--give-up");
    if (!given)
        return;
    char* end = nullptr;
    const double value = std::strtod(given->c_str(), &end);
    if (given->empty() || given->find_first_not_of("0123456789.") != std::string::npos || !end ||
        *end != '\0' || value < 0 || value > MaxGiveUpSeconds) {
        parsed.Refuse("--give-up needs a number of seconds from 0 to 86400");
        return;
    }
    seconds = value;
}

std::string UsageText(const char* command, const std::string& why, const std::string& help) {
    return "ze50321 " + std::string(command) + ": " + why + "\n\n" + help;
}

int UsageError(const char* command, const std::string& why, const std::string& help, bool json, int code) {
    std::fputs(UsageText(command, why, help).c_str(), stderr);
    if (json) {
        TJsonWriter doc;
        doc.BeginObject().Member("error", why).Member("exit_code", code).EndObject();
        std::fputs(doc.Text().c_str(), stdout);
    }
    return code;
}

std::string WithoutTrailingSeparators(const std::string& path) {
    std::filesystem::path p = Utf8Path(path);
    while (p.has_relative_path() && !p.has_filename())
        p = p.parent_path();
    return PathUtf8(p);
}
