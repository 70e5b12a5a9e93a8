// The confirmation screen's lifetime: creation, first activation, later
// instances, a failed connection, closing.
#include <QDialog>

#include "dataset/record_set.h"
#include "host/button_flat.h"
#include "package/confirmation/frm_conf_cred_bco.h"
#include "package/filter/frm_filtro_conf_cred_bco.h"
#include "package/frame/credit_filter_params.h"
#include "package/frame/package_units.h"
#include "package_fixture.h"

namespace confcred::testing {
namespace {

using package::frmConfCredBco;
namespace Cli_Lun90000 = package::Cli_Lun90000;

class ConfirmationLifecycle : public PackageTest {};

// Confirms the filter dialog as it opens, with what it loaded.
void confirmFilter(QDialog& dialog) {
    auto& filter = dynamic_cast<package::TfrmFiltroConfCredBco&>(dialog);
    filter.sbtConfirmaClick();
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
    // Until the first reload the operations stay enabled as laid out.
    EXPECT_TRUE(frmConfCredBco->btnEfetivaCredito->isEnabled());
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

}  // namespace
}  // namespace confcred::testing
