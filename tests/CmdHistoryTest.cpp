#include "tests/support/Process.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A record line with the fields the table and the filters look at; the rest as an update writes them.
std::string Line(const std::string& start, const std::string& port, const std::string& label, int exitCode,
                 const std::string& project) {
    return "{\"start\":\"" + start + "\",\"end\":\"" + start +
           "\",\"host\":\"bench\",\"user\":\"anna\",\"program\":\"ze50321 station\",\"version\":\"1.503\","
           "\"port\":\"" +
           port +
           "\",\"adapter\":{\"vendor_id\":\"0403\",\"product_id\":\"6001\",\"serial\":\"A5\",\"product\":"
           "\"FT232R, "
           "USB\",\"maker\":\"FTDI\"},\"firmware\":{\"name\":\"vod50321.sim\",\"size\":3,\"sha256\":"
           "\"ba78\"},\"image\":null,\"options\":[\"FW\",\"FR\"],\"lines\":{\"init\":\"OK\",\"firmware\":"
           "\"OK\","
           "\"project\":\"" +
           project + "\"},\"transfers\":[],\"blocks\":16,\"retries\":1,\"duration\":65.25,\"exit_code\":" +
           std::to_string(exitCode) + ",\"label\":\"" + label + "\"}\n";
}

struct TRecordFile {
    TTempDir Dir;
    std::string Path = Dir / "records.jsonl";
    TRecordFile() {
        WriteFileBytes(Path,
                       Line("2026-12-09T08:00:00.000Z", "/dev/ttyUSB0", "SN-1", 0, "OK") +
                           Line("2026-12-10T09:30:00.000Z", "/dev/ttyUSB1", "SN \\\"2\\\"", 3, "Error") +
                           Line("2026-12-10T10:00:00.000Z", "/dev/ttyUSB0", "SN-3", 0, "OK") +
                           "{\"start\":\"2026-12-10T11:00");
    }
    TRunResult History(std::vector<std::string> options) const {
        options.insert(options.begin(), {Tool(), "history", "--records", Path});
        return RunProgram(options);
    }
};

} // namespace

TEST(CmdHistory, FiltersTheRecord) {
    const TRecordFile record;
    const struct {
        std::vector<std::string> Options;
        std::vector<std::string> Labels;
    } cases[] = {
        {{}, {"SN-1", "SN \"2\"", "SN-3"}},
        {{"--since", "2026-12-10"}, {"SN \"2\"", "SN-3"}},
        {{"--since", "2026-12-10T09:45"}, {"SN-3"}},
        {{"--port", "ttyUSB0"}, {"SN-1", "SN-3"}},
        {{"--port", "/dev/ttyUSB1"}, {"SN \"2\""}},
        {{"--label", "SN-3"}, {"SN-3"}},
        {{"--failed"}, {"SN \"2\""}},
        {{"--failed", "--port", "ttyUSB0"}, {}},
    };
    for (const auto& c : cases) {
        const TRunResult r = record.History(c.Options);
        EXPECT_EQ(r.Exit, 0) << r.Err;
        std::vector<std::string> labels;
        for (std::size_t at = r.Out.find('\n') + 1; at < r.Out.size(); at = r.Out.find('\n', at) + 1)
            labels.push_back(r.Out.substr(at + 40, r.Out.find("  ", at + 40) - at - 40));
        EXPECT_EQ(labels, c.Labels) << c.Options.size() << "\n" << r.Out;
        EXPECT_EQ(r.Err, "ze50321 history: warning: " + record.Path +
                             ": line 4 is cut short (the last one, not ended), skipped\n");
    }
    EXPECT_EQ(record.History({"--failed"}).Out,
              "START                     PORT          LABEL   INIT  FIRMWARE  PROJECT  EXIT  SECONDS\n"
              "2026-12-10T09:30:00.000Z  /dev/ttyUSB1  SN \"2\"  OK    OK        Error    3     65.2\n");
    for (const auto& refused :
         {std::vector<std::string>{"--since", "10.12.2026"}, {"--json", "--csv"}, {"extra"}})
        EXPECT_EQ(record.History(refused).Exit, 64) << refused[0];
}

TEST(CmdHistory, CsvWithAHeaderRow) {
    const TRecordFile record;
    const TRunResult r = record.History({"--csv", "--since", "2026-12-10"});
    EXPECT_EQ(r.Exit, 0) << r.Err;
    EXPECT_EQ(
        r.Out,
        "start,end,host,user,program,version,port,vendor_id,product_id,adapter_serial,adapter_product,"
        "adapter_maker,firmware_name,firmware_size,firmware_sha256,image_hex,options,init,firmware,project,"
        "blocks,retries,duration,exit_code,label\n"
        "2026-12-10T09:30:00.000Z,2026-12-10T09:30:00.000Z,bench,anna,ze50321 station,1.503,/dev/ttyUSB1,"
        "0403,6001,A5,\"FT232R, USB\",FTDI,vod50321.sim,3,ba78,,FW FR,OK,OK,Error,16,1,65.25,3,"
        "\"SN \"\"2\"\"\"\n"
        "2026-12-10T10:00:00.000Z,2026-12-10T10:00:00.000Z,bench,anna,ze50321 station,1.503,/dev/ttyUSB0,"
        "0403,6001,A5,\"FT232R, USB\",FTDI,vod50321.sim,3,ba78,,FW FR,OK,OK,OK,16,1,65.25,0,SN-3\n");
}
