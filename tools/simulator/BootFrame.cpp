#include "tools/simulator/BootFrame.h"

#include <cstdio>

namespace {

int DigitValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::uint32_t FieldValue(const std::string& text, std::size_t offset, std::size_t width) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < width; ++i)
        value = value * 16 + static_cast<std::uint32_t>(DigitValue(text[offset + i]));
    return value;
}

TBootFrame Refused(std::string reason) {
    TBootFrame frame;
    frame.Reason = std::move(reason);
    return frame;
}

// Exactly one frame of either length.
TBootFrame ParseExactFrame(const std::string& text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (DigitValue(text[i]) < 0) {
            return Refused("not an upper-case hexadecimal digit at offset " + std::to_string(i));
        }
    }
    if (text.compare(0, 2, "00") != 0)
        return Refused("memory space " + text.substr(0, 2) + " is not 00");
    const std::string command = text.substr(8, 2);
    const bool isWrite = text.size() == WriteFrameTextLength;
    if (command != "02" && command != "03")
        return Refused("unknown command " + command);
    if ((command == "02") != isWrite)
        return Refused("command " + command + " in a frame of " + std::to_string(text.size() + 1) + " bytes");
    if (text.compare(10, 4, "0080") != 0)
        return Refused("length " + text.substr(10, 4) + " is not 0080");
    const std::uint32_t address = FieldValue(text, 2, 6);
    if (address < MemoryFirstAddress || address + BlockSize > MemoryEndAddress)
        return Refused("address " + text.substr(2, 6) + " outside the memory 004000..027FFF");
    if (address % BlockSize != 0)
        return Refused("address " + text.substr(2, 6) + " not on a 128-byte block boundary");

    TBootFrame frame;
    frame.Address = address;
    if (!isWrite) {
        frame.Kind = TFrameKind::Read;
        return frame;
    }
    std::uint8_t sum = 0;
    for (std::size_t i = 0; i < BlockSize; ++i) {
        frame.Data[i] = static_cast<std::uint8_t>(FieldValue(text, 14 + 2 * i, 2));
        sum ^= frame.Data[i];
    }
    const auto received = static_cast<std::uint8_t>(FieldValue(text, 14 + 2 * BlockSize, 2));
    if (received != sum) {
        char reason[64];
        std::snprintf(reason, sizeof reason, "checksum %02X, data give %02X", received, sum);
        return Refused(reason);
    }
    frame.Kind = TFrameKind::Write;
    return frame;
}

} // namespace

TBootFrame ParseBootLine(const std::string& line) {
    if (line.size() == WriteFrameTextLength || line.size() == ReadCommandTextLength)
        return ParseExactFrame(line);
    for (std::size_t length : {WriteFrameTextLength, ReadCommandTextLength}) {
        if (line.size() <= length)
            continue;
        TBootFrame frame = ParseExactFrame(line.substr(line.size() - length));
        if (frame.Kind != TFrameKind::Malformed) {
            frame.StaleBytes = line.size() - length;
            return frame;
        }
    }
    return Refused("wrong length: " + std::to_string(line.size() + 1) + " bytes with the CR");
}

std::uint8_t BlockChecksum(const std::uint8_t* block) {
    std::uint8_t sum = 0;
    for (std::size_t i = 0; i < BlockSize; ++i)
        sum ^= block[i];
    return sum;
}

std::string EncodeDataReply(const std::uint8_t* block, bool badChecksum, bool noisy, bool shortened) {
    static const char Digits[] = "0123456789ABCDEF";
    std::string reply;
    reply.reserve(2 * BlockSize + 2 + (noisy ? 64 : 0));
    for (std::size_t i = 0; i < BlockSize; ++i) {
        if (noisy && i > 0 && i % 32 == 0)
            reply += "\r\n";
        else if (noisy && i > 0 && i % 8 == 0)
            reply += ' ';
        if (shortened && i == ShortenedByteOffset) {
            reply += "  ";
            continue;
        }
        reply += Digits[block[i] >> 4];
        reply += Digits[block[i] & 0x0F];
    }
    std::uint8_t sum = BlockChecksum(block);
    if (shortened)
        sum ^= block[ShortenedByteOffset];
    if (badChecksum)
        sum ^= 0xFF;
    reply += Digits[sum >> 4];
    reply += Digits[sum & 0x0F];
    return reply;
}
