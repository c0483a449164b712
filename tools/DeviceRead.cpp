#include "tools/DeviceRead.h"

#include "common/Utf8Path.h"
#include "tools/Commands.h"
#include "tools/DiagnosisJson.h"
#include "updater/SequenceJson.h"

#include "common/SafeFile.h"
#include "common/Terminal.h"
#include "serial/PortDiagnosis.h"
#include "updater/ReadBackNames.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

namespace {

constexpr int ExitSignalBase = 128;
constexpr int MaxScratchAttempts = 1000;

struct TFileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using TFile = std::unique_ptr<std::FILE, TFileCloser>;

const char* RegionWord(TRegionId region) {
    return region == FirmwareRegion ? "firmware" : "project";
}

} // namespace

std::string DeviceReadOptionsHelp(bool json) {
    std::string text = "  --trace         print every frame sent (>) and every reply read (<)\n";
    if (json)
        text += "  --json          one JSON document on standard output at the end; the text goes to\n"
                "                  standard error\n";
    text += "  --give-up SECONDS\n"
            "                  give a read up when no block was read for this long (default 60; 0\n"
            "                  waits without end): its line shows \"Error\"\n"
            "  --reset         end with the reset request, as an update does\n"
            "  -h, --help      this text\n";
    return text;
}

std::vector<TOptionRule> DeviceReadOptionRules() {
    return {{"--trace"}, {"--json"}, {"--reset"}, {"--give-up", true}};
}

TDeviceReadOptions DeviceReadOptionsOf(TArguments& parsed) {
    TDeviceReadOptions options;
    options.Trace = parsed.Has("--trace");
    options.Json = parsed.Has("--json");
    options.Reset = parsed.Has("--reset");
    TakeGiveUpSeconds(parsed, options.GiveUpSeconds);
    return options;
}

TScratchFile::TScratchFile() {
    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::temp_directory_path(ec);
    if (ec) {
        Why = "cannot create scratch file: no temporary folder: " + ec.message();
        return;
    }
    const std::string stamp = CurrentReadBackStamp();
    // Claimed by creating it exclusively: several reads at once never share one.
    std::string name;
    for (int n = 0; n < MaxScratchAttempts; ++n) {
        name = PathUtf8(folder / Utf8Path("ze50321-read-" + stamp + "-" + std::to_string(n) + ".b79"));
        errno = 0;
        if (CreateNewFile(name)) {
            Name = name;
            return;
        }
        if (errno != EEXIST)
            break;
    }
    Why = "cannot create scratch file " + name + ": " + std::strerror(errno);
}

TScratchFile::~TScratchFile() {
    std::error_code ec;
    if (!Name.empty())
        std::filesystem::remove(Utf8Path(Name), ec);
}

bool TScratchFile::Contents(std::string& bytes) const {
    const TFile file(OpenUtf8File(Name, "rb"));
    if (!file)
        return false;
    bytes.clear();
    char chunk[4096];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0)
        bytes.append(chunk, got);
    return !std::ferror(file.get());
}

std::string AddressText(std::uint32_t address) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%06X", static_cast<unsigned>(address));
    return text;
}

TDeviceReader::TDeviceReader(const std::string& device, const TDeviceReadOptions& options, std::FILE* text)
    : Device(device), Options(options),
      Display(text, IsTerminal(text), TCloseSignals::Received(), TUpdateTimings{}.TickMs),
      Sequence(device, Display, [&options] {
          TUpdateTimings t;
          t.GiveUpMs = static_cast<int>(std::lround(options.GiveUpSeconds * 1000.0));
          return t;
      }()) {
    Sequence.OnWorkerCreated = [this](Tarm_SER& worker) {
        if (Options.Trace)
            worker.OnFrame = [this](bool sent, const std::string& bytes) { Display.Trace(sent, bytes); };
        worker.OnRetry = [this](bool read, std::uint32_t address, std::int32_t retries) {
            Display.ShowRetry(read, address, retries);
        };
    };
}

TDeviceReader::~TDeviceReader() = default;

TPortDiagnosis TDeviceReader::Diagnosis() const {
    const int openError = Sequence.OpenErrorCode();
    return openError != 0 ? DiagnoseFailedOpen(Device, openError) : DiagnosePort(Device);
}

bool TDeviceReader::Open(const std::vector<TRegionId>& regions) {
    if (Sequence.Open(regions))
        return true;
    if (Sequence.End == TSequenceEnd::Abandoned)
        Display.Print("Interrupted: the worker was stopped before any read.");
    else
        Display.Print(FormatPortDiagnosis(Diagnosis()));
    return false;
}

bool TDeviceReader::Read(TRegionId region, std::uint32_t length, const TScratchFile& file) {
    const bool read = Sequence.Read(region, length, file.Path());
    if (Sequence.End == TSequenceEnd::Abandoned)
        Display.Print("Interrupted: the read was given up and the worker stopped.");
    return read;
}

void TDeviceReader::Finish() {
    Sequence.Finish(Options.Reset);
    if (Sequence.Transfers.empty())
        return;
    Display.Print("Summary:");
    for (const auto& t : Sequence.Transfers) {
        char line[200];
        std::snprintf(
            line, sizeof line, "  %s read: %d blocks, %d retries, %u bytes in %.2f s, %.1f ms a block",
            RegionWord(t.Region), static_cast<int>(t.Blocks), static_cast<int>(t.Retries),
            static_cast<unsigned>(t.Bytes), t.Seconds, t.Blocks > 0 ? t.Seconds * 1000.0 / t.Blocks : 0.0);
        std::string text = line;
        if (t.GivenUp)
            text += ", " + t.PortError;
        else if (t.Failed)
            text += ", ended by a port error: " + PortFailureText(t);
        Display.Print(text);
    }
}

std::string TDeviceReader::FailureText() const {
    if (Sequence.End == TSequenceEnd::Abandoned || SignalExitCode())
        return "interrupted";
    if (DeviceNotFound())
        return "device not found: " + Device + " " + PortReason(Diagnosis());
    for (const auto& t : Sequence.Transfers)
        if (t.Failed)
            return t.GivenUp ? t.PortError : PortFailureText(t);
    return std::string();
}

int TDeviceReader::SignalExitCode() const {
    if (const int signal = TCloseSignals::Received())
        return ExitSignalBase + signal;
    if (Sequence.End == TSequenceEnd::Abandoned)
        return ExitSignalBase + SIGINT;
    return 0;
}

void TDeviceReader::WriteJsonMembers(TJsonWriter& json) const {
    json.Member("device", Device);
    WriteLineTexts(json, Sequence.Init, Sequence.Firmware, Sequence.Project);
    json.Key("transfers").BeginArray();
    for (const auto& t : Sequence.Transfers)
        json.BeginObject()
            .Member("region", RegionWord(t.Region))
            .Member("direction", "read")
            .Member("blocks", t.Blocks)
            .Member("retries", t.Retries)
            .Member("bytes", t.Bytes)
            .Member("seconds", t.Seconds)
            .Member("failed", t.Failed)
            .Member("given_up", t.GivenUp)
            .Member("error", t.PortError)
            .Member("reason", t.PortErrorReason)
            .EndObject();
    json.EndArray().Member("reset_requested", Sequence.ResetRequested).Key("port");
    if (DeviceNotFound())
        WriteDiagnosisJson(json, Diagnosis());
    else
        json.Null();
}
