#include "host/widgets/button_flat.h"

#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace confcred::host::widgets {
namespace {

const QColor kInk(40, 60, 90);
const QColor kGreen(30, 130, 60);
const QColor kRed(190, 40, 40);
const QColor kBlue(40, 90, 170);

void drawGlyph(QPainter& p, Glyph glyph) {
    p.setRenderHint(QPainter::Antialiasing);
    QPen pen(kInk, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    auto stroke = [&](const QColor& c, qreal width) {
        p.setPen(QPen(c, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    };
    switch (glyph) {
        case Glyph::Insert:
            stroke(kGreen, 2.4);
            p.drawLine(QPointF(8, 3), QPointF(8, 13));
            p.drawLine(QPointF(3, 8), QPointF(13, 8));
            break;
        case Glyph::Edit:
            stroke(kBlue, 1.4);
            p.setBrush(QColor(250, 220, 120));
            p.drawPolygon(QPolygonF({{3, 13}, {4, 10}, {11, 3}, {13, 5}, {6, 12}}));
            break;
        case Glyph::Delete:
            stroke(kRed, 2.4);
            p.drawLine(QPointF(3, 8), QPointF(13, 8));
            break;
        case Glyph::Save:
            stroke(kBlue, 1.2);
            p.setBrush(QColor(120, 160, 220));
            p.drawRect(QRectF(2.5, 2.5, 11, 11));
            p.setBrush(Qt::white);
            p.drawRect(QRectF(5, 3, 6, 4));
            break;
        case Glyph::Cancel:
        case Glyph::Close:
            stroke(kRed, 2.2);
            p.drawLine(QPointF(4, 4), QPointF(12, 12));
            p.drawLine(QPointF(12, 4), QPointF(4, 12));
            break;
        case Glyph::Search:
            stroke(kInk, 1.8);
            p.drawEllipse(QRectF(2.5, 2.5, 8, 8));
            stroke(kInk, 2.4);
            p.drawLine(QPointF(9.5, 9.5), QPointF(13.5, 13.5));
            break;
        case Glyph::Reload: {
            stroke(kGreen, 1.8);
            p.drawArc(QRectF(3, 3, 10, 10), 60 * 16, 290 * 16);
            p.setBrush(kGreen);
            p.setPen(Qt::NoPen);
            p.drawPolygon(QPolygonF({{9, 1.5}, {13.5, 4}, {9, 6.5}}));
            break;
        }
        case Glyph::Print:
            stroke(kInk, 1.2);
            p.setBrush(Qt::white);
            p.drawRect(QRectF(4.5, 2.5, 7, 4));
            p.setBrush(QColor(160, 170, 185));
            p.drawRect(QRectF(2.5, 6.5, 11, 5));
            p.setBrush(Qt::white);
            p.drawRect(QRectF(4.5, 10.5, 7, 3));
            break;
        case Glyph::Help: {
            stroke(kBlue, 1.4);
            p.setBrush(QColor(225, 235, 250));
            p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
            QFont f = p.font();
            f.setPixelSize(11);
            f.setBold(true);
            p.setFont(f);
            p.drawText(QRectF(1.5, 1.5, 13, 13), Qt::AlignCenter, QStringLiteral("?"));
            break;
        }
        case Glyph::First:
        case Glyph::Prior:
        case Glyph::Next:
        case Glyph::Last: {
            const bool back = glyph == Glyph::First || glyph == Glyph::Prior;
            p.setPen(Qt::NoPen);
            p.setBrush(kInk);
            QPolygonF tri = back ? QPolygonF({{11, 3}, {11, 13}, {5, 8}})
                                 : QPolygonF({{5, 3}, {5, 13}, {11, 8}});
            p.drawPolygon(tri);
            if (glyph == Glyph::First)
                p.drawRect(QRectF(3, 3, 2, 10));
            if (glyph == Glyph::Last)
                p.drawRect(QRectF(11, 3, 2, 10));
            break;
        }
        case Glyph::Import:
            stroke(kBlue, 1.2);
            p.setBrush(Qt::white);
            p.drawRect(QRectF(2.5, 8.5, 11, 5));
            stroke(kGreen, 2.2);
            p.drawLine(QPointF(8, 2), QPointF(8, 10));
            p.drawLine(QPointF(5, 7), QPointF(8, 10));
            p.drawLine(QPointF(11, 7), QPointF(8, 10));
            break;
        case Glyph::Confirm:
            stroke(kGreen, 2.4);
            p.drawPolyline(QPolygonF({{3, 8.5}, {6.5, 12}, {13, 4}}));
            break;
        case Glyph::Calendar:
            stroke(kInk, 1.1);
            p.setBrush(Qt::white);
            p.drawRect(QRectF(2.5, 3.5, 11, 10));
            p.setBrush(kRed);
            p.drawRect(QRectF(2.5, 3.5, 11, 3));
            break;
    }
}

}  // namespace

QIcon glyphIcon(Glyph glyph) {
    static QHash<int, QIcon> cache;
    const int key = static_cast<int>(glyph);
    auto it = cache.find(key);
    if (it != cache.end())
        return *it;
    QIcon icon;
    for (const int scale : {1, 2}) {
        QPixmap pm(16 * scale, 16 * scale);
        pm.setDevicePixelRatio(scale);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        drawGlyph(p, glyph);
        p.end();
        icon.addPixmap(pm);
    }
    cache.insert(key, icon);
    return icon;
}

TButtonFlat::TButtonFlat(QWidget* parent) : QToolButton(parent) {
    setAutoRaise(true);
    setFixedSize(kSize, kSize);
    setIconSize(QSize(16, 16));
    setFocusPolicy(Qt::NoFocus);
    setToolButtonStyle(Qt::ToolButtonIconOnly);
}

TButtonFlat::TButtonFlat(const QString& objectName, const QString& hint, const QIcon& glyph,
                         QWidget* parent)
    : TButtonFlat(parent) {
    setObjectName(objectName);
    setHint(hint);
    setGlyph(glyph);
}

}  // namespace confcred::host::widgets
