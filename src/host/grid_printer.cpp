#include "host/grid_printer.h"

#include <QDateTime>
#include <QHeaderView>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <algorithm>
#include <vector>

#include "host/db_grid.h"
#include "host/ui_service.h"

namespace confcred::host {

int renderGrid(const TDBGrid& grid, const QString& title, QPrinter& printer) {
    const QAbstractItemModel& model = grid.recordModel();
    std::vector<int> columns;
    double gridWidth = 0;
    for (int c = 0; c < model.columnCount(); ++c) {
        if (grid.isColumnHidden(c))
            continue;
        columns.push_back(c);
        gridWidth += std::max(grid.columnWidth(c), 20);
    }

    QPainter painter;
    if (!painter.begin(&printer))
        return 0;
    const QRect page = printer.pageLayout().paintRectPixels(printer.resolution());
    const QRect area(0, 0, page.width(), page.height());
    QFont body(QStringLiteral("Sans Serif"), 8);
    QFont bold = body;
    bold.setBold(true);
    QFont heading = body;
    heading.setPointSize(11);
    heading.setBold(true);
    painter.setFont(body);
    const int lineHeight = painter.fontMetrics().height() + painter.fontMetrics().height() / 3;
    const double scale = gridWidth > 0 ? area.width() / gridWidth : 1.0;
    const QString printedAt =
        QDateTime::currentDateTime().toString(QStringLiteral("dd/MM/yyyy HH:mm"));
    const int rows = model.rowCount();

    int pageNo = 0;
    int row = 0;
    do {
        if (pageNo > 0)
            printer.newPage();
        ++pageNo;
        int y = 0;
        painter.setFont(heading);
        const int headingHeight = painter.fontMetrics().height();
        painter.drawText(QRect(0, y, area.width(), headingHeight), Qt::AlignLeft, title);
        painter.setFont(body);
        painter.drawText(QRect(0, y, area.width(), headingHeight),
                         Qt::AlignRight | Qt::AlignVCenter, printedAt);
        y += headingHeight + lineHeight / 2;

        // Column titles, repeated on every page.
        painter.setFont(bold);
        double x = 0;
        for (int c : columns) {
            const double w = std::max(grid.columnWidth(c), 20) * scale;
            painter.drawText(QRectF(x + 2, y, w - 4, lineHeight), Qt::AlignLeft | Qt::AlignVCenter,
                             model.headerData(c, Qt::Horizontal).toString());
            x += w;
        }
        y += lineHeight;
        painter.drawLine(0, y, area.width(), y);
        painter.setFont(body);

        const int footer = lineHeight + 4;
        while (row < rows && y + lineHeight <= area.height() - footer) {
            x = 0;
            for (int c : columns) {
                const double w = std::max(grid.columnWidth(c), 20) * scale;
                const QModelIndex index = model.index(row, c);
                const auto align = Qt::Alignment(model.data(index, Qt::TextAlignmentRole).toInt() &
                                                 Qt::AlignHorizontal_Mask);
                const QString text = painter.fontMetrics().elidedText(
                    model.data(index).toString(), Qt::ElideRight, static_cast<int>(w - 4));
                painter.drawText(QRectF(x + 2, y, w - 4, lineHeight),
                                 (align ? align : Qt::AlignLeft) | Qt::AlignVCenter, text);
                x += w;
            }
            y += lineHeight;
            ++row;
        }
        painter.drawLine(0, area.height() - footer, area.width(), area.height() - footer);
        painter.drawText(QRect(0, area.height() - lineHeight, area.width(), lineHeight),
                         Qt::AlignLeft | Qt::AlignVCenter,
                         QStringLiteral("%1 registro(s)").arg(rows));
        painter.drawText(QRect(0, area.height() - lineHeight, area.width(), lineHeight),
                         Qt::AlignRight | Qt::AlignVCenter,
                         QStringLiteral("Página %1").arg(pageNo));
    } while (row < rows);
    painter.end();
    return pageNo;
}

void previewGrid(TDBGrid& grid, const QString& title, QWidget* parent) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(title);
    printer.setPageOrientation(QPageLayout::Landscape);
    QPrintPreviewDialog preview(&printer, parent);
    preview.setWindowTitle(QStringLiteral("Visualizar impressão - %1").arg(title));
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                     [&grid, &title](QPrinter* target) { renderGrid(grid, title, *target); });
    // Shown through the UI service, so scripted runs never block in it.
    ui().showModal(preview);
}

}  // namespace confcred::host
