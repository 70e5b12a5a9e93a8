// The filter dialog's state and confirmation: its layout, what a confirmation
// writes (encodings included), incomplete choices, the radio buttons'
// effects, closing without confirming and the ways a creation can end.
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QToolButton>
#include <functional>
#include <stdexcept>

#include "host/btn_pesquisa.h"
#include "host/date_edit_plus.h"
#include "host/dispatch.h"
#include "host/net_connection.h"
#include "package/filter/frm_filtro_conf_cred_bco.h"
#include "package/frame/credit_filter_params.h"
#include "package/frame/package_units.h"
#include "package_fixture.h"
#include "platform/datetime.h"

namespace confcred::testing {
namespace {

using package::TfrmFiltroConfCredBco;
using Dialog = TfrmFiltroConfCredBco;

class FilterDialog : public PackageTest {
  protected:
    void TearDown() override {
        host::setErrorReport(nullptr);
        PackageTest::TearDown();
    }

    // Opens the dialog through its creation function and acts on it while shown.
    bool run(const std::function<void(Dialog&)>& act) {
        ui_.queueModal([act](QDialog& d) { act(dynamic_cast<Dialog&>(d)); });
        return package::CriaFiltroConfirmacao();
    }

    static int openFilterDialogs() {
        int n = 0;
        for (QWidget* w : QApplication::allWidgets())
            n += qobject_cast<Dialog*>(w) != nullptr ? 1 : 0;
        return n;
    }
};

// As the operator's Tab out of an edit.
void leave(QWidget* edit) {
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(edit, &out);
}

void tick(QCheckBox* box, bool on) {
    if (box->isChecked() != on)
        box->click();
}

TEST_F(FilterDialog, LayoutAsLaidOut) {
    Dialog d;  // constructed only: the layout before FormCreate loads it
    EXPECT_EQ(d.objectName(), QStringLiteral("frmFiltroConfCredBco"));
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Filtro de Confirmação de Crédito Bancário"));
    EXPECT_EQ(d.lblCodTela->text(), QStringLiteral("LUN90001"));
    EXPECT_EQ(d.size(), QSize(528, 246));
    EXPECT_EQ(d.grbFiltroPadrao->width(), 473);
    EXPECT_TRUE(d.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(d.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));

    struct Caption {
        QWidget* widget;
        QString text;
        bool bold;
    };
    const auto textOf = [](QWidget* w) {
        if (auto* g = qobject_cast<QGroupBox*>(w))
            return g->title();
        if (auto* b = qobject_cast<QAbstractButton*>(w))
            return b->text();
        return qobject_cast<QLabel*>(w)->text();
    };
    const Caption captions[] = {
        {d.grbCliente, "Cliente", true},
        {d.rbtTodosCliente, "Todos", false},
        {d.rbtListaCliente, "Lista", false},
        {d.grbConsumidor, "Consumidor/Resp.", true},
        {d.rbtTodosConsumidor, "Todos", false},
        {d.rbtListaConsumidor, "Lista", false},
        {d.grbPeriodo, "Período", true},
        {d.lblDe, "de", false},
        {d.lblAte, "até", false},
        {d.grbContabilizado, "Contabilizado", true},
        {d.chkContabSim, "Sim", false},
        {d.chkContabNao, "Não", false},
        {d.grbSituacao, "Situação", true},
        {d.chkSitPendente, "Pendente", false},
        {d.chkSitEfetivado, "Efetivado", false},
        {d.chkSitCancelado, "Cancelado", false},
        {d.lblNrPedido, "Nr. Pedido", true},
        {d.grbDescCredito, "Descrição do Crédito", true},
    };
    for (const Caption& c : captions) {
        SCOPED_TRACE(c.widget->objectName().toStdString());
        EXPECT_EQ(textOf(c.widget), c.text);
        EXPECT_EQ(c.widget->font().bold(), c.bold);
    }

    // Layout states: the defaults of the parameters.
    EXPECT_TRUE(d.rbtTodosCliente->isChecked());
    EXPECT_FALSE(d.rbtListaCliente->isChecked());
    EXPECT_TRUE(d.rbtTodosConsumidor->isChecked());
    EXPECT_FALSE(d.rbtListaConsumidor->isChecked());
    EXPECT_FALSE(d.btnCliente->isEnabled());
    EXPECT_FALSE(d.btnConsumidor->isEnabled());
    EXPECT_FALSE(d.chkContabSim->isChecked());
    EXPECT_TRUE(d.chkContabNao->isChecked());
    EXPECT_TRUE(d.chkSitPendente->isChecked());
    EXPECT_FALSE(d.chkSitEfetivado->isChecked());
    EXPECT_FALSE(d.chkSitCancelado->isChecked());
    EXPECT_EQ(d.edtNrPedido->maxLength(), 20);
    EXPECT_EQ(d.edtDescCredito->maxLength(), 50);

    EXPECT_EQ(d.netConfCredBanc->ServerName(), QStringLiteral("lun90000.rdmConfCredBanc"));
    EXPECT_FALSE(d.netConfCredBanc->ThrowException());

    // Tab order: each control's next tab stop is the following one.
    QWidget* order[] = {d.rbtTodosCliente,    d.rbtListaCliente,    d.btnCliente,
                        d.rbtTodosConsumidor, d.rbtListaConsumidor, d.btnConsumidor,
                        d.depInicial,         d.depFinal,           d.chkContabSim,
                        d.chkContabNao,       d.chkSitPendente,     d.chkSitEfetivado,
                        d.chkSitCancelado,    d.edtNrPedido,        d.edtDescCredito};
    for (size_t i = 0; i + 1 < std::size(order); ++i) {
        QWidget* next = order[i]->nextInFocusChain();
        while (next != order[i + 1] &&
               (order[i]->isAncestorOf(next) || !(next->focusPolicy() & Qt::TabFocus)))
            next = next->nextInFocusChain();
        EXPECT_EQ(next, order[i + 1]) << order[i]->objectName().toStdString();
    }
}

TEST_F(FilterDialog, DefaultsConfirmedWriteTheirEncodings) {
    bool connectedWhileShown = false;
    bool connectedAfterConfirm = true;
    const bool confirmed = run([&](Dialog& d) {
        connectedWhileShown = d.netConfCredBanc->Connected();
        d.sbtConfirma->click();
        connectedAfterConfirm = d.netConfCredBanc->Connected();
    });
    EXPECT_TRUE(confirmed);
    EXPECT_TRUE(connectedWhileShown);
    EXPECT_FALSE(connectedAfterConfirm);
    EXPECT_EQ(package::P_CDCLIENTE, "T");
    EXPECT_EQ(package::P_CDCONSUMIDOR, "T");
    EXPECT_EQ(package::P_NRPEDCRECONS, "T");
    EXPECT_EQ(package::P_DSSITCREBANC, "T");
    EXPECT_EQ(package::P_IDPEDCRECONT, "_N_");
    EXPECT_EQ(package::P_IDPEDCREEXTR, "_N_");
    EXPECT_TRUE(package::boTodosCli);
    EXPECT_TRUE(package::boTodosCon);
    EXPECT_TRUE(package::boPendente);
    EXPECT_TRUE(package::boContNao);
    EXPECT_FALSE(package::boContSim);
    EXPECT_TRUE(package::frmFiltroConfCredBco.isNull());
    processEvents();
    EXPECT_EQ(openFilterDialogs(), 0);
    EXPECT_TRUE(ui_.boxes().empty());
}

TEST_F(FilterDialog, BoxCombinationsEncodeInFixedOrder) {
    struct Row {
        const char* name;
        bool pendente, efetivado, cancelado, sim, nao;
        const char* situacoes;
        const char* contabil;
    };
    const Row rows[] = {
        {"defaults", true, false, false, false, true, "_N_", "_N_"},
        {"all", true, true, true, true, true, "_S_N_C_", "_S_N_"},
        {"none", false, false, false, false, false, "_", "_"},
        {"only_cancelled", false, false, true, true, false, "_C_", "_S_"},
        {"effected_and_cancelled", false, true, true, false, true, "_S_C_", "_N_"},
        {"effected_and_pending", true, true, false, true, true, "_S_N_", "_S_N_"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        package::setCreditFilterDefaults();
        ASSERT_TRUE(run([&](Dialog& d) {
            tick(d.chkSitPendente, r.pendente);
            tick(d.chkSitEfetivado, r.efetivado);
            tick(d.chkSitCancelado, r.cancelado);
            tick(d.chkContabSim, r.sim);
            tick(d.chkContabNao, r.nao);
            d.sbtConfirma->click();
        }));
        EXPECT_EQ(package::P_IDPEDCREEXTR, r.situacoes);
        EXPECT_EQ(package::P_IDPEDCRECONT, r.contabil);
        // The next dialog shows the boxes as confirmed.
        bool same = false;
        run([&](Dialog& d) {
            same = d.chkSitPendente->isChecked() == r.pendente &&
                   d.chkSitEfetivado->isChecked() == r.efetivado &&
                   d.chkSitCancelado->isChecked() == r.cancelado &&
                   d.chkContabSim->isChecked() == r.sim && d.chkContabNao->isChecked() == r.nao;
        });
        EXPECT_TRUE(same);
    }
}

TEST_F(FilterDialog, OrderNumberAndDescriptionEncodings) {
    struct Row {
        const char* name;
        QString nr;
        bool leaveNr;
        QString shownAfterLeaving;  // the edit's text once left (when left)
        QString pNr, stNr;
        QString desc;
        QString pDesc;
    };
    const QString padded123 = QStringLiteral("00000000000000000123");
    const Row rows[] = {
        {"digits_adjusted_on_confirm", "123", false, {}, padded123, padded123, "abc", "%abc%"},
        {"digits_adjusted_on_leaving", " 123 ", true, padded123, padded123, padded123, "", "T"},
        {"empty_is_any", "", false, {}, "T", "", "  Crédito  ", "%  Crédito  %"},
        {"left_empty_stays_empty", "", true, "", "T", "", "100%", "%100%%"},
        {"blanks_are_empty", "   ", false, {}, "T", "   ", "   ", "T"},
        {"text_kept_trimmed",
         " AB-12 ",
         false,
         {},
         "AB-12",
         "AB-12",
         QString(50, 'x'),
         "%" + QString(50, 'x') + "%"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        package::setCreditFilterDefaults();
        QString shown;
        ASSERT_TRUE(run([&](Dialog& d) {
            d.edtNrPedido->setText(r.nr);
            if (r.leaveNr) {
                leave(d.edtNrPedido);
                shown = d.edtNrPedido->text();
            }
            d.edtDescCredito->setText(r.desc);
            d.sbtConfirma->click();
        }));
        if (r.leaveNr) {
            EXPECT_EQ(shown, r.shownAfterLeaving);
        }
        EXPECT_EQ(package::P_NRPEDCRECONS, r.pNr);
        EXPECT_EQ(package::stNrPedido, r.stNr);
        EXPECT_EQ(package::P_DSSITCREBANC, r.pDesc);
        EXPECT_EQ(package::stDSPedido, r.desc);
        // Reopened, the edits show what was stored.
        QString nrShown, descShown;
        run([&](Dialog& d) {
            nrShown = d.edtNrPedido->text();
            descShown = d.edtDescCredito->text();
        });
        EXPECT_EQ(nrShown, r.stNr);
        EXPECT_EQ(descShown, r.desc);
    }
}

TEST_F(FilterDialog, DatesWrittenAsChosenEvenReversed) {
    const auto day = [](int y, int m, int d) { return *platform::DateTime::tryFromParts(y, m, d); };
    ASSERT_TRUE(run([&](Dialog& d) {
        EXPECT_EQ(d.depInicial->date(), package::P_DATAINICIAL);
        d.depInicial->setDate(day(2026, 12, 31));
        d.depFinal->setDate(day(2026, 1, 2));
        d.sbtConfirma->click();
    }));
    EXPECT_EQ(package::P_DATAINICIAL, day(2026, 12, 31));
    EXPECT_EQ(package::P_DATAFINAL, day(2026, 1, 2));
}

TEST_F(FilterDialog, IncompleteChoiceStopsWithOneMessageAndFocus) {
    struct Row {
        const char* name;
        bool clientLista, consumerLista;
        const char* message;
        bool focusOnClient;
    };
    const Row rows[] = {
        {"both_incomplete_client_wins", true, true, "Cliente deve ser informado.", true},
        {"client_incomplete", true, false, "Cliente deve ser informado.", true},
        {"consumer_incomplete", false, true, "Consumidor deve ser informado.", false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        package::setCreditFilterDefaults();
        ui_.clearRecords();
        const QString before = package::creditFilterParamsText();
        QWidget* focusAtMessage = nullptr;
        QWidget* focusAfter = nullptr;
        QWidget* expectedFocus = nullptr;
        bool openAfter = false;
        const bool confirmed = run([&](Dialog& d) {
            if (r.clientLista)
                d.rbtListaCliente->click();
            if (r.consumerLista)
                d.rbtListaConsumidor->click();
            expectedFocus = r.focusOnClient ? d.rbtListaCliente : d.rbtListaConsumidor;
            d.edtDescCredito->setFocus();
            ui_.setOnBox([&](const host::RecordedBox&) { focusAtMessage = d.focusWidget(); });
            ui_.queueBoxAnswer(host::mrOk);
            d.sbtConfirma->click();
            ui_.setOnBox(nullptr);
            focusAfter = d.focusWidget();
            openAfter = d.isVisible();
            d.sbtFechar->click();
        });
        EXPECT_FALSE(confirmed);
        ASSERT_EQ(ui_.boxes().size(), 1u);
        EXPECT_EQ(ui_.boxes()[0].kind, host::BoxKind::Error);
        EXPECT_EQ(ui_.boxes()[0].text, QString::fromUtf8(r.message));
        EXPECT_NE(focusAtMessage, expectedFocus) << "the focus moves after the message";
        EXPECT_EQ(focusAfter, expectedFocus);
        EXPECT_TRUE(openAfter);
        EXPECT_EQ(package::creditFilterParamsText(), before);
    }
}

TEST_F(FilterDialog, ListaSelectionsRestoredOnReopen) {
    package::P_CDCLIENTE = QStringLiteral("'CLI001'");
    package::P_CDCONSUMIDOR = QStringLiteral("'CLI001               CONS0001             '");
    package::boTodosCli = false;
    package::boTodosCon = false;
    ASSERT_TRUE(run([&](Dialog& d) {
        EXPECT_TRUE(d.rbtListaCliente->isChecked());
        EXPECT_TRUE(d.rbtListaConsumidor->isChecked());
        EXPECT_TRUE(d.btnCliente->isEnabled());
        EXPECT_TRUE(d.btnConsumidor->isEnabled());
        EXPECT_EQ(d.stSelCliente, package::P_CDCLIENTE);
        EXPECT_EQ(d.stSelConsumidor, package::P_CDCONSUMIDOR);
        EXPECT_EQ(d.stTodosCliente, "T");
        EXPECT_EQ(d.stListaCliente, "");
        d.sbtConfirma->click();
    }));
    EXPECT_EQ(package::P_CDCLIENTE, "'CLI001'");
    EXPECT_EQ(package::P_CDCONSUMIDOR, "'CLI001               CONS0001             '");
    EXPECT_FALSE(package::boTodosCli);
    EXPECT_FALSE(package::boTodosCon);
}

TEST_F(FilterDialog, TodosResetsSelections) {
    struct Row {
        const char* name;
        bool clientTodos;  // else consumer "Todos"
        const char* client;
        const char* consumer;
    };
    const Row rows[] = {
        {"client_todos_resets_both", true, "T", "T"},
        {"consumer_todos_keeps_clients", false, "'CLI001'", "T"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        package::P_CDCLIENTE = QStringLiteral("'CLI001'");
        package::P_CDCONSUMIDOR = QStringLiteral("'CLI001               CONS0001             '");
        package::boTodosCli = false;
        package::boTodosCon = false;
        ASSERT_TRUE(run([&](Dialog& d) {
            (r.clientTodos ? d.rbtTodosCliente : d.rbtTodosConsumidor)->click();
            EXPECT_TRUE(d.rbtTodosConsumidor->isChecked());
            EXPECT_FALSE(d.btnConsumidor->isEnabled());
            EXPECT_EQ(d.rbtTodosCliente->isChecked(), r.clientTodos);
            EXPECT_EQ(d.btnCliente->isEnabled(), !r.clientTodos);
            d.sbtConfirma->click();
        }));
        EXPECT_EQ(package::P_CDCLIENTE, r.client);
        EXPECT_EQ(package::P_CDCONSUMIDOR, r.consumer);
        EXPECT_EQ(package::boTodosCli, r.clientTodos);
        EXPECT_TRUE(package::boTodosCon);
    }
}

TEST_F(FilterDialog, ClosingWithoutConfirmingChangesNothing) {
    struct Row {
        const char* name;
        std::function<void(Dialog&)> close;
    };
    const Row rows[] = {
        {"close_box", [](Dialog& d) { d.close(); }},
        {"close_button", [](Dialog& d) { d.sbtFechar->click(); }},
        {"escape",
         [](Dialog& d) {
             QKeyEvent key(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
             QApplication::sendEvent(d.edtDescCredito, &key);
         }},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        package::setCreditFilterDefaults();
        const QString before = package::creditFilterParamsText();
        bool closedConnection = false;
        const bool confirmed = run([&](Dialog& d) {
            d.rbtListaCliente->click();
            d.rbtListaConsumidor->click();
            d.depInicial->setDate(*platform::DateTime::tryFromParts(2020, 1, 1));
            d.chkContabSim->click();
            d.chkContabNao->click();
            d.chkSitPendente->click();
            d.chkSitEfetivado->click();
            d.chkSitCancelado->click();
            d.edtNrPedido->setText("42");
            leave(d.edtNrPedido);
            d.edtDescCredito->setText("abc");
            r.close(d);
            closedConnection = !d.netConfCredBanc->Connected();
        });
        EXPECT_FALSE(confirmed);
        EXPECT_TRUE(closedConnection);
        EXPECT_EQ(package::creditFilterParamsText(), before);
        EXPECT_TRUE(package::frmFiltroConfCredBco.isNull());
    }
}

TEST_F(FilterDialog, ConnectionFailingAtCreationEndsWithoutShowing) {
    pointAtDeadServer();
    const QString before = package::creditFilterParamsText();
    QStringList reported;
    host::setErrorReport([&](const QString& text) { reported << text; });
    EXPECT_FALSE(package::CriaFiltroConfirmacao());
    for (const host::RecordedRequest& request : ui_.requests())
        EXPECT_NE(request.kind, host::RecordedRequest::Kind::Modal);
    EXPECT_TRUE(ui_.boxes().empty());
    EXPECT_TRUE(reported.isEmpty());
    EXPECT_EQ(package::creditFilterParamsText(), before);
    EXPECT_TRUE(package::frmFiltroConfCredBco.isNull());
    processEvents();
    EXPECT_EQ(openFilterDialogs(), 0);

    // Creation ran to its end all the same.
    std::unique_ptr<Dialog> d(host::createForm<Dialog>());
    EXPECT_TRUE(d->closedDuringCreation());
    EXPECT_FALSE(d->netConfCredBanc->Connected());
    EXPECT_EQ(d->stTodosCliente, "T");
    EXPECT_FALSE(d->boConfirmou);
}

TEST_F(FilterDialog, ErrorWhileShownStillFreesTheDialog) {
    ui_.queueModal([](QDialog&) { throw std::runtime_error("falha ao mostrar"); });
    EXPECT_THROW(package::CriaFiltroConfirmacao(), std::runtime_error);
    EXPECT_TRUE(package::frmFiltroConfCredBco.isNull());
    processEvents();
    EXPECT_EQ(openFilterDialogs(), 0);
    // The next call works on a fresh dialog.
    EXPECT_TRUE(run([](Dialog& d) { d.sbtConfirma->click(); }));
}

}  // namespace
}  // namespace confcred::testing
