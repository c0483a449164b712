#pragma once

#include "tests/support/Await.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

// A program run with its output in a file; killed and reaped if still running at the end.
class TProcess {
public:
    // Standard error goes to errorFile when one is given, otherwise into the output file too.
    TProcess(const std::vector<std::string>& args, const std::string& outputFile,
             const std::string& errorFile = std::string())
        : Output(outputFile), Errors(errorFile) {
        std::vector<char*> argv;
        for (const auto& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outputFile.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (errorFile.empty())
            posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
        else
            posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errorFile.c_str(),
                                             O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int rc = posix_spawn(&Pid, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (rc != 0)
            Pid = -1;
    }
    ~TProcess() {
        if (Pid > 0 && !Ended) {
            kill(Pid, SIGKILL);
            waitpid(Pid, nullptr, 0);
        }
    }
    TProcess(const TProcess&) = delete;
    TProcess& operator=(const TProcess&) = delete;

    bool Started() const { return Pid > 0; }
    // Never with a pid of -1: that would signal every process we may signal.
    void Signal(int signal) const {
        if (Pid > 0)
            kill(Pid, signal);
    }
    // The exit code, or -1 when the program has not ended within the bound (or died by a signal).
    int Wait(std::chrono::seconds bound = std::chrono::seconds(60)) {
        if (Pid <= 0)
            return -1;
        Await(
            [this] {
                int status = 0;
                if (Ended || waitpid(Pid, &status, WNOHANG) != Pid)
                    return Ended;
                Code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
                return Ended = true;
            },
            bound, std::chrono::milliseconds(5));
        return Ended ? Code : -1;
    }
    std::string Text() const { return PathExists(Output) ? ReadFileBytes(Output) : std::string(); }
    std::string ErrorText() const { return PathExists(Errors) ? ReadFileBytes(Errors) : std::string(); }
    pid_t ProcessId() const { return Pid; }
    // Waits until the output holds `what`, at most `bound`.
    bool AwaitOutput(const std::string& what, std::chrono::seconds bound = std::chrono::seconds(30)) const {
        return Await([&] { return Text().find(what) != std::string::npos; }, bound,
                     std::chrono::milliseconds(5));
    }

private:
    std::string Output;
    std::string Errors;
    pid_t Pid = -1;
    bool Ended = false;
    int Code = -1;
};

struct TRunResult {
    int Exit = -1;
    std::string Out;
    std::string Err;
};

// Runs a program to its end (-1 as the exit when it has not ended within a minute), its output
// and errors read apart.
inline TRunResult RunProgram(const std::vector<std::string>& args) {
    const TTempDir dir;
    TProcess process(args, dir / "out", dir / "err");
    const int code = process.Wait();
    return {code, process.Text(), process.ErrorText()};
}

// The ze50321 tool of this build.
inline std::string Tool() {
    return ProgramDir() + "/ze50321";
}

// Device memory from 0x4000 on as `ze50321 simulate --memory` loads it: firmware from 0x4000 and
// image from 0x24000, erased (FF) elsewhere.
inline std::string SimulatorMemory(const std::string& firmware, const std::string& image) {
    constexpr std::size_t ConfigOffset = 0x24000 - 0x4000;
    std::string memory(0x24000, '\xff');
    memory.replace(0, firmware.size(), firmware);
    memory.replace(ConfigOffset, image.size(), image);
    return memory;
}

// `ze50321 simulate` on its own pseudo-terminal, its memory saved to a file when it is stopped.
// It starts with the memory of folder/memory.img when that exists (SimulatorMemory's bytes).
class TSimulateProcess {
public:
    TSimulateProcess(const std::string& folder, std::vector<std::string> faults = {})
        : MemoryFile(folder + "/memory.img"),
          Process(Arguments(std::move(faults)), folder + "/simulate.out") {}
    TSimulateProcess(const TTempDir& dir, std::vector<std::string> faults = {})
        : TSimulateProcess(dir.Path(), std::move(faults)) {}
    // Starts with memory in place of erased memory.
    TSimulateProcess(const TTempDir& dir, const std::string& memory, std::vector<std::string> faults)
        : TSimulateProcess((WriteFileBytes(dir / "memory.img", memory), dir.Path()), std::move(faults)) {}

    std::string DevicePath() {
        if (!Process.AwaitOutput("\n"))
            return std::string();
        const std::string text = Process.Text();
        return text.substr(0, text.find('\n'));
    }
    // What the simulator printed after its device path: with --trace, a line per frame and reply.
    std::string Trace() const {
        const std::string text = Process.Text();
        const std::size_t end = text.find('\n');
        return end == std::string::npos ? std::string() : text.substr(end + 1);
    }
    // Waits until the simulator printed `what`.
    bool AwaitTrace(const std::string& what) const { return Process.AwaitOutput(what); }
    // Stops the simulator and answers its memory from 0x4000 on.
    std::string StopAndReadMemory() {
        Process.Signal(SIGTERM);
        EXPECT_EQ(Process.Wait(), 0) << Process.Text();
        return PathExists(MemoryFile) ? ReadFileBytes(MemoryFile) : std::string();
    }

private:
    std::vector<std::string> Arguments(std::vector<std::string> faults) const {
        std::vector<std::string> args = {Tool(), "simulate", "--baud", "0", "--memory", MemoryFile};
        args.insert(args.end(), faults.begin(), faults.end());
        return args;
    }

    std::string MemoryFile;
    TProcess Process;
};
