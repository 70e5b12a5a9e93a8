// confcred-server --config FILE: settings from the file, the command line over
// them, secrets only through files, and every refusal naming its line.

#include <gtest/gtest.h>

#include <filesystem>

#include "server/ops/config_file.h"
#include "support/temp_dir.h"

namespace confcred::server {
namespace {

class ConfigFile : public ::testing::Test {
  protected:
    std::string write(const std::string& text) { return dir_.write("server.conf", text).string(); }
    std::string failure(const std::vector<std::string>& args, const char* envToken = nullptr) {
        try {
            ops::parseOptionsWithConfig(args, envToken);
        } catch (const ops::OptionsError& e) {
            return e.what();
        }
        return "(accepted)";
    }
    testing::TempDir dir_;
};

TEST_F(ConfigFile, SettingsApplyAndTheCommandLineWins) {
    const std::string secret = dir_.write("token", "s3cret\n").string();
    std::filesystem::permissions(
        secret, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    const std::string conf = write(
        "# confcred-server\n[server]\nlisten = 0.0.0.0:9000\nthreads = 3\nworkers=7\n"
        "verbose = yes\nseed-orders = 10\ntoken_file = " +
        secret + "\n");
    const auto fromFile = ops::parseOptionsWithConfig({"--config", conf}, nullptr).options;
    EXPECT_EQ(fromFile.http.host, "0.0.0.0");
    EXPECT_EQ(fromFile.http.port, 9000);
    EXPECT_EQ(fromFile.http.threads, 3);
    EXPECT_EQ(fromFile.http.workers, 7);
    EXPECT_TRUE(fromFile.http.verbose);
    EXPECT_EQ(fromFile.seedOrders, 0) << "every start of every server would add the orders";
    const auto warned = ops::parseOptionsWithConfig({"--config", conf}, nullptr).warnings;
    ASSERT_EQ(warned.size(), 1u);
    EXPECT_NE(warned[0].find(conf + ":7: seed-orders is ignored"), std::string::npos) << warned[0];
    EXPECT_EQ(fromFile.http.token, "s3cret");

    const auto overridden =
        ops::parseOptionsWithConfig({"--threads", "5", "--config=" + conf, "--token", "cli"}, "env")
            .options;
    EXPECT_EQ(overridden.http.threads, 5);
    // Each yes/no option of the file can be switched off on the command line.
    const std::string switches =
        dir_.write("switches.conf", "verbose = yes\nmetrics-open = on\nno-call-log = true\n")
            .string();
    const auto on = ops::parseOptionsWithConfig({"--config", switches}, nullptr).options;
    EXPECT_TRUE(on.http.verbose && on.metricsOpen && !on.callLog);
    const auto off =
        ops::parseOptionsWithConfig(
            {"--config", switches, "--no-verbose", "--no-metrics-open", "--call-log"}, nullptr)
            .options;
    EXPECT_FALSE(off.http.verbose || off.metricsOpen || !off.callLog);
    EXPECT_EQ(overridden.http.workers, 7);
    EXPECT_EQ(overridden.http.token, "cli");
    EXPECT_EQ(ops::parseOptionsWithConfig({"--config", conf}, "env").options.http.token, "env")
        << "the environment wins over token_file";
    EXPECT_NE(failure({"--config", conf}, "").find("CONFCRED_TOKEN: the token is empty"),
              std::string::npos)
        << "an empty CONFCRED_TOKEN must not drop token_file: " << failure({"--config", conf}, "");
}

TEST_F(ConfigFile, RefusalsNameTheLine) {
    struct Row {
        const char* name;
        std::string text;
        std::string expected;
    };
    const std::vector<Row> rows = {
        {"unknown_key", "threads = 2\n\n# x\ncolour = blue\n", ":4: unknown key 'colour'"},
        {"token_in_plain", "token = abc\n", ":1: the token is never written"},
        {"password_in_url", "db = postgresql://app:pw@db/confcred\n", ":1: no password in db"},
        {"password_in_query", "db = postgresql://app@db/confcred?sslmode=require&Password=pw\n",
         ":1: no password in db"},
        {"bad_value", "threads = 2\nworkers = many\n", ":2: --workers: expected a whole number"},
        {"no_equals", "verbose\n", ":1: expected key = value"},
        {"missing_secret", "token_file = /nonexistent/token\n", ":1: cannot read"},
        {"no_for_a_value", "threads = no\n", ":1: threads takes a value, not 'no'"},
    };
    for (const auto& row : rows) {
        const std::string conf = write(row.text);
        EXPECT_NE(failure({"--config", conf}).find(conf + row.expected), std::string::npos)
            << row.name << ": " << failure({"--config", conf});
    }
    EXPECT_NE(failure({"--config", dir_.path() / "none.conf"}).find("cannot read"),
              std::string::npos);
}

// Secret files others may read, and a configuration others may change, are
// refused; a secret its group may read is taken (Debian's ssl-cert layout).
TEST_F(ConfigFile, LooseModesOnSecretsAreRefused) {
    using std::filesystem::perms;
    const auto file = [&](const char* name, const std::string& text, perms mode) {
        const auto path = dir_.write(name, text);
        std::filesystem::permissions(path, mode);
        return path.string();
    };
    const perms owner = perms::owner_read | perms::owner_write;
    const std::string token = file("open-token", "um-token-de-teste-comprido\n",
                                   owner | perms::group_read | perms::others_read);
    const std::string conf = file("a.conf", "token_file = " + token + "\n", owner);
    EXPECT_NE(failure({"--config", conf}).find("chmod 600"), std::string::npos)
        << failure({"--config", conf});
    EXPECT_NE(failure({"--token-file", token}).find("chmod 600"), std::string::npos);
    EXPECT_NE(failure({"--tls-key", token}).find("chmod 600"), std::string::npos);

    const std::string groupToken =
        file("group-token", "um-token-de-teste-comprido\n", owner | perms::group_read);
    EXPECT_EQ(ops::parseOptionsWithConfig({"--token-file", groupToken}, nullptr).options.http.token,
              "um-token-de-teste-comprido");
    const std::string shared = file("shared.conf", "threads = 2\n", owner | perms::group_write);
    EXPECT_NE(failure({"--config", shared}).find("chmod go-w"), std::string::npos);
}

}  // namespace
}  // namespace confcred::server
