// A process killed at any moment while it saves leaves each file as it was before that save or as
// the save made it, whole: pargen.xml, bin/bank.bin and the INI file through the configurator's
// writers, and the simulator's memory file.
#include "configurator/ImageBuilder.h"
#include "configurator/IniFile.h"
#include "configurator/ParamFile.h"
#include "configurator/ProjectPaths.h"
#include "tests/support/TempDir.h"
#include "tools/simulator/BootFrame.h"
#include "tools/simulator/Simulator.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <iostream>
#include <random>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int Rounds = 300;
constexpr auto RoundsBound = std::chrono::seconds(5); // fewer rounds on a slow (sanitized) build

struct TKillOutcome {
    int Rounds = 0;
    std::string Failure; // empty when every file was old or new, whole, after every kill
};

// Forks a child that calls save(1), save(2), ... until killed, kills it with SIGKILL at a random
// moment of its first two saves, and asks check() whether the files are whole; again and again.
// save(0) runs here first: it makes the old files and tells how long one save takes.
TKillOutcome KillWhileSaving(const std::function<void(unsigned)>& save,
                             const std::function<std::string()>& check) {
    const auto start = std::chrono::steady_clock::now();
    save(0);
    const auto saveUs =
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
    std::mt19937 random(std::random_device{}());
    std::uniform_int_distribution<long> delayUs(0, 2 * saveUs.count() + 100);
    TKillOutcome outcome;
    while (outcome.Rounds < Rounds && std::chrono::steady_clock::now() - start < RoundsBound) {
        const pid_t child = ::fork();
        if (child < 0)
            return {outcome.Rounds, std::string("fork: ") + std::strerror(errno)};
        if (child == 0) {
            try {
                for (unsigned i = 1;; ++i)
                    save(i);
            } catch (...) {
            }
            ::_exit(3);
        }
        ::usleep(static_cast<useconds_t>(delayUs(random)));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ++outcome.Rounds;
        if (!WIFSIGNALED(status))
            return {outcome.Rounds, "the saving child ended by itself: a save failed"};
        outcome.Failure = check();
        if (!outcome.Failure.empty())
            return outcome;
    }
    std::cout << "killed " << outcome.Rounds << " times, one save taking " << saveUs.count() << " us\n";
    return outcome;
}

// Temporary files in memory where the system offers it: a save then costs no disk flush, so the
// kills are many, and a kill lands in the middle of a save all the same.
void PreferMemoryTempDir() {
    if (::access("/dev/shm", W_OK) == 0)
        ::setenv("TMPDIR", "/dev/shm", 1);
}

std::string OldOrNew(const std::string& path, const std::string& a, const std::string& b) {
    const std::string now = ReadFileBytes(path);
    return now == a || now == b ? std::string()
                                : path + " holds " + std::to_string(now.size()) + " other bytes";
}

std::string ParamBytes(unsigned version) {
    pugi::xml_document doc;
    TParamValues values;
    values.Port = version % 2 ? "10001" : "20002";
    BuildParamTree(doc, values);
    return SerializeParamDocument(doc);
}

} // namespace

TEST(KillDuringSave, ConfiguratorFilesAreOldOrNewWhole) {
    PreferMemoryTempDir();
    TTempDir dir;
    ProjectDir = dir.Path();
    const std::string pargen = dir / "pargen.xml", bank = dir / "bin/bank.bin", ini = dir / "settings.ini";
    const auto save = [&](unsigned version) {
        pugi::xml_document doc;
        doc.load_string(ParamBytes(version).c_str());
        SaveParamDocument(doc, pargen);
        ImageLength = FullImageLength;
        std::memset(ImageBuffer, version % 2 ? 0xA1 : 0xB2, FullImageLength);
        WriteImage();
        if (!WriteProfileString(ini, "Main", "LastProject", version % 2 ? "/p/Alpha" : "/p/Beta"))
            throw std::runtime_error("INI not written");
    };
    const auto check = [&] {
        std::string failure = OldOrNew(pargen, ParamBytes(0), ParamBytes(1));
        if (failure.empty())
            failure = OldOrNew(bank, std::string(29, '\xA1'), std::string(29, '\xB2'));
        if (failure.empty())
            failure = OldOrNew(ini, "[Main]\nLastProject=/p/Alpha\n", "[Main]\nLastProject=/p/Beta\n");
        return failure;
    };
    const TKillOutcome outcome = KillWhileSaving(save, check);
    EXPECT_EQ(outcome.Failure, "") << "after " << outcome.Rounds << " kills";
    EXPECT_GT(outcome.Rounds, 10);
}

TEST(KillDuringSave, SimulatorMemoryFileIsOldOrNewWhole) {
    PreferMemoryTempDir();
    TTempDir dir;
    const std::string memory = dir / "memory.bin";
    const auto save = [&](unsigned version) {
        TSimulatorOptions options;
        options.Baud = 0;
        options.MemoryFile = memory;
        TSimulator simulator(options);
        simulator.Start();
        simulator.WriteMemory(MemoryFirstAddress,
                              std::vector<std::uint8_t>(MemorySize, version % 2 ? 0x11 : 0x22));
        simulator.Stop();
        if (!simulator.SaveError().empty())
            throw std::runtime_error(simulator.SaveError());
    };
    const TKillOutcome outcome = KillWhileSaving(save, [&] {
        return OldOrNew(memory, std::string(MemorySize, '\x11'), std::string(MemorySize, '\x22'));
    });
    EXPECT_EQ(outcome.Failure, "") << "after " << outcome.Rounds << " kills";
    EXPECT_GT(outcome.Rounds, 10);
}
