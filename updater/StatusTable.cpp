#include "updater/StatusTable.h"

#include <iterator>

namespace {

const TStatusEntry InitEntries[] = {
    {"Waiting...", Black},
    {"OK", Lime},
    {"Device Not Found", Red},
};

const TStatusEntry FirmwareEntries[] = {
    {"Not Used", Grey},
    {"Waiting...", Black},
    {"OK", Lime},
    {"Write in Progress...", Green},
    {"Read in Progress...", Blue},
    {"Error", Red},
    {"Error After Read", Red},
    {"File Firmware not found", Red},
};

const TStatusEntry ProjectEntries[] = {
    {"Not Used", Grey},
    {"Waiting...", Black},
    {"OK", Lime},
    {"Write in Progress...", Green},
    {"Read in Progress...", Blue},
    {"Error", Red},
    {"Error After Read", Red},
    {"File Project not found", Red},
};

template <std::size_t N> const TStatusEntry* Pick(const TStatusEntry (&entries)[N], int code) {
    return code >= 0 && static_cast<std::size_t>(code) < N ? &entries[code] : nullptr;
}

} // namespace

const TStatusEntry* StatusEntry(TStatusLine line, int code) {
    switch (line) {
    case TStatusLine::Init:
        return Pick(InitEntries, code);
    case TStatusLine::Firmware:
        return Pick(FirmwareEntries, code);
    case TStatusLine::Project:
        return Pick(ProjectEntries, code);
    }
    return nullptr;
}
