#include "station/StationTable.h"

#include "station/PortOutcome.h"

#include <algorithm>
#include <cstdio>

namespace {

std::string Fixed(double value, const char* format) {
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string Padded(const std::string& text, std::size_t width, bool right) {
    const std::string fill(width > text.size() ? width - text.size() : 0, ' ');
    return right ? fill + text : text + fill;
}

} // namespace

std::vector<std::string> StationTableLines(const std::vector<TPortRow>& rows,
                                           std::chrono::steady_clock::time_point now) {
    constexpr std::size_t Columns = 7;
    const bool right[Columns] = {false, false, false, true, true, true, false};
    std::vector<std::vector<std::string>> cells = {
        {"PORT", "ADAPTER", "LINE", "%", "BYTES/S", "ELAPSED", "RESULT"}};
    for (const TPortRow& r : rows) {
        const bool running = r.Result.empty();
        const double elapsed = running ? std::chrono::duration<double>(now - r.Taken).count() : r.Elapsed;
        cells.push_back({r.Name, r.Adapter.empty() ? "-" : r.Adapter, r.Line, std::to_string(r.Percent),
                         Fixed(r.BytesPerSecond, "%.0f"), Fixed(elapsed, "%.1f s"),
                         running            ? r.State
                         : r.Reason.empty() ? r.Result
                                            : r.Result + ": " + r.Reason});
    }
    std::size_t widths[Columns] = {};
    for (const auto& line : cells)
        for (std::size_t c = 0; c < Columns; ++c)
            widths[c] = std::max(widths[c], line[c].size());
    std::vector<std::string> lines;
    for (const auto& line : cells) {
        std::string text;
        for (std::size_t c = 0; c < Columns; ++c)
            text += (c ? "  " : "") +
                    (c + 1 < Columns || right[c] ? Padded(line[c], widths[c], right[c]) : line[c]);
        lines.push_back(text);
    }
    return lines;
}

std::string LiveSummaryText(const std::vector<TPortRow>& rows, const std::vector<TPortRow>& finished) {
    const auto running =
        std::count_if(rows.begin(), rows.end(), [](const TPortRow& r) { return r.Result.empty(); });
    return (running > 0 ? std::to_string(running) + " running, " : std::string()) + SummaryText(finished);
}

TStationTable::TStationTable(std::FILE* out) : Out(out) {}

void TStationTable::Event(const TStationEvent& event) {
    const auto row =
        std::find_if(Rows.begin(), Rows.end(), [&](const TPortRow& r) { return r.Port == event.Row.Port; });
    if (row == Rows.end())
        Rows.push_back(event.Row);
    else
        *row = event.Row;
    if (event.Kind == TStationEventKind::Finished)
        Ended.push_back(event.Row);
    Dirty = true;
}

void TStationTable::Draw(const std::vector<std::string>& lines) {
    std::string text;
    if (Drawn > 0)
        text += "\r\x1b[" + std::to_string(Drawn) + "A"; // back to the table's first line
    for (const std::string& line : lines)
        text += line + "\x1b[K\n";
    text += "\x1b[J"; // nothing left below from a longer drawing
    std::fputs(text.c_str(), Out);
    std::fflush(Out);
    Drawn = lines.size();
}

void TStationTable::Tick(std::chrono::steady_clock::time_point now) {
    const bool running =
        std::any_of(Rows.begin(), Rows.end(), [](const TPortRow& r) { return r.Result.empty(); });
    if (!Dirty && !running)
        return; // nothing moves, not even an elapsed time
    std::vector<std::string> lines = StationTableLines(Rows, now);
    lines.push_back(LiveSummaryText(Rows, Ended));
    Draw(lines);
    Dirty = false;
}

void TStationTable::Summary(const std::vector<TPortRow>&, const std::string& text, int) {
    std::vector<std::string> lines = StationTableLines(Rows, std::chrono::steady_clock::now());
    lines.push_back(text);
    Draw(lines);
}
