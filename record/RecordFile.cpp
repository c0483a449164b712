#include "record/RecordFile.h"

#include "common/JsonReader.h"

#include <filesystem>
#include <system_error>

bool AppendRecordLine(const std::string& path, const std::string& line, std::string& why) {
    const std::filesystem::path folder = std::filesystem::u8path(path).parent_path();
    std::error_code error;
    if (!folder.empty() && !std::filesystem::is_directory(folder, error)) {
        std::filesystem::create_directories(folder, error);
        if (error) {
            why = "cannot make the folder " + folder.u8string() + ": " + error.message();
            return false;
        }
    }
    return AppendWholeLine(path, line, why);
}

bool ReadRecordLines(const std::string& path, TRecordLines& out, std::string& why) {
    std::string bytes;
    bool missing = false;
    if (!ReadWholeFile(path, bytes, why, &missing))
        return missing;
    std::size_t number = 0;
    for (std::size_t at = 0; at < bytes.size();) {
        ++number;
        const std::size_t end = bytes.find('\n', at);
        const bool whole = end != std::string::npos;
        std::string line = bytes.substr(at, whole ? end - at : std::string::npos);
        at = whole ? end + 1 : bytes.size();
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty())
            continue;
        TJsonValue value;
        std::string error;
        if (!ParseJson(line, value, error) || value.Kind != TJsonValue::TKind::Object) {
            out.Warnings.push_back(path + ": line " + std::to_string(number) +
                                   (whole ? " is not a record" : " is cut short (the last one, not ended)") +
                                   ", skipped");
            continue;
        }
        out.Lines.push_back(std::move(line));
    }
    return true;
}
