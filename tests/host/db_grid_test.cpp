// The data-aware grid over a real record set, offscreen: the current record
// both ways, title and cell clicks, key down, after-paint drawing, detaching
// while the data source is off; the record-name label; printing to PDF.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPrinter>
#include <set>

#include "dataset/data_source.h"
#include "dataset/dataset_test_util.h"
#include "host/automation/synthetic_input.h"
#include "host/core/dispatch.h"
#include "host/print/grid_printer.h"
#include "host/widgets/db_grid.h"
#include "host/widgets/db_text.h"
#include "support/temp_dir.h"

using namespace confcred;
using namespace confcred::host;
using namespace confcred::host::core;
using namespace confcred::host::widgets;
using namespace confcred::host::print;
using namespace confcred::host::automation;
using dataset::FieldType;

namespace {

class GridTest : public ::testing::Test {
  protected:
    void SetUp() override {
        core::setErrorReport([this](const QString& text) { reports.push_back(text); });
        set.loadPacket(dataset::testing::makePacket({{"CODE", FieldType::String, 5},
                                                     {"NAME", FieldType::String, 30},
                                                     {"VALUE", FieldType::Double, 0}},
                                                    {{"001", "Ana", "12.5"},
                                                     {"002", "Bruno", "3"},
                                                     {"003", "Carla", std::nullopt},
                                                     {"004", "Davi", "-1"},
                                                     {"005", "Eva", "7.25"}}));
        set.setAfterScroll([this](dataset::RecordSet&) { ++afterScrolls; });
        grid.setDataSource(&source);
        grid.setColumns({{.fieldName = "CODE", .title = "Código", .width = 60},
                         {.fieldName = "NAME", .title = "Nome"},
                         {.fieldName = "VALUE"}});
        grid.resize(400, 300);
        grid.show();
        QApplication::processEvents();
    }
    void TearDown() override { core::setErrorReport(nullptr); }

    QPoint cellCenter(int row, int column) {
        return grid.visualRect(grid.model()->index(row, column)).center();
    }
    void clickCell(int row, int column) {
        automation::sendClick(grid.viewport(), cellCenter(row, column));
    }
    void clickTitle(int column) {
        QHeaderView* header = grid.horizontalHeader();
        const int x = header->sectionViewportPosition(column) + header->sectionSize(column) / 2;
        automation::sendClick(header->viewport(), QPoint(x, header->height() / 2));
    }
    QString cell(int row, int column) { return grid.model()->index(row, column).data().toString(); }

    dataset::RecordSet set{"cdsTeste"};
    dataset::DataSource source{&set};
    widgets::TDBGrid grid;
    int afterScrolls = 0;
    std::vector<QString> reports;
};

TEST_F(GridTest, ShowsColumnsWithTitlesWidthsAndDisplayTexts) {
    ASSERT_EQ(grid.model()->rowCount(), 5);
    ASSERT_EQ(grid.model()->columnCount(), 3);
    EXPECT_EQ(grid.model()->headerData(0, Qt::Horizontal).toString(), "Código");
    EXPECT_EQ(grid.model()->headerData(2, Qt::Horizontal).toString(), "VALUE");
    EXPECT_EQ(grid.columnWidth(0), 60);
    // Thirty characters of the name are wider than its title.
    EXPECT_GE(grid.columnWidth(1), 30 * grid.fontMetrics().averageCharWidth());
    EXPECT_EQ(cell(0, 2), "12,5");
    EXPECT_EQ(cell(2, 2), "");

    set.fieldByName("VALUE").setOnGetText(
        [](const dataset::Field& f, std::string& text, bool) { text = "R$ " + f.asString(); });
    grid.viewport()->update();
    EXPECT_EQ(cell(1, 2), "R$ 3");
    EXPECT_FALSE(grid.verticalHeader()->isVisible());
    EXPECT_EQ(grid.editTriggers(), QAbstractItemView::NoEditTriggers);
}

TEST_F(GridTest, FollowsTheCurrentRecordBothWays) {
    ASSERT_EQ(set.recNo(), 1u);
    EXPECT_EQ(grid.currentIndex().row(), 0);

    // Record set to grid.
    set.setRecNo(4);
    EXPECT_EQ(grid.currentIndex().row(), 3);
    set.first();
    EXPECT_EQ(grid.currentIndex().row(), 0);

    // Grid to record set, with the after-scroll handler run once.
    const int before = afterScrolls;
    clickCell(2, 1);
    EXPECT_EQ(set.recNo(), 3u);
    EXPECT_EQ(afterScrolls, before + 1);
    automation::sendKey(&grid, Qt::Key_Down);
    EXPECT_EQ(set.recNo(), 4u);
    EXPECT_EQ(set.fieldByName("NAME").asString(), "Davi");

    // A new ordering keeps following the record that is current.
    set.setIndexFieldNames("NAME");
    set.last();
    EXPECT_EQ(grid.currentIndex().row(), 4);
    EXPECT_EQ(cell(4, 1), "Eva");
}

TEST_F(GridTest, CellAndTitleClicksReachTheirHandlersWithTheColumn) {
    std::vector<std::pair<char, int>> events;
    grid.OnCellClick = [&](int column) {
        events.push_back({'c', column});
        // The clicked row is already current when the handler runs.
        EXPECT_EQ(set.recNo(), 2u);
    };
    grid.OnTitleClick = [&](int column) { events.push_back({'t', column}); };
    clickCell(1, 2);
    clickTitle(1);
    clickTitle(0);
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0], std::make_pair('c', 2));
    EXPECT_EQ(events[1], std::make_pair('t', 1));
    EXPECT_EQ(events[2], std::make_pair('t', 0));
    EXPECT_EQ(grid.fieldNameAt(events[0].second), "VALUE");
    // A title click does not move the record.
    EXPECT_EQ(set.recNo(), 2u);
}

TEST_F(GridTest, HandlerFailuresGoThroughTheDispatchPoint) {
    core::onEvent(&grid, &widgets::TDBGrid::OnCellClick, &grid, [] { core::abortHandler(); });
    core::onEvent(&grid, &widgets::TDBGrid::OnTitleClick, &grid,
                  [](int) { throw std::runtime_error("falhou o título"); });
    clickCell(0, 0);
    EXPECT_TRUE(reports.empty());  // the stop is silent
    clickTitle(0);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_TRUE(reports[0].contains("falhou o título"));
    EXPECT_TRUE(grid.isVisible());

    // A key handler that stops swallows its key: the cursor stays.
    core::onEvent(&grid, &widgets::TDBGrid::OnKeyDown, &grid, [] { core::abortHandler(); });
    set.first();
    grid.setFocus();
    automation::sendKey(&grid, Qt::Key_Down);
    EXPECT_EQ(set.recNo(), 1u);
    EXPECT_EQ(reports.size(), 1u);
}

struct KeyRow {
    const char* name;
    int swallow;  // key the handler sets to 0 (none: -1)
    int pressed;
    size_t recNoAfter;  // from record 1
};

class GridKeys : public GridTest, public ::testing::WithParamInterface<KeyRow> {};

TEST_P(GridKeys, KeyDownSeesTheKeyAndMaySwallowIt) {
    const KeyRow& row = GetParam();
    std::vector<int> seen;
    grid.OnKeyDown = [&](int& key, Qt::KeyboardModifiers) {
        seen.push_back(key);
        if (key == row.swallow)
            key = 0;
    };
    grid.setFocus();
    const QString text = row.pressed < 128 ? QString(QChar(row.pressed)).toLower() : QString();
    automation::sendKey(&grid, row.pressed, Qt::NoModifier, text);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0], row.pressed);
    EXPECT_EQ(set.recNo(), row.recNoAfter);
}

INSTANTIATE_TEST_SUITE_P(Rows, GridKeys,
                         ::testing::Values(KeyRow{"down_passes", -1, Qt::Key_Down, 2},
                                           KeyRow{"down_swallowed", Qt::Key_Down, Qt::Key_Down, 1},
                                           KeyRow{"space_is_32", -1, 32, 1},
                                           KeyRow{"page_down_passes", -1, Qt::Key_PageDown, 5},
                                           KeyRow{"letter_does_not_search", -1, Qt::Key_C, 1}),
                         [](const auto& p) { return std::string(p.param.name); });

TEST_F(GridTest, TabMovesBetweenCellsOfTheSameRecord) {
    grid.setFocus();
    set.setRecNo(2);
    automation::sendKey(&grid, Qt::Key_Tab);
    EXPECT_EQ(grid.currentIndex().column(), 1);
    automation::sendKey(&grid, Qt::Key_Tab);
    EXPECT_EQ(grid.currentIndex().column(), 2);
    EXPECT_EQ(set.recNo(), 2u);
    // The selection stays drawn when the grid loses the focus.
    EXPECT_EQ(grid.palette().color(QPalette::Inactive, QPalette::Highlight),
              grid.palette().color(QPalette::Active, QPalette::Highlight));
}

TEST_F(GridTest, DrawsAfterThePaintingOfEachVisibleCell) {
    grid.resize(400, grid.horizontalHeader()->height() + 3 * grid.rowHeight(0) + 4);
    QApplication::processEvents();
    std::set<std::pair<int, int>> painted;
    QStringList codes;
    grid.OnDrawColumnCell = [&](widgets::DrawColumnCellArgs& a) {
        painted.insert({a.row, a.column});
        ASSERT_NE(a.field, nullptr);
        EXPECT_EQ(QString::fromStdString(a.field->name()), grid.fieldNameAt(a.column));
        if (a.column == 0)
            codes.append(a.fieldText("CODE"));
        EXPECT_EQ(a.selected, a.row == 0 && a.column == 0);
        a.painter.fillRect(a.rect, a.background);
    };
    grid.viewport()->repaint();
    // Only the rows on screen are drawn, each column of them.
    EXPECT_FALSE(painted.empty());
    for (const auto& [row, column] : painted)
        EXPECT_LE(row, 3);
    EXPECT_TRUE(painted.count({0, 0}) && painted.count({0, 2}) && painted.count({2, 1}));
    EXPECT_FALSE(painted.count({4, 0}));
    EXPECT_TRUE(codes.contains("001"));
    EXPECT_TRUE(codes.contains("003"));
}

TEST_F(GridTest, DetachesWhileTheSourceIsOffAndReattachesAfter) {
    set.setRecNo(2);
    int drawn = 0;
    grid.OnDrawColumnCell = [&](widgets::DrawColumnCellArgs&) { ++drawn; };
    source.setEnabled(false);
    EXPECT_EQ(grid.model()->rowCount(), 0);
    EXPECT_EQ(grid.recordSet(), nullptr);

    // A walk that edits every record costs the grid nothing.
    for (set.first(); !set.eof(); set.next()) {
        set.edit();
        set.fieldByName("NAME").setAsString(set.fieldByName("NAME").asString() + "!");
        set.post();
    }
    set.setRecNo(4);
    grid.viewport()->repaint();
    EXPECT_EQ(drawn, 0);

    source.setEnabled(true);
    EXPECT_EQ(grid.model()->rowCount(), 5);
    EXPECT_EQ(grid.currentIndex().row(), 3);
    EXPECT_EQ(cell(0, 1), "Ana!");
    grid.viewport()->repaint();
    EXPECT_GT(drawn, 0);

    // Closing the set detaches too; re-pointing the source follows the new set.
    dataset::RecordSet other{"cdsOutro"};
    other.loadPacket(
        dataset::testing::makePacket({{"CODE", FieldType::String, 5}}, {{"X1"}, {"X2"}}));
    source.setDataSet(&other);
    EXPECT_EQ(grid.model()->rowCount(), 2);
    EXPECT_EQ(cell(1, 0), "X2");
    EXPECT_EQ(cell(1, 1), "");  // a column whose field the set lacks stays empty
    other.close();
    EXPECT_EQ(grid.model()->rowCount(), 0);
}

TEST_F(GridTest, KeepsResizedWidthsAcrossReloadsAndFilters) {
    grid.setColumnWidth(1, 211);
    set.setFilter("CODE = '002'");
    set.setFiltered(true);
    EXPECT_EQ(grid.model()->rowCount(), 1);
    EXPECT_EQ(cell(0, 1), "Bruno");
    EXPECT_EQ(grid.columnWidth(1), 211);
    set.setFiltered(false);
    EXPECT_EQ(grid.columnWidth(1), 211);

    // Hidden columns and title fonts come from the column list.
    QFont symbol(QStringLiteral("Sans Serif"));
    symbol.setPixelSize(11);
    grid.setColumns(
        {{.fieldName = "CODE", .titleFont = symbol}, {.fieldName = "NAME", .visible = false}});
    EXPECT_TRUE(grid.isColumnHidden(1));
    EXPECT_EQ(grid.model()->headerData(0, Qt::Horizontal, Qt::FontRole).value<QFont>().pixelSize(),
              11);
    EXPECT_EQ(grid.columnOfField("name"), 1);
    EXPECT_EQ(grid.columnOfField("NOPE"), -1);
}

TEST_F(GridTest, RecordNameLabelShowsTheCurrentRecordsField) {
    widgets::TDBText label;
    label.setDataSource(&source);
    label.setDataField("NAME");
    EXPECT_EQ(label.text(), "Ana");
    set.setRecNo(3);
    EXPECT_EQ(label.text(), "Carla");
    source.setEnabled(false);
    EXPECT_EQ(label.text(), "");
    source.setEnabled(true);
    EXPECT_EQ(label.text(), "Carla");
    set.close();
    EXPECT_EQ(label.text(), "");
}

TEST_F(GridTest, PrintsTheGridsDataToPdf) {
    confcred::testing::TempDir dir;
    const QString file = QString::fromStdString((dir.path() / "grade.pdf").string());
    QPrinter printer(QPrinter::ScreenResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(file);
    EXPECT_EQ(print::renderGrid(grid, QStringLiteral("Clientes"), printer), 1);
    QFile pdf(file);
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdf.read(4) == "%PDF");

    // Many rows continue on further pages.
    dataset::testing::Rows rows;
    for (int i = 0; i < 300; ++i)
        rows.push_back({std::to_string(i), "Nome " + std::to_string(i), "1"});
    set.loadPacket(dataset::testing::makePacket({{"CODE", FieldType::String, 5},
                                                 {"NAME", FieldType::String, 30},
                                                 {"VALUE", FieldType::Double, 0}},
                                                rows));
    QPrinter more(QPrinter::ScreenResolution);
    more.setOutputFormat(QPrinter::PdfFormat);
    more.setOutputFileName(file);
    EXPECT_GT(print::renderGrid(grid, QStringLiteral("Clientes"), more), 1);
}

}  // namespace
