#include "tools/Commands.h"

#include "common/Utf8Path.h"
#include "tools/DeviceRead.h"
#include "tools/json/JsonWriter.h"

#include "common/FileContract.h"
#include "updater/CompareFiles.h"
#include "updater/StatusTable.h"

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

namespace {

// Exit codes of ze50321 verify.
constexpr int ExitEqual = 0;
constexpr int ExitDeviceNotFound = 1;
constexpr int ExitFirmwareDiffers = 2;
constexpr int ExitImageDiffers = 3;

std::string Help() {
    return "Usage: ze50321 verify [OPTIONS] DEVICE FIRMWARE-FILE [PROJECT-FOLDER/]\n"
           "\n"
           "Compares a converter in its boot mode with a firmware file and, when PROJECT-FOLDER is\n"
           "given, with the configuration image PROJECT-FOLDER/bank.bin, sending nothing but read\n"
           "commands. Each file is compared with as many blocks as it fills, read from the start of its\n"
           "region (0x004000, 0x024000), as the updater's read-back compares: the bytes of a last block\n"
           "beyond the file's length are not looked at. The firmware is checked first; when it differs,\n"
           "the image is not read. Both files are looked at before the port is opened. The output says\n"
           "which it was: where a file differs first, or why it could not be compared.\n"
           "\n"
           "It ends without the reset request unless --reset is given, so that an update can follow at\n"
           "once.\n"
           "\n"
           "Options:\n" +
           DeviceReadOptionsHelp(true) +
           "\n"
           "Every block whose read failed is shown as it is asked for again. Ctrl-C, SIGTERM and SIGHUP\n"
           "give the verify up at once, with the exit code 128 plus the signal's number.\n"
           "\n"
           "Exit codes:\n"
           "  0    the converter holds the firmware (and the image)\n"
           "  1    device not found (the serial device did not open)\n"
           "  2    the firmware differs, or cannot be compared (File Firmware not found, a file empty\n"
           "       or longer than its region, a read that failed or was given up)\n"
           "  3    the image differs, or cannot be compared (File Project not found, ...)\n"
           "  64   a command line that cannot be used\n"
           "  130  interrupted by Ctrl-C (129 SIGHUP, 143 SIGTERM)\n";
}

// One file against its region, and what the comparison found.
struct TCheck {
    TRegionId Region = FirmwareRegion;
    std::string File;
    bool Run = false;  // the check was reached
    bool Same = false; // the converter holds the file's bytes
    std::uint64_t Bytes = 0;
    std::optional<std::uint32_t> Difference; // the first differing device address
    int FileByte = -1, DeviceByte = -1;      // the bytes there; -1 past the end of what was read
    std::string Error;
    std::string Verdict; // as printed: where it differs, or why it could not be compared
};

int ByteAt(const std::string& path, std::uint64_t offset) {
    std::string bytes;
    std::FILE* f = OpenUtf8File(path, "rb");
    if (!f)
        return -1;
    int value = -1;
    if (std::fseek(f, static_cast<long>(offset), SEEK_SET) == 0)
        value = std::fgetc(f);
    std::fclose(f);
    return value == EOF ? -1 : value;
}

const char* CheckName(const TCheck& c) {
    return c.Region == FirmwareRegion ? "The firmware" : "The image";
}

// What can be found without the converter: the file is there and fits its region, and the scratch
// file to read into was made. False, with the line and Error saying why, when the check cannot run.
bool PrepareCheck(TDeviceReader& reader, TCheck& c, const TScratchFile& scratch) {
    const TRegion r = RegionOf(c.Region);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(Utf8Path(c.File), ec)) {
        c.Error = c.File + ": no such file";
        reader.ShowOutcome(c.Region, PhaseFileNotFound);
    } else if (c.Bytes = std::filesystem::file_size(Utf8Path(c.File), ec);
               ec || c.Bytes == 0 || c.Bytes > r.Size()) {
        c.Error = c.File + (ec             ? ": " + ec.message()
                            : c.Bytes == 0 ? " is empty"
                                           : " holds " + std::to_string(c.Bytes) + " bytes, more than the " +
                                                 std::to_string(r.Size()) + " of its region");
        reader.ShowOutcome(c.Region, PhaseError);
    } else if (!scratch.Problem().empty()) {
        c.Error = scratch.Problem();
        reader.ShowOutcome(c.Region, PhaseError);
    }
    c.Run = !c.Error.empty();
    return c.Error.empty();
}

// Reads as many blocks as the file fills and compares them; the line shows the outcome.
void RunCheck(TDeviceReader& reader, TCheck& c, const TScratchFile& scratch) {
    c.Run = true;
    const TRegion r = RegionOf(c.Region);
    if (!reader.Read(c.Region, static_cast<std::uint32_t>(c.Bytes), scratch)) {
        c.Error = reader.FailureText();
        if (c.Error.empty())
            c.Error = "the read did not complete";
        return;
    }
    // The worker takes no reply with fewer bytes than a block; should one get through, every later
    // byte would stand against the wrong address.
    const std::uint64_t expected = (c.Bytes + BlockSize - 1) / BlockSize * BlockSize;
    std::error_code sizeError;
    if (std::filesystem::file_size(Utf8Path(scratch.Path()), sizeError) != expected) {
        reader.ShowOutcome(c.Region, PhaseError);
        c.Error = "the converter's replies did not carry " + std::to_string(expected) + " bytes";
        return;
    }
    const TFileComparison found = CompareFileBytes(c.File, scratch.Path());
    c.Same = found.Same;
    if (!found.Opened) {
        c.Error = "cannot compare " + c.File + " with what was read";
    } else if (!found.Same) {
        c.Difference = r.First + static_cast<std::uint32_t>(found.Offset);
        c.FileByte = ByteAt(c.File, found.Offset);
        c.DeviceByte = ByteAt(scratch.Path(), found.Offset);
    }
    reader.ShowOutcome(c.Region, c.Same ? PhaseOk : PhaseErrorAfterRead);
    if (c.Difference) {
        char text[160];
        std::snprintf(text, sizeof text, "%s differs first at %s: the file holds %02X, the converter %02X",
                      CheckName(c), AddressText(*c.Difference).c_str(), c.FileByte, c.DeviceByte);
        c.Verdict = text;
        reader.Print(text);
    }
}

void WriteCheck(TJsonWriter& json, const char* name, const TCheck& c) {
    json.Key(name);
    if (!c.Run) {
        json.Null();
        return;
    }
    json.BeginObject()
        .Member("file", c.File)
        .Member("bytes", static_cast<unsigned long long>(c.Bytes))
        .Key("same");
    if (c.Error.empty())
        json.Bool(c.Same);
    else
        json.Null();
    json.Key("first_difference");
    if (c.Difference)
        json.String(AddressText(*c.Difference));
    else
        json.Null();
    json.Member("file_byte", c.FileByte)
        .Member("device_byte", c.DeviceByte)
        .Member("error", c.Error)
        .EndObject();
}

} // namespace

int RunVerify(const std::vector<std::string>& arguments) {
    TArguments parsed(arguments, DeviceReadOptionRules(), 3);
    if (parsed.Help) {
        std::fputs(Help().c_str(), stdout);
        return 0;
    }
    const TDeviceReadOptions options = DeviceReadOptionsOf(parsed);
    parsed.NeedPositional(2, "DEVICE and FIRMWARE-FILE are needed");
    if (!parsed.Error.empty())
        return UsageError("verify", parsed.Error, Help(), options.Json);
    const std::vector<std::string>& args = parsed.Positional;
    TCheck firmware, image;
    firmware.File = args[1];
    image.Region = ConfigRegion;
    const bool withImage = args.size() == 3;
    if (withImage)
        image.File = PathUtf8(Utf8Path(args[2]) / ImageFileName);

    std::FILE* const text = options.Json ? stderr : stdout;
    TDeviceReader reader(args[0], options, text);
    const TScratchFile firmwareScratch;
    std::optional<TScratchFile> imageScratch;
    if (withImage)
        imageScratch.emplace();
    int code = ExitEqual;
    // Both files are looked at before the port is opened: a missing image is found before the
    // firmware region's 1024 blocks are read, and no frame is sent for a check that cannot run.
    if (!PrepareCheck(reader, firmware, firmwareScratch)) {
        code = ExitFirmwareDiffers;
    } else if (withImage && !PrepareCheck(reader, image, *imageScratch)) {
        code = ExitImageDiffers;
    } else if (!reader.Open(withImage ? std::vector<TRegionId>{FirmwareRegion, ConfigRegion}
                                      : std::vector<TRegionId>{FirmwareRegion})) {
        code = ExitDeviceNotFound;
    } else {
        RunCheck(reader, firmware, firmwareScratch);
        if (!firmware.Same)
            code = ExitFirmwareDiffers;
        else if (withImage) {
            RunCheck(reader, image, *imageScratch);
            if (!image.Same)
                code = ExitImageDiffers;
        }
    }
    // Which it was, differs or could not be compared: the exit code is the same for both.
    for (TCheck* c : {&firmware, &image})
        if (!c->Error.empty() && !reader.SignalExitCode()) {
            c->Verdict = std::string(CheckName(*c)) + " could not be compared: " + c->Error;
            reader.Print(c->Verdict);
        }
    reader.Finish();
    if (const int signalCode = reader.SignalExitCode())
        code = signalCode;
    if (options.Json) {
        TJsonWriter json;
        json.BeginObject();
        reader.WriteJsonMembers(json);
        WriteCheck(json, "firmware", firmware);
        WriteCheck(json, "project", image);
        std::string error = !firmware.Verdict.empty() ? firmware.Verdict : image.Verdict;
        if (error.empty())
            error = reader.FailureText();
        json.Member("error", error).Member("exit_code", code).EndObject();
        std::fputs(json.Text().c_str(), stdout);
    }
    return code;
}
