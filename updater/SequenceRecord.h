#pragma once

#include "record/UpdateRecord.h"
#include "serial/PortAdapter.h"
#include "updater/UpdateSequence.h"

#include <chrono>
#include <string>

// What the record needs of an update beside what its finished sequence holds.
struct TRecordContext {
    std::string Program; // "ze50321 update", "ze50321 station", "Ser_50321_Update"
    std::string Label;   // a converter's serial number, typed or scanned; may be empty
    std::chrono::system_clock::time_point Start;
    std::chrono::system_clock::time_point End;
    int ExitCode = 0;
    TPortAdapter Adapter;
};

// The exit code `ze50321 update` gives a finished sequence, signals aside: 0 every requested line
// "OK", 1 device not found, 2 the firmware phase failed, 3 the project phase failed, 130 given up
// by the user (the window closed, Ctrl-C).
int SequenceExitCode(const TUpdateSequence& sequence);

// The record of a finished sequence: its arguments, the three lines' final texts and its
// transfers, with the context, this host and this user.
TUpdateRecord SequenceRecord(const TUpdateSequence& sequence, const TRecordContext& context);

// The record line of a finished sequence, appended to the record file chosen by $ZE50321_RECORDS
// or the default (the updater's window, which takes no options). False with why as below.
bool RecordSequence(const TUpdateSequence& sequence, const TRecordContext& context, std::string& why);

// Appends the record line of a finished sequence to file. False with why when it cannot be
// written: the caller says so as a warning, and the update's outcome stays what it was.
bool RecordSequence(const TUpdateSequence& sequence, const TRecordContext& context, const std::string& file,
                    std::string& why);
