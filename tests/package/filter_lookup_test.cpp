// The filter dialog's client and consumer look-ups against a real server and
// the host's shared connection on the same database: what each search asks,
// what the pickers' answers do to the selections, empty lists, failures, and
// the registration numbers the client picker shows.
#include <QApplication>
#include <QCheckBox>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QToolButton>
#include <functional>

#include "dataset/record_set.h"
#include "filter_components.h"
#include "host/client/sql_query.h"
#include "host/core/application.h"
#include "host/core/dispatch.h"
#include "host/widgets/btn_pesquisa.h"
#include "host/widgets/list_picker.h"
#include "package/core/credit_filter_params.h"
#include "package/core/credit_filter_text.h"
#include "package/filter/frm_filtro_conf_cred_bco.h"
#include "package/frame/package_units.h"
#include "package_fixture.h"
#include "support/base_components.h"
#include "support/temp_dir.h"

namespace confcred::testing {
namespace {

using namespace base;

using namespace filter;
using Dialog = package::TfrmFiltroConfCredBco;

const QString kShared = QString::fromLatin1(host::client::TADOIBQuery::kSharedConnection);

// A new PostgreSQL database gets no demo data of its own (a new SQLite file
// does): the server adds the demo clients and consumers with its first
// seeded order.
void ensureDemoClients(const std::string& url) {
    QSqlQuery count(QSqlDatabase::database(kShared, false));
    ASSERT_TRUE(count.exec("SELECT COUNT(*) FROM CLIENTE") && count.next());
    if (count.value(0).toInt() > 0)
        return;
    ServerProcessOptions options;
    options.dbUrl = url;
    options.extraArgs = {"--seed-orders", "1"};
    ServerProcess seeding(options);
}

QStringList column(const dataset::RecordSet& set, const char* field) {
    QStringList values;
    auto& s = const_cast<dataset::RecordSet&>(set);
    const size_t index = s.fieldByName(field).index();
    for (size_t row = 0; row < set.recordCount(); ++row)
        values << QString::fromStdString(set.displayTextAt(row, index));
    return values;
}

QString chave(const char* client, const char* consumer) {
    return QString::fromLatin1(client).leftJustified(21) +
           QString::fromLatin1(consumer).leftJustified(21);
}

class FilterLookup : public PackageTest {
  protected:
    void SetUp() override {
        PackageTest::SetUp();
        ensureDemoClients(server().dbUrl());
        host::core::setErrorReport([this](const QString& text) { reported_ << text; });
    }
    void TearDown() override {
        host::core::setErrorReport(nullptr);
        PackageTest::TearDown();
    }

    bool run(const std::function<void(Dialog&)>& act) {
        ui_.queueModal([act](QDialog& d) { act(dynamic_cast<Dialog&>(d)); });
        return package::CriaFiltroConfirmacao();
    }

    // Restores a "Lista" choice as an earlier confirmation would have left it.
    static void restoreLista(const QString& clients, const QString& consumers) {
        package::P_CDCLIENTE = clients;
        package::boTodosCli = clients == "T";
        package::P_CDCONSUMIDOR = consumers;
        package::boTodosCon = consumers == "T";
    }

    int picks() const {
        int n = 0;
        for (const host::automation::RecordedRequest& r : ui_.requests())
            n += r.kind == host::automation::RecordedRequest::Kind::Pick ? 1 : 0;
        return n;
    }
    QString lastPick() const {
        for (auto it = ui_.requests().rbegin(); it != ui_.requests().rend(); ++it)
            if (it->kind == host::automation::RecordedRequest::Kind::Pick)
                return it->detail;
        return {};
    }

    QStringList reported_;
};

TEST_F(FilterLookup, ClientQueryOnTheSharedConnection) {
    Dialog d;
    EXPECT_EQ(
        cdsPesqCliente(d)->SQL(),
        (QStringList{"SELECT CL.CDCLIENTE, CL.NRINSJURCLIE, CL.NMRAZSOCCLIE",
                     "  FROM CLIENTE CL, CLIENFILIAL CF", " WHERE CL.CDCLIENTE = CF.CDCLIENTE",
                     "   AND CF.CDFILIAL  = :P_CDFILIAL", "ORDER BY CL.CDCLIENTE"}));
    EXPECT_EQ(cdsPesqCliente(d)->paramNames(), QStringList{"P_CDFILIAL"});
    EXPECT_EQ(cdsPesqCliente(d)->connectionName(), QStringLiteral("dtmDBGeral"));
}

TEST_F(FilterLookup, ClientSearchListsTheBranchAndKeepsThePick) {
    host::core::FiliProc = 1;
    bool openedAtCreation = false;
    QStringList codes;
    QString client, consumer, branch, shownBeside;
    ASSERT_TRUE(run([&](Dialog& d) {
        openedAtCreation = cdsPesqCliente(d)->Active();
        rbtListaCliente(d)->click();
        ui_.queuePick("'CLI002'");
        btnCliente(d)->click();
        shownBeside = d.findChild<QLabel*>("lblClienteEscolhido")->toolTip();
        codes = column(cdsPesqCliente(d)->recordSet(), "CDCLIENTE");
        branch = cdsPesqCliente(d)->ParamByName("P_CDFILIAL").AsString;
        client = d.filter().cdCliente;
        consumer = d.filter().cdConsumidor;
        sbtConfirma(d)->click();
    }));
    EXPECT_TRUE(openedAtCreation);
    // The dialog names the pick beside its search button.
    EXPECT_EQ(shownBeside, "CLI002 - Escola Viva Educação Infantil S.A.");
    EXPECT_EQ(codes, (QStringList{"CLI001", "CLI002", "CLI003", "CLI006"}));
    EXPECT_EQ(branch, "1");
    EXPECT_EQ(lastPick(), "Cliente @ CDCLIENTE");
    EXPECT_EQ(client, "'CLI002'");
    EXPECT_EQ(consumer, "T");
    EXPECT_EQ(package::P_CDCLIENTE, "'CLI002'");
    EXPECT_FALSE(package::boTodosCli);
    // The printout's filter names the client as the picker showed it.
    EXPECT_TRUE(package::creditFilterText().startsWith(
        "Cliente: CLI002 - Escola Viva Educação Infantil S.A.; Consumidor/Resp.: Todos; Período: "))
        << package::creditFilterText().toStdString();
    EXPECT_TRUE(reported_.isEmpty()) << reported_.join('\n').toStdString();
}

TEST_F(FilterLookup, ClientPickerOutcomes) {
    const QString oldConsumers = "'" + chave("CLI001", "CONS0001") + "'";
    struct Row {
        const char* name;
        bool ok;
        QString answer;
        QString client, consumer;
    };
    const Row rows[] = {
        {"ok_replaces_and_drops_consumers", true, "'CLI003'", "'CLI003'", "T"},
        {"ok_same_clients_still_drops_consumers", true, "'CLI001'", "'CLI001'", "T"},
        {"cancel_resets_clients_keeps_consumers", false, {}, "T", oldConsumers},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        restoreLista("'CLI001'", oldConsumers);
        QString client, consumer;
        bool consumerLista = false;
        run([&](Dialog& d) {
            r.ok ? ui_.queuePick(r.answer) : ui_.queuePickCancel();
            btnCliente(d)->click();
            client = d.filter().cdCliente;
            consumer = d.filter().cdConsumidor;
            consumerLista = rbtListaConsumidor(d)->isChecked();
        });
        EXPECT_EQ(client, r.client);
        EXPECT_EQ(consumer, r.consumer);
        EXPECT_TRUE(consumerLista) << "the consumer radio buttons stay as they are";
        // Closed without confirming: the parameters are as before.
        EXPECT_EQ(package::P_CDCLIENTE, "'CLI001'");
    }
}

TEST_F(FilterLookup, EmptyListsShowTheirMessageAfterTheFocusMoves) {
    struct Row {
        const char* name;
        bool clientSearch;
        const char* message;
    };
    const Row rows[] = {
        {"no_client_in_branch", true, "Não há clientes cadastrados."},
        {"no_consumer_in_branch", false, "Não há consumidores cadastrados."},
    };
    host::core::FiliProc = 9;  // a branch no client is linked to
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        restoreLista(r.clientSearch ? "'CLI001'" : "T", "'" + chave("CLI001", "CONS0001") + "'");
        ui_.clearRecords();
        clearCalls();
        QWidget* focusAtMessage = nullptr;
        QWidget* lista = nullptr;
        QString client, consumer;
        run([&](Dialog& d) {
            lista = r.clientSearch ? rbtListaCliente(d) : rbtListaConsumidor(d);
            edtDescCredito(d)->setFocus();
            ui_.setOnBox(
                [&](const host::automation::RecordedBox&) { focusAtMessage = d.focusWidget(); });
            ui_.queueBoxAnswer(host::core::mrOk);
            (r.clientSearch ? btnCliente(d) : btnConsumidor(d))->click();
            ui_.setOnBox(nullptr);
            client = d.filter().cdCliente;
            consumer = d.filter().cdConsumidor;
        });
        ASSERT_EQ(ui_.boxes().size(), 1u);
        EXPECT_EQ(ui_.boxes()[0].text, QString::fromUtf8(r.message));
        EXPECT_EQ(focusAtMessage, lista);
        EXPECT_EQ(picks(), 0);
        EXPECT_EQ(client, package::P_CDCLIENTE);
        EXPECT_EQ(consumer, package::P_CDCONSUMIDOR);
        EXPECT_EQ(callMethods().count("getConsumidor"), r.clientSearch ? 0 : 1);
    }
}

TEST_F(FilterLookup, ConsumerSearchArgumentsAndOutcome) {
    host::core::FiliProc = 1;
    const QString picked = "'" + chave("CLI001", "CONS0003") + "'";
    struct Row {
        const char* name;
        QString clients;
        const char* args;
        QStringList clientsListed;
        bool pickOk;
        QString consumerAfter;
    };
    const Row rows[] = {
        {"all_clients",
         "T",
         R"(["","T",1])",
         {"CLI001", "CLI002", "CLI003", "CLI006"},
         true,
         picked},
        {"a_selection", "'CLI001'", R"(["'CLI001'","",1])", {"CLI001"}, true, picked},
        {"picker_cancelled", "'CLI001'", R"(["'CLI001'","",1])", {"CLI001"}, false, "T"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        restoreLista(r.clients, "T");
        clearCalls();
        QString consumer;
        QStringList listed;
        run([&](Dialog& d) {
            rbtListaConsumidor(d)->click();
            r.pickOk ? ui_.queuePick(picked) : ui_.queuePickCancel();
            btnConsumidor(d)->click();
            consumer = d.filter().cdConsumidor;
            listed = column(cdsConsumidor(d), "CDCLIENTE");
            listed.removeDuplicates();
        });
        ASSERT_EQ(calls().size(), 1);
        EXPECT_EQ(calls()[0], QStringLiteral("getConsumidor ") + r.args);
        EXPECT_EQ(listed, r.clientsListed);
        EXPECT_EQ(lastPick(), "Consumidor @ CHAVE");
        EXPECT_EQ(consumer, r.consumerAfter);
    }
}

TEST_F(FilterLookup, ConsumerSearchStopsBeforeTheServer) {
    struct Row {
        const char* name;
        QString clients;  // the selection the dialog opens on
        std::function<void(Dialog&)> prepare;
        const char* message;
        bool serverCalled;  // and so the message is the server's, the focus left alone
    };
    const Row rows[] = {
        {"client_lista_without_clients", "T",
         [](Dialog& d) {
             rbtListaCliente(d)->click();
             rbtListaConsumidor(d)->click();
         },
         "Cliente deve ser informado.", false},
        {"server_refuses_the_selection", "CLI001",  // not a selection
         [](Dialog& d) { rbtListaConsumidor(d)->click(); },
         "Lista de clientes inválida (argumento 1 de getConsumidor): Seleção inválida na "
         "posição 1: cada código deve vir entre aspas simples. Use o formato "
         "'código','código' (aspas simples, separadas por vírgula) ou T para todos.",
         true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        package::setCreditFilterDefaults();
        restoreLista(r.clients, "T");
        ui_.clearRecords();
        clearCalls();
        QWidget* focus = nullptr;
        QWidget* clientLista = nullptr;
        bool consumersLoaded = true;
        run([&](Dialog& d) {
            clientLista = rbtListaCliente(d);
            r.prepare(d);
            ui_.queueBoxAnswer(host::core::mrOk);
            btnConsumidor(d)->click();
            focus = d.focusWidget();
            consumersLoaded = cdsConsumidor(d).active();
        });
        ASSERT_EQ(ui_.boxes().size(), 1u);
        EXPECT_EQ(ui_.boxes()[0].kind, host::core::BoxKind::Error);
        EXPECT_EQ(ui_.boxes()[0].text, QString::fromUtf8(r.message));
        if (!r.serverCalled) {
            EXPECT_EQ(focus, clientLista);
        }
        EXPECT_EQ(callMethods().count("getConsumidor"), r.serverCalled ? 1 : 0);
        EXPECT_FALSE(consumersLoaded);
        EXPECT_EQ(picks(), 0);
        EXPECT_TRUE(reported_.isEmpty()) << reported_.join('\n').toStdString();
    }
}

// Answers each list picker through the real picker dialog over the data
// source it is given, marking the rows whose key the test names.
class PickerProbe : public host::automation::ScriptedUiService {
  public:
    QStringList keyToMark;
    QStringList keys, registrations, titles;

    host::core::PickResult pickList(const host::core::PickRequest& request) override {
        host::widgets::ListPickerDialog picker(request);
        titles = picker.columnTitles();
        keys.clear();
        registrations.clear();
        for (int row = 0; row < picker.rowCount(); ++row) {
            keys << picker.keyAt(row);
            registrations << picker.textAt(row, 1);  // after the client code
            picker.setMarked(row, keyToMark.contains(picker.keyAt(row)));
        }
        picker.accept();
        return picker.pickResult();
    }
};

TEST_F(FilterLookup, RegistrationNumbersShownThroughTheirMasks) {
    host::core::FiliProc = 2;  // companies and a person
    PickerProbe probe;
    probe.keyToMark = {"CLI005"};
    QString client;
    QStringList stored;
    probe.queueModal([&](QDialog& dialog) {
        auto& d = dynamic_cast<Dialog&>(dialog);
        rbtListaCliente(d)->click();
        btnCliente(d)->click();
        client = d.filter().cdCliente;
        dataset::RecordSet& set = cdsPesqCliente(d)->recordSet();
        for (set.first(); !set.eof(); set.next())
            stored << QString::fromStdString(set.fieldByName("NRINSJURCLIE").asString());
    });
    {
        host::automation::ScopedUi scoped(probe);
        package::CriaFiltroConfirmacao();
    }
    EXPECT_EQ(probe.titles, (QStringList{"Código", "Nr. Inscrição", "Nome"}));
    ASSERT_EQ(probe.keys, (QStringList{"CLI003", "CLI004", "CLI005"}));
    ASSERT_EQ(stored.size(), 3);
    const QRegularExpression cnpj(R"(^\d\d\.\d{3}\.\d{3}/\d{4}-\d\d$)");
    const QRegularExpression cpf(R"(^\d{3}\.\d{3}\.\d{3}-\d\d$)");
    const QRegularExpression* masks[] = {&cnpj, &cnpj, &cpf};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(probe.keys[i].toStdString());
        QString shown = probe.registrations[i];
        EXPECT_TRUE(masks[i]->match(shown).hasMatch()) << shown.toStdString();
        // The stored value keeps its digits; only the text shown changes.
        EXPECT_TRUE(QRegularExpression("^[0-9]+$").match(stored[i]).hasMatch());
        EXPECT_EQ(shown.remove(QRegularExpression("[^0-9]")), stored[i]);
    }
    EXPECT_EQ(client, "'CLI005'");
}

TEST_F(FilterLookup, RegistrationNumberAsWideAsItsColumn) {
    // A host database of its own, whose registration column is wider than
    // the demo database's VARCHAR(18).
    TempDir dir;
    closeSharedDatabase();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", kShared);
        db.setDatabaseName(QString::fromStdString((dir.path() / "host.db").string()));
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        for (const char* sql :
             {"CREATE TABLE CLIENTE (CDCLIENTE VARCHAR(21), NRINSJURCLIE VARCHAR(24), "
              "NMRAZSOCCLIE VARCHAR(50))",
              "CREATE TABLE CLIENFILIAL (CDCLIENTE VARCHAR(21), CDFILIAL VARCHAR(4))",
              "INSERT INTO CLIENTE VALUES ('CLI001', '12345678901', 'Padaria Sol')",
              "INSERT INTO CLIENFILIAL VALUES ('CLI001', '1')"})
            ASSERT_TRUE(q.exec(sql)) << sql;
    }
    host::core::FiliProc = 1;
    int size = 0, displayWidth = 0;
    run([&](Dialog& d) {
        rbtListaCliente(d)->click();
        ui_.queuePick("'CLI001'");
        btnCliente(d)->click();
        const dataset::Field& f = cdsPesqCliente(d)->recordSet().fieldByName("NRINSJURCLIE");
        size = f.size();
        displayWidth = f.displayWidth();
    });
    EXPECT_EQ(size, 24);
    EXPECT_EQ(displayWidth, 24);
    EXPECT_TRUE(reported_.isEmpty()) << reported_.join('\n').toStdString();
}

TEST_F(FilterLookup, ListaConfirmationReopensAsLeft) {
    host::core::FiliProc = 1;
    const QString consumers =
        "'" + chave("CLI001", "CONS0002") + "','" + chave("CLI001", "CONS0005") + "'";
    ASSERT_TRUE(run([&](Dialog& d) {
        rbtListaCliente(d)->click();
        ui_.queuePick("'CLI001'");
        btnCliente(d)->click();
        rbtListaConsumidor(d)->click();
        ui_.queuePick(consumers);
        btnConsumidor(d)->click();
        sbtConfirma(d)->click();
    }));
    EXPECT_EQ(package::P_CDCLIENTE, "'CLI001'");
    EXPECT_EQ(package::P_CDCONSUMIDOR, consumers);

    clearCalls();
    ASSERT_TRUE(run([&](Dialog& d) {
        // Reopened, it names what was chosen; "Todos" names nothing.
        EXPECT_TRUE(d.findChild<QLabel*>("lblConsumidorEscolhido")->toolTip().contains("CONS0005"));
        EXPECT_TRUE(rbtListaCliente(d)->isChecked());
        EXPECT_TRUE(btnCliente(d)->isEnabled());
        EXPECT_TRUE(rbtListaConsumidor(d)->isChecked());
        EXPECT_TRUE(btnConsumidor(d)->isEnabled());
        sbtConfirma(d)->click();
    }));
    EXPECT_TRUE(calls().isEmpty());
    EXPECT_EQ(package::P_CDCLIENTE, "'CLI001'");
    EXPECT_EQ(package::P_CDCONSUMIDOR, consumers);
}

// The failure goes on to the caller (the confirmation screen's handler, which
// reports it and stops); the dialog is neither shown nor kept.
TEST_F(FilterLookup, HostDatabaseUnreadableAtCreationReachesTheCaller) {
    closeSharedDatabase();
    // A desk given a database of its own (--db) that cannot be opened: its
    // look-up does not turn to the server instead.
    QSqlDatabase::addDatabase("QSQLITE", kShared).setDatabaseName("/nonexistent/host.db");
    package::P_IDPEDCREEXTR = QStringLiteral("_S_");
    const QString before = package::creditFilterParamsText();
    ui_.queueModal([](QDialog& d) { sbtConfirma(dynamic_cast<Dialog&>(d))->click(); });

    try {
        package::CriaFiltroConfirmacao();
        ADD_FAILURE() << "no error reached the caller";
    } catch (const host::client::QueryError& error) {
        EXPECT_TRUE(QString::fromUtf8(error.what()).contains("dtmDBGeral")) << error.what();
    }
    EXPECT_TRUE(reported_.isEmpty()) << reported_.join('\n').toStdString();
    EXPECT_EQ(ui_.pendingModals(), 1u) << "the dialog was shown";
    EXPECT_EQ(package::creditFilterParamsText(), before);
    EXPECT_TRUE(package::frmFiltroConfCredBco.isNull());
    processEvents();
    for (QWidget* w : QApplication::allWidgets())
        EXPECT_EQ(qobject_cast<Dialog*>(w), nullptr);
    ui_.clearQueues();
}

}  // namespace
}  // namespace confcred::testing
