#include "host/widgets/busy_indicator.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <cmath>

#include "host/core/application.h"

namespace confcred::host::widgets {

namespace {

constexpr int kFrameMs = 60;
constexpr int kPanelWidth = 300;
constexpr int kPanelHeight = 120;

// Covers its window, dims it and draws a small animated panel in the middle.
// It takes the mouse, so a click on the busy window goes nowhere.
class BusyOverlay : public QWidget {
  public:
    BusyOverlay(QWidget* window, int kind) : QWidget(window), kind_(kind == 0 ? 0 : 1) {
        setObjectName(QStringLiteral("busyOverlay"));
        setAttribute(Qt::WA_NoSystemBackground);
        setCursor(Qt::WaitCursor);
        setGeometry(window->rect());
        window->installEventFilter(this);
        QObject::connect(&timer_, &QTimer::timeout, this, [this] {
            ++frame_;
            setProperty("frame", frame_);  // lets a test see the animation move
            update();
        });
        timer_.start(kFrameMs);
        raise();
        show();
    }

    int frame() const { return frame_; }

    void setProgress(const QString& line) {
        progress_ = line;
        setProperty("progress", line);  // lets a test read the line
        update();
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == parentWidget() && event->type() == QEvent::Resize) {
            setGeometry(parentWidget()->rect());
            raise();
        }
        return QWidget::eventFilter(watched, event);
    }

    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.fillRect(rect(), QColor(0, 0, 0, 70));
        const QRect panel(width() / 2 - kPanelWidth / 2, height() / 2 - kPanelHeight / 2,
                          kPanelWidth, kPanelHeight);
        p.setPen(QPen(QColor(0x3a, 0x5f, 0x8f), 1.5));
        p.setBrush(QColor(0xfa, 0xfb, 0xfd));
        p.drawRoundedRect(panel, 8, 8);
        const QRect picture(panel.left() + 16, panel.top() + 16, 88, panel.height() - 32);
        if (kind_ == 0)
            paintSpinner(p, picture);
        else
            paintTransfer(p, picture);
        p.setPen(QColor(0x20, 0x20, 0x20));
        QFont f = font();
        f.setPointSizeF(f.pointSizeF() * 1.1);
        p.setFont(f);
        const QRect text(picture.right() + 12, panel.top(), panel.right() - picture.right() - 20,
                         panel.height());
        QString says =
            kind_ == 0 ? QCoreApplication::translate("confcred_host", "Conectando ao servidor...")
                       : QCoreApplication::translate("confcred_host", "Processando, aguarde...");
        if (!progress_.isEmpty())
            says += QLatin1Char('\n') + progress_;
        p.drawText(text, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextWordWrap, says);
    }

  private:
    // Kind 0: a ring of dots with one bright dot going round.
    void paintSpinner(QPainter& p, const QRect& r) {
        constexpr int kDots = 12;
        const QPointF c = QRectF(r).center();
        const double radius = std::min(r.width(), r.height()) / 2.0 - 6;
        for (int i = 0; i < kDots; ++i) {
            const int age = ((frame_ % kDots) - i + kDots) % kDots;
            const double angle = 2 * M_PI * i / kDots;
            const QPointF at(c.x() + radius * std::cos(angle), c.y() + radius * std::sin(angle));
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(0x2d, 0x6c, 0xb5, 255 - age * 18));
            p.drawEllipse(at, 5.0 - age * 0.25, 5.0 - age * 0.25);
        }
    }

    // Kind 1: a sheet travelling from one folder to another.
    void paintTransfer(QPainter& p, const QRect& r) {
        const int folderW = 26;
        const int folderH = 20;
        const int y = r.center().y();
        auto folder = [&](int x) {
            p.setPen(QPen(QColor(0x9a, 0x74, 0x1c), 1));
            p.setBrush(QColor(0xf2, 0xc9, 0x4c));
            p.drawRect(x, y - folderH / 2 + 3, folderW, folderH - 3);
            p.drawRect(x, y - folderH / 2, folderW / 2, 3);
        };
        folder(r.left());
        folder(r.right() - folderW);
        constexpr int kSteps = 16;
        const double t = (frame_ % kSteps) / double(kSteps - 1);
        const int fromX = r.left() + folderW / 2;
        const int toX = r.right() - folderW / 2 - 10;
        const int x = static_cast<int>(fromX + (toX - fromX) * t);
        const int lift = static_cast<int>(18 * std::sin(M_PI * t));
        p.setPen(QPen(QColor(0x55, 0x55, 0x55), 1));
        p.setBrush(Qt::white);
        p.drawRect(x, y - 12 - lift, 10, 13);
        p.drawLine(x + 2, y - 8 - lift, x + 8, y - 8 - lift);
        p.drawLine(x + 2, y - 5 - lift, x + 8, y - 5 - lift);
    }

    int kind_;
    int frame_ = 0;
    QString progress_;
    QTimer timer_;
};

struct BusyState {
    int depth = 0;
    QPointer<BusyOverlay> overlay;
};

BusyState& state() {
    static BusyState s;
    return s;
}

}  // namespace

void ActiveShowAvi(QWidget* window, int kind) {
    BusyState& s = state();
    if (s.depth++ > 0)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    if (!window)
        window = core::application().mainForm();
    if (window) {
        s.overlay = new BusyOverlay(window, kind);
        // Shown at once, before a step that may not let the event loop run.
        s.overlay->repaint();
    }
}

void DeactiveShowAvi() {
    BusyState& s = state();
    if (s.depth == 0)
        return;
    if (--s.depth > 0)
        return;
    delete s.overlay.data();  // null when its window went first
    s.overlay = nullptr;
    QApplication::restoreOverrideCursor();
}

void SetShowAviProgress(const QString& line) {
    if (BusyOverlay* overlay = state().overlay.data())
        overlay->setProgress(line);
}

int busyDepth() {
    return state().depth;
}

QWidget* busyOverlay() {
    return state().overlay.data();
}

}  // namespace confcred::host::widgets
