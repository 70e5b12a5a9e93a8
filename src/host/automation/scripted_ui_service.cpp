#include "host/automation/scripted_ui_service.h"

#include <QCoreApplication>
#include <QDialog>

#include "host/widgets/qt_ui_service.h"

namespace confcred::host::automation {

namespace {

struct ButtonName {
    core::BoxButton button;
    int result;
    const char* name;
};

constexpr ButtonName kButtons[] = {
    {core::mbYes, core::mrYes, "Yes"},
    {core::mbNo, core::mrNo, "No"},
    {core::mbOK, core::mrOk, "OK"},
    {core::mbCancel, core::mrCancel, "Cancel"},
    {core::mbAbort, core::mrAbort, "Abort"},
    {core::mbRetry, core::mrRetry, "Retry"},
    {core::mbIgnore, core::mrIgnore, "Ignore"},
    {core::mbOpen, core::mrOpen, "Open"},
};

}  // namespace

QString boxKindName(core::BoxKind kind) {
    switch (kind) {
        case core::BoxKind::Warning:
            return QStringLiteral("Warning");
        case core::BoxKind::Error:
            return QStringLiteral("Error");
        case core::BoxKind::Information:
            return QStringLiteral("Information");
        case core::BoxKind::Confirmation:
            return QStringLiteral("Confirmation");
        case core::BoxKind::Custom:
            break;
    }
    return QStringLiteral("Custom");
}

QString boxButtonsText(core::BoxButtons buttons) {
    QStringList names;
    for (const ButtonName& b : kButtons) {
        if (buttons & b.button)
            names << QLatin1String(b.name);
    }
    return names.join(QLatin1Char('|'));
}

std::optional<int> modalResultFromName(const QString& name) {
    for (const ButtonName& b : kButtons) {
        if (name.compare(QLatin1String(b.name), Qt::CaseInsensitive) == 0)
            return b.result;
    }
    return std::nullopt;
}

void ScriptedUiService::queueBoxAnswer(int modalResult) {
    boxAnswers_.push_back(modalResult);
}
void ScriptedUiService::queueFile(const QString& windowsPath) {
    files_.emplace_back(windowsPath);
}
void ScriptedUiService::queueFileCancel() {
    files_.emplace_back(std::nullopt);
}
void ScriptedUiService::queuePick(const QString& selection) {
    picks_.push_back(core::PickResult{true, selection});
}
void ScriptedUiService::queuePickCancel() {
    picks_.push_back(core::PickResult{false, {}});
}
void ScriptedUiService::queuePickResult(core::PickResult result) {
    picks_.push_back(std::move(result));
}
void ScriptedUiService::queueModal(ModalAction action) {
    modals_.push_back(std::move(action));
}

size_t ScriptedUiService::pendingAnswers() const {
    return boxAnswers_.size() + files_.size() + picks_.size() + modals_.size();
}

void ScriptedUiService::clearQueues() {
    boxAnswers_.clear();
    files_.clear();
    picks_.clear();
    modals_.clear();
}

void ScriptedUiService::clearRecords() {
    boxes_.clear();
    requests_.clear();
    openedUrls_.clear();
    pages_.clear();
}

void ScriptedUiService::record(RecordedRequest::Kind kind, const QString& detail) {
    requests_.push_back(RecordedRequest{kind, detail});
    if (onRequest_)
        onRequest_(requests_.back());
}

void ScriptedUiService::fail(const QString& what, const QString& detail) {
    const QString message = what + QStringLiteral(": ") + detail;
    scriptErrors_.push_back(message);
    if (onScriptError_)
        onScriptError_(message);
    throw ScriptError(message.toStdString());
}

int ScriptedUiService::showBox(const core::BoxRequest& request) {
    RecordedBox box;
    box.kind = request.kind;
    box.caption = widgets::boxCaption(request);
    box.text = request.text;
    box.buttons = request.buttons;
    box.helpContext = request.helpContext;
    box.informativeText = request.informativeText;
    record(RecordedRequest::Kind::Box, request.text);

    std::optional<int> answer;
    if (!boxAnswers_.empty()) {
        answer = boxAnswers_.front();
        boxAnswers_.pop_front();
    } else if (boxFallback_) {
        answer = boxFallback_(box);
    }
    if (!answer) {
        boxes_.push_back(box);
        fail(QStringLiteral("no answer queued for the box"),
             boxKindName(box.kind) + QStringLiteral(" \"") + box.text + QStringLiteral("\""));
    }
    box.answer = *answer;
    boxes_.push_back(box);
    if (onBox_)
        onBox_(boxes_.back());
    return *answer;
}

std::optional<QString> ScriptedUiService::chooseFile(const core::FileRequest& request) {
    record(RecordedRequest::Kind::File, request.title + QStringLiteral(" @ ") + request.initialDir);
    if (files_.empty())
        fail(QStringLiteral("no answer queued for the file chooser"), request.title);
    std::optional<QString> answer = std::move(files_.front());
    files_.pop_front();
    return answer;
}

std::optional<QString> ScriptedUiService::chooseSaveFile(const core::FileRequest& request) {
    // The same queue as the open chooser: a script's choose-file answers both.
    return chooseFile(request);
}

core::PickResult ScriptedUiService::pickList(const core::PickRequest& request) {
    record(RecordedRequest::Kind::Pick, request.title + QStringLiteral(" @ ") + request.keyField);
    if (picks_.empty())
        fail(QStringLiteral("no answer queued for the list picker"), request.title);
    core::PickResult answer = std::move(picks_.front());
    picks_.pop_front();
    // A cancelled (or empty) pick leaves the selection as it was given.
    if (!answer.ok)
        answer.selection = request.selection;
    return answer;
}

int ScriptedUiService::showModal(QDialog& dialog) {
    const QString name = dialog.objectName().isEmpty()
                             ? QString::fromUtf8(dialog.metaObject()->className())
                             : dialog.objectName();
    record(RecordedRequest::Kind::Modal, name);
    ModalAction action;
    if (!modals_.empty()) {
        action = std::move(modals_.front());
        modals_.pop_front();
    } else if (modalFallback_) {
        action = modalFallback_;
    } else {
        fail(QStringLiteral("no action queued for the modal screen"), name);
    }
    dialog.setResult(0);
    dialog.show();
    try {
        action(dialog);
    } catch (...) {
        // A failed script leaves no dialog behind.
        if (dialog.isVisible())
            dialog.reject();
        throw;
    }
    if (dialog.isVisible()) {
        record(RecordedRequest::Kind::Modal, name + QStringLiteral(" closed by the script's end"));
        dialog.reject();
    }
    return dialog.result() == 0 ? core::mrCancel : dialog.result();
}

void ScriptedUiService::processMessages() {
    record(RecordedRequest::Kind::ProcessMessages, {});
    QCoreApplication::processEvents();
}

void ScriptedUiService::setScreenCursor(int cursor) {
    record(RecordedRequest::Kind::Cursor, QString::number(cursor));
    cursor_ = cursor;
}

bool ScriptedUiService::openUrl(const QUrl& url) {
    record(RecordedRequest::Kind::OpenUrl, url.toString());
    openedUrls_.push_back(url);
    return true;
}

void ScriptedUiService::showPage(const QString& title, const QString& html, QWidget*) {
    record(RecordedRequest::Kind::Page, title);
    pages_.push_back(RecordedPage{title, html});
}

ScopedUi::ScopedUi(core::UiService& service) : previous_(&core::ui()) {
    core::setUi(&service);
}
ScopedUi::~ScopedUi() {
    core::setUi(previous_);
}

}  // namespace confcred::host::automation
