// The confirmation screen's lifetime: creation, first activation, later
// instances, a failed connection, closing.
#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTabWidget>
#include <cstring>

#include "dataset/record_set.h"
#include "host/button_flat.h"
#include "host/package_info.h"
#include "package/confirmation/frm_conf_cred_bco.h"
#include "package/filter/frm_filtro_conf_cred_bco.h"
#include "package/frame/credit_filter_params.h"
#include "package/frame/package_units.h"
#include "package_fixture.h"

extern "C" {
const PackageInfoTable* GetPackageInfoTable();
void Initialize();
void Finalize();
const char* GetCreditFilterParams();
}

namespace confcred::testing {
namespace {

using package::frmConfCredBco;
namespace Cli_Lun90000 = package::Cli_Lun90000;

class ConfirmationLifecycle : public PackageTest {};

// Confirms the filter dialog as it opens, with what it loaded.
void confirmFilter(QDialog& dialog) {
    auto& filter = dynamic_cast<package::TfrmFiltroConfCredBco&>(dialog);
    filter.sbtConfirma->click();
}

TEST_F(ConfirmationLifecycle, FirstActivationOpensFilterOnceAndLoads) {
    ui_.queueModal(confirmFilter);
    package::CriaConfCredBanc();
    ASSERT_FALSE(frmConfCredBco.isNull());
    EXPECT_TRUE(Cli_Lun90000::boIdCriado);
    EXPECT_TRUE(Cli_Lun90000::boCriaFiltro);
    EXPECT_EQ(callMethods(), (QStringList{"getPEDCREDCONS", "getPEDICREDFAMI"}));
    EXPECT_GT(frmConfCredBco->cdsGetPediCreCons.recordCount(), 0u);
    EXPECT_EQ(frmConfCredBco->cdsGetPediCreCons.recNo(), 1u);
    EXPECT_FALSE(frmConfCredBco->boMarcaTodos);

    // Opening again shows the same instance, without a dialog or a reload.
    package::TfrmConfCredBco* first = frmConfCredBco;
    clearCalls();
    package::CriaConfCredBanc();
    EXPECT_EQ(frmConfCredBco.data(), first);
    EXPECT_TRUE(calls().isEmpty());
    EXPECT_EQ(ui_.pendingModals(), 0u);
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
        const QRect code = frmConfCredBco->lblCodTela->geometry();
        for (auto* button : frmConfCredBco->panMenu->findChildren<host::TButtonFlat*>()) {
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
    package::P_CDCLIENTE = QStringLiteral("'CLI001'");
    frmConfCredBco->Close();
    processEvents();
    EXPECT_FALSE(Cli_Lun90000::boIdCriado);
    EXPECT_TRUE(frmConfCredBco.isNull());

    clearCalls();
    package::CriaConfCredBanc();
    ASSERT_FALSE(frmConfCredBco.isNull());
    EXPECT_EQ(package::P_CDCLIENTE, QStringLiteral("T"));
    EXPECT_TRUE(calls().isEmpty());
    EXPECT_FALSE(frmConfCredBco->cdsGetPediCreCons.active());
    // Until the first reload the operations stay enabled as laid out; a tab
    // switch leaves the data source inactive and so changes nothing either.
    auto& screen = *frmConfCredBco;
    screen.pgcPadrao->setCurrentWidget(screen.tshFormulario);
    screen.pgcPadrao->setCurrentWidget(screen.tshFolhaDados);
    for (QWidget* control :
         QList<QWidget*>{screen.sbtImprimir, screen.btnEfetivaCredito, screen.btnDesfazCredito,
                         screen.btnCancelaPedido, screen.BtnDesfazCancelamento})
        EXPECT_TRUE(control->isEnabled()) << control->objectName().toStdString();
}

TEST_F(ConfirmationLifecycle, FailedConnectionClosesAndIsNotKept) {
    pointAtDeadServer();
    ui_.queueBoxAnswer(host::mrOk);
    package::CriaConfCredBanc();
    processEvents();
    ASSERT_EQ(ui_.boxes().size(), 1u);
    EXPECT_EQ(ui_.boxes()[0].kind, host::BoxKind::Error);
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

    package::P_CDCLIENTE = QStringLiteral("'CLI001'");
    EXPECT_NE(std::strstr(GetCreditFilterParams(), "P_CDCLIENTE = 'CLI001'\n"), nullptr);
    Finalize();
    EXPECT_TRUE(package::P_CDCLIENTE.isEmpty());
    EXPECT_TRUE(package::P_IDPEDCREEXTR.isEmpty());
}

}  // namespace
}  // namespace confcred::testing
