#pragma once

#include "configurator/ParamFile.h"

#include <string>
#include <utility>
#include <vector>

// The parameters as `params PROJECT_FOLDER` shows them, NAME and VALUE in its order.
std::vector<std::pair<std::string, std::string>> ShownParameters(const TParamValues& values);

// Applies one NAME=VALUE of `params --set`; false with the reason in why when the setting is
// unusable (not NAME=VALUE, an unknown name, a value the name does not take).
bool ApplySetting(const std::string& setting, TParamValues& values, std::string& why);
