#include "host/automation/automation.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDialog>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QWidget>

#include "dataset/record_set.h"
#include "host/automation/scripted_ui_service.h"
#include "host/automation/synthetic_input.h"
#include "host/client/net_connection.h"
#include "host/core/application.h"
#include "host/core/selection_format.h"
#include "host/widgets/accessibility.h"
#include "host/widgets/db_grid.h"
#include "host/widgets/named_data_set.h"

namespace confcred::host::automation {

QStringList splitScriptLine(const QString& line) {
    QStringList words;
    QString word;
    bool inWord = false;
    bool quoted = false;
    for (int i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                word += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                word += c;
            }
        } else if (c == '"') {
            quoted = inWord = true;
        } else if (c == '#' && !inWord) {
            break;
        } else if (c.isSpace()) {
            if (inWord)
                words << word;
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (quoted)
        throw AutomationError("unterminated quote");
    if (inWord)
        words << word;
    return words;
}

namespace {

QString quoted(const QString& text) {
    QString out = text;
    out.replace('"', QStringLiteral("\"\""));
    return '"' + out + '"';
}

// The screen with this instance name: a top-level window or a window inside
// the main window's document area.
QWidget* findForm(const QString& name) {
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->objectName() == name && top->isVisible())
            return top;
    }
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (auto* found = top->findChild<QWidget*>(name); found && found->isVisible())
            return found;
    }
    throw AutomationError("no open screen named " + name.toStdString());
}

std::pair<QWidget*, QString> splitTarget(const QString& target) {
    const int dot = target.indexOf('.');
    if (dot <= 0 || dot == target.size() - 1)
        throw AutomationError("expected FORM.COMPONENT, got " + target.toStdString());
    return {findForm(target.left(dot)), target.mid(dot + 1)};
}

template <typename T>
T* findComponent(const QString& target) {
    auto [form, name] = splitTarget(target);
    QObject* object = form->objectName() == name ? form : form->findChild<QObject*>(name);
    if (!object)
        throw AutomationError("unknown component " + target.toStdString());
    T* typed = qobject_cast<T*>(object);
    if (!typed)
        throw AutomationError(target.toStdString() + " is a " + object->metaObject()->className() +
                              ", not what this command works on");
    return typed;
}

void requireEnabled(QWidget* widget, const QString& target) {
    if (!widget->isEnabled())
        throw AutomationError(target.toStdString() + " is disabled");
}

int gridColumn(widgets::TDBGrid* grid, const QString& field, const QString& target) {
    const int column = grid->columnOfField(field);
    if (column < 0)
        throw AutomationError(target.toStdString() + " has no column " + field.toStdString());
    return column;
}

QString stateOf(QWidget* widget) {
    QString text;
    bool hasChecked = false;
    bool checked = false;
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        text = button->text();
        hasChecked = button->isCheckable();
        checked = button->isChecked();
    } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        text = edit->text();
    } else if (auto* spin = qobject_cast<QAbstractSpinBox*>(widget)) {
        text = spin->text();
    } else if (auto* label = qobject_cast<QLabel*>(widget)) {
        text = label->text();
    } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        text = combo->currentText();
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(widget)) {
        text = plain->toPlainText();
    } else if (auto* tabs = qobject_cast<QTabWidget*>(widget)) {
        text = tabs->currentWidget() ? tabs->currentWidget()->objectName() : QString();
    } else {
        text = widget->windowTitle();
    }
    QString line = QStringLiteral("enabled=%1").arg(widget->isEnabled() ? 1 : 0);
    if (hasChecked)
        line += QStringLiteral(" checked=%1").arg(checked ? 1 : 0);
    if (!widget->isVisible())
        line += QStringLiteral(" hidden");
    return line + " text=" + quoted(text);
}

void setText(QWidget* widget, const QString& text, const QString& target) {
    requireEnabled(widget, target);
    widget->activateWindow();
    widget->setFocus(Qt::OtherFocusReason);
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        edit->setText(text);
    } else if (auto* date = qobject_cast<QDateEdit*>(widget)) {
        const QDate value = QDate::fromString(text, QStringLiteral("dd/MM/yyyy"));
        if (!value.isValid())
            throw AutomationError("not a date (DD/MM/YYYY): " + text.toStdString());
        date->setDate(value);
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(widget)) {
        plain->setPlainText(text);
    } else {
        throw AutomationError(target.toStdString() + " takes no text");
    }
    // Leaving the field runs its exit handlers, as the operator's Tab would.
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(widget, &out);
    widget->clearFocus();
    if (auto* edit = qobject_cast<QLineEdit*>(widget))
        emit edit->editingFinished();
}

int keyFromName(const QString& name) {
    static const QMap<QString, int> named = {
        {"space", Qt::Key_Space},   {"enter", Qt::Key_Return},      {"return", Qt::Key_Return},
        {"escape", Qt::Key_Escape}, {"esc", Qt::Key_Escape},        {"tab", Qt::Key_Tab},
        {"up", Qt::Key_Up},         {"down", Qt::Key_Down},         {"left", Qt::Key_Left},
        {"right", Qt::Key_Right},   {"home", Qt::Key_Home},         {"end", Qt::Key_End},
        {"pageup", Qt::Key_PageUp}, {"pagedown", Qt::Key_PageDown}, {"f5", Qt::Key_F5},
        {"delete", Qt::Key_Delete}, {"insert", Qt::Key_Insert},
    };
    if (auto it = named.find(name.toLower()); it != named.end())
        return *it;
    const QKeySequence sequence(name);
    if (sequence.isEmpty())
        throw AutomationError("unknown key " + name.toStdString());
    return sequence[0].key();
}

// The commands of the script language, one small function each. A command
// works on the scripted answers, the host's hooks and the transcript, with
// the words that follow its name.
struct Step {
    ScriptedUiService& ui;
    const AutomationDriver::Hooks& hooks;
    QTextStream& out;
    const QStringList& args;
};

void openMenuEntry(const Step& s) {
    if (!s.hooks.open)
        throw AutomationError("no menu entry to open");
    s.hooks.open();
}

void queueAnswer(const Step& s) {
    const auto result = modalResultFromName(s.args[0]);
    if (!result)
        throw AutomationError("unknown answer " + s.args[0].toStdString());
    s.ui.queueBoxAnswer(*result);
}

void queuePick(const Step& s) {
    s.ui.queuePick(core::formatSelection(s.args));
}

void queuePickCancel(const Step& s) {
    s.ui.queuePickCancel();
}

void queueFile(const Step& s) {
    s.ui.queueFile(s.args[0]);
}

void queueFileCancel(const Step& s) {
    s.ui.queueFileCancel();
}

void clickButton(const Step& s) {
    auto* button = findComponent<QAbstractButton>(s.args[0]);
    requireEnabled(button, s.args[0]);
    button->click();
}

// A menu entry by its action's name, as its shortcut or a click on it would.
void triggerAction(const Step& s) {
    auto* action = findComponent<QAction>(s.args[0]);
    if (!action->isEnabled())
        throw AutomationError(s.args[0].toStdString() + " is disabled");
    action->trigger();
}

void setComponentText(const Step& s) {
    setText(findComponent<QWidget>(s.args[0]), s.args[1], s.args[0]);
}

void clickGridCell(const Step& s) {
    auto* grid = findComponent<widgets::TDBGrid>(s.args[0]);
    requireEnabled(grid, s.args[0]);
    bool ok = false;
    const int row = s.args[1].toInt(&ok) - 1;
    if (!ok || row < 0 || row >= grid->model()->rowCount())
        throw AutomationError("no row " + s.args[1].toStdString() + " in " +
                              s.args[0].toStdString());
    const QModelIndex index = grid->model()->index(row, gridColumn(grid, s.args[2], s.args[0]));
    grid->scrollTo(index);
    sendClick(grid->viewport(), grid->visualRect(index).center());
}

void clickGridTitle(const Step& s) {
    auto* grid = findComponent<widgets::TDBGrid>(s.args[0]);
    requireEnabled(grid, s.args[0]);
    const int column = gridColumn(grid, s.args[1], s.args[0]);
    QHeaderView* header = grid->horizontalHeader();
    grid->scrollTo(grid->model()->index(std::max(0, grid->currentIndex().row()), column));
    const int x = header->sectionViewportPosition(column) + header->sectionSize(column) / 2;
    sendClick(header->viewport(), QPoint(x, header->height() / 2));
}

void pressGridKey(const Step& s) {
    auto* grid = findComponent<widgets::TDBGrid>(s.args[0]);
    requireEnabled(grid, s.args[0]);
    const int key = keyFromName(s.args[1]);
    sendKey(grid, key, Qt::NoModifier, key == Qt::Key_Space ? QStringLiteral(" ") : QString());
}

// The window the keyboard types into: the modal screen on top, else the
// active window, else the host's main window (or the last window shown). It is
// made the active one, since shortcuts only fire in the active window.
QWidget* keyboardWindow() {
    QWidget* window = QApplication::activeModalWidget();
    if (window == nullptr)
        window = QApplication::activeWindow();
    if (window == nullptr && core::application().mainForm() != nullptr &&
        core::application().mainForm()->isVisible())
        window = core::application().mainForm();
    if (window == nullptr) {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (top->isVisible() && !(top->windowType() == Qt::Popup))
                window = top;
        }
    }
    if (window == nullptr)
        throw AutomationError("no window to type into");
    if (QApplication::activeWindow() != window) {
        window->activateWindow();
        QCoreApplication::processEvents();
        if (QApplication::activeWindow() != window)
            QApplication::setActiveWindow(window);
    }
    return window;
}

QWidget* keyboardFocus() {
    QWidget* window = keyboardWindow();
    if (QWidget* focus = QApplication::focusWidget())
        return focus;
    return window->focusWidget();
}

// "Ctrl+E", "Space", "Shift+Tab", "Down, Down": Qt's portable key text, or
// the key names grid-key takes.
QKeySequence keySequence(const QString& text) {
    QKeySequence sequence = QKeySequence::fromString(text, QKeySequence::PortableText);
    bool known = !sequence.isEmpty();
    for (int i = 0; known && i < sequence.count(); ++i)
        known = sequence[i].key() != Qt::Key_unknown;
    if (known)
        return sequence;
    return QKeySequence(keyFromName(text));
}

void pressKeys(const Step& s) {
    const QKeySequence sequence = keySequence(s.args[0]);
    for (int i = 0; i < sequence.count(); ++i) {
        QWidget* target = keyboardFocus();
        if (target == nullptr)
            target = keyboardWindow();
        sendKeyCombination(target, sequence[i]);
        QCoreApplication::processEvents();
    }
}

void printFocus(const Step& s) {
    QWidget* focus = keyboardFocus();
    s.out << "focus " << (focus != nullptr ? focus->objectName() : QStringLiteral("none"))
          << Qt::endl;
}

void printAccessibility(const Step& s) {
    for (const widgets::AccessibleControl& control :
         widgets::accessibleControls(findForm(s.args[0])))
        s.out << "a11y " << control.role << " " << control.objectName << " " << quoted(control.name)
              << Qt::endl;
}

void showTab(const Step& s) {
    auto* tabs = findComponent<QTabWidget>(s.args[0]);
    auto* page = tabs->findChild<QWidget*>(s.args[1]);
    const int index = page ? tabs->indexOf(page) : -1;
    if (index < 0)
        throw AutomationError(s.args[0].toStdString() + " has no tab " + s.args[1].toStdString());
    if (!tabs->isTabEnabled(index))
        throw AutomationError(s.args[1].toStdString() + " is disabled");
    tabs->setCurrentIndex(index);
}

void closeForm(const Step& s) {
    findForm(s.args[0])->close();
}

void dumpRecordSet(const Step& s) {
    auto [form, name] = splitTarget(s.args[0]);
    dataset::RecordSet* set = widgets::findDataSet(form, name);
    if (!set)
        throw AutomationError("unknown record set " + s.args[0].toStdString());
    if (!set->active()) {
        s.out << "dump " << s.args[0] << " closed" << Qt::endl;
        return;
    }
    s.out << "dump " << s.args[0] << " " << set->recordCount() << " rows" << Qt::endl;
    const size_t current = set->recNo();
    for (size_t row = 0; row < set->recordCount(); ++row) {
        QStringList cells;
        for (size_t f = 0; f < set->fieldCount(); ++f)
            cells << QString::fromStdString(set->field(f).name()) + "=" +
                         QString::fromStdString(set->displayTextAt(row, f));
        s.out << (row + 1 == current ? "> " : "  ") << cells.join(" | ") << Qt::endl;
    }
}

void dumpParams(const Step& s) {
    if (!s.hooks.params)
        throw AutomationError("no package parameters to dump");
    for (const QString& param : s.hooks.params())
        s.out << "param " << param << Qt::endl;
}

void printState(const Step& s) {
    s.out << "state " << s.args[0] << " " << stateOf(findComponent<QWidget>(s.args[0])) << Qt::endl;
}

// A command's count when it takes one word or more ("KEY...").
constexpr int kOneOrMore = -1;

struct Command {
    const char* name;
    const char* arguments;  // the usage after the name, as docs/automation.md shows it
    int count;              // how many words follow the name, or kOneOrMore
    void (*run)(const Step&);
};

// docs/automation.md lists these in this order with these usage lines.
constexpr Command kCommands[] = {
    {"open", "", 0, openMenuEntry},
    {"answer", "Yes|No|OK|Cancel", 1, queueAnswer},
    {"pick", "KEY...", kOneOrMore, queuePick},
    {"pick-cancel", "", 0, queuePickCancel},
    {"choose-file", "PATH", 1, queueFile},
    {"choose-cancel", "", 0, queueFileCancel},
    {"click", "FORM.COMPONENT", 1, clickButton},
    {"trigger", "FORM.ACTION", 1, triggerAction},
    {"set", "FORM.COMPONENT TEXT", 2, setComponentText},
    {"grid-click", "FORM.GRID ROW FIELD", 3, clickGridCell},
    {"grid-title", "FORM.GRID FIELD", 2, clickGridTitle},
    {"grid-key", "FORM.GRID KEY", 2, pressGridKey},
    {"key", "SEQUENCE", 1, pressKeys},
    {"focus", "", 0, printFocus},
    {"a11y", "FORM", 1, printAccessibility},
    {"tab", "FORM.PAGECONTROL TAB", 2, showTab},
    {"close", "FORM", 1, closeForm},
    {"dump", "FORM.RECORDSET", 1, dumpRecordSet},
    {"dump-params", "", 0, dumpParams},
    {"state", "FORM.COMPONENT", 1, printState},
};

QString usageLine(const Command& command) {
    QString line = QString::fromLatin1(command.name);
    if (*command.arguments)
        line += ' ' + QString::fromLatin1(command.arguments);
    return line;
}

const Command* findCommand(const QString& name) {
    for (const Command& command : kCommands) {
        if (name == QLatin1String(command.name))
            return &command;
    }
    return nullptr;
}

void checkArgumentCount(const Command& command, const QStringList& args) {
    if (command.count == kOneOrMore) {
        if (args.isEmpty()) {
            // "KEY..." -> "pick takes at least one key"
            const QString each = QString::fromLatin1(command.arguments).remove("...").toLower();
            throw AutomationError(std::string(command.name) + " takes at least one " +
                                  each.toStdString());
        }
    } else if (args.size() != command.count) {
        throw AutomationError(std::string(command.name) + " takes " +
                              std::to_string(command.count) + " argument(s)");
    }
}

}  // namespace

AutomationDriver::AutomationDriver(ScriptedUiService& ui, Hooks hooks, QTextStream& out)
    : ui_(ui), hooks_(std::move(hooks)), out_(out) {
    ui_.setOnBox([this](const RecordedBox& box) {
        out_ << "box " << boxKindName(box.kind) << " " << quoted(box.caption) << " "
             << quoted(box.text);
        if (!box.informativeText.isEmpty())
            out_ << " " << quoted(box.informativeText);
        out_ << " -> " << box.answer << Qt::endl;
    });
    // Nothing opens on the desktop in a script: the transcript says what would.
    ui_.setOnRequest([this](const RecordedRequest& request) {
        if (request.kind == RecordedRequest::Kind::OpenUrl)
            out_ << "open " << request.detail << Qt::endl;
        else if (request.kind == RecordedRequest::Kind::Page)
            out_ << "page " << quoted(request.detail) << Qt::endl;
    });
    ui_.setOnScriptError([this](const QString& text) {
        if (pendingError_.isEmpty())
            pendingError_ = text;
    });
    // A screen shown modally takes the script's next lines until it closes;
    // then the line that showed it completes.
    ui_.setModalFallback([this](QDialog& dialog) {
        out_ << "modal " << dialog.objectName() << Qt::endl;
        QPointer<QDialog> watched(&dialog);
        runLines([watched] { return !watched || !watched->isVisible(); });
        if (watched && watched->isVisible()) {
            if (pendingError_.isEmpty())
                pendingError_ = "the script ended with " + dialog.objectName() + " still open";
        }
    });
    client::TNetConnection::setCallObserver([this](const QString& method, const QString& args) {
        out_ << "call " << method << " " << args << Qt::endl;
    });
}

AutomationDriver::~AutomationDriver() {
    client::TNetConnection::setCallObserver(nullptr);
    ui_.setOnBox(nullptr);
    ui_.setOnRequest(nullptr);
    ui_.setOnScriptError(nullptr);
    ui_.setModalFallback(nullptr);
}

int AutomationDriver::run(const QString& scriptText) {
    lines_ = scriptText.split('\n');
    next_ = 0;
    pendingError_.clear();
    try {
        runLines([] { return false; });
        failIfScriptError();
        if (ui_.pendingAnswers() > 0)
            throw AutomationError("answers left unused at the end of the script");
    } catch (const std::exception& error) {
        out_ << "error: line " << current_ << ": " << error.what() << Qt::endl;
        return 1;
    }
    out_ << "end" << Qt::endl;
    return 0;
}

void AutomationDriver::failIfScriptError() {
    if (pendingError_.isEmpty())
        return;
    const QString text = pendingError_;
    pendingError_.clear();
    throw AutomationError(text.toStdString());
}

void AutomationDriver::runLines(const std::function<bool()>& until) {
    while (!until() && next_ < lines_.size()) {
        current_ = ++next_;
        execute(lines_[next_ - 1]);
        QCoreApplication::processEvents();
        failIfScriptError();
    }
}

void AutomationDriver::execute(const QString& line) {
    const QStringList words = splitScriptLine(line);
    if (words.isEmpty())
        return;
    const Command* command = findCommand(words[0]);
    if (!command)
        throw AutomationError("unknown command " + words[0].toStdString());
    const QStringList args = words.mid(1);
    checkArgumentCount(*command, args);
    command->run(Step{ui_, hooks_, out_, args});
}

QStringList automationCommandUsages() {
    QStringList usages;
    for (const Command& command : kCommands)
        usages << usageLine(command);
    return usages;
}

}  // namespace confcred::host::automation
