#include "updater/FrameCodec.h"

namespace {

const char HexDigits[] = "0123456789ABCDEF";

// Writes value as width upper-case digits, most significant first; returns the position after them.
std::uint8_t* PutHex(std::uint8_t* out, std::uint32_t value, int width) {
    for (int i = width - 1; i >= 0; --i) {
        out[i] = static_cast<std::uint8_t>(HexDigits[value & 0xF]);
        value >>= 4;
    }
    return out + width;
}

// Value of a data digit: upper case only; -1 for every other byte.
int DataDigit(std::uint8_t c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Value of a checksum digit: either case; -1 for every other byte.
int ChecksumDigit(std::uint8_t c) {
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return DataDigit(c);
}

std::uint8_t* PutHeader(std::uint8_t* out, std::int32_t memorySpace, std::uint32_t address, int command,
                        int length) {
    out = PutHex(out, static_cast<std::uint32_t>(memorySpace) & 0xFF, 2);
    out = PutHex(out, address & 0xFFFFFF, 6);
    out = PutHex(out, static_cast<std::uint32_t>(command) & 0xFF, 2);
    return PutHex(out, static_cast<std::uint32_t>(length) & 0xFFFF, 4);
}

} // namespace

int BuildCommandFrame(std::uint8_t* frame, std::int32_t memorySpace, std::uint32_t address, int command,
                      int length) {
    std::uint8_t* out = PutHeader(frame, memorySpace, address, command, length);
    *out++ = '\r';
    return static_cast<int>(out - frame);
}

int BuildWriteFrame(std::uint8_t* frame, std::int32_t memorySpace, std::uint32_t address, int command,
                    const std::uint8_t* block) {
    std::uint8_t* out = PutHeader(frame, memorySpace, address, command, FrameDataBytes);
    std::uint8_t checksum = 0;
    for (int i = 0; i < FrameDataBytes; ++i) {
        out = PutHex(out, block[i], 2);
        checksum ^= block[i];
    }
    out = PutHex(out, checksum, 2);
    *out++ = '\r';
    return static_cast<int>(out - frame);
}

bool IsAcknowledge(const std::uint8_t* reply, int count) {
    return count >= AckMinSize && reply[3] == 'O' && reply[4] == '.' && reply[5] == 'K' && reply[6] == '.';
}

TDataReply DecodeDataReply(const std::uint8_t* reply, int count, std::uint8_t* block) {
    TDataReply result;
    if (count < 2)
        return result;
    std::uint8_t sum = 0;
    int high = -1; // first digit of the pair under way
    bool overflow = false;
    for (int i = 0; i < count - 2; ++i) {
        const int digit = DataDigit(reply[i]);
        if (digit < 0)
            continue;
        if (result.Length == FrameDataBytes) {
            overflow = true;
            break;
        }
        if (high < 0) {
            high = digit;
            continue;
        }
        const auto byte = static_cast<std::uint8_t>(high * 16 + digit);
        block[result.Length++] = byte;
        sum ^= byte;
        high = -1;
    }
    const int csHigh = ChecksumDigit(reply[count - 2]);
    const int csLow = ChecksumDigit(reply[count - 1]);
    result.Good = !overflow && csHigh >= 0 && csLow >= 0 && csHigh * 16 + csLow == sum;
    return result;
}
