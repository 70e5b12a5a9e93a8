#include "server/ops/config_file.h"

#include <filesystem>
#include <fstream>
#include <optional>

#include "server/ops/secret_files.h"

namespace confcred::server::ops {

namespace {

struct Setting {
    int line;
    std::string key;  // without "--"
    std::string arg;  // as it would stand on the command line
    std::string value;
};

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// A secret read from a file: its first line, without the line break.
std::string readSecret(const std::string& where, const std::string& path) {
    checkSecretFileMode(path, where + "secret file");
    std::ifstream in(path);
    std::string secret;
    if (!in || !std::getline(in, secret))
        throw OptionsError(where + "cannot read " + path);
    secret = trimmed(secret);
    if (secret.empty())
        throw OptionsError(where + path + " is empty");
    return secret;
}

bool hasPassword(const std::string& url) {
    // A password=... parameter of the query string counts as much as user:password@.
    std::string lower = url;
    for (char& c : lower)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    if (const auto query = lower.find('?');
        query != std::string::npos && (lower.find("?password=", query) == query ||
                                       lower.find("&password=", query) != std::string::npos))
        return true;
    const auto scheme = url.find("://");
    if (scheme == std::string::npos)
        return false;
    const auto at = url.find('@', scheme + 3);
    const auto colon = url.find(':', scheme + 3);
    return at != std::string::npos && colon != std::string::npos && colon < at &&
           url.find('/', scheme + 3) > at;
}

struct ConfigFile {
    std::vector<Setting> settings;
    std::optional<std::string> tokenFile, dbPasswordFile;
    int tokenFileLine = 0, dbPasswordFileLine = 0;
    std::vector<std::string> warnings;
};

bool isYes(const std::string& value) {
    return value == "true" || value == "yes" || value == "on";
}

bool isNo(const std::string& value) {
    return value == "false" || value == "no" || value == "off";
}

// --config FILE or --config=FILE, and --db-password-file likewise, taken out
// of `args`.
struct FileArgs {
    std::optional<std::string> config, dbPasswordFile;
    std::vector<std::string> rest;
};

FileArgs takeFileArgs(const std::vector<std::string>& args) {
    FileArgs out;
    for (std::size_t i = 0; i < args.size(); ++i) {
        bool matched = false;
        for (auto [name, target] : {std::pair{"--config", &out.config},
                                    std::pair{"--db-password-file", &out.dbPasswordFile}}) {
            const std::string option = name;
            if (args[i] == option) {
                if (i + 1 >= args.size())
                    throw OptionsError(option + ": a value is missing");
                *target = args[++i];
                matched = true;
            } else if (args[i].rfind(option + "=", 0) == 0) {
                *target = args[i].substr(option.size() + 1);
                matched = true;
            }
            if (matched)
                break;
        }
        if (!matched)
            out.rest.push_back(args[i]);
    }
    return out;
}

ConfigFile readConfig(const std::string& path) {
    checkConfigFileMode(path);
    std::ifstream in(path);
    if (!in)
        throw OptionsError("--config: cannot read " + path);
    ConfigFile config;
    std::string text;
    for (int number = 1; std::getline(in, text); ++number) {
        const std::string where = path + ":" + std::to_string(number) + ": ";
        text = trimmed(text);
        if (text.empty() || text[0] == '#' || text[0] == ';' || text == "[server]")
            continue;
        const auto eq = text.find('=');
        if (eq == std::string::npos)
            throw OptionsError(where + "expected key = value, got '" + text + "'");
        const std::string key = trimmed(text.substr(0, eq));
        const std::string value = trimmed(text.substr(eq + 1));
        if (key == "token")
            throw OptionsError(where +
                               "the token is never written in the configuration; give "
                               "token_file = PATH (a file only the server can read) or "
                               "CONFCRED_TOKEN");
        if (key == "token_file" || key == "db_password_file") {
            (key == "token_file" ? config.tokenFile : config.dbPasswordFile) = value;
            (key == "token_file" ? config.tokenFileLine : config.dbPasswordFileLine) = number;
            continue;
        }
        if (key == "db" && hasPassword(value))
            throw OptionsError(where +
                               "no password in db: give db_password_file = PATH, or use "
                               "PostgreSQL's ~/.pgpass (PGPASSFILE)");
        if (key == "config" || key == "help" || key == "version" || key == "db-password-file" ||
            key.empty() || key.rfind("-", 0) == 0 || key.rfind("no-no-", 0) == 0)
            throw OptionsError(where + "unknown key '" + key + "'");
        if (key == "seed-orders") {
            // Every server of the database reads the file at every start:
            // orders added from here would be added again and again.
            config.warnings.push_back(where +
                                      "seed-orders is ignored in a configuration file; give "
                                      "--seed-orders N on the command line of one start");
            continue;
        }
        Setting setting{number, key, "--" + key + "=" + value, value};
        if (isYes(value))
            setting.arg = "--" + key;
        else if (isNo(value))
            setting.arg = "--no-" + key;
        // Each line on its own first, so that an unknown key is told with its line.
        const auto unknown = [](const std::string& arg) {
            try {
                parseServerOptions({arg}, nullptr);
            } catch (const OptionsError& e) {
                return std::string(e.what()).rfind("unknown option", 0) == 0;
            }
            return false;
        };
        if (unknown("--" + key + "=x") && unknown("--" + key))
            throw OptionsError(where + "unknown key '" + key + "'");
        if (setting.arg.rfind("--" + key + "=", 0) != 0 && unknown(setting.arg))
            throw OptionsError(where + key + " takes a value, not '" + value + "'");
        config.settings.push_back(std::move(setting));
    }
    return config;
}

}  // namespace

ConfiguredOptions parseOptionsWithConfig(const std::vector<std::string>& args,
                                         const char* envToken) {
    const FileArgs fileArgs = takeFileArgs(args);
    const std::optional<std::string>& configPath = fileArgs.config;
    const std::vector<std::string>& commandLine = fileArgs.rest;
    ConfiguredOptions out;
    if (fileArgs.dbPasswordFile)
        out.dbPassword = readSecret("--db-password-file: ", *fileArgs.dbPasswordFile);
    if (!configPath) {
        out.options = parseServerOptions(commandLine, envToken);
        return out;
    }
    const ConfigFile config = readConfig(*configPath);
    out.warnings = config.warnings;
    std::string tokenFromFile;
    if (config.tokenFile && envToken == nullptr)
        tokenFromFile = readSecret(*configPath + ":" + std::to_string(config.tokenFileLine) + ": ",
                                   *config.tokenFile);
    if (config.dbPasswordFile && !fileArgs.dbPasswordFile)
        out.dbPassword =
            readSecret(*configPath + ":" + std::to_string(config.dbPasswordFileLine) + ": ",
                       *config.dbPasswordFile);
    // The file's settings first: a later option wins, so the command line does.
    std::vector<std::string> merged;
    for (const auto& s : config.settings)
        merged.push_back(s.arg);
    merged.insert(merged.end(), commandLine.begin(), commandLine.end());
    try {
        out.options = parseServerOptions(merged, envToken                ? envToken
                                                 : tokenFromFile.empty() ? nullptr
                                                                         : tokenFromFile.c_str());
    } catch (const OptionsError& e) {
        // A bad value from the file: name its line.
        const std::string message = e.what();
        const auto onCommandLine = [&](const std::string& key) {
            for (const auto& a : commandLine)
                if (a == "--" + key || a.rfind("--" + key + "=", 0) == 0)
                    return true;
            return false;
        };
        for (const auto& s : config.settings)
            if (!onCommandLine(s.key) && (message.rfind("--" + s.key + ":", 0) == 0 ||
                                          message.rfind("--" + s.key + " ", 0) == 0 ||
                                          message.rfind("--no-" + s.key + " ", 0) == 0))
                throw OptionsError(*configPath + ":" + std::to_string(s.line) + ": " + message);
        throw;
    }
    return out;
}

CommandDatabase parseCommandDatabase(const std::vector<std::string>& args,
                                     const std::string& defaultConfig) {
    const FileArgs fileArgs = takeFileArgs(args);
    CommandDatabase out;
    std::error_code ec;
    if (fileArgs.config)
        out.configFile = *fileArgs.config;
    else if (!defaultConfig.empty() && std::filesystem::exists(defaultConfig, ec))
        out.configFile = defaultConfig;
    for (std::size_t i = 0; i < fileArgs.rest.size(); ++i) {
        const std::string& word = fileArgs.rest[i];
        if (word == "--db") {
            if (i + 1 >= fileArgs.rest.size())
                throw OptionsError("--db: a value is missing");
            out.dbUrl = fileArgs.rest[++i];
        } else if (word.rfind("--db=", 0) == 0) {
            out.dbUrl = word.substr(5);
        } else {
            out.rest.push_back(word);
            continue;
        }
        if (out.dbUrl.empty())
            throw OptionsError("--db: the URL is empty");
    }
    if (fileArgs.dbPasswordFile)
        out.dbPassword = readSecret("--db-password-file: ", *fileArgs.dbPasswordFile);
    if (out.configFile.empty())
        return out;
    const ConfigFile config = readConfig(out.configFile);
    if (out.dbUrl.empty())
        for (const auto& s : config.settings)
            if (s.key == "db")
                out.dbUrl = s.value;
    if (config.dbPasswordFile && !fileArgs.dbPasswordFile)
        out.dbPassword =
            readSecret(out.configFile + ":" + std::to_string(config.dbPasswordFileLine) + ": ",
                       *config.dbPasswordFile);
    return out;
}

}  // namespace confcred::server::ops
