#include "tools/Arguments.h"
#include "tools/Commands.h"

#include "common/JsonReader.h"
#include "common/JsonWriter.h"
#include "record/RecordFile.h"
#include "record/RecordPlace.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int ExitShown = 0;
constexpr int ExitUnreadable = 1;

std::string Help() {
    return "Usage: ze50321 history [--since DATE] [--port P] [--label L] [--failed] [--json | --csv]\n"
           "                       [--records FILE]\n"
           "\n"
           "Shows the commissioning record, one update a row: when it started (UTC), the port, the\n"
           "label, the three lines' outcomes, the exit code and how long it took.\n"
           "\n"
           "  --since DATE    updates started at or after DATE (UTC): 2026-12-10 or 2026-12-10T14:30[:00]\n"
           "  --port P        updates of port P (its path, or its last part: ttyUSB0)\n"
           "  --label L       updates labelled L\n"
           "  --failed        updates that did not end with exit code 0\n"
           "  --json          one JSON document: the records as written, and the warnings\n"
           "  --csv           comma-separated values with a header row, for a spreadsheet\n"
           "  --records FILE  the record file (default: $ZE50321_RECORDS, else\n"
           "                  $XDG_DATA_HOME/ze50321/records.jsonl)\n"
           "  -h, --help      this text\n"
           "\n"
           "A line cut short (a power loss while it was written) is skipped with a warning.\n"
           "\n"
           "Exit codes: 0 shown (also when nothing matches); 1 the record cannot be read; 64 usage\n";
}

bool Digits(const std::string& text, std::size_t at, std::size_t count) {
    if (text.size() < at + count)
        return false;
    for (std::size_t i = at; i < at + count; ++i)
        if (text[i] < '0' || text[i] > '9')
            return false;
    return true;
}

// A date, or a date and time, in the record's own form, so that texts compare as moments do.
bool SinceUsable(const std::string& s) {
    const bool date =
        s.size() >= 10 && Digits(s, 0, 4) && s[4] == '-' && Digits(s, 5, 2) && s[7] == '-' && Digits(s, 8, 2);
    if (!date || s.size() == 10)
        return date;
    const bool minutes =
        s.size() >= 16 && s[10] == 'T' && Digits(s, 11, 2) && s[13] == ':' && Digits(s, 14, 2);
    return minutes && (s.size() == 16 || (s.size() == 19 && s[16] == ':' && Digits(s, 17, 2)));
}

std::string NumberText(double value) {
    TJsonWriter json;
    if (std::floor(value) == value && std::fabs(value) < 9e15)
        json.Integer(static_cast<long long>(value));
    else
        json.Number(value);
    std::string text = json.Text();
    while (!text.empty() && text.back() == '\n')
        text.pop_back();
    return text;
}

// A leaf as a cell: a string's text, a number as JSON writes it, true/false, empty for null.
std::string Cell(const TJsonValue& v) {
    switch (v.Kind) {
    case TJsonValue::TKind::String:
        return v.Text;
    case TJsonValue::TKind::Number:
        return NumberText(v.Number);
    case TJsonValue::TKind::Bool:
        return v.Bool ? "true" : "false";
    case TJsonValue::TKind::Array: {
        std::string joined;
        for (const auto& item : v.Items)
            joined += (joined.empty() ? "" : " ") + Cell(item);
        return joined;
    }
    default:
        return std::string();
    }
}

void WriteValue(TJsonWriter& json, const TJsonValue& v) {
    switch (v.Kind) {
    case TJsonValue::TKind::Null:
        json.Null();
        break;
    case TJsonValue::TKind::Bool:
        json.Bool(v.Bool);
        break;
    case TJsonValue::TKind::Number:
        if (std::floor(v.Number) == v.Number && std::fabs(v.Number) < 9e15)
            json.Integer(static_cast<long long>(v.Number));
        else
            json.Number(v.Number);
        break;
    case TJsonValue::TKind::String:
        json.String(v.Text);
        break;
    case TJsonValue::TKind::Array:
        json.BeginArray();
        for (const auto& item : v.Items)
            WriteValue(json, item);
        json.EndArray();
        break;
    case TJsonValue::TKind::Object:
        json.BeginObject();
        for (const auto& [name, member] : v.Members) {
            json.Key(name);
            WriteValue(json, member);
        }
        json.EndObject();
        break;
    }
}

struct TFilter {
    std::string Since, Port, Label;
    bool Failed = false;

    bool Takes(const TJsonValue& r) const {
        if (!Since.empty() && r["start"].String() < Since)
            return false;
        const std::string& port = r["port"].String();
        if (!Port.empty() && port != Port && port.substr(port.find_last_of("/\\") + 1) != Port)
            return false;
        if (!Label.empty() && r["label"].String() != Label)
            return false;
        return !Failed || !(r["exit_code"].Kind == TJsonValue::TKind::Number && r["exit_code"].Number == 0);
    }
};

// The CSV's columns: the header's name and the path of the record's leaf.
const std::pair<const char*, std::vector<const char*>> CsvColumns[] = {
    {"start", {"start"}},
    {"end", {"end"}},
    {"host", {"host"}},
    {"user", {"user"}},
    {"program", {"program"}},
    {"version", {"version"}},
    {"port", {"port"}},
    {"vendor_id", {"adapter", "vendor_id"}},
    {"product_id", {"adapter", "product_id"}},
    {"adapter_serial", {"adapter", "serial"}},
    {"adapter_product", {"adapter", "product"}},
    {"adapter_maker", {"adapter", "maker"}},
    {"firmware_name", {"firmware", "name"}},
    {"firmware_size", {"firmware", "size"}},
    {"firmware_sha256", {"firmware", "sha256"}},
    {"image_hex", {"image", "hex"}},
    {"options", {"options"}},
    {"init", {"lines", "init"}},
    {"firmware", {"lines", "firmware"}},
    {"project", {"lines", "project"}},
    {"blocks", {"blocks"}},
    {"retries", {"retries"}},
    {"duration", {"duration"}},
    {"exit_code", {"exit_code"}},
    {"label", {"label"}},
};

std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (const char c : text)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

void PrintCsv(const std::vector<TJsonValue>& records) {
    std::string out;
    for (const auto& [name, path] : CsvColumns)
        out += std::string(out.empty() ? "" : ",") + name;
    out += "\n";
    for (const auto& r : records) {
        std::string row;
        for (const auto& [name, path] : CsvColumns) {
            const TJsonValue* v = &r;
            for (const char* step : path)
                v = &(*v)[step];
            row += (&name == &CsvColumns[0].first ? "" : ",") + CsvField(Cell(*v));
        }
        out += row + "\n";
    }
    std::fputs(out.c_str(), stdout);
}

void PrintTable(const std::vector<TJsonValue>& records) {
    std::vector<std::vector<std::string>> rows = {
        {"START", "PORT", "LABEL", "INIT", "FIRMWARE", "PROJECT", "EXIT", "SECONDS"}};
    for (const auto& r : records) {
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%.1f", r["duration"].Number);
        rows.push_back({r["start"].String(), r["port"].String(), r["label"].String(),
                        r["lines"]["init"].String(), r["lines"]["firmware"].String(),
                        r["lines"]["project"].String(), Cell(r["exit_code"]), seconds});
    }
    std::vector<std::size_t> widths(rows[0].size(), 0);
    for (const auto& row : rows)
        for (std::size_t i = 0; i < row.size(); ++i)
            widths[i] = std::max(widths[i], row[i].size());
    for (const auto& row : rows) {
        std::string line;
        for (std::size_t i = 0; i < row.size(); ++i)
            line += i + 1 < row.size() ? row[i] + std::string(widths[i] - row[i].size() + 2, ' ') : row[i];
        std::fputs((line + "\n").c_str(), stdout);
    }
}

} // namespace

int RunHistory(const std::vector<std::string>& args) {
    TArguments parsed(args,
                      {{"--since", true},
                       {"--port", true},
                       {"--label", true},
                       {"--failed"},
                       {"--json"},
                       {"--csv"},
                       {"--records", true}},
                      0);
    if (parsed.Help) {
        std::fputs(Help().c_str(), stdout);
        return 0;
    }
    TFilter filter;
    filter.Since = parsed.Value("--since").value_or("");
    filter.Port = parsed.Value("--port").value_or("");
    filter.Label = parsed.Value("--label").value_or("");
    filter.Failed = parsed.Has("--failed");
    if (parsed.Has("--since") && !SinceUsable(filter.Since))
        parsed.Refuse("--since takes a date as 2026-12-10 or 2026-12-10T14:30, not \"" + filter.Since + "\"");
    if (parsed.Has("--json") && parsed.Has("--csv"))
        parsed.Refuse("--json and --csv exclude each other");
    if (!parsed.Error.empty())
        return UsageError("history", parsed.Error, Help());

    const std::string file = ChosenRecordFile(parsed.Value("--records").value_or(""));
    TRecordLines lines;
    std::string why = "no folder for it is known (set ZE50321_RECORDS or give --records FILE)";
    if (file.empty() || !ReadRecordLines(file, lines, why)) {
        std::fprintf(stderr, "ze50321 history: cannot read the record: %s\n", why.c_str());
        return ExitUnreadable;
    }
    std::vector<TJsonValue> records;
    for (const auto& line : lines.Lines) {
        TJsonValue record;
        if (ParseJson(line, record, why) && filter.Takes(record))
            records.push_back(std::move(record));
    }
    for (const auto& warning : lines.Warnings)
        std::fprintf(stderr, "ze50321 history: warning: %s\n", warning.c_str());
    if (parsed.Has("--csv")) {
        PrintCsv(records);
    } else if (parsed.Has("--json")) {
        TJsonWriter json;
        json.BeginObject().Member("file", file).Key("records").BeginArray();
        for (const auto& r : records)
            WriteValue(json, r);
        json.EndArray().Key("warnings").BeginArray();
        for (const auto& warning : lines.Warnings)
            json.String(warning);
        json.EndArray().EndObject();
        std::fputs(json.Text().c_str(), stdout);
    } else {
        PrintTable(records);
    }
    return ExitShown;
}
