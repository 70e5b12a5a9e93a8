// A UI service that answers from queues and records what it was asked: the
// tests drive screens with it, and so does the automation mode of the host.
// A request with no queued answer is a ScriptError, never a hang.
#pragma once

#include <QString>
#include <QUrl>
#include <deque>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/core/dispatch.h"
#include "host/core/ui_service.h"

namespace confcred::host::automation {

// A request the script did not prepare for, or an answer of the wrong kind.
// The service records it for its driver before raising it, so the dispatch
// point stops the handler silently.
class ScriptError : public core::SilentStop {
  public:
    explicit ScriptError(const std::string& message) : message_(message) {}
    const char* what() const noexcept override { return message_.what(); }

  private:
    std::runtime_error message_;  // holds the text; copying it cannot throw
};

struct RecordedBox {
    core::BoxKind kind = core::BoxKind::Information;
    QString caption;  // as shown: the application title when the caller gave none
    QString text;
    core::BoxButtons buttons = core::mbOK;
    int helpContext = 0;
    int answer = core::mrNone;
    QString informativeText;
};

// A read-only page as it was shown (showPage).
struct RecordedPage {
    QString title;
    QString html;
};

// One request of any kind, in the order they came.
struct RecordedRequest {
    enum class Kind { Box, File, Pick, Modal, ProcessMessages, Cursor, OpenUrl, Page };
    Kind kind = Kind::Box;
    // Box: its text; File: the title and initial folder; Pick: the title and
    // key field; Modal: the dialog's object name; Cursor: the cursor value;
    // OpenUrl: the URL; Page: its title.
    QString detail;
};

// Short names for transcripts: "Error", "Confirmation", ...; "Yes|No", ...
QString boxKindName(core::BoxKind kind);
QString boxButtonsText(core::BoxButtons buttons);
// Parses a button name as the automation script writes it ("Yes", "OK", ...,
// case ignored) to its ModalResult; nothing for an unknown name.
std::optional<int> modalResultFromName(const QString& name);

class ScriptedUiService : public core::UiService {
  public:
    // Acts on a dialog shown modally (clicks, typing, closing). If the dialog
    // is still open when the action returns, the service closes it as Escape
    // would (reject) and records that.
    using ModalAction = std::function<void(QDialog& dialog)>;

    ScriptedUiService() = default;
    ScriptedUiService(const ScriptedUiService&) = delete;
    ScriptedUiService& operator=(const ScriptedUiService&) = delete;

    // Answers, each used by the next request of its kind. The file chooser
    // and the save chooser take their answers from one queue.
    void queueBoxAnswer(int modalResult);
    void queueFile(const QString& windowsPath);
    void queueFileCancel();
    void queuePick(const QString& selection);  // OK with this selection
    void queuePickCancel();
    void queuePickResult(core::PickResult result);
    void queueModal(ModalAction action);

    size_t pendingBoxAnswers() const { return boxAnswers_.size(); }
    size_t pendingFiles() const { return files_.size(); }
    size_t pendingPicks() const { return picks_.size(); }
    size_t pendingModals() const { return modals_.size(); }
    size_t pendingAnswers() const;
    // Drops every queued answer (the records stay).
    void clearQueues();

    const std::vector<RecordedBox>& boxes() const { return boxes_; }
    const std::vector<RecordedRequest>& requests() const { return requests_; }
    // Nothing is opened on the desktop: the URLs are only kept, in order.
    const std::vector<QUrl>& openedUrls() const { return openedUrls_; }
    const std::vector<RecordedPage>& pages() const { return pages_; }
    // Drops the records (the queues stay).
    void clearRecords();

    // Every ScriptError this service raised, in order. A handler that meets
    // one is stopped and the dispatch point reports it, so the driver of the
    // script checks here (or is told through setOnScriptError) to fail.
    const std::vector<QString>& scriptErrors() const { return scriptErrors_; }
    void setOnScriptError(std::function<void(const QString&)> observer) {
        onScriptError_ = std::move(observer);
    }

    // Called for every box as it is answered (the automation transcript), and
    // for every request before it is answered.
    void setOnBox(std::function<void(const RecordedBox&)> observer) {
        onBox_ = std::move(observer);
    }
    void setOnRequest(std::function<void(const RecordedRequest&)> observer) {
        onRequest_ = std::move(observer);
    }

    // When set, a box with no queued answer asks this instead of raising
    // ScriptError (the automation driver reads the script's next line).
    void setBoxFallback(std::function<std::optional<int>(const RecordedBox&)> fallback) {
        boxFallback_ = std::move(fallback);
    }
    // When set, a modal screen with no queued action is handed to this (the
    // automation driver runs the script's next lines on it until it closes).
    void setModalFallback(ModalAction fallback) { modalFallback_ = std::move(fallback); }

    // UiService.
    int showBox(const core::BoxRequest& request) override;
    std::optional<QString> chooseFile(const core::FileRequest& request) override;
    std::optional<QString> chooseSaveFile(const core::FileRequest& request) override;
    core::PickResult pickList(const core::PickRequest& request) override;
    int showModal(QDialog& dialog) override;
    void processMessages() override;
    void setScreenCursor(int cursor) override;
    int screenCursor() const override { return cursor_; }
    bool openUrl(const QUrl& url) override;
    void showPage(const QString& title, const QString& html, QWidget* parent) override;

  private:
    void record(RecordedRequest::Kind kind, const QString& detail);
    [[noreturn]] void fail(const QString& what, const QString& detail);

    std::deque<int> boxAnswers_;
    std::deque<std::optional<QString>> files_;
    std::deque<core::PickResult> picks_;
    std::deque<ModalAction> modals_;
    std::vector<RecordedBox> boxes_;
    std::vector<RecordedRequest> requests_;
    std::vector<QUrl> openedUrls_;
    std::vector<RecordedPage> pages_;
    std::function<void(const RecordedBox&)> onBox_;
    std::function<void(const RecordedRequest&)> onRequest_;
    std::function<std::optional<int>(const RecordedBox&)> boxFallback_;
    ModalAction modalFallback_;
    std::vector<QString> scriptErrors_;
    std::function<void(const QString&)> onScriptError_;
    int cursor_ = core::crDefault;
};

// Installs a service as the application's UI service for the lifetime of the
// scope, then restores the one before (tests).
class ScopedUi {
  public:
    explicit ScopedUi(core::UiService& service);
    ~ScopedUi();
    ScopedUi(const ScopedUi&) = delete;
    ScopedUi& operator=(const ScopedUi&) = delete;

  private:
    core::UiService* previous_;
};

}  // namespace confcred::host::automation
