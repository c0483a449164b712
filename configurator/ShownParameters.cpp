#include "configurator/ShownParameters.h"

#include <cstddef>

namespace {

std::string Address(const TAddressTexts& a) {
    return a[0] + "." + a[1] + "." + a[2] + "." + a[3];
}

} // namespace

std::vector<std::pair<std::string, std::string>> ShownParameters(const TParamValues& v) {
    return {{"can-bitrate", CanBitRates[static_cast<std::size_t>(ShownCanBr(v.CanBr))]},
            {"can-frame", v.CanType == 0 ? "2.0A" : "2.0B"},
            {"ip", Address(v.AddIp)},
            {"mask", Address(v.Subnet)},
            {"gateway", v.EnGate ? "on" : "off"},
            {"gateway-address", Address(v.Gateway)},
            {"dest", Address(v.Dest)},
            {"port", v.Port},
            {"transport", v.Protocol == 0 ? "tcp" : "udp"},
            {"multiframe", v.Multi ? "on" : "off"},
            {"role", v.TypeDev == 0 ? "client-server" : "server"},
            {"udp-broadcast", v.UdpBroad ? "on" : "off"}};
}
