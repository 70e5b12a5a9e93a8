// TNetConnection against a small HTTP server run by the test on loopback: good
// answers, server errors, broken bodies, dropped connections, a server that is
// down or silent, and the before-connect event. The answer's JSON on its own
// is call_codec_test.cpp's.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <atomic>
#include <mutex>
#include <thread>

#include "dataset/packet_codec.h"
#include "host/client/net_connection.h"
#include "host/widgets/busy_indicator.h"
#include "support/fake_http_server.h"
#include "support/sample_packet.h"
#include "support/wait_until.h"

#ifdef CONFCRED_WITH_SERVER
#include <csignal>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "host/automation/scripted_ui_service.h"
#include "host/client/server_session.h"
#include "host/client/server_tls.h"
#include "host/core/application.h"
#include "host/core/dispatch.h"
#include "host/forms/login_dialog.h"
#include "server/storage/database.h"
#include "server/trust/operators.h"
#include "support/server_process.h"
#include "support/test_certificates.h"
#endif

using namespace confcred::host;
using namespace confcred::host::core;
using namespace confcred::host::client;
using namespace confcred::host::widgets;
using namespace confcred::host::forms;
using namespace confcred::host::automation;
using confcred::testing::FakeServer;
using confcred::testing::Received;
using confcred::testing::reply;
using confcred::testing::sendAll;
namespace dataset = confcred::dataset;
namespace platform = confcred::platform;

namespace {

const char* const kPacket = confcred::testing::kSamplePacket;

// A connection pointed at the server through its before-connect event, as
// the screens do with WebURL and WebPort.
void aimAt(client::TNetConnection& net, int port) {
    net.setServerName(QStringLiteral("lun90000.rdmConfCredBanc"));
    net.setBeforeConnect([&net, port] {
        net.setHost(QStringLiteral("127.0.0.1"));
        net.setPort(port);
    });
}

TEST(NetConnectionTest, CallSendsTheProtocolAndDecodesThePacket) {
    FakeServer server([](int fd, const Received& r) {
        if (r.method != "POST")
            return false;
        reply(fd, 200, std::string(R"({"result":)") + kPacket + "}");
        return true;
    });
    client::TNetConnection net;
    aimAt(net, server.port());
    net.setOperatorName(QStringLiteral("João"));
    std::vector<std::pair<QString, QString>> observed;
    client::TNetConnection::setCallObserver(
        [&](const QString& m, const QString& a) { observed.emplace_back(m, a); });

    client::CallResult r =
        net.AppServer(QStringLiteral("getPEDCREDCONS"),
                      {QStringLiteral("T"), "a\"b\\c\n", platform::DateTime::fromParts(2026, 12, 1),
                       12, int64_t{-3}, 2.5, true, dataset::decodePacket(std::string(kPacket))});
    client::TNetConnection::setCallObserver(nullptr);

    ASSERT_TRUE(r.ok());
    ASSERT_TRUE(r.hasPacket());
    const dataset::DataPacket& p = r.packet();
    ASSERT_EQ(p.rowCount(), 2u);
    EXPECT_EQ(p.column(0).textAt(1), "00000000000000000013");
    EXPECT_EQ(p.column(1).doubleAt(0), 10.5);
    EXPECT_TRUE(p.column(1).isNull(1));
    EXPECT_TRUE(net.Connected());  // the call opened the connection first

    const std::vector<Received> got = server.received();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].path, "/health");
    EXPECT_EQ(got[1].path, "/lun90000.rdmConfCredBanc/getPEDCREDCONS");
    const std::string args =
        std::string(R"(["T","a\"b\\c\n","2026-12-01T00:00:00",12,-3,2.5,true,)") +
        dataset::encodePacket(dataset::decodePacket(std::string(kPacket))) + "]";
    EXPECT_EQ(got[1].body, R"({"args":)" + args + "}");
    EXPECT_NE(got[1].headers.find("accept-encoding: identity"), std::string::npos)
        << got[1].headers;
    EXPECT_NE(got[1].headers.find("content-type: application/json"), std::string::npos);
    EXPECT_NE(got[1].headers.find("x-confcred-operator: jo\xc3\xa3o"), std::string::npos);
    ASSERT_EQ(observed.size(), 1u);
    EXPECT_EQ(observed[0].first, QStringLiteral("getPEDCREDCONS"));
    EXPECT_EQ(observed[0].second, QString::fromStdString(args));
}

// A connection hears of no process-wide state but the context it is handed:
// the host's by default, where setCallObserver speaks.
TEST(NetConnectionTest, CallsAreToldToTheContextTheConnectionWasHanded) {
    FakeServer server([](int fd, const Received& r) {
        if (r.method != "POST")
            return false;
        reply(fd, 200, R"({"result":null})");
        return true;
    });
    QStringList hostHeard, ownHeard;
    client::TNetConnection::setCallObserver(
        [&](const QString& m, const QString&) { hostHeard << m; });
    client::CallContext own{nullptr, [&](const QString& m, const QString&) { ownHeard << m; }};
    client::TNetConnection mine(own);
    client::TNetConnection hosts;
    aimAt(mine, server.port());
    aimAt(hosts, server.port());
    mine.AppServer(QStringLiteral("getPEDCREDCONS"));
    hosts.AppServer(QStringLiteral("setSituacao"));
    client::TNetConnection::setCallObserver(nullptr);
    EXPECT_EQ(ownHeard, QStringList{QStringLiteral("getPEDCREDCONS")});
    EXPECT_EQ(hostHeard, QStringList{QStringLiteral("setSituacao")});
}

struct AnswerRow {
    const char* name;
    std::function<void(int fd)> answer;
    // Expected: an error result with this message, or a transport failure
    // whose message holds `failure`, or a plain value.
    const char* serverError = nullptr;
    const char* failure = nullptr;
    QVariant value = {};
};

TEST(NetConnectionTest, AnswersAndFailures) {
    const std::vector<AnswerRow> rows = {
        {"text result", [](int fd) { reply(fd, 200, R"({"result":"pronto"})"); }, nullptr, nullptr,
         QStringLiteral("pronto")},
        {"server error",
         [](int fd) { reply(fd, 500, R"({"error":{"message":"Pedido não encontrado."}})"); },
         "Pedido não encontrado."},
        {"refused arguments",
         [](int fd) { reply(fd, 400, R"({"error":{"message":"Argumento 3 inválido."}})"); },
         "Argumento 3 inválido."},
        // A page that is not the server's JSON: something else answered in its place.
        {"not json", [](int fd) { reply(fd, 200, "<html>oops</html>"); }, nullptr,
         "Servidor de aplicação indisponível"},
        {"failure status without message", [](int fd) { reply(fd, 502, "Bad gateway"); }, nullptr,
         "HTTP 502"},
        {"dropped mid-answer",
         [](int fd) {
             sendAll(fd, "HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n{\"result\":{\"fie");
         },
         nullptr, "encerrou a conexão"},
        {"dropped before answering", [](int) {}, nullptr, "encerrou a conexão"},
    };
    for (const AnswerRow& row : rows) {
        SCOPED_TRACE(row.name);
        FakeServer server([&](int fd, const Received& r) {
            if (r.method != "POST")
                return false;
            row.answer(fd);
            return true;
        });
        client::TNetConnection net;
        aimAt(net, server.port());
        if (row.failure) {
            try {
                net.AppServer(QStringLiteral("setEfetivaSaldo"));
                ADD_FAILURE() << "no failure raised";
            } catch (const client::TransportError& e) {
                EXPECT_NE(std::string(e.what()).find(row.failure), std::string::npos) << e.what();
            }
            continue;
        }
        const client::CallResult r = net.AppServer(QStringLiteral("setEfetivaSaldo"));
        if (row.serverError) {
            EXPECT_TRUE(r.isError());
            EXPECT_EQ(r.errorMessage(), QString::fromUtf8(row.serverError));
            // With ThrowException on, the same answer is raised.
            net.setThrowException(true);
            EXPECT_THROW(net.AppServer(QStringLiteral("setEfetivaSaldo")), client::ServerError);
        } else {
            ASSERT_TRUE(r.ok());
            EXPECT_FALSE(r.hasPacket());
            EXPECT_EQ(r.value(), row.value);
        }
    }
}

TEST(NetConnectionTest, ServerDownOrNotTheServer) {
    int port = 0;
    {
        FakeServer probe([](int, const Received&) { return false; });
        port = probe.port();
    }  // closed: nothing listens there now
    client::TNetConnection net;
    aimAt(net, port);
    try {
        net.Open();
        ADD_FAILURE() << "opened a connection to nothing";
    } catch (const client::TransportError& e) {
        EXPECT_NE(std::string(e.what()).find("recusou a conexão"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(net.Connected());
    EXPECT_THROW(net.AppServer(QStringLiteral("getPEDCREDCONS")), client::TransportError);

    FakeServer notOurs([](int fd, const Received&) {
        reply(fd, 404, "not found");
        return true;
    });
    aimAt(net, notOurs.port());
    try {
        net.setConnected(true);
        ADD_FAILURE() << "opened a connection to another service";
    } catch (const client::TransportError& e) {
        EXPECT_NE(std::string(e.what()).find("Não foi possível conectar"), std::string::npos);
    }
    EXPECT_FALSE(net.Connected());

    net.setBeforeConnect([&net] { net.setPort(0); });
    EXPECT_THROW(net.Open(), client::TransportError);
}

TEST(NetConnectionTest, SilentServerTimesOut) {
    FakeServer server([&](int, const Received& r) {
        if (r.method != "POST")
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        return true;
    });
    client::TNetConnection net;
    aimAt(net, server.port());
    net.setCallTimeoutMs(300);
    try {
        net.AppServer(QStringLiteral("getPEDCREDCONS"));
        ADD_FAILURE() << "no time-out";
    } catch (const client::TransportError& e) {
        EXPECT_NE(std::string(e.what()).find("não respondeu"), std::string::npos) << e.what();
    }
}

TEST(NetConnectionTest, BeforeConnectRunsBeforeEveryConnect) {
    FakeServer server([](int fd, const Received& r) {
        if (r.method != "POST")
            return false;
        reply(fd, 200, R"({"result":null})");
        return true;
    });
    client::TNetConnection net;
    net.setPort(1);  // wrong until the event sets it
    int runs = 0;
    std::vector<bool> connectedInEvent;
    net.setBeforeConnect([&] {
        ++runs;
        connectedInEvent.push_back(net.Connected());
        net.setPort(server.port());
    });
    std::vector<bool> changes;
    QObject::connect(&net, &client::TNetConnection::connectedChanged,
                     [&](bool on) { changes.push_back(on); });
    net.Open();
    net.Open();  // already open: no new connect
    EXPECT_EQ(runs, 1);
    net.Close();
    net.setConnected(true);
    EXPECT_EQ(runs, 2);
    net.setConnected(false);
    net.AppServer(QStringLiteral("setSituacao"));  // a call on a closed connection connects
    EXPECT_EQ(runs, 3);
    EXPECT_EQ(connectedInEvent, (std::vector<bool>{false, false, false}));
    EXPECT_EQ(changes, (std::vector<bool>{true, false, true, false, true}));
    EXPECT_EQ(net.property("Connected").toBool(), true);
    EXPECT_EQ(net.property("Port").toInt(), server.port());
}

// While a call waits, timers run (so the busy animation moves) and the answer
// is still taken whole; a large packet comes through intact.
TEST(NetConnectionTest, SlowLargeAnswerKeepsTheEventLoopAlive) {
    constexpr int kRows = 50'000;
    std::string answer =
        R"({"result":{"fields":[{"name":"NRPEDCRECONS","type":"string","size":20},)"
        R"({"name":"VRPEDCRECONS","type":"double"}],"rows":[)";
    for (int i = 0; i < kRows; ++i) {
        if (i)
            answer += ',';
        answer += "[\"" + std::to_string(100000 + i) + "\"," + std::to_string(i) + ".5]";
    }
    answer += "]}}";
    FakeServer server([&](int fd, const Received& r) {
        if (r.method != "POST")
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        reply(fd, 200, answer);
        return true;
    });
    QWidget window;
    window.resize(400, 300);
    window.show();
    client::TNetConnection net;
    aimAt(net, server.port());
    net.Open();
    widgets::ActiveShowAvi(&window, widgets::busyConnecting);
    const int before = widgets::busyOverlay()->property("frame").toInt();
    const client::CallResult r = net.AppServer(QStringLiteral("getPEDCREDCONS"));
    const int after = widgets::busyOverlay()->property("frame").toInt();
    widgets::DeactiveShowAvi();
    EXPECT_GT(after, before + 1);
    ASSERT_TRUE(r.hasPacket());
    ASSERT_EQ(r.packet().rowCount(), static_cast<size_t>(kRows));
    EXPECT_EQ(r.packet().column(0).textAt(kRows - 1), std::to_string(100000 + kRows - 1));
    EXPECT_EQ(r.packet().column(1).doubleAt(kRows - 1), kRows - 1 + 0.5);
}

#ifdef CONFCRED_WITH_SERVER
// getPEDCREDCONS's arguments for every order of the demo data.
client::CallArgs everyOrder() {
    return {QStringLiteral("T"),
            QStringLiteral("T"),
            platform::DateTime::fromParts(2000, 1, 1),
            platform::DateTime::fromParts(2100, 12, 31),
            QStringLiteral("_S_N_C_"),
            QStringLiteral("_S_N_"),
            QStringLiteral("T"),
            QStringLiteral("T")};
}

// The same connection against the real confcred-server with its demo data.
class RealServerTest : public ::testing::Test {
  protected:
    confcred::testing::ServerProcess server;

    client::CallArgs allOrders() const { return everyOrder(); }
};

TEST_F(RealServerTest, ListsComeBackAsPacketsAndErrorsAsResults) {
    client::TNetConnection net;
    aimAt(net, server.port());
    net.Open();
    ASSERT_TRUE(net.Connected());

    const client::CallResult orders = net.AppServer(QStringLiteral("getPEDCREDCONS"), allOrders());
    ASSERT_TRUE(orders.ok()) << orders.errorMessage().toStdString();
    ASSERT_TRUE(orders.hasPacket());
    EXPECT_GE(orders.packet().fieldIndex("NRPEDCRECONS"), 0);
    EXPECT_GE(orders.packet().fieldIndex("IDPEDCREEXTR"), 0);
    EXPECT_GT(orders.packet().rowCount(), 0u);

    // The server name is matched without regard to case.
    net.setServerName(QStringLiteral("Lun90000.rdmConfCredBanc"));
    EXPECT_TRUE(net.AppServer(QStringLiteral("getPEDICREDFAMI"), allOrders()).ok());

    const client::CallResult missingArgs =
        net.AppServer(QStringLiteral("getPEDCREDCONS"), {QStringLiteral("T")});
    EXPECT_TRUE(missingArgs.isError());
    EXPECT_FALSE(missingArgs.errorMessage().isEmpty());
    const client::CallResult unknown = net.AppServer(QStringLiteral("naoExiste"));
    EXPECT_TRUE(unknown.isError());
    EXPECT_FALSE(unknown.errorMessage().isEmpty());
}

TEST_F(RealServerTest, ServerGoneMidSessionAndBack) {
    client::TNetConnection net;
    aimAt(net, server.port());
    net.Open();
    server.kill(SIGKILL);
    server.wait(std::chrono::seconds(10));
    EXPECT_THROW(net.AppServer(QStringLiteral("getPEDCREDCONS"), allOrders()),
                 client::TransportError);
    EXPECT_FALSE(net.Connected());
    EXPECT_THROW(net.Open(), client::TransportError);
    server.restart();
    aimAt(net, server.port());
    net.Open();
    EXPECT_TRUE(net.AppServer(QStringLiteral("getPEDCREDCONS"), allOrders()).ok());
}
// The host's login: a wrong password shows "Entrar" again with the server's
// message; then every call carries the session, which names the operator.
TEST_F(RealServerTest, LogsInThroughTheDialogAndSendsTheSessionOnEveryCall) {
    client::TNetConnection net;
    aimAt(net, server.port());
    net.Open();
    ASSERT_TRUE(net.AppServer(QStringLiteral("getPEDCREDCONS"), allOrders()).ok());
    {
        auto db = confcred::server::storage::openDatabase(server.dbUrl());
        confcred::server::trust::OperatorStore(*db).add(
            "Ana", confcred::server::trust::Role::Consulta, "senha-da-ana");
    }
    // The server looks for accounts once a second.
    ASSERT_TRUE(confcred::testing::waitUntil(
        [&] { return server.get("/health").body.find("sessions") != std::string::npos; }));
    automation::ScriptedUiService scripted;
    automation::ScopedUi scope(scripted);
    QStringList shownMessages;
    const auto fillIn = [&](const QString& password) {
        return [&, password](QDialog& dialog) {
            shownMessages << dialog.findChild<QLabel*>(QStringLiteral("lblMensagem"))->text();
            dialog.findChild<QLineEdit*>(QStringLiteral("edtSenha"))->setText(password);
            dialog.findChild<QPushButton*>(QStringLiteral("btnEntrar"))->click();
        };
    };
    scripted.queueModal(fillIn(QStringLiteral("errada")));
    scripted.queueModal(fillIn(QStringLiteral("senha-da-ana")));
    QString name = QStringLiteral("Ana"), message;
    ASSERT_EQ(forms::logInAtStart(QStringLiteral("127.0.0.1"), server.port(), name, std::nullopt,
                                  message),
              forms::LoginResult::LoggedIn);
    ASSERT_EQ(shownMessages.size(), 2);
    EXPECT_EQ(shownMessages[0], QString());
    EXPECT_EQ(shownMessages[1], QStringLiteral("Operador ou senha incorretos."));
    EXPECT_EQ(name, QStringLiteral("Ana"));
    EXPECT_EQ(confcred::host::core::Perfil, QStringLiteral("consulta"));  // for the screens

    EXPECT_TRUE(net.AppServer(QStringLiteral("getPEDCREDCONS"), allOrders()).ok());
    const client::CallResult refused = net.AppServer(QStringLiteral("setSituacao"), {});
    EXPECT_EQ(refused.errorMessage(),
              QStringLiteral("Operação não permitida para o perfil consulta."));
    client::serverSession().end();
    EXPECT_TRUE(net.AppServer(QStringLiteral("getPEDCREDCONS"), allOrders()).isError());
}

// A session ended behind the host's back (as by an expiry or a disabled
// operator) brings "Entrar" back; the call then goes once more and applies
// once, in the name of whoever logged in. Cancelled, or taken over by another
// operator, a write is not applied; in automation the password goes again.
TEST_F(RealServerTest, LogsInAgainWhenTheSessionEndsMidRun) {
    namespace srv = confcred::server;
    auto db = srv::storage::openDatabase(server.dbUrl());
    srv::trust::OperatorStore(*db).add("Ana", srv::trust::Role::Operador, "senha-da-ana");
    srv::trust::OperatorStore(*db).add("Bia", srv::trust::Role::Operador, "senha-da-bia");
    const auto pending = db->queryText(
        "SELECT NRPEDCRECONS, CDCLIENTE, CDCONSUMIDOR FROM PEDCREDCONS WHERE IDPEDCREEXTR = 'N'"
        " ORDER BY NRPEDCRECONS LIMIT 2");
    const auto effect = [&](std::size_t i) {
        dataset::DataPacket p({{"NRPEDCRECONS", dataset::FieldType::String, 20},
                               {"CDCLIENTE", dataset::FieldType::String, 21},
                               {"CDCONSUMIDOR", dataset::FieldType::String, 21}});
        for (std::size_t f = 0; f < 3; ++f)
            p.column(f).appendText(*pending.at(i)[f]);
        client::TNetConnection net;
        aimAt(net, server.port());
        return net.AppServer(QStringLiteral("setEfetivaSaldo"), {std::move(p)}).errorMessage();
    };
    const auto ledger = [&](std::size_t i) {
        return db->queryText("SELECT DISTINCT NMOPERADOR FROM LANCSALDO WHERE NRPEDCRECONS = ?",
                             {*pending[i][0]});
    };
    const auto endTheSession = [&] {
        server.client().request(
            "DELETE", "/session", {},
            {{"Authorization", client::serverSession().bearer().toStdString()}});
    };
    ASSERT_TRUE(confcred::testing::waitUntil(
        [&] { return server.get("/health").body.find("sessions") != std::string::npos; }));
    automation::ScriptedUiService scripted;
    automation::ScopedUi scope(scripted);
    QStringList shown;
    const auto dialog = [&](const char* name, const char* button) {
        return [&, name, button](QDialog& d) {
            shown << d.findChild<QLabel*>(QStringLiteral("lblMensagem"))->text();
            d.findChild<QLineEdit*>(QStringLiteral("edtOperador"))->setText(name);
            d.findChild<QLineEdit*>(QStringLiteral("edtSenha"))
                ->setText(QStringLiteral("senha-da-") + QString::fromUtf8(name).toLower());
            d.findChild<QPushButton*>(QString::fromUtf8(button))->click();
        };
    };
    const core::ScopeGuard logOut([] { client::serverSession().end(); });
    scripted.queueModal(dialog("Ana", "btnEntrar"));
    QString name = QStringLiteral("Ana"), message;
    ASSERT_EQ(forms::logInAtStart(QStringLiteral("127.0.0.1"), server.port(), name, std::nullopt,
                                  message),
              forms::LoginResult::LoggedIn);

    endTheSession();
    scripted.queueModal(dialog("Ana", "btnCancelar"));
    EXPECT_TRUE(effect(0).contains(QStringLiteral("a nova entrada foi cancelada; nada foi")));
    EXPECT_TRUE(ledger(0).empty());
    scripted.queueModal(dialog("Ana", "btnEntrar"));
    EXPECT_EQ(effect(0), QString());
    EXPECT_EQ(*ledger(0).at(0)[0], "Ana");
    EXPECT_EQ(shown.last(), QStringLiteral("Sua sessão no servidor de aplicação terminou. Entre "
                                           "novamente para continuar."));
    endTheSession();
    scripted.queueModal(dialog("Bia", "btnEntrar"));
    EXPECT_TRUE(effect(1).startsWith(QStringLiteral("A sessão passou para o operador Bia;")));
    EXPECT_EQ(core::Operador, QStringLiteral("Bia"));

    ASSERT_EQ(forms::logInAtStart(QStringLiteral("127.0.0.1"), server.port(), name,
                                  QStringLiteral("senha-da-ana"), message),
              forms::LoginResult::LoggedIn);
    endTheSession();
    EXPECT_EQ(effect(1), QString());
    EXPECT_EQ(*ledger(1).at(0)[0], "Ana");
    srv::trust::OperatorStore(*db).disable("Ana");
    EXPECT_TRUE(effect(0).contains(QStringLiteral("recusada: Operador ou senha incorretos.")));
}

// Over HTTPS the server's certificate must chain to the host's authorities:
// the CA file's, else the system's store. A certificate that does not stops
// the call with a message naming the server and the reason, and no answer is
// taken; with the right authority calls and the login go through.
TEST(RealTlsServerTest, CallsGoThroughOnlyWhenTheCertificateVerifies) {
    const confcred::testing::TestCertificates certificates;
    confcred::testing::ServerProcessOptions options;
    options.extraArgs = {"--tls-cert", certificates.certFile().string(), "--tls-key",
                         certificates.keyFile().string()};
    confcred::testing::ServerProcess server(options);
    const QString address = QStringLiteral("https://127.0.0.1");
    const core::ScopeGuard trustTheSystemAgain([] { client::setServerCaFile({}); });
    const auto aimOverTls = [&](client::TNetConnection& net) {
        net.setServerName(QStringLiteral("lun90000.rdmConfCredBanc"));
        net.setHost(address);
        net.setPort(server.port());
    };

    const QString refused = QStringLiteral("O certificado do servidor de aplicação em ") + address +
                            ':' + QString::number(server.port()) +
                            QStringLiteral(" não foi aceito e a conexão foi interrompida: ");
    const std::pair<const char*, std::filesystem::path> untrusted[] = {
        {"the system's store", {}}, {"another authority", certificates.strangerCaFile()}};
    for (const auto& [trust, caFile] : untrusted) {
        SCOPED_TRACE(trust);
        client::setServerCaFile(QString::fromStdString(caFile.string()));
        client::TNetConnection net;
        aimOverTls(net);
        try {
            net.AppServer(QStringLiteral("getPEDCREDCONS"), everyOrder());
            ADD_FAILURE() << "a call went through to an untrusted certificate";
        } catch (const client::TransportError& e) {
            const QString text = QString::fromUtf8(e.what());
            EXPECT_TRUE(text.startsWith(refused)) << e.what();
            EXPECT_GT(text.indexOf(QStringLiteral(". Confira")), refused.size())
                << "no reason given";
        }
        EXPECT_FALSE(net.Connected());
        // At the host's start, before any screen opens, with the same reason.
        QString name = QStringLiteral("Ana"), message;
        EXPECT_EQ(forms::logInAtStart(address, server.port(), name, std::nullopt, message),
                  forms::LoginResult::Untrusted);
        EXPECT_TRUE(message.startsWith(refused)) << message.toStdString();
    }

    client::setServerCaFile(QString::fromStdString(certificates.caFile().string()));
    client::TNetConnection net;
    aimOverTls(net);
    const client::CallResult orders = net.AppServer(QStringLiteral("getPEDCREDCONS"), everyOrder());
    ASSERT_TRUE(orders.ok()) << orders.errorMessage().toStdString();
    ASSERT_TRUE(orders.hasPacket());
    EXPECT_GT(orders.packet().rowCount(), 0u);

    // The login and the session's calls take the same road.
    {
        auto db = confcred::server::storage::openDatabase(server.dbUrl());
        confcred::server::trust::OperatorStore(*db).add(
            "Ana", confcred::server::trust::Role::Operador, "senha-da-ana");
    }
    ASSERT_TRUE(confcred::testing::waitUntil(
        [&] { return client::serverSession().required(address, server.port()); }));
    QString name = QStringLiteral("Ana"), message;
    ASSERT_EQ(
        forms::logInAtStart(address, server.port(), name, QStringLiteral("senha-da-ana"), message),
        forms::LoginResult::LoggedIn)
        << message.toStdString();
    EXPECT_TRUE(net.AppServer(QStringLiteral("getPEDCREDCONS"), everyOrder()).ok());
    client::serverSession().end();
    EXPECT_THROW(client::setServerCaFile(QString::fromStdString(certificates.keyFile().string())),
                 std::runtime_error);
}
#endif

}  // namespace
