#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// Frames and replies of the boot-link line protocol, built here independently of the simulator's
// and the worker's code.

using TBlock = std::vector<std::uint8_t>;

inline const std::string Ack = "00 O.K.\r";
inline const std::string Refusal = "00 ERR!\r";
constexpr std::size_t DataReplyLength = 258; // 128 bytes in hex and their checksum

inline std::string Hex(unsigned value, int width) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", width, value);
    return text;
}

inline std::string WriteFrame(std::uint32_t address, const TBlock& data) {
    std::string frame = "00" + Hex(address, 6) + "02" + "0080";
    unsigned sum = 0;
    for (auto b : data) {
        frame += Hex(b, 2);
        sum ^= b;
    }
    return frame + Hex(sum, 2) + "\r";
}

inline std::string ReadCommand(std::uint32_t address) {
    return "00" + Hex(address, 6) + "030080\r";
}

inline std::string DataReply(const TBlock& data) {
    std::string reply;
    unsigned sum = 0;
    for (auto b : data) {
        reply += Hex(b, 2);
        sum ^= b;
    }
    return reply + Hex(sum, 2);
}

inline TBlock Pattern(int seed) {
    TBlock block(128);
    for (int i = 0; i < 128; ++i)
        block[i] = static_cast<std::uint8_t>(seed * 31 + i * 7);
    return block;
}

inline const TBlock Erased(128, 0xFF);
