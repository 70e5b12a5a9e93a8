#include "server/ops/config_file.h"

#include <fstream>
#include <optional>

#include "server/ops/secret_files.h"

namespace confcred::server::ops {

namespace {

struct Setting {
    int line;
    std::string key;  // without "--"
    std::string arg;  // as it would stand on the command line; empty for a false flag
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
};

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
        if (key == "config" || key == "help" || key.empty() || key.rfind("-", 0) == 0)
            throw OptionsError(where + "unknown key '" + key + "'");
        Setting setting{number, key, "--" + key + "=" + value};
        if (value == "true" || value == "yes" || value == "on")
            setting.arg = "--" + key;
        else if (value == "false" || value == "no" || value == "off")
            setting.arg.clear();
        // Each line on its own first, so that an unknown key is told with its line.
        if (!setting.arg.empty()) {
            try {
                parseServerOptions({setting.arg}, nullptr);
            } catch (const OptionsError& e) {
                if (std::string(e.what()).rfind("unknown option", 0) == 0)
                    throw OptionsError(where + "unknown key '" + key + "'");
            }
        }
        config.settings.push_back(std::move(setting));
    }
    return config;
}

}  // namespace

ConfiguredOptions parseOptionsWithConfig(const std::vector<std::string>& args,
                                         const char* envToken) {
    std::optional<std::string> configPath;
    std::vector<std::string> commandLine;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--config") {
            if (i + 1 >= args.size())
                throw OptionsError("--config: a value is missing");
            configPath = args[++i];
        } else if (args[i].rfind("--config=", 0) == 0) {
            configPath = args[i].substr(9);
        } else {
            commandLine.push_back(args[i]);
        }
    }
    ConfiguredOptions out;
    if (!configPath) {
        out.options = parseServerOptions(commandLine, envToken);
        return out;
    }
    const ConfigFile config = readConfig(*configPath);
    std::string tokenFromFile;
    if (config.tokenFile && envToken == nullptr)
        tokenFromFile = readSecret(*configPath + ":" + std::to_string(config.tokenFileLine) + ": ",
                                   *config.tokenFile);
    if (config.dbPasswordFile)
        out.dbPassword =
            readSecret(*configPath + ":" + std::to_string(config.dbPasswordFileLine) + ": ",
                       *config.dbPasswordFile);
    // The file's settings first: a later option wins, so the command line does.
    std::vector<std::string> merged;
    for (const auto& s : config.settings)
        if (!s.arg.empty())
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
                                          message.rfind("--" + s.key + " ", 0) == 0))
                throw OptionsError(*configPath + ":" + std::to_string(s.line) + ": " + message);
        throw;
    }
    return out;
}

}  // namespace confcred::server::ops
