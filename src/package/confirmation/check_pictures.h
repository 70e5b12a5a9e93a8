// The two tick pictures of the order grid's check column, drawn from their
// pixel tables: 16 by 16, olive (128, 128, 0) as the transparent colour.
#pragma once

#include <QBrush>
#include <QImage>
#include <QRect>

class QPainter;

namespace confcred::package {

inline constexpr QRgb kTransparentOlive = 0xff808000;

// The picture as stored: every pixel opaque, olive included.
const QImage& uncheckImage();
const QImage& checkImage();

// Draws a check cell: fills the cell with `fill`, then the picture unscaled
// with its top-left corner 4 pixels right of the cell's left edge on its top
// edge, as wide as the picture and as tall as the cell, clipped to the cell;
// olive pixels show the fill.
void drawCheckCell(QPainter& painter, const QRect& cell, const QBrush& fill, const QImage& picture);

}  // namespace confcred::package
