#pragma once

#include "common/JsonWriter.h"
#include "updater/UpdateSequence.h"

#include <vector>

// The members a JSON document of an update or a read gives its sequence: "lines", the three lines'
// texts as last shown, and "transfers", each transfer the worker carried out.
void WriteLineTexts(TJsonWriter& json, int init, int firmware, int project);
// withReason: each transfer also names the device and the system's reason for a port error.
void WriteTransfers(TJsonWriter& json, const std::vector<TTransferRecord>& transfers, bool withReason);
