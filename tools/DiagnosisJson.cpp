#include "tools/DiagnosisJson.h"

#include <cstdio>

namespace {

const char* VerdictName(TPortVerdict v) {
    switch (v) {
    case TPortVerdict::Opens:
        return "opens";
    case TPortVerdict::Missing:
        return "missing";
    case TPortVerdict::NotTerminal:
        return "not-terminal";
    case TPortVerdict::NoPermission:
        return "no-permission";
    case TPortVerdict::Held:
        return "held";
    case TPortVerdict::NoHardware:
        return "no-hardware";
    case TPortVerdict::OtherError:
        break;
    }
    return "error";
}

} // namespace

void WriteDiagnosisJson(TJsonWriter& json, const TPortDiagnosis& d) {
    json.BeginObject()
        .Member("path", d.Path)
        .Member("target", d.Target)
        .Member("verdict", VerdictName(d.Verdict))
        .Member("reason", PortReason(d))
        .Member("exists", d.Exists)
        .Member("kind", d.Kind)
        .Member("terminal", d.Terminal)
        .Member("opens", d.Verdict == TPortVerdict::Opens)
        .Member("error", d.OpenError)
        .Member("pseudo_terminal", d.PseudoTerminal)
        .Member("adapter", AdapterText(d))
        .Member("driver", d.Driver)
        .Member("usb", d.Usb)
        .Member("usb_product", d.UsbProduct)
        .Member("usb_manufacturer", d.UsbMaker);
    if (d.Verdict == TPortVerdict::NoPermission) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", d.Mode);
        json.Key("permission")
            .BeginObject()
            .Member("owner", d.Owner)
            .Member("group", d.Group)
            .Member("mode", mode)
            .Member("user", d.UserName)
            .Member("in_group", d.InGroup)
            .Member("group_joined_since_login", d.GroupListed && !d.InGroup)
            .EndObject();
    }
    for (const auto& [key, list] : {std::pair{"holders", &d.Holders}, std::pair{"lockers", &d.Lockers}}) {
        json.Key(key).BeginArray();
        for (const auto& p : *list)
            json.BeginObject().Member("pid", p.Pid).Member("name", p.Name).EndObject();
        json.EndArray();
    }
    json.Key("modem_manager_pid");
    if (d.ModemManager.Pid > 0)
        json.Integer(d.ModemManager.Pid);
    else
        json.Null();
    json.Member("text", FormatPortDiagnosis(d)).EndObject();
}
