// The SQL query component on the host's shared connection, over SQLite (a
// temporary file) and, when CONFCRED_TEST_PG names a server, PostgreSQL (a
// schema of its own): the client query with its branch parameter, bound
// values, field types and widths, display-text handlers, errors.
#include <gtest/gtest.h>

#include <QApplication>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <cstdlib>

#include "host/client/sql_query.h"
#include "support/temp_dir.h"

using namespace confcred;
using namespace confcred::host;
using namespace confcred::host::client;
using dataset::FieldType;

namespace {

const QStringList kClientSql = {
    "SELECT CL.CDCLIENTE, CL.NRINSJURCLIE, CL.NMRAZSOCCLIE",
    "  FROM CLIENTE CL, CLIENFILIAL CF",
    " WHERE CL.CDCLIENTE = CF.CDCLIENTE",
    "   AND CF.CDFILIAL  = :P_CDFILIAL",
    "ORDER BY CL.CDCLIENTE",
};

enum class Backend { Sqlite, Postgres };

class SqlQueryTest : public ::testing::TestWithParam<Backend> {
  protected:
    void SetUp() override {
        const bool pg = GetParam() == Backend::Postgres;
        const char* pgUrl = std::getenv("CONFCRED_TEST_PG");
        if (pg && (pgUrl == nullptr || *pgUrl == '\0'))
            GTEST_SKIP() << "CONFCRED_TEST_PG is not set: no PostgreSQL server to run on";
        QSqlDatabase db = QSqlDatabase::addDatabase(pg ? "QPSQL" : "QSQLITE",
                                                    client::TADOIBQuery::kSharedConnection);
        if (pg) {
            const QUrl url(QString::fromUtf8(pgUrl));
            db.setHostName(url.host());
            db.setPort(url.port(5432));
            db.setUserName(url.userName());
            db.setPassword(url.password());
            db.setDatabaseName(url.path().mid(1));
        } else {
            db.setDatabaseName(QString::fromStdString((dir.path() / "host.db").string()));
        }
        ASSERT_TRUE(db.open()) << db.lastError().text().toStdString();
        QSqlQuery q(db);
        const QString schema =
            QStringLiteral("hw_query_%1").arg(QCoreApplication::applicationPid());
        std::vector<QString> script;
        if (pg) {
            script.push_back("DROP SCHEMA IF EXISTS " + schema + " CASCADE");
            script.push_back("CREATE SCHEMA " + schema);
            script.push_back("SET search_path TO " + schema);
        }
        const QString real = pg ? "DOUBLE PRECISION" : "DOUBLE";
        const QString stamp = pg ? "TIMESTAMP" : "DATETIME";
        script.push_back(
            "CREATE TABLE CLIENTE (CDCLIENTE VARCHAR(21) PRIMARY KEY, "
            "NRINSJURCLIE VARCHAR(18), NMRAZSOCCLIE VARCHAR(50), VRLIMITE " +
            real + ", DTCADASTRO " + stamp + ", NRFILIAIS INTEGER)");
        script.push_back("CREATE TABLE CLIENFILIAL (CDCLIENTE VARCHAR(21), CDFILIAL VARCHAR(4))");
        for (const char* sql : {
                 "INSERT INTO CLIENTE VALUES ('003', '11222333000181', 'Mercado Azul', 10.5, "
                 "'2026-01-02 10:30:00', 2)",
                 "INSERT INTO CLIENTE VALUES ('001', '12345678901', 'Padaria Sol', NULL, NULL, 1)",
                 "INSERT INTO CLIENTE VALUES ('002', NULL, 'O''Brien Ltda', 0, NULL, NULL)",
                 "INSERT INTO CLIENFILIAL VALUES ('003', '1')",
                 "INSERT INTO CLIENFILIAL VALUES ('001', '1')",
                 "INSERT INTO CLIENFILIAL VALUES ('002', '2')",
             }) {
            script.push_back(QString::fromUtf8(sql));
        }
        for (const QString& sql : script)
            ASSERT_TRUE(q.exec(sql)) << q.lastError().text().toStdString();
        if (pg)
            dropSchema_ = "DROP SCHEMA " + schema + " CASCADE";
        query.setSQL(kClientSql);
    }
    void TearDown() override {
        query.Close();
        if (QSqlDatabase::contains(client::TADOIBQuery::kSharedConnection)) {
            {
                QSqlDatabase db =
                    QSqlDatabase::database(client::TADOIBQuery::kSharedConnection, false);
                if (!dropSchema_.isEmpty() && db.isOpen())
                    QSqlQuery(db).exec(dropSchema_);
                db.close();
            }
            QSqlDatabase::removeDatabase(client::TADOIBQuery::kSharedConnection);
        }
    }

    std::vector<std::string> column(const char* field) {
        std::vector<std::string> out;
        dataset::RecordSet& set = query.recordSet();
        for (set.first(); !set.eof(); set.next())
            out.push_back(set.fieldByName(field).asString());
        return out;
    }

    confcred::testing::TempDir dir;
    client::TADOIBQuery query{"cdsPesqCliente"};
    QString dropSchema_;
};

TEST_P(SqlQueryTest, ListsTheClientsOfTheBranchGiven) {
    EXPECT_EQ(query.paramNames(), QStringList{"P_CDFILIAL"});
    // Declared before the first open: the key's width, a label, a handler.
    dataset::RecordSet& set = query.recordSet();
    set.addField({"CDCLIENTE", FieldType::String, 21}).setDisplayLabel("Código");
    set.addField({"NRINSJURCLIE", FieldType::String, 18})
        .setOnGetText([](const dataset::Field& f, std::string& text, bool) {
            text = "[" + f.asString() + "]";
        });
    set.addField({"NMRAZSOCCLIE", FieldType::String, 50});

    query.ParamByName("p_cdfilial").AsString = "1";
    query.Open();
    ASSERT_TRUE(query.Active());
    EXPECT_EQ(column("CDCLIENTE"), (std::vector<std::string>{"001", "003"}));
    EXPECT_EQ(set.fieldByName("CDCLIENTE").size(), 21);
    EXPECT_EQ(set.fieldByName("CDCLIENTE").displayLabel(), "Código");
    set.first();
    EXPECT_EQ(set.fieldByName("NRINSJURCLIE").displayText(), "[12345678901]");

    // Every search closes, sets the branch and opens again.
    query.Close();
    EXPECT_FALSE(query.Active());
    query.ParamByName("P_CDFILIAL").AsString = "2";
    query.Open();
    EXPECT_EQ(column("NMRAZSOCCLIE"), (std::vector<std::string>{"O'Brien Ltda"}));
    EXPECT_EQ(static_cast<QString>(query.ParamByName("P_CDFILIAL").AsString), "2");
}

TEST_P(SqlQueryTest, FieldsTakeTypeAndWidthFromTheColumns) {
    query.setSQL({"SELECT CDCLIENTE, NMRAZSOCCLIE, VRLIMITE, DTCADASTRO, NRFILIAIS",
                  "  FROM CLIENTE ORDER BY CDCLIENTE"});
    dataset::RecordSet& set = query.recordSet();
    // SQLite keeps dates as text: the declared field says what they are.
    set.addField({"CDCLIENTE", FieldType::String, 21});
    set.addField({"NMRAZSOCCLIE", FieldType::String, 0});  // as wide as its column
    set.addField({"VRLIMITE", FieldType::Double, 0});
    set.addField({"DTCADASTRO", FieldType::DateTime, 0});
    set.addField({"NRFILIAIS", FieldType::Integer, 0});
    query.Open();
    EXPECT_EQ(set.fieldByName("VRLIMITE").type(), FieldType::Double);
    EXPECT_EQ(set.fieldByName("DTCADASTRO").type(), FieldType::DateTime);
    EXPECT_EQ(set.fieldByName("NRFILIAIS").type(), FieldType::Integer);
    EXPECT_EQ(set.fieldByName("NMRAZSOCCLIE").type(), FieldType::String);
    EXPECT_EQ(set.fieldByName("CDCLIENTE").size(), 21);
    EXPECT_EQ(set.fieldByName("NMRAZSOCCLIE").size(), 50);
    set.last();
    EXPECT_EQ(set.fieldByName("VRLIMITE").asDouble(), 10.5);
    EXPECT_EQ(set.fieldByName("DTCADASTRO").asDateTime(),
              platform::DateTime::fromParts(2026, 1, 2, 10, 30));
    EXPECT_EQ(set.fieldByName("NRFILIAIS").asInteger(), 2);
    set.first();
    EXPECT_TRUE(set.fieldByName("VRLIMITE").isNull());
}

TEST_P(SqlQueryTest, UndeclaredFieldsTakeTheColumnsTypeAndWidth) {
    query.setSQL({"SELECT NMRAZSOCCLIE, UPPER(NMRAZSOCCLIE) AS NOME, VRLIMITE, NRFILIAIS",
                  "  FROM CLIENTE"});
    query.Open();
    dataset::RecordSet& set = query.recordSet();
    EXPECT_EQ(set.fieldByName("NMRAZSOCCLIE").type(), FieldType::String);
    // The column's declared VARCHAR(50), asked of the database on both; a
    // computed column has none, so its longest value ("MERCADO AZUL") gives it.
    EXPECT_EQ(set.fieldByName("NMRAZSOCCLIE").size(), 50);
    EXPECT_EQ(set.fieldByName("NOME").size(), 12);
    EXPECT_EQ(set.fieldByName("VRLIMITE").type(), FieldType::Double);
    EXPECT_EQ(set.fieldByName("NRFILIAIS").type(), FieldType::Integer);
    EXPECT_EQ(set.recordCount(), 3u);
}

TEST_P(SqlQueryTest, ValuesAreBoundNeverSpliced) {
    query.ParamByName("P_CDFILIAL").AsString = "1' OR '1'='1";
    query.Open();
    EXPECT_TRUE(query.recordSet().isEmpty());
    // A parameter without a value matches nothing (null), it is no error.
    query.Close();
    query.ParamByName("P_CDFILIAL").clear();
    query.Open();
    EXPECT_TRUE(query.Active());
    EXPECT_TRUE(query.recordSet().isEmpty());
}

TEST_P(SqlQueryTest, RowsAreReadOnly) {
    query.ParamByName("P_CDFILIAL").AsString = "1";
    query.Open();
    dataset::RecordSet& set = query.recordSet();
    set.edit();
    EXPECT_THROW(set.fieldByName("NMRAZSOCCLIE").setAsString("x"), dataset::DataSetError);
    set.cancel();
}

TEST_P(SqlQueryTest, DatabaseFailuresAreClearErrors) {
    struct Row {
        const char* name;
        QStringList sql;
        const char* mentions;  // compared without regard to case
    };
    const Row rows[] = {
        {"unknown_table", {"SELECT * FROM CLIENTES"}, "clientes"},
        {"bad_syntax", {"SELEC 1"}, "selec"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        query.setSQL(row.sql);
        try {
            query.Open();
            ADD_FAILURE() << "no error";
        } catch (const client::QueryError& e) {
            const QString text = QString::fromUtf8(e.what());
            EXPECT_TRUE(text.contains("cdsPesqCliente")) << e.what();
            EXPECT_TRUE(text.contains(QString::fromUtf8(row.mentions), Qt::CaseInsensitive))
                << e.what();
        }
        EXPECT_FALSE(query.Active());
    }
}

TEST_P(SqlQueryTest, UnknownParameterAndMissingConnectionAreClearErrors) {
    EXPECT_THROW(query.ParamByName("P_CDEMPRESA"), client::QueryError);
    client::TADOIBQuery other("cdsOutra");
    other.setConnectionName("semConexao");
    other.setSQL({"SELECT 1"});
    try {
        other.Open();
        FAIL() << "no error";
    } catch (const client::QueryError& e) {
        EXPECT_TRUE(std::string(e.what()).find("semConexao") != std::string::npos) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(Backends, SqlQueryTest,
                         ::testing::Values(Backend::Sqlite, Backend::Postgres), [](const auto& p) {
                             return std::string(p.param == Backend::Sqlite ? "sqlite" : "postgres");
                         });

struct ParamRow {
    const char* name;
    const char* sql;
    QStringList params;
};

class SqlParameters : public ::testing::TestWithParam<ParamRow> {};

TEST_P(SqlParameters, AreFoundOutsideQuotesAndCasts) {
    EXPECT_EQ(client::sqlParameterNames(QString::fromUtf8(GetParam().sql)), GetParam().params);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SqlParameters,
    ::testing::Values(ParamRow{"none", "SELECT 1", {}},
                      ParamRow{"two_in_order", "WHERE A = :P_B AND C = :P_A", {"P_B", "P_A"}},
                      ParamRow{"repeated_once", "WHERE A = :X OR B = :x", {"X"}},
                      ParamRow{"inside_quotes", "WHERE A = ':NOT' AND B = :YES", {"YES"}},
                      ParamRow{"cast", "SELECT A::TEXT, :P1", {"P1"}},
                      ParamRow{"lone_colon", "SELECT ':' || :P", {"P"}}),
    [](const auto& p) { return std::string(p.param.name); });

}  // namespace
