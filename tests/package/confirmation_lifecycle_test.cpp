// The confirmation screen's lifetime: creation, first activation, later
// instances, a failed connection, closing.
#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSqlDatabase>
#include <QTabWidget>
#include <cstring>
#include <functional>

#include "confirmation_components.h"
#include "confirmation_support.h"
#include "dataset/record_set.h"
#include "host/client/sql_query.h"
#include "host/core/package_info.h"
#include "host/widgets/button_flat.h"
#include "package/confirmation/frm_conf_cred_bco.h"
#include "package/core/credit_filter_params.h"
#include "package/core/credit_filter_text.h"
#include "package/filter/frm_filtro_conf_cred_bco.h"
#include "package/frame/package_units.h"
#include "package_fixture.h"
#include "platform/clock.h"
#include "platform/datetime.h"
#include "support/base_components.h"

extern "C" {
const PackageInfoTable* GetPackageInfoTable();
void Initialize();
void Finalize();
const char* GetCreditFilterParams();
}

namespace confcred::testing {
namespace {

using namespace base;

using namespace confirmation;

using package::frmConfCredBco;
namespace Cli_Lun90000 = package::Cli_Lun90000;

class ConfirmationLifecycle : public PackageTest {};

// The credit filter parameters with their defaults; the strings in the
// order the unit's unload releases them.
struct TextParam {
    const char* name;
    QString* value;
    const char* byDefault;
};
const TextParam kTextParams[] = {
    {"stDSPedido", &package::stDSPedido, ""},
    {"stNrPedido", &package::stNrPedido, ""},
    {"P_DSSITCREBANC", &package::P_DSSITCREBANC, ""},
    {"P_NRPEDCRECONS", &package::P_NRPEDCRECONS, ""},
    {"P_IDPEDCREEXTR", &package::P_IDPEDCREEXTR, ""},
    {"P_IDPEDCRECONT", &package::P_IDPEDCRECONT, ""},
    {"P_CDCONSUMIDOR", &package::P_CDCONSUMIDOR, "T"},
    {"P_CDCLIENTE", &package::P_CDCLIENTE, "T"},
};
struct FlagParam {
    const char* name;
    bool* value;
    bool byDefault;
};
const FlagParam kFlagParams[] = {
    {"boPendente", &package::boPendente, true},    {"boEfetivado", &package::boEfetivado, false},
    {"boCancelado", &package::boCancelado, false}, {"boTodosCon", &package::boTodosCon, true},
    {"boTodosCli", &package::boTodosCli, true},    {"boContSim", &package::boContSim, false},
    {"boContNao", &package::boContNao, true},
};

// Every parameter away from its default.
void moveParamsOffDefaults() {
    for (const TextParam& p : kTextParams)
        *p.value = QStringLiteral("'X'");
    for (const FlagParam& p : kFlagParams)
        *p.value = !p.byDefault;
    package::P_DATAINICIAL = platform::DateTime::fromParts(2020, 1, 2);
    package::P_DATAFINAL = platform::DateTime::fromParts(2020, 1, 3);
}

// Confirms the filter dialog as it opens, with what it loaded.
void confirmFilter(QDialog& dialog) {
    auto& filter = dynamic_cast<package::TfrmFiltroConfCredBco&>(dialog);
    sbtConfirma(filter)->click();
}

TEST_F(ConfirmationLifecycle, FirstActivationOpensFilterOnceAndLoads) {
    ui_.queueModal(confirmFilter);
    package::CriaConfCredBanc();
    ASSERT_FALSE(frmConfCredBco.isNull());
    EXPECT_TRUE(Cli_Lun90000::boIdCriado);
    EXPECT_TRUE(Cli_Lun90000::boCriaFiltro);
    EXPECT_EQ(callMethods(), (QStringList{"getPEDCREDCONS", "getPEDICREDFAMI"}));
    EXPECT_GT(cdsGetPediCreCons(*frmConfCredBco).recordCount(), 0u);
    // The filter line names the filter the list was fetched with.
    EXPECT_EQ(frmConfCredBco->findChild<QLabel*>("lblFiltro")->text(),
              "Filtro: " + package::creditFilterText());
    EXPECT_TRUE(package::creditFilterText().contains("Situação: Pendente; Contabilizado: Não"));
    EXPECT_EQ(cdsGetPediCreCons(*frmConfCredBco).recNo(), 1u);
    EXPECT_FALSE(markAllIsOn(*frmConfCredBco));

    // Opening again shows the same instance, without a dialog or a reload.
    package::TfrmConfCredBco* first = frmConfCredBco;
    clearCalls();
    package::CriaConfCredBanc();
    EXPECT_EQ(frmConfCredBco.data(), first);
    EXPECT_TRUE(calls().isEmpty());
    EXPECT_EQ(ui_.pendingModals(), 0u);
}

// The filter dialog cannot be created (the host database is unreadable): the
// error reaches the screen's handler, which reports it and stops. The first
// activation loads nothing and does not come again; the filter button leaves
// the list and the mark-all switch as they were.
TEST_F(ConfirmationLifecycle, FilterFailingAtCreationStopsTheHandlerThatAskedForIt) {
    closeSharedDatabase();
    // A desk with a database of its own that cannot be opened (without one the
    // look-up goes to the server).
    QSqlDatabase::addDatabase("QSQLITE",
                              QString::fromLatin1(host::client::TADOIBQuery::kSharedConnection))
        .setDatabaseName("/nonexistent/host.db");
    package::CriaConfCredBanc();
    ASSERT_FALSE(frmConfCredBco.isNull());
    EXPECT_TRUE(Cli_Lun90000::boCriaFiltro);
    EXPECT_TRUE(calls().isEmpty()) << calls().join('\n').toStdString();
    ASSERT_EQ(ui_.boxes().size(), 1u);
    EXPECT_EQ(ui_.boxes()[0].kind, host::core::BoxKind::Error);
    EXPECT_TRUE(ui_.boxes()[0].text.contains("dtmDBGeral")) << ui_.boxes()[0].text.toStdString();

    sbtVerificar(*frmConfCredBco)->click();  // the switch is off after a reload
    clearCalls();
    brnFiltro(*frmConfCredBco)->click();
    EXPECT_TRUE(calls().isEmpty());
    EXPECT_EQ(ui_.boxes().size(), 2u);
    EXPECT_FALSE(markAllIsOn(*frmConfCredBco)) << "the cancelled-filter rule ran";
}

// The child window has its stated place and outer size (title bar and
// borders included) already while its first activation shows the filter
// dialog, and the screen code stays clear of the toolbar's buttons.
TEST_F(ConfirmationLifecycle, OpensAtItsPlaceAndSizeBeforeItsFirstActivation) {
    processEvents();  // the host is up and idle, as when the operator opens the screen
    const QRect stated(244, 105, 815, 585);
    QRect during;
    ui_.queueModal([&](QDialog&) {
        during = frmConfCredBco->frame()->frameGeometry();
        const QRect code = lblCodTela(*frmConfCredBco)->geometry();
        for (auto* button : panMenu(*frmConfCredBco)->findChildren<host::widgets::TButtonFlat*>()) {
            EXPECT_FALSE(button->geometry().intersects(code)) << button->objectName().toStdString();
        }
    });
    package::CriaConfCredBanc();
    ASSERT_FALSE(frmConfCredBco.isNull());
    EXPECT_EQ(during, stated);
    processEvents();
    EXPECT_EQ(frmConfCredBco->frame()->frameGeometry(), stated);
}

TEST_F(ConfirmationLifecycle, OpeningAgainRestoresAMinimisedScreen) {
    ui_.queueModal(confirmFilter);
    package::CriaConfCredBanc();
    ASSERT_FALSE(frmConfCredBco.isNull());
    frmConfCredBco->frame()->showMinimized();
    package::CriaConfCredBanc();
    EXPECT_FALSE(frmConfCredBco->frame()->isMinimized());
    EXPECT_EQ(mdiArea()->subWindowList().size(), 1);
}

TEST_F(ConfirmationLifecycle, LaterInstanceStartsEmptyWithDefaults) {
    ui_.queueModal(confirmFilter);
    package::CriaConfCredBanc();
    ASSERT_FALSE(frmConfCredBco.isNull());
    moveParamsOffDefaults();
    frmConfCredBco->Close();
    processEvents();
    EXPECT_FALSE(Cli_Lun90000::boIdCriado);
    EXPECT_TRUE(frmConfCredBco.isNull());

    clearCalls();
    platform::ManualClock clock(platform::DateTime::fromParts(2026, 12, 7, 14, 2, 9));
    platform::ScopedClock scopedClock(clock);
    package::CriaConfCredBanc();
    ASSERT_FALSE(frmConfCredBco.isNull());
    for (const TextParam& p : kTextParams)
        EXPECT_EQ(*p.value, QString::fromLatin1(p.byDefault)) << p.name;
    for (const FlagParam& p : kFlagParams)
        EXPECT_EQ(*p.value, p.byDefault) << p.name;
    // Today's date, without the time of day.
    EXPECT_EQ(package::P_DATAINICIAL.toIso(), "2026-12-07T00:00:00");
    EXPECT_EQ(package::P_DATAFINAL.toIso(), "2026-12-07T00:00:00");
    EXPECT_TRUE(calls().isEmpty());
    EXPECT_FALSE(cdsGetPediCreCons(*frmConfCredBco).active());
    // Until the first reload the operations stay enabled as laid out; a tab
    // switch leaves the data source inactive and so changes nothing either.
    auto& screen = *frmConfCredBco;
    pgcPadrao(screen)->setCurrentWidget(tshFormulario(screen));
    pgcPadrao(screen)->setCurrentWidget(tshFolhaDados(screen));
    for (QWidget* control :
         QList<QWidget*>{sbtImprimir(screen), btnEfetivaCredito(screen), btnDesfazCredito(screen),
                         btnCancelaPedido(screen), BtnDesfazCancelamento(screen)})
        EXPECT_TRUE(control->isEnabled()) << control->objectName().toStdString();
}

TEST_F(ConfirmationLifecycle, FailedConnectionClosesAndIsNotKept) {
    pointAtDeadServer();
    ui_.queueBoxAnswer(host::core::mrOk);
    package::CriaConfCredBanc();
    processEvents();
    ASSERT_EQ(ui_.boxes().size(), 1u);
    EXPECT_EQ(ui_.boxes()[0].kind, host::core::BoxKind::Error);
    EXPECT_EQ(ui_.boxes()[0].text,
              QStringLiteral("Não foi possível estabelecer uma conexão com o servidor, a tela será "
                             "finalizada."));
    EXPECT_TRUE(frmConfCredBco.isNull());
    EXPECT_FALSE(Cli_Lun90000::boIdCriado);
    EXPECT_FALSE(Cli_Lun90000::boCriaFiltro);
}

// The package information lists the contained units in the package's order;
// loading resets the flags, unloading releases the parameters' texts.
TEST_F(ConfirmationLifecycle, ModuleExports) {
    const PackageInfoTable* info = GetPackageInfoTable();
    ASSERT_NE(info, nullptr);
    std::vector<std::string> units;
    for (int i = 0; i < info->containsCount; ++i)
        units.emplace_back(info->contains[i].name);
    EXPECT_EQ(units, (std::vector<std::string>{"Pkg_Lun90000", "Cli_Lun90002", "SysInit",
                                               "Cli_Lun90000", "Cli_Lun90001"}));

    Cli_Lun90000::boCriaFiltro = true;
    Cli_Lun90000::boIdCriado = true;
    package::Cli_Lun90002::boIdCriado = true;
    Initialize();
    EXPECT_FALSE(Cli_Lun90000::boCriaFiltro);
    EXPECT_FALSE(Cli_Lun90000::boIdCriado);
    EXPECT_FALSE(package::Cli_Lun90002::boIdCriado);

    moveParamsOffDefaults();
    EXPECT_NE(std::strstr(GetCreditFilterParams(), "P_CDCLIENTE = 'X'\n"), nullptr);
    Finalize();
    for (const TextParam& p : kTextParams)
        EXPECT_TRUE(p.value->isNull()) << p.name;
    // Only the strings are released.
    for (const FlagParam& p : kFlagParams)
        EXPECT_EQ(*p.value, !p.byDefault) << p.name;
}

// The hourglass is on from before the screen is made until it is shown (its
// first activation, with the filter dialog, included), then the default
// cursor; the same when the screen is only shown again, and when it ends
// during its creation.
TEST_F(ConfirmationLifecycle, CreationShowsTheHourglassThenTheDefault) {
    struct Row {
        const char* name;
        std::function<void()> prepare;
        QStringList expected;
    } rows[] = {
        {"first creation",
         [this] { ui_.queueModal(confirmFilter); },
         {"cursor -11 no screen", "modal frmFiltroConfCredBco", "cursor 0 screen shown"}},
        {"shown again", [] {}, {"cursor -11 screen shown", "cursor 0 screen shown"}},
        {"no connection",
         [this] {
             frmConfCredBco->Close();
             processEvents();
             pointAtDeadServer();
             ui_.queueBoxAnswer(host::core::mrOk);
         },
         {"cursor -11 no screen",
          "box Não foi possível estabelecer uma conexão com o servidor, a "
          "tela será finalizada.",
          "cursor 0 no screen"}},
    };
    QStringList seen;
    ui_.setOnRequest([&seen](const host::automation::RecordedRequest& request) {
        using Kind = host::automation::RecordedRequest::Kind;
        if (request.kind == Kind::Cursor)
            seen << QStringLiteral("cursor ") + request.detail +
                        (frmConfCredBco.isNull() || !frmConfCredBco->isVisible()
                             ? QStringLiteral(" no screen")
                             : QStringLiteral(" screen shown"));
        else if (request.kind == Kind::Modal)
            seen << QStringLiteral("modal ") + request.detail;
        else if (request.kind == Kind::Box)
            seen << QStringLiteral("box ") + request.detail;
    });
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        row.prepare();
        seen.clear();
        package::CriaConfCredBanc();
        EXPECT_EQ(seen, row.expected);
        EXPECT_EQ(ui_.screenCursor(), host::core::crDefault);
    }
    ui_.setOnRequest(nullptr);
}

}  // namespace
}  // namespace confcred::testing
