#include "host/widgets/qt_ui_service.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>
#include <stdexcept>

#include "host/core/application.h"
#include "host/widgets/list_picker.h"
#include "platform/win_path.h"

namespace confcred::host::widgets {

namespace {

struct ClassicButton {
    core::BoxButton button;
    int result;
    QMessageBox::StandardButton standard;
    const char* text;
};

// The operators read Portuguese on every button, whatever Qt translation the
// host has loaded.
const ClassicButton kButtons[] = {
    {core::mbYes, core::mrYes, QMessageBox::Yes, QT_TRANSLATE_NOOP("confcred_host", "&Sim")},
    {core::mbNo, core::mrNo, QMessageBox::No, QT_TRANSLATE_NOOP("confcred_host", "&Não")},
    {core::mbOK, core::mrOk, QMessageBox::Ok, QT_TRANSLATE_NOOP("confcred_host", "OK")},
    {core::mbCancel, core::mrCancel, QMessageBox::Cancel,
     QT_TRANSLATE_NOOP("confcred_host", "Cancelar")},
    {core::mbAbort, core::mrAbort, QMessageBox::Abort,
     QT_TRANSLATE_NOOP("confcred_host", "&Anular")},
    {core::mbRetry, core::mrRetry, QMessageBox::Retry,
     QT_TRANSLATE_NOOP("confcred_host", "&Repetir")},
    {core::mbIgnore, core::mrIgnore, QMessageBox::Ignore,
     QT_TRANSLATE_NOOP("confcred_host", "&Ignorar")},
    {core::mbOpen, core::mrOpen, QMessageBox::Open, QT_TRANSLATE_NOOP("confcred_host", "A&brir")},
};

QMessageBox::Icon iconFor(core::BoxKind kind) {
    switch (kind) {
        case core::BoxKind::Warning:
            return QMessageBox::Warning;
        case core::BoxKind::Error:
            return QMessageBox::Critical;
        case core::BoxKind::Information:
            return QMessageBox::Information;
        case core::BoxKind::Confirmation:
            return QMessageBox::Question;
        case core::BoxKind::Custom:
            break;
    }
    return QMessageBox::NoIcon;
}

QWidget* dialogParent(QWidget* given) {
    if (given)
        return given;
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    if (QWidget* active = QApplication::activeWindow())
        return active;
    return core::application().mainForm();
}

}  // namespace

QString boxCaption(const core::BoxRequest& request) {
    return request.caption.isEmpty() ? core::application().title() : request.caption;
}

int QtUiService::showBox(const core::BoxRequest& request) {
    QMessageBox box(iconFor(request.kind), boxCaption(request), request.text, QMessageBox::NoButton,
                    dialogParent(request.parent));
    box.setInformativeText(request.informativeText);
    core::BoxButtons buttons = request.buttons ? request.buttons : core::BoxButtons{core::mbOK};
    for (const ClassicButton& b : kButtons) {
        if (!(buttons & b.button))
            continue;
        const bool named = b.button == core::mbOpen && !request.openText.isEmpty();
        box.addButton(b.standard)
            ->setText(named ? request.openText
                            : QCoreApplication::translate("confcred_host", b.text));
    }
    // Escape answers like the classic boxes: Cancel, else No, else the only
    // button; the open button is never Escape's.
    if (buttons & core::mbCancel)
        box.setEscapeButton(QMessageBox::Cancel);
    else if (buttons & core::mbNo)
        box.setEscapeButton(QMessageBox::No);
    else if ((buttons & ~core::BoxButtons{core::mbOpen}) == core::mbOK)
        box.setEscapeButton(QMessageBox::Ok);
    box.exec();
    const auto clicked = box.standardButton(box.clickedButton());
    for (const ClassicButton& b : kButtons) {
        if (clicked == b.standard)
            return b.result;
    }
    return buttons & core::mbCancel ? core::mrCancel : core::mrNone;
}

QString qtFileFilter(const QString& windowsFilter) {
    const QStringList parts = windowsFilter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& p : patterns)
            p = p.trimmed();
        patterns.removeAll(QString());
        if (patterns.isEmpty())
            continue;
        filters << parts[i].trimmed() + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                       QLatin1Char(')');
    }
    return filters.join(QStringLiteral(";;"));
}

std::optional<QString> windowsPathOf(const std::filesystem::path& hostPath) {
    const std::filesystem::path file = hostPath.lexically_normal();
    std::optional<QString> best;
    size_t bestLength = 0;
    for (char drive = 'A'; drive <= 'Z'; ++drive) {
        const auto folder = platform::driveMap().hostFolder(drive);
        if (!folder)
            continue;
        const std::filesystem::path root = folder->lexically_normal();
        const std::filesystem::path rel = file.lexically_relative(root);
        if (rel.empty() || *rel.begin() == "..")
            continue;
        const size_t length = root.native().size();
        if (best && length <= bestLength)
            continue;
        QString win = QChar(QLatin1Char(drive)) + QStringLiteral(":\\");
        if (rel != ".")
            win += QString::fromStdString(rel.generic_string())
                       .replace(QLatin1Char('/'), QLatin1Char('\\'));
        best = win;
        bestLength = length;
    }
    return best;
}

namespace {

// The chooser's first folder: the request's on the drive map, else home.
QString startFolder(const core::FileRequest& request) {
    QString startDir;
    try {
        if (!request.initialDir.isEmpty())
            startDir = QString::fromStdString(
                platform::resolvePath(request.initialDir.toStdString()).string());
    } catch (const platform::PathError&) {
        startDir.clear();  // an unusable start folder only loses the starting place
    }
    if (startDir.isEmpty() || !QDir(startDir).exists())
        startDir = QDir::homePath();
    return startDir;
}

std::optional<QString> chosenWindowsPath(const QString& chosen) {
    if (chosen.isEmpty())
        return std::nullopt;
    std::optional<QString> win = windowsPathOf(std::filesystem::path(chosen.toStdString()));
    if (!win)
        throw std::runtime_error("O arquivo escolhido não está em nenhuma unidade mapeada: " +
                                 chosen.toStdString());
    return win;
}

}  // namespace

std::optional<QString> QtUiService::chooseFile(const core::FileRequest& request) {
    return chosenWindowsPath(QFileDialog::getOpenFileName(dialogParent(request.parent),
                                                          request.title, startFolder(request),
                                                          qtFileFilter(request.filter)));
}

std::optional<QString> QtUiService::chooseSaveFile(const core::FileRequest& request) {
    QFileDialog dialog(dialogParent(request.parent), request.title, startFolder(request),
                       qtFileFilter(request.filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    QString suffix = QFileInfo(request.fileName).suffix();
    if (suffix.isEmpty()) {
        // "CSV|*.csv|..." -> "csv"
        const QString first = request.filter.section(QLatin1Char('|'), 1, 1).section(';', 0, 0);
        if (first.startsWith(QStringLiteral("*.")) && !first.mid(2).contains(QLatin1Char('*')))
            suffix = first.mid(2);
    }
    dialog.setDefaultSuffix(suffix);
    if (!request.fileName.isEmpty())
        dialog.selectFile(request.fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return chosenWindowsPath(dialog.selectedFiles().constFirst());
}

core::PickResult QtUiService::pickList(const core::PickRequest& request) {
    return runListPicker(request);
}

int QtUiService::showModal(QDialog& dialog) {
    const int result = dialog.exec();
    return result == 0 ? core::mrCancel : result;
}

void QtUiService::processMessages() {
    QCoreApplication::processEvents();
}

void QtUiService::setScreenCursor(int cursor) {
    cursor_ = cursor;
    // One level of the override stack is ours, so other users (the busy
    // animation) keep theirs.
    if (cursor == core::crHourGlass && !overridden_) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        overridden_ = true;
    } else if (cursor != core::crHourGlass && overridden_) {
        QApplication::restoreOverrideCursor();
        overridden_ = false;
    }
}

bool QtUiService::openUrl(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}

void QtUiService::showPage(const QString& title, const QString& html, QWidget* parent) {
    QDialog page(dialogParent(parent));
    page.setObjectName(QStringLiteral("frmPagina"));
    page.setWindowTitle(title);
    auto* layout = new QVBoxLayout(&page);
    auto* text = new QTextBrowser(&page);
    text->setObjectName(QStringLiteral("txtPagina"));
    text->setHtml(html);
    layout->addWidget(text);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &page);
    buttons->button(QDialogButtonBox::Close)
        ->setText(QCoreApplication::translate("confcred_host", "&Fechar"));
    QObject::connect(buttons, &QDialogButtonBox::rejected, &page, &QDialog::reject);
    layout->addWidget(buttons);
    page.resize(560, 480);
    page.exec();
}

}  // namespace confcred::host::widgets

namespace confcred::host::core {

UiService& defaultUiService() {
    static widgets::QtUiService service;
    return service;
}

}  // namespace confcred::host::core
