// The person's language: the package's translation and Qt's own follow it,
// while the regional formats stay Brazilian whatever it is.
#pragma once

#include <QLibraryInfo>
#include <QLocale>
#include <QString>
#include <QTranslator>
#include <memory>

namespace confcred::shell {

// The language the person chose (LANGUAGE, LC_ALL, LC_MESSAGES, LANG); a
// system that names none (C, POSIX) gets Brazilian Portuguese, the system's
// own language.
QLocale personLocale(const QLocale& system = QLocale::system());

// Installs Qt's own translation (qtbase_<language>.qm) for `locale` from
// `folder`, so that Qt's dialogs (file chooser, printing, standard buttons)
// speak the person's language. Returns the installed translator, which stays
// installed as long as it lives; null when the folder has none for the
// language.
std::unique_ptr<QTranslator> installQtTranslation(
    const QLocale& locale,
    const QString& folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath));

}  // namespace confcred::shell
