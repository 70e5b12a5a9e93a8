#include "host/print/grid_printer.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QScreen>
#include <QTextLayout>
#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "host/core/dispatch.h"
#include "host/core/ui_service.h"
#include "host/widgets/db_grid.h"

namespace confcred::host::print {

namespace {

constexpr double kBodyPoints = 8.0;
constexpr double kFloorPoints = 6.0;
constexpr double kHeadingPoints = 11.0;
// The widest cells of a column (by the sum of advances) measured for real.
constexpr size_t kMeasured = 8;
// Rows measured between two reports of progress.
constexpr size_t kProgressRows = 2000;
// A sum of advances leaves out kerning and shaping; this margin covers them
// for the cells that are not measured for real.
constexpr double kEstimateMargin = 1.03;

QFont makeFont(double points, bool bold = false) {
    QFont font(QStringLiteral("Sans Serif"));
    font.setPointSizeF(points);
    font.setBold(bold);
    // Without ligatures ("fi" as one glyph) the PDF's text is found by a
    // search as typed; and a text's width is then its advances' sum.
    font.setStyleStrategy(QFont::PreferNoShaping);
    return font;
}

// A text's width as the sum of its characters' advances, each character
// measured once: sizing 100,000 rows costs table look-ups, not text layouts.
class Advances {
  public:
    Advances(const QFont& font, QPaintDevice* device)
        : metrics_(font, device), table_(0x10000, -1.0f) {}

    double width(const QString& text) {
        double sum = 0;
        for (QChar ch : text) {
            if (ch.isSurrogate())
                return metrics_.horizontalAdvance(text);
            float& advance = table_[ch.unicode()];
            if (advance < 0)
                advance = static_cast<float>(metrics_.horizontalAdvance(ch));
            sum += advance;
        }
        return sum;
    }

  private:
    QFontMetricsF metrics_;
    std::vector<float> table_;
};

// Wraps `text` to `width` at word boundaries (anywhere in a word longer than
// the width); draws it at `at` when given a painter. Returns the line count.
int wrapText(const QString& text, const QFont& font, QPaintDevice* device, double width,
             Qt::Alignment align = Qt::AlignLeft, QPainter* painter = nullptr, QPointF at = {}) {
    QTextLayout layout(text, font, device);
    QTextOption option(align);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    double y = 0;
    int lines = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        line.setPosition(QPointF(0, y));
        y += line.height();
        ++lines;
    }
    layout.endLayout();
    if (painter != nullptr)
        layout.draw(painter, at);
    return std::max(lines, 1);
}

// A cell's lines at word boundaries (a word wider than the room is broken
// between characters), by the sums of advances: the planning and the
// painting cut the same lines, and 100,000 wrapped cells cost no layouts.
QStringList cellLines(const QString& text, Advances& advances, double room) {
    QStringList lines;
    QString line;
    double width = 0;
    const double space = advances.width(QStringLiteral(" "));
    for (const QString& word : text.split(QLatin1Char(' '))) {
        const double w = advances.width(word);
        if (!line.isEmpty() && width + space + w <= room) {
            line += QLatin1Char(' ') + word;
            width += space + w;
            continue;
        }
        if (!line.isEmpty())
            lines << line;
        line.clear();
        width = 0;
        for (QChar ch : word) {
            const double c = advances.width(QString(ch));
            if (!line.isEmpty() && width + c > room) {
                lines << line;
                line.clear();
                width = 0;
            }
            line += ch;
            width += c;
        }
    }
    lines << line;
    return lines;
}

// Where everything goes, worked out before the first page is painted so that
// every page knows the page count.
struct Plan {
    QFont body;
    QFont bold;
    QFont heading;
    double pad = 0;       // left and right inside every cell
    double lineStep = 0;  // a line of text in a cell
    double rowStep = 0;   // a row of one line
    std::vector<double> widths;
    std::vector<int> titleLines;
    std::vector<uint16_t> rowLines;      // per row; empty: every row on one line
    std::vector<float> estimates;        // per cell, column by column: sums of advances
    std::unique_ptr<Advances> advances;  // of the body font
    int filterLines = 0;
    std::vector<int> totalLines;
    double headHeight = 0;  // the page's head, the column titles included
    double totalsHeight = 0;
    double footer = 0;
    std::vector<size_t> pageStarts;  // each page's first row

    double rowHeight(size_t row) const {
        const int lines = rowLines.empty() ? 1 : rowLines[row];
        return rowStep + (lines - 1) * lineStep;
    }
};

QString filterLine(const GridReport& report) {
    return QCoreApplication::translate("confcred_host", "Filtro: ") + report.filter;
}

QStringList totalsOf(const GridReport& report, size_t rows) {
    if (!report.totals.isEmpty())
        return report.totals;
    return {QCoreApplication::translate("confcred_host", "Total: %1 registro(s)").arg(rows)};
}

// Column widths: each column's longest value and title, at the body size
// when that fits the page, else at a smaller size down to the floor; past
// the floor the widest columns share what is left and wrap.
void planColumns(const GridTable& table, QPaintDevice* device, double pageWidth, Plan& plan,
                 const ReportProgress& progress) {
    std::vector<float>& estimates = plan.estimates;
    const size_t columns = table.columns().size();
    const size_t rows = table.rowCount();
    Advances advances(makeFont(kBodyPoints), device);
    estimates.assign(columns * rows, 0);
    std::vector<double> longest(columns, 0);
    // The widest few rows of each column, measured for real once the size is known.
    std::vector<std::vector<std::pair<float, size_t>>> widest(columns);
    for (size_t row = 0; row < rows; ++row) {
        if (progress && row % kProgressRows == 0 && row > 0)
            progress(QCoreApplication::translate("confcred_host", "Medindo a linha %1 de %2")
                         .arg(row)
                         .arg(rows));
        for (size_t c = 0; c < columns; ++c) {
            const auto w = static_cast<float>(advances.width(table.qtext(row, c)));
            estimates[c * rows + row] = w;
            longest[c] = std::max<double>(longest[c], w);
            auto& top = widest[c];
            if (top.size() < kMeasured) {
                top.emplace_back(w, row);
            } else {
                auto least = std::min_element(top.begin(), top.end());
                if (w > least->first)
                    *least = {w, row};
            }
        }
    }
    const QFontMetricsF baseBold(makeFont(kBodyPoints, true), device);
    const double basePad = QFontMetricsF(makeFont(kBodyPoints), device).averageCharWidth() * 0.6;
    double natural = 0;
    for (size_t c = 0; c < columns; ++c)
        natural += std::max(longest[c] * kEstimateMargin,
                            baseBold.horizontalAdvance(table.columns()[c].title)) +
                   2 * basePad;
    double points = kBodyPoints;
    if (natural > pageWidth)
        points = std::max(kFloorPoints, kBodyPoints * pageWidth / natural);

    plan.body = makeFont(points);
    plan.advances = std::make_unique<Advances>(plan.body, device);
    plan.bold = makeFont(points, true);
    const QFontMetricsF body(plan.body, device);
    const QFontMetricsF bold(plan.bold, device);
    plan.pad = body.averageCharWidth() * 0.6;
    plan.lineStep = body.height();
    plan.rowStep = body.height() * 1.25;
    const double scale = points / kBodyPoints;
    for (float& w : estimates)
        w = static_cast<float>(w * scale * kEstimateMargin);

    std::vector<double> wanted(columns);
    std::vector<double> titleWidths(columns);
    for (size_t c = 0; c < columns; ++c) {
        double content = longest[c] * scale * kEstimateMargin;
        for (const auto& [w, row] : widest[c])
            content = std::max(content, body.horizontalAdvance(table.qtext(row, c)));
        titleWidths[c] = bold.horizontalAdvance(table.columns()[c].title);
        wanted[c] = std::max(content, titleWidths[c]) + 2 * plan.pad;
    }

    // Past the floor: the narrow columns keep their widths and the widest
    // share the rest equally (a cap found by filling from the narrowest).
    plan.widths = wanted;
    double total = 0;
    for (double w : wanted)
        total += w;
    if (total > pageWidth && columns > 0) {
        std::vector<double> sorted = wanted;
        std::sort(sorted.begin(), sorted.end());
        double left = pageWidth;
        double cap = sorted.back();
        for (size_t i = 0; i < sorted.size(); ++i) {
            const double share = left / static_cast<double>(sorted.size() - i);
            if (sorted[i] > share) {
                cap = share;
                break;
            }
            left -= sorted[i];
        }
        for (double& w : plan.widths)
            w = std::min(w, cap);
    }

    plan.titleLines.assign(columns, 1);
    for (size_t c = 0; c < columns; ++c)
        if (titleWidths[c] + 2 * plan.pad > plan.widths[c])
            plan.titleLines[c] = wrapText(table.columns()[c].title, plan.bold, device,
                                          plan.widths[c] - 2 * plan.pad);

    // Rows whose cells may not fit their column get their lines counted.
    plan.rowLines.clear();
    for (size_t c = 0; c < columns; ++c) {
        if (plan.widths[c] >= wanted[c])
            continue;
        if (plan.rowLines.empty())
            plan.rowLines.assign(rows, 1);
        const double room = plan.widths[c] - 2 * plan.pad;
        for (size_t row = 0; row < rows; ++row) {
            if (estimates[c * rows + row] <= room * 0.97)
                continue;
            const auto lines = cellLines(table.qtext(row, c), *plan.advances, room).size();
            plan.rowLines[row] =
                static_cast<uint16_t>(std::max<qsizetype>(plan.rowLines[row], lines));
        }
    }
}

Plan planReport(const GridTable& table, const GridReport& report, QPaintDevice* device,
                const QSizeF& area, const ReportProgress& progress) {
    Plan plan;
    planColumns(table, device, area.width(), plan, progress);
    plan.heading = makeFont(kHeadingPoints, true);
    const QFontMetricsF heading(plan.heading, device);
    const QFontMetricsF bold(plan.bold, device);

    plan.filterLines =
        report.filter.isEmpty() ? 0 : wrapText(filterLine(report), plan.body, device, area.width());
    const int titleLines = plan.titleLines.empty()
                               ? 1
                               : *std::max_element(plan.titleLines.begin(), plan.titleLines.end());
    plan.headHeight = heading.height() + plan.rowStep + plan.filterLines * plan.lineStep +
                      plan.rowStep / 2 + titleLines * bold.height() + plan.rowStep / 4;
    for (const QString& line : totalsOf(report, table.rowCount()))
        plan.totalLines.push_back(wrapText(line, plan.bold, device, area.width()));
    plan.totalsHeight = plan.rowStep / 2;
    for (int lines : plan.totalLines)
        plan.totalsHeight += lines * bold.height() + plan.rowStep / 4;
    plan.footer = plan.rowStep + plan.rowStep / 4;

    const double bottom = area.height() - plan.footer;
    plan.pageStarts = {0};
    double y = plan.headHeight;
    for (size_t row = 0; row < table.rowCount(); ++row) {
        const double h = plan.rowHeight(row);
        if (y + h > bottom && row != plan.pageStarts.back()) {
            plan.pageStarts.push_back(row);
            y = plan.headHeight;
        }
        y += h;
    }
    if (y + plan.totalsHeight > bottom && table.rowCount() != plan.pageStarts.back())
        plan.pageStarts.push_back(table.rowCount());  // the totals on a page of their own
    return plan;
}

void paintHead(QPainter& painter, const GridTable& table, const GridReport& report,
               const Plan& plan, QPaintDevice* device, double width) {
    const QFontMetricsF heading(plan.heading, device);
    double y = 0;
    painter.setFont(plan.heading);
    painter.drawText(QRectF(0, y, width, heading.height()), Qt::AlignLeft | Qt::AlignVCenter,
                     report.title);
    y += heading.height();
    painter.setFont(plan.body);
    const QRectF line(0, y, width, plan.rowStep);
    if (!report.operatorName.isEmpty())
        painter.drawText(
            line, Qt::AlignLeft | Qt::AlignVCenter,
            QCoreApplication::translate("confcred_host", "Operador: ") + report.operatorName);
    painter.drawText(line, Qt::AlignRight | Qt::AlignVCenter,
                     QCoreApplication::translate("confcred_host", "Emitido em ") + report.madeAt);
    y += plan.rowStep;
    if (plan.filterLines > 0) {
        wrapText(filterLine(report), plan.body, device, width, Qt::AlignLeft, &painter,
                 QPointF(0, y));
        y += plan.filterLines * plan.lineStep;
    }
    y += plan.rowStep / 2;

    painter.setFont(plan.bold);
    double x = 0;
    for (size_t c = 0; c < table.columns().size(); ++c) {
        const GridTable::Column& column = table.columns()[c];
        const double room = plan.widths[c] - 2 * plan.pad;
        const Qt::Alignment align = column.alignRight ? Qt::AlignRight : Qt::AlignLeft;
        if (plan.titleLines[c] > 1)
            wrapText(column.title, plan.bold, device, room, align, &painter,
                     QPointF(x + plan.pad, y));
        else
            painter.drawText(QRectF(x + plan.pad, y, room, plan.lineStep), align | Qt::AlignTop,
                             column.title);
        x += plan.widths[c];
    }
    painter.drawLine(QPointF(0, plan.headHeight - plan.rowStep / 8),
                     QPointF(width, plan.headHeight - plan.rowStep / 8));
}

void paintRow(QPainter& painter, const GridTable& table, const Plan& plan, size_t row, double y) {
    const size_t rows = table.rowCount();
    double x = 0;
    for (size_t c = 0; c < table.columns().size(); ++c) {
        const GridTable::Column& column = table.columns()[c];
        const QString text = table.qtext(row, c);
        const double room = plan.widths[c] - 2 * plan.pad;
        const Qt::Alignment align = column.tick         ? Qt::AlignHCenter
                                    : column.alignRight ? Qt::AlignRight
                                                        : Qt::AlignLeft;
        // Never clipped: a value is printed whole, on more lines if need be.
        const QStringList lines = !plan.rowLines.empty() && plan.rowLines[row] > 1 &&
                                          plan.estimates[c * rows + row] > room * 0.97
                                      ? cellLines(text, *plan.advances, room)
                                      : QStringList{text};
        double top = y;
        for (const QString& line : lines) {
            painter.drawText(QRectF(x + plan.pad, top, room, plan.rowStep),
                             align | Qt::AlignVCenter | Qt::TextSingleLine, line);
            top += plan.lineStep;
        }
        x += plan.widths[c];
    }
}

}  // namespace

int renderReport(const widgets::TDBGrid& grid, const GridReport& report, QPagedPaintDevice& device,
                 const ReportProgress& progress) {
    const GridTable table(grid, report);
    QPainter painter;
    if (!painter.begin(&device))
        return 0;
    const QRect page = device.pageLayout().paintRectPixels(device.logicalDpiX());
    const QSizeF area(page.width(), page.height());
    const Plan plan = planReport(table, report, &device, area, progress);
    const QFontMetricsF bold(plan.bold, &device);
    // The rows' pages, then the picture's page when the report has one.
    const int rowPages = static_cast<int>(plan.pageStarts.size());
    const int pages = rowPages + (report.picture.isNull() ? 0 : 1);
    const size_t rows = table.rowCount();
    const auto paintFooter = [&](int p) {
        const double footerTop = area.height() - plan.footer;
        painter.drawLine(QPointF(0, footerTop), QPointF(area.width(), footerTop));
        const QRectF footer(0, area.height() - plan.rowStep, area.width(), plan.rowStep);
        painter.drawText(footer, Qt::AlignLeft | Qt::AlignVCenter,
                         QCoreApplication::translate("confcred_host", "%1 registro(s)").arg(rows));
        painter.drawText(
            footer, Qt::AlignRight | Qt::AlignVCenter,
            QCoreApplication::translate("confcred_host", "Página %1 de %2").arg(p + 1).arg(pages));
    };

    for (int p = 0; p < rowPages; ++p) {
        if (progress)
            progress(QCoreApplication::translate("confcred_host", "Página %1 de %2")
                         .arg(p + 1)
                         .arg(pages));
        if (p > 0)
            device.newPage();
        paintHead(painter, table, report, plan, &device, area.width());
        painter.setFont(plan.body);
        const size_t first = plan.pageStarts[static_cast<size_t>(p)];
        const size_t end = p + 1 < rowPages ? plan.pageStarts[static_cast<size_t>(p) + 1] : rows;
        double y = plan.headHeight;
        for (size_t row = first; row < end; ++row) {
            paintRow(painter, table, plan, row, y);
            y += plan.rowHeight(row);
        }
        if (p + 1 == rowPages) {
            y += plan.rowStep / 4;
            painter.drawLine(QPointF(0, y), QPointF(area.width(), y));
            y += plan.rowStep / 4;
            painter.setFont(plan.bold);
            const QStringList totals = totalsOf(report, rows);
            for (qsizetype i = 0; i < totals.size(); ++i) {
                wrapText(totals[i], plan.bold, &device, area.width(), Qt::AlignLeft, &painter,
                         QPointF(0, y));
                y += plan.totalLines[static_cast<size_t>(i)] * bold.height() + plan.rowStep / 4;
            }
            painter.setFont(plan.body);
        }
        paintFooter(p);
    }
    if (!report.picture.isNull()) {
        if (progress)
            progress(QCoreApplication::translate("confcred_host", "Página %1 de %2")
                         .arg(pages)
                         .arg(pages));
        device.newPage();
        paintHead(painter, table, report, plan, &device, area.width());
        const QRectF room(0, plan.headHeight, area.width(),
                          area.height() - plan.footer - plan.headHeight - plan.rowStep / 2);
        QSizeF size = QSizeF(report.picture.size()).scaled(room.size(), Qt::KeepAspectRatio);
        painter.drawImage(QRectF(room.topLeft(), size), report.picture);
        paintFooter(pages - 1);
    }
    painter.end();
    return pages;
}

int renderGrid(const widgets::TDBGrid& grid, const QString& title, QPrinter& printer) {
    return renderReport(grid, basicReport(title), printer);
}

void previewReport(widgets::TDBGrid& grid, const GridReport& report, QWidget* parent) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(report.title);
    printer.setPageOrientation(QPageLayout::Landscape);
    QPrintPreviewDialog preview(&printer, parent);
    preview.setObjectName(QStringLiteral("dlgVisualizar"));
    preview.setWindowTitle(QCoreApplication::translate("confcred_host", "Visualizar impressão - %1")
                               .arg(report.title));
    // A large window with the page as wide as it: the rows can be read at once.
    if (const QScreen* screen =
            (parent != nullptr ? parent->screen() : QGuiApplication::primaryScreen())) {
        const QSize area = screen->availableGeometry().size();
        preview.resize(area.width() * 9 / 10, area.height() * 9 / 10);
    }
    if (auto* view = preview.findChild<QPrintPreviewWidget*>())
        view->fitToWidth();
    QObject::connect(
        &preview, &QPrintPreviewDialog::paintRequested, &preview,
        [&grid, &report](QPrinter* target) {
            // The hourglass while many thousand rows are laid out.
            core::ui().setScreenCursor(core::crHourGlass);
            core::ScopeGuard cursor([] { core::ui().setScreenCursor(core::crDefault); });
            renderReport(grid, report, *target);
        });
    // Shown through the UI service, so scripted runs never block in it.
    core::ui().showModal(preview);
}

void previewGrid(widgets::TDBGrid& grid, const QString& title, QWidget* parent) {
    previewReport(grid, basicReport(title), parent);
}

}  // namespace confcred::host::print
