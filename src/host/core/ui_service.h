// Everything that asks a person something goes through one UI service: message
// boxes, the file chooser, the list picker, modal showing of screens, the
// screen cursor and "let pending window messages run". The Qt implementation
// shows real dialogs; the scripted one answers from a queue and records what
// was shown, for tests and for the automation mode.
#pragma once

#include <QString>
#include <optional>

class QDialog;
class QUrl;
class QWidget;

namespace confcred::dataset {
class DataSource;
}

namespace confcred::host::core {

// Classic message-box result codes (6 = Yes).
enum ModalResult : int {
    mrNone = 0,
    mrOk = 1,
    mrCancel = 2,
    mrAbort = 3,
    mrRetry = 4,
    mrIgnore = 5,
    mrYes = 6,
    mrNo = 7,
    // Not a classic code: the box's open button (mbOpen) was pressed.
    mrOpen = 100,
};

enum class BoxKind { Warning, Error, Information, Confirmation, Custom };

// Button sets as flags, in the classic order.
enum BoxButton : unsigned {
    mbYes = 1u << 0,
    mbNo = 1u << 1,
    mbOK = 1u << 2,
    mbCancel = 1u << 3,
    mbAbort = 1u << 4,
    mbRetry = 1u << 5,
    mbIgnore = 1u << 6,
    // Opens something for the operator to read (a log); the caller opens it
    // through UiService::openUrl once the box answers mrOpen.
    mbOpen = 1u << 7,
};
using BoxButtons = unsigned;

struct BoxRequest {
    BoxKind kind = BoxKind::Information;
    QString caption;  // the application title unless a caller says otherwise
    QString text;
    BoxButtons buttons = mbOK;
    int helpContext = 0;
    QWidget* parent = nullptr;
    // A second line in smaller type under the text: the figures behind it.
    QString informativeText{};
    // The open button's caption; "Abrir" when empty.
    QString openText{};
};

struct FileRequest {
    QString title;
    QString filter;      // Windows style: "Text File|*.txt|All Files|*.*"
    QString initialDir;  // a Windows path on the drive map
    QWidget* parent = nullptr;
    // The name a save chooser proposes; its extension, else the filter's
    // first pattern's, is added to a name typed without one.
    QString fileName{};
};

struct PickRequest {
    dataset::DataSource* source = nullptr;  // the record set to choose from
    QString keyField;
    QString title;
    QString selection;  // the current selection, pre-marked
    QWidget* parent = nullptr;
};

struct PickResult {
    bool ok = false;    // true: OK pressed with at least one row marked
    QString selection;  // the new selection when ok; otherwise the one given
};

// The classic screen cursors.
enum ScreenCursor : int { crDefault = 0, crHourGlass = -11 };

class UiService {
  public:
    virtual ~UiService() = default;

    // Shows a message box and returns the ModalResult of the button pressed.
    virtual int showBox(const BoxRequest& request) = 0;
    // The chosen file as a Windows path, or nothing when cancelled.
    virtual std::optional<QString> chooseFile(const FileRequest& request) = 0;
    // The file to write, chosen or typed, as a Windows path, or nothing when
    // cancelled. The caller writes it; an existing file is replaced.
    virtual std::optional<QString> chooseSaveFile(const FileRequest& request) = 0;
    virtual PickResult pickList(const PickRequest& request) = 0;
    // Shows a screen modally until it closes; returns its modal result.
    virtual int showModal(QDialog& dialog) = 0;
    // Lets pending window messages (repaints, timers) run.
    virtual void processMessages() = 0;
    virtual void setScreenCursor(int cursor) = 0;
    virtual int screenCursor() const = 0;
    // Opens a file or page in the desktop's viewer for it; false when none
    // could be started.
    virtual bool openUrl(const QUrl& url) = 0;
    // Shows a read-only page of rich text (HTML) in a window of its own
    // titled `title`, until the operator closes it.
    virtual void showPage(const QString& title, const QString& html, QWidget* parent) = 0;
};

// The application's UI service. Never null: a Qt implementation by default.
UiService& ui();
// Installs another service (the scripted one); nullptr restores the default.
// The caller keeps ownership.
void setUi(UiService* service);
// The service in force while none is installed: the Qt one, which lives with
// the widgets (host/widgets/qt_ui_service.cpp).
UiService& defaultUiService();

}  // namespace confcred::host::core
