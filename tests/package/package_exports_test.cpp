// The module as the host loads it: its exported data reached by plain name,
// and the translation beside it taking effect for the person's language.
#include <QAbstractItemModel>
#include <QCheckBox>
#include <QDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QLocale>

#include "confirmation_components.h"
#include "filter_components.h"
#include "host/core/messages.h"
#include "host/core/package_loader.h"
#include "host/core/text_routines.h"
#include "host/widgets/button_flat.h"
#include "host/widgets/db_grid.h"
#include "package/confirmation/frm_conf_cred_bco.h"
#include "package/filter/frm_filtro_conf_cred_bco.h"
#include "package/frame/package_units.h"
#include "package/import/frm_impor_cons.h"
#include "package_fixture.h"
#include "platform/datetime.h"
#include "platform/win_path.h"
#include "support/base_components.h"
#include "support/temp_dir.h"

namespace confcred::testing {
namespace {

using namespace base;

using namespace confirmation;

using package::TfrmConfCredBco;
using package::TfrmFiltroConfCredBco;
using package::TfrmImporCons;

// An export of the module as the host reaches it: by its name alone.
template <class T>
T* exported(host::core::PackageLoader& module, const char* name) {
    return static_cast<T*>(module.symbol(name));
}

class PackageExports : public PackageTest {
  protected:
    // The import dialog makes its folders under C:, kept here.
    TempDir c_;
    platform::ScopedDriveMap drives_{[this] {
        platform::DriveMap m;
        m.map('C', c_.path());
        return m;
    }()};
};

TEST_F(PackageExports, TheHostReachesTheExportedDataByName) {
    host::core::PackageLoader module;
    module.load(CONFCRED_PACKAGE_MODULE, QLocale(QLocale::Portuguese, QLocale::Brazil));
    QStringList missing;
    for (const char* name : {"P_CDCLIENTE",
                             "P_CDCONSUMIDOR",
                             "P_DATAINICIAL",
                             "P_DATAFINAL",
                             "P_IDPEDCREEXTR",
                             "P_IDPEDCRECONT",
                             "P_NRPEDCRECONS",
                             "P_DSSITCREBANC",
                             "boPendente",
                             "boEfetivado",
                             "boCancelado",
                             "boContSim",
                             "boContNao",
                             "boTodosCli",
                             "boTodosCon",
                             "stNrPedido",
                             "stDSPedido",
                             "frmConfCredBco",
                             "frmFiltroConfCredBco",
                             "frmImporCons",
                             "Cli_Lun90000_boIdCriado",
                             "Cli_Lun90000_boCriaFiltro",
                             "Cli_Lun90002_boIdCriado"})
        if (!module.symbol(name))
            missing << QString::fromLatin1(name);
    ASSERT_TRUE(missing.isEmpty()) << missing.join(' ').toStdString();
    // The flags are data: the symbol is the flag itself.
    auto flag = [&module](const char* name) { return *exported<bool>(module, name); };
    EXPECT_EQ(exported<bool>(module, "Cli_Lun90000_boCriaFiltro"),
              &package::Cli_Lun90000::boCriaFiltro);

    // The first activation's filter dialog is exported while it is shown;
    // its confirmation writes what the host then reads.
    TfrmFiltroConfCredBco* shown = nullptr;
    TfrmFiltroConfCredBco* whileShown = nullptr;
    ui_.queueModal([&](QDialog& dialog) {
        auto& dlg = dynamic_cast<TfrmFiltroConfCredBco&>(dialog);
        shown = &dlg;
        whileShown =
            exported<QPointer<TfrmFiltroConfCredBco>>(module, "frmFiltroConfCredBco")->data();
        filter::chkSitEfetivado(dlg)->setChecked(true);
        filter::chkContabSim(dlg)->setChecked(true);
        filter::edtNrPedido(dlg)->setText(QStringLiteral("123"));
        filter::edtDescCredito(dlg)->setText(QStringLiteral("abc"));
        sbtConfirma(dlg)->click();
    });
    module.call("IniProc");
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(whileShown, shown);
    EXPECT_TRUE(
        exported<QPointer<TfrmFiltroConfCredBco>>(module, "frmFiltroConfCredBco")->isNull());
    TfrmConfCredBco* screen = exported<QPointer<TfrmConfCredBco>>(module, "frmConfCredBco")->data();
    ASSERT_NE(screen, nullptr);
    EXPECT_TRUE(flag("Cli_Lun90000_boIdCriado"));
    EXPECT_TRUE(flag("Cli_Lun90000_boCriaFiltro"));

    const QString number = host::core::Ajusta(QStringLiteral("123"), 20);
    const std::pair<const char*, QString> texts[] = {
        {"P_CDCLIENTE", "T"},        {"P_CDCONSUMIDOR", "T"},    {"P_IDPEDCREEXTR", "_S_N_"},
        {"P_IDPEDCRECONT", "_S_N_"}, {"P_NRPEDCRECONS", number}, {"P_DSSITCREBANC", "%abc%"},
        {"stNrPedido", number},      {"stDSPedido", "abc"},
    };
    for (const auto& [name, value] : texts)
        EXPECT_EQ(*exported<QString>(module, name), value) << name;
    const std::pair<const char*, bool> boxes[] = {
        {"boPendente", true}, {"boEfetivado", true}, {"boCancelado", false}, {"boContSim", true},
        {"boContNao", true},  {"boTodosCli", true},  {"boTodosCon", true},
    };
    for (const auto& [name, value] : boxes)
        EXPECT_EQ(*exported<bool>(module, name), value) << name;

    // What is written through an export is what the next reload sends.
    *exported<platform::DateTime>(module, "P_DATAINICIAL") =
        platform::DateTime::fromParts(2026, 1, 2);
    *exported<QString>(module, "P_DSSITCREBANC") = QStringLiteral("%xyz%");
    clearCalls();
    screen->sbtVerificarClick();
    ASSERT_FALSE(calls().isEmpty());
    EXPECT_TRUE(calls().first().contains("\"2026-01-02T00:00:00\""))
        << calls().first().toStdString();
    EXPECT_TRUE(calls().first().contains("\"%xyz%\"")) << calls().first().toStdString();

    // The import dialog is exported while it is shown, and not after.
    TfrmImporCons* importShown = nullptr;
    TfrmImporCons* importExported = nullptr;
    ui_.queueModal([&](QDialog& dialog) {
        importShown = &dynamic_cast<TfrmImporCons&>(dialog);
        importExported = exported<QPointer<TfrmImporCons>>(module, "frmImporCons")->data();
        EXPECT_TRUE(flag("Cli_Lun90002_boIdCriado"));
        dialog.reject();
    });
    module.call("CriaImportCons");
    processEvents();
    ASSERT_NE(importShown, nullptr);
    EXPECT_EQ(importExported, importShown);
    EXPECT_TRUE(exported<QPointer<TfrmImporCons>>(module, "frmImporCons")->isNull());
    EXPECT_FALSE(flag("Cli_Lun90002_boIdCriado"));
}

// Texts of each screen: captions, a hint, a grid title, messages.
struct ShownTexts {
    QString confirmation, hint, column, pending, filter, situation, importTitle, question;
};

TEST_F(PackageExports, TheTranslationBesideTheModuleFollowsTheLanguage) {
    const std::tuple<QLocale, QString, ShownTexts> rows[] = {
        {QLocale(QLocale::English, QLocale::UnitedStates),
         QStringLiteral("Pkg_Lun90000_en.qm"),
         {"Bank credit confirmation", "Effect credit", "Credit status", "Pending",
          "Bank credit confirmation filter", "Status", "Consumer credit/debit import",
          "Confirm the operation?"}},
        // Portuguese is the package's own language: no translation applies.
        {QLocale(QLocale::Portuguese, QLocale::Brazil),
         QString(),
         {"Confirmação de Crédito Bancário", "Efetivar Crédito", "Situação Créd.", "Pendente",
          "Filtro de Confirmação de Crédito Bancário", "Situação",
          "Importação Crédito/Débito Consumidor ", "Confirma operação?"}},
    };
    for (const auto& [locale, file, expected] : rows) {
        SCOPED_TRACE(locale.name().toStdString());
        host::core::PackageLoader module;
        module.load(CONFCRED_PACKAGE_MODULE, locale);
        EXPECT_EQ(QFileInfo(module.translationFile()).fileName(), file);

        ShownTexts seen;
        ui_.queueModal([&seen](QDialog& dialog) {
            auto& dlg = dynamic_cast<TfrmFiltroConfCredBco&>(dialog);
            seen.filter = dlg.windowTitle();
            seen.situation = filter::grbSituacao(dlg)->title();
        });
        module.call("IniProc");
        ASSERT_FALSE(package::frmConfCredBco.isNull());
        TfrmConfCredBco& screen = *package::frmConfCredBco;
        seen.confirmation = screen.windowTitle();
        seen.hint = btnEfetivaCredito(screen)->toolTip();
        seen.column =
            dbgPadrao(screen)
                ->model()
                ->headerData(dbgPadrao(screen)->columnOfField("IDPEDCREEXTR"), Qt::Horizontal)
                .toString();
        seen.pending = msgPadrao(screen)->Msg(QStringLiteral("Pendente"));

        ui_.queueModal([&seen](QDialog& dialog) {
            auto& import = dynamic_cast<TfrmImporCons&>(dialog);
            seen.importTitle = import.windowTitle();
            seen.question = testing::component<host::core::TMessages>(import, "msgPadrao")
                                .Msg(QStringLiteral("CONF"));
        });
        module.call("CriaImportCons");
        screen.Close();
        processEvents();

        const std::pair<QString, QString> compared[] = {
            {seen.confirmation, expected.confirmation},
            {seen.hint, expected.hint},
            {seen.column, expected.column},
            {seen.pending, expected.pending},
            {seen.filter, expected.filter},
            {seen.situation, expected.situation},
            {seen.importTitle, expected.importTitle},
            {seen.question, expected.question},
        };
        for (const auto& [shown, wanted] : compared)
            EXPECT_EQ(shown, wanted);
    }
}

}  // namespace
}  // namespace confcred::testing
