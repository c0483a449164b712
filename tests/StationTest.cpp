#include "station/Station.h"
#include "serial/ComPortProbe.h"
#include "station/DistinctDevices.h"
#include "tests/support/Await.h"
#include "tests/support/StationSupport.h"
#include "tests/support/UpdateDevice.h"
#include "updater/CloseSignals.h"

#include <gtest/gtest.h>

#include <csignal>
#include <future>
#include <map>
#include <memory>

namespace {

using namespace std::chrono_literals;

constexpr std::uint32_t FirmwareAddress = 0x4000, ImageAddress = 0x24000;

TSimulatorOptions Simulator(int baud = 0, int silentAfter = 0, const std::string& link = std::string()) {
    TSimulatorOptions o;
    o.Baud = baud;
    o.SilentAfter = silentAfter;
    o.LinkPath = link;
    return o;
}

void ExpectUpdated(const TUpdateDevice& device, const TStationFiles& files) {
    EXPECT_EQ(device.Memory(FirmwareAddress, static_cast<std::uint32_t>(files.FirmwareBytes.size())),
              files.FirmwareBytes);
    EXPECT_EQ(device.Memory(ImageAddress, 29), files.ImageBytes);
}

std::map<std::string, TPortRow> ByPort(const std::vector<TPortRow>& rows) {
    std::map<std::string, TPortRow> byPort;
    for (const auto& r : rows)
        byPort[r.Port] = r;
    return byPort;
}

const std::atomic<int> NoSignal{0};

} // namespace

TEST(Station, UpdatesEveryPortAtOnceAndOneFailureTouchesNoOther) {
    const TStationFiles files(1000);
    std::vector<std::unique_ptr<TUpdateDevice>> devices;
    std::vector<std::string> ports;
    for (int i = 0; i < 4; ++i) {
        devices.push_back(std::make_unique<TUpdateDevice>(Simulator(0, i == 2 ? 3 : 0)));
        ports.push_back(devices.back()->Path());
    }
    TRecordedOutput output;
    TStation station(files.Job(300), output, NoSignal);
    EXPECT_EQ(station.Run(ports), 2);

    const auto rows = ByPort(station.Finished());
    ASSERT_EQ(rows.size(), 4u);
    for (int i = 0; i < 4; ++i) {
        const TPortRow& r = rows.at(ports[i]);
        SCOPED_TRACE(ports[i]);
        if (i == 2) {
            EXPECT_EQ(r.Result, "Error");
            EXPECT_EQ(r.Reason, "FIRMWARE not acknowledged");
            EXPECT_EQ(r.ExitCode, 2);
            continue;
        }
        EXPECT_EQ(r.Result, "OK");
        EXPECT_EQ(r.Reason, "");
        EXPECT_EQ(r.ExitCode, 0);
        EXPECT_TRUE(output.Showed(ports[i], "PROJECT", "OK"));
        ExpectUpdated(*devices[i], files);
    }
    EXPECT_EQ(output.SummaryLine, "3 OK, 1 Error: " + PortShortName(ports[2]) + " FIRMWARE not acknowledged");
    EXPECT_EQ(output.Code, 2);
    EXPECT_EQ(FilesEndingWith(files.Dir.Path(), ".b79"), std::vector<std::string>{});
    EXPECT_EQ(FilesEndingWith(files.Folder, ".b79"), std::vector<std::string>{});
}

// Ctrl-C gives every running update up, and a port that vanishes fails alone.
TEST(Station, CloseSignalGivesEveryUpdateUpAndAVanishedPortFailsAlone) {
    for (const bool signal : {false, true}) {
        SCOPED_TRACE(signal ? "Ctrl-C" : "port vanishes");
        const TStationFiles files(16 * 1024); // a few seconds at 115200 bit/s
        TUpdateDevice a(Simulator(115200)), b(Simulator(115200));
        const std::vector<std::string> ports = {a.Path(), b.Path()};
        TCloseSignals closeSignals;
        TRecordedOutput output;
        TStation station(files.Job(), output, TCloseSignals::Asked());
        auto run = std::async(std::launch::async, [&] { return station.Run(ports); });
        ASSERT_TRUE(Await([&] {
            return output.Showed(ports[0], "FIRMWARE", "Write in Progress...") &&
                   output.Showed(ports[1], "FIRMWARE", "Write in Progress...");
        }));
        if (signal)
            std::raise(SIGINT);
        else
            a.Remove();
        ASSERT_EQ(run.wait_for(30s), std::future_status::ready);
        EXPECT_EQ(run.get(), signal ? 130 : 2);
        const auto rows = ByPort(station.Finished());
        ASSERT_EQ(rows.size(), 2u);
        if (signal) {
            for (const auto& port : ports) {
                EXPECT_EQ(rows.at(port).Reason, "FIRMWARE interrupted");
                EXPECT_EQ(rows.at(port).ExitCode, 130);
            }
        } else {
            EXPECT_EQ(rows.at(ports[0]).Result, "Error");
            EXPECT_EQ(rows.at(ports[0]).Reason.rfind("FIRMWARE ", 0), 0u) << rows.at(ports[0]).Reason;
            EXPECT_EQ(rows.at(ports[0]).ExitCode, 2);
            EXPECT_EQ(rows.at(ports[1]).Result, "OK");
            ExpectUpdated(b, files);
        }
        EXPECT_EQ(FilesEndingWith(files.Dir.Path(), ".b79"), std::vector<std::string>{});
    }
}

TEST(Station, WatchTakesEachPortThatAppearsAndAgainOnlyAfterItCameBack) {
    const TStationFiles files(600);
    const TTempDir dev;
    std::atomic<int> listings{0};
    TWatchSettings watch;
    watch.PollMs = 10;
    watch.RedrawMs = 10;
    watch.ListPorts = [&] {
        ++listings;
        std::vector<std::string> ports;
        for (const auto& name : ListComPorts(dev.Path()))
            ports.push_back(ComPortPath(name, dev.Path()));
        return ports;
    };
    const std::string there = dev / "ttyThere", plugged = dev / "ttyPlugged";
    TUpdateDevice present(Simulator(0, 0, there));
    TRecordedOutput output;
    TStation station(files.Job(), output, NoSignal, watch);
    auto run = std::async(std::launch::async, [&] { return station.Watch({}); });
    ASSERT_TRUE(Await([&] { return listings > 1; }));

    auto first = std::make_unique<TUpdateDevice>(Simulator(0, 0, plugged));
    ASSERT_TRUE(Await([&] { return output.Ends(plugged).size() == 1; }));
    ExpectUpdated(*first, files);
    // Still plugged: not taken again however often the list is read.
    const int seen = listings;
    ASSERT_TRUE(Await([&] { return listings > seen + 3; }));
    EXPECT_EQ(output.Count(TStationEventKind::Taken, plugged), 1u);

    first.reset(); // pulled, and the next converter plugged in its place once the list has shown it gone
    const int gone = listings;
    ASSERT_TRUE(Await([&] { return listings > gone + 1; }));
    const TUpdateDevice second(Simulator(0, 0, plugged));
    ASSERT_TRUE(Await([&] { return output.Ends(plugged).size() == 2; }));
    ExpectUpdated(second, files);

    station.Stop();
    ASSERT_EQ(run.wait_for(30s), std::future_status::ready);
    EXPECT_EQ(run.get(), 0);
    EXPECT_EQ(output.Count(TStationEventKind::Taken, there), 0u);
    EXPECT_EQ(output.SummaryLine, "2 OK");
}

TEST(Station, TakesADeviceOnceWhateverTheLinksToIt) {
    const TTempDir dev;
    std::filesystem::create_directories(dev / "serial/by-id");
    WriteFileBytes(dev / "ttyUSB0", "");
    WriteFileBytes(dev / "ttyUSB1", "");
    std::filesystem::create_symlink(dev / "ttyUSB0", dev / "serial/by-id/usb-Maker_Adapter_A1-if00-port0");
    std::filesystem::create_symlink(dev / "ttyUSB1", dev / "serial/by-id/usb-Maker_Adapter_B2-if00-port0");
    const std::vector<std::string> listed = {dev / "serial/by-id/usb-Maker_Adapter_A1-if00-port0",
                                             dev / "serial/by-id/usb-Maker_Adapter_B2-if00-port0",
                                             dev / "ttyUSB0", dev / "ttyUSB1", dev / "ttyGone"};
    const auto canonical = [](const std::string& p) { return std::filesystem::canonical(p).string(); };
    EXPECT_EQ(
        DistinctDevices(listed),
        (std::vector<std::string>{canonical(dev / "ttyUSB0"), canonical(dev / "ttyUSB1"), dev / "ttyGone"}));
}
