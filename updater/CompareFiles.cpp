#include "updater/CompareFiles.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

namespace {

struct TFileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using TFile = std::unique_ptr<std::FILE, TFileCloser>;

bool SameBytes(const std::string& written, const std::string& readBack) {
    const TFile a(std::fopen(written.c_str(), "rb"));
    const TFile b(std::fopen(readBack.c_str(), "rb"));
    if (!a || !b)
        return false;
    if (std::fseek(a.get(), 0, SEEK_END) != 0)
        return false;
    long remaining = std::ftell(a.get());
    if (remaining < 0 || std::fseek(a.get(), 0, SEEK_SET) != 0)
        return false;
    char blockA[CompareBlockSize];
    char blockB[CompareBlockSize];
    do {
        const std::size_t gotA = std::fread(blockA, 1, sizeof blockA, a.get());
        const std::size_t gotB = std::fread(blockB, 1, sizeof blockB, b.get());
        // A read-back that ends before the written bytes cannot hold them.
        if (gotB < gotA)
            return false;
        if (std::memcmp(blockA, blockB, gotA) != 0)
            return false;
        remaining -= CompareBlockSize;
    } while (remaining > 0);
    return true;
}

} // namespace

bool CompareFiles(const std::string& written, const std::string& readBack) {
    const bool same = SameBytes(written, readBack);
    std::error_code ec;
    std::filesystem::remove(readBack, ec); // both files are closed by now
    return same;
}
