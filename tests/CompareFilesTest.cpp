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
        std::uint64_t Offset; // of the first difference
    } cases[] = {
        {"300 bytes in a 384-byte read-back", written300, written300 + std::string(84, '\0'), true, 0},
        {"exact length", written300, written300, true, 0},
        {"tail beyond the written length differs", written300, written300 + "garbage", true, 0},
        {"last byte differs", written300, written300.substr(0, 299) + "\x01" + std::string(84, '\0'), false,
         299},
        {"first byte differs", written300, "\x55" + written300.substr(1), false, 0},
        {"differs in the second block", written300, written300.substr(0, 250) + "X" + written300.substr(251),
         false, 250},
        {"exactly 200 bytes", Pattern(200), Pattern(200), true, 0},
        {"401 bytes, last differs", Pattern(401), Pattern(400) + "\x7f", false, 400},
        {"a large image", Pattern(131072, 3), Pattern(131072, 3), true, 0},
        {"read-back shorter than written", written300, written300.substr(0, 299), false, 299},
        {"read-back one block short", Pattern(400), Pattern(200), false, 200},
        {"read-back empty", written300, "", false, 0},
        {"both empty", "", "", true, 0},
    };
    for (const auto& c : cases) {
        TTempDir dir;
        const std::string written = dir / "vod50321.sim";
        const std::string readBack = dir / "USB20243597345.b79";
        WriteFileBytes(written, c.Written);
        WriteFileBytes(readBack, c.ReadBack);
        const TFileComparison found = CompareFileBytes(written, readBack);
        EXPECT_TRUE(found.Opened) << c.Name;
        EXPECT_EQ(found.Same, c.Same) << c.Name;
        if (!c.Same) {
            EXPECT_EQ(found.Offset, c.Offset) << c.Name;
        }
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
