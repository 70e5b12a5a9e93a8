#include "server/storage/digest.h"

#include <openssl/evp.h>

#include <stdexcept>

namespace confcred::server::storage {

namespace {

EVP_MD_CTX* ctx(void* p) {
    return static_cast<EVP_MD_CTX*>(p);
}

void check(int ok, const char* what) {
    if (ok != 1)
        throw std::runtime_error(std::string("SHA-256: ") + what + " failed");
}

}  // namespace

Sha256::Sha256() : context_(EVP_MD_CTX_new()) {
    if (!context_)
        throw std::runtime_error("SHA-256: out of memory");
    check(EVP_DigestInit_ex(ctx(context_), EVP_sha256(), nullptr), "init");
}

Sha256::~Sha256() {
    EVP_MD_CTX_free(ctx(context_));
}

Sha256& Sha256::add(std::string_view bytes) {
    check(EVP_DigestUpdate(ctx(context_), bytes.data(), bytes.size()), "update");
    return *this;
}

std::string Sha256::hex() {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    check(EVP_DigestFinal_ex(ctx(context_), digest, &size), "final");
    check(EVP_DigestInit_ex(ctx(context_), EVP_sha256(), nullptr), "init");
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(size * 2);
    for (unsigned int i = 0; i < size; ++i) {
        out += kHex[digest[i] >> 4];
        out += kHex[digest[i] & 15];
    }
    return out;
}

}  // namespace confcred::server::storage
