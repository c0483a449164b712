#pragma once

#include <string>

// The SHA-256 digest of bytes as 64 lower-case hex digits, from the platform's own cryptography
// (libcrypto on Linux, CNG on Windows). Throws std::runtime_error when the system refuses the hash.
std::string Sha256Hex(const std::string& bytes);

// Bytes as lower-case hex digits, two per byte.
std::string HexText(const std::string& bytes);
