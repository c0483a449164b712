#include "tools/UpdateTerminal.h"

#include "updater/StatusTable.h"

#include <algorithm>
#include <thread>

namespace {

constexpr int BarCells = 40;

const char* const LineCaptions[3] = {"INIT :", "FIRMWARE :", "PROJECT :"};
const TStatusLine Lines[3] = {TStatusLine::Init, TStatusLine::Firmware, TStatusLine::Project};

} // namespace

std::string PrintableFrame(const std::string& bytes) {
    static const char Hex[] = "0123456789ABCDEF";
    std::string text;
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '\r')
            text += "\\r";
        else if (c == '\n')
            text += "\\n";
        else if (c == '\\')
            text += "\\\\";
        else if (u >= 32 && u < 127)
            text += c;
        else
            text += std::string("\\x") + Hex[u >> 4] + Hex[u & 15];
    }
    return text;
}

std::string ProgressBarText(int percent) {
    percent = std::clamp(percent, 0, 100);
    const int filled = percent * BarCells / 100;
    std::string bar = "[" + std::string(static_cast<std::size_t>(filled), '#') +
                      std::string(static_cast<std::size_t>(BarCells - filled), '-') + "] ";
    const std::string number = std::to_string(percent);
    return bar + std::string(3 - number.size(), ' ') + number + "%";
}

TTerminalDisplay::TTerminalDisplay(std::FILE* out, bool inPlace,
                                   const volatile std::sig_atomic_t& interrupted, int tickMs)
    : Out(out), InPlace(inPlace), Interrupted(interrupted), Tick(tickMs) {}

TTerminalDisplay::~TTerminalDisplay() {
    std::lock_guard<std::mutex> lock(OutLock);
    EndBarLine();
}

void TTerminalDisplay::EndBarLine() {
    if (BarOpen) {
        std::fputc('\n', Out);
        BarOpen = false;
    }
}

void TTerminalDisplay::ShowStatus(int init, int firmware, int project) {
    const int codes[3] = {init, firmware, project};
    {
        std::lock_guard<std::mutex> lock(OutLock);
        for (int i = 0; i < 3; ++i) {
            if (codes[i] == Shown[i])
                continue;
            Shown[i] = codes[i];
            const TStatusEntry* entry = StatusEntry(Lines[i], codes[i]);
            if (!entry)
                continue;
            EndBarLine();
            std::fprintf(Out, "%-10s %s\n", LineCaptions[i], entry->Text);
            // A line that starts a transfer gets a bar of its own.
            if (i > 0 && (codes[i] == PhaseWriting || codes[i] == PhaseReading))
                LastPercent = -1;
        }
        std::fflush(Out);
    }
    ProcessEvents();
}

void TTerminalDisplay::SetProgress(int percent) {
    std::lock_guard<std::mutex> lock(OutLock);
    if (percent == LastPercent)
        return;
    const int before = LastPercent;
    LastPercent = percent;
    if (InPlace) {
        std::fprintf(Out, "\r%s", ProgressBarText(percent).c_str());
        BarOpen = true;
    } else if (percent / 10 > before / 10 || (before < 0 && percent > 0)) {
        std::fprintf(Out, "%s\n", ProgressBarText(percent).c_str());
    }
    std::fflush(Out);
}

void TTerminalDisplay::EnableProgressTick(bool enabled) {
    Tick.Enable(enabled);
}

void TTerminalDisplay::ProcessEvents() {
    Tick.Poll(OnProgressTick);
}

void TTerminalDisplay::Pause(int ms) {
    constexpr auto Turn = std::chrono::milliseconds(10);
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (auto now = std::chrono::steady_clock::now(); now < end && !Interrupted;
         now = std::chrono::steady_clock::now())
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(Turn, end - now));
}

void TTerminalDisplay::ShowRetry(bool read, std::uint32_t address, std::int32_t retries) {
    char text[96];
    std::snprintf(text, sizeof text,
                  read ? "  read of 0x%06X failed, asked again (retry %d)"
                       : "  write of 0x%06X not acknowledged, sent again (retry %d)",
                  static_cast<unsigned>(address), static_cast<int>(retries));
    Print(text);
    std::lock_guard<std::mutex> lock(OutLock);
    if (InPlace)
        LastPercent = -2; // the bar is drawn again below the message at the next tick
}

void TTerminalDisplay::Trace(bool sent, const std::string& bytes) {
    std::lock_guard<std::mutex> lock(OutLock);
    if (BarOpen) {
        // The bar is drawn again at the next tick.
        std::fputs("\r\x1b[K", Out);
        BarOpen = false;
        LastPercent = -2;
    }
    std::fprintf(Out, "%s %s\n", sent ? ">" : "<", PrintableFrame(bytes).c_str());
    std::fflush(Out);
}

void TTerminalDisplay::Print(const std::string& line) {
    std::lock_guard<std::mutex> lock(OutLock);
    EndBarLine();
    std::fprintf(Out, "%s\n", line.c_str());
    std::fflush(Out);
}
