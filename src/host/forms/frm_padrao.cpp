#include "host/forms/frm_padrao.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <initializer_list>
#include <tuple>
#include <vector>

#include "host/core/application.h"
#include "host/core/dispatch.h"
#include "host/print/grid_export.h"
#include "host/print/grid_printer.h"
#include "host/widgets/button_flat.h"
#include "host/widgets/db_grid.h"
#include "host/widgets/db_text.h"

namespace confcred::host::forms {

namespace {

// The toolbar panel: buttons at fixed places, the screen code at the right.
class ToolPanel : public QFrame {
  public:
    ToolPanel(QLabel*& code, QWidget* parent) : QFrame(parent), code_(code) {}

    // Never narrower than its buttons and, right of them, the screen code: a
    // narrower screen would draw the code over the buttons.
    QSize minimumSizeHint() const override {
        int right = 0;
        for (const QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (child != code_ && !child->isHidden())
                right = std::max(right, child->geometry().right() + 1);
        }
        const int code = code_ != nullptr ? code_->sizeHint().width() + 2 * kCodeMargin : 0;
        return {right + code, height()};
    }
    QSize sizeHint() const override { return minimumSizeHint(); }

  protected:
    void resizeEvent(QResizeEvent* event) override {
        QFrame::resizeEvent(event);
        placeCode();
    }
    // A new screen code asks for a new place, and the screen for new room
    // (as do the buttons a derived screen adds before it shows).
    bool event(QEvent* event) override {
        if (event->type() == QEvent::LayoutRequest || event->type() == QEvent::Show) {
            placeCode();
            updateGeometry();
        }
        return QFrame::event(event);
    }

  private:
    void placeCode() {
        if (code_ == nullptr)
            return;
        code_->adjustSize();
        code_->move(width() - code_->width() - kCodeMargin, (height() - code_->height()) / 2);
    }

    static constexpr int kCodeMargin = 8;

    QLabel*& code_;
};

// Keeps actions enabled as a widget is.
class EnabledFollower : public QObject {
  public:
    EnabledFollower(std::initializer_list<QAction*> actions, QObject* parent)
        : QObject(parent), actions_(actions) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::EnabledChange)
            for (QAction* action : actions_)
                action->setEnabled(static_cast<QWidget*>(watched)->isEnabled());
        return QObject::eventFilter(watched, event);
    }

  private:
    std::vector<QAction*> actions_;
};

QFrame* makeRule(QWidget* parent, int left) {
    auto* rule = new QFrame(parent);
    rule->setFrameShape(QFrame::VLine);
    rule->setFrameShadow(QFrame::Sunken);
    rule->setGeometry(left, 4, 2, 21);
    return rule;
}

}  // namespace

TfrmPadrao::TfrmPadrao(QWidget* parent)
    : QWidget(parent), FormLifecycle(static_cast<QWidget&>(*this), caFree) {
    setObjectName(QStringLiteral("frmPadrao"));
    resize(640, 480);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    buildMenu();
    buildToolbar();
    buildPages();
    buildNavigator();
    layout->setMenuBar(mnuPadrao);
    layout->addWidget(panMenu);
    layout->addWidget(pgcPadrao, 1);
    layout->addWidget(panNavegador);

    dbgPadrao->setDataSource(&dtsPadrao);
    dbtNome->setDataSource(&dtsPadrao);
    core::onEvent(dbgPadrao, &widgets::TDBGrid::OnKeyDown, this, &TfrmPadrao::dbgPadraoKeyDown);
    core::onEvent(&dtsPadrao, &dataset::DataSource::setOnStateChange, this,
                  [this](dataset::DataSource& source) {
                      // Without a set (also while a derived screen's record set is
                      // being destroyed with the screen) only the base rule runs: a
                      // derived one would read members already gone.
                      if (source.dataSet() == nullptr)
                          TfrmPadrao::dtsPadraoStateChange();
                      else
                          dtsPadraoStateChange();
                  });

    if (QMdiArea* area = core::application().mdiArea()) {
        subWindow_ = area->addSubWindow(this);
        // The close handler decides whether the screen is freed.
        subWindow_->setAttribute(Qt::WA_DeleteOnClose, false);
        connect(area, &QMdiArea::subWindowActivated, this,
                [this](QMdiSubWindow* w) { activateInArea(w != nullptr && w == subWindow_); });
    }
}

TfrmPadrao::~TfrmPadrao() {
    // Views go before the data source they watch.
    dbgPadrao->setDataSource(nullptr);
    dbtNome->setDataSource(nullptr);
}

QWidget* TfrmPadrao::frame() const {
    return subWindow_ != nullptr ? static_cast<QWidget*>(subWindow_.data())
                                 : const_cast<TfrmPadrao*>(this);
}

void TfrmPadrao::Show() {
    // The window is placed before it first shows: the area activates a child
    // as it appears, and a first activation may open a modal dialog over the
    // screen. Later showings keep what the operator made of it.
    const bool first = !shownOnce_;
    shownOnce_ = true;
    if (first)
        placeFrame();
    show();
    frame()->show();
    if (first && subWindow_ == nullptr && bounds_.isValid()) {
        // A window of its own: its frame is known only once it shows.
        resize(bounds_.size() - (frameGeometry().size() - size()));
    }
    if (subWindow_ != nullptr && subWindow_->mdiArea() != nullptr) {
        subWindow_->mdiArea()->setActiveSubWindow(subWindow_);
        // The area may have made the child current while it was still hidden
        // (during its creation); then no activation came, and it comes now.
        if (subWindow_->mdiArea()->activeSubWindow() == subWindow_)
            activateInArea(true);
    } else {
        raise();
        activateWindow();
    }
}

void TfrmPadrao::placeFrame() {
    if (subWindow_ == nullptr) {
        if (bounds_.isValid()) {
            move(bounds_.topLeft());  // the frame's corner
            resize(bounds_.size());
        }
        return;
    }
    if (bounds_.isValid()) {
        subWindow_->setGeometry(bounds_);
    } else {
        // The screen's own size plus the child window's title bar and borders.
        subWindow_->resize(size().grownBy(subWindow_->contentsMargins()));
    }
}

void TfrmPadrao::activateInArea(bool active) {
    if (!active) {
        activeInArea_ = false;
        return;
    }
    if (activeInArea_ || !created() || !isVisible())
        return;
    activeInArea_ = true;
    runFormActivate();
}

void TfrmPadrao::focusGrid() {
    QWidget* page = pgcPadrao->currentWidget();
    widgets::TDBGrid* grid =
        page == tshFolhaDados || page == nullptr ? dbgPadrao : page->findChild<widgets::TDBGrid*>();
    if (grid != nullptr && grid->isEnabled() && grid->isVisibleTo(this))
        grid->setFocus(Qt::OtherFocusReason);
}

void TfrmPadrao::Close() {
    frame()->close();
}

void TfrmPadrao::Release() {
    frame()->deleteLater();
}

void TfrmPadrao::closeEvent(QCloseEvent* event) {
    const TCloseAction action = runFormClose();
    if (action == caNone) {
        event->ignore();
        return;
    }
    event->accept();
    if (action == caMinimize)
        frame()->showMinimized();
    if (action == caFree)
        Release();
}

void TfrmPadrao::buildMenu() {
    mnuPadrao = new QMenuBar(this);
    mnuPadrao->setObjectName(QStringLiteral("mnuPadrao"));
    mnuRegistro = mnuPadrao->addMenu(QCoreApplication::translate("confcred_host", "&Registro"));
    mnuRegistro->setObjectName(QStringLiteral("mnuRegistro"));
    auto add = [this](const char* name, const QString& text, widgets::Glyph glyph) {
        QAction* a = mnuRegistro->addAction(widgets::glyphIcon(glyph), text);
        a->setObjectName(QString::fromLatin1(name));
        return a;
    };
    mniIncluir = add("mniIncluir", QCoreApplication::translate("confcred_host", "&Incluir"),
                     widgets::Glyph::Insert);
    mniAlterar = add("mniAlterar", QCoreApplication::translate("confcred_host", "&Alterar"),
                     widgets::Glyph::Edit);
    mniExcluir = add("mniExcluir", QCoreApplication::translate("confcred_host", "&Excluir"),
                     widgets::Glyph::Delete);
    mnuRegistro->addSeparator();
    mniGravar = add("mniGravar", QCoreApplication::translate("confcred_host", "&Gravar"),
                    widgets::Glyph::Save);
    mniCancelar = add("mniCancelar", QCoreApplication::translate("confcred_host", "&Cancelar"),
                      widgets::Glyph::Cancel);
    mnuRegistro->addSeparator();
    mniPesquisar = add("mniPesquisar", QCoreApplication::translate("confcred_host", "&Pesquisar"),
                       widgets::Glyph::Search);
    mniDuplicar =
        add("mniDuplicar", QCoreApplication::translate("confcred_host", "&Duplicar registro"),
            widgets::Glyph::Insert);
    mnuRegistro->addSeparator();
    mniVerificar =
        add("mniVerificar", QCoreApplication::translate("confcred_host", "A&tualizar\tF5"),
            widgets::Glyph::Reload);
    // "&Pesquisar" has the P: printing takes the M, and Ctrl+P.
    mniImprimir = add("mniImprimir", QCoreApplication::translate("confcred_host", "I&mprimir..."),
                      widgets::Glyph::Print);
    mniImprimir->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    mniExportarCsv =
        add("mniExportarCsv", QCoreApplication::translate("confcred_host", "Exportar C&SV..."),
            widgets::Glyph::Save);
    mniExportarPdf =
        add("mniExportarPdf", QCoreApplication::translate("confcred_host", "Exp&ortar PDF..."),
            widgets::Glyph::Save);
    mnuRegistro->addSeparator();
    mniFechar = add("mniFechar", QCoreApplication::translate("confcred_host", "&Fechar"),
                    widgets::Glyph::Close);
    mniDuplicar->setEnabled(false);  // no screen of ours duplicates records yet
}

void TfrmPadrao::buildToolbar() {
    lblCodTela = nullptr;
    panMenu = new ToolPanel(lblCodTela, this);
    panMenu->setObjectName(QStringLiteral("panMenu"));
    panMenu->setFrameShape(QFrame::StyledPanel);
    panMenu->setFixedHeight(29);
    panMenu->setAutoFillBackground(true);

    auto button = [this](const char* name, const QString& hint, widgets::Glyph glyph, int left) {
        auto* b = new widgets::TButtonFlat(QString::fromLatin1(name), hint,
                                           widgets::glyphIcon(glyph), panMenu);
        b->place(left, 4);
        return b;
    };
    sbtIncluir = button("sbtIncluir", QCoreApplication::translate("confcred_host", "Incluir"),
                        widgets::Glyph::Insert, 4);
    sbtAlterar = button("sbtAlterar", QCoreApplication::translate("confcred_host", "Alterar"),
                        widgets::Glyph::Edit, 25);
    sbtExcluir = button("sbtExcluir", QCoreApplication::translate("confcred_host", "Excluir"),
                        widgets::Glyph::Delete, 46);
    makeRule(panMenu, 70);
    sbtGravar = button("sbtGravar", QCoreApplication::translate("confcred_host", "Gravar"),
                       widgets::Glyph::Save, 75);
    sbtCancelar = button("sbtCancelar", QCoreApplication::translate("confcred_host", "Cancelar"),
                         widgets::Glyph::Cancel, 96);
    makeRule(panMenu, 120);
    sbtPesquisar = button("sbtPesquisar", QCoreApplication::translate("confcred_host", "Pesquisar"),
                          widgets::Glyph::Search, 125);
    sbtVerificar =
        button("sbtVerificar", QCoreApplication::translate("confcred_host", "Atualizar (F5)"),
               widgets::Glyph::Reload, 146);
    makeRule(panMenu, 172);
    sbtImprimir = button("sbtImprimir", QCoreApplication::translate("confcred_host", "Imprimir"),
                         widgets::Glyph::Print, 361);
    sbtAjuda = button("sbtAjuda", QCoreApplication::translate("confcred_host", "Ajuda"),
                      widgets::Glyph::Help, 397);
    sbtFechar = button("sbtFechar", QCoreApplication::translate("confcred_host", "Fechar"),
                       widgets::Glyph::Close, 433);

    lblCodTela = new QLabel(panMenu);
    lblCodTela->setObjectName(QStringLiteral("lblCodTela"));
    QFont code = lblCodTela->font();
    code.setBold(true);
    lblCodTela->setFont(code);
    lblCodTela->setStyleSheet(QStringLiteral("color: #5a6b80;"));

    // Buttons and menu entries run the same handlers.
    auto bind = [this](widgets::TButtonFlat* b, QAction* a, void (TfrmPadrao::*handler)()) {
        core::onEvent(b, &QAbstractButton::clicked, this, handler);
        core::onEvent(a, &QAction::triggered, this, handler);
    };
    bind(sbtIncluir, mniIncluir, &TfrmPadrao::sbtIncluirClick);
    bind(sbtAlterar, mniAlterar, &TfrmPadrao::sbtAlterarClick);
    bind(sbtExcluir, mniExcluir, &TfrmPadrao::sbtExcluirClick);
    bind(sbtGravar, mniGravar, &TfrmPadrao::sbtGravarClick);
    bind(sbtCancelar, mniCancelar, &TfrmPadrao::sbtCancelarClick);
    bind(sbtPesquisar, mniPesquisar, &TfrmPadrao::sbtPesquisarClick);
    bind(sbtVerificar, mniVerificar, &TfrmPadrao::sbtVerificarClick);
    bind(sbtImprimir, mniImprimir, &TfrmPadrao::sbtImprimirClick);
    core::onEvent(mniExportarCsv, &QAction::triggered, this, &TfrmPadrao::mniExportarCsvClick);
    core::onEvent(mniExportarPdf, &QAction::triggered, this, &TfrmPadrao::mniExportarPdfClick);
    // The exports are there whenever printing is: they follow the button.
    sbtImprimir->installEventFilter(new EnabledFollower({mniExportarCsv, mniExportarPdf}, this));
    core::onEvent(sbtAjuda, &QAbstractButton::clicked, this, &TfrmPadrao::sbtAjudaClick);
    core::onEvent(helpKey(*this), &QShortcut::activated, this, &TfrmPadrao::sbtAjudaClick);
    core::onEvent(sbtFechar, &QAbstractButton::clicked, this, &TfrmPadrao::Close);
    core::onEvent(mniFechar, &QAction::triggered, this, &TfrmPadrao::Close);

    // The tabs from the keyboard, wherever the focus is on the screen:
    // Ctrl+Tab and Ctrl+Shift+Tab go round them, Alt+1 and Alt+2 pick one.
    auto pageKey = [this](const char* name, QKeyCombination keys, auto go) {
        auto* key = new QShortcut(QKeySequence(keys), this);
        key->setObjectName(QString::fromLatin1(name));
        key->setContext(Qt::WidgetWithChildrenShortcut);
        core::onEvent(key, &QShortcut::activated, this, [this, go] {
            const int count = pgcPadrao->count();
            if (count == 0)
                return;
            pgcPadrao->setCurrentIndex((go(pgcPadrao->currentIndex()) + count) % count);
            focusGrid();
        });
    };
    pageKey("sctProximaAba", QKeyCombination(Qt::CTRL, Qt::Key_Tab), [](int at) { return at + 1; });
    pageKey("sctAbaAnterior", QKeyCombination(Qt::CTRL | Qt::SHIFT, Qt::Key_Tab),
            [](int at) { return at - 1; });
    // Shift+Tab arrives as Backtab from a real keyboard.
    pageKey("sctAbaAnteriorBacktab", QKeyCombination(Qt::CTRL | Qt::SHIFT, Qt::Key_Backtab),
            [](int at) { return at - 1; });
    pageKey("sctAba1", QKeyCombination(Qt::ALT, Qt::Key_1), [](int) { return 0; });
    pageKey("sctAba2", QKeyCombination(Qt::ALT, Qt::Key_2), [](int) { return 1; });
}

void TfrmPadrao::buildPages() {
    pgcPadrao = new QTabWidget(this);
    pgcPadrao->setObjectName(QStringLiteral("pgcPadrao"));
    pgcPadrao->setDocumentMode(false);
    tshFolhaDados = new QWidget;
    tshFolhaDados->setObjectName(QStringLiteral("tshFolhaDados"));
    tshFormulario = new QWidget;
    tshFormulario->setObjectName(QStringLiteral("tshFormulario"));
    pgcPadrao->addTab(tshFolhaDados,
                      QCoreApplication::translate("confcred_host", "Folha de Dados"));
    pgcPadrao->addTab(tshFormulario, QCoreApplication::translate("confcred_host", "Formulário"));

    auto* sheet = new QVBoxLayout(tshFolhaDados);
    sheet->setContentsMargins(4, 4, 4, 4);
    dbgPadrao = new widgets::TDBGrid(tshFolhaDados);
    dbgPadrao->setObjectName(QStringLiteral("dbgPadrao"));
    sheet->addWidget(dbgPadrao);
}

void TfrmPadrao::buildNavigator() {
    panNavegador = new QFrame(this);
    panNavegador->setObjectName(QStringLiteral("panNavegador"));
    panNavegador->setFrameShape(QFrame::StyledPanel);
    panNavegador->setFixedHeight(29);
    auto* row = new QHBoxLayout(panNavegador);
    row->setContentsMargins(4, 2, 8, 2);
    row->setSpacing(0);
    auto button = [this, row](const char* name, const QString& hint, widgets::Glyph glyph,
                              int step) {
        auto* b = new widgets::TButtonFlat(QString::fromLatin1(name), hint,
                                           widgets::glyphIcon(glyph), panNavegador);
        row->addWidget(b);
        core::onEvent(b, &QAbstractButton::clicked, this, [this, step] { navigate(step); });
        return b;
    };
    sbtPrimeiro = button("sbtPrimeiro", QCoreApplication::translate("confcred_host", "Primeiro"),
                         widgets::Glyph::First, -2);
    sbtAnterior = button("sbtAnterior", QCoreApplication::translate("confcred_host", "Anterior"),
                         widgets::Glyph::Prior, -1);
    sbtProximo = button("sbtProximo", QCoreApplication::translate("confcred_host", "Próximo"),
                        widgets::Glyph::Next, 1);
    sbtUltimo = button("sbtUltimo", QCoreApplication::translate("confcred_host", "Último"),
                       widgets::Glyph::Last, 2);
    row->addSpacing(12);
    dbtNome = new widgets::TDBText(panNavegador);
    dbtNome->setObjectName(QStringLiteral("dbtNome"));
    QFont bold = dbtNome->font();
    bold.setBold(true);
    dbtNome->setFont(bold);
    row->addWidget(dbtNome, 1);
}

void TfrmPadrao::navigate(int step) {
    dataset::RecordSet* set = dtsPadrao.dataSet();
    if (set == nullptr || dtsPadrao.state() == dataset::DataSetState::Inactive)
        return;
    switch (step) {
        case -2:
            set->first();
            break;
        case -1:
            set->prior();
            break;
        case 1:
            set->next();
            break;
        default:
            set->last();
            break;
    }
}

void TfrmPadrao::FormCreate() {
    pgcPadrao->setCurrentWidget(tshFolhaDados);
}

void TfrmPadrao::FormClose(TCloseAction& action) {
    action = caFree;
}

void TfrmPadrao::FormKeyDown(int& key, Qt::KeyboardModifiers shift) {
    (void)shift;
    if (key == Qt::Key_F5 && sbtVerificar->isEnabled()) {
        key = 0;
        core::ScopeGuard back([this] { focusGrid(); });
        sbtVerificarClick();
    }
}

void TfrmPadrao::dbgPadraoKeyDown(int& key, Qt::KeyboardModifiers shift) {
    (void)key;
    (void)shift;
}

void TfrmPadrao::dtsPadraoStateChange() {
    using dataset::DataSetState;
    const DataSetState state = dtsPadrao.state();
    const bool browsing = state == DataSetState::Browse;
    const bool editing = state == DataSetState::Edit || state == DataSetState::Insert;
    for (auto [button, entry, on] :
         {std::tuple{sbtIncluir, mniIncluir, browsing},
          std::tuple{sbtAlterar, mniAlterar, browsing},
          std::tuple{sbtExcluir, mniExcluir, browsing}, std::tuple{sbtGravar, mniGravar, editing},
          std::tuple{sbtCancelar, mniCancelar, editing},
          std::tuple{sbtPesquisar, mniPesquisar, !editing}}) {
        button->setEnabled(on);
        entry->setEnabled(on);
    }
    const bool canMove = state != DataSetState::Inactive && !editing;
    for (widgets::TButtonFlat* b : {sbtPrimeiro, sbtAnterior, sbtProximo, sbtUltimo})
        b->setEnabled(canMove);
}

void TfrmPadrao::sbtImprimirClick() {
    print::previewReport(*dbgPadrao, printReport(), this);
}

void TfrmPadrao::mniExportarCsvClick() {
    print::exportGrid(*dbgPadrao, printReport(), print::ExportFormat::Csv, this);
}

void TfrmPadrao::mniExportarPdfClick() {
    print::exportGrid(*dbgPadrao, printReport(), print::ExportFormat::Pdf, this);
}

print::GridReport TfrmPadrao::printReport() const {
    return print::basicReport(windowTitle());
}

void TfrmPadrao::sbtAjudaClick() {
    showScreenHelp(lblCodTela->text(), windowTitle());
}

}  // namespace confcred::host::forms
