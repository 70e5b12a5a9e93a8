// Operator accounts: who may log in to the server, with which role. Passwords
// are kept only as Argon2id hashes (libsodium's crypto_pwhash_str).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "server/trust/access.h"

namespace confcred::server::storage {
class Database;
}

namespace confcred::server::trust {

inline constexpr std::size_t kMaxOperatorNameChars = 40;
inline constexpr std::size_t kMinPasswordBytes = 8;

// The name as stored (blanks around it removed), or a refusal in English for
// the command line: not UTF-8, a control or invisible formatting character
// (U+200B..U+200F, U+2060, U+FEFF), empty, or longer than 40 characters.
struct NameCheck {
    std::string name;
    std::string error;  // empty when the name is good
};
NameCheck checkOperatorName(std::string_view text);

// Argon2id hash of `password` in libsodium's string form; `verifyPassword`
// checks a password against it. Both are slow on purpose (about 0.1 s).
std::string hashPassword(std::string_view password);
bool verifyPassword(std::string_view password, const std::string& hash);

struct OperatorAccount {
    std::string name;
    Role role = Role::Consulta;
    bool enabled = true;
};

// The table OPERADOR. Methods throw std::runtime_error with an English
// message for the command line when the operator is missing or already there.
class OperatorStore {
  public:
    explicit OperatorStore(storage::Database& db) : db_(db) {}

    void add(const std::string& name, Role role, std::string_view password);
    void setPassword(const std::string& name, std::string_view password);
    // Disabling also ends the operator's sessions.
    void disable(const std::string& name);
    std::vector<OperatorAccount> list();
    bool anyEnabled();
    // Whether the table holds any account, enabled or disabled.
    bool anyAccount();
    // Whether an administrator turned sessions off for this database
    // (`operator sessions off`); they are on unless he did.
    bool sessionsTurnedOff();
    void setSessionsTurnedOff(bool off);

    // The enabled account whose password this is; nothing otherwise (an
    // unknown name costs a hash too, so the time does not tell names apart).
    std::optional<OperatorAccount> authenticate(const std::string& name, std::string_view password);

  private:
    storage::Database& db_;
};

}  // namespace confcred::server::trust
