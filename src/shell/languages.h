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

// Installs the host's own translation (confcred_host_<language>.qm, the
// framework's and the main window's texts) from `folder`, the host's own
// folder, so that an English desk sees the menus, buttons and boxes of the
// framework in English as it sees the screens'. Null when there is none for
// the language (Portuguese, the texts' own language, needs none).
std::unique_ptr<QTranslator> installHostTranslation(const QLocale& locale, const QString& folder);

}  // namespace confcred::shell
