#pragma once

#include "configurator/ParamFile.h"
#include "configurator/ShownParameters.h"

#include <string>
#include <utility>
#include <vector>

// Applies one NAME=VALUE of `params --set`; false with the reason in why when the setting is
// unusable (not NAME=VALUE, an unknown name, a value the name does not take).
bool ApplySetting(const std::string& setting, TParamValues& values, std::string& why);
