#include "tools/DeviceParams.h"

#include "tools/Commands.h"
#include "tools/ParamSettings.h"
#include "tools/json/JsonWriter.h"

#include "common/FileContract.h"
#include "configurator/ImageBuilder.h"
#include "configurator/ImageDecoder.h"
#include "updater/StatusTable.h"

#include <cstdio>

namespace {

constexpr int ExitDecoded = 0;
constexpr int ExitNoParams = 1;

std::string Help() {
    return "Usage: ze50321 params --device DEVICE [OPTIONS]\n"
           "\n"
           "Reads the configuration region's first block (0x024000) from a converter in its boot mode,\n"
           "sending nothing but read commands, decodes the configuration image in it and shows its\n"
           "parameters as 'ze50321 params PROJECT_FOLDER' does, one NAME=VALUE a line. A block that\n"
           "holds no image (erased, another header, a bit-rate code outside 1 to 9) is said so.\n"
           "\n"
           "Options:\n" +
           DeviceReadOptionsHelp(true) +
           "\n"
           "Exit codes: 0 shown; 1 device not found, the read failed or was given up, or the block holds\n"
           "no image; 64 usage; 130 Ctrl-C (129 SIGHUP, 143 SIGTERM).\n";
}

std::string Hex(const std::string& bytes) {
    std::string text;
    for (const char c : bytes) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%s%02X", text.empty() ? "" : " ", static_cast<unsigned char>(c));
        text += hex;
    }
    return text;
}

} // namespace

TDeviceParams ReadDeviceParams(TDeviceReader& reader) {
    TDeviceParams out;
    out.Exit = ExitNoParams;
    const TScratchFile scratch;
    if (!scratch.Problem().empty()) {
        // Before the port is opened: nothing could be read into it.
        out.Error = scratch.Problem();
        reader.Print("ze50321: " + out.Error);
        return out;
    }
    if (!reader.Open({ConfigRegion})) {
        out.Error = reader.FailureText();
    } else {
        std::string block;
        if (!reader.Read(ConfigRegion, BlockSize, scratch)) {
            out.Error = reader.FailureText();
            if (out.Error.empty())
                out.Error = "the read did not complete";
        } else if (!scratch.Contents(block)) {
            out.Error = "cannot read back " + scratch.Path();
            reader.ShowOutcome(ConfigRegion, PhaseError);
        } else if (block.size() != BlockSize) {
            // As read and verify refuse it: the bytes would stand at the wrong offsets.
            out.Error = "the converter's reply did not carry " + std::to_string(BlockSize) + " bytes";
            reader.ShowOutcome(ConfigRegion, PhaseError);
            reader.Print(out.Error + ".");
        } else {
            out.ImageHex = Hex(block.substr(0, FullImageLength));
            const TImageDecoding d =
                DecodeImage(reinterpret_cast<const std::uint8_t*>(block.data()), block.size());
            out.Decoded = d.Decoded;
            out.Values = d.Values;
            if (d.Decoded) {
                out.Exit = ExitDecoded;
            } else {
                out.Error = "the configuration region " + d.Why;
                out.Error[0] = 'T';
            }
            reader.ShowOutcome(ConfigRegion, d.Decoded ? PhaseOk : PhaseErrorAfterRead);
        }
        if (!out.Decoded && !out.ImageHex.empty())
            reader.Print(out.Error + ".");
    }
    reader.Finish();
    if (const int signalCode = reader.SignalExitCode())
        out.Exit = signalCode;
    return out;
}

int RunParamsFromDevice(const std::vector<std::string>& arguments) {
    std::vector<TOptionRule> rules = DeviceReadOptionRules();
    rules.push_back({"--device", true});
    rules.push_back({"--set"});
    TArguments parsed(arguments, rules, arguments.size());
    if (parsed.Help) {
        std::fputs(Help().c_str(), stdout);
        return 0;
    }
    const TDeviceReadOptions options = DeviceReadOptionsOf(parsed);
    const std::string device = parsed.Value("--device").value_or("");
    const char* const apart = "' does not go with --device (a project folder, --set)";
    if (parsed.Has("--set"))
        parsed.Refuse("'--set" + std::string(apart));
    else if (!parsed.Positional.empty())
        parsed.Refuse("'" + parsed.Positional[0] + apart);
    if (device.empty())
        parsed.Refuse("--device needs a device path");
    if (!parsed.Error.empty())
        return UsageError("params", parsed.Error, Help(), options.Json);
    // The lines and the progress go to standard error, so that standard output has the form
    // 'params PROJECT_FOLDER' gives (or holds the document).
    TDeviceReader reader(device, options, stderr);
    const TDeviceParams found = ReadDeviceParams(reader);
    if (found.Decoded) {
        std::FILE* const out = options.Json ? stderr : stdout;
        for (const auto& [name, value] : ShownParameters(found.Values))
            std::fprintf(out, "%s=%s\n", name.c_str(), value.c_str());
        std::fflush(out);
    }
    if (options.Json) {
        TJsonWriter json;
        json.BeginObject();
        reader.WriteJsonMembers(json);
        json.Key("parameters");
        if (found.Decoded) {
            json.BeginObject();
            for (const auto& [name, value] : ShownParameters(found.Values))
                json.Member(name, value);
            json.EndObject();
        } else {
            json.Null();
        }
        json.Member("image", found.ImageHex)
            .Member("error", found.Error)
            .Member("exit_code", found.Exit)
            .EndObject();
        std::fputs(json.Text().c_str(), stdout);
    }
    return found.Exit;
}
