#include "station/StationLines.h"

namespace {

std::string Fixed(double value, const char* format) {
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

} // namespace

std::string RetryText(bool read, std::uint32_t address, std::int32_t retries) {
    char text[96];
    std::snprintf(text, sizeof text,
                  read ? "read of 0x%06X failed, asked again (retry %d)"
                       : "write of 0x%06X not acknowledged, sent again (retry %d)",
                  static_cast<unsigned>(address), static_cast<int>(retries));
    return text;
}

TStationLines::TStationLines(std::FILE* out) : Out(out) {}

std::string TStationLines::LineOf(const TStationEvent& event) {
    const TPortRow& r = event.Row;
    const std::string port = r.Name + ": ";
    switch (event.Kind) {
    case TStationEventKind::Taken:
        Tenths[r.Port] = 0;
        return port + "taken" + (r.Adapter.empty() ? "" : " (" + r.Adapter + ")");
    case TStationEventKind::Line:
        Tenths[r.Port] = 0;
        return port + r.Line + " " + r.State;
    case TStationEventKind::Progress: {
        int& shown = Tenths[r.Port];
        if (r.Percent / 10 <= shown)
            return std::string();
        shown = r.Percent / 10;
        return port + r.Line + " " + std::to_string(r.Percent) + "% " + Fixed(r.BytesPerSecond, "%.0f") +
               " bytes/s";
    }
    case TStationEventKind::Retry:
        return port + r.Line + " " + RetryText(event.Read, event.Address, event.Retries);
    case TStationEventKind::Finished:
        break;
    }
    return port + r.Result + (r.Reason.empty() ? "" : ": " + r.Reason) + " in " + Fixed(r.Elapsed, "%.1f s") +
           ", " + Fixed(r.BytesPerSecond, "%.0f") + " bytes/s (exit code " + std::to_string(r.ExitCode) + ")";
}

void TStationLines::Event(const TStationEvent& event) {
    const std::string line = LineOf(event);
    if (line.empty())
        return;
    std::fprintf(Out, "%s\n", line.c_str());
    std::fflush(Out);
}

void TStationLines::Summary(const std::vector<TPortRow>&, const std::string& text, int) {
    std::fprintf(Out, "%s\n", text.c_str());
    std::fflush(Out);
}
