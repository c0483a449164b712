#pragma once

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include <unistd.h>

// A property that does not hold is a finding: say which one and stop, so that libFuzzer keeps the input.
#define FUZZ_ASSERT(condition)                                                                               \
    do {                                                                                                     \
        if (!(condition)) {                                                                                  \
            std::fprintf(stderr, "property failed at %s:%d: %s\n", __FILE__, __LINE__, #condition);          \
            std::abort();                                                                                    \
        }                                                                                                    \
    } while (false)

// One folder per fuzzing process, below TMPDIR; its files are rewritten by every input.
inline const std::string& FuzzFolder() {
    static const std::string folder = [] {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/ze50321-fuzz-XXXXXX";
        if (!::mkdtemp(pattern.data())) {
            std::perror("mkdtemp");
            std::abort();
        }
        return pattern;
    }();
    return folder;
}

inline void WriteWhole(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    FUZZ_ASSERT(out.good());
}

inline std::string ReadWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
