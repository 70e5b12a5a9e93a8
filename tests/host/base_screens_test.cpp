// The base screens: their components by object name, the lifecycle order
// with derived handlers calling the base first, closing (Escape, the close
// button, the close action), the reload command reaching the derived screen.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPointer>
#include <QProgressBar>
#include <QTabWidget>
#include <QToolButton>

#include "dataset/dataset_test_util.h"
#include "host/automation/scripted_ui_service.h"
#include "host/automation/synthetic_input.h"
#include "host/core/application.h"
#include "host/core/dispatch.h"
#include "host/core/messages.h"
#include "host/forms/frm_filtro_padrao.h"
#include "host/forms/frm_padr_import_export.h"
#include "host/forms/frm_padrao.h"
#include "host/widgets/button_flat.h"
#include "host/widgets/db_grid.h"
#include "host/widgets/db_text.h"
#include "support/base_components.h"

using namespace confcred;
using namespace confcred::host;
using namespace confcred::host::core;
using namespace confcred::host::widgets;
using namespace confcred::host::forms;
using namespace confcred::host::automation;
using namespace confcred::testing::base;

namespace {

// A data screen as the package derives one.
class TfrmTeste : public forms::TfrmPadrao {
  public:
    explicit TfrmTeste(std::vector<std::string>& log) : log_(log) {
        setObjectName("frmTeste");
        setWindowTitle("Tela de Teste");
    }
    void FormCreate() override {
        forms::TfrmPadrao::FormCreate();
        log_.push_back("create");
        lblCodTela->setText("LUN99999");
    }
    void FormShow() override { log_.push_back("show"); }
    void FormActivate() override { log_.push_back("activate"); }
    void FormClose(forms::TCloseAction& action) override {
        forms::TfrmPadrao::FormClose(action);
        log_.push_back(action == forms::caFree ? "close:free" : "close:other");
        if (keepOpen)
            action = forms::caNone;
    }
    void sbtVerificarClick() override { log_.push_back("reload"); }
    void dtsPadraoStateChange() override {
        forms::TfrmPadrao::dtsPadraoStateChange();
        log_.push_back("state");
    }
    // As a derived screen shows its list on the standard source.
    void showList(dataset::RecordSet* set) { dtsPadrao.setDataSet(set); }
    const dataset::DataSource* standardSource() const { return &dtsPadrao; }
    bool keepOpen = false;

  private:
    std::vector<std::string>& log_;
};

class BaseScreensTest : public ::testing::Test {
  protected:
    void TearDown() override {
        QApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        // No screen outlives its test.
        for (QWidget* w : QApplication::topLevelWidgets())
            EXPECT_FALSE(w->isVisible()) << w->objectName().toStdString();
    }
    std::vector<std::string> log;
    automation::ScriptedUiService scripted;
    automation::ScopedUi scope{scripted};
};

template <class T>
void expectChild(QObject& form, const char* name) {
    EXPECT_NE(form.findChild<T>(QString::fromLatin1(name)), nullptr) << name;
}

TEST_F(BaseScreensTest, DataScreenHasItsComponentsByName) {
    QPointer<TfrmTeste> form = createForm<TfrmTeste>(log);
    expectChild<QLabel*>(*form, "lblCodTela");
    expectChild<QWidget*>(*form, "panMenu");
    for (const char* name :
         {"sbtIncluir", "sbtAlterar", "sbtExcluir", "sbtGravar", "sbtCancelar", "sbtPesquisar",
          "sbtVerificar", "sbtImprimir", "sbtAjuda", "sbtFechar"}) {
        auto* button = form->findChild<widgets::TButtonFlat*>(QString::fromLatin1(name));
        ASSERT_NE(button, nullptr) << name;
        EXPECT_EQ(button->size(), QSize(21, 21)) << name;
        EXPECT_FALSE(button->toolTip().isEmpty()) << name;
    }
    for (const char* name : {"mniIncluir", "mniAlterar", "mniExcluir", "mniGravar", "mniCancelar",
                             "mniPesquisar", "mniDuplicar", "mniVerificar"})
        expectChild<QAction*>(*form, name);
    expectChild<QTabWidget*>(*form, "pgcPadrao");
    expectChild<QWidget*>(*form, "tshFolhaDados");
    expectChild<QWidget*>(*form, "tshFormulario");
    expectChild<widgets::TDBGrid*>(*form, "dbgPadrao");
    expectChild<widgets::TDBText*>(*form, "dbtNome");
    expectChild<QWidget*>(*form, "panNavegador");
    EXPECT_EQ(dbgPadrao(*form)->dataSource(), form->standardSource());
    EXPECT_EQ(dbtNome(*form)->dataSource(), form->standardSource());
    EXPECT_EQ(pgcPadrao(*form)->currentWidget(), tshFolhaDados(*form));
    EXPECT_TRUE(tshFolhaDados(*form)->isAncestorOf(dbgPadrao(*form)));
    EXPECT_EQ(lblCodTela(*form)->text(), "LUN99999");
    EXPECT_EQ(log, (std::vector<std::string>{"create"}));
    delete form;
}

TEST_F(BaseScreensTest, ReloadCommandCallsTheDerivedScreen) {
    QPointer<TfrmTeste> form = createForm<TfrmTeste>(log);
    form->Show();
    log.clear();
    sbtVerificar(*form)->click();
    mniVerificar(*form)->trigger();
    // F5 anywhere on the screen, through the key preview.
    dbgPadrao(*form)->setFocus();
    automation::sendKey(dbgPadrao(*form), Qt::Key_F5);
    EXPECT_EQ(log, (std::vector<std::string>(3, "reload")));
    // Disabled, the command stays quiet.
    sbtVerificar(*form)->setEnabled(false);
    automation::sendKey(dbgPadrao(*form), Qt::Key_F5);
    EXPECT_EQ(log.size(), 3u);
    form->Close();
}

TEST_F(BaseScreensTest, StateChangesRunTheDerivedHandlerAfterTheBase) {
    QPointer<TfrmTeste> form = createForm<TfrmTeste>(log);
    dataset::RecordSet set("cdsTeste");
    set.loadPacket(dataset::testing::makePacket({{"NOME", dataset::FieldType::String, 10}},
                                                {{"Ana"}, {"Bia"}}));
    log.clear();
    form->showList(&set);
    ASSERT_EQ(log, (std::vector<std::string>{"state"}));
    // The base enables by state: browsing allows new records, not saving.
    EXPECT_TRUE(sbtIncluir(*form)->isEnabled());
    EXPECT_FALSE(sbtGravar(*form)->isEnabled());
    EXPECT_FALSE(mniGravar(*form)->isEnabled());
    set.edit();
    EXPECT_TRUE(sbtGravar(*form)->isEnabled());
    EXPECT_FALSE(sbtIncluir(*form)->isEnabled());
    set.cancel();
    // The derived screen disables what it does not use, by name.
    sbtIncluir(*form)->setEnabled(false);
    mniIncluir(*form)->setEnabled(false);
    EXPECT_FALSE(mniIncluir(*form)->isEnabled());
    // The navigator moves the standard source's set.
    dbtNome(*form)->setDataField("NOME");
    sbtUltimo(*form)->click();
    EXPECT_EQ(set.recNo(), 2u);
    EXPECT_EQ(dbtNome(*form)->text(), "Bia");
    form->showList(nullptr);
    delete form;
}

// A screen owning the record set its standard source shows, as the package's do.
class TfrmComLista : public forms::TfrmPadrao {
  public:
    explicit TfrmComLista(int& lateCalls) : lateCalls_(lateCalls) {
        cds.loadPacket(
            dataset::testing::makePacket({{"NOME", dataset::FieldType::String, 10}}, {{"Ana"}}));
        dtsPadrao.setDataSet(&cds);
    }
    ~TfrmComLista() override { dying_ = true; }
    void dtsPadraoStateChange() override {
        forms::TfrmPadrao::dtsPadraoStateChange();
        if (dying_)
            ++lateCalls_;
        sbtAlterar->setEnabled(!cds.isEmpty());
    }
    dataset::RecordSet cds{"cdsLista"};

  private:
    int& lateCalls_;
    bool dying_ = false;
};

TEST_F(BaseScreensTest, DestroyingAScreenRunsNoDerivedHandlerOnItsGoneMembers) {
    int lateCalls = 0;
    auto* form = createForm<TfrmComLista>(lateCalls);
    form->cds.close();
    form->cds.loadPacket(
        dataset::testing::makePacket({{"NOME", dataset::FieldType::String, 10}}, {{"Bia"}}));
    EXPECT_TRUE(sbtAlterar(*form)->isEnabled());
    delete form;
    EXPECT_EQ(lateCalls, 0);
}

TEST_F(BaseScreensTest, CloseRunsTheHandlerWhoseActionDecides) {
    QPointer<TfrmTeste> form = createForm<TfrmTeste>(log);
    form->Show();
    form->keepOpen = true;
    form->Close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_FALSE(form.isNull());
    EXPECT_TRUE(form->isVisible());
    form->keepOpen = false;
    sbtFechar(*form)->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(form.isNull());  // the base frees the screen
    EXPECT_EQ(std::count(log.begin(), log.end(), "close:free"), 2);
    EXPECT_EQ(log.front(), "create");
    EXPECT_EQ(std::count(log.begin(), log.end(), "show"), 1);
}

TEST_F(BaseScreensTest, ChildOfTheMultipleDocumentAreaActivatesOnEachActivation) {
    QMainWindow main;
    auto* area = new QMdiArea(&main);
    main.setCentralWidget(area);
    core::application().setMainWindow(&main);
    core::application().setMdiArea(area);
    main.show();
    QPointer<TfrmTeste> first = createForm<TfrmTeste>(log);
    std::vector<std::string> otherLog;
    QPointer<TfrmTeste> second = createForm<TfrmTeste>(otherLog);
    ASSERT_NE(first->subWindow(), nullptr);
    EXPECT_EQ(first->subWindow()->mdiArea(), area);
    first->Show();
    second->Show();
    first->Show();
    EXPECT_EQ(std::count(log.begin(), log.end(), "activate"), 2);
    EXPECT_EQ(std::count(otherLog.begin(), otherLog.end(), "activate"), 1);

    // Closing from the child window's frame goes through the handler too.
    first->subWindow()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull());
    EXPECT_EQ(area->subWindowList().size(), 1);
    second->Close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(second.isNull());
    core::application().setMdiArea(nullptr);
    core::application().setMainWindow(nullptr);
    main.close();
}

TEST_F(BaseScreensTest, FailingCreateFreesTheScreenAndReachesTheCaller) {
    struct TfrmFalha : forms::TfrmPadrao {
        void FormCreate() override {
            forms::TfrmPadrao::FormCreate();
            throw std::runtime_error("sem conexão");
        }
    };
    EXPECT_THROW(createForm<TfrmFalha>(), std::runtime_error);
}

TEST_F(BaseScreensTest, CloseDuringCreateIsNotedByTheBase) {
    struct TfrmFecha : TfrmTeste {
        TfrmFecha(std::vector<std::string>& log, bool refuse) : TfrmTeste(log) {
            keepOpen = refuse;
        }
        void FormCreate() override {
            TfrmTeste::FormCreate();
            Close();
        }
    };
    QPointer<TfrmFecha> closed = createForm<TfrmFecha>(log, false);
    EXPECT_TRUE(closed->closedDuringCreation());
    EXPECT_TRUE(closed->created());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(closed.isNull());  // freed, as its close action said

    // A close the handler refuses is no close.
    std::unique_ptr<TfrmFecha> refused(createForm<TfrmFecha>(log, true));
    EXPECT_FALSE(refused->closedDuringCreation());
    EXPECT_EQ(log, (std::vector<std::string>{"create", "close:free", "create", "close:free"}));
}

// A filter dialog as the package derives one.
class TfrmFiltroTeste : public forms::TfrmFiltroPadrao {
  public:
    explicit TfrmFiltroTeste(std::vector<std::string>& log) : log_(log) {}
    void FormCreate() override { log_.push_back("create"); }
    void FormClose(forms::TCloseAction& action) override {
        forms::TfrmFiltroPadrao::FormClose(action);
        log_.push_back("close");
    }
    void sbtConfirmaClick() override {
        log_.push_back("confirm");
        Close();
    }

  private:
    std::vector<std::string>& log_;
};

struct FilterCloseRow {
    const char* name;
    std::function<void(TfrmFiltroTeste&)> act;
    std::vector<std::string> log;
};

class FilterDialogClose : public BaseScreensTest,
                          public ::testing::WithParamInterface<FilterCloseRow> {};

TEST_P(FilterDialogClose, ClosesThroughItsCloseHandler) {
    std::unique_ptr<TfrmFiltroTeste> dialog(createForm<TfrmFiltroTeste>(log));
    dialog->show();
    ASSERT_TRUE(dialog->isVisible());
    GetParam().act(*dialog);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(log, GetParam().log);
    EXPECT_EQ(dialog->ModalResult(), QDialog::Rejected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FilterDialogClose,
    ::testing::Values(
        FilterCloseRow{"escape_on_the_dialog",
                       [](TfrmFiltroTeste& d) { automation::sendKey(&d, Qt::Key_Escape); },
                       {"create", "close"}},
        FilterCloseRow{
            "escape_in_the_filter_area",
            [](TfrmFiltroTeste& d) { automation::sendKey(grbFiltroPadrao(d), Qt::Key_Escape); },
            {"create", "close"}},
        FilterCloseRow{"escape_without_key_preview",
                       [](TfrmFiltroTeste& d) {
                           d.KeyPreview = false;
                           automation::sendKey(&d, Qt::Key_Escape);
                       },
                       {"create", "close"}},
        FilterCloseRow{
            "close_button", [](TfrmFiltroTeste& d) { sbtFechar(d)->click(); }, {"create", "close"}},
        FilterCloseRow{"confirm_button",
                       [](TfrmFiltroTeste& d) { sbtConfirma(d)->click(); },
                       {"create", "confirm", "close"}}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(BaseScreensTest, FilterDialogHasItsComponentsByName) {
    std::unique_ptr<TfrmFiltroTeste> dialog(createForm<TfrmFiltroTeste>(log));
    expectChild<QLabel*>(*dialog, "lblCodTela");
    expectChild<QGroupBox*>(*dialog, "grbFiltroPadrao");
    expectChild<QWidget*>(*dialog, "panMenu");
    expectChild<QWidget*>(*dialog, "panBotoes");
    expectChild<QToolButton*>(*dialog, "sbtConfirma");
    expectChild<core::TMessages*>(*dialog, "msgPadrao");
    EXPECT_TRUE(dialog->isModal());
    EXPECT_TRUE(panBotoes(*dialog)->isAncestorOf(sbtConfirma(*dialog)));
    // The base confirm ends the showing with OK.
    forms::TfrmFiltroPadrao plain;
    plain.show();
    sbtConfirma(plain)->click();
    EXPECT_EQ(plain.ModalResult(), QDialog::Accepted);
    EXPECT_FALSE(plain.isVisible());
}

TEST_F(BaseScreensTest, ImportDialogHasItsComponentsProgressAndStatus) {
    forms::TfrmPadrImportExport dialog;
    expectChild<QGroupBox*>(dialog, "grbDadosRel");
    expectChild<widgets::TButtonFlat*>(dialog, "sbtImportExport");
    expectChild<widgets::TButtonFlat*>(dialog, "sbtHelp");
    expectChild<core::TMessages*>(dialog, "msgPadrao");
    expectChild<QLabel*>(dialog, "lblStatus");
    auto* bar = dialog.findChild<QProgressBar*>("pgbProgresso");
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->minimum(), 0);
    EXPECT_EQ(bar->maximum(), 100);
    EXPECT_EQ(dialog.progress(), 0);
    dialog.stepProgress(5);
    for (int i = 0; i < 10; ++i)
        dialog.stepProgress(10);
    EXPECT_EQ(dialog.progress(), 100);  // held at the top of the range
    dialog.setStatusCaption("Importando dados...");
    EXPECT_EQ(dialog.statusCaption(), "Importando dados...");
    dialog.show();
    automation::sendKey(&dialog, Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(BaseScreensTest, HelpCommandsTellWhichScreenThisIs) {
    std::unique_ptr<TfrmTeste> form(createForm<TfrmTeste>(log));
    scripted.queueBoxAnswer(core::mrOk);
    sbtAjuda(*form)->click();
    ASSERT_EQ(scripted.boxes().size(), 1u);
    EXPECT_TRUE(scripted.boxes()[0].text.contains("LUN99999"));
}

}  // namespace
