#include "updater/UpdateArguments.h"

TUpdateMode TUpdateArguments::Mode() const {
    if (ArgCount == 0)
        return TUpdateMode::Empty;
    if (FirmwareWrite || ProjectWrite)
        return TUpdateMode::Auto;
    return TUpdateMode::NothingToDo;
}

TUpdateArguments ParseUpdateArguments(const std::vector<std::string>& args) {
    TUpdateArguments a;
    static_cast<TUpdaterRequest&>(a) = ParseUpdaterRequest(args);
    a.ArgCount = static_cast<int>(args.size());
    if (!a.FirmwareWrite)
        a.FirmwareRead = false;
    if (!a.ProjectWrite)
        a.ProjectRead = false;
    return a;
}
