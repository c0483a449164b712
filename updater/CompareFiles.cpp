#include "updater/CompareFiles.h"

#include "common/Utf8Path.h"

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

} // namespace

TFileComparison CompareFileBytes(const std::string& written, const std::string& readBack) {
    TFileComparison result;
    const TFile a(OpenUtf8File(written, "rb"));
    const TFile b(OpenUtf8File(readBack, "rb"));
    if (!a || !b)
        return result;
    if (std::fseek(a.get(), 0, SEEK_END) != 0)
        return result;
    long remaining = std::ftell(a.get());
    if (remaining < 0 || std::fseek(a.get(), 0, SEEK_SET) != 0)
        return result;
    result.Opened = true;
    char blockA[CompareBlockSize];
    char blockB[CompareBlockSize];
    std::uint64_t offset = 0;
    do {
        const std::size_t gotA = std::fread(blockA, 1, sizeof blockA, a.get());
        const std::size_t gotB = std::fread(blockB, 1, sizeof blockB, b.get());
        const std::size_t common = gotB < gotA ? gotB : gotA;
        if (std::memcmp(blockA, blockB, common) != 0) {
            std::size_t i = 0;
            while (blockA[i] == blockB[i])
                ++i;
            result.Offset = offset + i;
            return result;
        }
        // A read-back that ends before the written bytes cannot hold them.
        if (gotB < gotA) {
            result.Offset = offset + gotB;
            return result;
        }
        offset += gotA;
        remaining -= CompareBlockSize;
    } while (remaining > 0);
    result.Same = true;
    return result;
}

bool CompareFiles(const std::string& written, const std::string& readBack) {
    const bool same = CompareFileBytes(written, readBack).Same;
    std::error_code ec;
    std::filesystem::remove(Utf8Path(readBack), ec); // both files are closed by now
    return same;
}
