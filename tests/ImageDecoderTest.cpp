#include "configurator/ImageDecoder.h"

#include "configurator/ImageBuilder.h"
#include "configurator/ParamFile.h"
#include "configurator/ProjectPaths.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The pargen.xml that Set Communication's OK writes for values.
std::string ParamFileBytes(const TParamValues& values) {
    pugi::xml_document doc;
    BuildParamTree(doc, values);
    return SerializeParamDocument(doc);
}

// The image the builder compiles from the file written for values.
std::vector<std::uint8_t> Compile(const TTempDir& dir, const TParamValues& values) {
    WriteFileBytes(dir / "pargen.xml", ParamFileBytes(values));
    ProjectDir = dir.Path();
    BuildImage();
    return std::vector<std::uint8_t>(ImageBuffer, ImageBuffer + ImageLength);
}

} // namespace

TEST(ImageDecoder, EveryFieldBothWaysForEveryBitRateAndFrameFormat) {
    TTempDir dir;
    for (int rate = 0; rate < static_cast<int>(CanBitRates.size()); ++rate) {
        for (int frame = 0; frame < 2; ++frame) {
            // The other fields vary with the case, so that each takes both of its values.
            const bool odd = (rate + frame) % 2 == 1;
            TParamValues v;
            v.CanBr = rate;
            v.CanType = frame;
            v.AddIp = {"10", std::to_string(rate), "2", std::to_string(200 + frame)};
            v.Subnet = {"255", "255", odd ? "0" : "255", "0"};
            v.Dest = {"172", "16", std::to_string(frame), "9"};
            v.Port = std::to_string(odd ? 65535 : 256 * rate + 1);
            v.Protocol = odd ? 1 : 0;
            v.Multi = !odd;
            v.TypeDev = odd ? 0 : 1;
            v.EnGate = odd;
            v.Gateway = {"10", "0", "0", std::to_string(254 - rate)};
            v.UdpBroad = odd;
            const std::string name =
                CanBitRates[static_cast<std::size_t>(rate)] + std::string(frame ? " 2.0B" : " 2.0A");

            const std::vector<std::uint8_t> image = Compile(dir, v);
            ASSERT_EQ(image.size(), 29u) << name;
            EXPECT_EQ(image[4], rate + 1) << name;
            EXPECT_EQ(image[5], frame) << name;
            const TImageDecoding d = DecodeImage(image.data(), image.size());
            ASSERT_TRUE(d.Decoded) << name << ": " << d.Why;
            // Decoded, written as the window writes and compiled again: the same file, the same bytes.
            EXPECT_EQ(ParamFileBytes(d.Values), ParamFileBytes(v)) << name;
            EXPECT_EQ(Compile(dir, d.Values), image) << name;
        }
    }
}

TEST(ImageDecoder, BytesThatHoldNoImage) {
    const std::vector<std::uint8_t> good = {0x04, 0x00, 0x00, 0x00, 0x05, 0x00, 0xC0, 0xA8, 0x00, 0x0A,
                                            0xFF, 0xFF, 0xFF, 0x00, 0xC0, 0xA8, 0x00, 0x14, 0x11, 0x27,
                                            0x00, 0x00, 0x00, 0x00, 0xC0, 0xA8, 0x00, 0x01, 0x00};
    const auto with = [&good](std::size_t at, std::uint8_t value) {
        std::vector<std::uint8_t> b = good;
        b[at] = value;
        return b;
    };
    std::vector<std::uint8_t> headerAlone(128, 0);
    headerAlone[0] = 4;
    const struct {
        const char* Name;
        std::vector<std::uint8_t> Bytes;
        const char* Why;
    } cases[] = {
        {"erased", std::vector<std::uint8_t>(128, 0xFF), "is erased (all FF): no image was written there"},
        {"short", std::vector<std::uint8_t>(good.begin(), good.begin() + 28),
         "holds 28 bytes, an image has 29"},
        {"other header", with(0, 0x05),
         "does not start with the image header 04 00 00 00 but with 05 00 00 00"},
        {"header alone", headerAlone,
         "holds the image header alone (04 00 00 00), from a project without parameters"},
        {"code 0", with(4, 0), "holds the bit-rate code 0, outside 1 to 9"},
        {"code 10", with(4, 10), "holds the bit-rate code 10, outside 1 to 9"},
        {"frame format 2", with(5, 2), "holds 2 as its frame format (byte 5), not 0 or 1"},
        {"transport FF", with(20, 0xFF), "holds 255 as its transport (byte 20), not 0 or 1"},
        {"broadcast 2", with(28, 2), "holds 2 as its broadcast (byte 28), not 0 or 1"},
    };
    for (const auto& c : cases) {
        const TImageDecoding d = DecodeImage(c.Bytes.data(), c.Bytes.size());
        EXPECT_FALSE(d.Decoded) << c.Name;
        EXPECT_EQ(d.Why, c.Why) << c.Name;
    }
    // The defaults, followed by the zeros of the rest of the block, decode as the window's defaults.
    std::vector<std::uint8_t> block = good;
    block.resize(128, 0);
    const TImageDecoding d = DecodeImage(block.data(), block.size());
    ASSERT_TRUE(d.Decoded) << d.Why;
    EXPECT_EQ(ParamFileBytes(d.Values), ParamFileBytes(TParamValues{}));
}
