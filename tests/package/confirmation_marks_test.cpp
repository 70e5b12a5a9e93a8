// Tick marks on the confirmation screen: by click, by space, mark-all and
// clear-all, and the pictures drawn in the check column.
#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <QTabWidget>
#include <string>

#include "confirmation_components.h"
#include "confirmation_support.h"
#include "host/widgets/button_flat.h"
#include "package/confirmation/check_pictures.h"

namespace confcred::testing {
namespace {

using namespace base;

using namespace confirmation;

class ConfirmationMarks : public PackageTest {};

TEST_F(ConfirmationMarks, ClickAndSpaceToggleOnlyTheCurrentOrder) {
    auto& screen = openLoadedScreen(ui_);
    auto& orders = cdsGetPediCreCons(screen);
    auto& grid = *dbgPadrao(screen);
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
    EXPECT_TRUE(dtsPadrao(screen).enabled());
    // Single ticks leave the mark-all switch alone.
    EXPECT_FALSE(markAllIsOn(screen));
}

TEST_F(ConfirmationMarks, MarkAllAlternatesAndKeepsCurrentOrderAndSort) {
    auto& screen = openLoadedScreen(ui_);
    auto& orders = cdsGetPediCreCons(screen);
    clickTitle(*dbgPadrao(screen), QStringLiteral("NMCONSUMIDOR"));
    orders.setRecNo(4);
    const QString number = current(orders, "NRPEDCRECONS");
    const QStringList order = column(orders, "NRPEDCRECONS");
    // One order cleared by hand first: the title click still ticks all.
    clickCell(*dbgPadrao(screen), 3, QStringLiteral("IDCHECK"));

    clickTitle(*dbgPadrao(screen), QStringLiteral("IDCHECK"));
    EXPECT_EQ(column(orders, "IDCHECK").count("S"), static_cast<int>(orders.recordCount()));
    EXPECT_EQ(current(orders, "NRPEDCRECONS"), number);
    EXPECT_EQ(column(orders, "NRPEDCRECONS"), order);
    EXPECT_EQ(orders.indexFieldNames(), "NMCONSUMIDOR");
    // The family list shows the remembered order's families again.
    const QStringList families = column(cdsPediCredFami(screen), "NRPEDCRECONS");
    EXPECT_EQ(families.count(number), families.size());

    clickTitle(*dbgPadrao(screen), QStringLiteral("IDCHECK"));
    EXPECT_EQ(column(orders, "IDCHECK").count("N"), static_cast<int>(orders.recordCount()));
    EXPECT_EQ(current(orders, "NRPEDCRECONS"), number);

    // After a cancelled filter the next title click clears every tick.
    clickTitle(*dbgPadrao(screen), QStringLiteral("IDCHECK"));
    EXPECT_EQ(column(orders, "IDCHECK").count("S"), static_cast<int>(orders.recordCount()));
    ui_.queueModal([](QDialog&) {});
    brnFiltro(screen)->click();
    clickTitle(*dbgPadrao(screen), QStringLiteral("IDCHECK"));
    EXPECT_EQ(column(orders, "IDCHECK").count("N"), static_cast<int>(orders.recordCount()));
}

TEST_F(ConfirmationMarks, SpaceOnTheFamilyTabDoesNothing) {
    auto& screen = openLoadedScreen(ui_);
    const QStringList before = column(cdsGetPediCreCons(screen), "IDCHECK");
    pgcPadrao(screen)->setCurrentWidget(tshFormulario(screen));
    pressSpace(*dbgFamilia(screen));
    host::automation::sendKey(dbgFamilia(screen), Qt::Key_Space, Qt::ShiftModifier,
                              QStringLiteral(" "));
    EXPECT_EQ(column(cdsGetPediCreCons(screen), "IDCHECK"), before);
    EXPECT_TRUE(ui_.boxes().empty());
}

// Only "N" is drawn unticked; any other value is drawn ticked, and its first
// click makes it "S".
TEST_F(ConfirmationMarks, EveryValueButNIsDrawnTicked) {
    auto& screen = openLoadedScreen(ui_);
    auto& orders = cdsGetPediCreCons(screen);
    const char* values[] = {"S", "N", ""};
    for (int row = 0; row < 3; ++row) {
        orders.setRecNo(static_cast<size_t>(row + 1));
        orders.edit();
        orders.fieldByName("IDCHECK").setAsString(values[row]);
        orders.post();
    }
    auto& grid = *dbgPadrao(screen);
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
    EXPECT_EQ(tickPixel(2), qRgb(0, 0, 0)) << "empty value";
    EXPECT_EQ(boxPixel(1), qRgb(255, 255, 255));
    // The olive background shows the cell's own fill.
    const QRect cell = grid.visualRect(grid.model()->index(1, 0));
    EXPECT_NE(shot.pixel(cell.left() + 4, cell.top()), package::kTransparentOlive);

    orders.setRecNo(3);
    clickCell(grid, 2, QStringLiteral("IDCHECK"));
    EXPECT_EQ(current(orders, "IDCHECK"), QStringLiteral("S"));
}

// The two pictures as the screen's layout gives them: o olive, k black,
// w white, s silver.
constexpr const char* kUncheckRows[16] = {
    "oooooooooooooooo", "ooooooooooooosoo", "ookkkkkkkkkkosoo", "ookwwwwwwwwwosoo",
    "ookwwwwwwwwwosoo", "ookwwwwwwwwwosoo", "ookwwwwwwwwwosoo", "ookwwwwwwwwwosoo",
    "ookwwwwwwwwwosoo", "ookwwwwwwwwwosoo", "ookwwwwwwwwwosoo", "ookwwwwwwwwwosoo",
    "ooooooooooooosoo", "osssssssssssssoo", "oooooooooooooooo", "oooooooooooooooo",
};
constexpr const char* kCheckRows[16] = {
    "oooooooooooooooo", "ooooooooooooosoo", "ookkkkkkkkkkosoo", "ookwwwwwwwwwosoo",
    "ookwwwwwwwkwosoo", "ookwwwwwwkkwosoo", "ookwkwwwkkkwosoo", "ookwkkwkkkwwosoo",
    "ookwkkkkkwwwosoo", "ookwwkkkwwwwosoo", "ookwwwkwwwwwosoo", "ookwwwwwwwwwosoo",
    "ooooooooooooosoo", "osssssssssssssoo", "oooooooooooooooo", "oooooooooooooooo",
};

// The colour of a table letter; olive as `olive`.
QRgb colourOf(char letter, QRgb olive) {
    switch (letter) {
        case 'k':
            return qRgb(0, 0, 0);
        case 'w':
            return qRgb(255, 255, 255);
        case 's':
            return qRgb(192, 192, 192);
        default:
            return olive;
    }
}

struct Picture {
    const char* name;
    const QImage& (*image)();
    const char* const* rows;
};
const Picture kPictures[] = {{"imgUncheck", package::uncheckImage, kUncheckRows},
                             {"imgCheck", package::checkImage, kCheckRows}};

// The first few pixels where two images of one size differ; empty when none.
std::string differences(const QImage& actual, const QImage& expected) {
    std::string found;
    int count = 0;
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x)
            if (actual.pixel(x, y) != expected.pixel(x, y) && count++ < 5)
                found += "(" + std::to_string(x) + "," + std::to_string(y) + ") ";
    return count > 5 ? found + "and " + std::to_string(count - 5) + " more" : found;
}

TEST(CheckPictures, FollowThePixelTables) {
    for (const Picture& picture : kPictures) {
        SCOPED_TRACE(picture.name);
        QImage expected(16, 16, QImage::Format_ARGB32);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                expected.setPixel(x, y, colourOf(picture.rows[y][x], qRgb(128, 128, 0)));
        ASSERT_EQ(picture.image().size(), QSize(16, 16));
        EXPECT_EQ(differences(picture.image(), expected), "");
    }
}

// Drawn into a cell away from the canvas's corner: the cell filled, the
// picture unscaled 4 pixels right of the cell's left edge on its top edge,
// olive showing the fill, nothing outside the cell touched, also when the
// cell is narrower and shorter than the picture.
TEST(CheckPictures, DrawnUnscaledOverTheCellFill) {
    const QRgb fill = qRgb(200, 0, 0);
    const QRgb outside = qRgb(0, 0, 255);
    for (const QRect& cell : {QRect(7, 3, 26, 18), QRect(7, 3, 12, 10)}) {
        for (const Picture& picture : kPictures) {
            SCOPED_TRACE(std::string(picture.name) + " in a cell " + std::to_string(cell.width()) +
                         "x" + std::to_string(cell.height()));
            QImage canvas(40, 30, QImage::Format_ARGB32);
            canvas.fill(outside);
            {
                QPainter painter(&canvas);
                package::drawCheckCell(painter, cell, QBrush(QColor(fill)), picture.image());
            }
            QImage expected(canvas.size(), QImage::Format_ARGB32);
            expected.fill(outside);
            for (int y = cell.top(); y <= cell.bottom(); ++y) {
                for (int x = cell.left(); x <= cell.right(); ++x) {
                    const int px = x - cell.left() - 4, py = y - cell.top();
                    const bool inPicture = px >= 0 && px < 16 && py < 16;
                    expected.setPixel(x, y,
                                      inPicture ? colourOf(picture.rows[py][px], fill) : fill);
                }
            }
            EXPECT_EQ(differences(canvas, expected), "");
        }
    }
}

}  // namespace
}  // namespace confcred::testing
