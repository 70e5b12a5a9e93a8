#include "shell/languages.h"

#include <QCoreApplication>
#include <QTranslator>

namespace confcred::shell {

QLocale personLocale(const QLocale& system) {
    if (system.language() == QLocale::C)
        return QLocale(QLocale::Portuguese, QLocale::Brazil);
    return system;
}

std::unique_ptr<QTranslator> installQtTranslation(const QLocale& locale, const QString& folder) {
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"), folder,
                          QStringLiteral(".qm")))
        return nullptr;
    QCoreApplication::installTranslator(translator.get());
    return translator;
}

std::unique_ptr<QTranslator> installHostTranslation(const QLocale& locale, const QString& folder) {
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(locale, QStringLiteral("confcred_host"), QStringLiteral("_"), folder,
                          QStringLiteral(".qm")))
        return nullptr;
    QCoreApplication::installTranslator(translator.get());
    return translator;
}

}  // namespace confcred::shell
