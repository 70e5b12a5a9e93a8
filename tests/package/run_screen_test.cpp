// How every screen tells the operator that a run failed: one error box and a
// silent stop for the run's own text and for the server's refusal (a refusal
// without a text still says something), and a transport failure raised again
// as it was, for the host's error report, with no box of its own.
#include <gtest/gtest.h>

#include <QString>
#include <stdexcept>

#include "host/automation/scripted_ui_service.h"
#include "host/client/net_connection.h"
#include "host/core/dispatch.h"
#include "package/core/run_screen.h"

namespace confcred::testing {
namespace {

using package::RunFailure;

class ReportRunFailure : public ::testing::Test {
  protected:
    ReportRunFailure() : scopedUi_(ui_) {}

    host::automation::ScriptedUiService ui_;
    host::automation::ScopedUi scopedUi_;
};

TEST_F(ReportRunFailure, BoxesStopAndTransportFailuresPassOn) {
    struct Row {
        RunFailure failure;
        const char* shown;
    };
    const Row rows[] = {
        {RunFailure::stopped(QStringLiteral("Arquivo não encontrado.")), "Arquivo não encontrado."},
        {RunFailure::refused(QStringLiteral("Pedido alterado por outro operador.")),
         "Pedido alterado por outro operador."},
        {RunFailure::refused(QString()), "O servidor de aplicação informou um erro sem descrição."},
    };
    for (const Row& row : rows) {
        ui_.clearRecords();
        ui_.queueBoxAnswer(host::core::mrOk);
        EXPECT_THROW(package::reportRunFailure(row.failure), host::core::Abort) << row.shown;
        ASSERT_EQ(ui_.boxes().size(), 1u) << row.shown;
        EXPECT_EQ(ui_.boxes()[0].kind, host::core::BoxKind::Error);
        EXPECT_EQ(ui_.boxes()[0].text, QString::fromUtf8(row.shown));
    }

    ui_.clearRecords();
    RunFailure failure;
    try {
        throw host::client::TransportError("Servidor 127.0.0.1:1 não responde.");
    } catch (const host::client::TransportError& error) {
        failure = RunFailure::transport(error);
    }
    EXPECT_EQ(failure.message, QStringLiteral("Servidor 127.0.0.1:1 não responde."));
    try {
        package::reportRunFailure(failure);
        ADD_FAILURE() << "reportRunFailure returned";
    } catch (const host::client::TransportError& error) {
        EXPECT_STREQ(error.what(), "Servidor 127.0.0.1:1 não responde.");
    }
    EXPECT_TRUE(ui_.boxes().empty());
}

}  // namespace
}  // namespace confcred::testing
