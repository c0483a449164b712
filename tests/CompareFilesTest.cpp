#include "updater/CompareFiles.h"

#include "tests/support/Bytes.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <string>

TEST(CompareFiles, VerdictAndReadBackRemoved) {
    const std::string written300 = Pattern(300);
    const struct {
        const char* Name;
        std::string Written;
        std::string ReadBack;
        bool Same;
    } cases[] = {
        {"300 bytes in a 384-byte read-back", written300, written300 + std::string(84, '\0'), true},
        {"exact length", written300, written300, true},
        {"tail beyond the written length differs", written300, written300 + "garbage", true},
        {"last byte differs", written300, written300.substr(0, 299) + "\x01" + std::string(84, '\0'), false},
        {"first byte differs", written300, "\x55" + written300.substr(1), false},
        {"differs in the second block", written300, written300.substr(0, 250) + "X" + written300.substr(251),
         false},
        {"exactly 200 bytes", Pattern(200), Pattern(200), true},
        {"401 bytes, last differs", Pattern(401), Pattern(400) + "\x7f", false},
        {"a large image", Pattern(131072, 3), Pattern(131072, 3), true},
        {"read-back shorter than written", written300, written300.substr(0, 299), false},
        {"read-back one block short", Pattern(400), Pattern(200), false},
        {"read-back empty", written300, "", false},
        {"both empty", "", "", true},
    };
    for (const auto& c : cases) {
        TTempDir dir;
        const std::string written = dir / "vod50321.sim";
        const std::string readBack = dir / "USB20243597345.b79";
        WriteFileBytes(written, c.Written);
        WriteFileBytes(readBack, c.ReadBack);
        EXPECT_EQ(CompareFiles(written, readBack), c.Same) << c.Name;
        EXPECT_FALSE(PathExists(readBack)) << c.Name;
        EXPECT_EQ(ReadFileBytes(written), c.Written) << c.Name;
    }
}

TEST(CompareFiles, UnopenableFileIsADifference) {
    TTempDir dir;
    const std::string written = dir / "bank.bin";
    const std::string readBack = dir / "ParGen_1.b79";
    WriteFileBytes(written, Pattern(29));

    // No read-back file.
    EXPECT_FALSE(CompareFiles(written, readBack));
    EXPECT_FALSE(PathExists(readBack));

    // No written file: the read-back is still removed.
    WriteFileBytes(readBack, Pattern(128));
    EXPECT_FALSE(CompareFiles(dir / "missing.bin", readBack));
    EXPECT_FALSE(PathExists(readBack));
}
