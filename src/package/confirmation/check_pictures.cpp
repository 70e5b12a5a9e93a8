#include "package/confirmation/check_pictures.h"

#include <QPainter>

namespace confcred::package {

namespace {

// o olive, k black, w white, s silver.
constexpr const char* kUncheck[16] = {
    "oooooooooooooooo", "ooooooooooooosoo", "ookkkkkkkkkkosoo", "ookwwwwwwwwwosoo",
    "ookwwwwwwwwwosoo", "ookwwwwwwwwwosoo", "ookwwwwwwwwwosoo", "ookwwwwwwwwwosoo",
    "ookwwwwwwwwwosoo", "ookwwwwwwwwwosoo", "ookwwwwwwwwwosoo", "ookwwwwwwwwwosoo",
    "ooooooooooooosoo", "osssssssssssssoo", "oooooooooooooooo", "oooooooooooooooo",
};
constexpr const char* kCheck[16] = {
    "oooooooooooooooo", "ooooooooooooosoo", "ookkkkkkkkkkosoo", "ookwwwwwwwwwosoo",
    "ookwwwwwwwkwosoo", "ookwwwwwwkkwosoo", "ookwkwwwkkkwosoo", "ookwkkwkkkwwosoo",
    "ookwkkkkkwwwosoo", "ookwwkkkwwwwosoo", "ookwwwkwwwwwosoo", "ookwwwwwwwwwosoo",
    "ooooooooooooosoo", "osssssssssssssoo", "oooooooooooooooo", "oooooooooooooooo",
};

QImage fromTable(const char* const (&rows)[16]) {
    QImage image(16, 16, QImage::Format_ARGB32);
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            QRgb colour = kTransparentOlive;
            switch (rows[y][x]) {
                case 'k':
                    colour = qRgb(0, 0, 0);
                    break;
                case 'w':
                    colour = qRgb(255, 255, 255);
                    break;
                case 's':
                    colour = qRgb(192, 192, 192);
                    break;
                default:
                    break;
            }
            image.setPixel(x, y, colour);
        }
    }
    return image;
}

// The picture with its olive pixels see-through.
QImage seeThrough(const QImage& picture) {
    QImage image = picture.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == kTransparentOlive)
                image.setPixel(x, y, qRgba(0, 0, 0, 0));
    return image;
}

const QImage& transparentOf(const QImage& picture) {
    static const QImage unchecked = seeThrough(uncheckImage());
    static const QImage checked = seeThrough(checkImage());
    return &picture == &checkImage() ? checked : unchecked;
}

}  // namespace

const QImage& uncheckImage() {
    static const QImage image = fromTable(kUncheck);
    return image;
}

const QImage& checkImage() {
    static const QImage image = fromTable(kCheck);
    return image;
}

void drawCheckCell(QPainter& painter, const QRect& cell, const QBrush& fill,
                   const QImage& picture) {
    painter.save();
    painter.setClipRect(cell);
    painter.fillRect(cell, fill);
    const QRect target(cell.left() + 4, cell.top(), picture.width(), cell.height());
    const QRect source(0, 0, picture.width(), cell.height());
    painter.drawImage(target.topLeft(), transparentOf(picture), source);
    painter.restore();
}

}  // namespace confcred::package
