// Benchmark of the host framework: scrolling the data-aware grid through
// 100,000 credit orders and repainting each screenful, against the same
// number of screenfuls over 1,000 orders. Cells read the record set directly
// (display texts, after-paint check pictures), so the cost per screenful must
// not grow with the number of rows.

#include <QApplication>
#include <QPainter>
#include <QScrollBar>
#include <memory>

#include "dataset/data_source.h"
#include "dataset/record_set.h"
#include "harness.h"
#include "host/widgets/db_grid.h"
#include "order_data.h"
#include "platform/regional.h"

using namespace confcred;
using namespace confcred::bench;

namespace {

constexpr int kScreenfuls = 60;

// An order grid as the confirmation screen shows it.
struct GridFixture {
    explicit GridFixture(size_t orders) {
        set.loadPacket(makeOrders(orders));
        set.fieldByName("IDPEDCREEXTR")
            .setOnGetText([](const dataset::Field& f, std::string& text, bool) {
                const std::string v = f.asString();
                text = v == "S" ? "Efetivado" : v == "N" ? "Pendente" : v == "C" ? "Cancelado" : "";
            });
        set.fieldByName("VRPEDCRECONS")
            .setOnGetText([](const dataset::Field& f, std::string& text, bool) {
                text = platform::formatFloat00(f.asDouble());
            });
        grid.setDataSource(&source);
        std::vector<host::widgets::GridColumn> columns;
        for (const char* name :
             {"IDCHECK", "IDPEDCREEXTR", "IDPEDCRECONT", "NRPEDCRECONS", "NRBOLETO", "DTPEDCRECONS",
              "DSSITCREBANC", "NMRAZSOCCLIE", "NMCONSUMIDOR", "NMRESPCONS", "VRPEDCRECONS"}) {
            columns.push_back({.fieldName = name});
        }
        columns[0].width = 26;
        grid.setColumns(std::move(columns));
        grid.OnDrawColumnCell = [](host::widgets::DrawColumnCellArgs& a) {
            if (a.column != 0)
                return;
            a.painter.fillRect(a.rect, a.background);
            const QRect box(a.rect.left() + 4, a.rect.top() + 2, 11, 11);
            a.painter.fillRect(box, Qt::white);
            a.painter.drawRect(box);
            if (a.fieldText(QStringLiteral("IDCHECK")) != QLatin1String("N"))
                a.painter.drawLine(box.topLeft(), box.bottomRight());
        };
        grid.resize(1000, 600);
        grid.show();
        QApplication::processEvents();
    }

    // Visits kScreenfuls screenfuls spread over the whole list, repainting each.
    void scrollThrough() {
        QScrollBar* bar = grid.verticalScrollBar();
        const int last = bar->maximum();
        for (int i = 0; i < kScreenfuls; ++i) {
            bar->setValue(static_cast<int>(static_cast<int64_t>(last) * i / (kScreenfuls - 1)));
            grid.viewport()->repaint();
        }
    }

    dataset::RecordSet set{"cdsGetPediCreCons"};
    dataset::DataSource source{&set};
    host::widgets::TDBGrid grid;
};

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    GridFixture large(100'000);
    GridFixture small(1'000);
    note("rows per screenful: " +
         std::to_string(large.grid.viewport()->height() / large.grid.rowHeight(0)) + ", " +
         std::to_string(kScreenfuls) + " screenfuls per run");
    const double ratio = ratioOf([&] { large.scrollThrough(); }, [&] { small.scrollThrough(); }, 7);
    figure("host.grid_scroll_100k_vs_1k", ratio);
    return 0;
}
