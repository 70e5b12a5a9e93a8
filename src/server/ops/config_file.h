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
    // From db_password_file; main hands it to libpq as PGPASSWORD.
    std::string dbPassword;
};

// The arguments after the program name, with --config FILE (or
// --config=FILE) read when present. `envToken` is CONFCRED_TOKEN (nullptr
// when unset): --token wins over it, and it over token_file. Throws
// OptionsError; a problem in the file names it and the line ("FILE:3: ...").
ConfiguredOptions parseOptionsWithConfig(const std::vector<std::string>& args,
                                         const char* envToken);

}  // namespace confcred::server::ops
