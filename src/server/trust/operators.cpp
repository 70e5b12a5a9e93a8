#include "server/trust/operators.h"

#include <sodium.h>

#include <mutex>
#include <stdexcept>

#include "server/storage/database.h"

namespace confcred::server::trust {

namespace {

void initSodium() {
    static std::once_flag once;
    std::call_once(once, [] {
        if (sodium_init() < 0)
            throw std::runtime_error("libsodium cannot be initialised");
    });
}

// The next code point of `text` from `at`, advancing `at`; nothing for bytes
// that are not well-formed UTF-8 (overlong forms and surrogates included).
std::optional<char32_t> nextCodePoint(std::string_view text, std::size_t& at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    std::size_t length = 0;
    char32_t cp = 0, least = 0;
    if (lead < 0x80) {
        ++at;
        return lead;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, cp = lead & 0x1F, least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, cp = lead & 0x0F, least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, cp = lead & 0x07, least = 0x10000;
    } else {
        return std::nullopt;
    }
    if (at + length > text.size())
        return std::nullopt;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80)
            return std::nullopt;
        cp = (cp << 6) | (byte(at + i) & 0x3F);
    }
    if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return std::nullopt;
    at += length;
    return cp;
}

bool isHidden(char32_t cp) {
    // Bidirectional embeddings, overrides and isolates (U+202A..U+202E,
    // U+2066..U+2069) make a name read otherwise than it is.
    return cp < 0x20 || (cp >= 0x7F && cp <= 0x9F) || (cp >= 0x200B && cp <= 0x200F) ||
           (cp >= 0x202A && cp <= 0x202E) || (cp >= 0x2060 && cp <= 0x2069) || cp == 0xFEFF;
}

std::string_view trimBlanks(std::string_view text) {
    // ASCII blanks and the no-break space (C2 A0) at either end.
    for (;;) {
        if (!text.empty() && text.front() == ' ')
            text.remove_prefix(1);
        else if (text.substr(0, 2) == "\xC2\xA0")
            text.remove_prefix(2);
        else if (!text.empty() && text.back() == ' ')
            text.remove_suffix(1);
        else if (text.size() >= 2 && text.substr(text.size() - 2) == "\xC2\xA0")
            text.remove_suffix(2);
        else
            return text;
    }
}

OperatorAccount accountOf(const storage::Row& r) {
    OperatorAccount a;
    a.name = std::string(r.text(0));
    a.role = parseRole(r.text(1)).value_or(Role::Consulta);
    a.enabled = r.text(2) == "S";
    return a;
}

void requireChanged(std::int64_t rows, const std::string& name) {
    if (rows == 0)
        throw std::runtime_error("no operator named '" + name + "'");
}

}  // namespace

NameCheck checkOperatorName(std::string_view text) {
    std::size_t chars = 0;
    for (std::size_t at = 0; at < text.size(); ++chars) {
        const auto cp = nextCodePoint(text, at);
        if (!cp)
            return {{}, "the operator name is not valid UTF-8"};
        if (isHidden(*cp))
            return {{}, "the operator name holds a control or invisible character"};
    }
    const std::string_view name = trimBlanks(text);
    if (name.empty())
        return {{}, "the operator name is empty"};
    chars = 0;
    for (std::size_t at = 0; at < name.size(); ++chars)
        nextCodePoint(name, at);
    if (chars > kMaxOperatorNameChars)
        return {{},
                "the operator name has " + std::to_string(chars) + " characters; at most " +
                    std::to_string(kMaxOperatorNameChars) + " are allowed"};
    return {std::string(name), {}};
}

std::string hashPassword(std::string_view password) {
    initSodium();
    char out[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str_alg(
            out, password.data(), password.size(), crypto_pwhash_OPSLIMIT_INTERACTIVE,
            crypto_pwhash_MEMLIMIT_INTERACTIVE, crypto_pwhash_ALG_ARGON2ID13) != 0)
        throw std::runtime_error("not enough memory to hash the password");
    return out;
}

namespace {

// Names compare without regard to the case of their letters A-Z ("Ana" and
// "ana" are one account): the same folding as SQL's LOWER on both backends
// (the column's collation is C), which leaves other letters as they are.
std::string foldName(std::string_view name) {
    std::string out(name);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

}  // namespace

bool verifyPassword(std::string_view password, const std::string& hash) {
    initSodium();
    return crypto_pwhash_str_verify(hash.c_str(), password.data(), password.size()) == 0;
}

void OperatorStore::add(const std::string& name, Role role, std::string_view password) {
    const std::string hash = hashPassword(password);
    const std::string folded = foldName(name);
    db_.write([&](storage::Session& s) {
        bool exists = false;
        s.query("SELECT 1 FROM OPERADOR WHERE LOWER(NMOPERADOR) = ?", {std::string_view(folded)},
                [&](const storage::Row&) { exists = true; });
        if (exists)
            throw std::runtime_error("an operator named '" + name + "' already exists");
        s.execute(
            "INSERT INTO OPERADOR (NMOPERADOR, IDPERFIL, DSSENHAHASH, IDATIVO) VALUES (?, ?, ?, "
            "'S')",
            {std::string_view(name), roleName(role), std::string_view(hash)});
    });
}

void OperatorStore::setPassword(const std::string& name, std::string_view password) {
    const std::string hash = hashPassword(password);
    db_.write([&](storage::Session& s) {
        const std::string folded = foldName(name);
        requireChanged(s.execute("UPDATE OPERADOR SET DSSENHAHASH = ? WHERE LOWER(NMOPERADOR) = ?",
                                 {std::string_view(hash), std::string_view(folded)}),
                       name);
        // A new password ends the sessions opened with the old one.
        s.execute("DELETE FROM SESSAOOPER WHERE LOWER(NMOPERADOR) = ?", {std::string_view(folded)});
    });
}

void OperatorStore::disable(const std::string& name) {
    db_.write([&](storage::Session& s) {
        const std::string folded = foldName(name);
        requireChanged(s.execute("UPDATE OPERADOR SET IDATIVO = 'N' WHERE LOWER(NMOPERADOR) = ?",
                                 {std::string_view(folded)}),
                       name);
        s.execute("DELETE FROM SESSAOOPER WHERE LOWER(NMOPERADOR) = ?", {std::string_view(folded)});
    });
}

std::vector<OperatorAccount> OperatorStore::list() {
    return db_.read([](storage::Session& s) {
        std::vector<OperatorAccount> out;
        s.query("SELECT NMOPERADOR, IDPERFIL, IDATIVO FROM OPERADOR ORDER BY NMOPERADOR", {},
                [&](const storage::Row& r) { out.push_back(accountOf(r)); });
        return out;
    });
}

bool OperatorStore::anyEnabled() {
    return db_.read([](storage::Session& s) {
        bool any = false;
        s.query("SELECT 1 FROM OPERADOR WHERE IDATIVO = 'S' LIMIT 1", {},
                [&](const storage::Row&) { any = true; });
        return any;
    });
}

bool OperatorStore::anyAccount() {
    return db_.read([](storage::Session& s) {
        bool any = false;
        s.query("SELECT 1 FROM OPERADOR LIMIT 1", {}, [&](const storage::Row&) { any = true; });
        return any;
    });
}

bool OperatorStore::sessionsTurnedOff() {
    return db_.read([](storage::Session& s) {
        bool off = false;
        s.query("SELECT 1 FROM CONFIGSERVIDOR WHERE NMCONFIG = 'SESSOES' AND DSVALOR = 'N'", {},
                [&](const storage::Row&) { off = true; });
        return off;
    });
}

void OperatorStore::setSessionsTurnedOff(bool off) {
    db_.write([&](storage::Session& s) {
        s.execute("DELETE FROM CONFIGSERVIDOR WHERE NMCONFIG = 'SESSOES'");
        if (off)
            s.execute("INSERT INTO CONFIGSERVIDOR (NMCONFIG, DSVALOR) VALUES ('SESSOES', 'N')");
    });
}

std::optional<OperatorAccount> OperatorStore::authenticate(const std::string& name,
                                                           std::string_view password) {
    struct Found {
        OperatorAccount account;
        std::string hash;
    };
    const std::string folded = foldName(name);
    const auto found = db_.read([&](storage::Session& s) {
        std::optional<Found> out;
        s.query(
            "SELECT NMOPERADOR, IDPERFIL, IDATIVO, DSSENHAHASH FROM OPERADOR"
            " WHERE LOWER(NMOPERADOR) = ?",
            {std::string_view(folded)}, [&](const storage::Row& r) {
                out = Found{accountOf(r), std::string(r.text(3))};
            });
        return out;
    });
    if (!found) {
        // The same work as a real check, against a hash of nothing.
        static const std::string decoy = hashPassword("confcred-decoy");
        verifyPassword(password, decoy);
        return std::nullopt;
    }
    if (!verifyPassword(password, found->hash) || !found->account.enabled)
        return std::nullopt;
    return found->account;
}

}  // namespace confcred::server::trust
