#pragma once

#include "configurator/ParamFile.h"

#include <optional>
#include <string>

// A Set Communication check that failed.
struct TParamCheckFailure {
    int Number;          // 1 to 17, in the order the checks run
    std::string Field;   // the edit it reads: "E_ETH_IP1" .. "E_ETH_DEST4", "E_ETH_Port"
    std::string Message; // the text the window shows
};

// The Set Communication checks, in their order: the four octets of the converter's address, of the
// mask, of the gateway and of the destination (each 0 to 255), then the port (0 to 65535). The texts
// are read as the window holds them (leading blanks and a sign allowed). Nothing when all pass.
std::optional<TParamCheckFailure> CheckParamValues(const TParamValues& values);
