#include "host/widgets/btn_pesquisa.h"

#include <QCoreApplication>

#include <algorithm>

#include "host/widgets/button_flat.h"

namespace confcred::host::widgets {

TBtnPesquisa::TBtnPesquisa(QWidget* parent) : QToolButton(parent) {
    setIcon(glyphIcon(Glyph::Search));
    setIconSize(QSize(16, 16));
    setFixedSize(23, 22);
    setToolTip(QCoreApplication::translate("confcred_host", "Pesquisar"));
    setFocusPolicy(Qt::TabFocus);
}

void TBtnPesquisa::placeBesideAssociate(int gap) {
    if (associate_ == nullptr || associate_->parentWidget() != parentWidget())
        return;
    const QRect g = associate_->geometry();
    setGeometry(g.right() + 1 + gap, g.top(), width(), std::max(g.height(), 20));
}

bool TBtnPesquisa::hasRecords() const {
    const dataset::RecordSet* set = source_ != nullptr ? source_->dataSet() : nullptr;
    return set != nullptr && set->active() && !set->isEmpty();
}

}  // namespace confcred::host::widgets
