// Tick marks on the confirmation screen: by click, by space, mark-all and
// clear-all, and the pictures drawn in the check column.
#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <QTabWidget>

#include "confirmation_support.h"
#include "host/button_flat.h"
#include "package/confirmation/check_pictures.h"

namespace confcred::testing {
namespace {

class ConfirmationMarks : public PackageTest {};

TEST_F(ConfirmationMarks, ClickAndSpaceToggleOnlyTheCurrentOrder) {
    auto& screen = openLoadedScreen(ui_);
    auto& orders = screen.cdsGetPediCreCons;
    auto& grid = *screen.dbgPadrao;
    const QStringList before = column(orders, "IDCHECK");
    ASSERT_GE(before.size(), 3);

    // A click on another column only moves the current order.
    clickCell(grid, 2, QStringLiteral("NMCONSUMIDOR"));
    EXPECT_EQ(orders.recNo(), 3u);
    EXPECT_EQ(column(orders, "IDCHECK"), before);

    const QString first = before[2];
    const QString flipped = first == "S" ? "N" : "S";
    clickCell(grid, 2, QStringLiteral("IDCHECK"));
    EXPECT_EQ(current(orders, "IDCHECK"), flipped);
    EXPECT_EQ(orders.recNo(), 3u);
    pressSpace(grid);
    EXPECT_EQ(current(orders, "IDCHECK"), first);
    pressSpace(grid);
    EXPECT_EQ(current(orders, "IDCHECK"), flipped);
    QStringList expected = before;
    expected[2] = flipped;
    EXPECT_EQ(column(orders, "IDCHECK"), expected);
    EXPECT_FALSE(screen.boMarcaTodos);
    EXPECT_TRUE(screen.dtsPadrao.enabled());
}

TEST_F(ConfirmationMarks, MarkAllAlternatesAndKeepsCurrentOrderAndSort) {
    auto& screen = openLoadedScreen(ui_);
    auto& orders = screen.cdsGetPediCreCons;
    clickTitle(*screen.dbgPadrao, QStringLiteral("NMCONSUMIDOR"));
    orders.setRecNo(4);
    const QString number = current(orders, "NRPEDCRECONS");
    const QStringList order = column(orders, "NRPEDCRECONS");
    // One order cleared by hand first: the title click still ticks all.
    clickCell(*screen.dbgPadrao, 3, QStringLiteral("IDCHECK"));

    clickTitle(*screen.dbgPadrao, QStringLiteral("IDCHECK"));
    EXPECT_EQ(column(orders, "IDCHECK").count("S"), static_cast<int>(orders.recordCount()));
    EXPECT_TRUE(screen.boMarcaTodos);
    EXPECT_EQ(current(orders, "NRPEDCRECONS"), number);
    EXPECT_EQ(column(orders, "NRPEDCRECONS"), order);
    EXPECT_EQ(orders.indexFieldNames(), "NMCONSUMIDOR");
    // The family list shows the remembered order's families again.
    const QStringList families = column(screen.cdsPediCredFami, "NRPEDCRECONS");
    EXPECT_EQ(families.count(number), families.size());

    clickTitle(*screen.dbgPadrao, QStringLiteral("IDCHECK"));
    EXPECT_EQ(column(orders, "IDCHECK").count("N"), static_cast<int>(orders.recordCount()));
    EXPECT_FALSE(screen.boMarcaTodos);
    EXPECT_EQ(current(orders, "NRPEDCRECONS"), number);

    // After a cancelled filter the next title click clears every tick.
    clickTitle(*screen.dbgPadrao, QStringLiteral("IDCHECK"));
    ui_.queueModal([](QDialog&) {});
    screen.brnFiltro->click();
    clickTitle(*screen.dbgPadrao, QStringLiteral("IDCHECK"));
    EXPECT_EQ(column(orders, "IDCHECK").count("N"), static_cast<int>(orders.recordCount()));
}

TEST_F(ConfirmationMarks, SpaceOnTheFamilyTabDoesNothing) {
    auto& screen = openLoadedScreen(ui_);
    const QStringList before = column(screen.cdsGetPediCreCons, "IDCHECK");
    screen.pgcPadrao->setCurrentWidget(screen.tshFormulario);
    pressSpace(*screen.dbgFamilia);
    host::sendKey(screen.dbgFamilia, Qt::Key_Space, Qt::ShiftModifier, QStringLiteral(" "));
    EXPECT_EQ(column(screen.cdsGetPediCreCons, "IDCHECK"), before);
    EXPECT_TRUE(ui_.boxes().empty());
}

// Any value other than "S" is drawn unticked, and its first click makes it "S".
TEST_F(ConfirmationMarks, OnlySIsDrawnTicked) {
    auto& screen = openLoadedScreen(ui_);
    auto& orders = screen.cdsGetPediCreCons;
    const char* values[] = {"S", "N", ""};
    for (int row = 0; row < 3; ++row) {
        orders.setRecNo(static_cast<size_t>(row + 1));
        orders.edit();
        orders.fieldByName("IDCHECK").setAsString(values[row]);
        orders.post();
    }
    auto& grid = *screen.dbgPadrao;
    grid.setCurrentIndex(grid.model()->index(5, 3));  // no highlight on the rows drawn
    screen.frame()->resize(900, 600);
    QCoreApplication::processEvents();
    const QImage shot = grid.viewport()->grab().toImage();
    auto tickPixel = [&](int row) {
        // (10, 4) of the picture is black only in the ticked one.
        const QRect cell = grid.visualRect(grid.model()->index(row, 0));
        return shot.pixel(cell.left() + 4 + 10, cell.top() + 4);
    };
    auto boxPixel = [&](int row) {
        const QRect cell = grid.visualRect(grid.model()->index(row, 0));
        return shot.pixel(cell.left() + 4 + 5, cell.top() + 5);
    };
    EXPECT_EQ(tickPixel(0), qRgb(0, 0, 0)) << "ticked";
    EXPECT_EQ(tickPixel(1), qRgb(255, 255, 255)) << "unticked";
    EXPECT_EQ(tickPixel(2), qRgb(255, 255, 255)) << "empty value";
    EXPECT_EQ(boxPixel(2), qRgb(255, 255, 255));
    // The olive background shows the cell's own fill.
    const QRect cell = grid.visualRect(grid.model()->index(1, 0));
    EXPECT_NE(shot.pixel(cell.left() + 4, cell.top()), package::kTransparentOlive);

    orders.setRecNo(3);
    clickCell(grid, 2, QStringLiteral("IDCHECK"));
    EXPECT_EQ(current(orders, "IDCHECK"), QStringLiteral("S"));
}

// Olive shows the cell's fill; the picture is not scaled, 4 pixels in.
TEST(CheckPictures, DrawnUnscaledOverTheCellFill) {
    QImage cell(30, 20, QImage::Format_ARGB32);
    cell.fill(Qt::black);
    {
        QPainter painter(&cell);
        package::drawCheckCell(painter, QRect(0, 0, 30, 20), QBrush(QColor(200, 0, 0)),
                               package::checkImage());
    }
    EXPECT_EQ(cell.pixel(0, 0), qRgb(200, 0, 0));
    EXPECT_EQ(cell.pixel(4, 0), qRgb(200, 0, 0));  // olive
    EXPECT_EQ(cell.pixel(4 + 10, 4), qRgb(0, 0, 0));
    EXPECT_EQ(cell.pixel(4 + 3, 3), qRgb(255, 255, 255));
    EXPECT_EQ(cell.pixel(4 + 13, 1), qRgb(192, 192, 192));
    EXPECT_EQ(cell.pixel(4 + 5, 18), qRgb(200, 0, 0));  // below the picture
    EXPECT_EQ(cell.pixel(25, 10), qRgb(200, 0, 0));
}

TEST(CheckPictures, FollowThePixelTables) {
    const QImage& unchecked = package::uncheckImage();
    const QImage& checked = package::checkImage();
    ASSERT_EQ(unchecked.size(), QSize(16, 16));
    int differences = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            differences += unchecked.pixel(x, y) != checked.pixel(x, y);
    EXPECT_EQ(differences, 21);  // the black tick
    EXPECT_EQ(unchecked.pixel(0, 0), package::kTransparentOlive);
    EXPECT_EQ(unchecked.pixel(2, 2), qRgb(0, 0, 0));
    EXPECT_EQ(unchecked.pixel(3, 3), qRgb(255, 255, 255));
    EXPECT_EQ(unchecked.pixel(13, 1), qRgb(192, 192, 192));
    EXPECT_EQ(checked.pixel(10, 4), qRgb(0, 0, 0));
}

}  // namespace
}  // namespace confcred::testing
