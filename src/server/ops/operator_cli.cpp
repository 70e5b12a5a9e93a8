#include "server/ops/operator_cli.h"

#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <iostream>
#include <optional>

#include "server/ops/commands.h"
#include "server/ops/config_file.h"
#include "server/ops/server_options.h"
#include "server/storage/database.h"
#include "server/trust/operators.h"
#include "server/trust/password_quality.h"

namespace confcred::server::ops {

namespace {

struct OperatorCommand {
    std::string verb, name;
    std::optional<trust::Role> role;
    CommandDatabase database;  // --db, --config, --db-password-file
    ServerOptions server;      // --help and whatever else the server reads
};

OperatorCommand parseCommand(const std::vector<std::string>& args) {
    if (args.empty())
        throw OptionsError("operator: say add, passwd, disable, list or sessions");
    OperatorCommand command;
    command.verb = args[0];
    // sessions on|off: the switch is the command's "name".
    const bool switched = command.verb == "sessions";
    const bool named =
        command.verb == "add" || command.verb == "passwd" || command.verb == "disable" || switched;
    if (!named && command.verb != "list")
        throw OptionsError("operator: unknown command '" + command.verb +
                           "' (add, passwd, disable, list, sessions)");
    std::vector<std::string> rest;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (word == "--role" || word.rfind("--role=", 0) == 0) {
            if (command.verb != "add")
                throw OptionsError("--role: only operator add takes a role");
            std::string value;
            if (word == "--role") {
                if (i + 1 >= args.size())
                    throw OptionsError("--role: a value is missing");
                value = args[++i];
            } else {
                value = word.substr(7);
            }
            command.role = trust::parseRole(value);
            if (!command.role)
                throw OptionsError("--role: expected consulta or operador, got '" + value + "'");
        } else if (named && command.name.empty() && word.rfind("--", 0) != 0) {
            command.name = word.empty() ? std::string(" ") : word;  // empty: refused below
        } else {
            rest.push_back(word);
        }
    }
    if (switched && command.name != "on" && command.name != "off")
        throw OptionsError("operator sessions: say on or off");
    if (named && command.name.empty())
        throw OptionsError("operator " + command.verb + ": the operator's name is missing");
    if (command.verb == "add" && !command.role)
        throw OptionsError("operator add: --role consulta|operador is missing");
    command.database = parseCommandDatabase(rest);
    command.server = parseServerOptions(command.database.rest, nullptr);
    if (named && !switched) {
        const trust::NameCheck checked = trust::checkOperatorName(command.name);
        if (!checked.error.empty())
            throw OptionsError("operator " + command.verb + ": " + checked.error);
        command.name = checked.name;
    }
    return command;
}

// One line from `in`; on a terminal without echo, after a prompt on stderr.
std::string readPassword(std::istream& in, std::ostream& err) {
    const bool terminal = &in == &std::cin && ::isatty(STDIN_FILENO);
    termios saved{};
    if (terminal && ::tcgetattr(STDIN_FILENO, &saved) == 0) {
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        ::tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
        err << "Password: " << std::flush;
    }
    std::string line;
    std::getline(in, line);
    if (terminal) {
        ::tcsetattr(STDIN_FILENO, TCSANOW, &saved);
        err << "\n";
    }
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    if (line.size() < trust::kMinPasswordBytes)
        throw OptionsError("the password (one line on standard input) must have at least " +
                           std::to_string(trust::kMinPasswordBytes) + " characters");
    return line;
}

}  // namespace

int runOperatorCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                       std::ostream& err) {
    OperatorCommand command;
    std::string password;
    try {
        command = parseCommand(args);
        if (command.server.help) {
            out << operatorUsageText();
            return 0;
        }
        if (command.verb == "add" || command.verb == "passwd") {
            password = readPassword(in, err);
            if (const std::string refusal = trust::passwordRefusal(password, command.name);
                !refusal.empty())
                throw OptionsError(refusal);
        }
    } catch (const OptionsError& e) {
        err << "confcred-server: " << e.what() << "\n";
        return 2;
    }
    try {
        if (!command.database.dbPassword.empty())
            setenv("PGPASSWORD", command.database.dbPassword.c_str(), 1);
        auto db = openExistingForCommand(command.database.dbUrl);
        trust::OperatorStore store(*db);
        if (command.verb == "add") {
            store.add(command.name, *command.role, password);
            out << "operator '" << command.name << "' added with role "
                << trust::roleName(*command.role) << "\n";
        } else if (command.verb == "passwd") {
            store.setPassword(command.name, password);
            out << "password of operator '" << command.name << "' changed\n";
        } else if (command.verb == "sessions") {
            store.setSessionsTurnedOff(command.name == "off");
            out << (command.name == "off"
                        ? "sessions turned off: a loopback server on this database serves "
                          "without login (beyond loopback they stay required)\n"
                        : "sessions turned on again: every call needs a session once the "
                          "database has an operator account\n");
        } else if (command.verb == "disable") {
            store.disable(command.name);
            out << "operator '" << command.name << "' disabled\n";
        } else {
            for (const trust::OperatorAccount& a : store.list())
                out << a.name << "\t" << trust::roleName(a.role) << "\t"
                    << (a.enabled ? "enabled" : "disabled") << "\n";
        }
    } catch (const std::exception& e) {
        err << "confcred-server: " << e.what() << "\n";
        return 1;
    }
    return 0;
}

std::string operatorUsageText() {
    return R"(Usage: confcred-server operator COMMAND [--db URL | --config FILE] [--db-password-file FILE]

  add NAME --role consulta|operador   a new enabled account; the password is read from
                                      standard input, one line (at least 8 characters, not a
                                      dictionary word or obvious sequence, no character more
                                      than 3 times in a row, not the name: libpwquality)
  passwd NAME                         a new password (standard input); ends its sessions
  disable NAME                        the account can no longer log in; ends its sessions
  list                                name, role and enabled/disabled, one account a line
  sessions off|on                     off: a loopback server on this database serves without
                                      login although it has accounts (stored in the database;
                                      beyond loopback sessions stay required); on: undoes it

Names: UTF-8, at most 40 characters, no control or invisible characters; blanks around
them are dropped. The database is --db URL, or the db of --config FILE (default
/etc/confcred/server.conf when it exists), or the server's default SQLite file; it must
exist already: a missing SQLite file is refused, never made.
)";
}

}  // namespace confcred::server::ops
