#include "tests/support/FileSizeLimit.h"

// Windows has no limit on the size of a process's files: the tests that stand a full disk in by
// one skip there.
TFileSizeLimit::TFileSizeLimit(std::uint64_t) {}

TFileSizeLimit::~TFileSizeLimit() = default;

std::string TFileSizeLimit::Unavailable() {
    return "Windows cannot limit the size of a process's files, which stands in for a full disk here";
}
