#include "package/confirmation/frm_fechamento.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <QValueAxis>
#include <map>
#include <memory>
#include <set>

#include "dataset/records.h"
#include "host/core/dispatch.h"
#include "host/core/ui_service.h"
#include "host/print/grid_export.h"
#include "host/print/grid_printer.h"
#include "host/widgets/db_grid.h"
#include "host/widgets/named_data_set.h"
#include "package/core/order_fields.h"
#include "platform/clock.h"
#include "platform/regional.h"

namespace confcred::package {

namespace {

const char* operationTitle(std::string_view operation) {
    if (operation == "IMPORTACAO")
        return QT_TRANSLATE_NOOP("confcred::package::TfrmFechamento", "Pedidos importados");
    if (operation == "EFETIVA")
        return QT_TRANSLATE_NOOP("confcred::package::TfrmFechamento", "Créditos efetivados");
    if (operation == "DESFAZ_EFETIVA")
        return QT_TRANSLATE_NOOP("confcred::package::TfrmFechamento", "Efetivações desfeitas");
    if (operation == "CANCELA")
        return QT_TRANSLATE_NOOP("confcred::package::TfrmFechamento", "Pedidos cancelados");
    return QT_TRANSLATE_NOOP("confcred::package::TfrmFechamento", "Cancelamentos desfeitos");
}

platform::DateTime dayOf(const QDate& d) {
    return platform::DateTime::fromParts(d.year(), d.month(), d.day());
}

QDate qDateOf(platform::DateTime when) {
    const platform::Date d = when.date();
    return QDate(d.year, d.month, d.day);
}

// The rows of `answer` of one group, as a packet of the closing's record.
dataset::DataPacket groupRows(const dataset::DataPacket& answer, char group) {
    dataset::DataPacket rows(answer.fields());
    const int field = answer.fieldIndex("IDAGRUPAMENTO");
    for (size_t row = 0; field >= 0 && row < answer.rowCount(); ++row) {
        const std::string_view g = answer.column(static_cast<size_t>(field)).textAt(row);
        if (g.size() == 1 && g[0] == group)
            for (size_t f = 0; f < answer.fieldCount(); ++f)
                rows.column(f).appendFrom(answer.column(f), row);
    }
    return rows;
}

}  // namespace

TfrmFechamento::TfrmFechamento(Read read, QWidget* parent)
    : TDialogForm(parent), read_(std::move(read)) {
    setObjectName(QStringLiteral("frmFechamento"));
    setWindowTitle(tr("Fechamento"));
    for (dataset::RecordSet* set : {&cdsOperadores, &cdsClientes}) {
        for (dataset::FieldDef& def : dataset::records::fieldDefs(dataset::records::kClosing))
            set->addField(std::move(def));
        set->fieldByName("IDOPERACAO")
            .setOnGetText([](const dataset::Field& sender, std::string& text, bool) {
                text = tr(operationTitle(sender.asString())).toStdString();
            });
        set->fieldByName("VRTOTAL").setOnGetText([](const dataset::Field& sender, std::string& text,
                                                    bool) { text = valorText(sender); });
    }
    host::widgets::nameDataSet(this, QStringLiteral("cdsOperadores"), cdsOperadores);
    host::widgets::nameDataSet(this, QStringLiteral("cdsClientes"), cdsClientes);
    dtsOperadores.setDataSet(&cdsOperadores);
    dtsClientes.setDataSet(&cdsClientes);

    auto* layout = new QVBoxLayout(this);
    auto* period = new QHBoxLayout;
    const QDate today = qDateOf(platform::now());
    auto dateEdit = [this](const char* name, const QString& label, const QDate& value) {
        auto* edit = new QDateEdit(value, this);
        edit->setObjectName(QString::fromLatin1(name));
        edit->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
        edit->setCalendarPopup(true);
        edit->setAccessibleName(label);
        return edit;
    };
    edtInicio = dateEdit("edtInicio", tr("Início do período"), today);
    edtFim = dateEdit("edtFim", tr("Fim do período"), today);
    auto* fromLabel = new QLabel(tr("&De"), this);
    fromLabel->setBuddy(edtInicio);
    auto* toLabel = new QLabel(tr("&até"), this);
    toLabel->setBuddy(edtFim);
    btnConsultar = new QPushButton(tr("&Consultar"), this);
    btnConsultar->setObjectName(QStringLiteral("btnConsultar"));
    btnConsultar->setDefault(true);
    period->addWidget(fromLabel);
    period->addWidget(edtInicio);
    period->addWidget(toLabel);
    period->addWidget(edtFim);
    period->addWidget(btnConsultar);
    period->addStretch();

    const auto grid = [this](const char* name, const QString& accessible,
                             dataset::DataSource* source, const QString& whoTitle,
                             const QString& whoField) {
        auto* g = new host::widgets::TDBGrid(this);
        g->setObjectName(QString::fromLatin1(name));
        g->setAccessibleName(accessible);
        g->setColumns({
            {whoField, whoTitle, 200},
            {QStringLiteral("IDOPERACAO"), tr("Operação"), 170},
            {QStringLiteral("QTPEDIDOS"), tr("Pedidos")},
            {QStringLiteral("VRTOTAL"), tr("Valor")},
        });
        g->setDataSource(source);
        return g;
    };
    dbgOperadores = grid("dbgOperadores", tr("Fechamento por operador"), &dtsOperadores,
                         tr("Operador"), QStringLiteral("NMOPERADOR"));
    dbgClientes = grid("dbgClientes", tr("Fechamento por cliente"), &dtsClientes, tr("Cliente"),
                       QStringLiteral("NMRAZSOCCLIE"));
    auto* view = new QChartView(this);
    view->setObjectName(QStringLiteral("chtCreditos"));
    view->setAccessibleName(tr("Créditos efetivados por dia e operador"));
    view->setRenderHint(QPainter::Antialiasing);
    view->setMinimumHeight(220);
    chtCreditos = view;
    lblCadeia = new QLabel(this);
    lblCadeia->setObjectName(QStringLiteral("lblCadeia"));
    lblCadeia->setWordWrap(true);
    lblCadeia->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* figures = new QGridLayout;
    figures->addWidget(dbgOperadores, 0, 0);
    figures->addWidget(dbgClientes, 0, 1);
    auto* buttons = new QHBoxLayout;
    btnImprimir = new QPushButton(tr("&Imprimir..."), this);
    btnImprimir->setObjectName(QStringLiteral("btnImprimir"));
    btnExportar = new QPushButton(tr("Exportar C&SV..."), this);
    btnExportar->setObjectName(QStringLiteral("btnExportar"));
    btnFechar = new QPushButton(tr("&Fechar"), this);
    btnFechar->setObjectName(QStringLiteral("btnFechar"));
    buttons->addWidget(btnImprimir);
    buttons->addWidget(btnExportar);
    buttons->addStretch();
    buttons->addWidget(btnFechar);
    btnImprimir->setEnabled(false);
    btnExportar->setEnabled(false);

    layout->addLayout(period);
    layout->addLayout(figures, 1);
    layout->addWidget(chtCreditos, 1);
    layout->addWidget(lblCadeia);
    layout->addLayout(buttons);
    host::core::onEvent(btnConsultar, &QAbstractButton::clicked, this,
                        &TfrmFechamento::btnConsultarClick);
    host::core::onEvent(btnImprimir, &QAbstractButton::clicked, this,
                        &TfrmFechamento::btnImprimirClick);
    host::core::onEvent(btnExportar, &QAbstractButton::clicked, this,
                        &TfrmFechamento::btnExportarClick);
    host::core::onEvent(btnFechar, &QAbstractButton::clicked, this,
                        &TfrmFechamento::btnFecharClick);
    resize(960, 640);
}

TfrmFechamento::~TfrmFechamento() {
    dbgOperadores->setDataSource(nullptr);
    dbgClientes->setDataSource(nullptr);
    dtsOperadores.setDataSet(nullptr);
    dtsClientes.setDataSet(nullptr);
}

void TfrmFechamento::btnConsultarClick() {
    const platform::DateTime first = dayOf(edtInicio->date());
    const platform::DateTime last = dayOf(edtFim->date());
    const dataset::DataPacket answer = read_(first, last);
    cdsOperadores.loadPacket(groupRows(answer, 'O'));
    cdsClientes.loadPacket(groupRows(answer, 'C'));
    days_ = groupRows(answer, 'D');
    const dataset::DataPacket head = groupRows(answer, 'H');
    chainLine_.clear();
    if (head.rowCount() == 1) {
        const auto text = [&](const char* field) {
            return QString::fromStdString(
                std::string(head.column(static_cast<size_t>(head.fieldIndex(field))).textAt(0)));
        };
        const qint64 rows =
            head.column(static_cast<size_t>(head.fieldIndex("NRPOSICAO"))).integerAt(0);
        chainLine_ = (text("IDVERIFICADO") == QStringLiteral("S")
                          ? tr("Livro-razão conferido em %1: %2 lançamentos, cadeia %3.")
                          : tr("ATENÇÃO: a cadeia do livro-razão NÃO confere (em %1: %2 "
                               "lançamentos, cadeia %3)."))
                         .arg(QString::fromStdString(platform::formatDateTime(platform::now())))
                         .arg(rows)
                         .arg(text("DSHASHCADEIA"));
    }
    lblCadeia->setText(chainLine_);
    drawChart();
    btnImprimir->setEnabled(true);
    btnExportar->setEnabled(true);
}

void TfrmFechamento::drawChart() {
    std::set<std::string> days;
    std::map<std::string, std::map<std::string, double>> byOperator;  // operator -> day -> sum
    const int dayField = days_.fieldIndex("DTDIA");
    const int whoField = days_.fieldIndex("NMOPERADOR");
    const int valueField = days_.fieldIndex("VRTOTAL");
    for (size_t row = 0; row < days_.rowCount(); ++row) {
        const std::string day =
            platform::formatDate(days_.column(static_cast<size_t>(dayField)).dateTimeAt(row));
        days.insert(day);
        byOperator[std::string(days_.column(static_cast<size_t>(whoField)).textAt(row))][day] +=
            days_.column(static_cast<size_t>(valueField)).doubleAt(row);
    }
    auto* chart = new QChart;
    chart->setTitle(tr("Créditos efetivados por dia e operador (R$)"));
    auto* series = new QBarSeries;
    for (const auto& [who, sums] : byOperator) {
        auto* set = new QBarSet(QString::fromStdString(who));
        for (const std::string& day : days) {
            const auto found = sums.find(day);
            *set << (found == sums.end() ? 0.0 : found->second);
        }
        series->append(set);
    }
    chart->addSeries(series);
    QStringList categories;
    for (const std::string& day : days)
        categories << QString::fromStdString(day);
    auto* x = new QBarCategoryAxis;
    x->append(categories);
    chart->addAxis(x, Qt::AlignBottom);
    series->attachAxis(x);
    auto* y = new QValueAxis;
    y->setLabelFormat(QStringLiteral("%.0f"));
    chart->addAxis(y, Qt::AlignLeft);
    series->attachAxis(y);
    chart->legend()->setAlignment(Qt::AlignBottom);
    static_cast<QChartView*>(chtCreditos)->setChart(chart);  // the view owns it
}

QString TfrmFechamento::chartText() const {
    QStringList lines;
    const auto* chart = static_cast<QChartView*>(chtCreditos)->chart();
    for (QAbstractSeries* series : chart->series()) {
        for (QBarSet* set : static_cast<QBarSeries*>(series)->barSets()) {
            QStringList values;
            for (qsizetype i = 0; i < set->count(); ++i)
                values << QString::number(set->at(i), 'f', 2);
            lines << set->label() + QStringLiteral(": ") + values.join(QStringLiteral(" "));
        }
    }
    return lines.join('\n');
}

void TfrmFechamento::btnImprimirClick() {
    host::print::GridReport report = host::print::basicReport(windowTitle());
    report.filter = tr("Período: %1 a %2")
                        .arg(edtInicio->date().toString(QStringLiteral("dd/MM/yyyy")),
                             edtFim->date().toString(QStringLiteral("dd/MM/yyyy")));
    // The clients' figures and the ledger's head close the operators' report.
    report.totals << tr("Por cliente:");
    for (cdsClientes.first(); !cdsClientes.eof(); cdsClientes.next())
        report.totals
            << QStringLiteral("%1 — %2: %3 pedido(s), %4")
                   .arg(QString::fromStdString(cdsClientes.fieldByName("NMRAZSOCCLIE").asString()),
                        QString::fromStdString(cdsClientes.fieldByName("IDOPERACAO").displayText()))
                   .arg(cdsClientes.fieldByName("QTPEDIDOS").asString().c_str())
                   .arg(QString::fromStdString(cdsClientes.fieldByName("VRTOTAL").displayText()));
    report.totals << chainLine_;
    report.picture = chtCreditos->grab().toImage();
    host::print::previewReport(*dbgOperadores, report, this);
}

void TfrmFechamento::btnExportarClick() {
    host::print::GridReport report = host::print::basicReport(windowTitle());
    report.totals << chainLine_;
    host::print::exportGrid(*dbgOperadores, report, host::print::ExportFormat::Csv, this);
}

void TfrmFechamento::btnFecharClick() {
    Close();
}

void CriaFechamento(TfrmFechamento::Read read, QWidget* parent) {
    std::unique_ptr<TfrmFechamento> form(
        host::forms::createForm<TfrmFechamento>(std::move(read), parent));
    host::core::ui().showModal(*form);
}

}  // namespace confcred::package
