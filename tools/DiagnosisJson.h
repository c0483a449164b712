#pragma once

#include "serial/PortDiagnosis.h"
#include "tools/json/JsonWriter.h"

// The port doctor's findings as one JSON object (ports --check --json, update --json).
void WriteDiagnosisJson(TJsonWriter& json, const TPortDiagnosis& d);
