// confcred-server --config FILE: the options written in an INI file, one
// `key = value` a line (the long option name without "--"), `#` or `;`
// comments, an optional [server] section. The command line wins over the
// file. Secrets never stand in the file itself: `token_file` and
// `db_password_file` name files that hold them (docs/deployment.md).
#pragma once

#include <string>
#include <vector>

#include "server/ops/server_options.h"

namespace confcred::server::ops {

struct ConfiguredOptions {
    ServerOptions options;
    // From db_password_file (or --db-password-file); main hands it to libpq as PGPASSWORD.
    std::string dbPassword;
    // Settings of the file that were read but not applied, one sentence each
    // (seed-orders: only the command line adds orders).
    std::vector<std::string> warnings;
};

// The configuration the administration commands read when none is named.
inline constexpr const char* kDefaultConfigFile = "/etc/confcred/server.conf";

// The database an administration command (demo-data, import-master, backup,
// restore, operator, verify-ledger) works on: --db URL, else the `db` of the
// configuration, which is --config FILE or, when that is not given and
// `defaultConfig` exists, `defaultConfig`. The PostgreSQL password comes from
// --db-password-file PATH or the configuration's db_password_file.
struct CommandDatabase {
    std::string dbUrl;              // empty when neither names a database
    std::string dbPassword;         // empty when no password file was named
    std::string configFile;         // the configuration read; empty for none
    std::vector<std::string> rest;  // the other arguments, in order
};

// Throws OptionsError (a bad configuration names its line).
CommandDatabase parseCommandDatabase(const std::vector<std::string>& args,
                                     const std::string& defaultConfig = kDefaultConfigFile);

// The arguments after the program name, with --config FILE (or
// --config=FILE) read when present. `envToken` is CONFCRED_TOKEN (nullptr
// when unset): --token wins over it, and it over token_file. Throws
// OptionsError; a problem in the file names it and the line ("FILE:3: ...").
ConfiguredOptions parseOptionsWithConfig(const std::vector<std::string>& args,
                                         const char* envToken);

}  // namespace confcred::server::ops
