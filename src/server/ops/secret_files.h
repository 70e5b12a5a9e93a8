// The modes of the files the server reads its secrets and settings from. A
// file of a secret (the token, the database password, the TLS private key)
// that others may read or write is refused; one its group may read is taken
// with a warning on stderr, as Debian gives private keys to the group
// ssl-cert. The configuration holds no secret, but one that anyone but its
// owner may change is refused: its settings could be changed behind him.
#pragma once

#include <string>

namespace confcred::server::ops {

// Throws OptionsError naming `what` and the mode when refused; a file that
// cannot be looked at is left to its reader to report.
void checkSecretFileMode(const std::string& path, const std::string& what);
void checkConfigFileMode(const std::string& path);

}  // namespace confcred::server::ops
