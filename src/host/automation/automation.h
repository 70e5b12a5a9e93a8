// The automation mode of the host: runs a script of operator steps against the
// real screens with the scripted UI service and prints a transcript (one line
// per box shown, per server call and per dump). The language is described in
// docs/automation.md.
#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>
#include <functional>
#include <stdexcept>

namespace confcred::host::automation {

class ScriptedUiService;

// A script line that cannot be carried out; the run stops with its line number.
class AutomationError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class AutomationDriver {
  public:
    struct Hooks {
        std::function<void()> open;           // `open`: the host's menu entry
        std::function<QStringList()> params;  // `dump-params`: "NAME = value" lines
    };

    AutomationDriver(ScriptedUiService& ui, Hooks hooks, QTextStream& out);
    ~AutomationDriver();

    // Runs the script text; returns 0 when every line ran, else 1 after
    // printing "error: line N: ..." to the transcript.
    int run(const QString& scriptText);

  private:
    void runLines(const std::function<bool()>& until);
    void execute(const QString& line);
    void failIfScriptError();

    ScriptedUiService& ui_;
    Hooks hooks_;
    QTextStream& out_;
    QStringList lines_;
    int next_ = 0;     // index of the next line to run
    int current_ = 0;  // 1-based number of the line running
    QString pendingError_;
};

// Splits a script line into words: blanks separate, "double quotes" group,
// and "" inside quotes is one quote. '#' starts a comment outside quotes.
QStringList splitScriptLine(const QString& line);

// The usage line of every command ("set FORM.COMPONENT TEXT"), in the order
// docs/automation.md lists them.
QStringList automationCommandUsages();

}  // namespace confcred::host::automation
