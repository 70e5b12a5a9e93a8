// The flat toolbar button (TButtonFlat): 21 by 21 pixels, a glyph and a hint,
// raised only under the mouse. Also the small glyphs the base screens draw
// for their commands, so every toolbar looks alike.
#pragma once

#include <QIcon>
#include <QToolButton>

namespace confcred::host::widgets {

enum class Glyph {
    Insert,
    Edit,
    Delete,
    Save,
    Cancel,
    Search,
    Reload,
    Print,
    Help,
    Close,
    First,
    Prior,
    Next,
    Last,
    Import,
    Confirm,
    Calendar,
};

// A 16 by 16 glyph, drawn once and kept.
QIcon glyphIcon(Glyph glyph);

class TButtonFlat : public QToolButton {
    Q_OBJECT

  public:
    static constexpr int kSize = 21;

    explicit TButtonFlat(QWidget* parent = nullptr);
    TButtonFlat(const QString& objectName, const QString& hint, const QIcon& glyph,
                QWidget* parent = nullptr);

    // The hint is the tooltip.
    void setHint(const QString& hint) { setToolTip(hint); }
    QString hint() const { return toolTip(); }
    void setGlyph(const QIcon& glyph) { setIcon(glyph); }
    // Places the button at (left, top) of its parent, keeping its size.
    void place(int left, int top) { move(left, top); }
};

}  // namespace confcred::host::widgets
