#include "updater/ReadBackNames.h"

#include "common/FileContract.h"
#include "common/ProgramPath.h"

std::string ReadBackStamp(const std::tm& local, int millisecond) {
    return std::to_string(local.tm_year + 1900) + std::to_string(local.tm_mon + 1) +
           std::to_string(local.tm_mday) + std::to_string(local.tm_hour) + std::to_string(local.tm_min) +
           std::to_string(local.tm_sec) + std::to_string(millisecond);
}

std::string ReadBackStamp(std::chrono::system_clock::time_point when) {
    using namespace std::chrono;
    const auto sinceEpoch = duration_cast<milliseconds>(when.time_since_epoch());
    auto seconds = duration_cast<std::chrono::seconds>(sinceEpoch);
    auto millisecond = (sinceEpoch - seconds).count();
    if (millisecond < 0) { // before 1970: the remainder of a floor division
        millisecond += 1000;
        seconds -= std::chrono::seconds(1);
    }
    const std::time_t t = static_cast<std::time_t>(seconds.count());
    std::tm local{};
    localtime_r(&t, &local);
    return ReadBackStamp(local, static_cast<int>(millisecond));
}

std::string CurrentReadBackStamp() {
    return ReadBackStamp(std::chrono::system_clock::now());
}

std::string FirmwareReadBackName(const std::string& firmwareFile, const std::string& stamp) {
    const auto slash = firmwareFile.find_last_of(PathSeparators);
    const std::string folder = slash == std::string::npos ? std::string() : firmwareFile.substr(0, slash + 1);
    return folder + FirmwareReadBackPrefix + stamp + ReadBackExtension;
}

std::string ImageReadBackName(const std::string& projectFolder, const std::string& stamp) {
    return projectFolder + ImageReadBackPrefix + stamp + ReadBackExtension;
}
