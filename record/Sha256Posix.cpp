#include "record/Sha256.h"

#include <memory>
#include <stdexcept>

#include <openssl/err.h>
#include <openssl/evp.h>

namespace {

struct TDigestContextFree {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};

[[noreturn]] void Refused(const char* step) {
    char text[256] = {};
    ERR_error_string_n(ERR_get_error(), text, sizeof text);
    throw std::runtime_error(std::string("SHA-256: ") + step + " failed: " + text);
}

} // namespace

std::string Sha256Hex(const std::string& bytes) {
    const std::unique_ptr<EVP_MD_CTX, TDigestContextFree> context(EVP_MD_CTX_new());
    if (!context)
        Refused("EVP_MD_CTX_new");
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1)
        Refused("EVP_DigestInit_ex");
    if (EVP_DigestUpdate(context.get(), bytes.data(), bytes.size()) != 1)
        Refused("EVP_DigestUpdate");
    if (EVP_DigestFinal_ex(context.get(), digest, &size) != 1)
        Refused("EVP_DigestFinal_ex");
    return HexText(std::string(reinterpret_cast<const char*>(digest), size));
}
