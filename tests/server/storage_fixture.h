// Opening a fresh database on each backend for in-process storage and method
// tests: SQLite on a temporary file always, PostgreSQL when CONFCRED_TEST_PG
// holds a postgresql:// URL of a server where a database may be created.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>
#include <atomic>
#include <cstdlib>
#include <memory>
#include <string>

#include "dataset/packet_codec.h"
#include "server/methods/confcred_methods.h"
#include "server/storage/database.h"
#include "server/storage/demo_data.h"
#include "server/storage/postgres_backend.h"
#include "support/temp_dir.h"

namespace confcred::testing {

inline std::string postgresAdminUrl() {
    const char* url = std::getenv("CONFCRED_TEST_PG");
    return url && std::string_view(url).substr(0, 13) == "postgresql://" ? url : "";
}

// The URL with its database name replaced.
inline std::string withDatabase(const std::string& url, const std::string& name) {
    const auto hostStart = url.find("://") + 3;
    const auto slash = url.find('/', hostStart);
    const auto query = url.find('?', hostStart);
    std::string out = url.substr(0, slash == std::string::npos ? query : slash) + "/" + name;
    if (query != std::string::npos)
        out += url.substr(query);
    return out;
}

// A database that lives for one test; PostgreSQL ones are dropped afterwards.
class ScratchDatabase {
  public:
    explicit ScratchDatabase(const std::string& backend) {
        if (backend == "sqlite") {
            url_ = "sqlite:" + (dir_.path() / "confcred.db").string();
        } else {
            static std::atomic<int> counter{0};
            name_ = "confcred_t" + std::to_string(getpid()) + "_" + std::to_string(++counter);
            admin_ = postgresAdminUrl();
            auto session = server::storage::openPostgresSession(admin_);
            session->executeScript("DROP DATABASE IF EXISTS " + name_);
            session->executeScript("CREATE DATABASE " + name_ +
                                   " TEMPLATE template0 ENCODING 'UTF8'");
            url_ = withDatabase(admin_, name_);
        }
    }
    ~ScratchDatabase() {
        if (!name_.empty()) {
            try {
                server::storage::openPostgresSession(admin_)->executeScript(
                    "DROP DATABASE IF EXISTS " + name_ + " WITH (FORCE)");
            } catch (...) {
            }
        }
    }
    const std::string& url() const { return url_; }
    const std::filesystem::path& folder() const { return dir_.path(); }

  private:
    TempDir dir_;
    std::string url_, admin_, name_;
};

// Parameterised over "sqlite" and "postgres"; the second skips without a server.
class BackendTest : public ::testing::TestWithParam<std::string> {
  protected:
    void SetUp() override {
        if (GetParam() == "postgres" && postgresAdminUrl().empty())
            GTEST_SKIP() << "CONFCRED_TEST_PG is not set to a postgresql:// URL";
        scratch_ = std::make_unique<ScratchDatabase>(GetParam());
    }
    void TearDown() override {
        db_.reset();
        scratch_.reset();
    }

    // Opens the scratch database with its schema and the demo data (a new
    // SQLite file gets it on opening; PostgreSQL is given it here).
    server::storage::Database& open() {
        db_ = server::storage::openDatabase(scratch_->url());
        server::storage::seedDemoData(*db_);
        methods_ = server::methods::MethodTable();
        server::methods::registerConfCredMethods(methods_, *db_);
        return *db_;
    }

    std::string call(const std::string& method, std::vector<server::methods::Arg> args,
                     const std::string& operatorName = "tester") {
        const server::methods::Method* m = methods_.find(method);
        if (!m)
            throw std::runtime_error("no method " + method);
        return (*m)(server::methods::Args(method, std::move(args)),
                    server::methods::CallContext{operatorName});
    }
    dataset::DataPacket callPacket(const std::string& method,
                                   std::vector<server::methods::Arg> args) {
        return dataset::decodePacket(call(method, std::move(args)));
    }
    // The single value of a query, as text ("" for none or null).
    std::string scalar(const std::string& sql,
                       const std::vector<std::optional<std::string>>& p = {}) {
        const auto rows = db_->queryText(sql, p);
        return rows.empty() || rows[0].empty() || !rows[0][0] ? "" : *rows[0][0];
    }

    std::unique_ptr<ScratchDatabase> scratch_;
    std::unique_ptr<server::storage::Database> db_;
    server::methods::MethodTable methods_;
};

inline std::string backendName(const ::testing::TestParamInfo<std::string>& info) {
    return info.param;
}

}  // namespace confcred::testing
