#include "host/core/dispatch.h"

#include <QCoreApplication>
#include <QtGlobal>

#include "host/core/mens_erro.h"

namespace confcred::host::core {

namespace {

ErrorReport& installedReport() {
    static ErrorReport report;
    return report;
}

// The same error box the screens show for their own errors.
void defaultReport(const QString& text) {
    MensErro(text, false);
}

QString textOf(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    } catch (...) {
        return QCoreApplication::translate("confcred_host", "Erro inesperado.");
    }
}

}  // namespace

void abortHandler() {
    throw Abort();
}

bool dispatch(const std::function<void()>& handler) {
    try {
        handler();
        return true;
    } catch (const SilentStop&) {
        // Told already (an error box, or the scripted service's record for
        // its driver, where a box would be one more unanswered request).
        return false;
    } catch (...) {
        reportError(textOf(std::current_exception()));
        return false;
    }
}

void setErrorReport(ErrorReport report) {
    installedReport() = std::move(report);
}

void reportError(const QString& text) {
    // The report runs at the top of an event; an error inside it must not
    // escape into Qt, so it falls back to the log.
    try {
        if (installedReport())
            installedReport()(text);
        else
            defaultReport(text);
    } catch (const Abort&) {
    } catch (...) {
        qWarning("confcred: error report failed for \"%s\": %s", qUtf8Printable(text),
                 qUtf8Printable(textOf(std::current_exception())));
    }
}

void ScopeGuard::reportCleanupFailure(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const SilentStop&) {
    } catch (...) {
        reportError(textOf(std::current_exception()));
    }
}

}  // namespace confcred::host::core
