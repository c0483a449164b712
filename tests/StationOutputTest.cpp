#include "station/AdapterColumn.h"
#include "station/PortOutcome.h"
#include "station/PortWatch.h"
#include "station/StationJson.h"
#include "station/StationLines.h"
#include "station/StationTable.h"

#include <gtest/gtest.h>

namespace {

TPortRow Row(const std::string& name, const std::string& line, const std::string& state, int percent,
             const std::string& result = "", const std::string& reason = "", int code = -1) {
    TPortRow r;
    r.Port = "/dev/" + name;
    r.Name = name;
    r.Adapter = name == "ttyUSB0" ? "USB adapter FT232R USB UART (ftdi_sio)" : "";
    r.Line = line;
    r.State = state;
    r.Percent = percent;
    r.BytesPerSecond = 1011.6;
    r.Elapsed = 12.34;
    r.Result = result;
    r.Reason = reason;
    r.ExitCode = code;
    return r;
}

TTransferRecord Transfer(TRegionId region, bool read, bool failed, bool givenUp,
                         const std::string& error = "") {
    TTransferRecord t;
    t.Region = region;
    t.Read = read;
    t.Failed = failed;
    t.GivenUp = givenUp;
    t.PortError = error;
    return t;
}

} // namespace

TEST(PortWatch, TakesAPortWhenItAppearsAndAgainOnlyAfterItWentAway) {
    TPortWatch watch({"/dev/ttyS0", "/dev/ttyUSB0"}, {"/dev/ttyUSB0"});
    const struct {
        std::vector<std::string> Listed;
        std::set<std::string> Busy;
        std::vector<std::string> Taken;
    } turns[] = {
        {{"/dev/ttyS0", "/dev/ttyUSB0"}, {"/dev/ttyUSB0"}, {}}, // there from the start, taken at once
        {{"/dev/ttyS0", "/dev/ttyUSB0", "/dev/ttyUSB1"}, {}, {"/dev/ttyUSB1"}}, // plugged
        {{"/dev/ttyS0", "/dev/ttyUSB0", "/dev/ttyUSB1"}, {}, {}},               // still there
        {{"/dev/ttyS0"}, {"/dev/ttyUSB1"}, {}},                                 // both pulled
        {{"/dev/ttyS0", "/dev/ttyUSB0", "/dev/ttyUSB1"},
         {"/dev/ttyUSB1"},
         {"/dev/ttyUSB0"}},                                                     // USB1 still busy
        {{"/dev/ttyS0", "/dev/ttyUSB0", "/dev/ttyUSB1"}, {}, {"/dev/ttyUSB1"}}, // its last update ended
        {{"/dev/ttyS0", "/dev/ttyUSB0", "/dev/ttyUSB1"}, {}, {}},
    };
    for (const auto& turn : turns)
        EXPECT_EQ(watch.Take(turn.Listed, turn.Busy), turn.Taken);
}

TEST(PortOutcome, ReasonsAndTheWorstExitCode) {
    const struct {
        TSequenceEnd End;
        int Firmware, Project;
        std::vector<TTransferRecord> Transfers;
        const char* Reason;
    } cases[] = {
        {TSequenceEnd::DeviceNotFound, PhaseWaiting, PhaseWaiting, {}, "INIT Device Not Found"},
        {TSequenceEnd::Abandoned, PhaseWriting, PhaseWaiting, {}, "FIRMWARE interrupted"},
        {TSequenceEnd::Finished,
         PhaseError,
         PhaseWaiting,
         {Transfer(FirmwareRegion, false, true, true)},
         "FIRMWARE not acknowledged"},
        {TSequenceEnd::Finished,
         PhaseOk,
         PhaseError,
         {Transfer(FirmwareRegion, false, false, false), Transfer(ConfigRegion, true, true, true)},
         "PROJECT not answered"},
        {TSequenceEnd::Finished,
         PhaseError,
         PhaseWaiting,
         {Transfer(FirmwareRegion, false, true, false, "Read error (Error: 5) ")},
         "FIRMWARE Read error (Error: 5)"},
        {TSequenceEnd::Finished, PhaseErrorAfterRead, PhaseWaiting, {}, "FIRMWARE Error After Read"},
        {TSequenceEnd::Finished, PhaseOk, PhaseFileNotFound, {}, "PROJECT File Project not found"},
        {TSequenceEnd::Finished, PhaseOk, PhaseOk, {}, ""},
    };
    for (const auto& c : cases) {
        TPortResult r;
        r.Arguments.FirmwareWrite = r.Arguments.ProjectWrite = true;
        r.End = c.End;
        r.Firmware = c.Firmware;
        r.Project = c.Project;
        r.Transfers = c.Transfers;
        EXPECT_EQ(FailureReason(r, "FIRMWARE"), c.Reason);
    }
    const std::pair<std::vector<int>, int> worst[] = {{{0, 0}, 0},    {{0, 1}, 1},        {{1, 3}, 3},
                                                      {{3, 2, 1}, 2}, {{2, 130, 0}, 130}, {{}, 0}};
    for (const auto& [codes, code] : worst) {
        std::vector<TPortRow> rows;
        for (int c : codes)
            rows.push_back(Row("ttyUSB0", "PROJECT", "OK", 100, c ? "Error" : "OK", "", c));
        EXPECT_EQ(StationExitCode(rows), code);
    }
}

TEST(StationOutput, TableLinesAndJsonOfEightPortsWithOneFailing) {
    std::vector<TPortRow> rows;
    for (int i = 0; i < 8; ++i)
        rows.push_back(i == 4
                           ? Row("ttyUSB4", "FIRMWARE", "Error", 12, "Error", "FIRMWARE not acknowledged", 2)
                           : Row("ttyUSB" + std::to_string(i), "PROJECT", "OK", 100, "OK", "", 0));
    rows[7] = Row("ttyUSB7", "FIRMWARE", "Write in Progress...", 45);
    rows[7].Taken = std::chrono::steady_clock::time_point(std::chrono::seconds(100));
    const auto now = std::chrono::steady_clock::time_point(std::chrono::milliseconds(106100));
    std::vector<std::string> expected = {
        "PORT     ADAPTER                                 LINE        %  BYTES/S  ELAPSED  RESULT",
        "ttyUSB0  USB adapter FT232R USB UART (ftdi_sio)  PROJECT   100     1012   12.3 s  OK"};
    for (int i = 1; i < 7; ++i)
        expected.push_back(
            i == 4 ? "ttyUSB4  -                                       FIRMWARE   12     1012   12.3 s  "
                     "Error: FIRMWARE not acknowledged"
                   : "ttyUSB" + std::to_string(i) +
                         "  -                                       PROJECT   100     1012   12.3 s  OK");
    expected.push_back("ttyUSB7  -                                       FIRMWARE   45     1012    6.1 s  "
                       "Write in Progress...");
    EXPECT_EQ(StationTableLines(rows, now), expected);
    const std::vector<TPortRow> finished(rows.begin(), rows.begin() + 7);
    EXPECT_EQ(LiveSummaryText(rows, finished), "1 running, 6 OK, 1 Error: ttyUSB4 FIRMWARE not acknowledged");

    EXPECT_EQ(StationSummaryJson({rows[0], rows[4]}, SummaryText({rows[0], rows[4]}), 2),
              "{\"summary\":\"1 OK, 1 Error: ttyUSB4 FIRMWARE not acknowledged\",\"ports\":["
              "{\"port\":\"/dev/ttyUSB0\",\"name\":\"ttyUSB0\",\"adapter\":\"USB adapter FT232R USB UART "
              "(ftdi_sio)\",\"result\":\"OK\",\"reason\":null,\"exit_code\":0,\"elapsed\":12.34},"
              "{\"port\":\"/dev/ttyUSB4\",\"name\":\"ttyUSB4\",\"adapter\":null,\"result\":\"Error\","
              "\"reason\":\"FIRMWARE not acknowledged\",\"exit_code\":2,\"elapsed\":12.34}],"
              "\"ok\":1,\"errors\":1,\"exit_code\":2}\n");
}

TEST(StationOutput, OnePlainLineAndOneJsonLinePerEvent) {
    TStationLines lines(stdout);
    TStationJson json(stdout);
    TStationEvent e;
    const struct {
        TStationEventKind Kind;
        TPortRow Row;
        const char* Line;
        const char* Json;
    } cases[] = {
        {TStationEventKind::Taken, Row("ttyUSB0", "INIT", "", 0),
         "ttyUSB0: taken (USB adapter FT232R USB UART (ftdi_sio))",
         "{\"event\":\"taken\",\"port\":\"/dev/ttyUSB0\",\"name\":\"ttyUSB0\",\"adapter\":\"USB adapter "
         "FT232R USB UART "
         "(ftdi_sio)\",\"elapsed\":12.34}\n"},
        {TStationEventKind::Line, Row("ttyUSB1", "FIRMWARE", "Write in Progress...", 0),
         "ttyUSB1: FIRMWARE Write in Progress...",
         "{\"event\":\"line\",\"port\":\"/dev/"
         "ttyUSB1\",\"name\":\"ttyUSB1\",\"adapter\":null,\"line\":\"FIRMWARE\","
         "\"state\":\"Write in Progress...\",\"elapsed\":12.34}\n"},
        {TStationEventKind::Progress, Row("ttyUSB1", "FIRMWARE", "Write in Progress...", 9), "", ""},
        {TStationEventKind::Progress, Row("ttyUSB1", "FIRMWARE", "Write in Progress...", 23),
         "ttyUSB1: FIRMWARE 23% 1012 bytes/s",
         "{\"event\":\"progress\",\"port\":\"/dev/ttyUSB1\",\"name\":\"ttyUSB1\",\"adapter\":null,\"line\":"
         "\"FIRMWARE\",\"percent\":23,\"bytes_per_second\":1011.6,\"elapsed\":12.34}\n"},
        {TStationEventKind::Progress, Row("ttyUSB1", "FIRMWARE", "Write in Progress...", 29), "", ""},
        {TStationEventKind::Retry, Row("ttyUSB1", "FIRMWARE", "Write in Progress...", 29),
         "ttyUSB1: FIRMWARE write of 0x004080 not acknowledged, sent again (retry 1)",
         "{\"event\":\"retry\",\"port\":\"/dev/ttyUSB1\",\"name\":\"ttyUSB1\",\"adapter\":null,\"line\":"
         "\"FIRMWARE\",\"direction\":\"write\",\"address\":16512,\"retries\":1,\"elapsed\":12.34}\n"},
        {TStationEventKind::Finished,
         Row("ttyUSB1", "FIRMWARE", "Error", 29, "Error", "FIRMWARE not acknowledged", 2),
         "ttyUSB1: Error: FIRMWARE not acknowledged in 12.3 s, 1012 bytes/s (exit code 2)",
         "{\"event\":\"finished\",\"port\":\"/dev/ttyUSB1\",\"name\":\"ttyUSB1\",\"adapter\":null,\"result\":"
         "\"Error\",\"reason\":\"FIRMWARE not acknowledged\",\"exit_code\":2,\"bytes_per_second\":1011.6,"
         "\"elapsed\":12.34}\n"},
    };
    for (const auto& c : cases) {
        e.Kind = c.Kind;
        e.Row = c.Row;
        e.Address = 0x4080;
        e.Retries = 1;
        EXPECT_EQ(lines.LineOf(e), c.Line);
        EXPECT_EQ(json.DocumentOf(e), c.Json);
    }
}

TEST(StationOutput, AdapterColumn) {
    const std::pair<TPortAdapter, const char*> cases[] = {
        {{"0403", "6001", "A50285BI", "FT232R USB UART", "FTDI"}, "FT232R USB UART 0403:6001 A50285BI"},
        {{"10c4", "ea60", "", "", "Silicon Labs"}, "Silicon Labs 10c4:ea60"},
        {{}, ""},
    };
    for (const auto& [adapter, text] : cases)
        EXPECT_EQ(AdapterColumn(adapter), text);
}
