#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// n bytes that differ from seed to seed and from one 128-byte block to the next.
inline std::string Pattern(std::size_t n, unsigned seed = 0) {
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i)
        s[i] = static_cast<char>((i * 31 + seed * 17 + (i >> 7)) & 0xFF);
    return s;
}

inline std::string Bytes(const std::vector<std::uint8_t>& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

inline std::vector<std::uint8_t> Bytes(const std::string& bytes) {
    return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}
