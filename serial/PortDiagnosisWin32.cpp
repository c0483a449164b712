#include "serial/PortDiagnosis.h"

#include "common/UniqueHandleWin32.h"
#include "common/WideTextWin32.h"

#include <windows.h>

namespace {

std::string SystemText(DWORD error) {
    return SystemErrorText(error) + " (error " + std::to_string(error) + ")";
}

// The verdict of an open that failed with error.
TPortDiagnosis OpenFailed(const std::string& path, DWORD error) {
    TPortDiagnosis d;
    d.Path = path;
    d.OpenError = SystemText(error);
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        d.Verdict = TPortVerdict::Missing;
        break;
    case ERROR_ACCESS_DENIED:
        // A COM port another program has open answers "access denied".
        d.Exists = d.CharacterDevice = d.Terminal = true;
        d.Verdict = TPortVerdict::Held;
        break;
    default:
        d.Exists = true;
        d.Verdict = TPortVerdict::OtherError;
        break;
    }
    return d;
}

} // namespace

// On Windows the port tells only whether it opens and, if not, the system's reason: a COM port
// has no owner or group to report, and its holder is not named by the system.
TPortDiagnosis DiagnosePort(const std::string& path) {
    const TUniqueHandle handle(CreateFileW(WideFromUtf8(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                           nullptr, OPEN_EXISTING, 0, nullptr));
    if (!handle.Valid())
        return OpenFailed(path, GetLastError());
    TPortDiagnosis d;
    d.Path = path;
    d.Exists = d.CharacterDevice = true;
    d.Terminal = GetFileType(handle.Get()) == FILE_TYPE_CHAR;
    d.Kind = d.Terminal ? "character device" : "file";
    d.Verdict = d.Terminal ? TPortVerdict::Opens : TPortVerdict::NotTerminal;
    return d;
}

TPortDiagnosis DiagnoseFailedOpen(const std::string& path, int openError) {
    if (openError > 0)
        return OpenFailed(path, static_cast<DWORD>(openError));
    TPortDiagnosis d;
    d.Path = path;
    d.Exists = d.CharacterDevice = true;
    d.Kind = "file";
    d.Verdict = TPortVerdict::NotTerminal;
    return d;
}
