#include "tools/ParamSettings.h"

#include <algorithm>
#include <cstddef>

namespace {

bool SplitAddress(const std::string& text, TAddressTexts& out) {
    TAddressTexts parts;
    std::size_t from = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        const std::size_t dot = i < 3 ? text.find('.', from) : text.size();
        if (dot == std::string::npos)
            return false;
        parts[i] = text.substr(from, dot - from);
        from = dot + 1;
    }
    if (parts[3].find('.') != std::string::npos)
        return false;
    out = parts;
    return true;
}

bool Switch(const std::string& text, bool& out) {
    if (text != "on" && text != "off")
        return false;
    out = text == "on";
    return true;
}

bool Choice(const std::string& text, const char* zero, const char* one, int& out) {
    if (text != zero && text != one)
        return false;
    out = text == one ? 1 : 0;
    return true;
}

} // namespace

// Applies one NAME=VALUE; false with the reason in why when the setting is unusable.
bool ApplySetting(const std::string& setting, TParamValues& v, std::string& why) {
    const auto eq = setting.find('=');
    if (eq == std::string::npos) {
        why = "'" + setting + "' is not NAME=VALUE";
        return false;
    }
    const std::string name = setting.substr(0, eq), value = setting.substr(eq + 1);
    bool ok = true;
    if (name == "can-bitrate") {
        const auto it = std::find_if(CanBitRates.begin(), CanBitRates.end(),
                                     [&](const char* rate) { return value == rate; });
        ok = it != CanBitRates.end();
        if (ok)
            v.CanBr = static_cast<int>(it - CanBitRates.begin());
    } else if (name == "can-frame") {
        ok = Choice(value, "2.0A", "2.0B", v.CanType);
    } else if (name == "ip") {
        ok = SplitAddress(value, v.AddIp);
    } else if (name == "mask") {
        ok = SplitAddress(value, v.Subnet);
    } else if (name == "dest") {
        ok = SplitAddress(value, v.Dest);
    } else if (name == "gateway-address") {
        ok = SplitAddress(value, v.Gateway);
    } else if (name == "gateway") {
        ok = Switch(value, v.EnGate);
        if (!ok && SplitAddress(value, v.Gateway)) {
            v.EnGate = true;
            ok = true;
        }
    } else if (name == "port") {
        v.Port = value;
    } else if (name == "transport") {
        ok = Choice(value, "tcp", "udp", v.Protocol);
    } else if (name == "multiframe") {
        ok = Switch(value, v.Multi);
    } else if (name == "role") {
        ok = Choice(value, "client-server", "server", v.TypeDev);
    } else if (name == "udp-broadcast") {
        ok = Switch(value, v.UdpBroad);
    } else {
        why = "unknown parameter '" + name + "'";
        return false;
    }
    if (!ok)
        why = "'" + value + "' is not a value of " + name;
    return ok;
}
