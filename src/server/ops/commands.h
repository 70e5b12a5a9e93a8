// The commands of confcred-server that do one job and exit instead of
// serving: `confcred-server demo-data --db URL`, `import-master`, `backup`,
// `restore`. One table names them all.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace confcred::server::storage {
class Database;
}

namespace confcred::server::ops {

// When args[0] (the first argument after the program name) names a command,
// runs it and returns its exit code: 0 done, 1 failed (the reason on
// stderr), 2 bad command line. Nothing when it names none.
std::optional<int> runCommand(const std::vector<std::string>& args);

// The commands' part of --help.
std::string commandsUsage();

// The database `url` names (empty: the server's default SQLite file), which
// must be there already: a SQLite file that is not is refused, naming its
// path, instead of being made. Throws std::runtime_error.
std::unique_ptr<storage::Database> openExistingForCommand(const std::string& url);

}  // namespace confcred::server::ops
