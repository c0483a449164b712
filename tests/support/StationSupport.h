#pragma once

#include "station/StationOutput.h"
#include "station/StationPort.h"
#include "tests/support/Bytes.h"
#include "tests/support/SequenceSupport.h"
#include "tests/support/TempDir.h"

#include <algorithm>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

// A firmware file and a project folder with its image, for the station's updates.
struct TStationFiles {
    explicit TStationFiles(std::size_t firmwareSize)
        : Firmware(Dir / "vod50321.sim"), Folder(Dir / "bin/"), FirmwareBytes(Pattern(firmwareSize, 3)),
          ImageBytes(Pattern(29, 4)) {
        std::filesystem::create_directory(Dir / "bin");
        WriteFileBytes(Firmware, FirmwareBytes);
        WriteFileBytes(Folder + "bank.bin", ImageBytes);
    }
    // All four options, the sequence's delays and the worker's reply waits shortened.
    TStationJob Job(int giveUpMs = 0) const {
        TStationJob job;
        job.Request.FirmwareWrite = job.Request.FirmwareRead = true;
        job.Request.ProjectWrite = job.Request.ProjectRead = true;
        job.Request.FirmwareFile = Firmware;
        job.Request.ProjectFolder = Folder;
        job.Timings = ShortTimings();
        job.Timings.GiveUpMs = giveUpMs;
        job.SetUpWorker = ShortenLinkTimings;
        return job;
    }
    TTempDir Dir;
    std::string Firmware, Folder, FirmwareBytes, ImageBytes;
};

// Keeps what the station shows; read from the test's thread while the station runs.
class TRecordedOutput : public TStationOutput {
public:
    void Event(const TStationEvent& event) override {
        std::lock_guard<std::mutex> lock(Lock);
        Events.push_back(event);
        Events.back().Result = nullptr; // the station's own, gone with its port
    }
    void Summary(const std::vector<TPortRow>&, const std::string& text, int exitCode) override {
        std::lock_guard<std::mutex> lock(Lock);
        SummaryLine = text;
        Code = exitCode;
    }
    // Whether port's row has shown state on line.
    bool Showed(const std::string& port, const std::string& line, const std::string& state) {
        std::lock_guard<std::mutex> lock(Lock);
        return std::any_of(Events.begin(), Events.end(), [&](const TStationEvent& e) {
            return e.Row.Port == port && e.Row.Line == line && e.Row.State == state;
        });
    }
    std::size_t Count(TStationEventKind kind, const std::string& port) {
        std::lock_guard<std::mutex> lock(Lock);
        return static_cast<std::size_t>(
            std::count_if(Events.begin(), Events.end(),
                          [&](const TStationEvent& e) { return e.Kind == kind && e.Row.Port == port; }));
    }
    // The finished rows of port, in the order they ended.
    std::vector<TPortRow> Ends(const std::string& port) {
        std::lock_guard<std::mutex> lock(Lock);
        std::vector<TPortRow> rows;
        for (const auto& e : Events)
            if (e.Kind == TStationEventKind::Finished && e.Row.Port == port)
                rows.push_back(e.Row);
        return rows;
    }

    std::mutex Lock;
    std::vector<TStationEvent> Events;
    std::string SummaryLine;
    int Code = -1;
};
