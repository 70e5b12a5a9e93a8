// SHA-256 through OpenSSL's EVP interface, for the ledger chains, the import
// audit and the idempotency keys.
#pragma once

#include <string>
#include <string_view>

namespace confcred::server::storage {

// Hashes the concatenation of `parts`; returns 64 lower-case hex digits.
class Sha256 {
  public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    Sha256& add(std::string_view bytes);
    // The digest of everything added since construction or the last hex();
    // the hasher starts afresh afterwards.
    std::string hex();

  private:
    void* context_;  // EVP_MD_CTX
};

inline std::string sha256Hex(std::string_view bytes) {
    return Sha256().add(bytes).hex();
}

}  // namespace confcred::server::storage
