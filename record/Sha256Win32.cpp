#include "record/Sha256.h"

#include <memory>
#include <stdexcept>
#include <vector>

#include <windows.h>

#include <bcrypt.h>

namespace {

constexpr ULONG DigestSize = 32;

[[noreturn]] void Refused(const char* step, NTSTATUS status) {
    char code[16];
    snprintf(code, sizeof code, "0x%08lx", static_cast<unsigned long>(status));
    throw std::runtime_error(std::string("SHA-256: ") + step + " failed with status " + code);
}

struct TAlgorithmClose {
    void operator()(void* algorithm) const { BCryptCloseAlgorithmProvider(algorithm, 0); }
};
struct THashDestroy {
    void operator()(void* hash) const { BCryptDestroyHash(hash); }
};

} // namespace

// Through a hash object rather than the one-call BCryptHash, which Windows has only from 10 on.
std::string Sha256Hex(const std::string& bytes) {
    BCRYPT_ALG_HANDLE rawAlgorithm = nullptr;
    NTSTATUS status = BCryptOpenAlgorithmProvider(&rawAlgorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0);
    if (status < 0)
        Refused("BCryptOpenAlgorithmProvider", status);
    const std::unique_ptr<void, TAlgorithmClose> algorithm(rawAlgorithm);
    BCRYPT_HASH_HANDLE rawHash = nullptr;
    status = BCryptCreateHash(rawAlgorithm, &rawHash, nullptr, 0, nullptr, 0, 0);
    if (status < 0)
        Refused("BCryptCreateHash", status);
    const std::unique_ptr<void, THashDestroy> hash(rawHash);
    // BCryptHashData takes at most a ULONG at a time.
    constexpr std::size_t Piece = 1u << 30;
    for (std::size_t at = 0; at < bytes.size(); at += Piece) {
        const std::size_t n = bytes.size() - at < Piece ? bytes.size() - at : Piece;
        status = BCryptHashData(rawHash, reinterpret_cast<PUCHAR>(const_cast<char*>(bytes.data() + at)),
                                static_cast<ULONG>(n), 0);
        if (status < 0)
            Refused("BCryptHashData", status);
    }
    std::vector<unsigned char> digest(DigestSize);
    status = BCryptFinishHash(rawHash, digest.data(), DigestSize, 0);
    if (status < 0)
        Refused("BCryptFinishHash", status);
    return HexText(std::string(digest.begin(), digest.end()));
}
