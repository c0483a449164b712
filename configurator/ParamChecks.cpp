#include "configurator/ParamChecks.h"

#include <array>

namespace {

struct TCheck {
    const char* Field;
    int Maximum;
    const char* Message;
};

constexpr std::array<TCheck, 17> Checks{{
    {"E_ETH_IP1", 255, "Error!! IP1 must be between 0 and 255. "},
    {"E_ETH_IP2", 255, "Error!! IP2 must be between 0 and 255. "},
    {"E_ETH_IP3", 255, "Error!! IP3 must be between 0 and 255. "},
    {"E_ETH_IP4", 255, "Error!! IP4 must be between 0 and 255. "},
    {"E_ETH_SM1", 255, "Error!! SubNet Mask 1 must be between 0 and 255. "},
    {"E_ETH_SM2", 255, "Error!! SubNet Mask 2 must be between 0 and 255. "},
    {"E_ETH_SM3", 255, "Error!! SubNet Mask 3 must be between 0 and 255. "},
    {"E_ETH_SM4", 255, "Error!! SubNet Mask 4 must be between 0 and 255. "},
    {"E_ETH_GAT1", 255, "Error!! Gateway Address 1 must be between 0 and 255. "},
    {"E_ETH_GAT2", 255, "Error!! Gateway Address 2 must be between 0 and 255. "},
    {"E_ETH_GAT3", 255, "Error!! Gateway Address 3 must be between 0 and 255. "},
    {"E_ETH_GAT4", 255, "Error!! Gateway Address 4 must be between 0 and 255. "},
    {"E_ETH_DEST1", 255, "Error!! Destination IP Address 1 must be between 0 and 255. "},
    {"E_ETH_DEST2", 255, "Error!! Destination IP Address 2 must be between 0 and 255. "},
    {"E_ETH_DEST3", 255, "Error!! Destination IP Address 3 must be between 0 and 255. "},
    {"E_ETH_DEST4", 255, "Error!! Destination IP Address 4 must be between 0 and 255. "},
    {"E_ETH_Port", 65535, "Error!! Port must be between 0 and 655535. "},
}};

} // namespace

std::optional<TParamCheckFailure> CheckParamValues(const TParamValues& v) {
    const std::array<const std::string*, Checks.size()> texts{
        &v.AddIp[0],  &v.AddIp[1],  &v.AddIp[2],   &v.AddIp[3],   &v.Subnet[0],  &v.Subnet[1],
        &v.Subnet[2], &v.Subnet[3], &v.Gateway[0], &v.Gateway[1], &v.Gateway[2], &v.Gateway[3],
        &v.Dest[0],   &v.Dest[1],   &v.Dest[2],    &v.Dest[3],    &v.Port};
    for (std::size_t i = 0; i < Checks.size(); ++i) {
        const int value = ReadInteger(*texts[i]).value_or(-1);
        if (value < 0 || value > Checks[i].Maximum)
            return TParamCheckFailure{static_cast<int>(i) + 1, Checks[i].Field, Checks[i].Message};
    }
    return std::nullopt;
}
