#include "record/UpdateRecord.h"

#include "common/FileContract.h"
#include "common/JsonWriter.h"
#include "common/ProgramPath.h"
#include "common/UpdaterRequest.h"
#include "configurator/ImageBuilder.h"
#include "configurator/ImageDecoder.h"
#include "configurator/ShownParameters.h"
#include "record/RecordFile.h"
#include "record/Sha256.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace {

// Days since 1970-01-01 to a civil date (proleptic Gregorian).
void CivilDate(std::int64_t days, int& year, unsigned& month, unsigned& day) {
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const auto dayOfEra = static_cast<unsigned>(days - era * 146097);
    const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned shifted = (5 * dayOfYear + 2) / 153;
    day = dayOfYear - (153 * shifted + 2) / 5 + 1;
    month = shifted < 10 ? shifted + 3 : shifted - 9;
    year = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
}

std::string BaseName(const std::string& path) {
    const std::size_t slash = path.find_last_of(PathSeparators);
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A path as the record keeps it: made absolute, so that a line read later names the file.
std::string Absolute(const std::string& path) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(std::filesystem::u8path(path), error);
    return error ? path : absolute.u8string();
}

void WriteAdapter(TJsonWriter& json, const TPortAdapter& a) {
    json.Key("adapter").BeginObject();
    json.Member("vendor_id", a.VendorId).Member("product_id", a.ProductId).Member("serial", a.Serial);
    json.Member("product", a.Product).Member("maker", a.Maker).EndObject();
}

void WriteFirmware(TJsonWriter& json, const TUpdateRecord& r) {
    json.Key("firmware");
    if (!r.FirmwareWrite) {
        json.Null();
        return;
    }
    json.BeginObject().Member("name", BaseName(r.FirmwareFile)).Member("path", Absolute(r.FirmwareFile));
    std::string bytes, why;
    if (ReadWholeFile(r.FirmwareFile, bytes, why)) {
        json.Member("size", static_cast<std::uint64_t>(bytes.size()));
        try {
            json.Member("sha256", Sha256Hex(bytes));
        } catch (const std::exception& e) {
            json.Key("sha256").Null().Member("error", e.what());
        }
    } else {
        json.Key("size").Null().Key("sha256").Null().Member("error", why);
    }
    json.EndObject();
}

void WriteImage(TJsonWriter& json, const TUpdateRecord& r) {
    json.Key("image");
    if (!r.ProjectWrite) {
        json.Null();
        return;
    }
    json.BeginObject().Member("path", Absolute(r.ProjectFolder + ImageFileName));
    std::string bytes, why;
    if (!ReadWholeFile(r.ProjectFolder + ImageFileName, bytes, why)) {
        json.Key("hex").Null().Key("parameters").Null().Member("error", why).EndObject();
        return;
    }
    json.Member("hex", HexText(bytes.substr(0, FullImageLength)));
    const TImageDecoding decoded =
        DecodeImage(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    json.Key("parameters");
    if (decoded.Decoded) {
        json.BeginObject();
        for (const auto& [name, value] : ShownParameters(decoded.Values))
            json.Member(name, value);
        json.EndObject();
    } else {
        json.Null().Member("error", decoded.Why);
    }
    json.EndObject();
}

void WriteTransfers(TJsonWriter& json, const std::vector<TRecordTransfer>& transfers) {
    std::int64_t blocks = 0, retries = 0;
    json.Key("transfers").BeginArray();
    for (const auto& t : transfers) {
        json.BeginObject().Member("region", t.Region).Member("direction", t.Direction);
        json.Member("blocks", t.Blocks).Member("retries", t.Retries).Member("bytes", t.Bytes);
        json.Member("seconds", t.Seconds).Member("failed", t.Failed).Member("given_up", t.GivenUp);
        json.Member("error", t.Error).EndObject();
        blocks += t.Blocks;
        retries += t.Retries;
    }
    json.EndArray().Member("blocks", blocks).Member("retries", retries);
}

} // namespace

const char* const ProgramVersion = ZE_PROGRAM_VERSION;

std::string UtcIsoTime(std::chrono::system_clock::time_point when) {
    using namespace std::chrono;
    const std::int64_t ms = duration_cast<milliseconds>(when.time_since_epoch()).count();
    const std::int64_t msPerDay = 86400000;
    const std::int64_t days = (ms >= 0 ? ms : ms - msPerDay + 1) / msPerDay;
    const std::int64_t inDay = ms - days * msPerDay;
    int year = 0;
    unsigned month = 0, day = 0;
    CivilDate(days, year, month, day);
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d.%03dZ", year, month, day,
                  static_cast<int>(inDay / 3600000), static_cast<int>(inDay / 60000 % 60),
                  static_cast<int>(inDay / 1000 % 60), static_cast<int>(inDay % 1000));
    return text;
}

std::string UpdateRecordLine(const TUpdateRecord& r) {
    TJsonWriter json;
    json.BeginObject().Member("start", UtcIsoTime(r.Start)).Member("end", UtcIsoTime(r.End));
    json.Member("host", r.Host)
        .Member("user", r.User)
        .Member("program", r.Program)
        .Member("version", r.Version);
    json.Member("port", r.Port);
    WriteAdapter(json, r.Adapter);
    WriteFirmware(json, r);
    WriteImage(json, r);
    json.Key("options").BeginArray();
    const std::pair<bool, const char*> options[] = {{r.FirmwareWrite, FirmwareWriteWord},
                                                    {r.FirmwareRead, FirmwareReadWord},
                                                    {r.ProjectWrite, ProjectWriteWord},
                                                    {r.ProjectRead, ProjectReadWord}};
    for (const auto& [on, word] : options)
        if (on)
            json.String(word);
    json.EndArray();
    json.Key("lines").BeginObject().Member("init", r.InitLine).Member("firmware", r.FirmwareLine);
    json.Member("project", r.ProjectLine).EndObject();
    WriteTransfers(json, r.Transfers);
    const double duration = std::chrono::duration<double>(r.End - r.Start).count();
    json.Member("duration", duration).Member("exit_code", r.ExitCode).Member("label", r.Label).EndObject();
    return json.Text();
}
