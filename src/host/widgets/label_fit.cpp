#include "host/widgets/label_fit.h"

#include <QLabel>
#include <algorithm>

namespace confcred::host::widgets {

void fitLabelLeftward(QLabel& label, int leftmost) {
    const QRect at = label.geometry();
    const int wanted = label.sizeHint().width();
    if (wanted <= at.width())
        return;
    const int left = std::max(leftmost, at.right() + 1 - wanted);
    label.setGeometry(left, at.top(), at.right() + 1 - left, at.height());
}

}  // namespace confcred::host::widgets
