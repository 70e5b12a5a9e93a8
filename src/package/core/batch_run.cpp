#include "package/core/batch_run.h"

#include "dataset/record_set.h"
#include "host/client/net_connection.h"
#include "host/core/application.h"
#include "host/core/dispatch.h"
#include "host/core/messages.h"
#include "host/core/ui_service.h"
#include "host/widgets/busy_indicator.h"
#include "package/core/batch_operation.h"
#include "package/core/kept_marks.h"

namespace confcred::package {

BatchOutcome runBatchOperation(const BatchOperation& operation, BatchRun& run) {
    BatchOutcome outcome;
    host::BoxRequest question{host::BoxKind::Confirmation,
                              host::application().title(),
                              run.messages.Msg(QStringLiteral("Conf_OPE")),
                              host::mbYes | host::mbNo,
                              0,
                              run.owner};
    question.informativeText = run.questionDetail;
    const int answer = host::ui().showBox(question);
    if (answer != host::mrYes)
        return outcome;

    // However the steps below end, the animation stops, the list is reloaded
    // and the views come back. The views come back even when the reload is
    // stopped: a grid left detached would show nothing until the next reload.
    // Only a done operation changed orders; after any other end the reload
    // gives the operator's ticks and current order back.
    const KeptMarks kept = keepMarks(run.orders);
    host::ScopeGuard cleanUp([&run, &outcome, &kept] {
        host::DeactiveShowAvi();
        host::ScopeGuard reattach([&run] { run.screen.attachViews(); });
        run.screen.reload();
        if (outcome.end != BatchEnd::Done)
            restoreMarks(run.orders, kept);
    });
    host::ActiveShowAvi(host::application().mainForm(), host::busyProcessing);
    run.selected.close();
    run.selected.createDataSet();
    run.screen.detachViews();
    collectSelected(run.orders, run.selected, operation);
    outcome.sent = run.selected.recordCount();
    if (outcome.sent == 0) {
        outcome.end = BatchEnd::NothingSelected;
        run.screen.report(outcome);
        return outcome;
    }

    host::CallArgs args{&run.selected};
    if (operation.newSituation)
        args.emplace_back(*operation.newSituation);
    try {
        const host::CallResult result = run.connection.appServer().call(operation.method, args);
        outcome.end = result.isError() ? BatchEnd::ServerRefused : BatchEnd::Done;
        outcome.message = result.errorMessage();
    } catch (const host::TransportError& error) {
        outcome.end = BatchEnd::TransportFailed;
        outcome.message = QString::fromUtf8(error.what());
        outcome.failure = std::current_exception();
    }
    run.screen.report(outcome);
    return outcome;
}

}  // namespace confcred::package
