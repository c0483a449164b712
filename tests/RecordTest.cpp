#include "common/JsonWriter.h"
#include "record/RecordFile.h"
#include "record/Sha256.h"
#include "record/UpdateRecord.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace {

// The defaults' image as the builder writes it.
const std::string
    DefaultImage("\x04\x00\x00\x00\x05\x00\xC0\xA8\x00\x0A\xFF\xFF\xFF\x00\xC0\xA8\x00\x14\x11\x27"
                 "\x00\x00\x00\x00\xC0\xA8\x00\x01\x00",
                 29);

std::chrono::system_clock::time_point At(long long ms) {
    return std::chrono::system_clock::time_point(std::chrono::milliseconds(ms));
}

TRecordLines ReadBack(const std::string& path) {
    TRecordLines lines;
    std::string why;
    EXPECT_TRUE(ReadRecordLines(path, lines, why)) << why;
    return lines;
}

} // namespace

TEST(Record, Sha256OfKnownTexts) {
    std::string mebibyte(1 << 20, '\0');
    for (std::size_t i = 0; i < mebibyte.size(); ++i)
        mebibyte[i] = static_cast<char>(i * 7 % 251);
    const std::pair<std::string, std::string> cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {std::string(1 << 20, '\0'), "30e14955ebf1352266dc2ff8067e68104607e750abb9d3b36582b8af909fcb58"},
        {mebibyte, "e76e4c02227083fd12207b7bc85287bb9e02a618fed3bd8eab1bc2daeda2fb53"},
    };
    for (const auto& [bytes, digest] : cases)
        EXPECT_EQ(Sha256Hex(bytes), digest) << bytes.size() << " bytes";
}

TEST(Record, LineHoldsEveryFieldOfAnUpdate) {
    TTempDir dir;
    WriteFileBytes(dir / "vod50321.sim", "abc");
    WriteFileBytes(dir / "bank.bin", DefaultImage);
    TUpdateRecord r;
    r.Start = At(1796913555123);
    r.End = At(1796913621045);
    r.Host = "bench-1";
    r.User = "anna";
    r.Program = "ze50321 update";
    r.Version = "1.503";
    r.Port = "/dev/ttyUSB0";
    r.Adapter = {"0403", "6001", "A50285BI", "FT232R USB UART", "FTDI"};
    r.FirmwareFile = dir / "vod50321.sim";
    r.ProjectFolder = dir / ""; // the folder with its separator, as the updater takes it
    r.FirmwareWrite = r.FirmwareRead = r.ProjectWrite = true;
    r.InitLine = "OK";
    r.FirmwareLine = "OK";
    r.ProjectLine = "Error";
    r.Transfers = {{"firmware", "write", 1, 0, 128, 0.5, false, false, ""},
                   {"firmware", "read", 1, 2, 128, 0.25, false, false, ""},
                   {"project", "write", 0, 3, 0, 60, true, true, "no block written for 60 s"}};
    r.ExitCode = 3;
    r.Label = "SN \"0042\"";
    EXPECT_EQ(
        UpdateRecordLine(r),
        "{\"start\":\"2026-12-10T14:39:15.123Z\",\"end\":\"2026-12-10T14:40:21.045Z\",\"host\":\"bench-1\","
        "\"user\":\"anna\",\"program\":\"ze50321 update\",\"version\":\"1.503\",\"port\":\"/dev/ttyUSB0\","
        "\"adapter\":{\"vendor_id\":\"0403\",\"product_id\":\"6001\",\"serial\":\"A50285BI\","
        "\"product\":\"FT232R USB UART\",\"maker\":\"FTDI\"},"
        "\"firmware\":{\"name\":\"vod50321.sim\",\"path\":" +
            JsonQuoted(r.FirmwareFile) +
            ",\"size\":3,"
            "\"sha256\":\"ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad\"},"
            "\"image\":{\"path\":" +
            JsonQuoted(r.ProjectFolder + "bank.bin") +
            ",\"hex\":\"0400000005"
            "00c0a8000affffff00c0a800141127000000"
            "00c0a8000100\",\"parameters\":{\"can-bitrate\":\"250K\",\"can-frame\":\"2.0A\","
            "\"ip\":\"192.168.0.10\",\"mask\":\"255.255.255.0\",\"gateway\":\"off\","
            "\"gateway-address\":\"192.168.0.1\",\"dest\":\"192.168.0.20\",\"port\":\"10001\","
            "\"transport\":\"tcp\",\"multiframe\":\"off\",\"role\":\"client-server\","
            "\"udp-broadcast\":\"off\"}},"
            "\"options\":[\"FW\",\"FR\",\"PW\"],\"lines\":{\"init\":\"OK\",\"firmware\":\"OK\","
            "\"project\":\"Error\"},\"transfers\":["
            "{\"region\":\"firmware\",\"direction\":\"write\",\"blocks\":1,\"retries\":0,\"bytes\":128,"
            "\"seconds\":0.5,\"failed\":false,\"given_up\":false,\"error\":\"\"},"
            "{\"region\":\"firmware\",\"direction\":\"read\",\"blocks\":1,\"retries\":2,\"bytes\":128,"
            "\"seconds\":0.25,\"failed\":false,\"given_up\":false,\"error\":\"\"},"
            "{\"region\":\"project\",\"direction\":\"write\",\"blocks\":0,\"retries\":3,\"bytes\":0,"
            "\"seconds\":60,\"failed\":true,\"given_up\":true,\"error\":\"no block written for 60 s\"}],"
            "\"blocks\":2,\"retries\":5,\"duration\":65.922,\"exit_code\":3,\"label\":\"SN "
            "\\\"0042\\\"\"}\n");
}

TEST(Record, SixteenWritersAtOnceNeverMixTheirLines) {
    TTempDir dir;
    const std::string file = dir / "records/of/the/bench.jsonl"; // folders made on the first append
    constexpr int Writers = 16, LinesEach = 40;
    std::vector<std::thread> writers;
    std::vector<std::string> errors(Writers);
    for (int w = 0; w < Writers; ++w)
        writers.emplace_back([&, w] {
            // Long lines, so that a write without the lock would be seen torn.
            const std::string line =
                "{\"writer\":\"" + std::string(6000, static_cast<char>('a' + w)) + "\"}\n";
            for (int n = 0; n < LinesEach; ++n)
                if (!AppendRecordLine(file, line, errors[w]))
                    return;
        });
    for (auto& t : writers)
        t.join();
    for (const auto& e : errors)
        EXPECT_EQ(e, "");
    const TRecordLines read = ReadBack(file);
    EXPECT_EQ(read.Warnings, std::vector<std::string>());
    std::map<char, int> counts;
    for (const auto& line : read.Lines) {
        ASSERT_EQ(line.size(), 6000u + 13u);
        EXPECT_EQ(line, "{\"writer\":\"" + std::string(6000, line[11]) + "\"}");
        ++counts[line[11]];
    }
    EXPECT_EQ(counts.size(), static_cast<std::size_t>(Writers));
    for (const auto& [writer, count] : counts)
        EXPECT_EQ(count, LinesEach) << writer;
}

TEST(Record, ACutLastLineIsSkippedAndTheNextLineStaysWhole) {
    TTempDir dir;
    const std::string file = dir / "records.jsonl";
    WriteFileBytes(file, "{\"n\":1}\n{\"n\":2}\n{\"n\":3,\"por");
    TRecordLines read = ReadBack(file);
    EXPECT_EQ(read.Lines, (std::vector<std::string>{"{\"n\":1}", "{\"n\":2}"}));
    EXPECT_EQ(read.Warnings,
              std::vector<std::string>{file + ": line 3 is cut short (the last one, not ended), skipped"});

    std::string why;
    ASSERT_TRUE(AppendRecordLine(file, "{\"n\":4}\n", why)) << why;
    EXPECT_EQ(ReadFileBytes(file), "{\"n\":1}\n{\"n\":2}\n{\"n\":3,\"por\n{\"n\":4}\n");
    read = ReadBack(file);
    EXPECT_EQ(read.Lines, (std::vector<std::string>{"{\"n\":1}", "{\"n\":2}", "{\"n\":4}"}));
    EXPECT_EQ(read.Warnings, std::vector<std::string>{file + ": line 3 is not a record, skipped"});
}

TEST(Record, AFileThatCannotBeWrittenSaysWhy) {
    TTempDir dir;
    WriteFileBytes(dir / "plain", "");
    std::string why;
    EXPECT_FALSE(AppendRecordLine(dir / "plain/records.jsonl", "{}\n", why));
    EXPECT_EQ(why.rfind("cannot make the folder " + (dir / "plain"), 0), 0u) << why;
    TRecordLines none;
    EXPECT_TRUE(ReadRecordLines(dir / "missing.jsonl", none, why));
    EXPECT_TRUE(none.Lines.empty());
}
