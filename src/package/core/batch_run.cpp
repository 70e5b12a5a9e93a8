#include "package/core/batch_run.h"

#include "dataset/record_set.h"
#include "host/client/net_connection.h"
#include "host/core/dispatch.h"
#include "host/core/messages.h"
#include "host/core/ui_service.h"
#include "package/core/batch_operation.h"
#include "package/core/batch_summary.h"
#include "package/core/kept_marks.h"

namespace confcred::package {

namespace {

// Tells the operator how the operation ended.
void tell(const BatchRun& run, BatchOutcome& outcome, std::optional<RunFailure> failure) {
    if (failure) {
        outcome.failure = std::move(failure);
        run.screen.report(*outcome.failure);
        return;
    }
    // The server applies every row of the packet or none, so a done call
    // changed exactly the orders sent.
    host::core::BoxRequest notice{host::core::BoxKind::Information,
                                  QString(),
                                  run.messages.Msg(QStringLiteral("Ope_Conc")),
                                  host::core::mbOK,
                                  0,
                                  nullptr};
    notice.informativeText = batchDoneDetail(outcome.sent);
    run.screen.ask(notice);
}

}  // namespace

BatchOutcome runBatchOperation(const BatchOperation& operation, BatchRun& run) {
    BatchOutcome outcome;
    host::core::BoxRequest question{host::core::BoxKind::Confirmation,
                                    QString(),
                                    run.messages.Msg(QStringLiteral("Conf_OPE")),
                                    host::core::mbYes | host::core::mbNo,
                                    0,
                                    nullptr};
    question.informativeText = run.questionDetail;
    if (run.screen.ask(question) != host::core::mrYes)
        return outcome;

    // However the steps below end, the animation stops, the list is reloaded
    // and the views come back. The views come back even when the reload is
    // stopped: a grid left detached would show nothing until the next reload.
    // Only a done operation changed orders; after any other end the reload
    // gives the operator's ticks and current order back.
    const KeptMarks kept = keepMarks(run.orders);
    host::core::ScopeGuard cleanUp([&run, &outcome, &kept] {
        run.screen.busy(false);
        host::core::ScopeGuard reattach([&run] { run.screen.followList(true); });
        run.screen.reload();
        if (outcome.end != BatchEnd::Done)
            restoreMarks(run.orders, kept);
    });
    run.screen.busy(true);
    run.selected.close();
    run.selected.createDataSet();
    run.screen.followList(false);
    collectSelected(run.orders, run.selected, operation);
    outcome.sent = run.selected.recordCount();
    if (outcome.sent == 0) {
        outcome.end = BatchEnd::NothingSelected;
        tell(run, outcome, RunFailure::stopped(run.messages.Msg(operation.nothingSelectedKey)));
        return outcome;
    }

    host::client::CallArgs args{&run.selected};
    if (operation.newSituation)
        args.emplace_back(*operation.newSituation);
    std::optional<RunFailure> failure;
    try {
        const host::client::CallResult result =
            run.connection.appServer().call(operation.method, args);
        outcome.end = result.isError() ? BatchEnd::ServerRefused : BatchEnd::Done;
        if (result.isError())
            failure = RunFailure::refused(result.errorMessage());
    } catch (const host::client::TransportError& error) {
        outcome.end = BatchEnd::TransportFailed;
        failure = RunFailure::transport(error);
    }
    tell(run, outcome, std::move(failure));
    return outcome;
}

}  // namespace confcred::package
