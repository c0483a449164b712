#pragma once

#include <cstdint>

// The three status lines of the updater and their state codes.
enum class TStatusLine { Init, Firmware, Project };

// INIT line codes.
constexpr int InitWaiting = 0;
constexpr int InitOk = 1;
constexpr int InitDeviceNotFound = 2;

// FIRMWARE and PROJECT line codes.
constexpr int PhaseNotUsed = 0;
constexpr int PhaseWaiting = 1;
constexpr int PhaseOk = 2;
constexpr int PhaseWriting = 3;
constexpr int PhaseReading = 4;
constexpr int PhaseError = 5;
constexpr int PhaseErrorAfterRead = 6;
constexpr int PhaseFileNotFound = 7;

struct TRgb {
    std::uint8_t R = 0, G = 0, B = 0;
    bool operator==(const TRgb& o) const { return R == o.R && G == o.G && B == o.B; }
    bool operator!=(const TRgb& o) const { return !(*this == o); }
};

constexpr TRgb Black{0, 0, 0};
constexpr TRgb Grey{128, 128, 128};
constexpr TRgb Lime{0, 255, 0};
constexpr TRgb Green{0, 128, 0};
constexpr TRgb Blue{0, 0, 255};
constexpr TRgb Red{255, 0, 0};

struct TStatusEntry {
    const char* Text;
    TRgb Colour;
};

// The text and font colour of a line's code; nullptr for a code the line does not have (the label
// is then left as it is).
const TStatusEntry* StatusEntry(TStatusLine line, int code);
