// One batch operation without its screen, one row per way it can end: a
// fresh real server that takes the packet, refuses a stale list or is
// killed, and a scripted answerer that breaks the protocol. Each row checks
// the outcome, what the screen was told, and the order of the visible steps:
// the notice or failure before the clean-up, with the animation on and the
// views detached; the views back even when the reload is stopped.
#include <gtest/gtest.h>

#include <QString>
#include <chrono>
#include <csignal>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "dataset/record_set.h"
#include "host/automation/scripted_ui_service.h"
#include "host/client/check_result.h"
#include "host/client/net_connection.h"
#include "host/core/dispatch.h"
#include "host/core/messages.h"
#include "package/core/batch_operation.h"
#include "package/core/batch_run.h"
#include "package/core/credit_filter_params.h"
#include "package/core/order_fields.h"
#include "package/core/run_screen.h"
#include "package/core/server_names.h"
#include "support/fake_http_server.h"
#include "support/server_process.h"

namespace confcred::testing {
namespace {

using package::BatchEnd;
using package::BatchOperation;

enum class Answerer { Live, StaleList, Garbled, Killed };

struct Row {
    const char* name;
    const BatchOperation& (*operation)();
    int answer;
    const char* ticked;  // IDPEDCREEXTR of the orders ticked, two of each
    Answerer answerer;
    bool reloadStops;
    BatchEnd end;
    size_t sent;
};

// Rows print as their names.
void PrintTo(const Row& row, std::ostream* out) {
    *out << row.name;
}

class BatchRunEnds : public ::testing::TestWithParam<Row> {
  protected:
    BatchRunEnds() : scopedUi_(ui_) {
        messages_.setLines({QStringLiteral("Conf_OPE|Confirma Operação?"),
                            QStringLiteral("Ope_Conc|Operação concluída com sucesso."),
                            QStringLiteral("Dev_Sel_Canc|Deve ser marcado pelo menos um crédito "
                                           "cancelado.")});
        package::declareOrderFields(orders_);
        package::declareSelectedFields(selected_);
        package::setCreditFilterDefaults();
        net_.setHost(QStringLiteral("127.0.0.1"));
        net_.setPort(server_.port());
        net_.setServerName(package::kServerName);
        host::client::TNetConnection::setCallObserver(
            [this](const QString& method, const QString&) {
                event("call " + method.toStdString());
            });
    }
    ~BatchRunEnds() override { host::client::TNetConnection::setCallObserver(nullptr); }

    // Each step with the state the operator would see it in.
    void event(const std::string& what) {
        trace_.push_back(what + " busy=" + std::to_string(busy_) + (attached_ ? "" : " detached"));
    }

    // The list as the screen loads it, with up to two orders of each of the
    // given situations ticked (none accounted, so every operation may move them).
    void loadAndTick(const std::string& situations) {
        orders_.loadPacket(host::client::CheckResultServ(
            net_.appServer().call(package::kGetPedCredCons, package::creditFilterArgs())));
        std::map<std::string, int> taken;
        dataset::Field& check = orders_.fieldByName("IDCHECK");
        for (orders_.first(); !orders_.eof(); orders_.next()) {
            const std::string situation = orders_.fieldByName("IDPEDCREEXTR").asString();
            const bool take = situations.find(situation) != std::string::npos &&
                              orders_.fieldByName("IDPEDCRECONT").asString() != "S" &&
                              taken[situation]++ < 2;
            orders_.edit();
            check.setAsString(take ? "S" : "N");
            orders_.post();
        }
        trace_.clear();
    }

    // The screen's part, each step traced.
    class Screen : public package::RunScreen {
      public:
        Screen(BatchRunEnds& test, const Row& row) : test_(test), row_(row) {}
        int ask(host::core::BoxRequest box) override {
            if (box.kind == host::core::BoxKind::Confirmation)
                return host::core::ui().showBox(box);
            EXPECT_EQ(box.text, QStringLiteral("Operação concluída com sucesso."));
            test_.event("report");
            return host::core::mrOk;
        }
        std::optional<QString> ask(host::core::FileRequest) override { return std::nullopt; }
        void report(const package::RunFailure&) override { test_.event("report"); }
        void busy(bool on) override { test_.busy_ += on ? 1 : -1; }
        void followList(bool follow) override {
            test_.attached_ = follow;
            test_.event(follow ? "attach" : "detach");
        }
        void reload() override {
            test_.event("reload");
            if (row_.reloadStops)
                host::core::abortHandler();
        }

      private:
        BatchRunEnds& test_;
        const Row& row_;
    };

    package::BatchOutcome run(const Row& row) {
        Screen screen(*this, row);
        package::BatchRun context{net_, messages_, orders_, selected_, screen};
        ui_.queueBoxAnswer(row.answer);
        return package::runBatchOperation(row.operation(), context);
    }

    ServerProcess server_;  // fresh demo data for every row
    host::automation::ScriptedUiService ui_;
    host::automation::ScopedUi scopedUi_;
    host::core::TMessages messages_;
    host::client::TNetConnection net_;
    dataset::RecordSet orders_{"cdsGetPediCreCons"};
    dataset::RecordSet selected_{"cdsTemp"};
    std::unique_ptr<FakeServer> fake_;
    bool attached_ = true;
    int busy_ = 0;
    std::vector<std::string> trace_;
};

TEST_P(BatchRunEnds, EndsAsTheRowSays) {
    const Row& row = GetParam();
    loadAndTick(row.ticked);
    const std::string method = row.operation().method.toStdString();
    switch (row.answerer) {
        case Answerer::Live:
            break;
        case Answerer::StaleList:
            // Another operator sends the same orders first.
            {
                Row first = row;
                first.reloadStops = false;
                ASSERT_EQ(run(first).end, BatchEnd::Done);
            }
            ui_.clearRecords();
            trace_.clear();
            break;
        case Answerer::Garbled:
            fake_ = std::make_unique<FakeServer>([](int fd, const Received& r) {
                if (r.path == "/health")
                    return false;
                reply(fd, 200, R"({"answer": "neither a result nor an error"})");
                return true;
            });
            net_.Close();
            net_.setPort(fake_->port());
            net_.Open();
            break;
        case Answerer::Killed:
            server_.kill(SIGKILL);
            ASSERT_TRUE(server_.wait(std::chrono::seconds(10)).has_value());
            break;
    }

    package::BatchOutcome outcome;
    if (row.reloadStops) {
        EXPECT_THROW(outcome = run(row), host::core::Abort);
    } else {
        outcome = run(row);
        EXPECT_EQ(outcome.end, row.end);
        EXPECT_EQ(outcome.sent, row.sent);
        // What the screen was told of a failure: the operator's text, the
        // server's, or the transport failure as raised.
        using Kind = package::RunFailure::Kind;
        const std::map<BatchEnd, Kind> kinds = {{BatchEnd::NothingSelected, Kind::Stopped},
                                                {BatchEnd::ServerRefused, Kind::ServerRefused},
                                                {BatchEnd::TransportFailed, Kind::TransportFailed}};
        const auto kind = kinds.find(row.end);
        ASSERT_EQ(outcome.failure.has_value(), kind != kinds.end());
        if (outcome.failure) {
            EXPECT_EQ(outcome.failure->kind, kind->second);
            EXPECT_FALSE(outcome.failure->message.isEmpty());
            EXPECT_EQ(outcome.failure->raised != nullptr, row.end == BatchEnd::TransportFailed);
        }
    }
    ASSERT_EQ(ui_.boxes().size(), 1u);
    EXPECT_EQ(ui_.boxes()[0].text, QStringLiteral("Confirma Operação?"));
    EXPECT_EQ(busy_, 0);
    EXPECT_TRUE(attached_);

    std::vector<std::string> expected;
    if (row.end != BatchEnd::Cancelled) {
        expected.push_back("detach busy=1 detached");
        if (row.end != BatchEnd::NothingSelected)
            expected.push_back("call " + method + " busy=1 detached");
        expected.insert(expected.end(),
                        {"report busy=1 detached", "reload busy=0 detached", "attach busy=0"});
        EXPECT_EQ(selected_.recordCount(), row.sent);
    } else {
        EXPECT_FALSE(selected_.active());
    }
    EXPECT_EQ(trace_, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, BatchRunEnds,
    ::testing::Values(Row{"AnsweredNo", package::efetivaCredito, host::core::mrNo, "N",
                          Answerer::Live, false, BatchEnd::Cancelled, 0},
                      Row{"NothingInItsSituation", package::desfazCancelamento, host::core::mrYes,
                          "NS", Answerer::Live, false, BatchEnd::NothingSelected, 0},
                      Row{"Effected", package::efetivaCredito, host::core::mrYes, "NS",
                          Answerer::Live, false, BatchEnd::Done, 2},
                      Row{"StaleListRefused", package::desfazCredito, host::core::mrYes, "S",
                          Answerer::StaleList, false, BatchEnd::ServerRefused, 2},
                      Row{"AnswerWithoutResult", package::cancelaPedido, host::core::mrYes, "N",
                          Answerer::Garbled, false, BatchEnd::TransportFailed, 2},
                      Row{"ServerKilled", package::efetivaCredito, host::core::mrYes, "N",
                          Answerer::Killed, false, BatchEnd::TransportFailed, 2},
                      Row{"ReloadStopped", package::efetivaCredito, host::core::mrYes, "N",
                          Answerer::Live, true, BatchEnd::Done, 2}),
    [](const ::testing::TestParamInfo<Row>& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace confcred::testing
