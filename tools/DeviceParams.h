#pragma once

#include "tools/DeviceRead.h"

#include "configurator/ParamFile.h"

#include <string>
#include <utility>
#include <vector>

// What a converter's configuration region holds, as parameters.
struct TDeviceParams {
    int Exit = 0;         // 0 decoded; 1 device not found, a read that failed or was given up, or no
                          // image; 128 plus a close signal's number
    bool Decoded = false; // Values hold the image's parameters
    TParamValues Values;
    std::string ImageHex; // the first 29 bytes read, in hexadecimal; empty when nothing was read
    std::string Error;    // why there are no values
};

// Reads the configuration region's first block through reader and decodes it; the PROJECT line
// ends "OK", or "Error After Read" when the block holds no image (said plainly on the text).
TDeviceParams ReadDeviceParams(TDeviceReader& reader);

// `params --device DEVICE`: the arguments after "params".
int RunParamsFromDevice(const std::vector<std::string>& args);
