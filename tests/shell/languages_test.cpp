// The person's language: Brazilian Portuguese unless one was chosen, and Qt's
// own translation for it from Qt's translations folder.
#include "shell/languages.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QFileInfo>

namespace confcred::shell {
namespace {

TEST(Languages, BrazilianPortugueseUnlessThePersonChoseALanguage) {
    const QLocale brazil(QLocale::Portuguese, QLocale::Brazil);
    const std::pair<QLocale, QLocale> rows[] = {
        {QLocale::c(), brazil},  // LANG=C, C.UTF-8, POSIX or none
        {brazil, brazil},
        {QLocale(QLocale::English, QLocale::UnitedStates),
         QLocale(QLocale::English, QLocale::UnitedStates)},
    };
    for (const auto& [system, person] : rows)
        EXPECT_EQ(personLocale(system), person) << system.name().toStdString();
}

TEST(Languages, InstallsQtsOwnTranslationWhenTheFolderHasIt) {
    {
        // Debian's qt6-translations-l10n holds Brazilian Portuguese.
        const std::unique_ptr<QTranslator> installed =
            installQtTranslation(QLocale(QLocale::Portuguese, QLocale::Brazil));
        ASSERT_NE(installed, nullptr);
        EXPECT_TRUE(installed->filePath().endsWith("qtbase_pt_BR.qm"))
            << installed->filePath().toStdString();
        EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Back"), "Voltar");
        EXPECT_EQ(QCoreApplication::translate("QPrintDialog", "Print"), "Imprimir");
    }
    // Gone with its translator; a language Qt has no file for installs none.
    EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Back"), "Back");
    EXPECT_EQ(installQtTranslation(QLocale(QLocale::Swahili, QLocale::Kenya)), nullptr);
    EXPECT_EQ(QCoreApplication::translate("QPrintDialog", "Print"), "Print");
}

// The host's own texts in English beside the host: the framework's buttons
// and boxes speak the language of the screens.
TEST(Languages, InstallsTheHostsOwnTranslationBesideIt) {
    const QString folder = QFileInfo(QStringLiteral(CONFCRED_HOST_EXE)).absolutePath();
    {
        const std::unique_ptr<QTranslator> installed =
            installHostTranslation(QLocale(QLocale::English, QLocale::UnitedStates), folder);
        ASSERT_NE(installed, nullptr) << folder.toStdString();
        EXPECT_EQ(QCoreApplication::translate("confcred_host", "Confirmar"), "Confirm");
        EXPECT_EQ(QCoreApplication::translate("confcred_host", "Cancelar"), "Cancel");
        EXPECT_EQ(QCoreApplication::translate("confcred_host", "&Registro"), "&Record");
    }
    EXPECT_EQ(QCoreApplication::translate("confcred_host", "Confirmar"), "Confirmar");
    EXPECT_EQ(installHostTranslation(QLocale(QLocale::Portuguese, QLocale::Brazil), folder),
              nullptr);
}

}  // namespace
}  // namespace confcred::shell
