#include "record/Sha256.h"

std::string HexText(const std::string& bytes) {
    static const char Digits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        hex += Digits[b >> 4];
        hex += Digits[b & 15];
    }
    return hex;
}
