#include "updater/UpdateArguments.h"

#include "common/Text.h"

TUpdateMode TUpdateArguments::Mode() const {
    if (ArgCount == 0)
        return TUpdateMode::Empty;
    if (FirmwareWrite || ProjectWrite)
        return TUpdateMode::Auto;
    return TUpdateMode::NothingToDo;
}

TUpdateArguments ParseUpdateArguments(const std::vector<std::string>& args) {
    const auto arg = [&args](std::size_t position) {
        return position <= args.size() ? args[position - 1] : std::string();
    };
    const auto is = [&arg](std::size_t position, const char* keyword) {
        return UpperAsciiLetters(arg(position)) == keyword;
    };
    TUpdateArguments a;
    a.ArgCount = static_cast<int>(args.size());
    a.FirmwareWrite = is(2, "FW");
    a.FirmwareRead = is(3, "FR");
    a.ProjectWrite = is(4, "PW");
    a.ProjectRead = is(5, "PR");
    a.PortName = arg(1);
    a.FirmwareFile = arg(6);
    a.ProjectFolder = arg(7);
    if (!a.FirmwareWrite)
        a.FirmwareRead = false;
    if (!a.ProjectWrite)
        a.ProjectRead = false;
    return a;
}
