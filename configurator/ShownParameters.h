#pragma once

#include "configurator/ParamFile.h"

#include <string>
#include <utility>
#include <vector>

// The parameters as `params PROJECT_FOLDER` shows them, NAME and VALUE in its order; the record
// keeps a written image's parameters under the same names.
std::vector<std::pair<std::string, std::string>> ShownParameters(const TParamValues& values);
