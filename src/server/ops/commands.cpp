#include "server/ops/commands.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <map>
#include <string_view>

#include "server/ops/backup.h"
#include "server/ops/config_file.h"
#include "server/ops/master_data.h"
#include "server/storage/database.h"
#include "server/storage/demo_data.h"
#include "server/storage/schema.h"

namespace confcred::server::ops {

namespace {

// A command's arguments: --db URL (or --db=URL) and the others in order.
struct CommandArgs {
    std::string dbUrl;
    std::vector<std::string> rest;
    std::map<std::string, std::string> values;  // the command's own --name VALUE options
};

struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct Command {
    const char* name;
    const char* usage;
    const char* description;
    std::size_t minRest, maxRest;  // how many arguments besides --db
    int (*run)(const CommandArgs&);
    std::array<const char*, 2> valueOptions = {};  // options of its own, each with a value
};

// A whole number from 1 to `most` given to `option`.
int positiveOption(const CommandArgs& args, const std::string& option, int most) {
    const std::string& text = args.values.at(option);
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < 1 || value > most)
        throw UsageError(option + ": informe um número inteiro de 1 a " + std::to_string(most) +
                         " (recebido '" + text.substr(0, 20) + "')");
    return value;
}

int loadDemoData(const CommandArgs& args) {
    const bool history =
        args.values.count("--history-days") || args.values.count("--orders-per-day");
    storage::HistoryPlan plan;
    if (history) {
        if (!args.values.count("--history-days") || !args.values.count("--orders-per-day"))
            throw UsageError("--history-days e --orders-per-day vão juntos");
        plan.days = positiveOption(args, "--history-days", 36'600);
        plan.ordersPerDay = positiveOption(args, "--orders-per-day", 1'000'000);
    }
    auto db = storage::openDatabase(args.dbUrl, false);
    db->write([history](storage::Session& s) {
        storage::lockForSetup(s);
        for (const char* table : {"FAMILIASALDO", "CLIENTE", "PEDCREDCONS"}) {
            bool any = false;
            s.query("SELECT 1 FROM " + std::string(table) + " LIMIT 1", {},
                    [&](const storage::Row&) { any = true; });
            if (any)
                throw std::runtime_error("the database already holds data (table " +
                                         std::string(table) +
                                         "); demo data goes only into an empty database");
        }
        if (!history)
            storage::seedDemoData(s);
    });
    if (history) {
        const auto started = std::chrono::steady_clock::now();
        storage::seedHistory(*db, plan, [&](int days, std::int64_t orders) {
            const double seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
            std::fprintf(stderr, "histórico: %d de %d dias, %lld pedidos, %.0f s\n", days,
                         plan.days, static_cast<long long>(orders), seconds);
        });
        std::printf("history of %d days, %d orders a day, loaded into %s\n", plan.days,
                    plan.ordersPerDay, db->url().c_str());
        return 0;
    }
    std::printf("demo data loaded into %s\n", db->url().c_str());
    return 0;
}

int importMaster(const CommandArgs& args) {
    std::vector<std::filesystem::path> paths(args.rest.begin(), args.rest.end());
    try {
        const MasterData data = readMasterData(paths);
        auto db = storage::openDatabase(args.dbUrl, false);
        for (const auto& [file, rows] : loadMasterData(*db, data))
            if (rows > 0)
                std::printf("%s: %d linhas importadas\n", file.c_str(), rows);
    } catch (const MasterDataError& e) {
        std::fprintf(stderr, "%s\nNada foi importado.\n", e.what());
        return 1;
    }
    return 0;
}

int backup(const CommandArgs& args) {
    backupDatabase(args.dbUrl, args.rest[0]);
    std::printf("backup of the database written to %s\n", args.rest[0].c_str());
    return 0;
}

int restore(const CommandArgs& args) {
    restoreDatabase(args.dbUrl, args.rest[0]);
    std::printf("database restored from %s\n", args.rest[0].c_str());
    return 0;
}

constexpr Command kCommands[] = {
    {"demo-data",
     "demo-data [--db URL] [--history-days N --orders-per-day M]",
     "load the demo data into an empty database; with --history-days, N days of history up "
     "to today, M orders a day, in every situation, with balances and ledger (docs/deployment.md)",
     0,
     0,
     loadDemoData,
     {"--history-days", "--orders-per-day"}},
    {"import-master", "import-master [--db URL] DIR|FILE...",
     "load familias.csv, clientes.csv and consumidores.csv (docs/deployment.md), all or "
     "nothing",
     1, 16, importMaster},
    {"backup", "backup [--db URL] FILE",
     "copy the database to FILE while servers keep running (PostgreSQL: pg_dump)", 1, 1, backup},
    {"restore", "restore [--db URL] FILE",
     "put a backup back; stop every server on the database first (PostgreSQL: pg_restore)", 1, 1,
     restore},
};

CommandArgs parseArgs(const Command& command, const std::vector<std::string>& args) {
    CommandDatabase named;
    try {
        named = parseCommandDatabase(std::vector<std::string>(args.begin() + 1, args.end()));
    } catch (const OptionsError& e) {
        throw UsageError(e.what());
    }
    CommandArgs out;
    out.dbUrl = named.dbUrl;
    const std::vector<std::string>& words = named.rest;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (std::any_of(command.valueOptions.begin(), command.valueOptions.end(),
                        [&](const char* o) {
                            return o && std::string_view(word).substr(0, word.find('=')) == o;
                        })) {
            const std::size_t eq = word.find('=');
            if (eq != std::string::npos) {
                out.values[word.substr(0, eq)] = word.substr(eq + 1);
            } else {
                if (i + 1 >= words.size())
                    throw UsageError(word + ": a value is missing");
                out.values[word] = words[++i];
            }
        } else if (word.rfind("--", 0) == 0) {
            throw UsageError("unknown option '" + word + "'");
        } else {
            out.rest.push_back(word);
        }
    }
    if (out.dbUrl.empty())
        throw UsageError(named.configFile.empty()
                             ? "--db URL is required (or --config FILE with db = URL)"
                             : "--db URL is required: " + named.configFile + " names no db");
    if (out.rest.size() < command.minRest || out.rest.size() > command.maxRest)
        throw UsageError("wrong number of arguments");
    if (!named.dbPassword.empty())
        setenv("PGPASSWORD", named.dbPassword.c_str(), 1);
    return out;
}

}  // namespace

std::optional<int> runCommand(const std::vector<std::string>& args) {
    if (args.empty())
        return std::nullopt;
    for (const Command& command : kCommands) {
        if (args[0] != command.name)
            continue;
        CommandArgs parsed;
        try {
            parsed = parseArgs(command, args);
        } catch (const UsageError& e) {
            std::fprintf(stderr, "confcred-server %s: %s\nusage: confcred-server %s\n",
                         command.name, e.what(), command.usage);
            return 2;
        }
        try {
            return command.run(parsed);
        } catch (const UsageError& e) {
            std::fprintf(stderr, "confcred-server %s: %s\nusage: confcred-server %s\n",
                         command.name, e.what(), command.usage);
            return 2;
        } catch (const std::exception& e) {
            std::fprintf(stderr, "confcred-server %s: %s\n", command.name, e.what());
            return 1;
        }
    }
    return std::nullopt;
}

std::string commandsUsage() {
    std::string text =
        "Commands (run once and exit). Each reads the database from --db URL, or from the db of\n"
        "--config FILE (default " +
        std::string(kDefaultConfigFile) +
        " when it exists), and the PostgreSQL password from\n--db-password-file FILE or the "
        "configuration's db_password_file:\n\n";
    for (const Command& command : kCommands)
        text += std::string("  confcred-server ") + command.usage + "\n      " +
                command.description + "\n";
    return text;
}

std::unique_ptr<storage::Database> openExistingForCommand(const std::string& url) {
    const std::string target = url.empty() ? storage::defaultSqliteUrl() : url;
    if (const std::string path = storage::sqliteFilePath(target); !path.empty()) {
        std::error_code ec;
        if (!std::filesystem::exists(path, ec))
            throw std::runtime_error(
                "no database file at " + path +
                "; name the server's database with --db URL or --config FILE (a new database is "
                "made by the server's first start or by demo-data)");
    }
    return storage::openDatabase(target, false);
}

}  // namespace confcred::server::ops
