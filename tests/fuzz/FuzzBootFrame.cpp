// The simulator's frame parser on any line: a recognised frame is the line's last frame-length
// characters, addressed inside the memory on a block boundary, and encodes back to exactly those
// characters; a write frame's checksum matches its data.
#include "tests/fuzz/FuzzSupport.h"
#include "tools/simulator/BootFrame.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string line(reinterpret_cast<const char*>(data), size);
    const TBootFrame frame = ParseBootLine(line);
    if (frame.Kind == TFrameKind::Malformed) {
        FUZZ_ASSERT(!frame.Reason.empty());
        return 0;
    }
    FUZZ_ASSERT(frame.Address >= MemoryFirstAddress && frame.Address + BlockSize <= MemoryEndAddress);
    FUZZ_ASSERT(frame.Address % BlockSize == 0);
    const bool write = frame.Kind == TFrameKind::Write;
    char header[ReadCommandTextLength + 1];
    std::snprintf(header, sizeof header, "00%06X%s0080", static_cast<unsigned>(frame.Address),
                  write ? "02" : "03");
    std::string expected = header;
    if (write)
        expected += EncodeDataReply(frame.Data.data(), false, false);
    FUZZ_ASSERT(frame.StaleBytes + expected.size() == line.size());
    FUZZ_ASSERT(line.compare(frame.StaleBytes, std::string::npos, expected) == 0);
    return 0;
}
