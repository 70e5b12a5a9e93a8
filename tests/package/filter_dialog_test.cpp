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
#include <memory>
#include <optional>
#include <stdexcept>

#include "dataset/record_set.h"
#include "filter_components.h"
#include "host/client/net_connection.h"
#include "host/client/sql_query.h"
#include "host/core/dispatch.h"
#include "host/core/ui_service.h"
#include "host/widgets/btn_pesquisa.h"
#include "host/widgets/date_edit_plus.h"
#include "package/core/credit_filter_params.h"
#include "package/filter/frm_filtro_conf_cred_bco.h"
#include "package/frame/package_units.h"
#include "package_fixture.h"
#include "platform/datetime.h"
#include "support/base_components.h"

namespace confcred::testing {
namespace {

using namespace base;

using namespace filter;
using package::TfrmFiltroConfCredBco;
using Dialog = TfrmFiltroConfCredBco;

class FilterDialog : public PackageTest {
  protected:
    void TearDown() override {
        host::core::setErrorReport(nullptr);
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

// The next control Tab reaches from `from`, skipping its own children and
// controls Tab passes by; null when the chain comes back round to `from`,
// breaks, or runs on without end.
QWidget* nextTabStop(QWidget* from) {
    QWidget* next = from->nextInFocusChain();
    for (int steps = 0; next != nullptr && next != from && steps < 10000; ++steps) {
        if (!from->isAncestorOf(next) && (next->focusPolicy() & Qt::TabFocus))
            return next;
        next = next->nextInFocusChain();
    }
    return nullptr;
}

TEST_F(FilterDialog, LayoutAsLaidOut) {
    Dialog d;  // constructed only: the layout before FormCreate loads it
    EXPECT_EQ(d.objectName(), QStringLiteral("frmFiltroConfCredBco"));
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Filtro de Confirmação de Crédito Bancário"));
    EXPECT_EQ(lblCodTela(d)->text(), QStringLiteral("LUN90001"));
    EXPECT_EQ(d.size(), QSize(528, 246));
    EXPECT_EQ(grbFiltroPadrao(d)->width(), 473);
    EXPECT_EQ(panMenu(d)->width(), 528 - 473);
    EXPECT_TRUE(d.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(d.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));

    // Every control of the filter area, in tab order, with the group it sits
    // in; then the labels. A search button sits just right of its "Lista".
    enum Check { Off, On, NotACheck };
    struct Control {
        const char* name;
        QWidget* widget;
        QGroupBox* group;
        const char* caption;  // null: none
        bool bold;
        Check checked;  // the layout state
        bool enabled;
        int maxLength;     // edits; 0 otherwise
        QWidget* besides;  // search buttons: their "Lista"
    };
    const Control controls[] = {
        {"rbtTodosCliente", rbtTodosCliente(d), grbCliente(d), "Todos", false, On, true, 0,
         nullptr},
        {"rbtListaCliente", rbtListaCliente(d), grbCliente(d), "Lista", false, Off, true, 0,
         nullptr},
        {"btnCliente", btnCliente(d), grbCliente(d), nullptr, false, NotACheck, false, 0,
         rbtListaCliente(d)},
        {"rbtTodosConsumidor", rbtTodosConsumidor(d), grbConsumidor(d), "Todos", false, On, true, 0,
         nullptr},
        {"rbtListaConsumidor", rbtListaConsumidor(d), grbConsumidor(d), "Lista", false, Off, true,
         0, nullptr},
        {"btnConsumidor", btnConsumidor(d), grbConsumidor(d), nullptr, false, NotACheck, false, 0,
         rbtListaConsumidor(d)},
        {"depInicial", depInicial(d), grbPeriodo(d), nullptr, false, NotACheck, true, 0, nullptr},
        {"depFinal", depFinal(d), grbPeriodo(d), nullptr, false, NotACheck, true, 0, nullptr},
        {"chkContabSim", chkContabSim(d), grbContabilizado(d), "Sim", false, Off, true, 0, nullptr},
        {"chkContabNao", chkContabNao(d), grbContabilizado(d), "Não", false, On, true, 0, nullptr},
        {"chkSitPendente", chkSitPendente(d), grbSituacao(d), "Pendente", false, On, true, 0,
         nullptr},
        {"chkSitEfetivado", chkSitEfetivado(d), grbSituacao(d), "Efetivado", false, Off, true, 0,
         nullptr},
        {"chkSitCancelado", chkSitCancelado(d), grbSituacao(d), "Cancelado", false, Off, true, 0,
         nullptr},
        {"edtNrPedido", edtNrPedido(d), nullptr, nullptr, false, NotACheck, true, 20, nullptr},
        {"edtDescCredito", edtDescCredito(d), grbDescCredito(d), nullptr, false, NotACheck, true,
         50, nullptr},
        {"grbCliente", grbCliente(d), nullptr, "Cliente", true, NotACheck, true, 0, nullptr},
        {"grbConsumidor", grbConsumidor(d), nullptr, "Consumidor/Resp.", true, NotACheck, true, 0,
         nullptr},
        {"grbPeriodo", grbPeriodo(d), nullptr, "Período", true, NotACheck, true, 0, nullptr},
        {"lblDe", lblDe(d), grbPeriodo(d), "de", false, NotACheck, true, 0, nullptr},
        {"lblAte", lblAte(d), grbPeriodo(d), "até", false, NotACheck, true, 0, nullptr},
        {"grbContabilizado", grbContabilizado(d), nullptr, "Contabilizado", true, NotACheck, true,
         0, nullptr},
        {"grbSituacao", grbSituacao(d), nullptr, "Situação", true, NotACheck, true, 0, nullptr},
        {"lblNrPedido", lblNrPedido(d), nullptr, "Nr. Pedido", true, NotACheck, true, 0, nullptr},
        {"grbDescCredito", grbDescCredito(d), nullptr, "Descrição do Crédito", true, NotACheck,
         true, 0, nullptr},
    };
    const size_t tabStops = 15;  // the controls before the groups and labels
    const auto captionOf = [](QWidget* w) {
        if (auto* g = qobject_cast<QGroupBox*>(w))
            return g->title();
        if (auto* b = qobject_cast<QAbstractButton*>(w))
            return b->text();
        if (auto* l = qobject_cast<QLabel*>(w))
            return l->text();
        return QString();
    };
    for (size_t i = 0; i < std::size(controls); ++i) {
        const Control& c = controls[i];
        SCOPED_TRACE(c.name);
        ASSERT_NE(c.widget, nullptr) << c.name << " is missing";
        EXPECT_EQ(c.widget->objectName(), QString::fromLatin1(c.name));
        EXPECT_EQ(c.widget->parentWidget(),
                  c.group != nullptr ? static_cast<QWidget*>(c.group) : grbFiltroPadrao(d));
        EXPECT_EQ(captionOf(c.widget), c.caption != nullptr ? QString::fromUtf8(c.caption) : "");
        // Captions and typed text; a search button shows only its glyph.
        if (qobject_cast<host::widgets::TBtnPesquisa*>(c.widget) == nullptr) {
            EXPECT_EQ(c.widget->font().bold(), c.bold);
        }
        if (c.checked != NotACheck) {
            EXPECT_EQ(qobject_cast<QAbstractButton*>(c.widget)->isChecked(), c.checked == On);
        }
        EXPECT_EQ(c.widget->isEnabled(), c.enabled);
        if (auto* edit = qobject_cast<QLineEdit*>(c.widget)) {
            EXPECT_EQ(edit->maxLength(), c.maxLength);
            EXPECT_TRUE(edit->text().isEmpty());
        }
        if (auto* button = qobject_cast<host::widgets::TBtnPesquisa*>(c.widget)) {
            EXPECT_EQ(button->hint(), QStringLiteral("Pesquisar"));
            EXPECT_EQ(button->Associate(), c.besides);
            EXPECT_EQ(button->x(), c.besides->geometry().right() + 3);
            EXPECT_EQ(button->y(), c.besides->y());
        }
        if (auto* date = qobject_cast<host::widgets::TDateEditPlus*>(c.widget)) {
            EXPECT_FALSE(date->SaveTime());
            EXPECT_EQ(date->validColor(), QColor(Qt::blue));
            EXPECT_EQ(date->weekdayNames(), (QStringList{"Domingo", "Segunda", "Terça", "Quarta",
                                                         "Quinta", "Sexta", "Sábado"}));
        }
        // Tab goes on to the next control of the table; a broken chain
        // fails here with the control's name.
        if (i + 1 < tabStops) {
            QWidget* next = nextTabStop(c.widget);
            ASSERT_NE(next, nullptr) << "the tab chain breaks after " << c.name;
            EXPECT_EQ(next, controls[i + 1].widget)
                << "after " << c.name << " Tab reaches " << next->objectName().toStdString();
        }
    }
    EXPECT_TRUE(btnCliente(d)->DataSetClosed());
    EXPECT_EQ(btnConsumidor(d)->DataSource()->dataSet(), &cdsConsumidor(d));
    EXPECT_EQ(btnConsumidor(d)->EmptyError(), QStringLiteral("Não há consumidor cadastrado."));

    // The look-ups' columns as the pickers title and size them; -1: as wide
    // as the host database's column, known once the query opens.
    struct Column {
        dataset::RecordSet* set;
        const char* name;
        const char* title;
        int width, displayWidth;
        bool shown;
    };
    dataset::RecordSet& clients = cdsPesqCliente(d)->recordSet();
    const Column columns[] = {
        {&clients, "CDCLIENTE", "Código", 21, 21, true},
        {&clients, "NRINSJURCLIE", "Nr. Inscrição", -1, -1, true},
        {&clients, "NMRAZSOCCLIE", "Nome", 50, 50, true},
        {&cdsConsumidor(d), "IDMARCADO", "IDMARCADO", 1, 1, false},
        {&cdsConsumidor(d), "CDCONSUMIDOR", "Código", 21, 26, true},
        {&cdsConsumidor(d), "NMCONSUMIDOR", "Nome", 50, 55, true},
        {&cdsConsumidor(d), "NMRESPCONS", "Responsável", 50, 50, true},
        {&cdsConsumidor(d), "CDCLIENTE", "Cliente", 21, 21, false},
        {&cdsConsumidor(d), "CHAVE", "CHAVE", 42, 42, false},
    };
    for (const Column& c : columns) {
        SCOPED_TRACE(c.name);
        ASSERT_NE(c.set->findField(c.name), nullptr);
        const dataset::Field& f = c.set->fieldByName(c.name);
        EXPECT_EQ(f.type(), dataset::FieldType::String);
        EXPECT_EQ(f.displayLabel(), c.title);
        EXPECT_EQ(f.visible(), c.shown);
        if (c.width >= 0) {
            EXPECT_EQ(f.size(), c.width);
            EXPECT_EQ(f.displayWidth(), c.displayWidth);
        }
    }
    EXPECT_TRUE(cdsConsumidor(d).fieldByName("CHAVE").readOnly());

    EXPECT_EQ(netConfCredBanc(d)->ServerName(), QStringLiteral("lun90000.rdmConfCredBanc"));
    EXPECT_FALSE(netConfCredBanc(d)->ThrowException());
}

TEST_F(FilterDialog, DefaultsConfirmedWriteTheirEncodings) {
    bool connectedWhileShown = false;
    bool connectedAfterConfirm = true;
    const bool confirmed = run([&](Dialog& d) {
        connectedWhileShown = netConfCredBanc(d)->Connected();
        sbtConfirma(d)->click();
        connectedAfterConfirm = netConfCredBanc(d)->Connected();
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
            tick(chkSitPendente(d), r.pendente);
            tick(chkSitEfetivado(d), r.efetivado);
            tick(chkSitCancelado(d), r.cancelado);
            tick(chkContabSim(d), r.sim);
            tick(chkContabNao(d), r.nao);
            sbtConfirma(d)->click();
        }));
        EXPECT_EQ(package::P_IDPEDCREEXTR, r.situacoes);
        EXPECT_EQ(package::P_IDPEDCRECONT, r.contabil);
        // The next dialog shows the boxes as confirmed.
        bool same = false;
        run([&](Dialog& d) {
            same = chkSitPendente(d)->isChecked() == r.pendente &&
                   chkSitEfetivado(d)->isChecked() == r.efetivado &&
                   chkSitCancelado(d)->isChecked() == r.cancelado &&
                   chkContabSim(d)->isChecked() == r.sim && chkContabNao(d)->isChecked() == r.nao;
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
            edtNrPedido(d)->setText(r.nr);
            if (r.leaveNr) {
                leave(edtNrPedido(d));
                shown = edtNrPedido(d)->text();
            }
            edtDescCredito(d)->setText(r.desc);
            sbtConfirma(d)->click();
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
            nrShown = edtNrPedido(d)->text();
            descShown = edtDescCredito(d)->text();
        });
        EXPECT_EQ(nrShown, r.stNr);
        EXPECT_EQ(descShown, r.desc);
    }
}

TEST_F(FilterDialog, DatesWrittenAsChosenEvenReversed) {
    const auto day = [](int y, int m, int d) { return *platform::DateTime::tryFromParts(y, m, d); };
    ASSERT_TRUE(run([&](Dialog& d) {
        EXPECT_EQ(depInicial(d)->date(), package::P_DATAINICIAL);
        depInicial(d)->setDate(day(2026, 12, 31));
        depFinal(d)->setDate(day(2026, 1, 2));
        sbtConfirma(d)->click();
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
        const char* typedEnd = nullptr;  // refused text left in the period's end
    };
    const Row rows[] = {
        {"both_incomplete_client_wins", true, true, "Cliente deve ser informado.", true},
        {"client_incomplete", true, false, "Cliente deve ser informado.", true},
        {"consumer_incomplete", false, true, "Consumidor deve ser informado.", false},
        {"refused_date", false, false,
         "Data inválida no período: \"31/11/2026\". Informe a data como DD/MM/AAAA.", false,
         "31/11/2026"},
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
                rbtListaCliente(d)->click();
            if (r.consumerLista)
                rbtListaConsumidor(d)->click();
            expectedFocus = r.focusOnClient ? rbtListaCliente(d) : rbtListaConsumidor(d);
            if (r.typedEnd != nullptr) {
                depFinal(d)->setEditText(QString::fromUtf8(r.typedEnd));
                expectedFocus = depFinal(d);
            }
            edtDescCredito(d)->setFocus();
            ui_.setOnBox(
                [&](const host::automation::RecordedBox&) { focusAtMessage = d.focusWidget(); });
            ui_.queueBoxAnswer(host::core::mrOk);
            sbtConfirma(d)->click();
            ui_.setOnBox(nullptr);
            focusAfter = d.focusWidget();
            openAfter = d.isVisible();
            sbtFechar(d)->click();
        });
        EXPECT_FALSE(confirmed);
        ASSERT_EQ(ui_.boxes().size(), 1u);
        EXPECT_EQ(ui_.boxes()[0].kind, host::core::BoxKind::Error);
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
        EXPECT_TRUE(rbtListaCliente(d)->isChecked());
        EXPECT_TRUE(rbtListaConsumidor(d)->isChecked());
        EXPECT_TRUE(btnCliente(d)->isEnabled());
        EXPECT_TRUE(btnConsumidor(d)->isEnabled());
        EXPECT_EQ(d.filter().cdCliente, package::P_CDCLIENTE);
        EXPECT_EQ(d.filter().cdConsumidor, package::P_CDCONSUMIDOR);
        sbtConfirma(d)->click();
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
            (r.clientTodos ? rbtTodosCliente(d) : rbtTodosConsumidor(d))->click();
            EXPECT_TRUE(rbtTodosConsumidor(d)->isChecked());
            EXPECT_FALSE(btnConsumidor(d)->isEnabled());
            EXPECT_EQ(rbtTodosCliente(d)->isChecked(), r.clientTodos);
            EXPECT_EQ(btnCliente(d)->isEnabled(), !r.clientTodos);
            sbtConfirma(d)->click();
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
        {"close_button", [](Dialog& d) { sbtFechar(d)->click(); }},
        {"escape",
         [](Dialog& d) {
             QKeyEvent key(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
             QApplication::sendEvent(edtDescCredito(d), &key);
         }},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        package::setCreditFilterDefaults();
        const QString before = package::creditFilterParamsText();
        bool closedConnection = false;
        const bool confirmed = run([&](Dialog& d) {
            rbtListaCliente(d)->click();
            rbtListaConsumidor(d)->click();
            depInicial(d)->setDate(*platform::DateTime::tryFromParts(2020, 1, 1));
            chkContabSim(d)->click();
            chkContabNao(d)->click();
            chkSitPendente(d)->click();
            chkSitEfetivado(d)->click();
            chkSitCancelado(d)->click();
            edtNrPedido(d)->setText("42");
            leave(edtNrPedido(d));
            edtDescCredito(d)->setText("abc");
            r.close(d);
            closedConnection = !netConfCredBanc(d)->Connected();
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
    host::core::setErrorReport([&](const QString& text) { reported << text; });
    EXPECT_FALSE(package::CriaFiltroConfirmacao());
    for (const host::automation::RecordedRequest& request : ui_.requests())
        EXPECT_NE(request.kind, host::automation::RecordedRequest::Kind::Modal);
    EXPECT_TRUE(ui_.boxes().empty());
    EXPECT_TRUE(reported.isEmpty());
    EXPECT_EQ(package::creditFilterParamsText(), before);
    EXPECT_TRUE(package::frmFiltroConfCredBco.isNull());
    processEvents();
    EXPECT_EQ(openFilterDialogs(), 0);

    // Creation ran to its end all the same.
    std::unique_ptr<Dialog> d(host::forms::createForm<Dialog>());
    EXPECT_TRUE(d->closedDuringCreation());
    EXPECT_FALSE(netConfCredBanc(*d)->Connected());
    EXPECT_TRUE(cdsPesqCliente(*d)->Active());
    EXPECT_FALSE(d->confirmedFilter().has_value());
}

TEST_F(FilterDialog, WorksOnTheFilterItIsGivenAndGivesItBack) {
    package::setCreditFilterDefaults();
    const QString before = package::creditFilterParamsText();
    package::CreditFilter given;
    given.cdCliente = QStringLiteral("'CLI001'");
    given.todosCli = false;
    given.dataInicial = *platform::DateTime::tryFromParts(2026, 3, 1);
    given.dataFinal = *platform::DateTime::tryFromParts(2026, 3, 31);
    given.pendente = false;
    given.efetivado = true;
    given.nrPedido = QStringLiteral("00000000000000000042");
    given.dsPedido = QStringLiteral("abc");
    std::unique_ptr<Dialog> d(host::forms::createForm<Dialog>(given));
    EXPECT_FALSE(d->confirmedFilter().has_value());
    ui_.queueModal([](QDialog& shown) {
        EXPECT_TRUE(rbtListaCliente(shown)->isChecked());
        EXPECT_TRUE(btnCliente(shown)->isEnabled());
        chkContabSim(shown)->click();
        sbtConfirma(dynamic_cast<Dialog&>(shown))->click();
    });
    host::core::ui().showModal(*d);

    package::CreditFilter expected = given;
    expected.contSim = true;
    expected.idPedCreCont = QStringLiteral("_S_N_");
    expected.idPedCreExtr = QStringLiteral("_S_");
    expected.nrPedCreCons = given.nrPedido;
    expected.dsSitCreBanc = QStringLiteral("%abc%");
    const std::optional<package::CreditFilter> confirmed = d->confirmedFilter();
    ASSERT_TRUE(confirmed.has_value());
    EXPECT_TRUE(*confirmed == expected);
    EXPECT_EQ(confirmed->cdCliente, "'CLI001'");
    EXPECT_EQ(confirmed->idPedCreExtr, "_S_");
    // The dialog itself writes no parameter: its creation function does.
    EXPECT_EQ(package::creditFilterParamsText(), before);
}

TEST_F(FilterDialog, ErrorWhileShownStillFreesTheDialog) {
    ui_.queueModal([](QDialog&) { throw std::runtime_error("falha ao mostrar"); });
    EXPECT_THROW(package::CriaFiltroConfirmacao(), std::runtime_error);
    EXPECT_TRUE(package::frmFiltroConfCredBco.isNull());
    processEvents();
    EXPECT_EQ(openFilterDialogs(), 0);
    // The next call works on a fresh dialog.
    EXPECT_TRUE(run([](Dialog& d) { sbtConfirma(d)->click(); }));
}

}  // namespace
}  // namespace confcred::testing
