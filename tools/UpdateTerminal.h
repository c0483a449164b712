#pragma once

#include "updater/ProgressTickClock.h"
#include "updater/UpdateSequence.h"

#include <csignal>
#include <cstdio>
#include <mutex>
#include <string>

// The update sequence's display on a terminal: each status line when it changes, a progress bar per
// transfer (redrawn in place on a terminal, a line per tenth otherwise), and the frames when traced.
class TTerminalDisplay : public TUpdateDisplay {
public:
    // `interrupted` turns non-zero when the user asks to give up (Ctrl-C, SIGTERM, SIGHUP).
    TTerminalDisplay(std::FILE* out, bool inPlace, const volatile std::sig_atomic_t& interrupted, int tickMs);
    ~TTerminalDisplay() override;

    void ShowStatus(int init, int firmware, int project) override;
    void SetProgress(int percent) override;
    void EnableProgressTick(bool enabled) override;
    bool ProgressTickEnabled() const override { return Tick.Enabled(); }
    void ProcessEvents() override;
    bool Abandoned() const override { return Interrupted != 0; }
    // Sleeps without processing events, and ends at once when the user gives up.
    void Pause(int ms) override;

    // A block the worker repeats; may be called from the worker's thread.
    void ShowRetry(bool read, std::uint32_t address, std::int32_t retries);
    // One frame sent or read; may be called from the worker's thread.
    void Trace(bool sent, const std::string& bytes);
    // A line of text of the caller's own, after any progress bar.
    void Print(const std::string& line);

private:
    void EndBarLine();

    std::FILE* Out;
    bool InPlace;
    const volatile std::sig_atomic_t& Interrupted;
    TProgressTickClock Tick;
    std::mutex OutLock;
    int Shown[3] = {-1, -1, -1};
    int LastPercent = -1;
    bool BarOpen = false; // a bar is drawn on the current terminal line
};

// A frame's bytes as printable text: printable ASCII as is, others as \r, \n or \xNN.
std::string PrintableFrame(const std::string& bytes);

// The bar text for a percentage: "[####----...] 45%", 40 cells wide.
std::string ProgressBarText(int percent);
