#include "tools/Commands.h"

#include "common/Utf8Path.h"
#include "tools/DeviceRead.h"
#include "tools/json/JsonWriter.h"

#include "common/FileContract.h"
#include "common/SafeFile.h"
#include "updater/StatusTable.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

namespace {

// Exit codes of ze50321 read.
constexpr int ExitSaved = 0;
constexpr int ExitDeviceNotFound = 1;
constexpr int ExitReadFailed = 2;

std::string Help() {
    return "Usage: ze50321 read [OPTIONS] DEVICE firmware|project FILE [--blocks N]\n"
           "\n"
           "Reads a converter in its boot mode into FILE, sending nothing but read commands: the\n"
           "firmware region (1024 blocks of 128 bytes, 0x004000 to 0x023FFF) or the configuration\n"
           "region's first block (0x024000 to 0x02407F), or its first N blocks with --blocks N (up to\n"
           "1024 of the firmware region, 128 of the configuration region). FILE is written only once\n"
           "every block has been read: a read that fails or is given up leaves no new FILE and an\n"
           "existing one as it was.\n"
           "\n"
           "It ends without the reset request unless --reset is given, so that an update can follow at\n"
           "once.\n"
           "\n"
           "Options:\n" +
           DeviceReadOptionsHelp(true) +
           "\n"
           "Every block whose read failed is shown as it is asked for again. Ctrl-C, SIGTERM and SIGHUP\n"
           "give the read up at once: nothing is saved, and the exit code is 128 plus the signal's number.\n"
           "\n"
           "Exit codes:\n"
           "  0    read and saved\n"
           "  1    device not found (the serial device did not open)\n"
           "  2    the read failed or was given up, or FILE cannot be written\n"
           "  64   a command line that cannot be used\n"
           "  130  interrupted by Ctrl-C (129 SIGHUP, 143 SIGTERM)\n";
}

// Why FILE could not be saved, found before anything is read: an existing file must open for
// writing (it is not changed), a new one is made and removed again.
std::string SaveRefusal(const std::string& file) {
    std::error_code ec;
    errno = 0;
    if (std::filesystem::exists(Utf8Path(file), ec)) {
        const std::fstream probe(Utf8Path(file), std::ios::in | std::ios::out | std::ios::binary);
        if (probe.is_open())
            return std::string();
    } else if (CreateNewFile(file)) {
        std::filesystem::remove(Utf8Path(file), ec);
        return std::string();
    }
    return "cannot write " + file + ": " + std::strerror(errno != 0 ? errno : EACCES);
}

// A count of blocks: 1 to most.
bool ParseBlocks(const std::string& text, std::uint32_t most, std::uint32_t& blocks) {
    if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    blocks = static_cast<std::uint32_t>(std::strtoul(text.c_str(), nullptr, 10));
    return blocks >= 1 && blocks <= most;
}

} // namespace

int RunRead(const std::vector<std::string>& arguments) {
    std::vector<TOptionRule> rules = DeviceReadOptionRules();
    rules.push_back({"--blocks", true});
    TArguments parsed(arguments, rules, 3);
    if (parsed.Help) {
        std::fputs(Help().c_str(), stdout);
        return 0;
    }
    const TDeviceReadOptions options = DeviceReadOptionsOf(parsed);
    const auto usage = [&options](const std::string& why) {
        return UsageError("read", why, Help(), options.Json);
    };
    parsed.NeedPositional(3, "DEVICE, firmware or project, and FILE are needed");
    if (!parsed.Error.empty())
        return usage(parsed.Error);
    const std::vector<std::string>& args = parsed.Positional;
    const std::string blocksText = parsed.Value("--blocks").value_or("");
    const std::string& device = args[0];
    const std::string& file = args[2];
    TRegionId region = FirmwareRegion;
    if (args[1] == "firmware")
        region = FirmwareRegion;
    else if (args[1] == "project")
        region = ConfigRegion;
    else
        return usage("'" + args[1] + "' is neither firmware nor project");
    const TRegion r = RegionOf(region);
    const std::uint32_t regionBlocks = r.Size() / BlockSize;
    std::uint32_t blocks = region == FirmwareRegion ? regionBlocks : 1;
    if (parsed.Has("--blocks") && !ParseBlocks(blocksText, regionBlocks, blocks))
        return usage("--blocks needs a number from 1 to " + std::to_string(regionBlocks));
    std::error_code ec;
    const std::filesystem::path target = Utf8Path(file);
    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
    if (file.empty() || std::filesystem::is_directory(target, ec) ||
        !std::filesystem::is_directory(folder, ec))
        return usage("FILE must name a file in an existing folder: " + file);

    std::FILE* const text = options.Json ? stderr : stdout;
    int code = ExitSaved;
    bool saved = false;
    std::string error;
    TDeviceReader reader(device, options, text);
    const std::uint32_t length = blocks * BlockSize;
    // What can be found without the converter is found before the port is opened.
    const TScratchFile scratch;
    error = SaveRefusal(file);
    if (error.empty())
        error = scratch.Problem();
    if (!error.empty()) {
        reader.Print("ze50321 read: " + error);
        code = ExitReadFailed;
    } else if (!reader.Open({region})) {
        code = ExitDeviceNotFound;
    } else {
        std::string bytes;
        if (!reader.Read(region, length, scratch) || reader.SignalExitCode()) {
            code = ExitReadFailed; // a close signal after the last block still saves nothing
        } else if (!scratch.Contents(bytes) || bytes.size() != length) {
            error = "cannot read back " + scratch.Path() + ": " +
                    (bytes.size() != length ? "it holds " + std::to_string(bytes.size()) + " bytes"
                                            : std::string(std::strerror(errno)));
        } else if (!WriteFileReplacing(file, bytes)) {
            error = "cannot save " + file + ": " + std::strerror(errno);
        } else {
            saved = true;
        }
        if (code == ExitSaved) {
            reader.ShowOutcome(region, saved ? PhaseOk : PhaseError);
            if (saved)
                reader.Print("Read " + std::to_string(blocks) + (blocks == 1 ? " block, " : " blocks, ") +
                             AddressText(r.First) + " to " + AddressText(r.First + length - 1) + ", into " +
                             file);
            else {
                reader.Print("ze50321 read: " + error);
                code = ExitReadFailed;
            }
        }
    }
    reader.Finish();
    // Once FILE is saved whole, a close signal (in the reset's pause, say) changes no result.
    if (const int signalCode = reader.SignalExitCode(); signalCode && !saved)
        code = signalCode;
    if (error.empty() && code != ExitSaved)
        error = reader.FailureText();
    if (options.Json) {
        TJsonWriter json;
        json.BeginObject();
        reader.WriteJsonMembers(json);
        json.Member("region", region == FirmwareRegion ? "firmware" : "project")
            .Member("first_address", AddressText(r.First))
            .Member("last_address", AddressText(r.First + length - 1))
            .Member("blocks", blocks)
            .Member("file", file)
            .Member("saved", saved)
            .Member("error", error)
            .Member("exit_code", code)
            .EndObject();
        std::fputs(json.Text().c_str(), stdout);
    }
    return code;
}
