#include "record/RecordPlace.h"

std::string ChosenRecordFile(const std::string& recordsOption) {
    if (!recordsOption.empty())
        return recordsOption;
    const std::string fromEnvironment = EnvironmentValue(RecordFileVariable);
    return fromEnvironment.empty() ? DefaultRecordFile() : fromEnvironment;
}
