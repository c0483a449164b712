#pragma once

#include <cstdint>
#include <string>

// Limits the size of the files this process writes, for as long as it lives: a write beyond the
// limit fails with EFBIG, which stands in for a full disk (and works with any privileges).
class TFileSizeLimit {
public:
    explicit TFileSizeLimit(std::uint64_t bytes);
    ~TFileSizeLimit();
    TFileSizeLimit(const TFileSizeLimit&) = delete;
    TFileSizeLimit& operator=(const TFileSizeLimit&) = delete;

    // Why this platform cannot limit file sizes; empty where it can.
    static std::string Unavailable();

private:
    std::uint64_t SavedCurrent = 0;
    std::uint64_t SavedMaximum = 0;
};
