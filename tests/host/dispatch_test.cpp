// The dispatch point and the stopping routines: a stop skips the rest of a
// handler, clean-up still runs, unexpected errors reach the error report and
// the application goes on.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <stdexcept>

#include "dataset/packet_codec.h"
#include "host/automation/scripted_ui_service.h"
#include "host/client/check_result.h"
#include "host/core/application.h"
#include "host/core/dispatch.h"
#include "host/core/mens_erro.h"

using namespace confcred::host;
using namespace confcred::host::core;
using namespace confcred::host::client;
using namespace confcred::host::automation;

namespace {

class DispatchTest : public ::testing::Test {
  protected:
    void SetUp() override {
        core::application().setTitle(QStringLiteral("ERP Teste"));
        core::setErrorReport([this](const QString& text) { reports.push_back(text); });
    }
    void TearDown() override { core::setErrorReport(nullptr); }

    automation::ScriptedUiService scripted;
    automation::ScopedUi scope{scripted};
    std::vector<QString> reports;
};

struct HandlerRow {
    const char* name;
    std::function<void()> body;
    bool ranToEnd;
    const char* report;  // nullptr: nothing reported
    size_t boxes;        // boxes the handler itself shows
};

TEST_F(DispatchTest, HandlerOutcomes) {
    const std::vector<HandlerRow> rows = {
        {"plain", [] {}, true, nullptr, 0},
        {"silent stop", [] { core::abortHandler(); }, false, nullptr, 0},
        {"runtime error", [] { throw std::runtime_error("disco cheio"); }, false, "disco cheio", 0},
        {"unknown exception", [] { throw 42; }, false, "Erro inesperado.", 0},
        {"script error (recorded by the scripted service)",
         [] { throw automation::ScriptError("no answer queued"); }, false, nullptr, 0},
        {"MensErro stopping", [] { core::MensErro(QStringLiteral("Informe o pedido."), true); },
         false, nullptr, 1},
        {"MensErro going on", [] { core::MensErro(QStringLiteral("Aviso."), false); }, true,
         nullptr, 1},
    };
    for (const HandlerRow& row : rows) {
        SCOPED_TRACE(row.name);
        reports.clear();
        scripted.clearRecords();
        for (size_t i = 0; i < row.boxes; ++i)
            scripted.queueBoxAnswer(core::mrOk);
        bool cleanedUp = false;
        bool reachedEnd = false;
        const bool finished = core::dispatch([&] {
            core::ScopeGuard guard([&] { cleanedUp = true; });
            row.body();
            reachedEnd = true;
        });
        EXPECT_EQ(finished, row.ranToEnd);
        EXPECT_EQ(reachedEnd, row.ranToEnd);
        EXPECT_TRUE(cleanedUp);
        if (row.report) {
            ASSERT_EQ(reports.size(), 1u);
            EXPECT_EQ(reports[0], QString::fromUtf8(row.report));
        } else {
            EXPECT_TRUE(reports.empty());
        }
        ASSERT_EQ(scripted.boxes().size(), row.boxes);
        if (row.boxes > 0) {
            EXPECT_EQ(scripted.boxes()[0].kind, core::BoxKind::Error);
            EXPECT_EQ(scripted.boxes()[0].caption, QStringLiteral("ERP Teste"));
        }
    }
}

TEST_F(DispatchTest, DefaultReportIsAnErrorBoxWithTheTitle) {
    core::setErrorReport(nullptr);
    scripted.queueBoxAnswer(core::mrOk);
    core::dispatch([] { throw std::runtime_error("Falha ao gravar o arquivo de log."); });
    ASSERT_EQ(scripted.boxes().size(), 1u);
    EXPECT_EQ(scripted.boxes()[0].kind, core::BoxKind::Error);
    EXPECT_EQ(scripted.boxes()[0].caption, QStringLiteral("ERP Teste"));
    EXPECT_EQ(scripted.boxes()[0].text, QStringLiteral("Falha ao gravar o arquivo de log."));
    EXPECT_EQ(scripted.boxes()[0].buttons, core::BoxButtons{core::mbOK});
}

// A box the script did not answer stops the handler and is recorded once,
// without a second, unanswerable error box about it.
TEST_F(DispatchTest, UnansweredBoxStopsTheHandlerOnce) {
    core::setErrorReport(nullptr);
    bool after = false;
    EXPECT_FALSE(core::dispatch([&] {
        core::MensErro(QStringLiteral("Sem resposta."), false);
        after = true;
    }));
    EXPECT_FALSE(after);
    EXPECT_EQ(scripted.scriptErrors().size(), 1u);
    EXPECT_EQ(scripted.boxes().size(), 1u);
}

TEST_F(DispatchTest, ReportThatFailsDoesNotEscape) {
    core::setErrorReport([](const QString&) { throw std::runtime_error("report broken"); });
    EXPECT_FALSE(core::dispatch([] { throw std::runtime_error("first"); }));
}

TEST_F(DispatchTest, CleanupFailureWhileUnwindingIsReportedAndFirstErrorGoesOn) {
    const bool finished = core::dispatch([] {
        core::ScopeGuard guard([] { throw std::runtime_error("clean-up failed"); });
        throw std::runtime_error("handler failed");
    });
    EXPECT_FALSE(finished);
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0], QStringLiteral("clean-up failed"));
    EXPECT_EQ(reports[1], QStringLiteral("handler failed"));
}

TEST_F(DispatchTest, GuardsRunInReverseOrderAndDismissedOnesDoNot) {
    std::vector<int> order;
    core::dispatch([&] {
        core::ScopeGuard first([&] { order.push_back(1); });
        core::ScopeGuard second([&] { order.push_back(2); });
        core::ScopeGuard dismissed([&] { order.push_back(3); });
        dismissed.dismiss();
        core::abortHandler();
    });
    EXPECT_EQ(order, (std::vector<int>{2, 1}));
}

// The application lives on: a button whose handler failed still works.
TEST_F(DispatchTest, EventHandlersThroughOnEventSurviveErrors) {
    QPushButton button;
    int clicks = 0;
    int afterStop = 0;
    core::onEvent(&button, &QPushButton::clicked, &button, [&] {
        ++clicks;
        if (clicks == 1)
            throw std::runtime_error("primeiro clique falhou");
        if (clicks == 2)
            core::abortHandler();
        ++afterStop;
    });
    button.click();
    button.click();
    button.click();
    EXPECT_EQ(clicks, 3);
    EXPECT_EQ(afterStop, 1);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0], QStringLiteral("primeiro clique falhou"));
}

confcred::dataset::DataPacket samplePacket() {
    return confcred::dataset::decodePacket(std::string(
        R"({"fields":[{"name":"NRPEDCRECONS","type":"string","size":20}],"rows":[["1"],["2"]]})"));
}

TEST_F(DispatchTest, CheckResultServ) {
    // A good result gives its packet, copied or moved.
    client::CallResult good = client::CallResult::fromPacket(samplePacket());
    EXPECT_EQ(client::CheckResultServ(good, true, 0).rowCount(), 2u);
    EXPECT_EQ(client::CheckResultServ(std::move(good), true, 0).rowCount(), 2u);
    // A good result without a packet gives an empty one.
    EXPECT_EQ(
        client::CheckResultServ(client::CallResult::fromValue(QVariant()), true, 0).fieldCount(),
        0u);
    EXPECT_TRUE(scripted.boxes().empty());

    // An error shows the server's message and stops the handler.
    scripted.queueBoxAnswer(core::mrOk);
    bool after = false;
    EXPECT_FALSE(core::dispatch([&] {
        client::CheckResultServ(
            client::CallResult::fromError(QStringLiteral("Pedido 12 não encontrado.")), true, 0);
        after = true;
    }));
    EXPECT_FALSE(after);
    ASSERT_EQ(scripted.boxes().size(), 1u);
    EXPECT_EQ(scripted.boxes()[0].kind, core::BoxKind::Error);
    EXPECT_EQ(scripted.boxes()[0].text, QStringLiteral("Pedido 12 não encontrado."));
    EXPECT_TRUE(reports.empty());

    // Without the stop flag the handler goes on with an empty packet.
    scripted.queueBoxAnswer(core::mrOk);
    const auto packet =
        client::CheckResultServ(client::CallResult::fromError(QStringLiteral("x")), false, 0);
    EXPECT_EQ(packet.fieldCount(), 0u);
    EXPECT_EQ(scripted.boxes().size(), 2u);
}

}  // namespace
