#include "station/StationJson.h"

#include "common/JsonWriter.h"
#include "updater/SequenceJson.h"
#include "updater/StatusTable.h"

namespace {

const char* const EventNames[] = {"taken", "line", "progress", "retry", "finished"};

void PortMembers(TJsonWriter& json, const TPortRow& r) {
    json.Member("port", r.Port).Member("name", r.Name).Key("adapter");
    if (r.Adapter.empty())
        json.Null();
    else
        json.String(r.Adapter);
}

void OutcomeMembers(TJsonWriter& json, const TPortRow& r) {
    json.Member("result", r.Result).Key("reason");
    if (r.Reason.empty())
        json.Null();
    else
        json.String(r.Reason);
    json.Member("exit_code", r.ExitCode);
}

void ResultMembers(TJsonWriter& json, const TPortResult& result) {
    WriteLineTexts(json, result.Init, result.Firmware, result.Project);
    WriteTransfers(json, result.Transfers, false);
    json.Member("line_bytes", result.LineBytes);
}

} // namespace

TStationJson::TStationJson(std::FILE* out) : Out(out) {}

std::string TStationJson::DocumentOf(const TStationEvent& event) {
    const TPortRow& r = event.Row;
    if (event.Kind == TStationEventKind::Progress) {
        int& shown = Tenths[r.Port];
        if (r.Percent / 10 <= shown)
            return std::string();
        shown = r.Percent / 10;
    } else {
        Tenths[r.Port] = 0;
    }
    TJsonWriter json;
    json.BeginObject().Member("event", EventNames[static_cast<int>(event.Kind)]);
    PortMembers(json, r);
    switch (event.Kind) {
    case TStationEventKind::Taken:
        break;
    case TStationEventKind::Line:
        json.Member("line", r.Line).Member("state", r.State);
        break;
    case TStationEventKind::Progress:
        json.Member("line", r.Line).Member("percent", r.Percent).Member("bytes_per_second", r.BytesPerSecond);
        break;
    case TStationEventKind::Retry:
        json.Member("line", r.Line)
            .Member("direction", event.Read ? "read" : "write")
            .Member("address", event.Address)
            .Member("retries", event.Retries);
        break;
    case TStationEventKind::Finished:
        OutcomeMembers(json, r);
        json.Member("bytes_per_second", r.BytesPerSecond);
        if (event.Result)
            ResultMembers(json, *event.Result);
        break;
    }
    json.Member("elapsed", r.Elapsed).EndObject();
    return json.Text();
}

void TStationJson::Event(const TStationEvent& event) {
    const std::string doc = DocumentOf(event);
    if (doc.empty())
        return;
    std::fputs(doc.c_str(), Out);
    std::fflush(Out);
}

std::string StationSummaryJson(const std::vector<TPortRow>& finished, const std::string& text, int exitCode) {
    int ok = 0;
    TJsonWriter json;
    json.BeginObject().Member("summary", text).Key("ports").BeginArray();
    for (const TPortRow& r : finished) {
        ok += r.Result == ResultOk;
        json.BeginObject();
        PortMembers(json, r);
        OutcomeMembers(json, r);
        json.Member("elapsed", r.Elapsed).EndObject();
    }
    json.EndArray()
        .Member("ok", ok)
        .Member("errors", static_cast<int>(finished.size()) - ok)
        .Member("exit_code", exitCode)
        .EndObject();
    return json.Text();
}

void TStationJson::Summary(const std::vector<TPortRow>& finished, const std::string& text, int exitCode) {
    std::fputs(StationSummaryJson(finished, text, exitCode).c_str(), Out);
    std::fflush(Out);
}
