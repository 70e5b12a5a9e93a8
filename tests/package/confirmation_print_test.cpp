// The confirmation screen's printout and exports, through the "Registro"
// menu, of a list of 1,000 orders: the PDF read back with pdftotext, the CSV
// as a spreadsheet reads it, and a file that cannot be written.
#include <QAction>
#include <QLabel>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTimer>

#include "confirmation_components.h"
#include "confirmation_support.h"
#include "host/core/application.h"
#include "host/widgets/busy_indicator.h"
#include "package/core/credit_filter_params.h"
#include "platform/regional.h"
#include "platform/win_path.h"
#include "support/temp_dir.h"

namespace confcred::testing {
namespace {

using namespace base;

using namespace confirmation;

constexpr size_t kOrders = 1000;

QString orderNumber(size_t i) {
    return QStringLiteral("9%1").arg(i, 19, 10, QLatin1Char('0'));
}

class ConfirmationPrint : public PackageTest {
  protected:
    ConfirmationPrint() : drives_(makeMap()) {}

    platform::DriveMap makeMap() const {
        platform::DriveMap m;
        m.map('C', c_.path());
        return m;
    }

    // The list replaced by 1,000 pending orders with 20-digit numbers and
    // long names; every tenth ticked, the first with ";" and quotes in its
    // description.
    package::TfrmConfCredBco& openThousand() {
        auto& screen = openLoadedScreen(ui_);
        reloadChanged(cdsGetPediCreCons(screen), [](dataset::RecordSet& copy) {
            copy.first();
            const platform::DateTime when = copy.fieldByName("DTPEDCRECONS").asDateTime();
            const size_t loaded = copy.recordCount();
            for (size_t i = 0; i < kOrders; ++i) {
                if (i < loaded) {
                    copy.setRecNo(i + 1);
                    copy.edit();
                } else {
                    copy.append();
                }
                auto set = [&copy](const char* field, const QString& value) {
                    copy.fieldByName(field).setAsString(value.toStdString());
                };
                set("IDCHECK", i % 10 == 0 ? "S" : "N");
                set("IDPEDCREEXTR", "N");
                set("IDPEDCRECONT", "N");
                set("NRPEDCRECONS", orderNumber(i));
                set("NRBOLETO", QStringLiteral("%1").arg(i + 1, 12, 10, QLatin1Char('0')));
                set("DSSITCREBANC", i == 0 ? QStringLiteral("Crédito; \"urgente\"")
                                           : QStringLiteral("Crédito em conta"));
                set("NMRAZSOCCLIE", QStringLiteral("Comércio de Utilidades Domésticas Ltda"));
                set("NMCONSUMIDOR", QStringLiteral("Consumidora de Nome Bem Comprido %1").arg(i));
                set("NMRESPCONS", QStringLiteral("Responsável Também de Nome Comprido"));
                copy.fieldByName("VRPEDCRECONS").setAsDouble(1234.5 + static_cast<double>(i));
                copy.fieldByName("DTPEDCRECONS").setAsDateTime(when);
                copy.post();
            }
        });
        cdsGetPediCreCons(screen).setIndexFieldNames("NRPEDCRECONS");
        return screen;
    }

    std::string exported(package::TfrmConfCredBco& screen, QAction* entry, const char* name) {
        ui_.queueFile(QStringLiteral("C:\\") + QLatin1String(name));
        entry->trigger();
        EXPECT_EQ(ui_.scriptErrors().size(), 0u);
        EXPECT_TRUE(ui_.boxes().empty());
        (void)screen;
        return c_.read(name);
    }

    TempDir c_;
    platform::ScopedDriveMap drives_;
};

TEST_F(ConfirmationPrint, PdfCarriesEveryOrderWholeThePagesAndTheTotals) {
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (pdftotext.isEmpty())
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    auto& screen = openThousand();
    ASSERT_EQ(cdsGetPediCreCons(screen).recordCount(), kOrders);
    ASSERT_TRUE(mniExportarPdf(screen)->isEnabled());
    // While the pages are laid out the windows repaint (timers run) and the
    // busy animation says how far it has come.
    QStringList progress;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&progress] {
        if (QWidget* overlay = host::widgets::busyOverlay())
            progress << overlay->property("progress").toString();
    });
    watch.start(0);
    const std::string pdf = exported(screen, mniExportarPdf(screen), "pedidos.pdf");
    watch.stop();
    ASSERT_EQ(pdf.substr(0, 4), "%PDF");
    EXPECT_EQ(host::widgets::busyOverlay(), nullptr);
    ASSERT_FALSE(progress.isEmpty());
    const QRegularExpression line(
        QStringLiteral(R"(^(Medindo a linha \d+ de 1000|Página \d+ de \d+)$)"));
    for (const QString& seen : progress)
        EXPECT_TRUE(line.match(seen).hasMatch()) << seen.toStdString();

    QProcess run;
    run.start(pdftotext,
              {QStringLiteral("-layout"),
               QString::fromStdString((c_.path() / "pedidos.pdf").string()), QStringLiteral("-")});
    ASSERT_TRUE(run.waitForFinished(60000));
    const QString text = QString::fromUtf8(run.readAllStandardOutput());
    const qsizetype pages = text.count(QLatin1Char('\f'));
    ASSERT_GT(pages, 10);
    EXPECT_TRUE(text.contains(QStringLiteral("Página 1 de %1").arg(pages)));
    EXPECT_TRUE(text.contains(QStringLiteral("Página %1 de %1").arg(pages)));
    EXPECT_FALSE(text.contains(QStringLiteral("…")));
    for (size_t i = 0; i < kOrders; ++i)
        ASSERT_TRUE(text.contains(orderNumber(i))) << orderNumber(i).toStdString();

    const QString flat = text.simplified();
    EXPECT_TRUE(flat.contains(lblTotais(screen)->text().simplified()))
        << lblTotais(screen)->text().toStdString();
    EXPECT_TRUE(flat.contains(QStringLiteral("Pedidos listados: 1000")));
    EXPECT_TRUE(flat.contains(QStringLiteral("Confirmação de Crédito Bancário")))
        << flat.left(400).toStdString();
    EXPECT_TRUE(flat.contains(QStringLiteral("Operador: teste")));
    const QString today = QString::fromStdString(platform::formatDate(package::P_DATAINICIAL));
    EXPECT_TRUE(flat.contains(QStringLiteral("Período: %1 até %1").arg(today)))
        << flat.left(600).toStdString();
    EXPECT_TRUE(flat.contains(QStringLiteral("Cliente: Todos")));
}

TEST_F(ConfirmationPrint, CsvOpensInASpreadsheetAsShownAndFailuresLeaveNoFile) {
    auto& screen = openThousand();
    const std::string csv = exported(screen, mniExportarCsv(screen), "pedidos.csv");
    // The status line says it is written, how many rows and where.
    EXPECT_EQ(host::core::application().lastStatus(),
              QStringLiteral("Exportação concluída: %1 registro(s) em C:\\pedidos.csv.")
                  .arg(QString::fromStdString(platform::formatCount(kOrders))));
    ASSERT_EQ(csv.substr(0, 3), "\xEF\xBB\xBF");
    const QStringList lines = QString::fromUtf8(csv.substr(3)).split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), static_cast<qsizetype>(kOrders) + 2);  // titles, rows, final break
    EXPECT_EQ(lines[0],
              QStringLiteral("Marc.;Situação Créd.;Contabilizado;Nr. Pedido;Nr. Boleto;Data / "
                             "Hora;Descrição Crédito;Cliente;Consumidor;Responsável;Valor"));
    const QString first = lines[1];
    EXPECT_TRUE(
        first.startsWith(QStringLiteral("X;Pendente;Não;\"=\"\"90000000000000000000\"\"\";"
                                        "\"=\"\"000000000001\"\"\";")))
        << first.toStdString();
    EXPECT_TRUE(first.contains(QStringLiteral(";\"Crédito; \"\"urgente\"\"\";")));
    EXPECT_TRUE(first.endsWith(QStringLiteral(";1234,50"))) << first.toStdString();
    EXPECT_TRUE(lines[2].startsWith(QStringLiteral(";Pendente;")));
    EXPECT_TRUE(lines[1000].endsWith(QStringLiteral(";2233,50"))) << lines[1000].toStdString();

    // A folder that does not exist: the operator is told, and nothing is left.
    ui_.queueFile(QStringLiteral("C:\\Nao Existe\\pedidos.csv"));
    mniExportarCsv(screen)->trigger();
    ASSERT_EQ(ui_.boxes().size(), 1u);
    EXPECT_EQ(ui_.boxes()[0].kind, host::core::BoxKind::Error);
    EXPECT_TRUE(ui_.boxes()[0].text.startsWith(
        QStringLiteral("Não foi possível gravar o arquivo C:\\Nao Existe\\pedidos.csv")))
        << ui_.boxes()[0].text.toStdString();
    EXPECT_FALSE(std::filesystem::exists(c_.path() / "Nao Existe"));
    EXPECT_EQ(ui_.screenCursor(), host::core::crDefault);  // the hourglass ends with the export
}

}  // namespace
}  // namespace confcred::testing
