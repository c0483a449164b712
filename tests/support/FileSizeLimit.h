#pragma once

#include <csignal>

#include <sys/resource.h>

// Limits the size of the files this process writes, for as long as it lives: a write beyond the
// limit fails with EFBIG, which stands in for a full disk (and works with any privileges).
class TFileSizeLimit {
public:
    explicit TFileSizeLimit(rlim_t bytes) {
        std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &Saved);
        rlimit limit = Saved;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~TFileSizeLimit() { ::setrlimit(RLIMIT_FSIZE, &Saved); }
    TFileSizeLimit(const TFileSizeLimit&) = delete;
    TFileSizeLimit& operator=(const TFileSizeLimit&) = delete;

private:
    rlimit Saved{};
};
