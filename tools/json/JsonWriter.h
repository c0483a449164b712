#pragma once

// The JSON writer lives in common/, where the commissioning record uses it too.
#include "common/JsonWriter.h"
