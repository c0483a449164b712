// The worker's reply checks: the acknowledge is "O.K." at offsets 3 to 6 of seven bytes at least;
// a decoded block is good only when the checksum digits match its data, never holds more than a
// block, and a reply the device would send decodes to its block.
#include "tests/fuzz/FuzzSupport.h"
#include "updater/FrameCodec.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

int HexValue(std::uint8_t c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const int count = static_cast<int>(std::min<std::size_t>(size, DataReplyBufferSize));
    // Exactly the input's bytes, so that the sanitizer sees any read beyond them.
    const std::vector<std::uint8_t> reply(data, data + count);

    FUZZ_ASSERT(IsAcknowledge(reply.data(), count) ==
                (count >= 7 && std::memcmp(reply.data() + 3, "O.K.", 4) == 0));

    std::vector<std::uint8_t> guarded(FrameDataBytes + 16, 0xA5);
    std::memset(guarded.data(), 0, FrameDataBytes);
    const TDataReply decoded = DecodeDataReply(reply.data(), count, guarded.data());
    FUZZ_ASSERT(decoded.Length >= 0 && decoded.Length <= FrameDataBytes);
    for (std::size_t i = FrameDataBytes; i < guarded.size(); ++i)
        FUZZ_ASSERT(guarded[i] == 0xA5);
    if (decoded.Good) {
        std::uint8_t sum = 0;
        for (int i = 0; i < decoded.Length; ++i)
            sum ^= guarded[i];
        const int high = HexValue(reply[count - 2]), low = HexValue(reply[count - 1]);
        FUZZ_ASSERT(high >= 0 && low >= 0 && high * 16 + low == sum);
    }

    // The input's first bytes as a block, sent as the device sends it: decodes whole and good.
    std::uint8_t block[FrameDataBytes] = {};
    std::memcpy(block, data, std::min<std::size_t>(size, FrameDataBytes));
    std::uint8_t frame[FrameCapacity];
    const int length = BuildWriteFrame(frame, 0, 0x4000, CommandWrite, block);
    FUZZ_ASSERT(length == WriteFrameSize);
    std::uint8_t back[FrameDataBytes] = {};
    // The write frame carries the same digits and checksum as a data reply, behind its header.
    const TDataReply same = DecodeDataReply(frame + CommandFrameSize - 1, length - CommandFrameSize, back);
    FUZZ_ASSERT(same.Good && same.Length == FrameDataBytes);
    FUZZ_ASSERT(std::memcmp(back, block, FrameDataBytes) == 0);
    return 0;
}
