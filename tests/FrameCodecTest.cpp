#include "updater/FrameCodec.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace {

using TBlock = std::array<std::uint8_t, FrameDataBytes>;

std::string CommandFrame(std::int32_t space, std::uint32_t address, int command, int length) {
    std::uint8_t frame[FrameCapacity] = {};
    const int n = BuildCommandFrame(frame, space, address, command, length);
    return std::string(reinterpret_cast<const char*>(frame), static_cast<size_t>(n));
}

std::string WriteFrame(std::uint32_t address, const TBlock& block) {
    std::uint8_t frame[FrameCapacity] = {};
    const int n = BuildWriteFrame(frame, 0, address, CommandWrite, block.data());
    return std::string(reinterpret_cast<const char*>(frame), static_cast<size_t>(n));
}

bool Ack(const std::string& reply) {
    return IsAcknowledge(reinterpret_cast<const std::uint8_t*>(reply.data()), static_cast<int>(reply.size()));
}

struct TDecoded {
    TDataReply Reply;
    TBlock Block{};
};

TDecoded Decode(const std::string& reply) {
    TDecoded d;
    d.Reply = DecodeDataReply(reinterpret_cast<const std::uint8_t*>(reply.data()),
                              static_cast<int>(reply.size()), d.Block.data());
    return d;
}

// 256 upper-case digits of the bytes 0, 1, 2, ... 127 and their checksum (the xor of 0..127 is 0).
std::string CountingDigits() {
    std::string s;
    const char* hex = "0123456789ABCDEF";
    for (int i = 0; i < FrameDataBytes; ++i) {
        s += hex[i >> 4];
        s += hex[i & 15];
    }
    return s;
}

TBlock CountingBlock() {
    TBlock b{};
    for (int i = 0; i < FrameDataBytes; ++i)
        b[static_cast<size_t>(i)] = static_cast<std::uint8_t>(i);
    return b;
}

} // namespace

TEST(FrameCodec, CommandFrames) {
    struct {
        std::int32_t Space;
        std::uint32_t Address;
        int Command;
        int Length;
        const char* Expected;
    } cases[] = {
        {0, 0x4000, CommandRead, 0x80, "00004000030080\r"},
        {0, 0x27F80, CommandRead, 0x80, "00027F80030080\r"},
        {0, 0x24000, CommandWrite, 128, "00024000020080\r"},
        // Only the low byte of the space and the low 24 bits of the address fit their fields.
        {0x1AB, 0x12ABCDEF, 0x3F, 0xFFFF, "ABABCDEF3FFFFF\r"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CommandFrame(c.Space, c.Address, c.Command, c.Length), c.Expected) << c.Expected;
}

TEST(FrameCodec, WriteFrameOfZeroBlocks) {
    const TBlock zeros{};
    EXPECT_EQ(WriteFrame(0x24000, zeros), "00024000020080" + std::string(256, '0') + "00\r");
    const std::string atFirmware = WriteFrame(0x4000, zeros);
    EXPECT_EQ(atFirmware.size(), 273u);
    EXPECT_EQ(atFirmware, "00004000020080" + std::string(256, '0') + "00\r");
}

TEST(FrameCodec, WriteFrameDigitsAndChecksum) {
    TBlock block{};
    block[0] = 0x01;
    block[1] = 0x02;
    block[2] = 0x04;
    EXPECT_EQ(WriteFrame(0x4080, block), "00004080020080"
                                         "010204" +
                                             std::string(250, '0') + "07\r");

    TBlock high{};
    high[0] = 0xAB;
    high[127] = 0xF0;
    EXPECT_EQ(WriteFrame(0x23F80, high), "00023F80020080"
                                         "AB" +
                                             std::string(252, '0') +
                                             "F0"
                                             "5B\r");

    EXPECT_EQ(WriteFrame(0x4000, CountingBlock()), "00004000020080" + CountingDigits() + "00\r");
}

TEST(FrameCodec, AcknowledgeAcceptance) {
    struct {
        std::string Reply;
        bool Accepted;
    } cases[] = {
        {"\r\n>O.K.", true},
        {"xyzO.K.", true},
        {std::string("\0\0\0O.K.", 7), true},
        {"   O.K.\r\n", true},
        {"   O.K.garbage after the seventh byte", true},
        {"O.K.", false},
        {"  O.K.", false},
        {"   O.K", false},
        {"   o.k.", false},
        {"   ERR.", false},
        {"O.K.   ", false},
        {"", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Ack(c.Reply), c.Accepted) << '"' << c.Reply << '"';
}

TEST(FrameCodec, DecodesPlainReply) {
    const TDecoded d = Decode(CountingDigits() + "00");
    EXPECT_TRUE(d.Reply.Good);
    EXPECT_EQ(d.Reply.Length, 128);
    EXPECT_EQ(d.Block, CountingBlock());
}

TEST(FrameCodec, SkipsBytesThatAreNotUpperCaseDigits) {
    const std::string digits = CountingDigits();
    std::string spaced;
    for (size_t i = 0; i < digits.size(); ++i) {
        spaced += digits[i];
        if (i % 32 == 31)
            spaced += "\r\n";
        else if (i % 2 == 1)
            spaced += ' ';
    }
    // Lower-case letters are not data digits: they vanish like the blanks.
    const std::string withLower = "ab" + digits.substr(0, 100) + "xyzf" + digits.substr(100) + "e";
    const std::string cases[] = {spaced + "00", withLower + "00", "\r\n" + digits + "\r\n00"};
    for (const auto& reply : cases) {
        const TDecoded d = Decode(reply);
        EXPECT_TRUE(d.Reply.Good) << reply;
        EXPECT_EQ(d.Reply.Length, 128) << reply;
        EXPECT_EQ(d.Block, CountingBlock()) << reply;
    }
}

TEST(FrameCodec, ChecksumDigitsInEitherCase) {
    std::string digits(256, '0');
    digits.replace(0, 2, "5A");
    digits.replace(254, 2, "F1");
    // 0x5A xor 0xF1 = 0xAB
    for (const char* checksum : {"AB", "ab", "aB", "Ab"}) {
        const TDecoded d = Decode(digits + checksum);
        EXPECT_TRUE(d.Reply.Good) << checksum;
        EXPECT_EQ(d.Block[0], 0x5A);
        EXPECT_EQ(d.Block[127], 0xF1);
    }
}

TEST(FrameCodec, RefusesBadChecksums) {
    std::string digits(256, '0');
    digits.replace(0, 2, "07");
    struct {
        std::string Checksum;
        const char* Why;
    } cases[] = {
        {"06", "value differs"},
        {"70", "digits swapped"},
        {"0G", "low digit not hexadecimal"},
        {" 7", "high digit a blank"},
        {"7\r", "carriage return as low digit"},
        {"\r\n", "line end in place of the checksum"},
    };
    for (const auto& c : cases) {
        const TDecoded d = Decode(digits + c.Checksum);
        EXPECT_FALSE(d.Reply.Good) << c.Why;
        EXPECT_EQ(d.Reply.Length, 128) << c.Why;
    }
    EXPECT_TRUE(Decode(digits + "07").Reply.Good);
}

TEST(FrameCodec, TooManyDataDigitsMakeTheBlockNotGood) {
    const std::string digits = CountingDigits();
    // The two extra digits "00" keep the checksum right: only their number is wrong.
    const TDecoded twoMore = Decode(digits + "00" + "00");
    EXPECT_FALSE(twoMore.Reply.Good);
    EXPECT_EQ(twoMore.Reply.Length, 128);
    EXPECT_EQ(twoMore.Block, CountingBlock());
    EXPECT_FALSE(Decode(digits + "0" + "00").Reply.Good);
    // The whole receive buffer of digits: the block ends at its 128th byte.
    const TDecoded full = Decode(std::string(DataReplyBufferSize - 2, 'F') + "00");
    EXPECT_FALSE(full.Reply.Good);
    EXPECT_EQ(full.Reply.Length, 128);
}

TEST(FrameCodec, ShortRepliesDecodeWhatTheyCarry) {
    const TDecoded none = Decode("00");
    EXPECT_TRUE(none.Reply.Good);
    EXPECT_EQ(none.Reply.Length, 0);
    const TDecoded three = Decode("0102047"
                                  "07");
    EXPECT_TRUE(three.Reply.Good); // the dangling digit "7" is no byte
    EXPECT_EQ(three.Reply.Length, 3);
    EXPECT_EQ(three.Block[2], 0x04);
    EXPECT_EQ(three.Block[3], 0x00);
    EXPECT_FALSE(Decode("0").Reply.Good);
    EXPECT_FALSE(Decode("").Reply.Good);
}
