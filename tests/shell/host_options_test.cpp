#include "shell/host_options.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace confcred::shell {
namespace {

class HostOptionsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // No INI file of the person running the tests may leak in.
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(dir.path().string() + "/config"));
        qputenv("XDG_DATA_HOME", QByteArray::fromStdString(dir.path().string() + "/data"));
    }
    HostOptions parse(const QStringList& args) { return parseHostOptions(args, "/opt/host"); }
    testing::TempDir dir;
};

TEST_F(HostOptionsTest, DefaultsMeetTheServerDefaults) {
    const HostOptions o = parse({});
    EXPECT_EQ(o.serverHost, "127.0.0.1");
    EXPECT_EQ(o.serverPort, 8211);
    EXPECT_EQ(o.branch, 1);
    EXPECT_FALSE(o.operatorName.isEmpty());
    EXPECT_TRUE(o.database.isEmpty()) << "a desk reaches its data through the server";
    EXPECT_EQ(o.packagePath, "/opt/host/libPkg_Lun90000.so");
}

TEST_F(HostOptionsTest, CommandLineForms) {
    const HostOptions o =
        parse({"--server", "srv.local:9000", "--branch=2", "--operator", "Maria", "--db",
               "postgresql://u@h/db", "--drive", "c=/tmp/c", "--drive", "D=/tmp/d"});
    EXPECT_EQ(o.serverHost, "srv.local");
    EXPECT_EQ(o.serverPort, 9000);
    EXPECT_EQ(o.branch, 2);
    EXPECT_EQ(o.operatorName, "Maria");
    EXPECT_EQ(o.database, "postgresql://u@h/db");
    EXPECT_EQ(o.drives.value('C'), "/tmp/c");
    EXPECT_EQ(o.drives.value('D'), "/tmp/d");
}

// The scheme stays on the host, which the host context carries.
TEST_F(HostOptionsTest, HttpsServerAndItsAuthorities) {
    HostOptions o = parse({"--server", "HTTPS://srv.local:8443/", "--ca", "/etc/ca.pem"});
    EXPECT_EQ(o.serverHost + ':' + QString::number(o.serverPort), "https://srv.local:8443");
    EXPECT_EQ(o.caFile, "/etc/ca.pem");
    o = parse({"--server", "http://srv.local"});
    EXPECT_EQ(o.serverHost + ':' + QString::number(o.serverPort), "srv.local:8211");
}

TEST_F(HostOptionsTest, IniFileFillsWhatTheCommandLineLeaves) {
    dir.write("config/confcred/confcred-host.ini",
              "[host]\nserver=10.0.0.5:8300\nbranch=7\noperator=Ana\ndrive=C=/srv/c,E=/srv/e\n");
    const HostOptions o = parse({"--branch", "3"});
    EXPECT_EQ(o.serverHost, "10.0.0.5");
    EXPECT_EQ(o.serverPort, 8300);
    EXPECT_EQ(o.branch, 3);  // the command line wins
    EXPECT_EQ(o.operatorName, "Ana");
    EXPECT_EQ(o.drives.value('C'), "/srv/c");
    EXPECT_EQ(o.drives.value('E'), "/srv/e");
    EXPECT_TRUE(o.configPath.endsWith("confcred-host.ini"));
}

TEST_F(HostOptionsTest, BadOptionsAreRefusedWithTheirName) {
    const std::vector<std::pair<QStringList, std::string>> rows = {
        {{"--server", "host:0"}, "--server"},
        {{"--server", "host:http"}, "--server"},
        {{"--server", "https://:8443"}, "--server"},
        {{"--branch", "um"}, "--branch"},
        {{"--db", "mysql://x"}, "--db"},
        {{"--drive", "CC=/x"}, "--drive"},
        {{"--drive", "C="}, "--drive"},
        {{"--color", "red"}, "--color"},
        {{"--server"}, "--server"},
        {{"loose"}, "loose"},
        {{"--config", "/nonexistent/x.ini"}, "config file"},
    };
    for (const auto& [args, needle] : rows) {
        try {
            parse(args);
            ADD_FAILURE() << args.join(' ').toStdString() << " was accepted";
        } catch (const OptionsError& error) {
            EXPECT_NE(std::string(error.what()).find(needle), std::string::npos)
                << args.join(' ').toStdString() << ": " << error.what();
        }
    }
}

}  // namespace
}  // namespace confcred::shell
