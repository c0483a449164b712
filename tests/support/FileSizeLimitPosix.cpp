#include "tests/support/FileSizeLimit.h"

#include <csignal>

#include <sys/resource.h>

TFileSizeLimit::TFileSizeLimit(std::uint64_t bytes) {
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    SavedCurrent = limit.rlim_cur;
    SavedMaximum = limit.rlim_max;
    limit.rlim_cur = static_cast<rlim_t>(bytes);
    ::setrlimit(RLIMIT_FSIZE, &limit);
}

TFileSizeLimit::~TFileSizeLimit() {
    const rlimit saved{static_cast<rlim_t>(SavedCurrent), static_cast<rlim_t>(SavedMaximum)};
    ::setrlimit(RLIMIT_FSIZE, &saved);
}

std::string TFileSizeLimit::Unavailable() {
    return "";
}
