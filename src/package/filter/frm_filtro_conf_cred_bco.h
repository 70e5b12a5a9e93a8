// The confirmation filter dialog (unit Cli_Lun90001): edits the credit filter
// parameters and writes them back only when the operator confirms.
#pragma once

#include "host/frm_filtro_padrao.h"

namespace confcred::package {

class TfrmFiltroConfCredBco : public host::TfrmFiltroPadrao {
    Q_OBJECT

  public:
    explicit TfrmFiltroConfCredBco(QWidget* parent = nullptr);

    // True once the operator confirmed the filter.
    bool boConfirmou = false;

    void FormCreate() override;
    void sbtConfirmaClick() override;
};

}  // namespace confcred::package
